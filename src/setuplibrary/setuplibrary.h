#pragma once

#include "setuplibrary/setupversion.h"
#include "sharedhistory/shareddatabase.h"

#include <QList>
#include <QString>

#include <optional>

namespace Tensiova {

// A set-up of the library as its list shows it.
struct SetupSummary
{
    QString name;
    int approved = 0; // the approved version's number; 0: none
    QDateTime approvedAt;
    QString approvedAuthor;
    int proposals = 0; // versions waiting for a decision
    int latest = 0; // the last version's number
};

// Which set-up a device (repère) or every repère that begins with a prefix ("P20-*") should hold.
struct SetupAssignment
{
    QString pattern;
    QString name;
};

// The workshop's set-up library on its PostgreSQL server, beside the shared history and through
// the same connection. Who may do what is the server's rights: a station's login reads and
// proposes; approving, refusing, retiring and assigning need the approvers' role, and nobody
// approves a version of their own. A failure leaves nothing half-made: error() and errorCode()
// say why (the server's SQLSTATE, or "no-library", "no-setup", "no-version").
class SetupLibrary
{
public:
    explicit SetupLibrary(SharedDatabase &database);

    // Every set-up, by name.
    std::optional<QList<SetupSummary>> list();
    // A set-up's versions, the newest first.
    std::optional<QList<SetupVersion>> versions(const QString &name);
    // Version number of the set-up, or its approved one for 0.
    std::optional<SetupVersion> version(const QString &name, int number = 0);
    // The new version's number: one after the last, whatever other stations propose at once.
    std::optional<int> propose(const QString &name, const SetupDraft &draft,
                               const QString &comment);
    // Approved (the approved one until then retired), refused or retired.
    bool decide(const QString &name, int number, SetupVersion::State state,
                const QString &reason = {});
    bool assign(const QString &pattern, const QString &name);

    // Every version approved now or once, and every assignment: what a station keeps a copy of.
    std::optional<QList<SetupVersion>> approvedVersions();
    std::optional<QList<SetupAssignment>> assignments();
    // Changes whenever the copy would: compared before reading it all again.
    std::optional<QString> digest();

    const QString &error() const;
    const QString &errorCode() const;

private:
    bool ready();
    bool fail(const QString &code, const QString &error);
    bool read(const QByteArray &sql, const QList<ServerValue> &values, QList<SetupVersion> &into);

    SharedDatabase &m_database;
    QString m_code;
    QString m_error;
};

} // namespace Tensiova
