#include "testdata.h"

#include <QFile>

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
