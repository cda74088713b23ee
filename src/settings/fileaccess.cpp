#include "settings/fileaccess.h"

#include <QFile>
#include <QFileInfo>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>
#endif

namespace Tensiova::FileAccess {

bool isWritable(const QString &path)
{
#ifdef Q_OS_UNIX
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
#else
    return QFileInfo(path).isWritable();
#endif
}

} // namespace Tensiova::FileAccess
