#pragma once

// Small helpers the tests share: synthetic images and pixel access in the program's layout.

#include <QImage>
#include <QString>

namespace vellumora::test {

// An image of the program's layout with a distinct colour in every pixel:
// red = x * 7 + y, green = y * 5 + x, blue = (x ^ y) * 3 (all mod 256).
QImage PatternImage(int width, int height);
// An image of one colour (0xRRGGBB).
QImage SolidImage(int width, int height, quint32 rgb);
// Red, green, blue of pixel (x, y) as 0xRRGGBB.
quint32 PixelRgb(const QImage& image, int x, int y);
// Writes bytes to a file; returns its path inside dir.
QString WriteBytes(const QString& dir, const QString& name, const QByteArray& bytes);

}  // namespace vellumora::test
