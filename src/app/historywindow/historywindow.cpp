#include "app/historywindow/historywindow.h"

#include "app/dialogs/userdialogs.h"
#include "app/historywindow/historysheet.h"
#include "app/widgets/setupgrid.h"
#include "history/historycsv.h"
#include "history/historystore.h"
#include "link/messagedescription.h"
#include "link/programmingmessage.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDir>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSaveFile>
#include <QSplitter>
#include <QStandardItemModel>
#include <QTableView>
#include <QThread>
#include <QVBoxLayout>

namespace Tensiova {

namespace {

QPlainTextEdit *readOnlyText(const QString &name, const QString &accessibleName, QWidget *parent)
{
    auto *box = new QPlainTextEdit(parent);
    box->setObjectName(name);
    box->setAccessibleName(accessibleName);
    box->setReadOnly(true);
    box->setFont(QFont(QStringLiteral("DejaVu Sans Mono"), 8));
    box->setMaximumHeight(90);
    return box;
}

QString recordCount(qint64 count, bool labels, const QLocale &locale)
{
    if (labels) {
        return count == 0 ? QStringLiteral("Aucun repère")
            : count == 1  ? QStringLiteral("1 repère")
                          : QStringLiteral("%1 repères").arg(locale.toString(count));
    }
    return count == 0 ? QStringLiteral("Aucun envoi")
        : count == 1  ? QStringLiteral("1 envoi")
                      : QStringLiteral("%1 envois").arg(locale.toString(count));
}

} // namespace

HistoryWindow::HistoryWindow(HistoryStore &store, UserDialogs &dialogs,
                             std::function<MonitoringSetup()> current, const QLocale &locale,
                             const QString &programVersion, QWidget *parent)
    : QWidget(parent, Qt::Window)
    , m_store(store)
    , m_dialogs(dialogs)
    , m_current(std::move(current))
    , m_locale(locale)
    , m_programVersion(programVersion)
    , m_model(store)
{
    setObjectName(QStringLiteral("HistoryWindow"));
    setWindowTitle(QStringLiteral("Historique des envois"));

    m_search = new QLineEdit(this);
    m_search->setObjectName(QStringLiteral("HistorySearch"));
    m_search->setClearButtonEnabled(true);
    m_search->setPlaceholderText(
        QStringLiteral("Rechercher : date, port, adaptateur, fichier, résultat, réponse, repère"));
    m_search->setAccessibleName(QStringLiteral("Rechercher dans l'historique"));
    connect(m_search, &QLineEdit::textChanged, this, &HistoryWindow::setSearchText);
    m_count = new QLabel(this);
    m_count->setObjectName(QStringLiteral("HistoryCount"));
    m_source = new QComboBox(this);
    m_source->setObjectName(QStringLiteral("HistorySource"));
    m_source->setAccessibleName(QStringLiteral("Historique montré"));
    m_source->addItems({QStringLiteral("Ce poste"), QStringLiteral("Atelier")});
    m_source->setItemData(1, QStringLiteral("Réglez d'abord Paramètrage ▸ Historique partagé…"),
                          Qt::ToolTipRole);
    qobject_cast<QStandardItemModel *>(m_source->model())->item(1)->setEnabled(false);
    connect(m_source, &QComboBox::currentIndexChanged, this,
            [this](int index) { showSource(index == 1 ? Source::Workshop : Source::ThisStation); });
    m_byLabel = new QCheckBox(QStringLiteral("Par &repère"), this);
    m_byLabel->setObjectName(QStringLiteral("HistoryByLabel"));
    m_byLabel->setAccessibleDescription(
        QStringLiteral("Le dernier envoi de chaque repère : ce que chaque appareil a reçu en "
                       "dernier, par qui, quand, et sa réponse."));
    connect(m_byLabel, &QCheckBox::toggled, this, &HistoryWindow::showLatestByLabel);
    m_outdated = new QCheckBox(QStringLiteral("À re&programmer"), this);
    m_outdated->setObjectName(QStringLiteral("HistoryOutdated"));
    m_outdated->setAccessibleDescription(
        QStringLiteral("Par repère, les seuls appareils qui n'ont pas la version approuvée du "
                       "réglage qui leur est attribué"));
    m_outdated->setEnabled(false);
    connect(m_outdated, &QCheckBox::toggled, &m_model, &HistoryModel::setOutdatedOnly);
    connect(&m_model, &HistoryModel::firstPageLoaded, this, &HistoryWindow::showLoaded);
    connect(&m_model, &HistoryModel::counted, this, [this] {
        m_count->setText(
            m_model.countPassedLimit()
                ? QStringLiteral("Plus de %1 envois")
                      .arg(m_locale.toString(SharedDatabase::CountLimit))
                : recordCount(m_model.total(), m_model.filter().latestByLabel, m_locale));
    });
    connect(&m_model, &HistoryModel::labelSaved, this, &HistoryWindow::labelChanged);

    m_list = new QTableView(this);
    m_list->setObjectName(QStringLiteral("HistoryList"));
    m_list->setAccessibleName(QStringLiteral("Envois, le plus récent en premier"));
    m_list->setModel(&m_model);
    m_list->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    m_list->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed);
    m_list->setAlternatingRowColors(true);
    m_list->setWordWrap(false);
    m_list->verticalHeader()->hide();
    m_list->verticalHeader()->setDefaultSectionSize(m_list->fontMetrics().height() + 6);
    m_list->horizontalHeader()->setStretchLastSection(true);
    for (const auto &[column, width] : {std::pair {DateColumn, 130},
                                        {PortColumn, 230},
                                        {SetupFileColumn, 130},
                                        {OutcomeColumn, 170}}) {
        m_list->setColumnWidth(column, width);
    }
    connect(&m_model, &QAbstractItemModel::modelReset, this, &HistoryWindow::arrangeColumns);
    connect(m_list->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            &HistoryWindow::showSelected);
    connect(&m_model, &QAbstractItemModel::dataChanged, this, &HistoryWindow::showSelected);
    connect(&m_model, &HistoryModel::labelNotSaved, this, [this](const QString &reason) {
        m_dialogs.warn(this, QStringLiteral("Repère"),
                       QStringLiteral("Le repère n'a pas pu être enregistré (%1).").arg(reason));
    });

