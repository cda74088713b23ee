#pragma once

#include "model/monitoringsetup.h"
#include "settings/profilefile.h"

#include <QList>
#include <QLocale>
#include <QString>
#include <QStringList>

#include <optional>

// The settings files: one section per value, named from a key word and the channel index, each
// holding the one key "valeur". param.ini and the user's own files share the layout.
namespace Tensiova::SetupStore {

inline constexpr int TextCapacity = 5; // at most 4 characters of a threshold, coefficient or state
inline constexpr int NumberCapacity = 20; // at most 19 characters of an action or port number

QString keyWord(Family family); // "min", "max", "coeff", "ET", "action2", "action1"
QString sectionName(Family family, int channel);
int readCapacity(Family family);
QString portSection(); // "Port COM"

// Sets "valeur" of the section. A file that exists but cannot be read is left untouched and the
// write fails; a value already stored as given changes nothing, not even the file's time.
FileStatus WriteEntry(const QString &path, const QString &section, const QString &text);
// "valeur" of the section, at most capacity - 1 characters (nothing for a capacity of 0); empty
// when missing.
QString ReadEntry(const QString &path, const QString &section, int capacity);

// The 48 channel entries, family by family, in one replacement of the file (none when every
// value is already stored as given).
FileStatus SaveSetup(const QString &path, const MonitoringSetup &setup);

struct LoadedEntry
{
    Family family;
    int channel;
    QString text; // text fields: the text to show
    std::optional<int> index; // action fields: the index to select; empty on overflow
    QString stored; // the value as read (trimmed, cut to the read capacity)
};

struct LoadedSetup
{
    // The 48 channel entries in the order they were written, converted for their controls.
    QList<LoadedEntry> entries;
    // A file that exists but could not be read loads as empty, with the reason here.
    FileStatus status;
    // How many of the 48 entries the file holds: with none, it is no set-up file.
    int found = 0;
};

// The file is read once.
LoadedSetup LoadSetup(const QString &path, const QLocale &locale);

// The 48 entries as a set-up file holds them, family by family, each channel in turn (as SaveSetup
// writes them), and read back as LoadSetup reads a file that holds them.
QStringList SetupEntries(const MonitoringSetup &setup);
LoadedSetup LoadEntries(const QStringList &values, const QLocale &locale);

// The setup after loading: a text field takes its loaded text; a list takes its loaded index
// when the list accepts it, and otherwise keeps its current one.
MonitoringSetup applyLoadedEntries(MonitoringSetup setup, const LoadedSetup &loaded);

} // namespace Tensiova::SetupStore
