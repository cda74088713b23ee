#pragma once

#include "setuplibrary/workshopsetups.h"
#include "sharedhistory/sharedpush.h"

#include <QLocale>
#include <QObject>

#include <functional>

class QWidget;

namespace Tensiova {

class BackgroundSharing;
class LibraryThread;
class SetupLibraryDialog;
class SharedHistoryDialog;
class StatusLine;
class UserDialogs;

// The main window's side of the workshop's server: the shared history's sender and its dialog,
// what the status line and the journal say of it, and the set-up library's dialog.
class WorkshopControl : public QObject
{
    Q_OBJECT

public:
    // notice: a sentence for the journal.
    WorkshopControl(const QString &historyPath, StatusLine &statusLine, UserDialogs &dialogs,
                    std::function<void(const QString &)> notice, QWidget *window);

    BackgroundSharing &sharing() { return *m_sharing; }
    SharedHistoryDialog *sharedHistoryDialog() const { return m_sharedHistoryDialog; }
    SetupLibraryDialog *libraryDialog() const { return m_libraryDialog; }

    // Another server, or none: kept for the user, used at once. False when it could not be kept.
    bool setSharedServer(const SharedServer &server);
    void openSharedHistoryDialog();
    // A repère scanned or typed: the approved version of the set-up it is given is opened, after
    // asking when values typed by hand (typed of them) would be lost.
    void openSetupOfLabel(const QString &label, int typed);
    // The library, proposing the window's values; openedName: the set-up the window shows.
    void openLibrary(const std::function<MonitoringSetup()> &windowSetup, const QLocale &locale,
                     const QString &openedName);

signals:
    void serverChanged(const Tensiova::SharedServer &server);
    // "Ouvrir" in the library: the version to put into the window.
    void versionOpened(const Tensiova::SetupVersion &version, bool fromCopy);

private:
    void showSharing(const SharingState &state);
    void offerVersion(const QString &label, int typed, const WorkshopSetups::Found &found);

    QString m_historyPath;
    StatusLine &m_statusLine;
    UserDialogs &m_dialogs;
    std::function<void(const QString &)> m_notice;
    QWidget *m_window;
    BackgroundSharing *m_sharing = nullptr;
    SharedHistoryDialog *m_sharedHistoryDialog = nullptr;
    SetupLibraryDialog *m_libraryDialog = nullptr;
    LibraryThread *m_labels = nullptr; // the repères' set-ups, asked off the window's thread
    bool m_sharingFailed = false; // told once, until it is back
};

} // namespace Tensiova
