// Mask and border bands.

#include "photos/stages/Frame.h"

#include <algorithm>
#include <cstring>
#include <utility>
#include <vector>

#include "codec/Codec.h"
#include "codec/ImageBuffer.h"
#include "photos/stages/Bands.h"
#include "photos/stages/Render.h"

namespace vellumora {
namespace {

// ((255 - m) * channel + m * maskChannel) div 255: weights adding up to 255, so the
// result stays within 0..255.
inline int Mix(int channel, int maskChannel, int m) {
    return ((255 - m) * channel + m * maskChannel) / 255;
}

}  // namespace

QImage ApplyMask(QImage image, const QImage& mask, TColor maskColor) {
    if (image.isNull() || mask.isNull()) return image;
    // Masks are loaded as they are stored (grey, indexed, with alpha); one conversion
    // keeps the pass below to a single layout.
    const QImage source = mask.format() == kPixelFormat ? mask : mask.convertToFormat(kPixelFormat);
    if (source.isNull()) return {};
    if (image.format() != kPixelFormat) {
        image = image.convertToFormat(kPixelFormat);
        if (image.isNull()) return image;
    }

    const int width = image.width();
    const int height = image.height();
    const qint64 maskWidth = source.width();
    const qint64 maskHeight = source.height();
    const int mr = qRed(ColorToRgb(maskColor));
    const int mg = qGreen(ColorToRgb(maskColor));
    const int mb = qBlue(ColorToRgb(maskColor));
    // Source column x * maskWidth div width, stepped as a quotient and remainder so that
    // no table of a (possibly very wide) picture's columns is needed.
    const qint64 step = maskWidth / width;
    const qint64 stepRest = maskWidth % width;

    // The mask row of picture row y, and the mask column of each picture column in turn.
    const auto maskRowOf = [&](int y) {
        return reinterpret_cast<const QRgb*>(source.constScanLine(int(y * maskHeight / height)));
    };
    const auto forEachColumn = [&](auto&& visit) {
        qint64 sx = 0;
        qint64 rest = 0;
        for (int x = 0; x < width; ++x) {
            visit(x, sx);
            sx += step;
            rest += stepRest;
            if (rest >= width) {
                rest -= width;
                ++sx;
            }
        }
    };
    const auto level = [](QRgb mp) { return (qRed(mp) + qGreen(mp) + qBlue(mp)) / 3; };

    // A shared picture is not changed but copied; under a mask that is black wherever the
    // picture samples it, not even copied. The copy is made row by row in the bands.
    QImage shared;  // what the rows are copied from, when the picture is shared
    if (!image.isDetached()) {
        std::vector<char> sampled(size_t(maskWidth), 0);
        forEachColumn([&](int, qint64 sx) { sampled[size_t(sx)] = 1; });
        bool changes = false;
        for (int y = 0; y < height && !changes; ++y) {
            if (y > 0 && y * maskHeight / height == (y - 1) * maskHeight / height) continue;
            const QRgb* maskRow = maskRowOf(y);
            for (qint64 sx = 0; sx < maskWidth && !changes; ++sx)
                changes = sampled[size_t(sx)] && level(maskRow[sx]) != 0;
        }
        if (!changes) return image;
        shared = std::exchange(image, NewImage(width, height));
        if (image.isNull()) return image;
    }
    const TPixelRows rows(image);

    ForEachBand(height, width, [&](int firstRow, int endRow) {
        // Copied here: read through the lambda, they would be reloaded after every write to
        // a pixel (which might alias them as far as the compiler knows), a fifth slower.
        const int w = width;
        const qint64 columnStep = step;
        const qint64 columnRest = stepRest;
        const int r = mr;
        const int g = mg;
        const int b = mb;
        for (int y = firstRow; y < endRow; ++y) {
            const QRgb* maskRow = maskRowOf(y);
            QRgb* out = rows[y];
            if (!shared.isNull()) std::memcpy(out, shared.constScanLine(y), size_t(w) * 4);
            qint64 sx = 0;
            qint64 rest = 0;
            for (int x = 0; x < w; ++x) {
                const int m = level(maskRow[sx]);
                if (m != 0) {
                    const QRgb p = out[x];
                    out[x] = qRgb(Mix(qRed(p), r, m), Mix(qGreen(p), g, m), Mix(qBlue(p), b, m));
                }
                sx += columnStep;
                rest += columnRest;
                if (rest >= w) {
                    rest -= w;
                    ++sx;
                }
            }
        }
    });
    return image;
}

qint64 BorderGrowth(int outside, int inside) {
    return 2 * (qint64(std::max(outside, 0)) + std::max(inside, 0));
}

QImage AddBorders(QImage image, int outside, int inside, TColor outsideColor, TColor insideColor) {
    if (image.isNull()) return image;
    // The dialog offers no negative widths; a hand-edited one means no band.
    const int o = std::max(outside, 0);
    const int i = std::max(inside, 0);
    if (o == 0 && i == 0) return image;

    // Widths near 2^31 give sides beyond any limit; each side is checked on its own
    // first so that the product cannot overflow.
    const qint64 growth = BorderGrowth(o, i);
    const qint64 newWidth = image.width() + growth;
    const qint64 newHeight = image.height() + growth;
    if (newWidth > kMaxRenderPixels || newHeight > kMaxRenderPixels ||
        newWidth * newHeight > kMaxRenderPixels)
        return {};
    if (image.format() != kPixelFormat) {
        image = image.convertToFormat(kPixelFormat);
        if (image.isNull()) return image;
    }
    QImage out = NewImage(int(newWidth), int(newHeight));
    if (out.isNull()) return out;

    // Every pixel written once, row by row: outside rows, inside rows, picture rows.
    const QRgb outer = ColorToRgb(outsideColor);
    const QRgb inner = ColorToRgb(insideColor);
    const int w = int(newWidth);
    const int h = int(newHeight);
    const int pictureWidth = image.width();
    const int pictureHeight = image.height();
    // One thread: this only fills and copies fresh memory, which a second thread makes
    // slower, not faster, on these machines.
    for (int y = 0; y < h; ++y) {
        auto* row = reinterpret_cast<QRgb*>(out.scanLine(y));
        if (y < o || y >= h - o) {
            std::fill_n(row, w, outer);
            continue;
        }
        std::fill_n(row, o, outer);
        std::fill_n(row + w - o, o, outer);
        const int pictureRow = y - o - i;
        if (pictureRow < 0 || pictureRow >= pictureHeight) {
            std::fill_n(row + o, w - 2 * o, inner);
            continue;
        }
        std::fill_n(row + o, i, inner);
        std::memcpy(row + o + i, image.constScanLine(pictureRow), size_t(pictureWidth) * 4);
        std::fill_n(row + o + i + pictureWidth, i, inner);
    }
    return out;
}

}  // namespace vellumora
