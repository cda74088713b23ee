#include "link/portwatch.h"

#include <QDeadlineTimer>
#include <QEventLoop>

namespace Tensiova {

PortWatch::PortWatch(const QString &settingsFolder, QObject *parent)
    : QObject(parent)
    , m_settingsFolder(settingsFolder)
    , m_worker(new QObject)
{
    m_worker->moveToThread(&m_thread);
    connect(&m_thread, &QThread::finished, m_worker, &QObject::deleteLater);
    m_thread.setObjectName(QStringLiteral("PortWatch"));
    // Idle: on a busy machine the window goes first, and the listing waits.
    m_thread.start(QThread::IdlePriority);
    connect(&m_timer, &QTimer::timeout, this, &PortWatch::refresh);
    m_timer.start(DefaultIntervalMs);
    refresh();
}

PortWatch::~PortWatch()
{
    // A listing under way ends before this object does: its result is then dropped.
    m_thread.quit();
    m_thread.wait();
}

void PortWatch::setInterval(int milliseconds)
{
    m_timer.start(milliseconds);
}

void PortWatch::refresh()
{
    if (m_running) {
        m_again = true;
        return;
    }
    m_running = true;
    QMetaObject::invokeMethod(
        m_worker,
        [this, folder = m_settingsFolder] {
            const QList<PortListing> ports = listPorts(folder);
            QMetaObject::invokeMethod(
                this, [this, ports] { take(ports); }, Qt::QueuedConnection);
        },
        Qt::QueuedConnection);
}

bool PortWatch::waitForListing(int milliseconds)
{
    if (!m_hasListed) {
        QEventLoop loop;
        connect(this, &PortWatch::listed, &loop, &QEventLoop::quit);
        QTimer::singleShot(milliseconds, &loop, &QEventLoop::quit);
        loop.exec();
    }
    return m_hasListed;
}

void PortWatch::take(const QList<PortListing> &ports)
{
    m_running = false;
    m_hasListed = true;
    m_latest = ports;
    emit listed(ports);
    if (m_again) {
        m_again = false;
        refresh();
    }
}

} // namespace Tensiova
