#include "sharedhistory/sharedserversetting.h"

#include "settings/fileaccess.h"

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

SharedServerChoice SharedServerSetting::choice(const QString &path, const QString &policyPath)
{
    const QSettings settings(path, QSettings::IniFormat);
    const SharedServer own {settings.value(ConnectionKey).toString(),
                            settings.value(UnencryptedKey).toBool()};
    const MachinePolicy policy = MachinePolicy::read(policyPath);
    SharedServerChoice chosen {own, true, policy.problem, {}};
    if (!policy.server || policy.problem) {
        return chosen; // never half of what IT meant
    }
    chosen.policyTextProblem = connectionTextProblem(*policy.server);
    if (!chosen.policyTextProblem.code.isEmpty()) {
        return chosen;
    }
    chosen.changeable = policy.serverChangeable;
    // Where IT lets users choose, its server is the default of those who chose none.
    if (!chosen.changeable || !own.isSet()) {
        chosen.server = {*policy.server, policy.unencryptedAccepted};
    }
    return chosen;
}

void SharedServerSetting::useMachineServices()
{
    const QString folder = FileAccess::machineServicesFolder();
    if (qEnvironmentVariableIsEmpty("PGSYSCONFDIR") && !folder.isEmpty()
        && QFileInfo::exists(QDir(folder).filePath(QStringLiteral("pg_service.conf")))) {
        qputenv("PGSYSCONFDIR", QFile::encodeName(QDir::toNativeSeparators(folder)));
    }
}

SharedServer SharedServerSetting::load(const QString &path)
{
    return choice(path).server;
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
