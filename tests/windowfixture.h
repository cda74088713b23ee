#pragma once

#include "app/mainwindow/mainwindow.h"
#include "app/widgets/design.h"
#include "link/seriallink.h"
#include "scripteduserdialogs.h"
#include "testdata.h"

#include <QTemporaryDir>

#include <memory>

// A main window on a settings folder of its own, with scripted dialogs.
struct WindowFixture
{
    QTemporaryDir folder;
    ScriptedUserDialogs dialogs;
    std::unique_ptr<Tensiova::MainWindow> window;

    QString paramIni() const { return folder.filePath(QStringLiteral("param.ini")); }

    Tensiova::MainWindow &open(const QLocale &locale = QLocale::system())
    {
        // A history of its own, where the program looks for the user's (Linux).
        qputenv("XDG_DATA_HOME", QFile::encodeName(folder.filePath(QStringLiteral("data"))));
        window = Tensiova::MainWindow::load(
            Tensiova::SettingsLocation(folder.path(), folder.path()), dialogs, locale);
        return *window;
    }

    template<typename Widget> Widget *find(const QString &name) const
    {
        return window->findChild<Widget *>(name);
    }
};
