#pragma once

#include "history/historystore.h"
#include "setuplibrary/setuplibrary.h"

#include <QDateTime>
#include <QString>

#include <optional>

namespace Tensiova {

// The station's copy of every version the workshop approved (now or once) and of which set-up
// each repère is given, kept in its local history file: a laptop in the field opens and sends
// approved set-ups without the server, and every record is named after its set-up from its bytes.
// Made again from the server whenever the library changed there, so that a version the server has
// since retired is never shown as approved once the station has reached it.
class SetupCopy
{
public:
    explicit SetupCopy(const QString &historyPath);

    // From the library, when it changed since the last copy.
    enum class Refresh {
        UpToDate,
        ServerFailed, // the library's error says why
        NotWritten, // error() says why
    };
    Refresh refresh(SetupLibrary &library);

    // The set-up's approved version for 0, or its version number when it was approved once.
    std::optional<SetupVersion> version(const QString &name, int number = 0);
    std::optional<QList<SetupVersion>> versions();
    // The version whose 52 bytes these are: the approved one first, then the latest approved
    // once. None when no approved version has them (the record is "hors bibliothèque").
    std::optional<SetupVersion> versionSending(const QByteArray &message);
    // The set-up the repère is given: its own, else its longest prefix's; empty for none.
    std::optional<QString> setupOf(const QString &label);
    std::optional<QList<SetupAssignment>> assignments();
    // When the copy was last made; invalid when it never was.
    QDateTime copiedAt();
    // Changes whenever the copy does; empty when there is none.
    QString digest();

    // Why the last call failed, in the local history's words.
    const QString &error() const { return m_store.error(); }

private:
    std::optional<QList<SetupVersion>> kept(const QString &name, const QByteArray &message);

    HistoryStore m_store;
};

} // namespace Tensiova
