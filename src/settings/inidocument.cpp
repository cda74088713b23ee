#include "settings/inidocument.h"

#include "conversions/windows1252.h"

namespace Tensiova {

namespace {

constexpr QByteArrayView LineEnd("\r\n");
constexpr QByteArrayView LineFeed("\n");
constexpr QByteArrayView CarriageReturn("\r");
const QByteArray Utf8ByteOrderMark = QByteArrayLiteral("\xEF\xBB\xBF");

bool isBlank(char c)
{
    return c == ' ' || c == '\t';
}

QByteArrayView trimmed(QByteArrayView text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && isBlank(text[begin])) {
        ++begin;
    }
    while (end > begin && isBlank(text[end - 1])) {
        --end;
    }
    return text.sliced(begin, end - begin);
}

QByteArray asciiLower(QByteArrayView name)
{
    QByteArray lower(name.data(), name.size());
    for (char &c : lower) {
        if (c >= 'A' && c <= 'Z') {
            c = char(c - 'A' + 'a');
        }
    }
    return lower;
}

bool sameName(QByteArrayView a, QByteArrayView b)
{
    return a.size() == b.size() && asciiLower(a) == asciiLower(b);
}

} // namespace

IniDocument IniDocument::fromBytes(const QByteArray &bytes)
{
    IniDocument document;
    document.m_source = bytes;
    QByteArrayView rest(document.m_source);
    if (rest.startsWith(Utf8ByteOrderMark)) {
        document.m_byteOrderMark = Utf8ByteOrderMark;
        rest = rest.sliced(Utf8ByteOrderMark.size());
    }
    qsizetype start = 0;
    const qsizetype size = rest.size();
    for (qsizetype i = 0; i < size; ++i) {
        const char c = rest[i];
        if (c != '\r' && c != '\n') {
            continue;
        }
        const bool crLf = c == '\r' && i + 1 < size && rest[i + 1] == '\n';
        document.m_lines.append(
            parseLine(QByteArray::fromRawData(rest.data() + start, i - start),
                      crLf ? LineEnd : (c == '\r' ? CarriageReturn : LineFeed)));
        i += crLf ? 1 : 0;
        start = i + 1;
    }
    if (start < size) {
        document.m_lines.append(
            parseLine(QByteArray::fromRawData(rest.data() + start, size - start), {}));
    }
    for (int i = 0; i < document.m_lines.size(); ++i) {
        if (document.m_lines[i].kind == Kind::Section) {
            document.indexSection(i);
        }
    }
    return document;
}

IniDocument::Line IniDocument::parseLine(QByteArray text, QByteArrayView end)
{
    Line line;
    line.text = std::move(text);
    line.end = end;
    const QByteArrayView whole(line.text);
    const auto setName = [&](QByteArrayView name) {
        line.nameBegin = name.data() - whole.data();
        line.nameLength = name.size();
    };
    const QByteArrayView content = trimmed(whole);
    if (content.startsWith('[')) {
        // The name ends at the last ']' of the line; a '[' line without one starts no section.
        const qsizetype close = content.lastIndexOf(']');
        if (close > 0) {
            line.kind = Kind::Section;
            setName(trimmed(content.sliced(1, close - 1)));
        }
        return line;
    }
    if (content.startsWith(';')) {
        return line;
    }
    const qsizetype equals = content.indexOf('=');
    if (equals < 0 && !content.isEmpty()) {
        line.kind = Kind::KeyWithoutValue;
        setName(content);
    } else if (equals >= 0) {
        line.kind = Kind::Entry;
        setName(trimmed(content.first(equals)));
        const QByteArrayView value = trimmed(content.sliced(equals + 1));
        line.valueBegin = value.data() - whole.data();
        line.valueLength = value.size();
    }
    return line;
}

void IniDocument::indexSection(int lineIndex)
{
    // Duplicated sections are not merged: the first one is the one read and written.
    const QByteArray name = asciiLower(m_lines[lineIndex].name());
    if (!m_firstSectionLine.contains(name)) {
        m_firstSectionLine.insert(name, lineIndex);
    }
}

