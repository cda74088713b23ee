#pragma once

#include <QString>
#include <QStringList>

namespace Tensiova {

// The set-up files last opened or saved, newest first, kept for the user across runs in a text
// file of one full path a line. Each change reads the file again first, so that two programs open
// at once add to the list rather than overwrite each other's files.
class RecentSetups
{
public:
    static constexpr qsizetype Capacity = 8;

    explicit RecentSetups(const QString &storePath);
    // reglages-recents.txt in the user's data folder for the program.
    static QString defaultStorePath();

    QStringList paths() const;
    // Puts the file first (once: the same file named otherwise is the same file); false when the
    // list could not be written.
    bool add(const QString &path);
    bool remove(const QString &path);

private:
    bool save(const QStringList &paths) const;

    QString m_storePath;
};

} // namespace Tensiova
