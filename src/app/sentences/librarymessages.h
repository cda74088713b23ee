#pragma once

#include "setuplibrary/devicestates.h"
#include "setuplibrary/setupversion.h"

#include <QString>

#include <optional>

// What the window and the command line say of the workshop's set-up library, in French.
namespace Tensiova::LibraryMessages {

// Why the library refused or could not be read: code and detail as SetupLibrary::errorCode() and
// error() give them (the server's own French sentence for its rules).
QString failure(const QString &code, const QString &detail);
// "proposée", "approuvée", "refusée", "retirée".
QString stateName(SetupVersion::State state);
// A record's set-up: its version's title ("NOM v3"), or "hors bibliothèque" for none.
QString recordSetup(const QString &versionTitle);
// « Réglage « NOM » v3 »: the window's title and status line.
QString openedSetup(const SetupVersion &version);
// "à jour", "ancienne version (v2 ; v3 approuvée)", "différent", "jamais programmé", "sans réglage
// attribué", "sans réglage approuvé".
QString deviceState(const DeviceState &state);

// Said when the server is away and the station's copy serves: its date.
QString fromCopy(const QDateTime &copiedAt);

} // namespace Tensiova::LibraryMessages
