#include "app/design.h"
#include "app/programstart.h"
#include "app/qtuserdialogs.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication application(argc, argv);
    Tensiova::Design::prepareApplication();
    Tensiova::ProgramStart start(std::make_unique<Tensiova::QtUserDialogs>(), QLocale::system());
    start.showSplash();
    return QApplication::exec();
}
