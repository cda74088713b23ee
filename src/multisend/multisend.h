#pragma once

#include "multisend/portsend.h"

#include <memory>
#include <vector>

namespace Tensiova {

// One set-up sent to many devices at once, each on its own link (a production bench): the
// fields are checked once, then every port is sent to together, and each ends on its own.
class MultiSend : public QObject
{
    Q_OBJECT

public:
    explicit MultiSend(const SendContext &context, QObject *parent = nullptr);

    // The ports' listing the links share (which the window's dialog shows, too).
    PortWatch &portWatch() { return m_watch; }

    // The ports to send to, in their order; those already there keep their outcome. Refused
    // while a sending runs.
    bool setTargets(const QList<PortSend::Target> &targets);
    const std::vector<std::unique_ptr<PortSend>> &ports() const { return m_ports; }

    // Checks the fields as "Envoi" does; when none is wrong, sends to each port whose index is
    // given, all at once: its own set-up when its target has one, else this one. The wrong
    // fields otherwise, and nothing is sent. setupFile: where the settings came from, for the
    // records.
    QList<FieldProblem> start(const MonitoringSetup &setup, const QString &setupFile,
                              const QList<int> &indexes);
    // Sends again to those whose last sending failed.
    QList<FieldProblem> retryFailed(const MonitoringSetup &setup, const QString &setupFile);
    bool isRunning() const;

signals:
    void portChanged(int index);
    void finished(); // every port started has ended

private:
    SendContext m_context;
    PortWatch m_watch;
    std::vector<std::unique_ptr<PortSend>> m_ports;
};

} // namespace Tensiova
