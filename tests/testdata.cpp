#include "testdata.h"

#include <QFile>
#include <QLocale>
#include <QProcess>

#include <clocale>

QByteArray readBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeBytes(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        file.write(bytes);
    }
}

QByteArray iniBytes(const QList<std::pair<QByteArray, QByteArray>> &sectionValues)
{
    QByteArray bytes;
    for (const auto &[section, value] : sectionValues) {
        bytes += '[' + section + "]\r\nvaleur=" + value + "\r\n";
    }
    return bytes;
}

Tensiova::MonitoringSetup uniformSetup(const QString &text, int action)
{
    Tensiova::MonitoringSetup setup;
    for (auto &channel : setup.analog) {
        channel = {text, text, text, action};
    }
    for (auto &channel : setup.logic) {
        channel = {text, action};
    }
    return setup;
}

QString testDataPath(const QString &name)
{
    return QStringLiteral(TENSIOVA_TEST_DATA "/") + name;
}

Tensiova::MonitoringSetup workedExample()
{
    Tensiova::MonitoringSetup setup = uniformSetup(QStringLiteral("0"));
    setup.analog[0] = {QStringLiteral("10"), QStringLiteral("200"), QStringLiteral("5"), 1};
    for (int channel = 1; channel < Tensiova::ChannelCount; ++channel) {
        setup.analog[channel] = {QStringLiteral("0"), QStringLiteral("255"), QStringLiteral("1"),
                                 0};
    }
    setup.logic[0] = {QStringLiteral("1"), 2};
    return setup;
}

QByteArray workedExampleBytes()
{
    return QByteArray::fromHex(readBytes(testDataPath(QStringLiteral("worked-example.hex"))));
}

QByteArray unescaped(const QString &cell)
{
    QByteArray bytes;
    const QByteArray raw = cell.toUtf8();
    for (qsizetype i = 0; i < raw.size(); ++i) {
        if (raw[i] != '\\' || i + 1 == raw.size()) {
            bytes += raw[i];
            continue;
        }
        const char next = raw[++i];
        if (next == 'x') {
            bytes += char(raw.mid(i + 1, 2).toInt(nullptr, 16));
            i += 2;
        } else {
            bytes += next == 'r' ? '\r' : next == 'n' ? '\n' : next == 't' ? '\t' : next;
        }
    }
    return bytes;
}

void addDataRows(const QString &name)
{
    QFile file(testDataPath(name));
    QVERIFY2(file.open(QIODevice::ReadOnly), qPrintable(name));
    const QList<QByteArray> lines = file.readAll().split('\n');
    const QList<QByteArray> columns = lines.first().split('\t');
    // QTest keeps the column names' pointers: their bytes must outlive the test.
    static QByteArrayList names;
    for (qsizetype column = 1; column < columns.size(); ++column) {
        names.append(columns[column]);
        QTest::addColumn<QString>(names.constLast().constData());
    }
    for (qsizetype line = 1; line < lines.size(); ++line) {
        if (lines[line].isEmpty()) {
            continue;
        }
        const QList<QByteArray> cells = lines[line].split('\t');
        QTestData &row = QTest::newRow(cells.first().constData());
        for (qsizetype column = 1; column < columns.size(); ++column) {
            row << QString::fromUtf8(cells.value(column));
        }
    }
}

QString processLocaleProblem()
{
    const QByteArray asked = qgetenv("LC_ALL");
#ifdef Q_OS_WIN
    // Windows programs take the user's regional settings, which Wine sets from LC_ALL.
    const QString systemPoint = QLocale::system().decimalPoint();
    if (systemPoint != QLatin1String(asked.startsWith("fr_") ? "," : ".")) {
        return QStringLiteral("LC_ALL=%1 but the regional settings' decimal point is '%2'")
            .arg(QString::fromLatin1(asked), systemPoint);
    }
    return {};
#endif
    const QByteArray numeric = std::setlocale(LC_NUMERIC, nullptr);
    const QByteArray point = std::localeconv()->decimal_point;
    const QByteArray expectedPoint = asked.startsWith("fr_") ? "," : ".";
    if (numeric != asked || point != expectedPoint) {
        return QStringLiteral(
                   "LC_ALL=%1 but LC_NUMERIC is %2 with decimal point '%3': is the locale "
                   "generated (localedef)?")
            .arg(QString::fromLatin1(asked), QString::fromLatin1(numeric),
                 QString::fromLatin1(point));
    }
    return {};
}

// A record as a technician's station would write it, different for each n.
Tensiova::SendRecord sampleRecord(int n)
{
    using namespace Tensiova;
    SendRecord record;
    record.sentAt = QDateTime(QDate(2026, 12, 7), QTime(14, 30, 12, 345), Qt::UTC).addSecs(n * 60);
    record.utcOffsetSeconds = 3600;
    record.origin = n % 2 ? SendRecord::Origin::Script : SendRecord::Origin::Window;
    record.programVersion = QStringLiteral("1.0.0");
    record.account = QStringLiteral("technicien");
    record.computer = QStringLiteral("POSTE-ATELIER");
    record.port = 3 + n % 2;
    record.device = QStringLiteral("/dev/ttyUSB%1").arg(n % 2);
    record.adapter = {QStringLiteral("FTDI"), QStringLiteral("FT232R USB UART"),
                      QStringLiteral("A%1").arg(n)};
    record.setupFile = QStringLiteral("/home/technicien/réglages/armoire-%1.ini").arg(n);
    record.message = workedExampleBytes();
    record.message[1] = char(n); // min0
    record.outcome = SendRecord::Outcome::Answered;
    record.appendAnswer(QByteArray("OK\r\n\x00\xE9", 6));
    record.label = QStringLiteral("Site Nord; armoire \"B%1\"").arg(n);
    return record;
}

int runProgram(const QString &program, const QProcessEnvironment &environment,
               const QStringList &arguments, QString *out, QString *err)
{
    QProcess process;
    process.setProcessEnvironment(environment);
    process.start(program, arguments);
    const bool finished = process.waitForFinished(LongWaitMs);
    if (out) {
        *out = QString::fromUtf8(process.readAllStandardOutput());
    }
    if (err) {
        *err = QString::fromUtf8(process.readAllStandardError());
    }
    return finished ? process.exitCode() : -1;
}
