#pragma once

#include <QString>

namespace Tensiova {

// What the device has answered, as received: each byte is the Windows-1252 character of its code,
// with no filtering or line handling. Only the most recent characters are kept, so that a device
// that never stops talking cannot exhaust the memory.
class AnswerText
{
public:
    static constexpr qsizetype DefaultCapacity = 1'000'000;

    explicit AnswerText(qsizetype capacity = DefaultCapacity);

    // Appends, dropping the oldest characters beyond the capacity.
    void append(QStringView received);
    void clear() { m_text.clear(); }
    const QString &text() const { return m_text; }

private:
    QString m_text;
    qsizetype m_capacity;
};

} // namespace Tensiova
