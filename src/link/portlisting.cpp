#include "link/portlisting.h"

#include "link/portmap.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSerialPortInfo>
#include <QStringList>

#include <algorithm>

#include <unistd.h>

namespace Tensiova {

namespace {

QString describe(const QSerialPortInfo &info)
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

bool mayOpen(const QString &device)
{
    return ::access(QFile::encodeName(device).constData(), R_OK | W_OK) == 0;
}

} // namespace

QList<PortListing> listPorts(const QString &settingsFolder)
{
    QList<PortListing> ports;
    const auto add = [&](const QString &device, const QString &description, bool viaLink) {
        const QString target = QFileInfo(device).canonicalFilePath();
        const bool known = std::any_of(ports.begin(), ports.end(), [&](const PortListing &port) {
            return port.device == target;
        });
        if (!target.isEmpty() && !known) {
            ports.append({PortMap::portNumberOf(device, settingsFolder), target, description,
                          viaLink, mayOpen(target)});
        }
    };
    // A COMn link names its port first: it replaces the table's device for that number.
    const QDir folder(settingsFolder);
    for (const QString &link :
         folder.entryList({QStringLiteral("COM*")}, QDir::Files | QDir::System)) {
        add(folder.filePath(link), {}, true);
    }
    for (const QSerialPortInfo &info : QSerialPortInfo::availablePorts()) {
        add(info.systemLocation(), describe(info), false);
    }
    std::sort(ports.begin(), ports.end(), [](const PortListing &a, const PortListing &b) {
        return (a.number > 0 ? a.number : 1'000'000) < (b.number > 0 ? b.number : 1'000'000);
    });
    return ports;
}

} // namespace Tensiova
