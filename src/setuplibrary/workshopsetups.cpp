#include "setuplibrary/workshopsetups.h"

#include <QMap>

namespace Tensiova {

bool WorkshopSetups::isAway(const QString &code)
{
    return code.isEmpty() || code == QLatin1String("connection") || code == QLatin1String("not-set")
        || code.startsWith(QLatin1String("08")) || code.startsWith(QLatin1String("57P"));
}

WorkshopSetups::WorkshopSetups(const QString &historyPath, const SharedServer &server)
    : m_database(server)
    , m_library(m_database)
    , m_copy(historyPath)
{ }

bool WorkshopSetups::refreshCopy()
{
    // A copy that cannot be written does not keep the server's answer from serving.
    return m_copy.refresh(m_library) != SetupCopy::Refresh::ServerFailed
        || !isAway(m_library.errorCode());
}

WorkshopSetups::Found WorkshopSetups::version(const QString &name, int number)
{
    Found found;
    if (refreshCopy()) {
        found.version = m_library.version(name, number);
        if (found.version || !isAway(m_library.errorCode())) {
            found.code = m_library.errorCode();
            found.error = m_library.error();
            return found;
        }
    }
    found.fromCopy = true;
    found.copiedAt = m_copy.copiedAt();
    found.version = m_copy.version(name, number);
    if (!found.version) {
        found.code = m_library.errorCode();
        found.error = m_library.error();
    }
    return found;
}

WorkshopSetups::Found WorkshopSetups::versionForLabel(const QString &label, bool serverAway)
{
    const bool reached = !serverAway && refreshCopy();
    const QString setup = m_copy.setupOf(label).value_or(QString());
    Found found;
    if (!setup.isEmpty()) {
        if (reached) {
            found.version = m_library.version(setup);
            found.code = m_library.errorCode();
            found.error = m_library.error();
        } else {
            found.fromCopy = true;
            found.copiedAt = m_copy.copiedAt();
            found.version = m_copy.version(setup);
        }
    }
    found.setup = setup;
    return found;
}

WorkshopSetups::Listing WorkshopSetups::list()
{
    // The list first: the copy, read again after it when the library changed, never delays it.
    Listing listing;
    listing.setups = m_library.list();
    listing.code = m_library.errorCode();
    listing.error = m_library.error();
    if (listing.setups || !isAway(listing.code)) {
        return listing;
    }
    listing.fromCopy = true;
    listing.copiedAt = m_copy.copiedAt();
    if (const auto versions = m_copy.versions()) {
        listing.setups = summaries(*versions);
    }
    return listing;
}

QList<SetupSummary> summaries(const QList<SetupVersion> &versions)
{
    QMap<QString, SetupSummary> byName;
    for (const SetupVersion &version : versions) {
        SetupSummary &summary = byName[version.name];
        summary.name = version.name;
        summary.latest = std::max(summary.latest, version.number);
        if (version.state == SetupVersion::State::Approved) {
            summary.approved = version.number;
            summary.approvedAt = version.decidedAt;
            summary.approvedAuthor = version.author;
        }
    }
    return byName.values();
}

} // namespace Tensiova
