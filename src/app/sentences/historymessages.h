#pragma once

#include "history/historyrecorder.h"

#include <QString>

// What the window and the command line say of the history, in French.
namespace Tensiova::HistoryMessages {

QString problem(const HistoryProblem &problem);
// The short words of the status line while records wait to be written.
QString statusWords(const HistoryProblem &problem);

} // namespace Tensiova::HistoryMessages
