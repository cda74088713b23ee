#pragma once

#include <QWidget>

namespace Tensiova {

// The start-up window (Form2). A click on its background or on either picture asks for the main
// window; a click on its label does nothing. From the keyboard, Entrée or the space bar asks too.
class SplashWindow : public QWidget
{
    Q_OBJECT

public:
    explicit SplashWindow(QWidget *parent = nullptr);

signals:
    void clicked();

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    bool m_pressed = false;
    bool m_placed = false;
};

} // namespace Tensiova
