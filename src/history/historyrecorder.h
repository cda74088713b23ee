#pragma once

#include "history/historystore.h"
#include "history/sendrecord.h"
#include "link/deviceprogrammer.h"

#include <QObject>
#include <QTimer>

#include <optional>

namespace Tensiova {

class SerialLink;

// What went wrong, or right again, with the history: told once, not at every record.
struct HistoryProblem
{
    enum class Kind {
        CannotWrite, // records are kept and written with the next one
        NewerSchema, // read, never changed: this run's records are not written
        SetAside, // the file was damaged: set aside, a new one started
        WrittenAgain, // the records kept meanwhile are written
        Unsaved, // the program ends with records it could not write
    };
    Kind kind;
    QString path;
    QString detail; // the system's words; where a damaged file went
    int records = 0; // kept, or written again
};

// Records every "Envoi" that got past the field checks as soon as the message has gone out (or
// failed to), then completes it with what the device answered until the next "Envoi", the port's
// closing or AnswerWindowMs. A record that cannot be written is kept and written with the next
// one: "Envoi" never waits on the history.
class HistoryRecorder : public QObject
{
    Q_OBJECT

public:
    static constexpr int AnswerWindowMs = 5000;
    // How soon the first bytes of an answer show in the history, and how often more do.
    static constexpr int AnswerProgressMs = 200;

    HistoryRecorder(const QString &path, SendRecord::Origin origin, const QString &programVersion,
                    QObject *parent = nullptr);

    // What "Envoi" did, once its fields passed the checks. port: the COM number that names the
    // link's device, 0 when none does.
    void recordEnvoi(const DeviceProgrammer::Envoi &envoi, SerialLink &link, int port,
                     const QString &setupFile, const QString &label = {});
    // Bytes from the device, kept while an answer is awaited.
    void received(const QByteArray &bytes);
    // The answer is over (the port closed, the script stops waiting): its record is completed.
    // silent: the outcome when nothing came.
    void endAnswer(SendRecord::Outcome silent = SendRecord::Outcome::NoAnswer);
    // How long a program that ends waits its turn when other programs keep the history busy:
    // past it, the records kept are said unsaved.
    static constexpr int ExitPatienceMs = 30000;

    // Tries again to write what is kept; true when nothing is left. While other programs keep
    // the file busy, tries again for up to busyPatienceMs.
    bool flush(int busyPatienceMs = 0);
    int unsavedCount() const;

    HistoryStore &store() { return m_store; }

signals:
    void problem(const HistoryProblem &problem);
    void written(); // a record was added or completed

private:
    bool write(SendRecord &record);

    HistoryStore m_store;
    SendRecord::Origin m_origin;
    QString m_programVersion;
    QList<SendRecord> m_unsaved; // oldest first: new (id 0), or written without their answer
    std::optional<SendRecord> m_awaiting; // the record whose answer is coming
    QTimer m_answerWindow;
    QTimer m_answerProgress; // the answer so far goes into the record
    bool m_troubleTold = false;
};

} // namespace Tensiova
