#include "app/mainwindow/workshopcontrol.h"

#include "app/dialogs/setuplibrarydialog.h"
#include "app/dialogs/sharedhistorydialog.h"
#include "app/dialogs/userdialogs.h"
#include "app/mainwindow/statusline.h"
#include "app/sentences/sharingmessages.h"
#include "app/widgets/design.h"
#include "setuplibrary/librarythread.h"
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
{
    // The setting and the computer's policies, read once: the server, and what IT set wrongly.
    const SharedServerChoice chosen = SharedServerSetting::choice();
    m_sharing = new BackgroundSharing(historyPath, chosen.server, this,
                                      [historyPath](SharedDatabase &database) {
                                          // A station in the field keeps the approved set-ups.
                                          SetupLibrary library(database);
                                          SetupCopy(historyPath).refresh(library);
                                      });
    connect(m_sharing, &BackgroundSharing::stateChanged, this, &WorkshopControl::showSharing);
    if (const QString problem = SharingMessages::policyProblem(chosen); !problem.isEmpty()) {
        m_notice(problem);
    }
    m_labels = new LibraryThread(historyPath, m_sharing->server(), this);
}

void WorkshopControl::openSharedHistoryDialog()
{
    if (!m_sharedHistoryDialog) {
        const SharedServerChoice chosen = SharedServerSetting::choice();
        m_sharedHistoryDialog = new SharedHistoryDialog(
            m_sharing->server(), chosen.changeable ? QString() : SharingMessages::setByPolicy(),
            m_window);
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
    // The library's dialog and reader are made anew for the new server.
    delete m_libraryDialog;
    m_libraryDialog = nullptr;
    delete m_labels;
    m_labels = new LibraryThread(m_historyPath, server, this);
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

void WorkshopControl::openSetupOfLabel(const QString &label, int typed)
{
    if (label.isEmpty()) {
        return;
    }
    // A server known to be away is not waited for: the station's copy answers at once.
    const bool away = m_sharingFailed || !m_sharing->server().isSet();
    m_labels->call<WorkshopSetups::Found>(
        [label, away](WorkshopSetups &setups) { return setups.versionForLabel(label, away); },
        [this, label, typed](const WorkshopSetups::Found &found) {
            offerVersion(label, typed, found);
        });
}

void WorkshopControl::offerVersion(const QString &label, int typed,
                                   const WorkshopSetups::Found &found)
{
    if (found.setup.isEmpty()) {
        return; // no set-up given: the window's values are for this repère too
    }
    const QString title = QStringLiteral("Repère « %1 »").arg(label);
    if (!found.version) {
        m_statusLine.showMessage(
            QStringLiteral("%1 : le réglage « %2 » n'a pas de version approuvée.")
                .arg(title, found.setup),
            15000);
        return;
    }
    if (typed > 0
        && !m_dialogs.confirm(
            m_window, title,
            QStringLiteral("Ce repère doit recevoir %1. Les %2 valeur(s) tapée(s) à la main et "
                           "non envoyée(s) seront remplacées.")
                .arg(found.version->title())
                .arg(typed),
            QStringLiteral("Ouvrir %1").arg(found.version->title()))) {
        return;
    }
    emit versionOpened(*found.version, found.fromCopy);
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
    if (state.restored > 0) {
        message = QStringLiteral("Historique partagé : %1").arg(SharingMessages::restored(state));
        m_notice(message);
    }
    m_sharingFailed = state.failed;
    m_statusLine.showSharing(SharingMessages::status(state),
                             state.failed ? reason : SharingMessages::identity(state.server),
                             message);
}

} // namespace Tensiova
