#include "design.h"

#include <QApplication>
#include <QFont>
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
    QApplication::setStyle(QStringLiteral("Fusion"));
    QFont font(QStringLiteral("DejaVu Sans Condensed"));
    font.setPixelSize(11);
    QApplication::setFont(font);

    auto *qtTexts = new QTranslator(qApp);
    if (qtTexts->load(QLocale(QLocale::French), QStringLiteral("qtbase"), QStringLiteral("_"),
                      QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        QApplication::installTranslator(qtTexts);
    }
}

void centerOnScreen(QWidget *window)
{
    const QScreen *screen = window->screen() ? window->screen() : QGuiApplication::primaryScreen();
    if (!screen) {
        return;
    }
    QRect frame = window->frameGeometry();
    frame.moveCenter(screen->availableGeometry().center());
    window->move(frame.topLeft());
}

} // namespace Tensiova::Design
