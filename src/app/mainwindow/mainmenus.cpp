#include "app/mainwindow/mainmenus.h"

#include <QDir>
#include <QFileInfo>
#include <QKeySequence>
#include <QMenu>
#include <QMenuBar>

namespace Tensiova {

namespace {

QMenu *addMenu(QMenuBar *bar, const QString &title, const QString &name)
{
    QMenu *menu = bar->addMenu(title);
    menu->setObjectName(name);
    menu->menuAction()->setObjectName(name);
    return menu;
}

QAction *addItem(QMenu *menu, const QString &text, const QString &name,
                 const QKeySequence &shortcut = {})
{
    QAction *action = menu->addAction(text);
    action->setObjectName(name);
    action->setShortcut(shortcut);
    return action;
}

} // namespace

MainMenus::MainMenus(QMenuBar *bar)
    : QObject(bar)
{
    // The menus belong in the window, also where the desktop offers a global menu bar.
    bar->setNativeMenuBar(false);

    QMenu *file = addMenu(bar, QStringLiteral("&Fichier"), QStringLiteral("n_fichier"));
    saveAs = addItem(file, QStringLiteral("&Enregistrer sous"), QStringLiteral("n_enregistrer"),
                     QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S));
    open = addItem(file, QStringLiteral("&Ouvrir"), QStringLiteral("n_ouvrir"),
                   QKeySequence(Qt::CTRL | Qt::Key_O));
    m_recent = file->addMenu(QStringLiteral("Réglages &récents"));
    m_recent->setObjectName(QStringLiteral("n_recents"));
    m_recent->menuAction()->setObjectName(QStringLiteral("n_recents"));
    m_recent->setToolTipsVisible(true);
    workshopSetups =
        addItem(file, QStringLiteral("Réglages de l'&atelier…"), QStringLiteral("n_reglages"));
    file->addSeparator();
    quit = addItem(file, QStringLiteral("&Quitter"), QStringLiteral("n_quit"),
                   QKeySequence(Qt::CTRL | Qt::Key_Q));

    QMenu *settings = addMenu(bar, QStringLiteral("&Paramètrage"), QStringLiteral("n_param"));
    port = addItem(settings, QStringLiteral("Port &COM"), QStringLiteral("n_port"));
    panel = addItem(settings, QStringLiteral("&Surveillance"), QStringLiteral("n_surv"));
    // Beyond the design: after its items, never in place of them.
    journal =
        addItem(settings, QStringLiteral("&Journal des échanges"), QStringLiteral("n_journal"));
    history =
        addItem(settings, QStringLiteral("&Historique des envois"), QStringLiteral("n_historique"));
    sharedHistory =
        addItem(settings, QStringLiteral("Historique p&artagé…"), QStringLiteral("n_partage"));
    settings->addSeparator();
    // Ctrl+Entrée: no field of the panel uses it, where a letter would be typed.
    send = addItem(settings, QStringLiteral("&Envoi"), QStringLiteral("n_envoi"));
    send->setShortcuts(
        {QKeySequence(Qt::CTRL | Qt::Key_Return), QKeySequence(Qt::CTRL | Qt::Key_Enter)});
    multiSend = addItem(settings, QStringLiteral("Envoi à &plusieurs appareils…"),
                        QStringLiteral("n_plusieurs"));

    about = bar->addAction(QStringLiteral("à propos &de ..."));
    about->setObjectName(QStringLiteral("n_a_propos_de"));

    QMenu *help = addMenu(bar, QStringLiteral("&?"), QStringLiteral("n_aide_menu"));
    guide =
        addItem(help, QStringLiteral("&Aide"), QStringLiteral("n_aide"), QKeySequence(Qt::Key_F1));

    showRecentSetups({});
}

QString MainMenus::aboutText()
{
    return QStringLiteral("Surveillance de tensions analogiques et logiques\n\n"
                          "Tensiova, version %1\nQt %2")
        .arg(QStringLiteral(TENSIOVA_VERSION), QString::fromLatin1(qVersion()));
}

void MainMenus::showRecentSetups(const QStringList &paths)
{
    m_recent->clear();
    for (qsizetype i = 0; i < paths.size(); ++i) {
        const QString &path = paths.at(i);
        QAction *action = m_recent->addAction(QStringLiteral("&%1 %2").arg(i + 1).arg(
            QFileInfo(path).fileName().replace(QLatin1Char('&'), QStringLiteral("&&"))));
        action->setObjectName(QStringLiteral("n_recent(%1)").arg(i));
        action->setToolTip(QDir::toNativeSeparators(path));
        action->setStatusTip(QDir::toNativeSeparators(path));
        connect(action, &QAction::triggered, this, [this, path] { emit recentSetupChosen(path); });
    }
    m_recent->setEnabled(!paths.isEmpty());
}

} // namespace Tensiova
