// Started by tensiova-bench: shows a window and says so with its resident memory, then ends.
//   tensiova-startup-probe program FOLDER   the splash, a click, the main window on FOLDER
//   tensiova-startup-probe bare             an empty QMainWindow of the same libraries

#include "app/dialogs/qtuserdialogs.h"
#include "app/programstart.h"
#include "app/widgets/design.h"
#include "processmemory.h"

#include <QApplication>
#include <QFile>
#include <QMainWindow>
#include <QTest>

#include <cstdio>

namespace {

int shown()
{
    QCoreApplication::processEvents();
    std::printf("shown %ld\n", residentMemoryKiB());
    std::fflush(stdout);
    return 0;
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication application(argc, argv);
    const QString mode = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QString();
    if (mode == QLatin1String("bare")) {
        QMainWindow window;
        window.show();
        return QTest::qWaitForWindowExposed(&window) ? shown() : 1;
    }
    if (mode != QLatin1String("program") || argc < 3) {
        std::fprintf(stderr, "usage: %s bare | program FOLDER\n", argv[0]);
        return 2;
    }
    Tensiova::Design::prepareApplication();
    const QString folder = QString::fromLocal8Bit(argv[2]);
    Tensiova::ProgramStart start(std::make_unique<Tensiova::QtUserDialogs>(), QLocale::system());
    start.setSettingsLocation(Tensiova::SettingsLocation(folder, folder));
    start.showSplash();
    if (!QTest::qWaitForWindowExposed(start.splash())) {
        return 1;
    }
    QTest::mouseClick(start.splash(), Qt::LeftButton, {}, QPoint(10, 10));
    return start.mainWindow() && QTest::qWaitForWindowExposed(start.mainWindow()) ? shown() : 1;
}
