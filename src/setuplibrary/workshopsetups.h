#pragma once

#include "setuplibrary/setupcopy.h"
#include "setuplibrary/setuplibrary.h"
#include "sharedhistory/shareddatabase.h"

#include <QDateTime>
#include <QString>

#include <optional>

namespace Tensiova {

// The set-up library as a station reaches it: the server when it answers (the station's copy then
// brought up to date), else the copy, which says when it was made.
class WorkshopSetups
{
public:
    WorkshopSetups(const QString &historyPath, const SharedServer &server);

    // How long the server may take to answer each call.
    void setPatience(int milliseconds) { m_database.setPatience(milliseconds); }

    struct Found
    {
        std::optional<SetupVersion> version;
        bool fromCopy = false; // the server did not answer: the station's copy served
        QDateTime copiedAt; // of the copy that served
        QString code; // why nothing was found: SetupLibrary::errorCode()
        QString error;
        QString setup; // versionForLabel: the set-up the repère is given; empty for none
    };
    // The set-up's approved version for 0, or its version number.
    Found version(const QString &name, int number = 0);
    // The approved version of the set-up a repère is given (its own, else its prefix's); from the
    // copy alone, at once, when the server is known to be away.
    Found versionForLabel(const QString &label, bool serverAway);
    // The versions a list shows: every set-up's from the server, or those of the copy (the copy
    // is not made again here: refreshCopy() after).
    struct Listing
    {
        std::optional<QList<SetupSummary>> setups;
        bool fromCopy = false;
        QDateTime copiedAt;
        QString code;
        QString error;
    };
    Listing list();

    // The server did not answer (or none is set), as opposed to refusing or not knowing what
    // was asked: code as SetupLibrary::errorCode() gives it.
    static bool isAway(const QString &code);

    // Whether the server answers; the copy is then made again if the library changed there.
    bool refreshCopy();

    SharedDatabase &database() { return m_database; }
    SetupLibrary &library() { return m_library; }
    SetupCopy &copy() { return m_copy; }

private:
    SharedDatabase m_database;
    SetupLibrary m_library;
    SetupCopy m_copy;
};

// The list a copy gives: each set-up's approved version, if it still has one.
QList<SetupSummary> summaries(const QList<SetupVersion> &versions);

} // namespace Tensiova
