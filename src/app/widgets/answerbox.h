#pragma once

#include "link/answertext.h"

#include <QPlainTextEdit>

namespace Tensiova {

// The answers box: what the device sent, appended as it arrives. The exact text is kept apart
// from what is drawn, so that line ends and control characters stay as received.
class AnswerBox : public QPlainTextEdit
{
    Q_OBJECT

public:
    explicit AnswerBox(QWidget *parent = nullptr);

    QString text() const { return m_answers.text(); }
    void setText(const QString &text);
    void appendAnswer(const QString &received);

signals:
    void clicked();

protected:
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    void appendToDisplay(QStringView received);

    AnswerText m_answers;
    qsizetype m_lineLength = 0; // drawn since the last line end
    qsizetype m_paragraphLength = 0; // drawn in the last paragraph
    bool m_displayEndsWithCarriageReturn = false;
};

} // namespace Tensiova
