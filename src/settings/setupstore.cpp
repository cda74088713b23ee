#include "settings/setupstore.h"

#include "conversions/numberconversion.h"
#include "model/actionchoice.h"
#include "settings/profilefile.h"

namespace Tensiova::SetupStore {

namespace {

const QByteArray ValueKey = QByteArrayLiteral("valeur");

QString readValue(const IniDocument &document, const QString &section, int capacity)
{
    if (capacity <= 0) {
        return {};
    }
    return document.value(section.toLatin1(), ValueKey).value_or(QString()).left(capacity - 1);
}

// A file that could not be read is never written, and one whose values are already those given
// is left as it is, down to its modification time.
FileStatus writeValues(const QString &path, const QList<std::pair<QString, QString>> &sectionValues)
{
    ProfileFile::ReadResult file = ProfileFile::read(path);
    if (!file.status) {
        return file.status;
    }
    bool changed = false;
    for (const auto &[section, value] : sectionValues) {
        changed = file.document.setValue(section.toLatin1(), ValueKey, value) || changed;
    }
    return changed ? ProfileFile::write(path, file.document) : FileStatus {};
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

FileStatus WriteEntry(const QString &path, const QString &section, const QString &text)
{
    return writeValues(path, {{section, text}});
}

QString ReadEntry(const QString &path, const QString &section, int capacity)
{
    return readValue(ProfileFile::read(path).document, section, capacity);
}

FileStatus SaveSetup(const QString &path, const MonitoringSetup &setup)
{
    QList<std::pair<QString, QString>> values;
    for (const Family family : FamilyOrder) {
        for (int channel = 0; channel < ChannelCount; ++channel) {
            values.append({sectionName(family, channel), setup.fieldText(family, channel)});
        }
    }
    return writeValues(path, values);
}

namespace {

// An entry as read, converted for its control as "Ouvrir" converts it.
LoadedEntry loadedEntry(Family family, int channel, const QString &value, const QLocale &locale)
{
    const double number = LeadingNumber(value);
    LoadedEntry entry {family, channel, {}, {}, value};
    if (isActionFamily(family)) {
        if (const auto index = RoundToInt16(number)) {
            entry.index = *index;
        }
    } else {
        entry.text = NumberText(number, locale);
    }
    return entry;
}

} // namespace

LoadedSetup LoadSetup(const QString &path, const QLocale &locale)
{
    const ProfileFile::ReadResult file = ProfileFile::read(path);
    const IniDocument &document = file.document;
    LoadedSetup loaded {{}, file.status, 0};
    for (const Family family : FamilyOrder) {
        for (int channel = 0; channel < ChannelCount; ++channel) {
            const QString value =
                readValue(document, sectionName(family, channel), readCapacity(family)).trimmed();
            if (document.value(sectionName(family, channel).toLatin1(), ValueKey)) {
                ++loaded.found;
            }
            loaded.entries.append(loadedEntry(family, channel, value, locale));
        }
    }
    return loaded;
}

LoadedSetup LoadEntries(const QStringList &values, const QLocale &locale)
{
    LoadedSetup loaded;
    for (const Family family : FamilyOrder) {
        for (int channel = 0; channel < ChannelCount; ++channel) {
            const QString value =
                values.value(loaded.found).left(readCapacity(family) - 1).trimmed();
            ++loaded.found;
            loaded.entries.append(loadedEntry(family, channel, value, locale));
        }
    }
    return loaded;
}

QStringList SetupEntries(const MonitoringSetup &setup)
{
    QStringList values;
    for (const Family family : FamilyOrder) {
        for (int channel = 0; channel < ChannelCount; ++channel) {
            values.append(setup.fieldText(family, channel));
        }
    }
    return values;
}

MonitoringSetup applyLoadedEntries(MonitoringSetup setup, const LoadedSetup &loaded)
{
    for (const LoadedEntry &entry : loaded.entries) {
        if (!isActionFamily(entry.family)) {
            setup.setText(entry.family, entry.channel, entry.text);
        } else if (entry.index && ActionChoice::isSelectable(*entry.index)) {
            setup.setAction(entry.family, entry.channel, *entry.index);
        }
    }
    return setup;
}

} // namespace Tensiova::SetupStore
