#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QObject>
#include <QString>

#include <deque>

namespace Tensiova {

// Every exchange with the device in this run, newest last: messages sent, bytes received, the
// port opened, closed and lost. Only the most recent entries are kept.
class ExchangeJournal : public QObject
{
    Q_OBJECT

public:
    static constexpr int Capacity = 10'000;
    // The bytes an entry keeps: a flooding device cannot make the journal hold more than about
    // ten megabytes.
    static constexpr qsizetype BytesKept = 1024;

    // Notice: a word about the station itself (its history), in cause.
    enum class Kind { Sent, Received, Opened, Closed, Lost, Notice };
    struct Entry
    {
        QDateTime time;
        Kind kind;
        qint16 port;
        QString device;
        QByteArray bytes; // sent or received, the first BytesKept of them
        qsizetype count; // how many there were
        QString cause; // of a closing; a notice's text
    };

    explicit ExchangeJournal(int capacity = Capacity, QObject *parent = nullptr);

    void record(Kind kind, qint16 port, const QString &device, const QByteArray &bytes = {},
                const QString &cause = {});
    int size() const { return int(m_entries.size()); }
    const Entry &at(int index) const { return m_entries.at(std::size_t(index)); }

signals:
    void oldestDropped(); // the first entry went, to make room
    void appended(); // a new last entry

private:
    int m_capacity;
    std::deque<Entry> m_entries;
};

} // namespace Tensiova
