#pragma once

#include "link/programmingmessage.h"
#include "model/monitoringsetup.h"
#include "settings/setupstore.h"

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QLocale>
#include <QString>
#include <QStringList>

#include <optional>

namespace Tensiova {

// One version of a workshop's set-up: the 48 entries as a set-up file holds them and the 52 bytes
// they give, who proposed it and what became of it. Its values never change once stored; only
// its state does, by another person's decision.
struct SetupVersion
{
    enum class State { Proposed, Approved, Refused, Retired };

    QString name;
    int number = 0;
    QStringList entries;
    QByteArray message;
    QString comment;
    QString author; // the server's login that proposed it
    QDateTime proposedAt;
    State state = State::Proposed;
    QString decidedBy;
    QDateTime decidedAt;
    QString reason; // of a refusal or a retirement

    // Approved now or once: the versions devices are compared with and records named after.
    bool wasApproved() const { return state == State::Approved || state == State::Retired; }
    // "NOM v3"
    QString title() const;
    // The set-up as "Ouvrir" puts a file holding these entries into the window; an action the
    // list would refuse is left as it was in base.
    MonitoringSetup setup(const QLocale &locale, MonitoringSetup base = {}) const;

    friend bool operator==(const SetupVersion &, const SetupVersion &) = default;
};

// The set-up as "Ouvrir" puts it into the window, for a script: an action the list would refuse
// is a wrong field, as there is no earlier selection to keep.
MonitoringSetup scriptSetup(const SetupStore::LoadedSetup &loaded, QList<FieldProblem> &problems);

// "proposee", "approuvee", "refusee", "retiree": as the server stores them.
QString stateKey(SetupVersion::State state);
std::optional<SetupVersion::State> stateFromKey(const QString &key);

// What a set-up gives to propose as a version: the entries of what the device would receive
// (each threshold as its byte's number, so that opening the version gives the same bytes) and the
// 52 bytes, or the fields "Envoi" would refuse.
struct SetupDraft
{
    QStringList entries;
    QByteArray message;
    QList<FieldProblem> problems;

    bool isValid() const { return problems.isEmpty(); }
    static SetupDraft of(const MonitoringSetup &setup, const QLocale &locale);
};

} // namespace Tensiova