    auto *details = new QWidget(this);
    m_summary = new QLabel(details);
    m_summary->setObjectName(QStringLiteral("HistorySummary"));
    m_summary->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_summary->setWordWrap(true);
    m_grid = new SetupGrid(details);
    m_grid->setObjectName(QStringLiteral("HistoryGrid"));
    m_bytes = readOnlyText(QStringLiteral("HistoryBytes"),
                           QStringLiteral("Message envoyé en hexadécimal"), details);
    m_answer = readOnlyText(QStringLiteral("HistoryAnswer"),
                            QStringLiteral("Réponse de l'appareil"), details);
    auto *texts = new QHBoxLayout;
    texts->addWidget(m_bytes, 3);
    texts->addWidget(m_answer, 2);
    auto *detailLayout = new QVBoxLayout(details);
    detailLayout->setContentsMargins(0, 0, 0, 0);
    detailLayout->addWidget(m_summary);
    detailLayout->addWidget(m_grid);
    detailLayout->addLayout(texts);

    auto *splitter = new QSplitter(Qt::Vertical, this);
    splitter->addWidget(m_list);
    splitter->addWidget(details);
    splitter->setStretchFactor(0, 1);
    splitter->setChildrenCollapsible(false);

    auto *searchLine = new QHBoxLayout;
    searchLine->addWidget(m_source);
    searchLine->addWidget(m_search, 1);
    searchLine->addWidget(m_byLabel);
    searchLine->addWidget(m_outdated);
    searchLine->addWidget(m_count);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(searchLine);
    layout->addWidget(splitter, 1);
    layout->addLayout(buildButtons());
    resize(900, 720);
    setSearchText({});
}

