#pragma once

#include "app/historywindow/historymodel.h"
#include "model/monitoringsetup.h"

#include <QLocale>
#include <QWidget>

#include <functional>
#include <optional>

class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QTableView;

namespace Tensiova {

class HistoryStore;
class SetupGrid;
class UserDialogs;

// "Paramètrage" ▸ "Historique des envois": every "Envoi" of this station, newest first, found as
// you type; the selected one in detail, compared with the main window, taken back into it,
// exported as CSV or handed over as a PDF sheet.
class HistoryWindow : public QWidget
{
    Q_OBJECT

public:
    // current: what the main window shows now.
    HistoryWindow(HistoryStore &store, UserDialogs &dialogs,
                  std::function<MonitoringSetup()> current, const QLocale &locale,
                  const QString &programVersion, QWidget *parent = nullptr);

    HistoryModel &model() { return m_model; }
    // Reads the records again, the selected one kept (a new record came).
    void refresh();
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

private:
    void showSelected();
    QLayout *buildButtons();

    HistoryStore &m_store;
    UserDialogs &m_dialogs;
    std::function<MonitoringSetup()> m_current;
    QLocale m_locale;
    QString m_programVersion;
    HistoryModel m_model;
    QLineEdit *m_search = nullptr;
    QLabel *m_count = nullptr;
    QTableView *m_list = nullptr;
    QLabel *m_summary = nullptr;
    SetupGrid *m_grid = nullptr;
    QPlainTextEdit *m_bytes = nullptr;
    QPlainTextEdit *m_answer = nullptr;
    QList<QPushButton *> m_recordButtons; // those that need a selected record
};

} // namespace Tensiova
