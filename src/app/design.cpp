#include "app/design.h"

#include "app/designstyle.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QFont>
#include <QFontDatabase>
#include <QImageReader>
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

QPixmap builtInPicture(const QString &path)
{
    // Qt reads these formats itself: told the format, the reader does not first load every image
    // plugin of the system to ask each whether it knows the file.
    QImageReader reader(path, QFileInfo(path).suffix().toLatin1());
    reader.setAutoDetectImageFormat(false);
    return QPixmap::fromImage(reader.read());
}

QPixmap picture(const QString &resource)
{
    if (qApp->devicePixelRatio() > 1.0) {
        const qsizetype dot = resource.lastIndexOf(QLatin1Char('.'));
        QPixmap sharp =
            builtInPicture(resource.left(dot) + QStringLiteral("@2x") + resource.mid(dot));
        if (!sharp.isNull()) {
            sharp.setDevicePixelRatio(2.0);
            return sharp;
        }
    }
    return builtInPicture(resource);
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

} // namespace Tensiova::Design
