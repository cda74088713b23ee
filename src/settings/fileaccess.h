#pragma once

#include <QString>

// What differs between the systems in where and whether the program may keep its files.
namespace Tensiova::FileAccess {

// Whether the program may change the file or folder at this path, judged from its mode bits and
// the file system. Root passes every permission check of the system, so for root a file without
// any write bit counts as read-only: the user marked it so on purpose.
bool isWritable(const QString &path);

// Whether the folder belongs to a shared installation (/usr, Program Files): even where this
// account could write there, settings kept there would be every user's, or lost at an update.
bool isSharedInstall(const QString &folder);

// The per-user folder for settings: ~/.config/tensiova, or the application-data folder on Windows.
QString userSettingsFolder();

// Where the workshop's IT keeps what it sets for every user of this computer: the registry's
// policies key on Windows (registry true), Qt's system scope, an INI file, elsewhere.
struct PolicySource
{
    QString path;
    bool registry = false;
};
PolicySource machinePolicySource();

// Where IT puts libpq's connection services (pg_service.conf) and the server's authority for
// every user: %ProgramData%\Tensiova on Windows; empty elsewhere, where libpq's own place serves
// (Debian's /etc/postgresql-common).
QString machineServicesFolder();

} // namespace Tensiova::FileAccess
