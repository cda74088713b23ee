#pragma once

#include "history/historyfilter.h"
#include "history/sendrecord.h"

#include <QList>
#include <QString>

#include <functional>
#include <optional>

namespace Tensiova {

// Where records are read from: this station's history, or the workshop's on its server. Newest
// first (by repère for the latest of each); beforeId > 0 continues a listing after its last
// record.
class HistorySource
{
public:
    virtual ~HistorySource() = default;

    // Every record the filter takes (the first limit, when limit >= 0), without holding them all;
    // stops when take says so. False when the source failed: error() says why.
    virtual bool forEach(const HistoryFilter &filter, int limit, qint64 beforeId,
                         const std::function<bool(const SendRecord &)> &take) = 0;
    virtual qint64 count(const HistoryFilter &filter) = 0;
    virtual std::optional<SendRecord> record(qint64 id) = 0;
    virtual const QString &error() const = 0;

    QList<SendRecord> records(const HistoryFilter &filter, int limit = -1, qint64 beforeId = 0)
    {
        QList<SendRecord> found;
        forEach(filter, limit, beforeId, [&found](const SendRecord &record) {
            found.append(record);
            return true;
        });
        return found;
    }
};

} // namespace Tensiova
