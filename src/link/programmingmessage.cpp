#include "link/programmingmessage.h"

#include "conversions/numberconversion.h"

#include "model/actionchoice.h"
#include <algorithm>

namespace Tensiova {

namespace {

constexpr int AnalogFieldsPerChannel = int(AnalogFields.size());
constexpr int LogicFieldsPerChannel = int(LogicFields.size());
constexpr int LogicStart = ChannelCount * AnalogFieldsPerChannel;
constexpr int FilledEnd = LogicStart + ChannelCount * LogicFieldsPerChannel;

} // namespace

void ProgrammingTable::reset()
{
    m_entries.fill(QStringLiteral("0"));
}

void ProgrammingTable::fill(const MonitoringSetup &setup)
{
    for (int index = 0; index < FilledEnd; ++index) {
        const auto [family, channel] = *fieldOf(index);
        m_entries[index] = setup.fieldText(family, channel);
    }
}

std::optional<std::pair<Family, int>> ProgrammingTable::fieldOf(int index)
{
    if (index >= 0 && index < LogicStart) {
        return std::pair {AnalogFields[index % AnalogFieldsPerChannel],
                          index / AnalogFieldsPerChannel};
    }
    if (index >= LogicStart && index < FilledEnd) {
        const int offset = index - LogicStart;
        return std::pair {LogicFields[offset % LogicFieldsPerChannel],
                          offset / LogicFieldsPerChannel};
    }
    return std::nullopt;
}

int ProgrammingTable::entryOf(Family family, int channel)
{
    const auto position = [](const auto &fields, Family wanted) {
        return int(std::find(fields.begin(), fields.end(), wanted) - fields.begin());
    };
    if (isLogicFamily(family)) {
        return LogicStart + channel * LogicFieldsPerChannel + position(LogicFields, family);
    }
    return channel * AnalogFieldsPerChannel + position(AnalogFields, family);
}

std::optional<quint8> byteValue(const QString &text, const QLocale &locale)
{
    const std::optional<double> number = RegionalNumber(text, locale);
    if (!number) {
        return std::nullopt;
    }
    const double rounded = roundHalfToEven(*number);
    if (rounded < 0.0 || rounded > 255.0) {
        return std::nullopt;
    }
    return quint8(rounded);
}

std::optional<MonitoringSetup> readProgrammingMessage(const QByteArray &message)
{
    if (message.size() != ProgrammingMessage::Length || message.front() != 'n') {
        return std::nullopt;
    }
    MonitoringSetup setup;
    for (int index = 0; index < FilledEnd; ++index) {
        const auto [family, channel] = *ProgrammingTable::fieldOf(index);
        const int value = quint8(message.at(index + 1));
        if (isActionFamily(family)) {
            setup.setAction(family, channel, value);
        } else {
            setup.setText(family, channel, QString::number(value));
        }
    }
    return setup;
}

MonitoringSetup asReceived(MonitoringSetup setup, const QLocale &locale)
{
    setup.correctLogicStates();
    for (const Family family : FamilyOrder) {
        for (int channel = 0; channel < ChannelCount && !isActionFamily(family); ++channel) {
            if (const auto value = byteValue(setup.text(family, channel), locale)) {
                setup.setText(family, channel, QString::number(*value));
            }
        }
    }
    return setup;
}

ProgrammingMessage ProgrammingMessage::build(const ProgrammingTable &table, const QLocale &locale)
{
    ProgrammingMessage message;
    message.bytes.reserve(Length);
    message.bytes.append('n');
    for (int index = 0; index <= ProgrammingTable::LastSent; ++index) {
        const QString text = table.entry(index);
        if (const auto value = byteValue(text, locale)) {
            message.bytes.append(char(*value));
        } else if (const auto field = ProgrammingTable::fieldOf(index)) {
            message.problems.append({field->first, field->second, text});
        }
    }
    if (!message.isValid()) {
        message.bytes.clear();
    }
    return message;
}

} // namespace Tensiova
