#pragma once

#include "model/monitoringsetup.h"

#include <QLocale>

namespace Tensiova {

// What "Envoi" would make of one field, told before it is pressed: by the same rule and code.
enum class FieldCheck {
    Fine,
    NotAByte, // a threshold or coefficient that gives no whole number from 0 to 255
    NoSelection, // an action list with no entry selected
    SentAsZero, // a logic state other than "0" or "1": "Envoi" will send 0
};

FieldCheck checkField(const MonitoringSetup &setup, Family family, int channel,
                      const QLocale &locale);

// How many of the 48 fields differ between two setups.
int changedFields(const MonitoringSetup &a, const MonitoringSetup &b);

} // namespace Tensiova
