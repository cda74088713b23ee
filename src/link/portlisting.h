#pragma once

#include <QList>
#include <QString>

class QSerialPortInfo;

namespace Tensiova {

// The adapter behind a port, as far as the system knows it.
struct PortAdapter
{
    QString maker;
    QString product;
    QString serialNumber;
    friend bool operator==(const PortAdapter &, const PortAdapter &) = default;
};

// A serial port present on this system, as the port box lists it.
struct PortListing
{
    int number = 0; // the COM number that names it, 0 when none does
    QString device; // /dev/ttyUSB0, the COMn link's target, or on Windows COM7 itself
    PortAdapter adapter;
    bool viaLink = false; // named by a COMn link in the settings folder
    bool mayOpen = true; // the user's account may open it

    // "FTDI, FT232R, n° A1"
    QString description() const;
    friend bool operator==(const PortListing &, const PortListing &) = default;
};

// The ports present now: the system's serial ports and the COMn links of the settings folder, by
// COM number.
QList<PortListing> listPorts(const QString &settingsFolder);

// Maker, product and serial number, as far as the system knows them.
QString describePort(const QString &manufacturer, const QString &product,
                     const QString &serialNumber);
PortAdapter adapterOf(const QSerialPortInfo &info);
// The adapter of the device among those listed; none when it is not listed.
PortAdapter adapterOf(const QString &device, const QList<PortListing> &listed);
void sortByNumber(QList<PortListing> &ports);

} // namespace Tensiova
