#pragma once

#include <QByteArray>
#include <QString>

#include <cstdio>

namespace Tensiova::Console {

// Writes the text to standard output or error as UTF-8, what a pipe, a file or a script reads;
// a Windows console window gets the characters themselves, whatever its code page.
void write(FILE *stream, const QString &text);

// Writes the bytes as they stand (a CSV file's CR LF too, never made CR CR LF on Windows).
void writeBytes(FILE *stream, const QByteArray &bytes);

} // namespace Tensiova::Console
