// The resize stage: an exact area-averaging resampler for shrinking and linear
// interpolation for enlarging, both as one separable weighted sum.
//
// Each output row is the weighted sum of a few source rows (accumulated across the whole
// row, which the compiler vectorises), and each output pixel of it the weighted sum of a
// few columns of that accumulated row. Weights are fixed point and sum exactly to one,
// so a flat area stays flat and the mean of a region is kept.

#include "photos/stages/Resize.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

#include "codec/ImageBuffer.h"
#include "photos/stages/Bands.h"
#include "photos/stages/ResizeWeights.h"

namespace vellumora {

using resize::AxisWeights;
using resize::MakeWeights;

QSize ResizedSize(QSize size, int max, bool keep) {
    const int w = size.width();
    const int h = size.height();
    if (w <= 0 || h <= 0 || max <= 0) return size;
    if (keep && max > std::max(w, h)) return size;
    // The products of max and a side fit a double exactly; nearbyint rounds halves to even.
    if (w < h) {
        const double width = std::nearbyint(double(qint64(max) * w) / h);
        return QSize(std::max(1, int(width)), max);
    }
    const double height = std::nearbyint(double(qint64(max) * h) / w);
    return QSize(max, std::max(1, int(height)));
}

QImage ResampleBitmap(const QImage& image, QSize size) {
    if (image.isNull() || size.isEmpty()) return {};
    if (size == image.size()) return image;
    QImage out = NewImage(size.width(), size.height());
    if (out.isNull()) return out;

    const int sw = image.width();
    const AxisWeights wx = MakeWeights(sw, size.width());
    const AxisWeights wy = MakeWeights(image.height(), size.height());
    const size_t channels = size_t(sw) * 4;
    const TPixelRows rows(out);

    // Output rows depend only on their source rows: bands of them run at once, each with
    // its own accumulators.
    const qint64 rowCost = qint64(sw) * (wy.start[1] - wy.start[0]) + size.width();
    ForEachBand(size.height(), rowCost, [&](int firstRow, int endRow) {
        std::vector<uint32_t> acc(channels);
        std::vector<uint16_t> column(channels);  // the accumulated row, 8 fraction bits
        for (int oy = firstRow; oy < endRow; ++oy) {
            std::fill(acc.begin(), acc.end(), 0u);
            for (int k = wy.start[oy]; k < wy.start[oy + 1]; ++k) {
                const uint32_t w = wy.weights[k];
                const uchar* src = image.constScanLine(wy.first[oy] + k - wy.start[oy]);
                uint32_t* a = acc.data();
                for (size_t i = 0; i < channels; ++i) a[i] += src[i] * w;
            }
            for (size_t i = 0; i < channels; ++i) column[i] = resize::RoundToColumn(acc[i]);

            resize::SumColumns(column.data(), wx, rows[oy]);
        }
    });
    return out;
}

QImage ResizeBitmap(QImage image, int max, bool keep) {
    if (image.isNull()) return image;
    const QSize target = ResizedSize(image.size(), max, keep);
    return target == image.size() ? image : ResampleBitmap(image, target);
}

}  // namespace vellumora
