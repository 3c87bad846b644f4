// Crop and orientation: the two stages that move pixels without changing them.

#include "photos/stages/Geometry.h"

#include <algorithm>
#include <cstring>

#include "codec/ImageBuffer.h"

namespace vellumora {
namespace {

// The crop rectangle cut to the picture, in 64 bits so that hand-edited values near the
// 32-bit limits cannot wrap. Empty when nothing remains.
QRect CropArea(QSize size, const TRect& crop) {
    const qint64 left = std::max<qint64>(crop.Left, 0);
    const qint64 top = std::max<qint64>(crop.Top, 0);
    const qint64 right = std::min<qint64>(crop.Right, size.width());
    const qint64 bottom = std::min<qint64>(crop.Bottom, size.height());
    if (right <= left || bottom <= top) return {};
    return QRect(int(left), int(top), int(right - left), int(bottom - top));
}

// The orientation codes as the turns and mirrors of ImageBuffer's OrientImage.
int ExifOrientation(int code) {
    switch (code) {
        case 90:
            return 8;
        case 180:
            return 3;
        case 270:
            return 6;
        case -180:
            return 2;
        case -360:
            return 4;
        case -270:
            return 5;
        case -90:
            return 7;
        default:
            return 1;
    }
}

// Row i is a code, columns the result of clockwise, counter-clockwise, horizontal and
// vertical. Each entry equals the code of the row followed by the action's own code.
struct Combination {
    int code, clockwise, counterClockwise, horizontal, vertical;
};
constexpr Combination kCombinations[] = {
    {0, 270, 90, -180, -360},  {90, 0, 180, -90, -270},    {180, 90, 270, -360, -180},
    {270, 180, 0, -270, -90},  {-360, -270, -90, 180, 0},  {-270, -180, -360, 270, 90},
    {-180, -90, -270, 0, 180}, {-90, -360, -180, 90, 270},
};

template <int Combination::*Action>
int Combine(int code) {
    for (const Combination& row : kCombinations)
        if (row.code == code) return row.*Action;
    return code;
}

}  // namespace

QRect CroppedArea(QSize size, const TRect& crop) {
    const QRect area = CropArea(size, crop);
    return area.isEmpty() ? QRect(QPoint(0, 0), size) : area;
}

QImage CroppedView(const QImage& image, const TRect& crop) {
    const QRect area = CroppedArea(image.size(), crop);
    if (image.isNull() || area.size() == image.size()) return image;
    const qsizetype pixelBytes = image.depth() / 8;
    return QImage(image.constScanLine(area.top()) + area.left() * pixelBytes, area.width(),
                  area.height(), image.bytesPerLine(), image.format());
}

QSize CroppedSize(QSize size, const TRect& crop) {
    return CroppedArea(size, crop).size();
}

QImage CropBitmap(QImage image, const TRect& crop) {
    if (image.isNull()) return image;
    const QRect area = CropArea(image.size(), crop);
    if (area.isEmpty() || area.size() == image.size()) return image;
    QImage out = NewImage(area.width(), area.height());
    if (out.isNull()) return out;
    const size_t rowBytes = size_t(area.width()) * 4;
    for (int y = 0; y < area.height(); ++y)
        std::memcpy(out.scanLine(y), image.constScanLine(y + area.top()) + size_t(area.left()) * 4,
                    rowBytes);
    return out;
}

bool IsOrientationCode(int code) {
    return std::any_of(std::begin(kCombinations), std::end(kCombinations),
                       [code](const Combination& row) { return row.code == code; });
}

QImage OrientBitmap(QImage image, int code) {
    return OrientImage(image, ExifOrientation(code));
}

QSize OrientedSize(QSize size, int code) {
    return ExifOrientation(code) >= 5 ? size.transposed() : size;
}

int RotateClockwise(int code) {
    return Combine<&Combination::clockwise>(code);
}
int RotateCounterClockwise(int code) {
    return Combine<&Combination::counterClockwise>(code);
}
int FlipHorizontally(int code) {
    return Combine<&Combination::horizontal>(code);
}
int FlipVertically(int code) {
    return Combine<&Combination::vertical>(code);
}

}  // namespace vellumora
