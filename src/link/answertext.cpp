#include "link/answertext.h"

namespace Tensiova {

AnswerText::AnswerText(qsizetype capacity)
    : m_capacity(capacity)
{ }

void AnswerText::append(QStringView received)
{
    if (received.size() >= m_capacity) {
        m_text = received.last(m_capacity).toString();
        return;
    }
    const qsizetype excess = m_text.size() + received.size() - m_capacity;
    if (excess > 0) {
        m_text.remove(0, excess);
    }
    m_text.append(received);
}

} // namespace Tensiova
