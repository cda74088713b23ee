#pragma once

#include <QString>

namespace Tensiova::FileAccess {

// Whether the program may change the file or folder at this path, judged from its mode bits and
// the file system. Root passes every permission check of the system, so for root a file without
// any write bit counts as read-only: the user marked it so on purpose.
bool isWritable(const QString &path);

} // namespace Tensiova::FileAccess
