#include "link/portmap.h"

#include "link/portlisting.h"

#include <QDir>
#include <QFileInfo>

namespace Tensiova::PortMap {

namespace {

constexpr int PortsPerKind = 32;
const char *const DeviceKinds[] = {"/dev/ttyS", "/dev/ttyUSB", "/dev/ttyACM"};
constexpr int TablePorts = PortsPerKind * 3;

QString linkPath(int port, const QString &settingsFolder)
{
    return QDir(settingsFolder).filePath(QStringLiteral("COM%1").arg(port));
}

bool linkExists(const QString &path)
{
    const QFileInfo info(path);
    return info.exists() || info.isSymLink();
}

QString canonical(const QString &device)
{
    const QString resolved = QFileInfo(device).canonicalFilePath();
    return resolved.isEmpty() ? device : resolved;
}

} // namespace

QString devicePath(int port, const QString &settingsFolder)
{
#ifdef Q_OS_WIN
    Q_UNUSED(settingsFolder);
    return port >= 1 ? QStringLiteral("COM%1").arg(port) : QString();
#else
    if (port < 1) {
        return {};
    }
    const QString link = linkPath(port, settingsFolder);
    if (linkExists(link)) {
        return link;
    }
    if (port > TablePorts) {
        return {};
    }
    return QString::fromLatin1(DeviceKinds[(port - 1) / PortsPerKind])
        + QString::number((port - 1) % PortsPerKind);
#endif
}

int portNumberOf(const QString &device, const QString &settingsFolder)
{
    // Read from the names, not by resolving all 96 numbers: a refused "Envoi" lists the ports
    // present, and must not keep the window waiting.
    const QString target = canonical(device);
    int linked = 0;
    const QDir folder(settingsFolder);
    for (const QString &name :
         folder.entryList({QStringLiteral("COM*")}, QDir::Files | QDir::System)) {
        bool isNumber = false;
        const int port = name.mid(3).toInt(&isNumber);
        if (isNumber && port >= 1 && port <= TablePorts && (linked == 0 || port < linked)
            && canonical(folder.filePath(name)) == target) {
            linked = port;
        }
    }
    if (linked > 0) {
        return linked;
    }
    for (int kind = 0; kind < 3; ++kind) {
        const QString prefix = QString::fromLatin1(DeviceKinds[kind]);
        bool isNumber = false;
        const int index =
            target.startsWith(prefix) ? target.mid(prefix.size()).toInt(&isNumber) : -1;
        if (isNumber && index >= 0 && index < PortsPerKind) {
            // A COMn link takes its number away from the table's device.
            const int port = kind * PortsPerKind + index + 1;
            return linkExists(linkPath(port, settingsFolder)) ? 0 : port;
        }
    }
    return 0;
}

QList<PresentPort> presentPorts(const QString &settingsFolder)
{
    // The port box's listing, less what has no COM number.
    QList<PresentPort> ports;
    for (const PortListing &port : listPorts(settingsFolder)) {
        if (port.number > 0) {
            ports.append({port.number, port.device});
        }
    }
    return ports;
}

} // namespace Tensiova::PortMap
