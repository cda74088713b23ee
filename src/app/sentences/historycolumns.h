#pragma once

#include "history/sendrecord.h"

#include <QString>

namespace Tensiova {

// The columns a record is listed in, by the window and by "--history" alike.
enum HistoryColumn {
    DateColumn,
    PortColumn,
    SetupFileColumn,
    OutcomeColumn,
    LabelColumn,
    HistoryColumnCount,
    // The workshop's history only: the station that sent it.
    StationColumn = HistoryColumnCount
};

// What a record shows in a column.
QString historyCellText(const SendRecord &record, int column);
// The column's heading.
QString historyColumnHeading(int column);

} // namespace Tensiova
