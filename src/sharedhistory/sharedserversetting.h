#pragma once

#include "settings/machinepolicy.h"
#include "sharedhistory/serverconnection.h"
#include "sharedhistory/shareddatabase.h"

#include <QString>

namespace Tensiova {

// The server a station uses: the one the workshop's IT set for the computer when there is one
// (theirs alone to change unless they allow it), else the user's own.
struct SharedServerChoice
{
    SharedServer server;
    bool changeable = true; // the user may set another one
    // What IT set that could not be used, and why: the user's own setting applies meanwhile.
    std::optional<MachinePolicy::Problem> policyProblem;
    ConnectionTextProblem policyTextProblem; // IT's connection text refused
};

// The shared history's server, kept for the user in historique-partage.ini beside their other
// settings of the program. Never a password: libpq reads it from its own password file.
class SharedServerSetting
{
public:
    static QString defaultPath();
    // policyPath: another source for the computer's policies than the system's (tests).
    static SharedServerChoice choice(const QString &path = defaultPath(),
                                     const QString &policyPath = {});
    static SharedServer load(const QString &path = defaultPath());
    // libpq reads its services (service=atelier) from the file IT put for every user of the
    // computer, unless the environment names another folder (PGSYSCONFDIR). Once, at start,
    // before any other thread.
    static void useMachineServices();
    // An empty connection removes the setting. False when it could not be written.
    static bool save(const SharedServer &server, const QString &path = defaultPath());
};

} // namespace Tensiova
