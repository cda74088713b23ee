#include "settings/settingslocation.h"

#include "settings/fileaccess.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>

namespace Tensiova {

namespace {

const QString ParamIniName = QStringLiteral("param.ini");

} // namespace

SettingsLocation::SettingsLocation(const QString &programFolder, const QString &userFolder,
                                   Seeding seeding)
    : m_folder(programFolder)
    , m_paramIniPath(QDir(programFolder).filePath(ParamIniName))
{
    if (FileAccess::isWritable(programFolder) && !FileAccess::isSharedInstall(programFolder)) {
        return;
    }
    m_folder = userFolder;
    const QString userParamIni = QDir(userFolder).filePath(ParamIniName);
    const QString programParamIni = m_paramIniPath;
    if (seeding == Seeding::None && !QFile::exists(userParamIni)) {
        return;
    }
    m_paramIniPath = userParamIni;
    QDir().mkpath(userFolder);
    if (!QFile::exists(userParamIni) && QFile::exists(programParamIni)) {
        QFile::copy(programParamIni, userParamIni);
        QFile::setPermissions(userParamIni,
                              QFile::permissions(userParamIni) | QFileDevice::WriteOwner);
    }
}

SettingsLocation SettingsLocation::forThisProgram(Seeding seeding)
{
    return SettingsLocation(QCoreApplication::applicationDirPath(),
                            FileAccess::userSettingsFolder(), seeding);
}

QString SettingsLocation::paramIniPath() const
{
    return m_paramIniPath;
}

} // namespace Tensiova
