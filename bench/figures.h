#pragma once

#include <QElapsedTimer>
#include <QString>

#include <vector>

// How the benchmarks print their figures: one line each, "name: value unit".
double median(std::vector<double> values);
void report(const char *name, double value, const char *unit);
double milliseconds(const QElapsedTimer &timer);
// The benchmarks' own history and library copy under the folder, never the user's: a group that
// needs another sets it, and gives this one back after.
void useBenchDataFolder(const QString &folder);

// The workshop's set-up library against a real server: 1,000 set-ups of 10 versions, 100,000
// repères given set-ups, 1,000,000 records.
void measureLibrary(const QString &folder);