QLayout *HistoryWindow::buildButtons()
{
    auto *buttons = new QHBoxLayout;
    const auto add = [&](const QString &name, const QString &text, void (HistoryWindow::*work)(),
                         bool needsRecord) {
        auto *button = new QPushButton(text, this);
        button->setObjectName(name);
        connect(button, &QPushButton::clicked, this, work);
        buttons->addWidget(button);
        if (needsRecord) {
            m_recordButtons.append(button);
        }
    };
    add(QStringLiteral("HistoryCompare"), QStringLiteral("Comparer"), &HistoryWindow::compare,
        true);
    add(QStringLiteral("HistoryTake"), QStringLiteral("Reprendre ces réglages"),
        &HistoryWindow::takeSettings, true);
    add(QStringLiteral("HistoryLabel"), QStringLiteral("Repère…"), &HistoryWindow::editLabel, true);
    m_labelButton = m_recordButtons.constLast();
    buttons->addStretch();
    add(QStringLiteral("HistoryExport"), QStringLiteral("Exporter…"), &HistoryWindow::exportCsv,
        false);
    add(QStringLiteral("HistorySheet"), QStringLiteral("Fiche PDF…"), &HistoryWindow::exportSheet,
        true);
    return buttons;
}

void HistoryWindow::setSharedServer(const SharedServer &server)
{
    m_server = server;
    qobject_cast<QStandardItemModel *>(m_source->model())->item(1)->setEnabled(server.isSet());
    m_source->setItemData(1,
                          server.isSet() ? QStringLiteral("L'historique de tous les postes, sur le "
                                                          "serveur de l'atelier")
                                         : QStringLiteral("Réglez d'abord Paramètrage ▸ "
                                                          "Historique partagé…"),
                          Qt::ToolTipRole);
    if (m_model.isShared()) {
        m_model.setShared(server);
    }
    if (!server.isSet()) {
        m_source->setCurrentIndex(0);
    }
}

void HistoryWindow::showSource(Source source)
{
    const bool workshop = source == Source::Workshop && m_server.isSet();
    m_source->setCurrentIndex(workshop ? 1 : 0); // comes back here once, changing nothing
    if (workshop == m_model.isShared()) {
        return;
    }
    setWindowTitle(workshop ? QStringLiteral("Historique des envois — Atelier")
                            : QStringLiteral("Historique des envois"));
    m_keptId = 0;
    m_count->setText(QStringLiteral("Lecture…"));
    m_model.setShared(workshop ? m_server : SharedServer {});
    // Room for the station's column.
    m_list->setColumnWidth(PortColumn, workshop ? 170 : 230);
    if (workshop) {
        m_list->setColumnWidth(LabelColumn, 150);
    }
}

void HistoryWindow::showLatestByLabel(bool latest)
{
    m_byLabel->setChecked(latest);
    m_outdated->setEnabled(latest);
    if (!latest) {
        m_outdated->setChecked(false);
    }
    if (m_model.filter().latestByLabel != latest) {
        m_keptId = 0;
        m_model.setFilter(shownFilter());
    }
}

HistoryFilter HistoryWindow::shownFilter() const
{
    HistoryFilter filter;
    filter.text = m_search->text().trimmed();
    filter.latestByLabel = m_byLabel->isChecked();
    return filter;
}

void HistoryWindow::setSearchText(const QString &text)
{
    if (m_search->text() != text) {
        m_search->setText(text); // comes back here
        return;
    }
    m_keptId = 0;
    m_model.setFilter(shownFilter());
}

void HistoryWindow::showLoaded()
{
    if (!m_model.failure().isEmpty()) {
        m_count->setText(m_model.isShared() ? QStringLiteral("Serveur injoignable")
                                            : QStringLiteral("Lecture impossible"));
        m_count->setToolTip(m_model.failure());
    } else {
        m_count->setText(
            m_model.total() < 0
                ? QStringLiteral("%1 %2 et plus…")
                      .arg(m_locale.toString(m_model.rowCount()),
                           m_model.filter().latestByLabel ? QStringLiteral("repères")
                                                          : QStringLiteral("envois"))
                : recordCount(m_model.total(), m_model.filter().latestByLabel, m_locale));
        m_count->setToolTip({});
    }
    select(std::max(0, m_model.rowOf(m_keptId)));
}

