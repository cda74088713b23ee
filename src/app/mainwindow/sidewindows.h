#pragma once

#include "model/monitoringsetup.h"

#include <QLocale>
#include <QObject>

#include <functional>

class QWidget;

namespace Tensiova {

class ExchangeJournal;
class GuideWindow;
class HistoryRecorder;
class HistoryWindow;
class JournalWindow;
class MultiSendWindow;
class UserDialogs;
class WorkshopControl;

// The windows beside the main one, each made at its first opening and shown again after: the
// journal, the history, the several-devices window and the guide.
class SideWindows : public QObject
{
    Q_OBJECT

public:
    // What they need of the main window.
    struct Main
    {
        ExchangeJournal &journal;
        HistoryRecorder &history;
        UserDialogs &dialogs;
        QLocale locale;
        QString settingsFolder;
        std::function<MonitoringSetup()> setup;
        std::function<QString()> setupFile; // where its values came from
        std::function<QString()> deviceInUse; // its own port's device, if open
    };
    SideWindows(Main main, WorkshopControl &workshop, QWidget *window);

    void openJournal();
    void openHistory();
    void openMultiSend();
    void openGuide();

    JournalWindow *journal() const { return m_journal; }
    HistoryWindow *history() const { return m_history; }
    MultiSendWindow *multiSend() const { return m_multiSend; }
    GuideWindow *guide() const { return m_guide; }

signals:
    // The history's "Reprendre ces réglages": to put on screen, not sent.
    void settingsTaken(const Tensiova::MonitoringSetup &setup);

private:
    void refreshHistory();

    Main m_main;
    WorkshopControl &m_workshop;
    QWidget *m_window;
    JournalWindow *m_journal = nullptr;
    HistoryWindow *m_history = nullptr;
    MultiSendWindow *m_multiSend = nullptr;
    GuideWindow *m_guide = nullptr;
};

} // namespace Tensiova
