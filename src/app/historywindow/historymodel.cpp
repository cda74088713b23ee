#include "app/historywindow/historymodel.h"

#include "app/sentences/librarymessages.h"
#include "history/historystore.h"
#include "setuplibrary/setupcopy.h"
#include "sharedhistory/shareddatabase.h"

#include <QColor>
#include <QDir>
#include <QSet>

#include <utility>

namespace Tensiova {

HistoryModel::HistoryModel(HistoryStore &store, QObject *parent)
    : QAbstractTableModel(parent)
    , m_store(store)
{
    m_serverReader.setMaxThreadCount(1);
    m_serverCounter.setMaxThreadCount(1);
}

HistoryModel::~HistoryModel()
{
    ++m_generation; // what waits to be read is not read
    m_serverReader.clear();
    m_serverReader.waitForDone();
    m_serverCounter.clear(); // after the reader, which may hand it a count
    m_serverCounter.waitForDone();
}

void HistoryModel::setShared(const SharedServer &server)
{
    // Not waited for: a reading of the former server still under way keeps its connection and
    // ends on its own; what it reads is dropped.
    ++m_generation;
    m_serverReader.clear();
    m_serverCounter.clear();
    beginResetModel();
    m_shared.reset();
    m_sharedCounter.reset();
    if (server.isSet()) {
        m_shared = std::make_shared<SharedDatabase>(server);
        m_shared->setPatience(ServerPatienceMs);
        m_sharedCounter = std::make_shared<SharedDatabase>(server);
        m_sharedCounter->setPatience(ServerPatienceMs);
    }
    m_rows.clear();
    m_total = 0;
    endResetModel();
    setFilter(m_filter);
}

void HistoryModel::setFilter(const HistoryFilter &filter)
{
    ++m_generation;
    if (filter.latestByLabel != m_filter.latestByLabel) {
        beginResetModel(); // the state's column comes or goes
        m_filter = filter;
        m_rows.clear();
        endResetModel();
    }
    m_filter = filter;
    readDeviceStates();
    request(0);
}

void HistoryModel::setOutdatedOnly(bool outdatedOnly)
{
    m_outdatedOnly = outdatedOnly;
    setFilter(m_filter);
}

void HistoryModel::readDeviceStates()
{
    SetupCopy copy(m_store.path());
    const QString digest = copy.digest();
    if (digest.isEmpty() || digest == m_statesDigest) {
        return;
    }
    m_states = DeviceStates::fromCopy(copy);
    m_statesDigest = m_states ? digest : QString();
}

DeviceState HistoryModel::deviceState(int row) const
{
    const SendRecord &record = m_rows.at(row);
    return m_states ? m_states->of(record.label, record.message) : DeviceState();
}

QList<SendRecord> HistoryModel::withStates(const QList<SendRecord> &page)
{
    if (!m_states) {
        return page;
    }
    QList<SendRecord> rows;
    for (const SendRecord &record : page) {
        m_seenLabels.insert(DeviceStates::foldedLabel(record.label));
        if (!m_outdatedOnly || m_states->of(record.label, record.message).needsProgramming()) {
            rows.append(record);
        }
    }
    // After the last page, the devices given a set-up that no record names; once.
    if (!m_more && m_failure.isEmpty() && !std::exchange(m_unprogrammedShown, true)) {
        const QString wanted = DeviceStates::foldedLabel(m_filter.text);
        for (const QString &label : m_states->unprogrammed(m_seenLabels)) {
            if (DeviceStates::foldedLabel(label).contains(wanted)) {
                SendRecord device; // id 0: no record
                device.label = label;
                rows.append(device);
            }
        }
    }
    return rows;
}

HistoryModel::Page HistoryModel::readPage(HistorySource &source, const HistoryFilter &filter,
                                          qint64 beforeId, bool counting)
{
    Page page;
    // Par repère, a page goes on after the repère the last one ended with.
    const bool read = source.forEach(filter, PageSize, filter.latestByLabel ? 0 : beforeId,
                                     [&page](const SendRecord &record) {
                                         page.rows.append(record);
                                         return true;
                                     });
    if (!read) {
        page.failure = source.error();
    } else if (beforeId == 0) {
        // A count that failed leaves what was read. Par repère, the devices are counted as their
        // pages come: each is given its state on this side.
        page.total = page.rows.size() < PageSize ? page.rows.size()
            : counting && !filter.latestByLabel
            ? std::max<qint64>(source.count(filter), page.rows.size())
            : -1;
    }
    return page;
}

void HistoryModel::request(qint64 beforeId)
{
    m_loading = true;
    HistoryFilter filter = m_filter;
    if (filter.latestByLabel && beforeId > 0) {
        filter.afterLabel = m_lastLabel;
    }
    if (!m_shared) {
        apply(readPage(m_store, filter, beforeId, true), beforeId);
        return;
    }
    // The server's page first, its count after: a search as typed shows its newest records
    // without waiting for every match to be counted.
    const quint64 generation = m_generation;
    m_serverReader.start([this, generation, beforeId, filter, reader = m_shared,
                          counter = m_sharedCounter] {
        if (generation != m_generation) {
            return; // typed on since: that search's turn comes
        }
        const Page page = readPage(*reader, filter, beforeId, false);
        QMetaObject::invokeMethod(
            this,
            [this, page, generation, beforeId] {
                if (generation == m_generation) {
                    apply(page, beforeId);
                }
            },
            Qt::QueuedConnection);
        // Par repère, the devices are counted as their pages come, each given its state here.
        if (page.total >= 0 || !page.failure.isEmpty() || filter.latestByLabel) {
            return;
        }
        // Counted on a connection of its own: a long count never holds the next search's page.
        m_serverCounter.start([this, generation, filter, counter] {
            if (generation != m_generation) {
                return;
            }
            const qint64 total = counter->count(filter);
            QMetaObject::invokeMethod(
                this,
                [this, total, generation] {
                    if (generation == m_generation && total > 0) {
                        m_countPassedLimit = total > SharedDatabase::CountLimit;
                        m_total = m_countPassedLimit ? -1 : std::max<qint64>(total, m_rows.size());
                        emit counted();
                    }
                },
                Qt::QueuedConnection);
        });
    });
}

void HistoryModel::apply(const Page &page, qint64 beforeId)
{
    m_loading = false;
    m_failure = page.failure;
    m_more = page.failure.isEmpty() && page.rows.size() == PageSize;
    m_countPassedLimit = m_countPassedLimit && beforeId > 0;
    if (beforeId > 0 && m_lastReadId != beforeId) {
        return; // the listing changed meanwhile
    }
    if (beforeId == 0) {
        m_seenLabels.clear();
        m_unprogrammedShown = false;
    }
    if (!page.rows.isEmpty()) {
        m_lastReadId = page.rows.constLast().id;
        m_lastLabel = page.rows.constLast().label;
    }
    const QList<SendRecord> rows = m_filter.latestByLabel ? withStates(page.rows) : page.rows;
    if (beforeId == 0) {
        beginResetModel();
        m_rows = rows;
        m_total = page.failure.isEmpty() ? page.total : m_rows.size();
        if (m_filter.latestByLabel && m_total >= 0) {
            m_total = m_rows.size(); // with the devices never programmed, or only some
        }
        endResetModel();
        emit firstPageLoaded();
    } else if (!rows.isEmpty()) {
        beginInsertRows({}, int(m_rows.size()), int(m_rows.size() + rows.size() - 1));
        m_rows += rows;
        endInsertRows();
    }
    if (beforeId > 0 && !m_more) {
        // The last page: every record, and every device, is there.
        m_total = m_rows.size();
        emit counted();
    }
    // Only the devices to reprogram: a page with few of them goes straight on to the next, so
    // that the view has rows to show while there are more.
    if (m_outdatedOnly && m_more && rows.size() < PageSize / 4) {
        request(m_lastReadId);
    }
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
    if (m_shared || !m_store.setLabel(record.id, label)) {
        emit labelNotSaved(m_shared
                               ? QStringLiteral("l'envoi d'un autre poste se change sur ce poste")
                               : m_store.error());
        return false;
    }
    if (const auto stored = m_store.record(record.id)) {
        record = *stored;
    }
    emit dataChanged(index(row, 0), index(row, HistoryColumnCount - 1));
    emit labelSaved();
    return true;
}

int HistoryModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

int HistoryModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : setupColumn() + (m_filter.latestByLabel ? 2 : 1);
}

