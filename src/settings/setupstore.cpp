#include "setupstore.h"

#include "actionchoice.h"
#include "numberconversion.h"
#include "profilefile.h"

namespace Tensiova::SetupStore {

namespace {

const QByteArray ValueKey = QByteArrayLiteral("valeur");

QString readValue(const IniDocument &document, const QString &section, int capacity)
{
    return document.value(section.toLatin1(), ValueKey).value_or(QString()).left(capacity - 1);
}

bool writeValues(const QString &path, const QList<std::pair<QString, QString>> &sectionValues)
{
    ProfileFile::ReadResult file = ProfileFile::read(path);
    if (!file.complete) {
        return false;
    }
    for (const auto &[section, value] : sectionValues) {
        file.document.setValue(section.toLatin1(), ValueKey, value);
    }
    return ProfileFile::write(path, file.document);
}

} // namespace

QString keyWord(Family family)
{
    static const std::array<QString, FamilyOrder.size()> KeyWords {
        QStringLiteral("min"), QStringLiteral("max"),     QStringLiteral("coeff"),
        QStringLiteral("ET"),  QStringLiteral("action2"), QStringLiteral("action1")};
    return KeyWords.at(std::size_t(family));
}

QString sectionName(Family family, int channel)
{
    return keyWord(family) + QString::number(channel);
}

int readCapacity(Family family)
{
    return isActionFamily(family) ? NumberCapacity : TextCapacity;
}

QString portSection()
{
    return QStringLiteral("Port COM");
}

bool WriteEntry(const QString &path, const QString &section, const QString &text)
{
    return writeValues(path, {{section, text}});
}

QString ReadEntry(const QString &path, const QString &section, int capacity)
{
    return readValue(ProfileFile::read(path).document, section, capacity);
}

bool SaveSetup(const QString &path, const MonitoringSetup &setup)
{
    QList<std::pair<QString, QString>> values;
    for (const Family family : FamilyOrder) {
        for (int channel = 0; channel < ChannelCount; ++channel) {
            values.append({sectionName(family, channel), setup.fieldText(family, channel)});
        }
    }
    return writeValues(path, values);
}

QList<LoadedEntry> LoadSetup(const QString &path, const QLocale &locale)
{
    const IniDocument document = ProfileFile::read(path).document;
    QList<LoadedEntry> entries;
    for (const Family family : FamilyOrder) {
        for (int channel = 0; channel < ChannelCount; ++channel) {
            const QString value =
                readValue(document, sectionName(family, channel), readCapacity(family)).trimmed();
            const double number = LeadingNumber(value);
            LoadedEntry entry {family, channel, {}, {}};
            if (isActionFamily(family)) {
                if (const auto index = RoundToInt16(number)) {
                    entry.index = *index;
                }
            } else {
                entry.text = NumberText(number, locale);
            }
            entries.append(entry);
        }
    }
    return entries;
}

MonitoringSetup applyLoadedEntries(MonitoringSetup setup, const QList<LoadedEntry> &entries)
{
    for (const LoadedEntry &entry : entries) {
        if (!isActionFamily(entry.family)) {
            setup.setText(entry.family, entry.channel, entry.text);
        } else if (entry.index && ActionChoice::isSelectable(*entry.index)) {
            setup.setAction(entry.family, entry.channel, *entry.index);
        }
    }
    return setup;
}

} // namespace Tensiova::SetupStore
