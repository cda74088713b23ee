#pragma once

#include <QDateTime>
#include <QLocale>
#include <QString>

namespace Tensiova {

// The clock's text in the user's regional form: the date, a blank, the time with seconds.
QString clockText(const QDateTime &moment, const QLocale &locale);

} // namespace Tensiova
