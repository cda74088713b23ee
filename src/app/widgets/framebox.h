#pragma once

#include <QColor>
#include <QGroupBox>

namespace Tensiova {

// A frame whose caption has a colour of its own, without passing that colour to what it holds.
class FrameBox : public QGroupBox
{
    Q_OBJECT

public:
    FrameBox(const QString &caption, const QColor &captionColor, QWidget *parent = nullptr);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QColor m_captionColor;
};

} // namespace Tensiova
