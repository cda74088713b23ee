#pragma once

#include <QString>

class QMimeData;

namespace Tensiova {

// What was dropped on the main window: one file of this computer to open as a set-up, or, for
// anything else, why it is refused, in French.
struct SetupDrop
{
    QString path;
    QString refusal;

    static SetupDrop examine(const QMimeData &data);
};

} // namespace Tensiova
