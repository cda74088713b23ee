#pragma once

#include "settings/recentsetups.h"

#include <QLocale>
#include <QObject>

class QMimeData;
class QWidget;

namespace Tensiova {

class ProgrammingPanel;
class UserDialogs;

// The set-up files' commands of the main window: "Enregistrer sous", "Ouvrir", the recent set-ups
// and a file dropped on the window, each with its checks and messages, and the list of recent
// files they keep.
class SetupFiles : public QObject
{
    Q_OBJECT

public:
    SetupFiles(ProgrammingPanel &panel, UserDialogs &dialogs, const QLocale &locale,
               QWidget *window);

    void saveAs();
    void open();
    void openRecent(const QString &path);
    // Opens a dropped set-up file as "Ouvrir" does, or says why the drop is refused.
    void takeDrop(const QMimeData &data);
    // Opens a set-up file as "Ouvrir" does; title: the command that asked. A file that must hold
    // settings and holds none of the 48 is refused. False when the fields stayed as they were.
    bool openFile(const QString &path, const QString &title, bool mustHoldSettings = false);

    QStringList recentPaths() const { return m_recents.paths(); }

signals:
    // The fields now hold the file's settings, or the file holds the fields': closing loses
    // nothing that was typed.
    void settled(const QString &path);
    void recentPathsChanged(const QStringList &paths);

private:
    void remember(const QString &path);

    ProgrammingPanel &m_panel;
    UserDialogs &m_dialogs;
    QLocale m_locale;
    QWidget *m_window;
    RecentSetups m_recents;
};

} // namespace Tensiova
