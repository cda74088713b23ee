#pragma once

#include <QCommandLineOption>
#include <QList>

class QCommandLineParser;

// tensiova --history: prints the history of "Envoi" for a script, newest first, as text, CSV or
// one JSON object a line.
namespace Tensiova::HistoryCommand {

// Its own options (--history, --since, --limit, --csv); it shares --port, --label and --json.
QList<QCommandLineOption> options();
// Its part of "tensiova --help".
QString help();

// Runs it; exit 0, or 2 with a French reason on the error output for a bad option.
int run(const QCommandLineParser &parser);
// --history-server: keeps the shared history's connection (or removes it) and tries it.
int setServer(const QCommandLineParser &parser);

} // namespace Tensiova::HistoryCommand
