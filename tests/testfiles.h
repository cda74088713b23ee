#pragma once

#include <QByteArray>
#include <QString>

// Small file helpers of the tests.
QByteArray readBytes(const QString &path);
void writeBytes(const QString &path, const QByteArray &bytes);
// "[section]\r\nvaleur=value\r\n" for each pair, the way the Windows program writes a new file.
QByteArray iniBytes(const QList<std::pair<QByteArray, QByteArray>> &sectionValues);
