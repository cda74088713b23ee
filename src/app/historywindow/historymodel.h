#pragma once

#include "app/sentences/historycolumns.h"
#include "history/historyfilter.h"
#include "history/sendrecord.h"

#include <QAbstractTableModel>
#include <QList>

namespace Tensiova {

class HistoryStore;

// The records a filter takes, newest first, read from the store a page at a time as the view
// scrolls: a long past is never held whole. The repère is edited in place.
class HistoryModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    static constexpr int PageSize = 200;
    explicit HistoryModel(HistoryStore &store, QObject *parent = nullptr);

    // Reads the first page of what the filter takes (again, after a new record).
    void setFilter(const HistoryFilter &filter);
    const HistoryFilter &filter() const { return m_filter; }
    qint64 total() const { return m_total; }
    const SendRecord &recordAt(int row) const { return m_rows.at(row); }
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

private:
    HistoryStore &m_store;
    HistoryFilter m_filter;
    QList<SendRecord> m_rows;
    qint64 m_total = 0;
};

} // namespace Tensiova
