#include "settings/machinepolicy.h"

#include "settings/fileaccess.h"

#include <QSettings>

namespace Tensiova {

const QString MachinePolicy::ServerKey = QStringLiteral("ServeurHistorique");
const QString MachinePolicy::ServerChangeableKey = QStringLiteral("ServeurHistoriqueModifiable");
const QString MachinePolicy::UnencryptedKey = QStringLiteral("NonChiffreAccepte");

namespace {

// A text as the registry (REG_SZ, REG_EXPAND_SZ) or an INI file holds it. An INI file splits an
// unquoted value at its commas, as in "host=a,b": put back, since IT writes it as one line.
std::optional<QString> textOf(const QVariant &value, bool fromIni)
{
    if (value.typeId() == QMetaType::QString) {
        return value.toString().trimmed();
    }
    if (fromIni && value.typeId() == QMetaType::QStringList) {
        return value.toStringList().join(QLatin1Char(',')).trimmed();
    }
    return std::nullopt;
}

// 0 or 1 as a REG_DWORD holds it, or as an INI file's text ("0", "1", "true", "false").
std::optional<bool> flagOf(const QVariant &value)
{
    switch (value.typeId()) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
        if (value.toLongLong() == 0 || value.toLongLong() == 1) {
            return value.toLongLong() == 1;
        }
        return std::nullopt;
    case QMetaType::QString: {
        const QString text = value.toString().trimmed().toLower();
        if (text == QLatin1String("1") || text == QLatin1String("true")) {
            return true;
        }
        if (text == QLatin1String("0") || text == QLatin1String("false")) {
            return false;
        }
        return std::nullopt;
    }
    default:
        return std::nullopt;
    }
}

} // namespace

QString MachinePolicy::defaultSource()
{
    return FileAccess::machinePolicySource().path;
}

MachinePolicy MachinePolicy::read(const QString &iniPath)
{
    const FileAccess::PolicySource system = FileAccess::machinePolicySource();
    const bool fromIni = !iniPath.isEmpty() || !system.registry;
    const QSettings source(iniPath.isEmpty() ? system.path : iniPath,
                           fromIni ? QSettings::IniFormat : QSettings::NativeFormat);
    MachinePolicy policy;
    const auto refuse = [&policy](const QString &key, Problem::Kind kind) {
        if (!policy.problem) {
            policy.problem = Problem {key, kind};
        }
    };
    if (source.contains(ServerKey)) {
        policy.server = textOf(source.value(ServerKey), fromIni);
        if (!policy.server) {
            refuse(ServerKey, Problem::Kind::NotText);
        }
    }
    for (const auto &[key, flag] : {std::pair {ServerChangeableKey, &policy.serverChangeable},
                                    std::pair {UnencryptedKey, &policy.unencryptedAccepted}}) {
        if (!source.contains(key)) {
            continue;
        }
        if (const std::optional<bool> value = flagOf(source.value(key))) {
            *flag = *value;
        } else {
            refuse(key, Problem::Kind::NotZeroOrOne);
        }
    }
    // A server IT set is theirs to change, unless they say otherwise in a value that is read.
    const bool allowanceRead = source.contains(ServerChangeableKey)
        && !(policy.problem && policy.problem->key == ServerChangeableKey);
    if (policy.server && !allowanceRead) {
        policy.serverChangeable = false;
    }
    return policy;
}

} // namespace Tensiova
