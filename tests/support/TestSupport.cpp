#include "support/TestSupport.h"

#include <QFile>

#include "codec/ImageBuffer.h"

namespace vellumora::test {

QImage PatternImage(int width, int height) {
    QImage image = NewImage(width, height);
    for (int y = 0; y < height; ++y) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < width; ++x)
            row[x] = qRgb((x * 7 + y) & 255, (y * 5 + x) & 255, ((x ^ y) * 3) & 255);
    }
    return image;
}

QImage SolidImage(int width, int height, quint32 rgb) {
    return NewFilledImage(width, height, 0xFF000000u | rgb);
}

quint32 PixelRgb(const QImage& image, int x, int y) { return image.pixel(x, y) & 0xFFFFFFu; }

QString WriteBytes(const QString& dir, const QString& name, const QByteArray& bytes) {
    const QString path = dir + QLatin1Char('/') + name;
    QFile file(path);
    if (file.open(QIODevice::WriteOnly)) file.write(bytes);
    return path;
}

}  // namespace vellumora::test
