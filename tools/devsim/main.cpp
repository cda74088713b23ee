// tensiova-devsim: a simulated monitoring device on a pseudo-terminal, to try the program
// without hardware.

#include "simulateddevice.h"

#include <QCommandLineParser>
#include <QCoreApplication>

#include <csignal>
#include <cstdio>

namespace {

volatile bool stopRequested = false;

void requestStop(int)
{
    stopRequested = true;
}

QByteArray unescape(const QString &text)
{
    QByteArray bytes = text.toLatin1();
    bytes.replace("\\r", "\r")
        .replace("\\n", "\n")
        .replace("\\t", "\t")
        .replace("\\0", QByteArray(1, '\0'));
    return bytes;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication application(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Simulated monitoring device on a pseudo-terminal."));
    parser.addHelpOption();
    const QCommandLineOption link(QStringLiteral("link"),
                                  QStringLiteral("Make a link to the terminal here."),
                                  QStringLiteral("path"));
    const QCommandLineOption reply(QStringLiteral("reply"),
                                   QStringLiteral("Answer (\\r \\n \\t \\0 allowed)."),
                                   QStringLiteral("text"), QStringLiteral("OK\\r\\n"));
    const QCommandLineOption silent(QStringLiteral("silent"), QStringLiteral("Never answer."));
    const QCommandLineOption flood(QStringLiteral("flood"),
                                   QStringLiteral("Send N bytes at full speed after each message."),
                                   QStringLiteral("N"));
    const QCommandLineOption hangUp(QStringLiteral("hangup-after"),
                                    QStringLiteral("Hang up after N messages."),
                                    QStringLiteral("N"));
    parser.addOptions({link, reply, silent, flood, hangUp});
    parser.process(application);

    SimulatedDevice::Options options;
    options.linkPath = parser.value(link);
    options.reply = unescape(parser.value(reply));
    options.silent = parser.isSet(silent);
    options.floodBytes = parser.value(flood).toLongLong();
    options.hangUpAfter = parser.value(hangUp).toInt();

    std::signal(SIGINT, requestStop);
    std::signal(SIGTERM, requestStop);
    std::signal(SIGHUP, requestStop);

    SimulatedDevice device(options);
    if (!device.start()) {
        return 1;
    }
    std::printf("Appareil simulé prêt sur %s%s%s\n", qPrintable(device.devicePath()),
                options.linkPath.isEmpty() ? "" : " -> ", qPrintable(options.linkPath));
    std::fflush(stdout);
    return device.run(stopRequested);
}
