#include "link/fieldcheck.h"

#include "link/programmingmessage.h"
#include "model/actionchoice.h"

namespace Tensiova {

FieldCheck checkField(const MonitoringSetup &setup, Family family, int channel,
                      const QLocale &locale)
{
    if (family == Family::Et) {
        const QString state = setup.text(family, channel);
        return state == QLatin1String("0") || state == QLatin1String("1") ? FieldCheck::Fine
                                                                          : FieldCheck::SentAsZero;
    }
    if (isActionFamily(family)) {
        return setup.action(family, channel) == ActionChoice::NoSelection ? FieldCheck::NoSelection
                                                                          : FieldCheck::Fine;
    }
    return byteValue(setup.text(family, channel), locale) ? FieldCheck::Fine : FieldCheck::NotAByte;
}

int changedFields(const MonitoringSetup &a, const MonitoringSetup &b)
{
    int changed = 0;
    for (const Family family : FamilyOrder) {
        for (int channel = 0; channel < ChannelCount; ++channel) {
            changed += a.fieldText(family, channel) != b.fieldText(family, channel) ? 1 : 0;
        }
    }
    return changed;
}

} // namespace Tensiova
