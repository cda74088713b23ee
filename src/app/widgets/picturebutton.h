#pragma once

#include <QPixmap>
#include <QPushButton>

namespace Tensiova {

// A button that shows its picture with its caption over it.
class PictureButton : public QPushButton
{
    Q_OBJECT

public:
    PictureButton(const QString &caption, const QPixmap &picture, QWidget *parent = nullptr);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QPixmap m_picture;
};

} // namespace Tensiova
