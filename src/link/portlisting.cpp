#include "link/portlisting.h"

#include "link/portmap.h"

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

QString PortListing::description() const
{
    return describePort(adapter.maker, adapter.product, adapter.serialNumber);
}

PortAdapter adapterOf(const QSerialPortInfo &info)
{
    return {info.manufacturer(), info.description(), info.serialNumber()};
}

PortAdapter adapterOf(const QString &device, const QList<PortListing> &listed)
{
    const auto port = std::find_if(listed.begin(), listed.end(), [&](const PortListing &port) {
        return PortMap::sameDevice(port.device, device);
    });
    return port != listed.end() ? port->adapter : PortAdapter {};
}

void sortByNumber(QList<PortListing> &ports)
{
    // Ports without a number come last, in the system's order.
    std::stable_sort(ports.begin(), ports.end(), [](const PortListing &a, const PortListing &b) {
        return (a.number > 0 ? a.number : 1'000'000) < (b.number > 0 ? b.number : 1'000'000);
    });
}

} // namespace Tensiova