QVariant HistoryModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= m_rows.size()) {
        return {};
    }
    const SendRecord &record = m_rows.at(index.row());
    if (index.column() >= setupColumn()) {
        if (role != Qt::DisplayRole && role != Qt::AccessibleTextRole && role != Qt::ToolTipRole
            && role != Qt::ForegroundRole) {
            return {};
        }
        if (index.column() == stateColumn()) {
            const DeviceState state = deviceState(index.row());
            if (role == Qt::ForegroundRole) {
                return state.needsProgramming() ? QColor(0xB0, 0x00, 0x00) : QVariant();
            }
            return m_states ? LibraryMessages::deviceState(state) : QString();
        }
        if (role == Qt::ForegroundRole || !m_states || record.message.isEmpty()) {
            return {};
        }
        return LibraryMessages::recordSetup(m_states->versionTitle(record.message));
    }
    if (record.id == 0 && index.column() != LabelColumn) {
        return {}; // a device never programmed: its repère alone
    }
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
    if (section == setupColumn()) {
        return QStringLiteral("Réglage");
    }
    if (section == stateColumn()) {
        return QStringLiteral("État de l'appareil");
    }
    return historyColumnHeading(section);
}

Qt::ItemFlags HistoryModel::flags(const QModelIndex &index) const
{
    const Qt::ItemFlags flags = QAbstractTableModel::flags(index);
    return index.column() == LabelColumn && !m_shared ? flags | Qt::ItemIsEditable : flags;
}

bool HistoryModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    return role == Qt::EditRole && index.isValid() && index.column() == LabelColumn
        && setLabel(index.row(), value.toString());
}

bool HistoryModel::canFetchMore(const QModelIndex &parent) const
{
    return !parent.isValid() && !m_loading && (m_total < 0 ? m_more : m_rows.size() < m_total);
}

void HistoryModel::fetchMore(const QModelIndex &parent)
{
    if (!canFetchMore(parent)) {
        return;
    }
    request(m_lastReadId);
}

} // namespace Tensiova
