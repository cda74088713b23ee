#include "app/widgets/pictures.h"

#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>

#include <cctype>

namespace Tensiova::Design {

namespace {

// A binary PPM of 8-bit samples ("P6 width height 255", then the RGB triplets) taken as it
// lies: a sixth of the time of Qt's reader, which converts the pixels one at a time.
QImage rawPpm(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return {};
    }
    const QByteArray bytes = file.readAll();
    // Four fields apart by blanks, then one blank before the samples.
    QList<QByteArray> fields;
    qsizetype at = 0;
    while (fields.size() < 4 && at < bytes.size()) {
        while (at < bytes.size() && std::isspace(static_cast<unsigned char>(bytes.at(at)))) {
            ++at;
        }
        const qsizetype start = at;
        while (at < bytes.size() && !std::isspace(static_cast<unsigned char>(bytes.at(at)))) {
            ++at;
        }
        fields.append(bytes.mid(start, at - start));
    }
    const qsizetype start = at + 1;
    if (fields.size() < 4 || fields.at(0) != "P6" || fields.at(3) != "255") {
        return {};
    }
    const int width = fields.at(1).toInt();
    const int height = fields.at(2).toInt();
    if (width <= 0 || height <= 0 || bytes.size() - start < qsizetype(width) * height * 3) {
        return {};
    }
    return QImage(reinterpret_cast<const uchar *>(bytes.constData() + start), width, height,
                  width * 3, QImage::Format_RGB888)
        .convertToFormat(QImage::Format_RGB32);
}

} // namespace

QPixmap builtInPicture(const QString &path)
{
    if (path.endsWith(QLatin1String(".ppm"))) {
        return QPixmap::fromImage(rawPpm(path));
    }
    // Qt reads these formats itself: told the format, the reader does not first load every image
    // plugin of the system to ask each whether it knows the file.
    QImageReader reader(path, QFileInfo(path).suffix().toLatin1());
    reader.setAutoDetectImageFormat(false);
    return QPixmap::fromImage(reader.read());
}

QPixmap picture(const QString &resource)
{
    if (qApp->devicePixelRatio() > 1.0) {
        const qsizetype dot = resource.lastIndexOf(QLatin1Char('.'));
        QPixmap sharp =
            builtInPicture(resource.left(dot) + QStringLiteral("@2x") + resource.mid(dot));
        if (!sharp.isNull()) {
            sharp.setDevicePixelRatio(2.0);
            return sharp;
        }
    }
    return builtInPicture(resource);
}

} // namespace Tensiova::Design
