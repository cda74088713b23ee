#pragma once

#include <QPixmap>
#include <QString>

// The program's pictures, read by Qt's own code for PNG and PPM: none asks the system's image
// plugins, which would all be loaded on the way to the first window.
namespace Tensiova::Design {

// A picture of the resources at its design size: its "@2x" drawing where the screens are dense
// enough for it to show sharper.
QPixmap picture(const QString &resource);

// A PNG or PPM file or resource, read without asking the image plugins.
QPixmap builtInPicture(const QString &path);

} // namespace Tensiova::Design
