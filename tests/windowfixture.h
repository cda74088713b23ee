#pragma once

#include "app/mainwindow/mainwindow.h"
#include "app/widgets/design.h"
#include "link/seriallink.h"
#include "scripteduserdialogs.h"
#include "testdata.h"

#include <QImage>
#include <QTemporaryDir>
#include <QWidget>

#include <cstdlib>
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

// The colour a user reads a widget's words in, as it is drawn: the pixel that stands furthest
// from the background is the heart of a letter. "vert", "rouge", or "neutre" for black and grey.
inline QString inkHue(QWidget *widget)
{
    const QImage image = widget->grab().toImage();
    const QColor background = image.pixelColor(0, 0);
    QColor ink = background;
    int farthest = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QColor pixel = image.pixelColor(x, y);
            const int distance = std::abs(pixel.red() - background.red())
                + std::abs(pixel.green() - background.green())
                + std::abs(pixel.blue() - background.blue());
            if (distance > farthest) {
                farthest = distance;
                ink = pixel;
            }
        }
    }
    if (ink.green() > ink.red() + 40) {
        return QStringLiteral("vert");
    }
    return ink.red() > ink.green() + 40 ? QStringLiteral("rouge") : QStringLiteral("neutre");
}
