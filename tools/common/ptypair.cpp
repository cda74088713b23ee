#include "ptypair.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QThread>

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

PtyPair::PtyPair()
{
    char name[256] = {};
    if (::openpty(&m_master, &m_slave, name, nullptr, nullptr) != 0) {
        m_master = m_slave = -1;
        return;
    }
    termios settings = {};
    ::tcgetattr(m_slave, &settings);
    ::cfmakeraw(&settings);
    ::cfsetospeed(&settings, B9600);
    ::cfsetispeed(&settings, B9600);
    ::tcsetattr(m_slave, TCSANOW, &settings);
    ::fcntl(m_master, F_SETFL, ::fcntl(m_master, F_GETFL) | O_NONBLOCK);
    m_devicePath = QString::fromLocal8Bit(name);
}

PtyPair::~PtyPair()
{
    hangUp();
}

QByteArray PtyPair::read(qsizetype count, int milliseconds)
{
    QByteArray bytes;
    const QDeadlineTimer deadline(milliseconds);
    char buffer[4096];
    while (bytes.size() < count && !deadline.hasExpired()) {
        const ssize_t got = ::read(m_master, buffer, sizeof buffer);
        if (got > 0) {
            bytes.append(buffer, got);
        } else {
            // Let the program's side run: its writes happen on this thread's event loop.
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
            QThread::msleep(2);
        }
    }
    return bytes;
}

QByteArray PtyPair::readFor(int milliseconds)
{
    return read(std::numeric_limits<qsizetype>::max(), milliseconds);
}

bool PtyPair::write(const QByteArray &bytes)
{
    return ::write(m_master, bytes.constData(), size_t(bytes.size())) == bytes.size();
}

void PtyPair::hangUp()
{
    if (m_slave >= 0) {
        ::close(m_slave);
        m_slave = -1;
    }
    if (m_master >= 0) {
        ::close(m_master);
        m_master = -1;
    }
}

unsigned PtyPair::outputSpeed() const
{
    termios settings = {};
    ::tcgetattr(m_master, &settings);
    return unsigned(::cfgetospeed(&settings));
}
