#pragma once

#include <QStringList>

// tensiova --send: programs a device from a script, without a window. The set-up file is read as
// "Ouvrir" reads it into the window, then sent as "Envoi" would send what the window then shows;
// param.ini is never written.
namespace Tensiova::SendCommand {

enum Exit {
    Answered = 0, // or sent, when told not to wait
    NoAnswer = 1,
    BadCommandLine = 2, // or a set-up file that cannot be read
    WrongFields = 3,
    PortNotOpened = 4,
};

// Whether the command line asks for this (or for --help, --version) rather than the window.
bool isWanted(const QStringList &arguments);

// Runs it; a QCoreApplication must exist. Prints to the standard output and error.
int run(const QStringList &arguments);

} // namespace Tensiova::SendCommand
