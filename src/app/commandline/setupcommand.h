#pragma once

#include "setuplibrary/setupversion.h"

#include <QCommandLineOption>
#include <QList>
#include <QString>

#include <optional>

class QCommandLineParser;

// tensiova --setups, --setup-propose, --setup-approve…: the workshop's set-up library from a
// script, and the version "--send --setup NOM[@N]" sends.
namespace Tensiova {
class WorkshopSetups;
}

namespace Tensiova::SetupCommand {

enum Exit {
    Done = 0,
    ServerAway = 1, // nothing done: the server did not answer
    BadCommandLine = 2, // or an unreadable file, or a set-up or version the library does not have
    WrongFields = 3, // a field "Envoi" would refuse: not proposed
    Refused = 4, // by the server's rules or rights
};

// How long a script gives the server each call.
inline constexpr int ScriptPatienceMs = 3000;

// Its own options; it shares --json and --comment's value with nothing.
QList<QCommandLineOption> options();
// Its part of "tensiova --help".
QString help();
// Whether the command line asks for one of its commands.
bool isWanted(const QCommandLineParser &parser);
int run(const QCommandLineParser &parser);

// The version "--send --setup NOM[@N]" sends: from the server, else from the station's copy
// (said on the error output), through setups (whose connection --send then uses again). On failure,
// the exit status of --send and the French reason.
struct Chosen
{
    std::optional<SetupVersion> version;
    int sendExit = 0;
    QString status;
    QString message;
};
Chosen versionToSend(const QString &wanted, WorkshopSetups &setups);

} // namespace Tensiova::SetupCommand
