#include "sharedhistory/sharedserversetting.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>

namespace Tensiova {

namespace {
const QString ConnectionKey = QStringLiteral("historique-partage/connexion");
const QString UnencryptedKey = QStringLiteral("historique-partage/non-chiffre-accepte");
} // namespace

QString SharedServerSetting::defaultPath()
{
    return QDir(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation))
        .filePath(QStringLiteral("tensiova/historique-partage.ini"));
}

SharedServer SharedServerSetting::load(const QString &path)
{
    const QSettings settings(path, QSettings::IniFormat);
    return {settings.value(ConnectionKey).toString(), settings.value(UnencryptedKey).toBool()};
}

bool SharedServerSetting::save(const SharedServer &server, const QString &path)
{
    if (!server.isSet()) {
        return !QFile::exists(path) || QFile::remove(path);
    }
    QDir().mkpath(QFileInfo(path).absolutePath());
    QSettings settings(path, QSettings::IniFormat);
    settings.setValue(ConnectionKey, server.connection.trimmed());
    settings.setValue(UnencryptedKey, server.acceptUnencrypted);
    settings.sync();
    return settings.status() == QSettings::NoError;
}

} // namespace Tensiova
