#include "app/historywindow/historymodel.h"

#include "history/historystore.h"

#include <QDir>

namespace Tensiova {

HistoryModel::HistoryModel(HistoryStore &store, QObject *parent)
    : QAbstractTableModel(parent)
    , m_store(store)
{ }

void HistoryModel::setFilter(const HistoryFilter &filter)
{
    beginResetModel();
    m_filter = filter;
    m_rows = m_store.records(m_filter, PageSize);
    m_total = m_rows.size() < PageSize ? m_rows.size() : m_store.count(m_filter);
    endResetModel();
}

int HistoryModel::rowOf(qint64 id) const
{
    for (int row = 0; row < m_rows.size(); ++row) {
        if (m_rows.at(row).id == id) {
            return row;
        }
    }
    return -1;
}

bool HistoryModel::setLabel(int row, const QString &label)
{
    SendRecord &record = m_rows[row];
    if (!m_store.setLabel(record.id, label)) {
        emit labelNotSaved(m_store.error());
        return false;
    }
    if (const auto stored = m_store.record(record.id)) {
        record = *stored;
    }
    emit dataChanged(index(row, 0), index(row, HistoryColumnCount - 1));
    return true;
}

int HistoryModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

int HistoryModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : HistoryColumnCount;
}

QVariant HistoryModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= m_rows.size()) {
        return {};
    }
    const SendRecord &record = m_rows.at(index.row());
    switch (role) {
    case Qt::DisplayRole:
    case Qt::AccessibleTextRole:
        return historyCellText(record, index.column());
    case Qt::EditRole:
        return index.column() == LabelColumn ? record.label
                                             : historyCellText(record, index.column());
    case Qt::ToolTipRole:
        return index.column() == SetupFileColumn ? QDir::toNativeSeparators(record.setupFile)
                                                 : historyCellText(record, index.column());
    default:
        return {};
    }
}

QVariant HistoryModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) {
        return {};
    }
    return historyColumnHeading(section);
}

Qt::ItemFlags HistoryModel::flags(const QModelIndex &index) const
{
    const Qt::ItemFlags flags = QAbstractTableModel::flags(index);
    return index.column() == LabelColumn ? flags | Qt::ItemIsEditable : flags;
}

bool HistoryModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    return role == Qt::EditRole && index.isValid() && index.column() == LabelColumn
        && setLabel(index.row(), value.toString());
}

bool HistoryModel::canFetchMore(const QModelIndex &parent) const
{
    return !parent.isValid() && m_rows.size() < m_total;
}

void HistoryModel::fetchMore(const QModelIndex &parent)
{
    if (!canFetchMore(parent)) {
        return;
    }
    const QList<SendRecord> page = m_store.records(m_filter, PageSize, m_rows.constLast().id);
    if (page.isEmpty()) {
        m_total = m_rows.size();
        return;
    }
    beginInsertRows({}, int(m_rows.size()), int(m_rows.size() + page.size() - 1));
    m_rows += page;
    endInsertRows();
}

} // namespace Tensiova
