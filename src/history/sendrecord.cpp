#include "history/sendrecord.h"

#include "conversions/windows1252.h"
#include "link/messagedescription.h"
#include "link/portmap.h"
#include "link/programmingmessage.h"

#include <array>
#include <utility>

namespace Tensiova {

namespace {

using Origin = SendRecord::Origin;
using Outcome = SendRecord::Outcome;

// key, French word
constexpr std::array<std::pair<Origin, std::pair<const char *, const char *>>, 2> Origins {{
    {Origin::Window, {"window", "fenêtre"}},
    {Origin::Script, {"script", "script"}},
}};
constexpr std::array<std::pair<Outcome, std::pair<const char *, const char *>>, 5> Outcomes {{
    {Outcome::Answered, {"answered", "répondu"}},
    {Outcome::NoAnswer, {"no answer", "pas de réponse"}},
    {Outcome::NotWaited, {"sent", "envoyé sans attendre de réponse"}},
    {Outcome::PortNotOpened, {"port not opened", "port non ouvert"}},
    {Outcome::LinkLost, {"link lost", "appareil perdu pendant l'envoi"}},
}};

template<typename Table, typename Value>
QString nameOf(const Table &table, Value value, bool french)
{
    for (const auto &[entry, names] : table) {
        if (entry == value) {
            return QString::fromUtf8(french ? names.second : names.first);
        }
    }
    return {};
}

template<typename Value, typename Table>
std::optional<Value> valueOf(const Table &table, const QString &key)
{
    for (const auto &[entry, names] : table) {
        if (key == QLatin1String(names.first)) {
            return entry;
        }
    }
    return std::nullopt;
}

} // namespace

QString SendRecord::portName() const
{
    return port > 0 ? QStringLiteral("COM%1").arg(port) : device;
}

std::optional<MonitoringSetup> SendRecord::values() const
{
    return readProgrammingMessage(message);
}

void SendRecord::appendAnswer(const QByteArray &bytes)
{
    const QByteArray kept = bytes.left(AnswerCapacity - answer.size());
    answer += kept;
    answerText += Windows1252::decode(kept);
}

QString SendRecord::searchText() const
{
    // Each column as the history shows it, and the device beside the port.
    return QStringList {shownDate(*this), shownPort(*this),    device,
                        setupFile,        shownOutcome(*this), label}
        .join(QLatin1Char('\n'))
        .toLower();
}

QString originKey(Origin origin)
{
    return nameOf(Origins, origin, false);
}

std::optional<Origin> originFromKey(const QString &key)
{
    return valueOf<Origin>(Origins, key);
}

QString outcomeKey(Outcome outcome)
{
    return nameOf(Outcomes, outcome, false);
}

std::optional<Outcome> outcomeFromKey(const QString &key)
{
    return valueOf<Outcome>(Outcomes, key);
}

QString originWord(Origin origin)
{
    return nameOf(Origins, origin, true);
}

QString outcomeWord(Outcome outcome)
{
    return nameOf(Outcomes, outcome, true);
}

QString shownDate(const SendRecord &record)
{
    return record.localTime().toString(QStringLiteral("dd/MM/yyyy HH:mm:ss"));
}

QString adapterText(const PortAdapter &adapter)
{
    return describePort(adapter.maker, adapter.product, adapter.serialNumber);
}

QString portAndDevice(const SendRecord &record)
{
    return record.port > 0 ? PortMap::portLabel(record.port, record.device) : record.device;
}

QString shownPort(const SendRecord &record)
{
    QString text = portAndDevice(record);
    if (const QString adapter = adapterText(record.adapter); !adapter.isEmpty()) {
        text += QStringLiteral(" — ") + adapter;
    }
    return text;
}

QString shownOutcome(const SendRecord &record)
{
    if (!record.answer.isEmpty()) {
        return QStringLiteral("%1 : « %2 »")
            .arg(outcomeWord(record.outcome), escapedText(record.answerText));
    }
    return record.reason.isEmpty()
        ? outcomeWord(record.outcome)
        : QStringLiteral("%1 : %2").arg(outcomeWord(record.outcome), record.reason);
}

} // namespace Tensiova
