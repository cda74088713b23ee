#include "settings/recentsetups.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>

namespace Tensiova {

namespace {

QString normalised(const QString &path)
{
    return QDir::cleanPath(QFileInfo(path).absoluteFilePath());
}

bool sameFile(const QString &a, const QString &b)
{
#ifdef Q_OS_WIN
    return a.compare(b, Qt::CaseInsensitive) == 0;
#else
    return a == b;
#endif
}

void removeFrom(QStringList &paths, const QString &path)
{
    paths.removeIf([&path](const QString &kept) { return sameFile(kept, path); });
}

} // namespace

RecentSetups::RecentSetups(const QString &storePath)
    : m_storePath(storePath)
{ }

QString RecentSetups::defaultStorePath()
{
    return QDir(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation))
        .filePath(QStringLiteral("tensiova/reglages-recents.txt"));
}

QStringList RecentSetups::paths() const
{
    QFile file(m_storePath);
    if (!file.open(QIODevice::ReadOnly)) {
        return {};
    }
    QStringList paths;
    for (const QString &line : QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'))) {
        const QString path = line.trimmed();
        if (!path.isEmpty() && paths.size() < Capacity) {
            removeFrom(paths, path);
            paths.append(path);
        }
    }
    return paths;
}

bool RecentSetups::add(const QString &path)
{
    const QString full = normalised(path);
    QStringList paths = this->paths();
    removeFrom(paths, full);
    paths.prepend(full);
    return save(paths.mid(0, Capacity));
}

bool RecentSetups::remove(const QString &path)
{
    QStringList paths = this->paths();
    removeFrom(paths, normalised(path));
    return save(paths);
}

bool RecentSetups::save(const QStringList &paths) const
{
    const QString folder = QFileInfo(m_storePath).absolutePath();
    if (!QDir(folder).exists()) {
        if (!QDir().mkpath(folder)) {
            return false;
        }
        QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
    QSaveFile file(m_storePath);
    if (!file.open(QIODevice::WriteOnly)) {
        return false;
    }
    file.write(paths.join(QLatin1Char('\n')).toUtf8() + '\n');
    return file.commit();
}

} // namespace Tensiova
