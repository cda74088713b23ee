#pragma once

#include "ptypair.h"

#include <QByteArray>
#include <QString>

#include <chrono>

// A stand-in for the monitoring device on a pseudo-terminal: the program opens the terminal's
// device path as its serial port, and this side frames, shows and answers what it receives.
class SimulatedDevice
{
public:
    struct Options
    {
        QString linkPath; // a link to the terminal, removed on exit
        QByteArray reply = QByteArrayLiteral("OK\r\n");
        bool silent = false; // never answer
        qint64 floodBytes = 0; // bytes sent at full speed after each message
        int hangUpAfter = 0; // hang up after this many messages (0: never)
    };

    explicit SimulatedDevice(const Options &options);
    ~SimulatedDevice();

    // Opens the pseudo-terminal; false (and a message on stderr) when it cannot.
    bool start();
    QString devicePath() const { return m_devicePath; }
    // Serves until hung up or told to stop; returns the process exit code.
    int run(const volatile bool &stopRequested);

private:
    void receive(const char *bytes, qint64 count);
    void dropStaleMessage();
    void handleMessage();
    void checkLineSettings();
    bool writeAll(const QByteArray &bytes);
    void flood();

    Options m_options;
    // Raw and at 9600 baud from the start: no echo of what the program sends, and a visible
    // mistake if the program leaves the line as it found it.
    PtyPair m_terminal;
    int m_master = -1;
    QString m_devicePath;
    QByteArray m_partial;
    std::chrono::steady_clock::time_point m_lastByte;
    qint64 m_dropped = 0;
    int m_messages = 0;
};
