#pragma once

#include "model/monitoringsetup.h"

#include <QByteArray>
#include <QList>
#include <QLocale>
#include <QString>

#include <array>
#include <optional>

namespace Tensiova {

// The decimal texts the message body is built from: entry 4c..4c+3 analogue channel c (min,
// max, coeff, action), entry 32+2c and 33+2c logic channel c (state, action); entries 48 to 255
// are never filled and only entries 0 to 50 are sent.
class ProgrammingTable
{
public:
    static constexpr int Size = 256;
    static constexpr int LastSent = 50;

    void reset();
    void fill(const MonitoringSetup &setup);
    QString entry(int index) const { return m_entries.at(index); }

    // The field an entry was filled from; empty for the entries that are never filled.
    static std::optional<std::pair<Family, int>> fieldOf(int index);
    // The entry a field fills.
    static int entryOf(Family family, int channel);

private:
    std::array<QString, Size> m_entries;
};

// A field whose text does not give a byte the device can take.
struct FieldProblem
{
    Family family;
    int channel;
    QString text;
    friend bool operator==(const FieldProblem &, const FieldProblem &) = default;
};

struct ProgrammingMessage
{
    static constexpr int Length = 52;
    QByteArray bytes; // "n" and the 51-byte body, when every entry gives a byte
    QList<FieldProblem> problems; // every field that does not

    bool isValid() const { return problems.isEmpty(); }
    static ProgrammingMessage build(const ProgrammingTable &table, const QLocale &locale);
};

// The values a programming message carries, as the device reads them: a text field the decimal
// number of its byte, an action its byte. Nothing for bytes of another shape.
std::optional<MonitoringSetup> readProgrammingMessage(const QByteArray &message);

// The set-up as the device would receive it: logic states corrected, each text field that gives a
// byte written as that byte's decimal number ("2,6" becomes "3"), the others as they stand.
MonitoringSetup asReceived(MonitoringSetup setup, const QLocale &locale);

// The whole number 0-255 a text stands for, read in the user's format and rounded half to even.
std::optional<quint8> byteValue(const QString &text, const QLocale &locale);

} // namespace Tensiova
