#include "profilefile.h"

#include "fileaccess.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace Tensiova::ProfileFile {

namespace {

// Far beyond any settings file; keeps a wrong pick in the Open dialog from eating the memory.
constexpr qint64 LargestFileRead = 64 * 1024 * 1024;

QString finalTarget(const QString &path)
{
    QFileInfo info(path);
    for (int depth = 0; info.isSymLink() && depth < 40; ++depth) {
        info.setFile(info.symLinkTarget());
    }
    return info.filePath();
}

} // namespace

ReadResult read(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return {};
    }
    const QByteArray bytes = file.read(LargestFileRead);
    const bool complete = file.atEnd() || file.isSequential();
    return {IniDocument::fromBytes(bytes), complete};
}

bool write(const QString &path, const IniDocument &document)
{
    const QString target = finalTarget(path);
    const QFileInfo existing(target);
    if (existing.exists() && (!existing.isFile() || !FileAccess::isWritable(target))) {
        return false;
    }
    QSaveFile file(target);
    if (!file.open(QIODevice::WriteOnly)) {
        return false;
    }
    if (existing.exists()) {
        file.setPermissions(existing.permissions());
    }
    const QByteArray bytes = document.toBytes();
    if (file.write(bytes) != bytes.size()) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

} // namespace Tensiova::ProfileFile
