#pragma once

#include "settings/profilefile.h"

#include <QString>

// What the user is told when a settings file could not be read or written, or was not taken.
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

// "Réglages récents": the file is no longer there, and leaves the list.
QString recentGone(const QString &path);
// A file dropped on the window that holds none of the 48 settings.
QString notASetup(const QString &path);
// A drop that holds no file (a text, a picture from a web page).
QString droppedNoFile();
QString droppedSeveralFiles(qsizetype count);
// A link dropped from a web page or a network place that is no file of this computer.
QString droppedRemote(const QString &url);
QString droppedFolder(const QString &path);

} // namespace Tensiova::FileMessages
