// Appends records to a history, each labelled NAME-n, and prints each one's id once it is
// written: COUNT of them, or until killed when COUNT is 0.

#include "history/historystore.h"
#include "testdata.h"

#include <QDeadlineTimer>

#include <cstdio>

using namespace Tensiova;

int main(int argc, char *argv[])
{
    if (argc != 4) {
        std::fprintf(stderr, "usage: %s FILE NAME COUNT\n", argv[0]);
        return 2;
    }
    HistoryStore store(QString::fromLocal8Bit(argv[1]));
    const QString name = QString::fromLocal8Bit(argv[2]);
    const long count = std::atol(argv[3]);
    for (long n = 1; count == 0 || n <= count; ++n) {
        SendRecord record;
        record.sentAt = QDateTime::currentDateTimeUtc();
        record.message = workedExampleBytes();
        record.label = QStringLiteral("%1-%2").arg(name).arg(n);
        // As the program's recorder does, a record that meets a file kept busy by the other
        // writers is tried again; anything else is a fault, said with its reason.
        const QDeadlineTimer patience(LongWaitMs);
        while (!store.append(record)) {
            std::fprintf(stderr, "%s-%ld : %s%s\n", argv[2], n, qPrintable(store.error()),
                         store.isBusy() ? " (occupé, nouvel essai)" : "");
            if (!store.isBusy() || patience.hasExpired()) {
                return 1;
            }
        }
        std::printf("%lld\n", record.id);
        std::fflush(stdout);
    }
    return 0;
}
