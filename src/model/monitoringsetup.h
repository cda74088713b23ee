#pragma once

#include <QString>

#include <array>

namespace Tensiova {

inline constexpr int ChannelCount = 8;

// One family per control array; every walk over the whole setup goes family by family in
// FamilyOrder, each over channels 0 to 7. The enumerators stand in that order, so tables of
// names can be indexed by them.
enum class Family { Min, Max, Coeff, Et, AnalogAction, LogicAction };

inline constexpr std::array<Family, 6> FamilyOrder {
    Family::Min, Family::Max, Family::Coeff, Family::Et, Family::AnalogAction, Family::LogicAction};

constexpr bool isActionFamily(Family family)
{
    return family == Family::AnalogAction || family == Family::LogicAction;
}

// The fields of the logic channels: the state to watch and its action.
constexpr bool isLogicFamily(Family family)
{
    return family == Family::Et || family == Family::LogicAction;
}

// "AN0".."AN7" for analogue rows, "ET1".."ET8" for logic rows (logic channel 0 is "ET1").
QString rowCaption(Family family, int channel);
// The column heading of the family's field: "Valeur min", "Etat à surveiller", "Action", ...
QString columnCaption(Family family);
// "AN3 – Valeur max": how a field is named to the user.
QString fieldCaption(Family family, int channel);

// The fields of a channel in the order the device reads them, which is also the order of the
// columns of its grid.
inline constexpr std::array<Family, 4> AnalogFields {Family::Min, Family::Max, Family::Coeff,
                                                     Family::AnalogAction};
inline constexpr std::array<Family, 2> LogicFields {Family::Et, Family::LogicAction};
// "Paramétrage surveillance voies analogiques", or "… logiques": the grid of a family's fields.
QString gridCaption(Family family);

struct AnalogChannelSetup
{
    QString min;
    QString max;
    QString coeff;
    int action = 0;
    friend bool operator==(const AnalogChannelSetup &, const AnalogChannelSetup &) = default;
};

struct LogicChannelSetup
{
    QString et;
    int action = 0;
    friend bool operator==(const LogicChannelSetup &, const LogicChannelSetup &) = default;
};

// Everything the user sets: the texts exactly as typed, the actions as list indexes (-1: none).
struct MonitoringSetup
{
    std::array<AnalogChannelSetup, ChannelCount> analog;
    std::array<LogicChannelSetup, ChannelCount> logic;

    // Text of a text field (Min, Max, Coeff, Et).
    QString text(Family family, int channel) const;
    void setText(Family family, int channel, const QString &text);
    // Index of an action list (AnalogAction, LogicAction).
    int action(Family family, int channel) const;
    void setAction(Family family, int channel, int index);

    // The field as stored in a file and in the message table: a text as it stands, an action
    // as its index in decimal ("-1" when nothing is selected).
    QString fieldText(Family family, int channel) const;

    // The device knows only the states "0" and "1": any other text becomes "0".
    // Returns whether anything was replaced.
    bool correctLogicStates();

    friend bool operator==(const MonitoringSetup &, const MonitoringSetup &) = default;
};

} // namespace Tensiova
