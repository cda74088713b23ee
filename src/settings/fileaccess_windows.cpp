#include "settings/fileaccess.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryFile>

namespace Tensiova::FileAccess {

bool isWritable(const QString &path)
{
    const QFileInfo info(path);
    if (!info.isDir()) {
        return info.exists() && info.isWritable();
    }
    // A folder's read-only mark means nothing on Windows, and its access rules are many: whether
    // a file can be made there is the one sure answer (Program Files refuses it to most users).
    QTemporaryFile probe(QDir(path).filePath(QStringLiteral("tensiova-XXXXXX.tmp")));
    return probe.open();
}

bool isSharedInstall(const QString &folder)
{
    const QString path = QDir::cleanPath(QDir(folder).absolutePath()) + QLatin1Char('/');
    for (const char *variable : {"ProgramFiles", "ProgramFiles(x86)", "ProgramW6432"}) {
        const QString programs = QDir::fromNativeSeparators(qEnvironmentVariable(variable));
        if (!programs.isEmpty()
            && path.startsWith(QDir::cleanPath(programs) + QLatin1Char('/'), Qt::CaseInsensitive)) {
            return true;
        }
    }
    return false;
}

QString userSettingsFolder()
{
    // %APPDATA%\tensiova: the roaming folder, so the settings follow the user from PC to PC.
    return QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
}

PolicySource machinePolicySource()
{
    // Where Group Policy writes: never a user's to change.
    return {QStringLiteral("HKEY_LOCAL_MACHINE\\Software\\Policies\\Tensiova"), true};
}

QString machineServicesFolder()
{
    return QDir(qEnvironmentVariable("ProgramData")).filePath(QStringLiteral("Tensiova"));
}

} // namespace Tensiova::FileAccess
