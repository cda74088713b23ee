#pragma once

#include "history/sendrecord.h"

#include <QString>

// The sheet of one "Envoi" that a technician hands over: one A4 page, in French, with the
// station, the date, the port and adapter, the repère, both grids, the bytes and the answer.
namespace Tensiova::HistorySheet {

// Writes it as PDF; on failure, error says why in the system's words.
bool write(const SendRecord &record, const QString &programVersion, const QString &path,
           QString &error);

} // namespace Tensiova::HistorySheet
