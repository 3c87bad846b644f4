#include "photos/stages/Thumbnail.h"

#include <algorithm>

namespace vellumora {

QRect ThumbnailRect(QSize image, QSize box, TThumbnailFit fit) {
    if (image.isEmpty() || box.isEmpty()) return {};
    if (fit == TThumbnailFit::Squeezed) return QRect(QPoint(0, 0), box);
    const qint64 longer = std::max(image.width(), image.height());
    const int w = box.width(), h = box.height();
    const int tw = int(w * qint64(image.width()) / longer);
    const int th = int(h * qint64(image.height()) / longer);
    // Right and bottom (exclusive) are (tw + w) / 2 and (th + h) / 2.
    return QRect(QPoint((w - tw) / 2, (h - th) / 2), QPoint((tw + w) / 2 - 1, (th + h) / 2 - 1));
}

// Sampling at the centre of each target pixel: the image may be millions of pixels, the
// thumbnail reads one of them per pixel it shows.
QImage MakeThumbnail(const QImage& image, QSize box, QColor background, TThumbnailFit fit) {
    QImage thumbnail(box, QImage::Format_RGB32);
    thumbnail.fill(background);
    const QRect target = ThumbnailRect(image.size(), box, fit);
    if (image.isNull() || target.isEmpty()) return thumbnail;

    const QImage source =
        image.format() == QImage::Format_RGB32 || image.format() == QImage::Format_ARGB32
            ? image
            : image.convertToFormat(QImage::Format_RGB32);
    const qint64 w = source.width(), h = source.height();
    for (int y = 0; y < target.height(); ++y) {
        const int sy = int((2 * y + 1) * h / (2 * target.height()));
        const auto* in = reinterpret_cast<const QRgb*>(source.constScanLine(sy));
        auto* out = reinterpret_cast<QRgb*>(thumbnail.scanLine(target.top() + y)) + target.left();
        for (int x = 0; x < target.width(); ++x)
            out[x] = 0xFF000000u | in[(2 * x + 1) * w / (2 * target.width())];
    }
    return thumbnail;
}

}  // namespace vellumora
