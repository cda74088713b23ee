#pragma once

#include <QByteArray>
#include <QString>

#include "monitoringsetup.h"

// Small helpers of the tests: files and settings.
QByteArray readBytes(const QString &path);
void writeBytes(const QString &path, const QByteArray &bytes);
// "[section]\r\nvaleur=value\r\n" for each pair, the way the Windows program writes a new file.
QByteArray iniBytes(const QList<std::pair<QByteArray, QByteArray>> &sectionValues);

// Every text field holding the same text, every list the same action.
Tensiova::MonitoringSetup uniformSetup(const QString &text, int action = 0);
