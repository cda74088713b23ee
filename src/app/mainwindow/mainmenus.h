#pragma once

#include <QObject>
#include <QStringList>

class QAction;
class QMenu;
class QMenuBar;

namespace Tensiova {

// The main window's menus: the design's, each item under its design name, and beyond it the recent
// set-ups, "Envoi" and the guide. Every menu has its Alt letter; the usual commands have their
// shortcuts, shown beside them.
class MainMenus : public QObject
{
    Q_OBJECT

public:
    explicit MainMenus(QMenuBar *bar);

    // What "à propos de ..." says.
    static QString aboutText();

    // The set-up files last opened or saved, newest first; the submenu is greyed when none is.
    void showRecentSetups(const QStringList &paths);

    QAction *saveAs = nullptr; // n_enregistrer
    QAction *open = nullptr; // n_ouvrir
    QAction *workshopSetups = nullptr; // n_reglages
    QAction *quit = nullptr; // n_quit
    QAction *port = nullptr; // n_port
    QAction *panel = nullptr; // n_surv
    QAction *journal = nullptr; // n_journal
    QAction *history = nullptr; // n_historique
    QAction *sharedHistory = nullptr; // n_partage
    QAction *send = nullptr; // n_envoi
    QAction *multiSend = nullptr; // n_plusieurs
    QAction *guide = nullptr; // n_aide
    QAction *about = nullptr; // n_a_propos_de

signals:
    void recentSetupChosen(const QString &path);

private:
    QMenu *m_recent = nullptr;
};

} // namespace Tensiova
