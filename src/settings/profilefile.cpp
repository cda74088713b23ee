#include "settings/profilefile.h"

#include "settings/fileaccess.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace Tensiova::ProfileFile {

namespace {

QString finalTarget(const QString &path)
{
    QFileInfo info(path);
    for (int depth = 0; info.isSymLink() && depth < 40; ++depth) {
        info.setFile(info.symLinkTarget());
    }
    return info.filePath();
}

FileStatus systemFailure(const QFileDevice &file)
{
    return {FileStatus::Problem::System, file.errorString()};
}

} // namespace

ReadResult read(const QString &path)
{
    const QFileInfo info(path);
    if (!info.exists()) {
        return {};
    }
    if (info.isDir()) {
        return {{}, {FileStatus::Problem::Folder, {}}};
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return {{}, systemFailure(file)};
    }
    const QByteArray bytes = file.read(LargestFileRead + 1);
    if (bytes.size() > LargestFileRead) {
        return {{}, {FileStatus::Problem::TooLarge, {}}};
    }
    if (file.error() != QFileDevice::NoError) {
        return {{}, systemFailure(file)};
    }
    return {IniDocument::fromBytes(bytes), {}};
}

FileStatus write(const QString &path, const IniDocument &document)
{
    const QString target = finalTarget(path);
    const QFileInfo existing(target);
    if (existing.exists() && !existing.isFile()) {
        return {FileStatus::Problem::Folder, {}};
    }
    if (existing.exists() && !FileAccess::isWritable(target)) {
        return {FileStatus::Problem::ReadOnly, {}};
    }
    QSaveFile file(target);
    if (!file.open(QIODevice::WriteOnly)) {
        return systemFailure(file);
    }
    if (existing.exists()) {
        file.setPermissions(existing.permissions());
    }
    const QByteArray bytes = document.toBytes();
    if (file.write(bytes) != bytes.size()) {
        const FileStatus failure = systemFailure(file);
        file.cancelWriting();
        return failure;
    }
    if (!file.commit()) {
        return systemFailure(file);
    }
    return {};
}

} // namespace Tensiova::ProfileFile
