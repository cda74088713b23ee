#pragma once

#include <QString>

#include <optional>

namespace Tensiova {

// What the workshop's IT set for every user of this computer. On Windows, the values Group Policy
// (or the MSI's properties) write under HKEY_LOCAL_MACHINE\Software\Policies\Tensiova; elsewhere
// the same names in Qt's system scope, /etc/xdg/Tensiova/Tensiova.ini. A value IT set wins over
// the user's own setting; a value that cannot be read as its kind counts as not set, and the
// first such value is told.
class MachinePolicy
{
public:
    // The value names, as the administrative template writes them.
    static const QString ServerKey; // text: the shared history's connection text
    static const QString ServerChangeableKey; // 0 or 1: a user may set another server
    static const QString UnencryptedKey; // 0 or 1: an unencrypted link to another computer

    struct Problem
    {
        enum class Kind { NotText, NotZeroOrOne };
        QString key;
        Kind kind = Kind::NotText;
    };

    // This computer's policies; iniPath reads another source, an INI file, instead (tests).
    static MachinePolicy read(const QString &iniPath = {});
    static QString defaultSource(); // where they are read from, as a user names it

    std::optional<QString> server;
    bool serverChangeable = true;
    bool unencryptedAccepted = false;
    std::optional<Problem> problem;
};

} // namespace Tensiova
