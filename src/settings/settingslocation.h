#pragma once

#include <QString>

namespace Tensiova {

// Where param.ini lives for this run. Beside the program when that folder can be written;
// otherwise (an install under /usr, a read-only folder) the settings would silently never be
// kept, so the per-user configuration folder is used instead, seeded on first use with the
// param.ini found beside the program.
class SettingsLocation
{
public:
    SettingsLocation(const QString &programFolder, const QString &userFolder);

    // The location of a program started normally: its own folder and the per-user folder.
    static SettingsLocation forThisProgram();

    QString folder() const { return m_folder; }
    QString paramIniPath() const;

private:
    QString m_folder;
};

} // namespace Tensiova
