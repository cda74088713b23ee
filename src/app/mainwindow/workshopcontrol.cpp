#include "app/mainwindow/workshopcontrol.h"

#include "app/dialogs/setuplibrarydialog.h"
#include "app/dialogs/sharedhistorydialog.h"
#include "app/dialogs/userdialogs.h"
#include "app/mainwindow/statusline.h"
#include "app/sentences/sharingmessages.h"
#include "app/widgets/design.h"
#include "setuplibrary/setupcopy.h"
#include "sharedhistory/backgroundsharing.h"
#include "sharedhistory/sharedserversetting.h"

#include <QDir>

namespace Tensiova {

WorkshopControl::WorkshopControl(const QString &historyPath, StatusLine &statusLine,
                                 UserDialogs &dialogs, std::function<void(const QString &)> notice,
                                 QWidget *window)
    : QObject(window)
    , m_historyPath(historyPath)
    , m_statusLine(statusLine)
    , m_dialogs(dialogs)
    , m_notice(std::move(notice))
    , m_window(window)
    , m_sharing(new BackgroundSharing(historyPath, SharedServerSetting::load(), this,
                                      [historyPath](SharedDatabase &database) {
                                          // A station in the field keeps the approved set-ups.
                                          SetupLibrary library(database);
                                          SetupCopy(historyPath).refresh(library);
                                      }))
{
    connect(m_sharing, &BackgroundSharing::stateChanged, this, &WorkshopControl::showSharing);
}

void WorkshopControl::openSharedHistoryDialog()
{
    if (!m_sharedHistoryDialog) {
        m_sharedHistoryDialog = new SharedHistoryDialog(m_sharing->server(), m_window);
        connect(m_sharedHistoryDialog, &QDialog::accepted, this, [this] {
            if (!setSharedServer(m_sharedHistoryDialog->server())) {
                m_dialogs.warn(
                    m_window, QStringLiteral("Historique partagé"),
                    QStringLiteral("Le réglage %1 n'a pas pu être écrit.")
                        .arg(QDir::toNativeSeparators(SharedServerSetting::defaultPath())));
            }
        });
    }
    Design::present(m_sharedHistoryDialog);
}

bool WorkshopControl::setSharedServer(const SharedServer &server)
{
    m_sharingFailed = false;
    m_sharing->setServer(server);
    // The library's dialog is made anew for the new server.
    delete m_libraryDialog;
    m_libraryDialog = nullptr;
    emit serverChanged(server);
    if (!server.isSet()) {
        m_statusLine.showSharing({}, {}, {});
    }
    return SharedServerSetting::save(server);
}

void WorkshopControl::openLibrary(const std::function<MonitoringSetup()> &windowSetup,
                                  const QLocale &locale, const QString &openedName)
{
    if (!m_libraryDialog) {
        m_libraryDialog = new SetupLibraryDialog(m_historyPath, m_sharing->server(), m_dialogs,
                                                 windowSetup, locale, m_window);
        connect(m_libraryDialog, &SetupLibraryDialog::versionOpened, this,
                &WorkshopControl::versionOpened);
    } else {
        m_libraryDialog->refresh();
    }
    m_libraryDialog->setOpenedName(openedName);
    Design::present(m_libraryDialog);
}

void WorkshopControl::showSharing(const SharingState &state)
{
    if (!m_sharing->server().isSet()) {
        m_statusLine.showSharing({}, {}, {});
        return;
    }
    const QString reason = state.failed ? SharingMessages::reason(state) : QString();
    QString message;
    // Told once when the server is lost, once when it is back.
    if (state.failed && !m_sharingFailed) {
        message = QStringLiteral("Historique partagé : %1").arg(reason);
        m_notice(message);
    } else if (!state.failed && m_sharingFailed) {
        message = QStringLiteral("Historique partagé : le serveur répond de nouveau, %1 envoi(s) "
                                 "copié(s).")
                      .arg(state.sent);
        m_notice(message);
    }
    m_sharingFailed = state.failed;
    m_statusLine.showSharing(SharingMessages::status(state),
                             state.failed ? reason : SharingMessages::identity(state.server),
                             message);
}

} // namespace Tensiova
