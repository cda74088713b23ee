#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>

#include <optional>

namespace Tensiova {

// An INI file held line by line, read and rewritten the way the Windows profile functions do, so
// that files move between the Windows program and this one: names match without regard to ASCII
// letter case, the first of duplicated sections or keys wins, and a rewrite changes only the
// value it sets, keeping every other byte of the file.
class IniDocument
{
public:
    static IniDocument fromBytes(const QByteArray &bytes);
    QByteArray toBytes() const;

    // The value of the key in the section: trimmed of blanks and tabs, one pair of enclosing
    // quotes removed. Missing when the section, the key or the key's "=" is missing.
    // Names asked for are trimmed of blanks and tabs like those of the file.
    std::optional<QString> value(QByteArrayView section, QByteArrayView key) const;

    // Replaces the value where it stands (a line holding just the key, without "=", is where it
    // stands too), or adds the key after the section's last entry, or adds the section at the
    // end. A line break in the value becomes a blank: a value never starts a new line, so it can
    // never add a section or key of its own. Returns false when the value was already stored
    // as given, and nothing changed.
    bool setValue(QByteArrayView section, QByteArrayView key, const QString &value);

private:
    enum class Kind { Other, Section, Entry, KeyWithoutValue };
    // A line is read in place: its text shares the bytes the document was read from, and its
    // name and value are spans of its text, so that reading a large file allocates nothing per
    // line.
    struct Line
    {
        QByteArray text; // without its line end
        QByteArrayView end; // "\r\n", "\n", "\r" or "" for a last line without one
        Kind kind = Kind::Other;
        qsizetype nameBegin = 0; // section name, or key name (with or without value), trimmed
        qsizetype nameLength = 0;
        qsizetype valueBegin = 0; // raw value of an entry, trimmed
        qsizetype valueLength = 0;

        QByteArrayView name() const { return QByteArrayView(text).sliced(nameBegin, nameLength); }
        QByteArrayView value() const
        {
            return QByteArrayView(text).sliced(valueBegin, valueLength);
        }
    };

    static Line parseLine(QByteArray text, QByteArrayView end);
    void indexSection(int lineIndex);
    int sectionLine(QByteArrayView section) const;
    int sectionEnd(int headerLine) const;
    int keyLine(int headerLine, QByteArrayView key) const;
    QString decode(QByteArrayView bytes) const;
    QByteArray encode(const QString &text) const;

    QByteArray m_source; // the bytes read, which unchanged lines share
    QByteArray m_byteOrderMark;
    QList<Line> m_lines;
    QHash<QByteArray, int> m_firstSectionLine; // lower-case name -> header line
};

} // namespace Tensiova
