#pragma once

#include <QPixmap>
#include <QWidget>

class QSvgRenderer;

namespace Tensiova {

// A box that draws a picture at its natural size from its top-left corner, clipped to the box.
class PictureBox : public QWidget
{
    Q_OBJECT

public:
    explicit PictureBox(QWidget *parent = nullptr);

    void setPixmap(const QPixmap &picture);
    void setVectorPicture(const QString &resource);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QPixmap m_picture;
    QSvgRenderer *m_vector = nullptr;
};

} // namespace Tensiova
