#pragma once

#include <QRect>
#include <QString>

class QWidget;

// The windows are laid out in twips, 15 to a pixel at 96 dots per inch.
namespace Tensiova::Design {

constexpr int pixels(int twips)
{
    return (twips + 7) / 15;
}

constexpr QRect rect(int left, int top, int width, int height)
{
    return QRect(pixels(left), pixels(top), pixels(width), pixels(height));
}

// What every window of the program shares: its name and version, the Fusion style, a font small
// enough for every caption and entry to show whole inside the controls at their design sizes,
// and Qt's own dialog texts in French.
void prepareApplication();

// Shrinks a top-level window that would not fit on the screen it is about to appear on.
void fitOnScreen(QWidget *window);

// Centres a top-level window on the screen it is about to appear on.
void centerOnScreen(QWidget *window);

// Shows a window made earlier, or brings it to the front.
void present(QWidget *window);

} // namespace Tensiova::Design
