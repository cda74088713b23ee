#include "figures.h"

#include "history/sendrecord.h"

#include <QDateTime>
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

Tensiova::SendRecord benchRecord(int n)
{
    Tensiova::SendRecord record;
    record.programVersion = QStringLiteral(TENSIOVA_VERSION);
    record.account = QStringLiteral("technicien");
    record.computer = QStringLiteral("POSTE-ATELIER");
    record.adapter = {QStringLiteral("FTDI"), QStringLiteral("FT232R USB UART"), {}};
    record.message = QByteArray(52, '\x01');
    record.message[0] = 'n';
    record.appendAnswer("OK\r\n");
    record.outcome = Tensiova::SendRecord::Outcome::Answered;
    record.sentAt = QDateTime::currentDateTimeUtc().addSecs(n * 60);
    const int k = std::abs(n);
    record.port = 1 + k % 40;
    record.device = QStringLiteral("/dev/ttyUSB%1").arg(k % 40);
    record.adapter.serialNumber = QStringLiteral("FT%1").arg(k % 997, 5, 10, QLatin1Char('0'));
    record.setupFile = QStringLiteral("/home/technicien/reglages/armoire-%1.ini").arg(k % 300);
    record.label = QStringLiteral("Site %1, armoire %2").arg(k % 50).arg(k % 300);
    return record;
}
