#include "link/portanswer.h"

#include "conversions/numberconversion.h"

namespace Tensiova {

PortAnswer PortAnswer::parse(const QString &answer, const QLocale &locale)
{
    const std::optional<double> number = RegionalNumber(answer, locale);
    if (!number) {
        return {std::nullopt, Problem::NotANumber};
    }
    const std::optional<qint16> port = RoundToInt16(*number);
    if (!port || *port < 1) {
        return {std::nullopt, Problem::OutOfRange};
    }
    return {port, Problem::None};
}

} // namespace Tensiova
