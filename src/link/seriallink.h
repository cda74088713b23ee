#pragma once

#include "link/portmap.h"
#include "link/portwatch.h"

#include <QDeadlineTimer>
#include <QObject>
#include <QSerialPort>
#include <QString>

#include <memory>

namespace Tensiova {

// Why a port could not be opened, and what the user could choose instead.
struct PortOpenFailure
{
    qint16 port = 0;
    QString device; // empty when the number names no device
    QSerialPort::SerialPortError error = QSerialPort::NoError;
    QString reason; // the system's words
    QList<PortMap::PresentPort> present; // as last listed, a second or two ago at most
    bool presentKnown = false; // false until the first listing has come
};

// The serial port the device stands on: a COM port number, the fixed line settings the device
// expects (4800 baud, 8 data bits, no parity, 1 stop bit, no flow control), and the send and
// receive operations of the window's serial control.
class SerialLink : public QObject
{
    Q_OBJECT

public:
    // Event codes of the receive notification.
    enum CommEvent { Sent = 1, Received = 2 };
    static constexpr qint16 DesignPort = 1;

    explicit SerialLink(const QString &settingsFolder, QObject *parent = nullptr);
    // Many links at once (a production bench) share one listing of the ports: watch outlives
    // the link.
    SerialLink(const QString &settingsFolder, PortWatch &watch, QObject *parent = nullptr);
    ~SerialLink() override;

    qint16 commPort() const { return m_commPort; }
    // The port takes a new number only while closed, and only a number that can name a port.
    bool setCommPort(qint16 port);

    bool portOpen() const { return m_port.isOpen(); }
    // Opens the port with the line settings; on failure, openFailure() says why.
    bool open();
    const PortOpenFailure &openFailure() const { return m_openFailure; }
    // Closes the port once what is still pending has gone out, waiting about a second at most.
    void close();

    // Hands the whole message to the system in one write, at once; false when it could not.
    bool output(const QByteArray &bytes);
    // Everything waiting in the receive buffer, which it empties.
    QByteArray input();

    // The device the port number names, unless a device was named directly.
    QString deviceName() const;
    // The device the open port was opened on; empty while closed.
    QString openedDevice() const { return portOpen() ? m_openedDevice : QString(); }
    // Names the device itself (a script's "/dev/ttyUSB0"), whatever the port number names.
    void setDevice(const QString &device) { m_device = device; }
    const QSerialPort &port() const { return m_port; }
    PortWatch &portWatch() { return *m_portWatch; }

signals:
    void commEvent(int code);
    // The device went away while the port was open: the port is closed, reported once.
    void connectionLost(qint16 port, const QString &device);

private:
    void handleError(QSerialPort::SerialPortError error);
    void drainOutput();
    void waitUntilTransmitted(const QDeadlineTimer &deadline);
    bool failToOpen(const QString &device, QSerialPort::SerialPortError error,
                    const QString &reason);

    QString m_settingsFolder;
    QSerialPort m_port;
    std::unique_ptr<PortWatch> m_ownWatch; // unless shared
    PortWatch *m_portWatch;
    qint16 m_commPort = DesignPort;
    PortOpenFailure m_openFailure;
    QString m_openedDevice;
    QString m_device;
};

} // namespace Tensiova
