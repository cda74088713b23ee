#include "app/sentences/clocktext.h"

namespace Tensiova {

QString clockText(const QDateTime &moment, const QLocale &locale)
{
    // The long time format has the seconds, and also the time zone, which the clock leaves out.
    QString timeFormat = locale.timeFormat(QLocale::LongFormat);
    timeFormat.remove(QLatin1Char('t'));
    return locale.toString(moment.date(), QLocale::ShortFormat) + QLatin1Char(' ')
        + locale.toString(moment.time(), timeFormat.trimmed());
}

} // namespace Tensiova
