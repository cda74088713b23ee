#pragma once

#include <QByteArray>
#include <QString>
#include <QTest>

#include "monitoringsetup.h"

// Small helpers of the tests: files and settings.
QByteArray readBytes(const QString &path);
void writeBytes(const QString &path, const QByteArray &bytes);
// "[section]\r\nvaleur=value\r\n" for each pair, the way the Windows program writes a new file.
QByteArray iniBytes(const QList<std::pair<QByteArray, QByteArray>> &sectionValues);

// Empty when the C library's numeric locale is the one the environment asks for (LC_ALL): a
// missing French locale would otherwise leave the process in "C" without a word.
QString processLocaleProblem();
#define VERIFY_PROCESS_LOCALE()                                                                    \
    QVERIFY2(processLocaleProblem().isEmpty(), qPrintable(processLocaleProblem()))

// Every text field holding the same text, every list the same action.
Tensiova::MonitoringSetup uniformSetup(const QString &text, int action = 0);
