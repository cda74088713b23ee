#pragma once

#include "app/sentences/historycolumns.h"
#include "history/historyfilter.h"
#include "history/sendrecord.h"
#include "setuplibrary/devicestates.h"

#include <QAbstractTableModel>
#include <QList>
#include <QSet>
#include <QThreadPool>

#include <atomic>
#include <memory>

namespace Tensiova {

class HistorySource;
class HistoryStore;
class SharedDatabase;
struct SharedServer;

// The records a filter takes, newest first (the latest of each repère, by repère, when the
// filter asks), read a page at a time as the view scrolls: a long past is never held whole.
// This station's history is read at once; the workshop's, on its server, on a thread of the
// model's own, so that a slow server or one that stops answering never holds the window: the
// pages come when they come, and a page for an older search is dropped. The repère of this
// station's records is edited in place.
class HistoryModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    static constexpr int PageSize = 200;
    // How long the window's reading waits for the server.
    static constexpr int ServerPatienceMs = 10000;

    explicit HistoryModel(HistoryStore &store, QObject *parent = nullptr);
    ~HistoryModel() override;

    // Reads the workshop's history from that server, or this station's again (an unset server).
    void setShared(const SharedServer &server);
    bool isShared() const { return m_shared != nullptr; }

    // Reads the first page of what the filter takes (again, after a new record).
    void setFilter(const HistoryFilter &filter);
    const HistoryFilter &filter() const { return m_filter; }
    // How many records the filter takes; -1 while the server counts them (counted() then), or
    // when they are more than the server counts.
    qint64 total() const { return m_total; }
    bool countPassedLimit() const { return m_countPassedLimit; }
    bool isLoading() const { return m_loading; }
    // Why the last reading failed; empty when it did not.
    const QString &failure() const { return m_failure; }
    const SendRecord &recordAt(int row) const { return m_rows.at(row); }
    // A row that is no record: a device given a set-up and never programmed (Par repère).
    bool isUnprogrammed(int row) const { return m_rows.at(row).id == 0; }
    // Par repère: only the devices to reprogram (an older version, other values, never
    // programmed).
    void setOutdatedOnly(bool outdatedOnly);
    bool isOutdatedOnly() const { return m_outdatedOnly; }
    // The column of each record's set-up ("NOM v3") and, Par repère, of each device's state.
    int setupColumn() const { return HistoryColumnCount + (m_shared ? 1 : 0); }
    int stateColumn() const { return m_filter.latestByLabel ? setupColumn() + 1 : -1; }
    // The device's state in the row, Par repère.
    DeviceState deviceState(int row) const;
    // The row of a record read so far, -1 when it is not.
    int rowOf(qint64 id) const;
    bool setLabel(int row, const QString &label);

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    bool setData(const QModelIndex &index, const QVariant &value, int role) override;
    bool canFetchMore(const QModelIndex &parent) const override;
    void fetchMore(const QModelIndex &parent) override;

signals:
    void labelNotSaved(const QString &reason);
    void labelSaved();
    // The first page of the filter came in (or failed: failure() says why).
    void firstPageLoaded();
    void counted();

private:
    struct Page
    {
        QList<SendRecord> rows;
        qint64 total = -1; // counted with the first page, or not yet
        QString failure;
    };
    static Page readPage(HistorySource &source, const HistoryFilter &filter, qint64 beforeId,
                         bool counting);
    void request(qint64 beforeId);
    void apply(const Page &page, qint64 beforeId);
    // The station's copy of the library, read again when it changed.
    void readDeviceStates();
    // Par repère, a page's rows: only the devices to reprogram when asked, and after the last
    // page the devices never programmed.
    QList<SendRecord> withStates(const QList<SendRecord> &page);

    HistoryStore &m_store;
    // Shared with the readings under way, which may outlive a change of server.
    std::shared_ptr<SharedDatabase> m_shared;
    std::shared_ptr<SharedDatabase> m_sharedCounter; // a connection of its own for the counts
    // One thread each: a connection is used by one at a time.
    QThreadPool m_serverReader;
    QThreadPool m_serverCounter;
    std::atomic<quint64> m_generation = 0; // of the filter; a page of an older one is dropped
    HistoryFilter m_filter;
    QList<SendRecord> m_rows;
    qint64 m_total = 0;
    bool m_loading = false;
    bool m_more = false; // the last page was full
    bool m_countPassedLimit = false;
    QString m_failure;
    std::optional<DeviceStates> m_states; // none before the station has a copy
    QString m_statesDigest;
    bool m_outdatedOnly = false;
    qint64 m_lastReadId = 0; // the last record read: where the next page goes on
    QString m_lastLabel;
    QSet<QString> m_seenLabels; // Par repère, every repère read so far, folded
    bool m_unprogrammedShown = false; // the devices never programmed follow the last page
};

} // namespace Tensiova
