#include "link/portmap.h"

#include "link/portlisting.h"

namespace Tensiova::PortMap {

QList<PresentPort> presentPorts(const QList<PortListing> &listed)
{
    QList<PresentPort> ports;
    for (const PortListing &port : listed) {
        if (port.number > 0) {
            ports.append({port.number, port.device});
        }
    }
    return ports;
}

QString portLabel(int number, const QString &device)
{
    const QString name = QStringLiteral("COM%1").arg(number);
    return device.compare(name, Qt::CaseInsensitive) == 0
        ? name
        : QStringLiteral("%1 (%2)").arg(name, device);
}

} // namespace Tensiova::PortMap
