#pragma once

#include <QElapsedTimer>
#include <QString>

#include <vector>

// How the benchmarks print their figures: one line each, "name: value unit".
double median(std::vector<double> values);
void report(const char *name, double value, const char *unit);
double milliseconds(const QElapsedTimer &timer);

// The workshop's set-up library against a real server: 1,000 set-ups of 10 versions, 100,000
// repères given set-ups, 1,000,000 records.
void measureLibrary(const QString &folder);
