#include "app/mainwindow/sidewindows.h"

#include "app/dialogs/guidewindow.h"
#include "app/dialogs/journalwindow.h"
#include "app/dialogs/multisendwindow.h"
#include "app/historywindow/historywindow.h"
#include "app/mainwindow/workshopcontrol.h"
#include "app/widgets/design.h"
#include "history/historyrecorder.h"
#include "sharedhistory/backgroundsharing.h"

namespace Tensiova {

SideWindows::SideWindows(Main main, WorkshopControl &workshop, QWidget *window)
    : QObject(window)
    , m_main(std::move(main))
    , m_workshop(workshop)
    , m_window(window)
{
    connect(&m_main.history, &HistoryRecorder::written, this, &SideWindows::refreshHistory);
}

void SideWindows::refreshHistory()
{
    if (m_history && m_history->isVisible()) {
        m_history->refresh();
    }
}

void SideWindows::openJournal()
{
    if (!m_journal) {
        m_journal = new JournalWindow(m_main.journal, m_main.dialogs, m_window);
    }
    Design::present(m_journal);
}

void SideWindows::openHistory()
{
    if (!m_history) {
        m_history = new HistoryWindow(m_main.history.store(), m_main.dialogs, m_main.setup,
                                      m_main.locale, QStringLiteral(TENSIOVA_VERSION), m_window);
        connect(m_history, &HistoryWindow::labelChanged, &m_workshop.sharing(),
                &BackgroundSharing::nudge);
        m_history->setSharedServer(m_workshop.sharing().server());
        connect(&m_workshop, &WorkshopControl::serverChanged, m_history,
                &HistoryWindow::setSharedServer);
        connect(m_history, &HistoryWindow::settingsTaken, this, &SideWindows::settingsTaken);
    } else {
        m_history->refresh();
    }
    Design::present(m_history);
}

void SideWindows::openMultiSend()
{
    if (!m_multiSend) {
        SendContext context;
        context.settingsFolder = m_main.settingsFolder;
        context.historyPath = m_main.history.store().path();
        context.origin = SendRecord::Origin::Window;
        context.programVersion = QStringLiteral(TENSIOVA_VERSION);
        context.locale = m_main.locale;
        m_multiSend =
            new MultiSendWindow(context, m_main.dialogs, m_main.setup, m_main.setupFile, m_window);
        connect(&m_multiSend->sending(), &MultiSend::finished, this, [this] {
            m_workshop.sharing().nudge();
            refreshHistory();
        });
    }
    m_multiSend->setDeviceInUse(m_main.deviceInUse());
    Design::present(m_multiSend);
}

void SideWindows::openGuide()
{
    if (!m_guide) {
        m_guide = new GuideWindow(m_window);
    }
    Design::present(m_guide);
}

} // namespace Tensiova
