#pragma once

#include "history/historyrecorder.h"
#include "link/deviceprogrammer.h"
#include "link/seriallink.h"

#include <QObject>
#include <QTimer>

#include <optional>

namespace Tensiova {

// Where the ports' "Envoi" are made and kept: the same for every port of one sending.
struct SendContext
{
    QString settingsFolder; // of param.ini (read, never written) and the COMn links
    QString historyPath;
    SendRecord::Origin origin = SendRecord::Origin::Script;
    QString programVersion;
    QLocale locale;
    int waitMs = 2000; // for the answer after the message; 0: not waited for
};

// One port's "Envoi" among several sent at once: a link of its own, its own record in the
// history, its own outcome; nothing it meets holds the others back, and nothing waits.
class PortSend : public QObject
{
    Q_OBJECT

public:
    // Once the answer has begun, a quiet line this long ends it.
    static constexpr int AnswerQuietMs = 100;

    enum class State {
        Ready,
        Sending, // the message is out; the answer is awaited
        Answered,
        Sent, // not waited for
        NoAnswer,
        PortNotOpened, // openFailure() says why
        LinkLost, // the device went away before it answered
    };

    // The port a COM number names, or a device named directly.
    struct Target
    {
        qint16 port = 0;
        QString device;
        QString label; // the repère of its record

        // The same port: the same number, or the same device however named.
        bool isSamePort(const Target &other) const;
    };

    PortSend(const Target &target, const SendContext &context, PortWatch &watch,
             QObject *parent = nullptr);

    // The fields "Envoi" would refuse; nothing is sent.
    QList<FieldProblem> check(const MonitoringSetup &setup);
    // Sends the settings (their fields already checked) and awaits the answer; finished()
    // follows, at once when the port does not open. Again after a failure: a new record.
    // setupFile: where the settings came from, for the record.
    // Sends the set-up (its own, when it has one) and records it as coming from setupFile.
    void start(const MonitoringSetup &setup, const QString &setupFile);

    const Target &target() const { return m_target; }
    void setLabel(const QString &label) { m_target.label = label; }
    // Its own set-up (the library's version its repère is given) and where it came from, sent
    // in place of the one every port is sent; none: that one.
    void setOwnSetup(const std::optional<MonitoringSetup> &setup, const QString &setupFile)
    {
        m_ownSetup = setup;
        m_ownSetupFile = setupFile;
    }
    const std::optional<MonitoringSetup> &ownSetup() const { return m_ownSetup; }
    State state() const { return m_state; }
    bool isOver() const { return m_state != State::Ready && m_state != State::Sending; }
    bool hasFailed() const;
    // The COM number that names the device, 0 when none does.
    int portNumber() const;
    QString deviceName() const { return m_link.deviceName(); }
    const QByteArray &sent() const { return m_sent; }
    const QByteArray &answer() const { return m_answer; }
    const PortOpenFailure &openFailure() const { return m_link.openFailure(); }
    HistoryRecorder &recorder() { return m_recorder; }

signals:
    void stateChanged(PortSend::State state);
    void finished();

private:
    void received();
    void finish(State state);

    Target m_target;
    std::optional<MonitoringSetup> m_ownSetup;
    QString m_ownSetupFile;
    SendContext m_context;
    SerialLink m_link;
    DeviceProgrammer m_programmer;
    HistoryRecorder m_recorder;
    QTimer m_deadline;
    QTimer m_quiet;
    State m_state = State::Ready;
    QByteArray m_sent;
    QByteArray m_answer;
};

} // namespace Tensiova
