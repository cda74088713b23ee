#pragma once

#include <QByteArray>
#include <QStringList>

namespace Tensiova {

// A programming message told channel by channel, as the device reads it: for the simulated
// device's terminal and the demonstration's summary.
QStringList describeProgrammingMessage(const QByteArray &message);

// The bytes in hexadecimal, sixteen to a row.
QStringList hexRows(const QByteArray &bytes);

} // namespace Tensiova
