#include "model/actionchoice.h"

namespace Tensiova::ActionChoice {

const QStringList &texts()
{
    static const QStringList entries {QStringLiteral("aucune"), QStringLiteral("relais"),
                                      QStringLiteral("buzzer"), QStringLiteral("relais + buzzer")};
    return entries;
}

} // namespace Tensiova::ActionChoice
