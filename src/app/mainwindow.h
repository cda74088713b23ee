#pragma once

#include "app/paneldesign.h"
#include "link/exchangejournal.h"
#include "model/monitoringsetup.h"
#include "settings/settingslocation.h"

#include <QLocale>
#include <QMainWindow>

#include <QTime>

#include <array>
#include <memory>
#include <optional>

class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTimer;

namespace Tensiova {

class ActionComboBox;
class DeviceProgrammer;
class HistoryRecorder;
class HistoryWindow;
class JournalWindow;
struct HistoryProblem;
class AnswerBox;
class SerialLink;
class UserDialogs;

// The main window (Form1): the programming panel with both channel grids, the device link's
// buttons, the answers box and the clock, and the menus. The controls are the one store of the
// settings; setup() and setSetup() read and write them all at once.
class MainWindow : public QMainWindow
{
    Q_OBJECT

public:
    // Builds the window as designed; its start-up, Form_Load, must then run once before it is
    // shown (MainWindow::load does both).
    MainWindow(const SettingsLocation &location, UserDialogs &dialogs,
               const QLocale &locale = QLocale::system(), QWidget *parent = nullptr);
    ~MainWindow() override;

    // Loads the window: builds it and runs its start-up, ready to be shown.
    static std::unique_ptr<MainWindow> load(const SettingsLocation &location, UserDialogs &dialogs,
                                            const QLocale &locale = QLocale::system());

    MonitoringSetup setup() const;
    void setSetup(const MonitoringSetup &setup);

    QString answers() const;
    SerialLink &serialLink() { return *m_link; }
    QString paramIniPath() const { return m_location.paramIniPath(); }

    void setPanelVisible(bool visible);
    bool isPanelVisible() const;

    // Event handlers, named after their control and event.
    void Form_Load();
    void Command6_Click();
    void Command5_Click();
    void Text1_Click();
    void Comm1_OnComm(int event);
    void Timer2_Timer();
    void Timer3_Timer();
    void n_port_Click();
    void n_surv_Click();
    void n_enregistrer_Click();
    void n_ouvrir_Click();
    void n_quit_Click();
    void n_journal_Click();
    void n_historique_Click();
    HistoryRecorder &history() { return *m_history; }
    HistoryWindow *historyWindow() const { return m_historyWindow; }
    // The set-up file the settings came from: the last one opened or saved, or param.ini.
    const QString &setupFile() const { return m_setupFile; }
    ExchangeJournal &journal() { return *m_journal; }
    JournalWindow *journalWindow() const { return m_journalWindow; }
    void n_a_propos_de_Click();

signals:
    // A programming message went out on the port, whole.
    void messageSent(const QByteArray &message);

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void buildPanel();
    void buildMenus();
    void buildFocusOrder();
    QLineEdit *textBox(Family family, int channel) const;
    QWidget *control(Family family, int channel) const;
    QWidget *panelControl(const PanelDesign::Row &row) const;
    // The marks of wrong and unsent fields, and the line that counts what was not sent.
    void refreshMarks();
    void record(ExchangeJournal::Kind kind, const QByteArray &bytes = {},
                const QString &cause = {});
    ActionComboBox *actionList(Family family, int channel) const;
    void showPendingAnswer();
    void tellHistoryProblem(const HistoryProblem &problem);
    // Completes the last record and writes what is kept; says what could not be written.
    void finishHistory();

    SettingsLocation m_location;
    UserDialogs &m_dialogs;
    QLocale m_locale;
    SerialLink *m_link = nullptr;
    std::unique_ptr<DeviceProgrammer> m_programmer;
    ExchangeJournal *m_journal = nullptr; // recording from start-up, window open or not
    JournalWindow *m_journalWindow = nullptr;
    HistoryRecorder *m_history = nullptr;
    HistoryWindow *m_historyWindow = nullptr;
    QString m_setupFile;
    QLabel *m_historyLine = nullptr; // while records wait to be written

    QGroupBox *m_panel = nullptr;
    std::array<std::array<QLineEdit *, ChannelCount>, 4> m_textBoxes {}; // min, max, coeff, et
    std::array<std::array<ActionComboBox *, ChannelCount>, 2> m_actionLists {}; // Combo2, Combo1
    AnswerBox *m_answers = nullptr;
    QLabel *m_clock = nullptr;
    QPushButton *m_send = nullptr;
    QPushButton *m_closePanel = nullptr;
    QTimer *m_clockTimer = nullptr;
    QTimer *m_closeTimer = nullptr;
    QTimer *m_answerBatch = nullptr; // gathers what arrives between two paints
    QByteArray m_pendingAnswer;
    bool m_placed = false;
    MonitoringSetup m_sentSetup; // what the device last received from here, or param.ini's
    std::optional<QTime> m_sentAt;
    QLabel *m_unsentLine = nullptr;
    bool m_settingUp = false;
};

} // namespace Tensiova
