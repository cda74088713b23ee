#pragma once

#include "link/portlisting.h"

#include <QObject>
#include <QThread>
#include <QTimer>

namespace Tensiova {

// Lists the ports on the thread it lives on.
class PortLister : public QObject
{
    Q_OBJECT

public:
    void list(const QString &settingsFolder) { emit listed(listPorts(settingsFolder)); }

signals:
    void listed(const QList<PortListing> &ports);
};

// The ports present, kept fresh on a thread of their own: asking the system for its serial ports
// takes tens of milliseconds, more on a busy machine, and the window must never wait for it.
// The listing is redone every few seconds, and at once on request.
class PortWatch : public QObject
{
    Q_OBJECT

public:
    static constexpr int DefaultIntervalMs = 2000;

    // The first listing waits firstListingDelayMs: a window about to show goes first.
    explicit PortWatch(const QString &settingsFolder, int firstListingDelayMs = 0,
                       QObject *parent = nullptr);
    ~PortWatch() override;

    // How often the listing is redone by itself (the port box asks for less than a second).
    void setInterval(int milliseconds);
    // Asks for a listing now; listed() follows. Asked while one runs, one more run follows it.
    void refresh();
    // For a program without a window (tensiova --send), which may wait: the first listing, asked
    // for now if it was not yet.
    bool waitForListing(int milliseconds);

    bool hasListed() const { return m_hasListed; }
    const QList<PortListing> &latest() const { return m_latest; }

signals:
    void listed(const QList<PortListing> &ports);

private:
    void take(const QList<PortListing> &ports);

    QString m_settingsFolder;
    QThread *m_thread; // ends, and goes, on its own once its last listing is done
    PortLister *m_lister; // lives on m_thread
    QTimer m_timer;
    QList<PortListing> m_latest;
    bool m_hasListed = false;
    bool m_running = false;
    bool m_again = false;
};

} // namespace Tensiova
