#pragma once

#include "link/portlisting.h"
#include "model/monitoringsetup.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>

#include <optional>

namespace Tensiova {

// One "Envoi" as the station remembers it: when, from where, through which port, the 52 bytes as
// sent and what the device answered. The values are always read back from the bytes.
struct SendRecord
{
    enum class Origin { Window, Script };
    enum class Outcome { Answered, NoAnswer, NotWaited, PortNotOpened, LinkLost };
    // What is kept of an answer; the device's texts are a few bytes.
    static constexpr qsizetype AnswerCapacity = 4096;

    qint64 id = 0; // 0 until written
    QDateTime sentAt; // UTC, to the millisecond
    int utcOffsetSeconds = 0; // of the station's clock then
    Origin origin = Origin::Window;
    QString programVersion;
    QString account;
    QString computer;
    int port = 0; // COM number, 0 when none names the device
    QString device;
    PortAdapter adapter;
    QString setupFile;
    QByteArray message;
    Outcome outcome = Outcome::NoAnswer;
    QString reason; // why the port could not be opened, in the system's words
    QByteArray answer; // the first AnswerCapacity bytes
    QString answerText; // as the answers box shows it
    QString label; // the technician's "repère": site, cabinet, device number
    QDateTime labelChangedAt; // UTC; invalid while never changed

    // The local time of the station when it was sent.
    QDateTime localTime() const { return sentAt.toOffsetFromUtc(utcOffsetSeconds); }
    // "COM3", or the device itself when no number names it.
    QString portName() const;
    std::optional<MonitoringSetup> values() const;
    // Keeps the bytes up to the capacity, and their text.
    void appendAnswer(const QByteArray &bytes);

    // Everything a search may find, lower-cased: the date as shown, port, adapter, file,
    // outcome, answer and repère.
    QString searchText() const;

    friend bool operator==(const SendRecord &, const SendRecord &) = default;
};

// The stored names of origins and outcomes, which scripts read too ("answered", "no answer"…).
QString originKey(SendRecord::Origin origin);
std::optional<SendRecord::Origin> originFromKey(const QString &key);
QString outcomeKey(SendRecord::Outcome outcome);
std::optional<SendRecord::Outcome> outcomeFromKey(const QString &key);

// In French, as the history shows them: "fenêtre", "répondu", "port non ouvert"…
QString originWord(SendRecord::Origin origin);
QString outcomeWord(SendRecord::Outcome outcome);
// "07/12/2026 15:30:12", the station's local time.
QString shownDate(const SendRecord &record);
// The adapter in one line: "FTDI, FT232R, n° A1".
QString adapterText(const PortAdapter &adapter);
// "COM3 (/dev/ttyUSB0)", or the device alone when no number names it.
QString portAndDevice(const SendRecord &record);
// "COM3 (/dev/ttyUSB0) — FTDI, FT232R, n° A1"
QString shownPort(const SendRecord &record);
// "répondu : « OK\r\n »", "port non ouvert : Permission denied"
QString shownOutcome(const SendRecord &record);

} // namespace Tensiova
