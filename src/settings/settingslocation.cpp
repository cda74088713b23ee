#include "settings/settingslocation.h"

#include "settings/fileaccess.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QStandardPaths>

namespace Tensiova {

namespace {

const QString ParamIniName = QStringLiteral("param.ini");

bool isSystemInstall(const QString &folder)
{
    const QString path = QDir::cleanPath(QDir(folder).absolutePath());
    return path.startsWith(QLatin1String("/usr/"));
}

} // namespace

SettingsLocation::SettingsLocation(const QString &programFolder, const QString &userFolder)
    : m_folder(programFolder)
{
    if (FileAccess::isWritable(programFolder) && !isSystemInstall(programFolder)) {
        return;
    }
    m_folder = userFolder;
    QDir().mkpath(userFolder);
    const QString userParamIni = QDir(userFolder).filePath(ParamIniName);
    const QString programParamIni = QDir(programFolder).filePath(ParamIniName);
    if (!QFile::exists(userParamIni) && QFile::exists(programParamIni)) {
        QFile::copy(programParamIni, userParamIni);
        QFile::setPermissions(userParamIni,
                              QFile::permissions(userParamIni) | QFileDevice::WriteOwner);
    }
}

SettingsLocation SettingsLocation::forThisProgram()
{
    return SettingsLocation(QCoreApplication::applicationDirPath(),
                            QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation));
}

QString SettingsLocation::paramIniPath() const
{
    return QDir(m_folder).filePath(ParamIniName);
}

} // namespace Tensiova
