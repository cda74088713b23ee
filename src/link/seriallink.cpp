#include "link/seriallink.h"

namespace Tensiova {

namespace {

constexpr int DrainMilliseconds = 1000;
// Listing the ports competes with building and painting the window, which does not need them:
// they are first wanted at an "Envoi" or a change of port.
constexpr int FirstListingDelayMs = 1000;

} // namespace

SerialLink::SerialLink(const QString &settingsFolder, QObject *parent)
    : SerialLink(settingsFolder, *new PortWatch(settingsFolder, FirstListingDelayMs), parent)
{
    m_ownWatch.reset(m_portWatch);
}

SerialLink::SerialLink(const QString &settingsFolder, PortWatch &watch, QObject *parent)
    : QObject(parent)
    , m_settingsFolder(settingsFolder)
    , m_portWatch(&watch)
{
    setObjectName(QStringLiteral("Comm1"));
    connect(&m_port, &QSerialPort::readyRead, this, [this] { emit commEvent(Received); });
    connect(&m_port, &QSerialPort::bytesWritten, this, [this] { emit commEvent(Sent); });
    connect(&m_port, &QSerialPort::errorOccurred, this, &SerialLink::handleError);
}

SerialLink::~SerialLink()
{
    close();
}

bool SerialLink::setCommPort(qint16 port)
{
    if (port < 1 || portOpen()) {
        return false;
    }
    m_commPort = port;
    return true;
}

QString SerialLink::deviceName() const
{
    return m_device.isEmpty() ? PortMap::devicePath(m_commPort, m_settingsFolder) : m_device;
}

bool SerialLink::open()
{
    const QString device = deviceName();
    if (device.isEmpty()) {
        return failToOpen(device, QSerialPort::DeviceNotFoundError, {});
    }
    m_port.setPortName(device);
    m_port.setBaudRate(QSerialPort::Baud4800);
    m_port.setDataBits(QSerialPort::Data8);
    m_port.setParity(QSerialPort::NoParity);
    m_port.setStopBits(QSerialPort::OneStop);
    m_port.setFlowControl(QSerialPort::NoFlowControl);
    if (!m_port.open(QIODevice::ReadWrite)) {
        return failToOpen(device, m_port.error(), m_port.errorString());
    }
    m_openedDevice = device;
    return true;
}

bool SerialLink::failToOpen(const QString &device, QSerialPort::SerialPortError error,
                            const QString &reason)
{
    // The ports present as last listed: listing them now would keep the window waiting.
    m_openFailure = {m_commPort,
                     device,
                     error,
                     reason,
                     PortMap::presentPorts(m_portWatch->latest()),
                     m_portWatch->hasListed()};
    m_portWatch->refresh();
    return false;
}

void SerialLink::close()
{
    if (!portOpen()) {
        return;
    }
    drainOutput();
    m_port.close();
}

void SerialLink::drainOutput()
{
    // Closing must not cut a message short: the device would take a partial one.
    const QDeadlineTimer deadline(DrainMilliseconds);
    while (m_port.bytesToWrite() > 0 && !deadline.hasExpired()) {
        if (!m_port.waitForBytesWritten(int(deadline.remainingTime()))) {
            break;
        }
    }
    waitUntilTransmitted(deadline);
}

bool SerialLink::output(const QByteArray &bytes)
{
    // A device that has just gone away fails the write: the port is then closed and the loss
    // reported (connectionLost), and the message counts as not sent.
    return m_port.write(bytes) == bytes.size() && m_port.flush() && m_port.isOpen();
}

QByteArray SerialLink::input()
{
    return m_port.readAll();
}

void SerialLink::handleError(QSerialPort::SerialPortError error)
{
    switch (error) {
    case QSerialPort::ReadError:
    case QSerialPort::WriteError:
    case QSerialPort::ResourceError:
    case QSerialPort::UnknownError:
        break;
    default:
        return;
    }
    if (!portOpen()) {
        return;
    }
    // A vanished device keeps reporting errors as fast as they can be delivered until the port
    // is closed: close it here, at the first one, and report it once. What the system says then
    // is seldom to the point ("Inappropriate ioctl for device"), so it is not passed on.
    m_port.close();
    emit connectionLost(m_commPort, m_openedDevice);
}

} // namespace Tensiova
