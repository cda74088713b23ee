#include "sharedhistory/backgroundsharing.h"

#include <QTimer>

namespace Tensiova {

BackgroundSharing::BackgroundSharing(const QString &historyPath, const SharedServer &server,
                                     QObject *parent, Follower afterEachSuccess)
    : QObject(parent)
    , m_historyPath(historyPath)
    , m_server(server)
    , m_afterEachSuccess(std::move(afterEachSuccess))
{
    qRegisterMetaType<SharingState>();
    if (server.isSet()) {
        m_push = std::make_unique<SharedPush>(historyPath, server);
    }
    m_worker = new QObject;
    m_retry = new QTimer(m_worker);
    m_retry->setSingleShot(true);
    connect(m_retry, &QTimer::timeout, m_worker, [this] { pushNow(); });
    // The server is checked for lost records now and then, even when nothing is written.
    auto *check = new QTimer(m_worker);
    check->setInterval(SharedPush::VerifyEveryMs);
    connect(check, &QTimer::timeout, m_worker, [this] { pushNow(SharedPush::Check::Now); });
    m_worker->moveToThread(&m_thread);
    connect(&m_thread, &QThread::finished, m_worker, &QObject::deleteLater);
    m_thread.setObjectName(QStringLiteral("historique partagé"));
    m_thread.start(QThread::LowPriority);
    // What waited from earlier runs, once the program has settled.
    QMetaObject::invokeMethod(
        m_worker,
        [this, check] {
            m_retry->start(StartDelayMs);
            check->start();
        },
        Qt::QueuedConnection);
}

BackgroundSharing::~BackgroundSharing()
{
    m_thread.requestInterruption();
    m_thread.quit();
    m_thread.wait();
    m_push.reset(); // the thread is over: no one else uses it
}

void BackgroundSharing::nudge()
{
    QMetaObject::invokeMethod(
        m_worker, [this] { pushNow(); }, Qt::QueuedConnection);
}

void BackgroundSharing::setServer(const SharedServer &server)
{
    m_server = server;
    QMetaObject::invokeMethod(
        m_worker,
        [this, server] {
            m_push.reset();
            m_retryMs = FirstRetryMs;
            m_retry->stop();
            if (server.isSet()) {
                m_push = std::make_unique<SharedPush>(m_historyPath, server);
                pushNow();
            } else {
                emit stateChanged({});
            }
        },
        Qt::QueuedConnection);
}

void BackgroundSharing::pushNow(SharedPush::Check check)
{
    if (!m_push || m_thread.isInterruptionRequested()) {
        return;
    }
    const SharingState state = m_push->run(QDeadlineTimer::Forever, check);
    if (!state.failed && m_afterEachSuccess) {
        m_afterEachSuccess(m_push->database());
    }
    emit stateChanged(state);
    if (!state.failed) {
        m_retry->stop();
        m_retryMs = FirstRetryMs;
    } else if (!m_thread.isInterruptionRequested()) {
        m_retry->start(m_retryMs);
        m_retryMs = std::min(m_retryMs * 2, LongestRetryMs);
    }
}

} // namespace Tensiova
