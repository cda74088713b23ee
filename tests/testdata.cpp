#include "testdata.h"

#include <QFile>

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

QString processLocaleProblem()
{
    const QByteArray asked = qgetenv("LC_ALL");
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
