#pragma once

#include "sharedhistory/sharedpush.h"
#include "sharedhistory/sharedserversetting.h"

#include <QString>

// What the window and the command line say of the shared history, in French.
namespace Tensiova::SharingMessages {

// Why the records wait, in a sentence that carries libpq's or the server's own words: code and
// detail as SharedDatabase::errorCode() and error() give them.
QString reason(const QString &code, const QString &detail);
QString reason(const SharingState &state);
// Why the server could not be reached or read.
QString failure(const SharedDatabase &shared);
// Why the connection text is refused (a password in it, or libpq cannot read it); empty when it
// may be kept.
QString connectionTextRefusal(const QString &connection);
// "Historique partagé : à jour", "Historique partagé : 3 envois en attente".
QString status(const SharingState &state);
// What a check of the server found: the records it had lost, sent to it again.
QString restored(const SharingState &state);
// "PostgreSQL 15.18 sur localhost, liaison chiffrée, certificat vérifié".
QString identity(const ServerIdentity &server);
// Where libpq looks for passwords on this system.
QString passwordFile();
// The workshop's IT set the server for every user of this computer, and only IT changes it.
QString setByPolicy();
// What IT set that could not be used, and why; empty when nothing.
QString policyProblem(const SharedServerChoice &choice);

} // namespace Tensiova::SharingMessages
