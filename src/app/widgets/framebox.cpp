#include "app/widgets/framebox.h"

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
        // Fusion draws the caption in the palette's text colour, not in the option's.
        option.palette.setColor(QPalette::WindowText, m_captionColor);
    }
    painter.drawComplexControl(QStyle::CC_GroupBox, option);
}

} // namespace Tensiova
