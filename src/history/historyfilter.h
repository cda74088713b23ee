#pragma once

#include <QDateTime>
#include <QString>

namespace Tensiova {

// Which records to show: all of them when nothing is set.
struct HistoryFilter
{
    QString text; // found in any of the columns shown, whatever its case
    QDateTime since; // sent at or after; invalid: from the first
    int port = 0; // COM number; 0: any
    QString label; // found in the repère, whatever its case
    // Only the latest record of each repère, by repère: what each device was last given.
    bool latestByLabel = false;
    // With latestByLabel: the repères after this one only (the next page of them).
    QString afterLabel {};
};

} // namespace Tensiova
