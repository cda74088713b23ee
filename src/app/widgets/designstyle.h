#pragma once

#include <QProxyStyle>

namespace Tensiova {

// Fusion, with its few pictures that the first window shows (the menu bar's overflow arrow, the
// frames' border) read as the PNG they are. Fusion itself has Qt ask every image plugin of the
// system whether it reads them: a dozen plugins and their libraries loaded on the way to the first
// window.
class DesignStyle : public QProxyStyle
{
    Q_OBJECT

public:
    DesignStyle();

    QIcon standardIcon(StandardPixmap which, const QStyleOption *option = nullptr,
                       const QWidget *widget = nullptr) const override;
    void drawPrimitive(PrimitiveElement element, const QStyleOption *option, QPainter *painter,
                       const QWidget *widget = nullptr) const override;
};

} // namespace Tensiova
