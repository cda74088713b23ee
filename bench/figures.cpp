#include "figures.h"

#include <QDir>
#include <QFile>

#include <algorithm>
#include <cstdio>

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values.empty() ? 0.0 : values[values.size() / 2];
}

void report(const char *name, double value, const char *unit)
{
    std::printf("%s: %.4g %s\n", name, value, unit);
    std::fflush(stdout);
}

double milliseconds(const QElapsedTimer &timer)
{
    return double(timer.nsecsElapsed()) / 1e6;
}

void useBenchDataFolder(const QString &folder)
{
    qputenv("XDG_DATA_HOME", QFile::encodeName(QDir(folder).filePath(QStringLiteral("data-home"))));
}
