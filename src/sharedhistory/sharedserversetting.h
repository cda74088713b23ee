#pragma once

#include "sharedhistory/shareddatabase.h"

#include <QString>

namespace Tensiova {

// The shared history's server, kept for the user in historique-partage.ini beside their other
// settings of the program. Never a password: libpq reads it from its own password file.
class SharedServerSetting
{
public:
    static QString defaultPath();
    static SharedServer load(const QString &path = defaultPath());
    // An empty connection removes the setting. False when it could not be written.
    static bool save(const SharedServer &server, const QString &path = defaultPath());
};

} // namespace Tensiova
