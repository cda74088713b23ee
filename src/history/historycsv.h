#pragma once

#include "history/historyfilter.h"
#include "history/sendrecord.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <functional>

namespace Tensiova {

class HistorySource;

// The history as CSV that French spreadsheet programs open as it stands: UTF-8 with a byte-order
// mark, ";" between fields, CR LF between rows, one column a value.
namespace HistoryCsv {

QStringList header();
QStringList row(const SendRecord &record);
// A field as written: quoted when it holds a separator, a quote or a line end; a text that a
// spreadsheet would take for a formula (=, +, -, @, or a tab or CR first) is led by a quote mark.
QString field(const QString &text);
QByteArray line(const QStringList &fields);

// The byte-order mark, the header and the records the filter takes, newest first, handed to the
// sink a line at a time; the first limit records when limit >= 0. False when the store or the
// sink failed.
bool write(HistorySource &store, const HistoryFilter &filter,
           const std::function<bool(const QByteArray &)> &sink, int limit = -1);

} // namespace HistoryCsv

} // namespace Tensiova
