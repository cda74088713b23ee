#pragma once

#include "setuplibrary/setupcopy.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QSet>
#include <QString>

#include <optional>

namespace Tensiova {

// What a device holds against what it should hold.
struct DeviceState
{
    enum class Kind {
        UpToDate, // its last record sent its set-up's approved version
        OldVersion, // a version approved before the approved one
        Different, // bytes of no approved version of its set-up
        NeverProgrammed, // given a set-up, no record
        NoSetupAssigned,
        NoApprovedVersion, // its set-up has no approved version now (retired, or none yet)
    };
    Kind kind = Kind::NoSetupAssigned;
    QString setup; // the set-up it is given
    int held = 0; // the version its bytes are, when they are one
    int approved = 0; // its set-up's approved version

    // "À reprogrammer": a device that should be given its set-up's approved version.
    bool needsProgramming() const
    {
        return kind == Kind::OldVersion || kind == Kind::Different || kind == Kind::NeverProgrammed;
    }
};

// Each device's state, worked out from the station's copy of the library: which set-up its repère
// is given (its own, else its longest prefix's, whatever the case) and which approved version, now
// or once, its last record's bytes are. Read once, asked as often as needed.
class DeviceStates
{
public:
    // Nothing when the copy could not be read.
    static std::optional<DeviceStates> fromCopy(SetupCopy &copy);

    // Of the device by its repère and the bytes it was last sent; empty bytes: never sent.
    DeviceState of(const QString &label, const QByteArray &message) const;
    // The version a record's bytes are ("NOM v3"): the approved one first, then the latest
    // approved once; empty when none is ("hors bibliothèque").
    QString versionTitle(const QByteArray &message) const { return m_titles.value(message); }
    // The repères given a set-up of their own that none of the labels (as folded by
    // foldedLabel) names: devices never programmed.
    QStringList unprogrammed(const QSet<QString> &foldedLabels) const;
    static QString foldedLabel(const QString &label) { return label.toLower(); }

private:
    struct Setup
    {
        int approved = 0;
        QHash<QByteArray, int> approvedOnce; // bytes → version
    };
    QString setupOf(const QString &label) const;

    QHash<QString, QString> m_exact; // folded repère → set-up
    QHash<QString, QString> m_exactPatterns; // folded repère → the repère as given
    QList<std::pair<QString, QString>> m_prefixes; // folded prefix → set-up, longest first
    QHash<QString, Setup> m_setups;
    QHash<QByteArray, QString> m_titles;
};

} // namespace Tensiova
