#include "app/widgets/designstyle.h"

#include "app/widgets/pictures.h"

#include <QGroupBox>
#include <QGuiApplication>
#include <QList>
#include <QPainter>
#include <QStyleFactory>
#include <QStyleOption>

namespace Tensiova {

DesignStyle::DesignStyle()
    : QProxyStyle(QStyleFactory::create(QStringLiteral("Fusion")))
{ }

QIcon DesignStyle::standardIcon(StandardPixmap which, const QStyleOption *option,
                                const QWidget *widget) const
{
    QString prefix = QStringLiteral(":/qt-project.org/styles/commonstyle/images/toolbar-ext-");
    QList<int> sizes;
    if (which == SP_ToolBarHorizontalExtensionButton) {
        prefix +=
            QGuiApplication::isRightToLeft() ? QStringLiteral("h-rtl-") : QStringLiteral("h-");
        sizes = {8, 16, 32};
    } else if (which == SP_ToolBarVerticalExtensionButton) {
        prefix += QStringLiteral("v-");
        sizes = {5, 10, 20};
    } else {
        return QProxyStyle::standardIcon(which, option, widget);
    }
    QIcon icon;
    for (const int size : sizes) {
        icon.addPixmap(
            Design::builtInPicture(prefix + QString::number(size) + QStringLiteral(".png")));
    }
    return icon;
}

void DesignStyle::drawPrimitive(PrimitiveElement element, const QStyleOption *option,
                                QPainter *painter, const QWidget *widget) const
{
    if (element != PE_FrameGroupBox) {
        QProxyStyle::drawPrimitive(element, option, painter, widget);
        return;
    }
    // Fusion's frame: its border picture below the caption's line. Only its corners are drawn
    // from it; its edges and middle, one colour along their length, are filled: stretching the
    // picture over the frame was half the cost of painting the main window.
    static const QImage border =
        Design::builtInPicture(QStringLiteral(":/qt-project.org/styles/commonstyle/images/"
                                              "fusion_groupbox.png"))
            .toImage();
    constexpr int FrameTopMargin = 3;
    constexpr int Edge = 6;
    const auto *box = qobject_cast<const QGroupBox *>(widget);
    int top = FrameTopMargin;
    if (!box || box->isCheckable() || !box->title().isEmpty()) {
        top += qMax(pixelMetric(PM_ExclusiveIndicatorHeight), option->fontMetrics.height());
    }
    const QRect frame = option->rect.adjusted(0, top, 0, 0);
    const QRect inner = frame.adjusted(Edge, Edge, -Edge, -Edge);
    const int right = border.width() - 1;
    const int bottom = border.height() - 1;
    for (int i = 0; i < Edge; ++i) {
        painter->fillRect(QRect(inner.left(), frame.top() + i, inner.width(), 1),
                          border.pixelColor(Edge, i));
        painter->fillRect(QRect(inner.left(), frame.bottom() - i, inner.width(), 1),
                          border.pixelColor(Edge, bottom - i));
        painter->fillRect(QRect(frame.left() + i, inner.top(), 1, inner.height()),
                          border.pixelColor(i, Edge));
        painter->fillRect(QRect(frame.right() - i, inner.top(), 1, inner.height()),
                          border.pixelColor(right - i, Edge));
    }
    painter->fillRect(inner, border.pixelColor(Edge, Edge));
    const QSize corner(Edge, Edge);
    painter->drawImage(frame.topLeft(), border, QRect(QPoint(0, 0), corner));
    painter->drawImage(QPoint(inner.right() + 1, frame.top()), border,
                       QRect(QPoint(right + 1 - Edge, 0), corner));
    painter->drawImage(QPoint(frame.left(), inner.bottom() + 1), border,
                       QRect(QPoint(0, bottom + 1 - Edge), corner));
    painter->drawImage(inner.bottomRight() + QPoint(1, 1), border,
                       QRect(QPoint(right + 1 - Edge, bottom + 1 - Edge), corner));
}

} // namespace Tensiova
