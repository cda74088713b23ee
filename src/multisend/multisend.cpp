#include "multisend/multisend.h"

#include <algorithm>

namespace Tensiova {

namespace {

// Listed at once: a bench is set up to send, and a port's record names its adapter.
constexpr int FirstListingDelayMs = 0;

} // namespace

MultiSend::MultiSend(const SendContext &context, QObject *parent)
    : QObject(parent)
    , m_context(context)
    , m_watch(context.settingsFolder, FirstListingDelayMs)
{ }

bool MultiSend::setTargets(const QList<PortSend::Target> &targets)
{
    if (isRunning()) {
        return false;
    }
    std::vector<std::unique_ptr<PortSend>> ports;
    for (const PortSend::Target &target : targets) {
        const auto kept = std::find_if(m_ports.begin(), m_ports.end(), [&](const auto &port) {
            return port && port->target().isSamePort(target);
        });
        if (kept != m_ports.end()) {
            (*kept)->setLabel(target.label);
            ports.push_back(std::move(*kept));
        } else {
            ports.push_back(std::make_unique<PortSend>(target, m_context, m_watch));
        }
    }
    m_ports = std::move(ports);
    for (std::size_t index = 0; index < m_ports.size(); ++index) {
        PortSend *port = m_ports[index].get();
        disconnect(port, nullptr, this, nullptr);
        connect(port, &PortSend::stateChanged, this,
                [this, index] { emit portChanged(int(index)); });
        connect(port, &PortSend::finished, this, [this] {
            if (!isRunning()) {
                emit finished();
            }
        });
    }
    return true;
}

QList<FieldProblem> MultiSend::start(const MonitoringSetup &setup, const QString &setupFile,
                                     const QList<int> &indexes)
{
    QList<PortSend *> chosen;
    for (const int index : indexes) {
        if (index >= 0 && index < int(m_ports.size())
            && m_ports[index]->state() != PortSend::State::Sending) {
            chosen.append(m_ports[index].get());
        }
    }
    // The same checks as "Envoi", once for each set-up sent (a port's own, or the one given): a
    // wrong field sends to none.
    bool commonChecked = false;
    for (PortSend *port : chosen) {
        const std::optional<MonitoringSetup> &own = port->ownSetup();
        if (own || !commonChecked) {
            if (const QList<FieldProblem> problems = port->check(own.value_or(setup));
                !problems.isEmpty()) {
                return problems;
            }
            commonChecked = commonChecked || !own;
        }
    }
    for (PortSend *port : chosen) {
        port->start(setup, setupFile);
    }
    return {};
}

QList<FieldProblem> MultiSend::retryFailed(const MonitoringSetup &setup, const QString &setupFile)
{
    QList<int> failed;
    for (std::size_t index = 0; index < m_ports.size(); ++index) {
        if (m_ports[index]->hasFailed()) {
            failed.append(int(index));
        }
    }
    return start(setup, setupFile, failed);
}

bool MultiSend::isRunning() const
{
    return std::any_of(m_ports.begin(), m_ports.end(),
                       [](const auto &port) { return port->state() == PortSend::State::Sending; });
}

} // namespace Tensiova