void HistoryWindow::arrangeColumns()
{
    // Par repère, the device first: its repère, its state, the set-up its last bytes are.
    QHeaderView *header = m_list->horizontalHeader();
    const QList<int> order = m_model.stateColumn() >= 0
        ? QList<int> {LabelColumn, m_model.stateColumn(), m_model.setupColumn()}
        : QList<int> {DateColumn, PortColumn, SetupFileColumn, m_model.setupColumn()};
    for (int visual = 0; visual < order.size(); ++visual) {
        header->moveSection(header->visualIndex(order.at(visual)), visual);
    }
    if (m_model.stateColumn() >= 0) {
        m_list->setColumnWidth(m_model.stateColumn(), 210);
    }
}

void HistoryWindow::refresh()
{
    const std::optional<SendRecord> shown = selected();
    m_keptId = shown ? shown->id : 0;
    m_model.setFilter(m_model.filter());
}

void HistoryWindow::select(int row)
{
    if (row >= 0 && row < m_model.rowCount()) {
        m_list->setCurrentIndex(m_model.index(row, 0));
    }
    showSelected();
}

std::optional<SendRecord> HistoryWindow::selected() const
{
    const QModelIndex current = m_list->currentIndex();
    if (!current.isValid() || current.row() >= m_model.rowCount()
        || m_model.isUnprogrammed(current.row())) {
        return std::nullopt;
    }
    return m_model.recordAt(current.row());
}

void HistoryWindow::showSelected()
{
    const std::optional<SendRecord> record = selected();
    for (QPushButton *button : std::as_const(m_recordButtons)) {
        button->setEnabled(record.has_value());
    }
    // Another station's record is its own to change.
    m_labelButton->setEnabled(record.has_value() && !m_model.isShared());
    if (!record) {
        m_summary->setText(m_model.total() == 0 && m_search->text().isEmpty()
                               ? QStringLiteral("Aucun envoi n'est encore inscrit.")
                               : QString());
        m_grid->showValues(std::nullopt);
        m_bytes->clear();
        m_answer->clear();
        return;
    }
    QStringList lines {
        QStringLiteral("%1 — %2, depuis %3 (%4 sur %5, Tensiova %6)")
            .arg(shownDate(*record), historyCellText(*record, PortColumn),
                 originWord(record->origin), record->account, record->computer,
                 record->programVersion),
        QStringLiteral("Fichier de réglages : %1").arg(QDir::toNativeSeparators(record->setupFile)),
        QStringLiteral("Résultat : %1").arg(historyCellText(*record, OutcomeColumn))};
    if (!record->label.isEmpty()) {
        lines.prepend(QStringLiteral("Repère : %1").arg(record->label));
    }
    m_summary->setText(lines.join(QLatin1Char('\n')));
    m_summary->setToolTip({});
    m_grid->showValues(record->values());
    m_bytes->setPlainText(hexRows(record->message).join(QLatin1Char('\n')));
    m_answer->setPlainText(record->answer.isEmpty()
                               ? QStringLiteral("(aucune réponse)")
                               : QStringLiteral("« %1 »\n\n").arg(escapedText(record->answerText))
                                   + hexRows(record->answer).join(QLatin1Char('\n')));
}

