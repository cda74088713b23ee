#include "app/widgets/picturebutton.h"

#include <QStyleOptionButton>
#include <QStylePainter>

namespace Tensiova {

PictureButton::PictureButton(const QString &caption, const QPixmap &picture, QWidget *parent)
    : QPushButton(caption, parent)
    , m_picture(picture)
{ }

void PictureButton::paintEvent(QPaintEvent *)
{
    QStylePainter painter(this);
    QStyleOptionButton option;
    initStyleOption(&option);
    painter.drawControl(QStyle::CE_PushButtonBevel, option);

    const QRect inside = style()->subElementRect(QStyle::SE_PushButtonContents, &option, this);
    const int shift = isDown() ? 1 : 0;
    painter.save();
    painter.setClipRect(rect().adjusted(2, 2, -2, -2));
    QRect pictureRect(QPoint(), m_picture.deviceIndependentSize().toSize());
    pictureRect.moveCenter(rect().center());
    painter.drawPixmap(pictureRect.translated(shift, shift), m_picture);
    painter.restore();

    painter.drawItemText(inside.translated(shift, shift), Qt::AlignCenter, palette(), isEnabled(),
                         text(), QPalette::ButtonText);
    if (hasFocus()) {
        QStyleOptionFocusRect focus;
        focus.initFrom(this);
        focus.rect = rect().adjusted(3, 3, -3, -3);
        painter.drawPrimitive(QStyle::PE_FrameFocusRect, focus);
    }
}

} // namespace Tensiova
