// tensiova.com, what a console runs when "tensiova" is typed there: cmd.exe and PowerShell try
// .com before .exe. A program built for the window would hand the console back at once, without
// its output or exit status; this one runs the command line in the console. Without a command
// line it starts the window, as the Start menu would, and hands the console back.
#include "app/commandline/console.h"
#include "app/commandline/sendcommand.h"

#include <QCoreApplication>
#include <QDir>
#include <QProcess>

int main(int argc, char *argv[])
{
    QCoreApplication application(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    if (Tensiova::SendCommand::isWanted(arguments)) {
        return Tensiova::SendCommand::run(arguments);
    }
    const QString window =
        QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("tensiova.exe"));
    if (!QProcess::startDetached(window, arguments.mid(1))) {
        Tensiova::Console::write(
            stderr,
            QStringLiteral("Impossible de démarrer %1.\n").arg(QDir::toNativeSeparators(window)));
        return 1;
    }
    return 0;
}
