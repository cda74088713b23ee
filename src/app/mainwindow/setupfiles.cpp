#include "app/mainwindow/setupfiles.h"

#include "app/dialogs/userdialogs.h"
#include "app/mainwindow/programmingpanel.h"
#include "app/mainwindow/setupdrop.h"
#include "app/sentences/filemessages.h"
#include "settings/setupstore.h"

#include <QFileInfo>

namespace Tensiova {

SetupFiles::SetupFiles(ProgrammingPanel &panel, UserDialogs &dialogs, const QLocale &locale,
                       QWidget *window)
    : QObject(window)
    , m_panel(panel)
    , m_dialogs(dialogs)
    , m_locale(locale)
    , m_window(window)
    , m_recents(RecentSetups::defaultStorePath())
{ }

void SetupFiles::saveAs()
{
    if (const auto path = m_dialogs.chooseSetupFile(m_window, UserDialogs::FileMode::Save)) {
        if (const FileStatus saved = SetupStore::SaveSetup(*path, m_panel.setup()); !saved) {
            m_dialogs.warn(m_window, QStringLiteral("Enregistrer sous"),
                           FileMessages::notSaved(*path, saved));
        } else {
            remember(*path);
        }
    }
}

void SetupFiles::open()
{
    if (const auto path = m_dialogs.chooseSetupFile(m_window, UserDialogs::FileMode::Open)) {
        openFile(*path, QStringLiteral("Ouvrir"));
    }
}

void SetupFiles::openRecent(const QString &path)
{
    if (!QFileInfo::exists(path)) {
        m_recents.remove(path);
        emit recentPathsChanged(m_recents.paths());
        m_dialogs.warn(m_window, QStringLiteral("Réglages récents"),
                       FileMessages::recentGone(path));
        return;
    }
    openFile(path, QStringLiteral("Ouvrir"));
}

void SetupFiles::takeDrop(const QMimeData &data)
{
    const QString title = QStringLiteral("Déposer un fichier");
    if (const SetupDrop drop = SetupDrop::examine(data); drop.path.isEmpty()) {
        m_dialogs.warn(m_window, title, drop.refusal);
    } else {
        openFile(drop.path, title, true);
    }
}

bool SetupFiles::openFile(const QString &path, const QString &title, bool mustHoldSettings)
{
    const SetupStore::LoadedSetup loaded = SetupStore::LoadSetup(path, m_locale);
    if (!loaded.status) {
        m_dialogs.warn(m_window, title, FileMessages::notOpened(path, loaded.status));
        return false;
    }
    // "Ouvrir" takes whatever file is chosen, as it always did.
    if (mustHoldSettings && loaded.found == 0) {
        m_dialogs.warn(m_window, title, FileMessages::notASetup(path));
        return false;
    }
    m_panel.setSetup(SetupStore::applyLoadedEntries(m_panel.setup(), loaded));
    remember(path);
    return true;
}

void SetupFiles::remember(const QString &path)
{
    m_recents.add(path);
    emit recentPathsChanged(m_recents.paths());
    emit settled(path);
}

} // namespace Tensiova
