#pragma once

#include "settings/profilefile.h"

#include <QString>

// What the user is told when a settings file could not be read or written.
namespace Tensiova::FileMessages {

// The system's words, to be followed by ours: Windows ends them with a full stop, Linux does not.
QString systemWords(QString text);

// Why, in a few French words: "le fichier est en lecture seule", or the system's own words.
QString reason(const FileStatus &status);

QString notSaved(const QString &path, const FileStatus &status); // "Enregistrer sous"
QString notOpened(const QString &path, const FileStatus &status); // "Ouvrir"
// "Envoi": the device got the settings, param.ini did not keep them.
QString sentButNotKept(const QString &path, const FileStatus &status);
// "Envoi" that failed before sending, when param.ini did not keep the settings either.
QString notKeptEither(const QString &path, const FileStatus &status);
// "Port COM": the number is in use for this run only.
QString portNotKept(int port, const QString &path, const FileStatus &status);

} // namespace Tensiova::FileMessages
