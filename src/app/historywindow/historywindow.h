#pragma once

#include "app/historywindow/historymodel.h"
#include "model/monitoringsetup.h"
#include "sharedhistory/shareddatabase.h"

#include <QLocale>
#include <QWidget>

#include <functional>
#include <optional>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QTableView;

namespace Tensiova {

class HistoryStore;
class SetupGrid;
class UserDialogs;

// "Paramètrage" ▸ "Historique des envois": every "Envoi" of this station (or of the whole
// workshop, from its server), newest first, or the latest of each repère, found as you type; the
// selected one in detail, compared with the main window, taken back into it, exported as CSV or
// handed over as a PDF sheet.
class HistoryWindow : public QWidget
{
    Q_OBJECT

public:
    // current: what the main window shows now.
    HistoryWindow(HistoryStore &store, UserDialogs &dialogs,
                  std::function<MonitoringSetup()> current, const QLocale &locale,
                  const QString &programVersion, QWidget *parent = nullptr);

    HistoryModel &model() { return m_model; }
    // The workshop's server: "Atelier" reads it; unset, only this station's history is there.
    void setSharedServer(const SharedServer &server);
    enum class Source { ThisStation, Workshop };
    void showSource(Source source);
    void showLatestByLabel(bool latest);
    // Reads the records again, the selected one kept (a new record came).
    void refresh();
    // The columns in the order of the view: Par repère, the device's first.
    void arrangeColumns();
    void setSearchText(const QString &text);
    void select(int row);
    std::optional<SendRecord> selected() const;

    // The buttons' work.
    void compare();
    void takeSettings();
    void editLabel();
    void exportCsv();
    void exportSheet();

signals:
    void settingsTaken(const MonitoringSetup &setup);
    // A repère was changed: the shared history has to hear of it.
    void labelChanged();

private:
    void showSelected();
    void showLoaded();
    QLayout *buildButtons();
    HistoryFilter shownFilter() const;

    HistoryStore &m_store;
    UserDialogs &m_dialogs;
    std::function<MonitoringSetup()> m_current;
    QLocale m_locale;
    QString m_programVersion;
    HistoryModel m_model;
    QLineEdit *m_search = nullptr;
    QComboBox *m_source = nullptr;
    QCheckBox *m_outdated = nullptr;
    QCheckBox *m_byLabel = nullptr;
    SharedServer m_server;
    qint64 m_keptId = 0; // the record to select again once the list is read anew
    QPushButton *m_labelButton = nullptr;
    QLabel *m_count = nullptr;
    QTableView *m_list = nullptr;
    QLabel *m_summary = nullptr;
    SetupGrid *m_grid = nullptr;
    QPlainTextEdit *m_bytes = nullptr;
    QPlainTextEdit *m_answer = nullptr;
    QList<QPushButton *> m_recordButtons; // those that need a selected record
};

} // namespace Tensiova
