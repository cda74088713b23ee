#include "link/portlisting.h"

#include <QSerialPortInfo>
#include <QStringList>

#include <algorithm>

namespace Tensiova {

QString describePort(const QSerialPortInfo &info)
{
    QStringList parts;
    for (const QString &part : {info.manufacturer(), info.description()}) {
        if (!part.isEmpty() && !parts.contains(part)) {
            parts.append(part);
        }
    }
    if (!info.serialNumber().isEmpty()) {
        parts.append(QStringLiteral("n° %1").arg(info.serialNumber()));
    }
    return parts.join(QStringLiteral(", "));
}

void sortByNumber(QList<PortListing> &ports)
{
    // Ports without a number come last, in the system's order.
    std::stable_sort(ports.begin(), ports.end(), [](const PortListing &a, const PortListing &b) {
        return (a.number > 0 ? a.number : 1'000'000) < (b.number > 0 ? b.number : 1'000'000);
    });
}

} // namespace Tensiova
