#include "simulateddevice.h"

#include "link/messagedescription.h"

#include <QFile>
#include <QStringList>

#include <cerrno>
#include <cstdio>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

namespace {

constexpr int MessageLength = 52;
// A pause longer than this inside a message means the rest will never come.
constexpr auto LongestGap = std::chrono::milliseconds(200);

void say(const QString &line)
{
    std::printf("%s\n", line.toLocal8Bit().constData());
    std::fflush(stdout);
}

} // namespace

SimulatedDevice::SimulatedDevice(const Options &options)
    : m_options(options)
{ }

SimulatedDevice::~SimulatedDevice()
{
    if (!m_options.linkPath.isEmpty()) {
        QFile::remove(m_options.linkPath);
    }
}

bool SimulatedDevice::start()
{
    if (!m_terminal.isValid()) {
        std::perror("openpty");
        return false;
    }
    m_master = m_terminal.masterDescriptor();
    m_devicePath = m_terminal.devicePath();

    if (!m_options.linkPath.isEmpty()) {
        QFile::remove(m_options.linkPath);
        if (!QFile::link(m_devicePath, m_options.linkPath)) {
            std::fprintf(stderr, "cannot make the link %s\n", qPrintable(m_options.linkPath));
            return false;
        }
    }
    return true;
}

int SimulatedDevice::run(const volatile bool &stopRequested)
{
    char buffer[4096];
    while (!stopRequested) {
        pollfd watched {m_master, POLLIN, 0};
        const int ready = ::poll(&watched, 1, 50);
        if (ready < 0 && errno != EINTR) {
            std::perror("poll");
            return 1;
        }
        if (ready > 0 && (watched.revents & POLLIN)) {
            const ssize_t count = ::read(m_master, buffer, sizeof buffer);
            if (count > 0) {
                receive(buffer, count);
            }
        }
        dropStaleMessage();
        if (m_options.hangUpAfter > 0 && m_messages >= m_options.hangUpAfter) {
            say(QStringLiteral("Raccrochage après %1 message(s).").arg(m_messages));
            return 0;
        }
    }
    return 0;
}

void SimulatedDevice::receive(const char *bytes, qint64 count)
{
    const auto now = std::chrono::steady_clock::now();
    for (qint64 i = 0; i < count; ++i) {
        if (m_partial.isEmpty() && bytes[i] != 'n') {
            ++m_dropped;
            continue;
        }
        if (m_dropped > 0) {
            say(QStringLiteral("%1 octet(s) hors message ignoré(s).").arg(m_dropped));
            m_dropped = 0;
        }
        m_partial.append(bytes[i]);
        if (m_partial.size() == MessageLength) {
            handleMessage();
            m_partial.clear();
        }
    }
    if (m_dropped > 0) {
        say(QStringLiteral("%1 octet(s) hors message ignoré(s).").arg(m_dropped));
        m_dropped = 0;
    }
    m_lastByte = now;
}

void SimulatedDevice::dropStaleMessage()
{
    if (!m_partial.isEmpty() && std::chrono::steady_clock::now() - m_lastByte > LongestGap) {
        say(QStringLiteral("Message incomplet abandonné après %1 octet(s) : %2")
                .arg(m_partial.size())
                .arg(QString::fromLatin1(m_partial.toHex(' ').toUpper())));
        m_partial.clear();
    }
}

void SimulatedDevice::handleMessage()
{
    ++m_messages;
    say(QStringLiteral("Message %1 reçu (52 octets) :").arg(m_messages));
    for (const QString &row : Tensiova::hexRows(m_partial)) {
        say(QStringLiteral("  ") + row);
    }
    for (const QString &line : Tensiova::describeProgrammingMessage(m_partial)) {
        say(QStringLiteral("  ") + line);
    }
    checkLineSettings();
    if (!m_options.silent) {
        writeAll(m_options.reply);
    }
    flood();
}

void SimulatedDevice::checkLineSettings()
{
    termios settings = {};
    if (::tcgetattr(m_master, &settings) != 0) {
        return;
    }
    QStringList wrong;
    if (::cfgetospeed(&settings) != B4800 || ::cfgetispeed(&settings) != B4800) {
        wrong.append(QStringLiteral("vitesse différente de 4800 bauds"));
    }
    if ((settings.c_cflag & CSIZE) != CS8) {
        wrong.append(QStringLiteral("pas 8 bits de données"));
    }
    if (settings.c_cflag & PARENB) {
        wrong.append(QStringLiteral("parité activée"));
    }
    if (settings.c_cflag & CSTOPB) {
        wrong.append(QStringLiteral("2 bits de stop"));
    }
    if (settings.c_cflag & CRTSCTS) {
        wrong.append(QStringLiteral("contrôle de flux matériel"));
    }
    if (settings.c_iflag & (IXON | IXOFF)) {
        wrong.append(QStringLiteral("contrôle de flux logiciel"));
    }
    say(wrong.isEmpty()
            ? QStringLiteral("Ligne : 4800 bauds, 8 bits, sans parité, 1 bit de stop : conforme.")
            : QStringLiteral("ATTENTION, ligne non conforme : ")
                + wrong.join(QStringLiteral(", ")));
}

bool SimulatedDevice::writeAll(const QByteArray &bytes)
{
    qint64 written = 0;
    while (written < bytes.size()) {
        pollfd watched {m_master, POLLOUT, 0};
        if (::poll(&watched, 1, 2000) <= 0) {
            say(QStringLiteral("Le programme ne lit plus : %1 octet(s) non envoyé(s).")
                    .arg(bytes.size() - written));
            return false;
        }
        const ssize_t count =
            ::write(m_master, bytes.constData() + written, size_t(bytes.size() - written));
        if (count < 0 && errno != EAGAIN && errno != EINTR) {
            return false;
        }
        written += qMax<ssize_t>(count, 0);
    }
    return true;
}

void SimulatedDevice::flood()
{
    if (m_options.floodBytes <= 0) {
        return;
    }
    QByteArray chunk(4096, '\0');
    for (int i = 0; i < chunk.size(); ++i) {
        chunk[i] = char('A' + i % 26);
    }
    qint64 left = m_options.floodBytes;
    while (left > 0) {
        const QByteArray piece = chunk.left(int(qMin<qint64>(left, chunk.size())));
        if (!writeAll(piece)) {
            break;
        }
        left -= piece.size();
    }
    say(QStringLiteral("%1 octet(s) envoyés en rafale.").arg(m_options.floodBytes - left));
}
