#include "app/commandline/sendcommand.h"
#include "app/dialogs/qtuserdialogs.h"
#include "app/programstart.h"
#include "app/widgets/design.h"
#include "sharedhistory/sharedserversetting.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    // The command line needs no display: no widget is made on its path.
    QStringList arguments;
    for (int i = 0; i < argc; ++i) {
        arguments.append(QString::fromLocal8Bit(argv[i]));
    }
    if (Tensiova::SendCommand::isWanted(arguments)) {
        QCoreApplication application(argc, argv);
        return Tensiova::SendCommand::run(QCoreApplication::arguments());
    }
    QApplication application(argc, argv);
    Tensiova::SharedServerSetting::useMachineServices();
    Tensiova::Design::prepareApplication();
    Tensiova::ProgramStart start(std::make_unique<Tensiova::QtUserDialogs>(), QLocale::system());
    start.showSplash();
    return QApplication::exec();
}
