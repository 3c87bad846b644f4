#include "codec/ImageBuffer.h"

#include <sys/mman.h>

#include <algorithm>
#include <cstdlib>
#include <limits>

#include "codec/Codec.h"

namespace vellumora {
namespace {

constexpr size_t kHugePage = size_t(2) << 20;

void FreeBuffer(void* buffer) {
    std::free(buffer);
}

}  // namespace

QImage NewImage(int width, int height) {
    if (width <= 0 || height <= 0) return {};
    if (qint64(width) * height > kMaxLoadPixels) return {};
    const qsizetype stride = qsizetype(width) * 4;
    const size_t bytes = size_t(stride) * size_t(height);
    if (bytes < kHugePage) {
        QImage image(width, height, kPixelFormat);
        return image;  // null when Qt could not allocate
    }
    const size_t rounded = (bytes + kHugePage - 1) / kHugePage * kHugePage;
    void* buffer = std::aligned_alloc(kHugePage, rounded);
    if (!buffer) return {};
    // Advice only: where transparent huge pages are off this changes nothing.
    madvise(buffer, rounded, MADV_HUGEPAGE);
    QImage image(static_cast<uchar*>(buffer), width, height, stride, kPixelFormat, FreeBuffer,
                 buffer);
    if (image.isNull()) std::free(buffer);
    return image;
}

QImage NewFilledImage(int width, int height, QRgb fill) {
    QImage image = NewImage(width, height);
    if (!image.isNull()) image.fill(fill);
    return image;
}

QImage OrientImage(const QImage& source, int exifOrientation, const TRowSplit& split) {
    if (source.isNull() || exifOrientation < 2 || exifOrientation > 8) return source;
    const QImage src =
        source.format() == kPixelFormat ? source : source.convertToFormat(kPixelFormat);
    const int w = src.width();
    const int h = src.height();
    const bool swap = exifOrientation >= 5;
    QImage out = swap ? NewImage(h, w) : NewImage(w, h);
    if (out.isNull()) return out;

    const auto srcRow = [&](int y) {
        return reinterpret_cast<const quint32*>(src.constScanLine(y));
    };
    // Taken once: scanLine writes to the image on every call, and bands may run at once.
    uchar* const outBits = out.bits();
    const qsizetype outStride = out.bytesPerLine();
    const auto dstRow = [&](int y) { return reinterpret_cast<quint32*>(outBits + y * outStride); };
    const auto forRows = [&](const std::function<void(int, int)>& rowsOf) {
        if (split)
            split(out.height(), out.width(), rowsOf);
        else
            rowsOf(0, out.height());
    };

    if (!swap) {
        // Rows map to rows: a straight or reversed copy of each.
        const bool flipRows = exifOrientation == 3 || exifOrientation == 4;
        const bool reverse = exifOrientation == 2 || exifOrientation == 3;
        forRows([&](int first, int end) {
            for (int y = first; y < end; ++y) {
                const quint32* s = srcRow(flipRows ? h - 1 - y : y);
                quint32* d = dstRow(y);
                if (reverse)
                    std::reverse_copy(s, s + w, d);
                else
                    std::copy(s, s + w, d);
            }
        });
        return out;
    }

    // Rows become columns. Walk in square blocks so that both the reads and the writes
    // stay within a few cache lines per row.
    // Result (x, y), with W' = h and H' = w, takes the source pixel:
    //   5 (transpose)   (y, x)
    //   6 (clockwise)   (y, h - 1 - x)
    //   7 (transverse)  (w - 1 - y, h - 1 - x)
    //   8 (counter)     (w - 1 - y, x)
    const bool mirrorX =
        exifOrientation == 6 || exifOrientation == 7;  // source row from x reversed
    const bool mirrorY =
        exifOrientation == 7 || exifOrientation == 8;  // source column from y reversed
    constexpr int kBlock = 64;
    forRows([&](int first, int end) {
        for (int by = first; by < end; by += kBlock) {
            const int yEnd = std::min(by + kBlock, end);
            for (int bx = 0; bx < h; bx += kBlock) {
                const int xEnd = std::min(bx + kBlock, h);
                for (int y = by; y < yEnd; ++y) {
                    quint32* d = dstRow(y);
                    const int sx = mirrorY ? w - 1 - y : y;
                    for (int x = bx; x < xEnd; ++x) d[x] = srcRow(mirrorX ? h - 1 - x : x)[sx];
                }
            }
        }
    });
    return out;
}

}  // namespace vellumora
