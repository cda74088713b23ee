#include "settings/fileaccess.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>

#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

namespace Tensiova::FileAccess {

bool isWritable(const QString &path)
{
    const QByteArray native = QFile::encodeName(path);
    struct stat status = {};
    if (::stat(native.constData(), &status) != 0) {
        return false;
    }
    struct statvfs fileSystem = {};
    if (::statvfs(native.constData(), &fileSystem) == 0 && (fileSystem.f_flag & ST_RDONLY)) {
        return false;
    }
    if (::geteuid() == 0) {
        return (status.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) != 0;
    }
    return ::access(native.constData(), W_OK) == 0;
}

bool isSharedInstall(const QString &folder)
{
    return QDir::cleanPath(QDir(folder).absolutePath()).startsWith(QLatin1String("/usr/"));
}

QString userSettingsFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation);
}

PolicySource machinePolicySource()
{
    // Qt's system scope, /etc/xdg/Tensiova/Tensiova.ini, where the system's configuration
    // folders (XDG_CONFIG_DIRS, the first the most important) put it elsewhere.
    const QString folders = qEnvironmentVariable("XDG_CONFIG_DIRS");
    const QString first =
        folders.isEmpty() ? QStringLiteral("/etc/xdg") : folders.section(QLatin1Char(':'), 0, 0);
    return {QDir(first).filePath(QStringLiteral("Tensiova/Tensiova.ini")), false};
}

QString machineServicesFolder()
{
    return {};
}

} // namespace Tensiova::FileAccess
