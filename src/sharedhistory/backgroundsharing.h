#pragma once

#include "sharedhistory/sharedpush.h"

#include <QObject>
#include <QThread>

#include <functional>
#include <memory>

class QTimer;

namespace Tensiova {

// The shared history's sender, on a thread of its own so that neither "Envoi" nor the window
// ever waits for the server: told that a record was written or changed, it sends what waits;
// when the server fails, it tries again later, less often the longer it stays away.
class BackgroundSharing : public QObject
{
    Q_OBJECT

public:
    static constexpr int StartDelayMs = 1000;
    static constexpr int FirstRetryMs = 5000;
    static constexpr int LongestRetryMs = 60000;

    // afterEachSuccess: run on the thread after each try the server answered, with its
    // connection (the station's copy of what else the server keeps is brought up to date there).
    using Follower = std::function<void(SharedDatabase &)>;
    BackgroundSharing(const QString &historyPath, const SharedServer &server,
                      QObject *parent = nullptr, Follower afterEachSuccess = {});
    // Stops at once, even in the middle of a wait for the server: what waits is sent next time.
    ~BackgroundSharing() override;

    // A record was written or changed.
    void nudge();
    // Another server, or none.
    void setServer(const SharedServer &server);
    const SharedServer &server() const { return m_server; }

signals:
    void stateChanged(const Tensiova::SharingState &state);

private:
    void pushNow(SharedPush::Check check = SharedPush::Check::WhenDue); // on the thread

    QString m_historyPath;
    SharedServer m_server;
    QThread m_thread;
    QObject *m_worker = nullptr; // lives on the thread
    QTimer *m_retry = nullptr; // on the thread
    std::unique_ptr<SharedPush> m_push; // used on the thread only
    int m_retryMs = FirstRetryMs;
    Follower m_afterEachSuccess; // used on the thread only
};

} // namespace Tensiova
