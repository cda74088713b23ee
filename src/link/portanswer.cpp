#include "portanswer.h"

#include "numberconversion.h"

namespace Tensiova {

PortAnswer PortAnswer::parse(const QString &answer, const QLocale &locale)
{
    const std::optional<double> number = RegionalNumber(answer, locale);
    if (!number) {
        return {std::nullopt, QStringLiteral("« %1 » n'est pas un numéro de port.").arg(answer)};
    }
    const std::optional<qint16> port = RoundToInt16(*number);
    if (!port || *port < 1) {
        return {std::nullopt,
                QStringLiteral("« %1 » ne peut pas être un numéro de port : il faut un nombre "
                               "entier de 1 à 32767.")
                    .arg(answer)};
    }
    return {port, {}};
}

} // namespace Tensiova
