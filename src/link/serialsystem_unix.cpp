// Serial ports on Linux: COM numbers given by COMn links in the settings folder or by the fixed
// table of device names, the ports present, and the line's own output queue.
#include "link/portlisting.h"
#include "link/portmap.h"
#include "link/seriallink.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSerialPortInfo>
#include <QThread>

#include <algorithm>
#include <iterator>

#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

namespace Tensiova {

namespace PortMap {

namespace {

constexpr int PortsPerKind = 32;
const char *const DeviceKinds[] = {"/dev/ttyS", "/dev/ttyUSB", "/dev/ttyACM"};
constexpr int TablePorts = PortsPerKind * int(std::size(DeviceKinds));

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

bool mayOpen(const QString &device)
{
    return ::access(QFile::encodeName(device).constData(), R_OK | W_OK) == 0;
}

} // namespace

QString devicePath(int port, const QString &settingsFolder)
{
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
    int firstPort = 1; // of each kind of device in the table
    for (const char *kind : DeviceKinds) {
        const QString prefix = QString::fromLatin1(kind);
        bool isNumber = false;
        const int index =
            target.startsWith(prefix) ? target.mid(prefix.size()).toInt(&isNumber) : -1;
        if (isNumber && index >= 0 && index < PortsPerKind) {
            // A COMn link takes its number away from the table's device.
            const int port = firstPort + index;
            return linkExists(linkPath(port, settingsFolder)) ? 0 : port;
        }
        firstPort += PortsPerKind;
    }
    return 0;
}

bool sameDevice(const QString &a, const QString &b)
{
    return canonical(a) == canonical(b);
}

} // namespace PortMap

using namespace PortMap;

QList<PortListing> listPorts(const QString &settingsFolder)
{
    QList<PortListing> ports;
    const auto add = [&](const QString &device, const PortAdapter &adapter, bool viaLink) {
        const QString target = QFileInfo(device).canonicalFilePath();
        const bool known = std::any_of(ports.begin(), ports.end(), [&](const PortListing &port) {
            return port.device == target;
        });
        if (!target.isEmpty() && !known) {
            ports.append(
                {portNumberOf(device, settingsFolder), target, adapter, viaLink, mayOpen(target)});
        }
    };
    // A COMn link names its port first: it replaces the table's device for that number.
    const QDir folder(settingsFolder);
    for (const QString &link :
         folder.entryList({QStringLiteral("COM*")}, QDir::Files | QDir::System)) {
        add(folder.filePath(link), {}, true);
    }
    for (const QSerialPortInfo &info : QSerialPortInfo::availablePorts()) {
        add(info.systemLocation(), adapterOf(info), false);
    }
    sortByNumber(ports);
    return ports;
}

void SerialLink::waitUntilTransmitted(const QDeadlineTimer &deadline)
{
    // The system still holds what the port handed it: wait until it is on the line.
    int pending = 0;
    while (m_port.isOpen() && ::ioctl(int(m_port.handle()), TIOCOUTQ, &pending) == 0 && pending > 0
           && !deadline.hasExpired()) {
        QThread::msleep(5);
    }
}

} // namespace Tensiova
