#include "app/dialogs/splashwindow.h"

#include "app/widgets/design.h"
#include "app/widgets/picturebox.h"
#include "app/widgets/pictures.h"

#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>

namespace Tensiova {

SplashWindow::SplashWindow(QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("Form2"));
    setWindowTitle(QStringLiteral("Surveillance de tensions - BREVANNE  - Tensiova"));
    setFixedSize(Design::pixels(8775), Design::pixels(7590));
    setFocusPolicy(Qt::StrongFocus);
    setAccessibleDescription(QStringLiteral("Cliquez ou appuyez sur Entrée pour continuer."));

    auto *banner = new PictureBox(this);
    banner->setObjectName(QStringLiteral("Picture3"));
    banner->setGeometry(Design::rect(180, 630, 8475, 3045));
    banner->setVectorPicture(QStringLiteral(":/pictures/banner.svg"));

    auto *photo = new PictureBox(this);
    photo->setObjectName(QStringLiteral("Picture1"));
    photo->setGeometry(Design::rect(1140, 2460, 6855, 4305));
    photo->setPixmap(Design::picture(QStringLiteral(":/pictures/splash.ppm")));

    auto *label = new QLabel(QStringLiteral("Brevanne"), this);
    label->setObjectName(QStringLiteral("Label1"));
    label->setGeometry(Design::rect(210, 7200, 1395, 255));
    // The label has no click of its own, and its clicks do not reach the window either.
    label->setAttribute(Qt::WA_NoMousePropagation);
}

void SplashWindow::mousePressEvent(QMouseEvent *event)
{
    m_pressed = event->button() == Qt::LeftButton;
}

void SplashWindow::mouseReleaseEvent(QMouseEvent *event)
{
    const bool click = m_pressed && event->button() == Qt::LeftButton
        && rect().contains(event->position().toPoint());
    m_pressed = false;
    if (click) {
        emit clicked();
    }
}

void SplashWindow::keyPressEvent(QKeyEvent *event)
{
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Space:
        emit clicked();
        break;
    default:
        QWidget::keyPressEvent(event);
    }
}

void SplashWindow::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (!m_placed) {
        m_placed = true;
        Design::centerOnScreen(this);
    }
}

} // namespace Tensiova
