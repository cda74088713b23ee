#include "history/historyrecorder.h"

#include "link/seriallink.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QSysInfo>
#include <QThread>

namespace Tensiova {

namespace {

QString account()
{
    for (const char *name : {"USER", "LOGNAME", "USERNAME"}) {
        if (const QString user = qEnvironmentVariable(name); !user.isEmpty()) {
            return user;
        }
    }
    return QDir::home().dirName();
}

} // namespace

HistoryRecorder::HistoryRecorder(const QString &path, SendRecord::Origin origin,
                                 const QString &programVersion, QObject *parent)
    : QObject(parent)
    , m_store(path)
    , m_origin(origin)
    , m_programVersion(programVersion)
{
    m_answerWindow.setSingleShot(true);
    m_answerWindow.setInterval(AnswerWindowMs);
    connect(&m_answerWindow, &QTimer::timeout, this, [this] { endAnswer(); });
    m_answerProgress.setSingleShot(true);
    m_answerProgress.setInterval(AnswerProgressMs);
    connect(&m_answerProgress, &QTimer::timeout, this, [this] {
        SendRecord record = *m_awaiting;
        record.outcome = SendRecord::Outcome::Answered;
        if (m_store.updateAnswer(record)) {
            emit written();
        }
    });
}

void HistoryRecorder::recordEnvoi(const DeviceProgrammer::Envoi &envoi, SerialLink &link, int port,
                                  const QString &setupFile, const QString &label)
{
    endAnswer();
    SendRecord record;
    record.sentAt = QDateTime::currentDateTimeUtc();
    record.utcOffsetSeconds = record.sentAt.toLocalTime().offsetFromUtc();
    record.origin = m_origin;
    record.programVersion = m_programVersion;
    record.account = account();
    record.computer = QSysInfo::machineHostName();
    record.port = port;
    record.device = link.deviceName();
    record.adapter = adapterOf(record.device, link.portWatch().latest());
    record.setupFile = setupFile;
    record.message = envoi.message;
    record.label = label;
    if (!envoi.portOpened) {
        record.outcome = SendRecord::Outcome::PortNotOpened;
        record.reason = link.openFailure().reason;
    } else if (envoi.sent.isEmpty()) {
        record.outcome = SendRecord::Outcome::LinkLost;
    }
    const bool written = write(record);
    if (envoi.portOpened && !envoi.sent.isEmpty()) {
        m_awaiting = record;
        m_answerWindow.start();
    } else if (!written) {
        m_unsaved.append(record);
    }
}

void HistoryRecorder::received(const QByteArray &bytes)
{
    if (!m_awaiting) {
        return;
    }
    const qsizetype before = m_awaiting->answer.size();
    m_awaiting->appendAnswer(bytes);
    // Only a record already written, and only while the answer grows: a device that streams
    // fills the record's share in a second or two and costs nothing after.
    if (m_awaiting->id > 0 && m_awaiting->answer.size() > before && !m_answerProgress.isActive()) {
        m_answerProgress.start();
    }
}

void HistoryRecorder::endAnswer(SendRecord::Outcome silent)
{
    m_answerWindow.stop();
    m_answerProgress.stop();
    if (!m_awaiting) {
        return;
    }
    SendRecord record = *std::exchange(m_awaiting, std::nullopt);
    record.outcome = record.answer.isEmpty() ? silent : SendRecord::Outcome::Answered;
    if (!write(record)) {
        m_unsaved.append(record);
    }
}

bool HistoryRecorder::flush(int busyPatienceMs)
{
    const QDeadlineTimer patience(busyPatienceMs);
    while (!m_unsaved.isEmpty()) {
        SendRecord &record = m_unsaved.front();
        const bool written = record.id == 0 ? m_store.append(record) : m_store.updateAnswer(record);
        if (!written) {
            if (!m_store.isBusy() || patience.hasExpired()) {
                return false;
            }
            QThread::msleep(20); // a lock SQLite does not wait for must not be asked for at once
            continue;
        }
        m_unsaved.removeFirst();
    }
    return true;
}

bool HistoryRecorder::write(SendRecord &record)
{
    // The records kept go first, in the order they were sent.
    const int kept = int(m_unsaved.size());
    const bool written =
        flush() && (record.id == 0 ? m_store.append(record) : m_store.updateAnswer(record));
    if (const QString aside = m_store.takeSetAsidePath(); !aside.isEmpty()) {
        emit problem({HistoryProblem::Kind::SetAside, m_store.path(), aside});
    }
    if (!written && !m_troubleTold) {
        m_troubleTold = true;
        emit problem({m_store.isNewer() ? HistoryProblem::Kind::NewerSchema
                                        : HistoryProblem::Kind::CannotWrite,
                      m_store.path(), m_store.error()});
    } else if (written && m_troubleTold) {
        m_troubleTold = false;
        emit problem({HistoryProblem::Kind::WrittenAgain, m_store.path(), {}, kept + 1});
    }
    if (written || kept > int(m_unsaved.size())) {
        emit this->written();
    }
    return written;
}

int HistoryRecorder::unsavedCount() const
{
    return int(m_unsaved.size()) + (m_awaiting && m_awaiting->id == 0 ? 1 : 0);
}

} // namespace Tensiova
