#include "app/widgets/picturebox.h"

#include <QPainter>
#include <QSvgRenderer>

namespace Tensiova {

PictureBox::PictureBox(QWidget *parent)
    : QWidget(parent)
{ }

void PictureBox::setPixmap(const QPixmap &picture)
{
    m_picture = picture;
    update();
}

void PictureBox::setVectorPicture(const QString &resource)
{
    m_vector = new QSvgRenderer(resource, this);
    update();
}

void PictureBox::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setClipRect(rect());
    if (m_vector && m_vector->isValid()) {
        m_vector->render(&painter, QRectF(QPointF(0, 0), m_vector->defaultSize()));
    } else if (!m_picture.isNull()) {
        painter.drawPixmap(0, 0, m_picture);
    }
}

} // namespace Tensiova
