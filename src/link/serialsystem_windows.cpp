// Serial ports on Windows: port n is the system's COMn, any number, and the system lists the
// ports present with its own description of each.
#include "link/portlisting.h"
#include "link/portmap.h"
#include "link/seriallink.h"

#include <QSerialPortInfo>

namespace Tensiova {

namespace PortMap {

QString devicePath(int port, const QString &)
{
    return port >= 1 ? QStringLiteral("COM%1").arg(port) : QString();
}

int portNumberOf(const QString &device, const QString &)
{
    // "COM7", or the device namespace's "\\.\COM7".
    QString name = device;
    if (name.startsWith(QLatin1String("\\\\.\\"))) {
        name = name.mid(4);
    }
    bool isNumber = false;
    const int port = name.startsWith(QLatin1String("COM"), Qt::CaseInsensitive)
        ? name.mid(3).toInt(&isNumber)
        : 0;
    return isNumber && port >= 1 && port <= 32767 ? port : 0;
}

bool sameDevice(const QString &a, const QString &b)
{
    const int port = portNumberOf(a, {});
    return port > 0 ? port == portNumberOf(b, {}) : a.compare(b, Qt::CaseInsensitive) == 0;
}

} // namespace PortMap

QList<PortListing> listPorts(const QString &settingsFolder)
{
    QList<PortListing> ports;
    for (const QSerialPortInfo &info : QSerialPortInfo::availablePorts()) {
        // Whether another program holds a port shows only when it is opened.
        ports.append({PortMap::portNumberOf(info.portName(), settingsFolder), info.portName(),
                      adapterOf(info), false, true});
    }
    sortByNumber(ports);
    return ports;
}

void SerialLink::waitUntilTransmitted(const QDeadlineTimer &)
{
    // A write on Windows completes once the driver has taken the bytes: nothing more to wait for.
}

} // namespace Tensiova
