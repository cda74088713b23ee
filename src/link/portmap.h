#pragma once

#include "link/portlisting.h"

#include <QList>
#include <QString>

// Which device a COM port number names. On Windows port n is "COMn". Elsewhere a file or link
// named "COMn" in the settings folder names it (any device, a pseudo-terminal included, can so be
// given a number); without one a fixed table, which does not change when adapters come and go:
// COM1-COM32 are /dev/ttyS0-31, COM33-COM64 /dev/ttyUSB0-31, COM65-COM96 /dev/ttyACM0-31.
namespace Tensiova::PortMap {

QString devicePath(int port, const QString &settingsFolder);

// The COM number that names a device, 0 when none does.
int portNumberOf(const QString &device, const QString &settingsFolder);

struct PresentPort
{
    int number;
    QString device;
    friend bool operator==(const PresentPort &, const PresentPort &) = default;
};
// Whether two names give the same device: a link and its target, or COM7 and com7.
bool sameDevice(const QString &a, const QString &b);

// "COM3 (/dev/ttyUSB0)", or just "COM3" where that is the device's own name (Windows).
QString portLabel(int number, const QString &device);

// Of the ports listed, those that have a COM number, by number.
QList<PresentPort> presentPorts(const QList<PortListing> &listed);

} // namespace Tensiova::PortMap
