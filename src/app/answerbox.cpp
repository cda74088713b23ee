#include "answerbox.h"

#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>

namespace Tensiova {

namespace {

// Drawing a line costs its whole length at each change: a device that sends no line ends would
// make every append cost what the box holds. Lines are drawn broken at this length instead.
constexpr qsizetype LongestDrawnLine = 2000;
// The drawn text is trimmed in steps of this much beyond the kept answers, not at every append.
constexpr qsizetype TrimStep = 64 * 1024;

} // namespace

AnswerBox::AnswerBox(QWidget *parent)
    : QPlainTextEdit(parent)
{
    setReadOnly(true);
    setTabChangesFocus(true);
    setUndoRedoEnabled(false);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setTextInteractionFlags(Qt::TextSelectableByKeyboard | Qt::TextSelectableByMouse);
}

void AnswerBox::setText(const QString &text)
{
    m_answers.clear();
    m_displayLineLength = 0;
    m_displayEndsWithCarriageReturn = false;
    clear();
    appendAnswer(text);
}

void AnswerBox::appendAnswer(const QString &received)
{
    if (received.isEmpty()) {
        return;
    }
    m_answers.append(received);
    appendToDisplay(received);
}

void AnswerBox::appendToDisplay(QStringView received)
{
    QString shown;
    shown.reserve(received.size() + received.size() / LongestDrawnLine + 1);
    for (qsizetype i = 0; i < received.size(); ++i) {
        const QChar c = received[i];
        const bool carriageReturn = c == QLatin1Char('\r');
        const bool lineFeed = c == QLatin1Char('\n');
        if (lineFeed && i == 0 && m_displayEndsWithCarriageReturn) {
            // CR LF split across two arrivals is still one line end.
            continue;
        }
        if (carriageReturn || lineFeed) {
            shown += QLatin1Char('\n');
            if (carriageReturn && i + 1 < received.size() && received[i + 1] == QLatin1Char('\n')) {
                ++i;
            }
            m_displayLineLength = 0;
            continue;
        }
        if (m_displayLineLength >= LongestDrawnLine) {
            shown += QLatin1Char('\n');
            m_displayLineLength = 0;
        }
        // Control characters are drawn as their visible symbols.
        shown += (c.unicode() < 0x20 && c != QLatin1Char('\t')) ? QChar(0x2400 + c.unicode()) : c;
        ++m_displayLineLength;
    }
    m_displayEndsWithCarriageReturn = received.back() == QLatin1Char('\r');

    QScrollBar *bar = verticalScrollBar();
    const int scrolledTo = bar->value();
    QTextCursor end(document());
    end.movePosition(QTextCursor::End);
    end.insertText(shown);

    const qsizetype excess = document()->characterCount() - AnswerText::DefaultCapacity;
    if (excess > TrimStep) {
        QTextCursor start(document());
        start.setPosition(int(excess), QTextCursor::KeepAnchor);
        start.removeSelectedText();
    }
    // The view stays where the user left it, at the first answer unless scrolled.
    bar->setValue(scrolledTo);
}

void AnswerBox::mouseReleaseEvent(QMouseEvent *event)
{
    QPlainTextEdit::mouseReleaseEvent(event);
    emit clicked();
}

} // namespace Tensiova
