#pragma once

#include <QString>

#include <cstdio>

namespace Tensiova::Console {

// Writes the text to standard output or error as UTF-8, what a pipe, a file or a script reads;
// a Windows console window gets the characters themselves, whatever its code page.
void write(FILE *stream, const QString &text);

} // namespace Tensiova::Console
