#include "setuplibrary/setupcopy.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace Tensiova {

namespace {

QByteArray document(const SetupVersion &version)
{
    const auto time = [](const QDateTime &at) {
        return at.isValid() ? at.toMSecsSinceEpoch() : qint64(-1);
    };
    return QJsonDocument(QJsonObject {{QStringLiteral("entries"),
                                       QJsonArray::fromStringList(version.entries)},
                                      {QStringLiteral("comment"), version.comment},
                                      {QStringLiteral("author"), version.author},
                                      {QStringLiteral("proposed"), time(version.proposedAt)},
                                      {QStringLiteral("state"), stateKey(version.state)},
                                      {QStringLiteral("decided_by"), version.decidedBy},
                                      {QStringLiteral("decided"), time(version.decidedAt)},
                                      {QStringLiteral("reason"), version.reason}})
        .toJson(QJsonDocument::Compact);
}

SetupVersion fromKept(const HistoryStore::KeptVersion &kept)
{
    const QJsonObject object = QJsonDocument::fromJson(kept.document).object();
    const auto time = [&object](const char *key) {
        const qint64 milliseconds = qint64(object.value(QLatin1String(key)).toDouble(-1));
        return milliseconds < 0 ? QDateTime()
                                : QDateTime::fromMSecsSinceEpoch(milliseconds, Qt::UTC);
    };
    const auto text = [&object](const char *key) {
        return object.value(QLatin1String(key)).toString();
    };
    SetupVersion version;
    version.name = kept.name;
    version.number = kept.number;
    version.message = kept.message;
    for (const QJsonValue &entry : object.value(QLatin1String("entries")).toArray()) {
        version.entries.append(entry.toString());
    }
    version.comment = text("comment");
    version.author = text("author");
    version.proposedAt = time("proposed");
    version.state = stateFromKey(text("state")).value_or(SetupVersion::State::Retired);
    version.decidedBy = text("decided_by");
    version.decidedAt = time("decided");
    version.reason = text("reason");
    return version;
}

} // namespace

SetupCopy::SetupCopy(const QString &historyPath)
    : m_store(historyPath)
{ }

SetupCopy::Refresh SetupCopy::refresh(SetupLibrary &library)
{
    const std::optional<QString> digest = library.digest();
    if (!digest) {
        return Refresh::ServerFailed;
    }
    if (m_store.setupCopyState().digest == *digest) {
        return Refresh::UpToDate;
    }
    const auto versions = library.approvedVersions();
    const auto assignments = library.assignments();
    if (!versions || !assignments) {
        return Refresh::ServerFailed;
    }
    QList<HistoryStore::KeptVersion> kept;
    for (const SetupVersion &version : *versions) {
        kept.append({version.name, version.number, version.message, document(version)});
    }
    QList<HistoryStore::KeptAssignment> given;
    for (const SetupAssignment &assignment : *assignments) {
        given.append({assignment.pattern, assignment.name});
    }
    return m_store.replaceSetupCopy(kept, given, *digest) ? Refresh::UpToDate : Refresh::NotWritten;
}

std::optional<QList<SetupVersion>> SetupCopy::kept(const QString &name, const QByteArray &message)
{
    const auto found = m_store.keptVersions(name, message);
    if (!found) {
        return std::nullopt;
    }
    QList<SetupVersion> versions;
    for (const HistoryStore::KeptVersion &version : *found) {
        versions.append(fromKept(version));
    }
    return versions;
}

std::optional<QList<SetupVersion>> SetupCopy::versions()
{
    return kept({}, {});
}

std::optional<SetupVersion> SetupCopy::version(const QString &name, int number)
{
    const auto versions = kept(name, {});
    if (versions) {
        for (const SetupVersion &version : *versions) {
            if (number > 0 ? version.number == number
                           : version.state == SetupVersion::State::Approved) {
                return version;
            }
        }
    }
    return std::nullopt;
}

std::optional<SetupVersion> SetupCopy::versionSending(const QByteArray &message)
{
    const auto versions = kept({}, message);
    if (!versions || versions->isEmpty()) {
        return std::nullopt;
    }
    // Kept by name and number: the approved one if any, else the last approved once.
    const auto approved =
        std::find_if(versions->begin(), versions->end(), [](const SetupVersion &version) {
            return version.state == SetupVersion::State::Approved;
        });
    return approved != versions->end() ? *approved : versions->back();
}

std::optional<QString> SetupCopy::setupOf(const QString &label)
{
    return m_store.keptSetupOf(label);
}

std::optional<QList<SetupAssignment>> SetupCopy::assignments()
{
    const auto kept = m_store.keptAssignments();
    if (!kept) {
        return std::nullopt;
    }
    QList<SetupAssignment> assignments;
    for (const HistoryStore::KeptAssignment &assignment : *kept) {
        assignments.append({assignment.pattern, assignment.name});
    }
    return assignments;
}

QDateTime SetupCopy::copiedAt()
{
    return m_store.setupCopyState().copiedAt;
}

QString SetupCopy::digest()
{
    const HistoryStore::SetupCopyState state = m_store.setupCopyState();
    return state.copiedAt.isValid() ? state.digest + state.copiedAt.toString(Qt::ISODateWithMs)
                                    : QString();
}

} // namespace Tensiova
