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
    // Seeding::None settles the same folder without creating or copying anything; param.ini is
    // then the one beside the program until the per-user folder has one of its own.
    enum class Seeding { FirstUse, None };
    SettingsLocation(const QString &programFolder, const QString &userFolder,
                     Seeding seeding = Seeding::FirstUse);

    // The location of a program started normally: its own folder and the per-user folder.
    static SettingsLocation forThisProgram(Seeding seeding = Seeding::FirstUse);

    QString folder() const { return m_folder; }
    QString paramIniPath() const;

private:
    QString m_folder;
    QString m_paramIniPath;
};

} // namespace Tensiova
