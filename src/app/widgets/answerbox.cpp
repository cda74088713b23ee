#include "app/widgets/answerbox.h"

#include <QScrollBar>
#include <QTextCursor>

namespace Tensiova {

namespace {

// The box draws paragraph by paragraph, and each paragraph costs the same to add and to drop
// whatever its length: answers are gathered a few hundred characters to a paragraph, their line
// ends drawn as line breaks within it. A paragraph is laid out whole at each change, so a device
// that sends no line ends has its text drawn broken at a bounded length.
constexpr qsizetype ParagraphLength = 256;
constexpr qsizetype LongestDrawnLine = 2000;
// The drawn text is trimmed in steps of this much beyond the kept answers, not at every append.
constexpr qsizetype TrimStep = 4 * 1024;

} // namespace

AnswerBox::AnswerBox(QWidget *parent)
    : QPlainTextEdit(parent)
{
    setTabChangesFocus(true);
    setUndoRedoEnabled(false);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    // Read-only: what the device said, selectable to copy.
    setTextInteractionFlags(Qt::TextSelectableByKeyboard | Qt::TextSelectableByMouse);
}

void AnswerBox::setText(const QString &text)
{
    m_answers.clear();
    m_lineLength = 0;
    m_paragraphLength = 0;
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
    const auto endParagraph = [&] {
        shown += QChar::ParagraphSeparator;
        m_paragraphLength = 0;
        m_lineLength = 0;
    };
    for (qsizetype i = 0; i < received.size(); ++i) {
        const QChar c = received[i];
        const bool carriageReturn = c == QLatin1Char('\r');
        const bool lineFeed = c == QLatin1Char('\n');
        if (lineFeed && i == 0 && m_displayEndsWithCarriageReturn) {
            // CR LF split across two arrivals is still one line end.
            continue;
        }
        if (carriageReturn || lineFeed) {
            if (carriageReturn && i + 1 < received.size() && received[i + 1] == QLatin1Char('\n')) {
                ++i;
            }
            if (m_paragraphLength >= ParagraphLength) {
                endParagraph();
            } else {
                shown += QChar::LineSeparator;
                ++m_paragraphLength;
                m_lineLength = 0;
            }
            continue;
        }
        if (m_lineLength >= LongestDrawnLine) {
            endParagraph();
        }
        // Control characters are drawn as their visible symbols.
        shown += (c.unicode() < 0x20 && c != QLatin1Char('\t')) ? QChar(0x2400 + c.unicode()) : c;
        ++m_lineLength;
        ++m_paragraphLength;
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
