#include "model/monitoringsetup.h"

namespace Tensiova {

QString rowCaption(Family family, int channel)
{
    switch (family) {
    case Family::Et:
    case Family::LogicAction:
        return QStringLiteral("ET%1").arg(channel + 1);
    default:
        return QStringLiteral("AN%1").arg(channel);
    }
}

QString columnCaption(Family family)
{
    switch (family) {
    case Family::Min:
        return QStringLiteral("Valeur min");
    case Family::Max:
        return QStringLiteral("Valeur max");
    case Family::Coeff:
        return QStringLiteral("Coeff");
    case Family::Et:
        return QStringLiteral("Etat à surveiller");
    case Family::AnalogAction:
    case Family::LogicAction:
        return QStringLiteral("Action");
    }
    return {};
}

QString fieldCaption(Family family, int channel)
{
    return rowCaption(family, channel) + QStringLiteral(" – ") + columnCaption(family);
}

QString gridCaption(Family family)
{
    return isLogicFamily(family) ? QStringLiteral("Paramétrage surveillance voies logiques")
                                 : QStringLiteral("Paramétrage surveillance voies analogiques");
}

QString MonitoringSetup::text(Family family, int channel) const
{
    switch (family) {
    case Family::Min:
        return analog.at(channel).min;
    case Family::Max:
        return analog.at(channel).max;
    case Family::Coeff:
        return analog.at(channel).coeff;
    case Family::Et:
        return logic.at(channel).et;
    default:
        return {};
    }
}

void MonitoringSetup::setText(Family family, int channel, const QString &text)
{
    switch (family) {
    case Family::Min:
        analog.at(channel).min = text;
        break;
    case Family::Max:
        analog.at(channel).max = text;
        break;
    case Family::Coeff:
        analog.at(channel).coeff = text;
        break;
    case Family::Et:
        logic.at(channel).et = text;
        break;
    default:
        break;
    }
}

int MonitoringSetup::action(Family family, int channel) const
{
    return family == Family::AnalogAction ? analog.at(channel).action : logic.at(channel).action;
}

void MonitoringSetup::setAction(Family family, int channel, int index)
{
    (family == Family::AnalogAction ? analog.at(channel).action : logic.at(channel).action) = index;
}

QString MonitoringSetup::fieldText(Family family, int channel) const
{
    return isActionFamily(family) ? QString::number(action(family, channel))
                                  : text(family, channel);
}

bool MonitoringSetup::correctLogicStates()
{
    bool replaced = false;
    for (LogicChannelSetup &channel : logic) {
        if (channel.et != QLatin1String("0") && channel.et != QLatin1String("1")) {
            channel.et = QStringLiteral("0");
            replaced = true;
        }
    }
    return replaced;
}

} // namespace Tensiova
