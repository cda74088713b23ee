#pragma once

#include <QByteArray>
#include <QStringList>

namespace Tensiova {

// A programming message told channel by channel, as the device reads it: for the exchange
// journal, the simulated device's terminal and the demonstration's summary.
QStringList describeProgrammingMessage(const QByteArray &message);

// An answer written on one line: \r, \n and other control characters as escapes.
QString escapedText(const QString &text);

// The bytes in hexadecimal, sixteen to a row.
QStringList hexRows(const QByteArray &bytes);

} // namespace Tensiova
