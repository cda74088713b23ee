#include "link/portwatch.h"

#include <QDeadlineTimer>
#include <QEventLoop>

namespace Tensiova {

namespace {

constexpr int ClosingWaitMs = 100;

} // namespace

PortWatch::PortWatch(const QString &settingsFolder, int firstListingDelayMs, QObject *parent)
    : QObject(parent)
    , m_settingsFolder(settingsFolder)
    , m_thread(new QThread)
    , m_lister(new PortLister)
{
    m_lister->moveToThread(m_thread);
    connect(m_thread, &QThread::finished, m_lister, &QObject::deleteLater);
    connect(m_thread, &QThread::finished, m_thread, &QObject::deleteLater);
    connect(m_lister, &PortLister::listed, this, &PortWatch::take);
    m_thread->setObjectName(QStringLiteral("PortWatch"));
    // Idle: on a busy machine the window goes first, and the listing waits.
    m_thread->start(QThread::IdlePriority);
    connect(&m_timer, &QTimer::timeout, this, &PortWatch::refresh);
    m_timer.start(DefaultIntervalMs);
    if (firstListingDelayMs > 0) {
        QTimer::singleShot(firstListingDelayMs, this, &PortWatch::refresh);
    } else {
        refresh();
    }
}

PortWatch::~PortWatch()
{
    // A listing under way is waited for a moment only, so that a busy machine never holds the
    // window's closing: past that, the thread ends and goes by itself when the listing is done,
    // and its result reaches no one.
    disconnect(m_lister, nullptr, this, nullptr);
    m_thread->quit();
    if (m_thread->wait(QDeadlineTimer(ClosingWaitMs))) {
        delete m_thread;
    }
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
        m_lister, [lister = m_lister, folder = m_settingsFolder] { lister->list(folder); },
        Qt::QueuedConnection);
}

bool PortWatch::waitForListing(int milliseconds)
{
    if (!m_hasListed) {
        if (!m_running) {
            refresh();
        }
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
