// Any file, any write: the file reads back byte for byte, the written value reads back, and no
// other entry changes.

#include "fuzzcheck.h"
#include "settings/inidocument.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <cstdint>

using namespace Tensiova;

namespace {

const QList<QByteArray> &probeSections()
{
    static const QList<QByteArray> sections {"min0",     "MIN0",     "max3",     "coeff7", "ET0",
                                             "action20", "action17", "Port COM", "a",      "s",
                                             "t",        " x ",      "[y",       ""};
    return sections;
}

const QList<QByteArray> &probeKeys()
{
    static const QList<QByteArray> keys {"valeur", "VALEUR", "autre", "x", ""};
    return keys;
}

// What a read gives back for a value written: blanks and tabs trimmed, one pair of enclosing quotes
// removed.
QString expectedRead(const QByteArray &written)
{
    QByteArray value = written;
    while (!value.isEmpty() && (value.front() == ' ' || value.front() == '\t')) {
        value.remove(0, 1);
    }
    while (!value.isEmpty() && (value.back() == ' ' || value.back() == '\t')) {
        value.chop(1);
    }
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'')
        && value.back() == value.front()) {
        value = value.mid(1, value.size() - 2);
    }
    return QString::fromLatin1(value);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size < 2) {
        return 0;
    }
    const QByteArray input(reinterpret_cast<const char *>(data), qsizetype(size));
    const int sectionChoice = std::uint8_t(input[0]) % probeSections().size();
    const int valueLength = std::uint8_t(input[1]) % 24;
    // The value: printable ASCII, so that its expected reading is plain.
    QByteArray value = input.mid(2, valueLength);
    for (char &c : value) {
        c = char(0x20 + std::uint8_t(c) % 0x5F);
    }
    const QByteArray file = input.mid(2 + valueLength);

    IniDocument document = IniDocument::fromBytes(file);
    FUZZ_CHECK(document.toBytes() == file);

    QList<std::optional<QString>> before;
    for (const QByteArray &section : probeSections()) {
        for (const QByteArray &key : probeKeys()) {
            before.append(document.value(section, key));
        }
    }

    const QByteArray &written = probeSections().at(sectionChoice);
    if (written.contains('[') || written.contains(']') || written.trimmed() != written
        || written.isEmpty()) {
        return 0; // not a name the program ever writes
    }
    document.setValue(written, "valeur", QString::fromLatin1(value));
    const IniDocument reread = IniDocument::fromBytes(document.toBytes());
    FUZZ_CHECK(reread.value(written, "valeur") == std::optional<QString>(expectedRead(value)));

    int probe = 0;
    for (const QByteArray &section : probeSections()) {
        for (const QByteArray &key : probeKeys()) {
            const bool same = section.toLower() == written.toLower() && key.toLower() == "valeur";
            if (!same) {
                FUZZ_CHECK(reread.value(section, key) == before.at(probe));
            }
            ++probe;
        }
    }
    return 0;
}
