#include "app/framebox.h"

#include <QStyleOptionGroupBox>
#include <QStylePainter>

namespace Tensiova {

FrameBox::FrameBox(const QString &caption, const QColor &captionColor, QWidget *parent)
    : QGroupBox(caption, parent)
    , m_captionColor(captionColor)
{ }

void FrameBox::paintEvent(QPaintEvent *)
{
    QStylePainter painter(this);
    QStyleOptionGroupBox option;
    initStyleOption(&option);
    if (m_captionColor.isValid()) {
        // Some styles draw the caption in the option's text colour, Fusion in the palette's.
        option.textColor = m_captionColor;
        option.palette.setColor(QPalette::WindowText, m_captionColor);
    }
    painter.drawComplexControl(QStyle::CC_GroupBox, option);
}

} // namespace Tensiova
