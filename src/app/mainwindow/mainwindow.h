#pragma once

#include "app/mainwindow/programmingpanel.h"
#include "app/mainwindow/sidewindows.h"
#include "app/mainwindow/workshopcontrol.h"
#include "app/widgets/answerbox.h"
#include "link/exchangejournal.h"
#include "model/monitoringsetup.h"
#include "settings/settingslocation.h"

#include <QLocale>
#include <QMainWindow>

#include <memory>

class QTimer;

namespace Tensiova {

class AnswerBatch;
class BackgroundSharing;
class SetupLibraryDialog;
struct SetupVersion;
class SharedHistoryDialog;
struct SharedServer;
class DeviceProgrammer;
class GuideWindow;
class HistoryRecorder;
class HistoryWindow;
class JournalWindow;
class MainMenus;
class MultiSendWindow;
struct HistoryProblem;
class SerialLink;
class SetupFiles;
class StatusLine;
class UserDialogs;

// The main window (Form1): the programming panel, the menus and the status line. Its handlers
// are named after their control and event, and each asks the core and shows what it answers.
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

    MonitoringSetup setup() const { return m_panel->setup(); }
    void setSetup(const MonitoringSetup &values) { m_panel->setSetup(values); }

    QString answers() const { return m_panel->answers()->text(); }
    SerialLink &serialLink() { return *m_link; }
    QString paramIniPath() const { return m_location.paramIniPath(); }
    ProgrammingPanel &panel() { return *m_panel; }

    void setPanelVisible(bool visible) { m_panel->setFrameVisible(visible); }
    bool isPanelVisible() const { return m_panel->isFrameVisible(); }

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
    void n_partage_Click();
    void n_reglages_Click();
    void n_plusieurs_Click();
    void n_aide_Click();
    void n_a_propos_de_Click();

    HistoryRecorder &history() { return *m_history; }
    HistoryWindow *historyWindow() const { return m_side->history(); }
    BackgroundSharing &sharing() { return m_workshop->sharing(); }
    SharedHistoryDialog *sharedHistoryDialog() const { return m_workshop->sharedHistoryDialog(); }
    SetupLibraryDialog *libraryDialog() const { return m_workshop->libraryDialog(); }
    // The library's version now in the window: its values, the title and the status line say so.
    void openVersion(const SetupVersion &version);
    // Another server for the shared history, or none: kept for the user, used at once.
    bool setSharedServer(const SharedServer &server);
    // The set-up file the settings came from: the last one opened or saved, or param.ini.
    const QString &setupFile() const { return m_setupFile; }
    ExchangeJournal &journal() { return *m_journal; }
    JournalWindow *journalWindow() const { return m_side->journal(); }
    GuideWindow *guideWindow() const { return m_side->guide(); }
    MultiSendWindow *multiSendWindow() const { return m_side->multiSend(); }
    SetupFiles &setupFiles() { return *m_files; }
    // Fields typed by hand since the last "Envoi" or opened file, that closing would lose.
    int unsentTyping() const { return m_panel->typedSinceSettled(); }

signals:
    // A programming message went out on the port, whole.
    void messageSent(const QByteArray &message);

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dropEvent(QDropEvent *event) override;

private:
    void connectMenus();
    void record(ExchangeJournal::Kind kind, const QByteArray &bytes = {},
                const QString &cause = {});
    void showAnswer(const QByteArray &received);
    void tellHistoryProblem(const HistoryProblem &problem);
    // The set-up of the library the window shows, by name; empty for none.
    void showOpenedVersion(const QString &name);
    // Completes the last record and writes what is kept; says what could not be written.
    void finishHistory();
    // Asks before closing on typed settings; false when the user stays.
    bool mayQuit();
    void endLink();

    SettingsLocation m_location;
    UserDialogs &m_dialogs;
    QLocale m_locale;
    SerialLink *m_link = nullptr;
    std::unique_ptr<DeviceProgrammer> m_programmer;
    ExchangeJournal *m_journal = nullptr; // recording from start-up, window open or not
    HistoryRecorder *m_history = nullptr;
    WorkshopControl *m_workshop = nullptr;
    QString m_openedVersion; // the library's set-up the window shows
    SideWindows *m_side = nullptr;
    QString m_setupFile;
    MainMenus *m_menus = nullptr;
    ProgrammingPanel *m_panel = nullptr;
    SetupFiles *m_files = nullptr;
    StatusLine *m_statusLine = nullptr;
    QTimer *m_clockTimer = nullptr;
    QTimer *m_closeTimer = nullptr;
    AnswerBatch *m_answerBatch = nullptr;
    bool m_placed = false;
    bool m_quitAsked = false; // the question was answered: closing goes on without it
};

} // namespace Tensiova