int IniDocument::sectionLine(QByteArrayView section) const
{
    return m_firstSectionLine.value(asciiLower(trimmed(section)), -1);
}

int IniDocument::sectionEnd(int headerLine) const
{
    int line = headerLine + 1;
    while (line < m_lines.size() && m_lines[line].kind != Kind::Section) {
        ++line;
    }
    return line;
}

QByteArray IniDocument::toBytes() const
{
    QByteArray bytes = m_byteOrderMark;
    for (const Line &line : m_lines) {
        bytes += line.text;
        bytes += line.end;
    }
    return bytes;
}

QString IniDocument::decode(QByteArrayView bytes) const
{
    return m_byteOrderMark.isEmpty() ? Windows1252::decode(bytes) : QString::fromUtf8(bytes);
}

QByteArray IniDocument::encode(const QString &text) const
{
    return m_byteOrderMark.isEmpty() ? Windows1252::encode(text) : text.toUtf8();
}

// The first line of the section that names the key, with or without a value; -1 when none does.
int IniDocument::keyLine(int headerLine, QByteArrayView key) const
{
    const QByteArrayView name = trimmed(key);
    const int end = sectionEnd(headerLine);
    for (int i = headerLine + 1; i < end; ++i) {
        const Line &line = m_lines[i];
        if ((line.kind == Kind::Entry || line.kind == Kind::KeyWithoutValue)
            && sameName(line.name(), name)) {
            return i;
        }
    }
    return -1;
}

std::optional<QString> IniDocument::value(QByteArrayView section, QByteArrayView key) const
{
    const int header = sectionLine(section);
    const int found = header < 0 ? -1 : keyLine(header, key);
    if (found < 0 || m_lines[found].kind != Kind::Entry) {
        return std::nullopt;
    }
    QByteArrayView raw = m_lines[found].value();
    if (raw.size() >= 2 && (raw.front() == '"' || raw.front() == '\'')
        && raw.back() == raw.front()) {
        raw = raw.sliced(1, raw.size() - 2);
    }
    return decode(raw);
}

bool IniDocument::setValue(QByteArrayView section, QByteArrayView key, const QString &value)
{
    QString singleLine = value;
    singleLine.replace(QLatin1Char('\r'), QLatin1Char(' '))
        .replace(QLatin1Char('\n'), QLatin1Char(' '));
    const QByteArray encoded = encode(singleLine);

    const int header = sectionLine(section);
    if (header < 0) {
        if (!m_lines.isEmpty() && m_lines.last().end.isEmpty()) {
            m_lines.last().end = LineEnd;
        }
        m_lines.append(parseLine('[' + trimmed(section).toByteArray() + ']', LineEnd));
        indexSection(m_lines.size() - 1);
        m_lines.append(parseLine(trimmed(key).toByteArray() + '=' + encoded, LineEnd));
        return true;
    }

    if (const int found = keyLine(header, key); found >= 0) {
        Line &line = m_lines[found];
        if (line.kind == Kind::Entry && line.value() == QByteArrayView(encoded)) {
            return false;
        }
        // Keep the key's spelling and the line's own end.
        line = parseLine(line.name().toByteArray() + '=' + encoded, line.end);
        return true;
    }
    int lastEntry = header;
    const int end = sectionEnd(header);
    for (int i = header + 1; i < end; ++i) {
        const QByteArrayView content = trimmed(m_lines[i].text);
        if (!content.isEmpty() && !content.startsWith(';')) {
            lastEntry = i;
        }
    }
    if (m_lines[lastEntry].end.isEmpty()) {
        m_lines[lastEntry].end = LineEnd;
    }
    m_lines.insert(lastEntry + 1, parseLine(trimmed(key).toByteArray() + '=' + encoded, LineEnd));
    for (auto it = m_firstSectionLine.begin(); it != m_firstSectionLine.end(); ++it) {
        if (it.value() > lastEntry) {
            ++it.value();
        }
    }
    return true;
}

} // namespace Tensiova