void HistoryWindow::compare()
{
    const std::optional<SendRecord> record = selected();
    if (!record) {
        return;
    }
    auto *dialog = new QDialog(this);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setObjectName(QStringLiteral("HistoryComparison"));
    dialog->setWindowTitle(QStringLiteral("Comparer avec la fenêtre principale"));
    auto *grid = new SetupGrid(dialog);
    grid->setObjectName(QStringLiteral("ComparisonGrid"));
    // What the device would receive from the window now, beside what it received then.
    const int differences = grid->showValues(record->values(), asReceived(m_current(), m_locale));
    auto *heading = new QLabel(
        differences == 0
            ? QStringLiteral("Envoi du %1 : la fenêtre montre les mêmes réglages.")
                  .arg(shownDate(*record))
            : QStringLiteral("Envoi du %1 comparé à la fenêtre : %2, marquées « envoi → "
                             "fenêtre ».")
                  .arg(shownDate(*record),
                       differences == 1 ? QStringLiteral("1 différence")
                                        : QStringLiteral("%1 différences").arg(differences)),
        dialog);
    heading->setObjectName(QStringLiteral("ComparisonHeading"));
    auto *close = new QDialogButtonBox(QDialogButtonBox::Close, dialog);
    connect(close, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
    auto *layout = new QVBoxLayout(dialog);
    layout->addWidget(heading);
    layout->addWidget(grid);
    layout->addWidget(close);
    dialog->open();
}

void HistoryWindow::takeSettings()
{
    if (const std::optional<SendRecord> record = selected()) {
        if (const std::optional<MonitoringSetup> values = record->values()) {
            emit settingsTaken(*values);
        }
    }
}

void HistoryWindow::editLabel()
{
    const std::optional<SendRecord> record = selected();
    if (!record) {
        return;
    }
    const QString label =
        m_dialogs.askText(this, QStringLiteral("Repère"),
                          QStringLiteral("Repère de l'envoi du %1 (site, armoire, n° d'appareil) :")
                              .arg(shownDate(*record)),
                          record->label);
    if (!label.isEmpty()) {
        m_model.setLabel(m_list->currentIndex().row(), label);
    }
}

void HistoryWindow::exportCsv()
{
    const auto path = m_dialogs.chooseExportFile(this, QStringLiteral("Exporter l'historique"),
                                                 QStringLiteral("historique-envois.csv"),
                                                 QStringLiteral("Fichiers CSV (*.csv)"));
    if (!path) {
        return;
    }
    // The workshop's records are read on a thread, with a connection of their own: the window
    // stays free while a large history is written.
    auto writeCsv = [path = *path, filter = m_model.filter()](HistorySource &source) {
        QSaveFile file(path);
        const bool written = file.open(QIODevice::WriteOnly)
            && HistoryCsv::write(source, filter,
                                 [&file](const QByteArray &line) {
                                     return file.write(line) == line.size();
                                 })
            && file.commit();
        return written                             ? QString()
            : file.error() != QFileDevice::NoError ? file.errorString()
                                                   : source.error();
    };
    const auto tell = [this, path = *path](const QString &failure) {
        if (!failure.isNull()) {
            m_dialogs.warn(this, QStringLiteral("Exporter l'historique"),
                           QStringLiteral("L'historique n'a pas pu être exporté dans « %1 » (%2).")
                               .arg(QDir::toNativeSeparators(path), failure));
        }
    };
    if (!m_model.isShared()) {
        tell(writeCsv(m_store));
        return;
    }
    auto failure = std::make_shared<QString>();
    QThread *thread = QThread::create([writeCsv, failure, server = m_server] {
        SharedDatabase shared(server);
        *failure = writeCsv(shared);
    });
    connect(thread, &QThread::finished, this, [thread, failure, tell] {
        tell(*failure);
        thread->deleteLater();
    });
    thread->start();
}

void HistoryWindow::exportSheet()
{
    const std::optional<SendRecord> record = selected();
    if (!record) {
        return;
    }
    const QString proposed =
        QStringLiteral("fiche-%1.pdf")
            .arg(record->localTime().toString(QStringLiteral("yyyy-MM-dd-HHmmss")));
    const auto path = m_dialogs.chooseExportFile(this, QStringLiteral("Fiche PDF"), proposed,
                                                 QStringLiteral("Documents PDF (*.pdf)"));
    QString error;
    if (path && !HistorySheet::write(*record, m_programVersion, *path, error)) {
        m_dialogs.warn(this, QStringLiteral("Fiche PDF"),
                       QStringLiteral("La fiche n'a pas pu être écrite dans « %1 » (%2).")
                           .arg(QDir::toNativeSeparators(*path), error));
    }
}

} // namespace Tensiova
