#pragma once

#include "history/sendrecord.h"
#include "model/monitoringsetup.h"

#include <QByteArray>
#include <QProcessEnvironment>
#include <QString>
#include <QTest>

// A wait on an event ends when the event comes; it lasts this long only when it never does, so
// that a busy machine slows a test down without failing it.
constexpr int LongWaitMs = 60000;

// Small helpers of the tests: files, settings, and tables of cases kept under tests/data/.
QByteArray readBytes(const QString &path);
void writeBytes(const QString &path, const QByteArray &bytes);
// "[section]\r\nvaleur=value\r\n" for each pair, the way the Windows program writes a new file.
QByteArray iniBytes(const QList<std::pair<QByteArray, QByteArray>> &sectionValues);

// Every text field holding the same text, every list the same action.
Tensiova::MonitoringSetup uniformSetup(const QString &text, int action = 0);

// The worked example of the device's documentation, and its 52 bytes (tests/data/).
Tensiova::MonitoringSetup workedExample();
QByteArray workedExampleBytes();
QString testDataPath(const QString &name);

// One row per line of tests/data/<name>: tab-separated, the first line names the columns (each a
// QString, \r \n \t \\ and \xHH written escaped), the first column names the row.
void addDataRows(const QString &name);
// The bytes of an escaped cell, and its text read as Windows-1252 bytes are (one byte a character).
QByteArray unescaped(const QString &cell);

// Empty when the C library's numeric locale is the one the environment asks for (LC_ALL): a
// missing French locale would otherwise leave the process in "C" without a word.
QString processLocaleProblem();
#define VERIFY_PROCESS_LOCALE()                                                                    \
    QVERIFY2(processLocaleProblem().isEmpty(), qPrintable(processLocaleProblem()))

// Runs the program with the environment and arguments until it ends; its exit code, or -1 when it
// did not end in LongWaitMs. out and err: what it printed.
int runProgram(const QString &program, const QProcessEnvironment &environment,
               const QStringList &arguments, QString *out = nullptr, QString *err = nullptr);

// A record as a technician's station would write it, different for each n.
Tensiova::SendRecord sampleRecord(int n);
