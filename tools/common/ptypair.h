#pragma once

#include <QByteArray>
#include <QString>

// A pseudo-terminal pair, raw, its device side at 9600 baud so that a program that leaves the line
// as it found it shows: the program opens the device path as its serial port, and the simulated
// device, a test or a benchmark plays the device on the other end.
class PtyPair
{
public:
    PtyPair();
    ~PtyPair();

    bool isValid() const { return m_master >= 0; }
    QString devicePath() const { return m_devicePath; }
    int masterDescriptor() const { return m_master; }

    // What the program wrote, gathered until `count` bytes came or the time ran out.
    QByteArray read(qsizetype count, int milliseconds = 2000);
    // What arrives within the time, however much.
    QByteArray readFor(int milliseconds);
    bool write(const QByteArray &bytes);
    // The device goes away: the program's side sees the line hang up.
    void hangUp();

    // The line speed the program set, as the device side sees it.
    unsigned outputSpeed() const;

private:
    int m_master = -1;
    int m_slave = -1;
    QString m_devicePath;
};
