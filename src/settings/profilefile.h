#pragma once

#include "inidocument.h"

#include <QString>

namespace Tensiova::ProfileFile {

struct ReadResult
{
    IniDocument document;
    // False when the file was larger than is read: such a file is never rewritten, so that
    // what was not read cannot be lost.
    bool complete = true;
};

// A missing or unreadable file reads as an empty document.
ReadResult read(const QString &path);

// Replaces the file in one step (a crash leaves the old file or the new one), through a link to
// the file it points to, keeping its permissions. A read-only file is left untouched. Returns
// whether the file now holds the document.
bool write(const QString &path, const IniDocument &document);

} // namespace Tensiova::ProfileFile
