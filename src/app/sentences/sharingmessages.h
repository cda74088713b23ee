#pragma once

#include "sharedhistory/sharedpush.h"

#include <QString>

// What the window and the command line say of the shared history, in French.
namespace Tensiova::SharingMessages {

// Why the records wait, in a sentence that carries libpq's or the server's own words.
QString reason(const SharingState &state);
// "Historique partagé : à jour", "Historique partagé : 3 envois en attente".
QString status(const SharingState &state);
// "PostgreSQL 15.18 sur localhost, liaison chiffrée, certificat vérifié".
QString identity(const ServerIdentity &server);
// Where libpq looks for passwords on this system.
QString passwordFile();

} // namespace Tensiova::SharingMessages
