#pragma once

#include "settings/inidocument.h"

#include <QString>

namespace Tensiova {

// How a read or a write of a settings file ended: what the user is told when it failed.
struct FileStatus
{
    enum class Problem {
        None,
        Folder, // the path names a folder, or something else that is not a file
        TooLarge, // beyond any settings file: never read, never rewritten
        ReadOnly, // its write bits are all off, or its file system is read-only
        System, // the system refused: its words are in systemReason
    };
    Problem problem = Problem::None;
    QString systemReason;

    explicit operator bool() const { return problem == Problem::None; }
};

} // namespace Tensiova

namespace Tensiova::ProfileFile {

// Far beyond any settings file; keeps a wrong pick in the Open dialog from eating the memory.
inline constexpr qint64 LargestFileRead = 64 * 1024 * 1024;

struct ReadResult
{
    IniDocument document;
    // A missing file reads as an empty document, which is no failure. A file that exists but
    // could not be read whole reads as empty too, with the reason: it must never be rewritten,
    // so that what was not read cannot be lost.
    FileStatus status;
};

ReadResult read(const QString &path);

// Replaces the file in one step (a crash leaves the old file or the new one), through a link to
// the file it points to, keeping its permissions. A read-only file is left untouched.
FileStatus write(const QString &path, const IniDocument &document);

} // namespace Tensiova::ProfileFile
