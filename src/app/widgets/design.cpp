#include "app/widgets/design.h"

#include "app/widgets/designstyle.h"

#include <QApplication>
#include <QDir>
#include <QFont>
#include <QFontDatabase>
#include <QLibraryInfo>
#include <QLocale>
#include <QScreen>
#include <QTranslator>
#include <QWidget>

namespace Tensiova::Design {

void prepareApplication()
{
    QApplication::setApplicationName(QStringLiteral("tensiova"));
    QApplication::setApplicationVersion(QStringLiteral(TENSIOVA_VERSION));
    QApplication::setStyle(new DesignStyle);
    // Where the system lacks the design's font (Windows), the program carries it: the captions
    // are laid out for its widths.
    for (const QString &file : QDir(QStringLiteral(":/fonts")).entryList(QDir::Files)) {
        QFontDatabase::addApplicationFont(QStringLiteral(":/fonts/") + file);
    }
    QFont font(QStringLiteral("DejaVu Sans Condensed"));
    font.setPixelSize(11);
    QApplication::setFont(font);

    auto *qtTexts = new QTranslator(qApp);
    if (qtTexts->load(QLocale(QLocale::French), QStringLiteral("qtbase"), QStringLiteral("_"),
                      QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        QApplication::installTranslator(qtTexts);
    }
}

namespace {

const QScreen *screenOf(const QWidget *window)
{
    return window->screen() ? window->screen() : QGuiApplication::primaryScreen();
}

} // namespace

void fitOnScreen(QWidget *window)
{
    const QScreen *screen = screenOf(window);
    if (!screen) {
        return;
    }
    const QSize frame = window->frameGeometry().size() - window->size();
    const QSize room = screen->availableGeometry().size() - frame;
    window->resize(window->size().boundedTo(room));
}

void centerOnScreen(QWidget *window)
{
    const QScreen *screen = screenOf(window);
    if (!screen) {
        return;
    }
    QRect frame = window->frameGeometry();
    frame.moveCenter(screen->availableGeometry().center());
    window->move(frame.topLeft());
}

void present(QWidget *window)
{
    window->show();
    window->raise();
    window->activateWindow();
}

} // namespace Tensiova::Design
