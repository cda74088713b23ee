#include "link/portlisting.h"

#include <QSerialPortInfo>
#include <QStringList>

#include <algorithm>

namespace Tensiova {

QString describePort(const QString &manufacturer, const QString &product,
                     const QString &serialNumber)
{
    QStringList parts;
    for (const QString &part : {manufacturer, product}) {
        if (!part.isEmpty() && !parts.contains(part)) {
            parts.append(part);
        }
    }
    if (!serialNumber.isEmpty()) {
        parts.append(QStringLiteral("n° %1").arg(serialNumber));
    }
    return parts.join(QStringLiteral(", "));
}

QString describePort(const QSerialPortInfo &info)
{
    return describePort(info.manufacturer(), info.description(), info.serialNumber());
}

void sortByNumber(QList<PortListing> &ports)
{
    // Ports without a number come last, in the system's order.
    std::stable_sort(ports.begin(), ports.end(), [](const PortListing &a, const PortListing &b) {
        return (a.number > 0 ? a.number : 1'000'000) < (b.number > 0 ? b.number : 1'000'000);
    });
}

} // namespace Tensiova
