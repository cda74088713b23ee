#include "app/dialogs/journalwindow.h"

#include "app/dialogs/userdialogs.h"
#include "conversions/windows1252.h"
#include "link/messagedescription.h"
#include "link/portmap.h"

#include <QDir>
#include <QPushButton>
#include <QSaveFile>
#include <QTimer>
#include <QTreeView>
#include <QVBoxLayout>

namespace Tensiova {

namespace {

QString portName(const ExchangeJournal::Entry &entry)
{
    return PortMap::portLabel(entry.port, entry.device);
}

} // namespace

JournalModel::JournalModel(const ExchangeJournal &journal, QObject *parent)
    : QAbstractListModel(parent)
    , m_journal(journal)
    , m_rows(journal.size())
{
    m_sync.setSingleShot(true);
    m_sync.setInterval(SyncMs);
    connect(&m_sync, &QTimer::timeout, this, &JournalModel::catchUp);
    // Started once, not restarted: entries that keep coming must not hold the news back.
    const auto startSync = [this] {
        if (!m_sync.isActive()) {
            m_sync.start();
        }
    };
    connect(&journal, &ExchangeJournal::oldestDropped, this, [this, startSync] {
        ++m_droppedSince;
        startSync();
    });
    connect(&journal, &ExchangeJournal::appended, this, startSync);
}

void JournalModel::catchUp()
{
    m_sync.stop();
    // Dropped entries that the views never heard of need no news.
    const int gone = std::min(m_droppedSince, m_rows);
    if (gone > 0) {
        beginRemoveRows({}, 0, gone - 1);
        m_rows -= gone;
        m_droppedSince = 0;
        endRemoveRows();
    }
    m_droppedSince = 0; // past the rows known, the rest went unannounced
    if (m_journal.size() > m_rows) {
        beginInsertRows({}, m_rows, m_journal.size() - 1);
        m_rows = m_journal.size();
        endInsertRows();
    }
}

int JournalModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_rows;
}

QVariant JournalModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || (role != Qt::DisplayRole && role != Qt::AccessibleTextRole)) {
        return {};
    }
    // Until the views hear of it, a row whose entry is gone shows nothing.
    const int entry = index.row() - m_droppedSince;
    return entry >= 0 && entry < m_journal.size() ? entryText(m_journal.at(entry)) : QString();
}

QString JournalModel::entryText(const ExchangeJournal::Entry &entry)
{
    QString text =
        entry.time.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz")) + QStringLiteral("  ");
    switch (entry.kind) {
    case ExchangeJournal::Kind::Sent:
        text += QStringLiteral("Envoi sur %1, %2 octets :")
                    .arg(portName(entry))
                    .arg(entry.bytes.size());
        for (const QString &line : hexRows(entry.bytes) + describeProgrammingMessage(entry.bytes)) {
            text += QStringLiteral("\n    ") + line;
        }
        break;
    case ExchangeJournal::Kind::Received:
        text += QStringLiteral("Reçu de %1, %2 octets%3 : %4  « %5 »")
                    .arg(portName(entry))
                    .arg(entry.count)
                    .arg(entry.count > entry.bytes.size()
                             ? QStringLiteral(" (les %1 premiers)").arg(entry.bytes.size())
                             : QString())
                    .arg(QString::fromLatin1(entry.bytes.toHex(' ').toUpper()),
                         escapedText(Windows1252::decode(entry.bytes)));
        break;
    case ExchangeJournal::Kind::Opened:
        text += QStringLiteral("Port %1 ouvert").arg(portName(entry));
        break;
    case ExchangeJournal::Kind::Closed:
        text += QStringLiteral("Port %1 fermé (%2)").arg(portName(entry), entry.cause);
        break;
    case ExchangeJournal::Kind::Lost:
        text += QStringLiteral("Liaison perdue avec %1 : l'appareil ne répond plus ou son câble "
                               "est débranché")
                    .arg(portName(entry));
        break;
    case ExchangeJournal::Kind::Notice:
        text += entry.cause;
        break;
    }
    return text;
}

QString JournalModel::wholeText() const
{
    QString text;
    for (int row = 0; row < m_journal.size(); ++row) {
        text += entryText(m_journal.at(row)) + QLatin1Char('\n');
    }
    return text;
}

JournalWindow::JournalWindow(const ExchangeJournal &journal, UserDialogs &dialogs, QWidget *parent)
    : QWidget(parent, Qt::Window)
    , m_model(journal)
    , m_dialogs(dialogs)
{
    setObjectName(QStringLiteral("JournalWindow"));
    setWindowTitle(QStringLiteral("Journal des échanges"));
    // A list shown by a tree view: a list view lays out every row again at each new one, a tree
    // view only the rows in sight, which keeps up with a device that streams.
    auto *list = new QTreeView(this);
    list->setObjectName(QStringLiteral("JournalList"));
    list->setAccessibleName(QStringLiteral("Échanges avec l'appareil, le plus récent en dernier"));
    list->setModel(&m_model);
    list->setHeaderHidden(true);
    list->setRootIsDecorated(false);
    list->setItemsExpandable(false);
    list->setWordWrap(true);
    list->setAlternatingRowColors(true);
    // Newest last, in view: scrolled there at most every 100 ms, however fast entries come.
    auto *follow = new QTimer(this);
    follow->setSingleShot(true);
    follow->setInterval(100);
    connect(follow, &QTimer::timeout, list, &QTreeView::scrollToBottom);
    connect(&m_model, &QAbstractItemModel::rowsInserted, follow, [follow] {
        if (!follow->isActive()) {
            follow->start();
        }
    });
    auto *save = new QPushButton(QStringLiteral("Enregistrer le journal"), this);
    save->setObjectName(QStringLiteral("SaveJournal"));
    connect(save, &QPushButton::clicked, this, &JournalWindow::saveJournal);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(list);
    layout->addWidget(save, 0, Qt::AlignRight);
    resize(720, 420);
}

void JournalWindow::saveJournal()
{
    const auto path = m_dialogs.chooseSetupFile(this, UserDialogs::FileMode::Save);
    if (!path) {
        return;
    }
    QSaveFile file(*path);
    const QByteArray bytes = m_model.wholeText().toUtf8();
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
        m_dialogs.warn(this, QStringLiteral("Enregistrer le journal"),
                       QStringLiteral("Le journal n'a pas pu être enregistré dans « %1 » :\n%2.")
                           .arg(QDir::toNativeSeparators(*path), file.errorString()));
    }
}

} // namespace Tensiova
