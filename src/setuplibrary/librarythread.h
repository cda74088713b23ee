#pragma once

#include "setuplibrary/workshopsetups.h"

#include <QObject>
#include <QThread>

#include <functional>
#include <memory>

namespace Tensiova {

// The library's calls off the window's thread, one after the other on a thread of their own,
// each result handed back on the thread of the receiver, which must outlive this object (its
// owner): a window never waits for the server.
class LibraryThread : public QObject
{
    Q_OBJECT

public:
    static constexpr int WindowPatienceMs = 10000;

    LibraryThread(const QString &historyPath, const SharedServer &server, QObject *receiver);
    // Waits for the call under way, which a stopped server ends within the patience.
    ~LibraryThread() override;

    template<typename Result>
    void call(std::function<Result(WorkshopSetups &)> work,
              std::function<void(const Result &)> done)
    {
        QMetaObject::invokeMethod(
            m_worker,
            [this, work = std::move(work), done = std::move(done)] {
                Result result = work(*m_setups);
                QMetaObject::invokeMethod(
                    m_receiver, [done, result = std::move(result)] { done(result); },
                    Qt::QueuedConnection);
            },
            Qt::QueuedConnection);
    }

private:
    QThread m_thread;
    QObject *m_worker = nullptr; // lives on the thread
    QObject *m_receiver = nullptr;
    std::unique_ptr<WorkshopSetups> m_setups; // used on the thread only
};

} // namespace Tensiova
