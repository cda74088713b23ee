#pragma once

#include <QElapsedTimer>
#include <QString>

#include <vector>

namespace Tensiova {
struct SendRecord;
}

// How the benchmarks print their figures: one line each, "name: value unit".
double median(std::vector<double> values);
void report(const char *name, double value, const char *unit);
double milliseconds(const QElapsedTimer &timer);
// The benchmarks' own history and library copy under the folder, never the user's: a group that
// needs another sets it, and gives this one back after.
void useBenchDataFolder(const QString &folder);

// A record as a station writes it, its port, adapter, file and repère varied by n.
Tensiova::SendRecord benchRecord(int n);

// The workshop's set-up library against a real server: 1,000 set-ups of 10 versions, 100,000
// repères given set-ups, 1,000,000 records.
void measureLibrary(const QString &folder);

// From the workshop's primary server killed to the first record its promoted standby commits,
// a station sending all along.
void measureFailover(const QString &folder);
