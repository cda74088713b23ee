#include "multisend/portsend.h"

#include "link/portmap.h"

#include <QDir>

namespace Tensiova {

bool PortSend::Target::isSamePort(const Target &other) const
{
    return device.isEmpty() == other.device.isEmpty()
        && (device.isEmpty() ? port == other.port : PortMap::sameDevice(device, other.device));
}

PortSend::PortSend(const Target &target, const SendContext &context, PortWatch &watch,
                   QObject *parent)
    : QObject(parent)
    , m_target(target)
    , m_context(context)
    , m_link(context.settingsFolder, watch)
    , m_programmer(m_link, QDir(context.settingsFolder).filePath(QStringLiteral("param.ini")),
                   context.locale)
    , m_recorder(context.historyPath, context.origin, context.programVersion)
{
    if (!target.device.isEmpty()) {
        m_link.setDevice(target.device);
    } else {
        m_link.setCommPort(target.port);
    }
    m_deadline.setSingleShot(true);
    m_quiet.setSingleShot(true);
    connect(&m_deadline, &QTimer::timeout, this, [this] { finish(State::NoAnswer); });
    connect(&m_quiet, &QTimer::timeout, this, [this] { finish(State::Answered); });
    connect(&m_link, &SerialLink::commEvent, this, [this](int event) {
        if (event == SerialLink::Received) {
            received();
        }
    });
    connect(&m_link, &SerialLink::connectionLost, this, [this] {
        if (m_state == State::Sending) {
            finish(m_answer.isEmpty() ? State::LinkLost : State::Answered);
        }
    });
}

bool PortSend::hasFailed() const
{
    return m_state == State::NoAnswer || m_state == State::PortNotOpened
        || m_state == State::LinkLost;
}

int PortSend::portNumber() const
{
    return m_target.device.isEmpty()
        ? m_target.port
        : PortMap::portNumberOf(m_target.device, m_context.settingsFolder);
}

QList<FieldProblem> PortSend::check(const MonitoringSetup &setup)
{
    return m_programmer.send(setup, DeviceProgrammer::Keeping::Nowhere, true).problems;
}

void PortSend::start(const MonitoringSetup &setup, const QString &setupFile)
{
    if (m_state == State::Sending) {
        return;
    }
    m_sent.clear();
    m_answer.clear();
    m_state = State::Sending;
    emit stateChanged(m_state);
    const DeviceProgrammer::Envoi envoi =
        m_programmer.send(m_ownSetup.value_or(setup), DeviceProgrammer::Keeping::Nowhere);
    if (!envoi.problems.isEmpty()) {
        // Fields are checked for every port at once, before any is sent to: nothing to record.
        m_state = State::Ready;
        emit stateChanged(m_state);
        return;
    }
    m_recorder.recordEnvoi(envoi, m_link, portNumber(), m_ownSetup ? m_ownSetupFile : setupFile,
                           m_target.label);
    if (!envoi.portOpened) {
        finish(State::PortNotOpened);
    } else if (envoi.sent.isEmpty()) {
        finish(State::LinkLost);
    } else {
        m_sent = envoi.sent;
        if (m_context.waitMs > 0) {
            m_deadline.start(m_context.waitMs);
        } else {
            finish(State::Sent);
        }
    }
}

void PortSend::received()
{
    const QByteArray bytes = m_link.input();
    if (m_state != State::Sending || bytes.isEmpty()) {
        return;
    }
    m_recorder.received(bytes);
    m_answer += bytes;
    m_deadline.stop();
    m_quiet.start(std::min(m_context.waitMs, AnswerQuietMs));
}

void PortSend::finish(State state)
{
    m_deadline.stop();
    m_quiet.stop();
    m_link.close();
    m_recorder.endAnswer(state == State::Sent ? SendRecord::Outcome::NotWaited
                                              : SendRecord::Outcome::NoAnswer);
    m_state = state;
    emit stateChanged(m_state);
    emit finished();
}

} // namespace Tensiova
