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

namespace vellumora {
namespace {

constexpr int kWeightBits = 14;
constexpr uint32_t kOne = 1u << kWeightBits;

// For every output index: the first source index and the weights of the source indices
// from there on.
struct AxisWeights {
    std::vector<int> first;
    std::vector<int> start;  // offset into weights; start[i + 1] - start[i] is the count
    std::vector<uint16_t> weights;
};

// Turns real weights into fixed point that sums exactly to kOne, putting the rounding
// remainder on the largest weight.
void AppendQuantised(AxisWeights& axis, const std::vector<double>& real) {
    const size_t base = axis.weights.size();
    int64_t sum = 0;
    size_t largest = 0;
    for (size_t k = 0; k < real.size(); ++k) {
        const auto w = static_cast<uint16_t>(std::lround(real[k] * kOne));
        axis.weights.push_back(w);
        sum += w;
        if (real[k] > real[largest]) largest = k;
    }
    axis.weights[base + largest] =
        static_cast<uint16_t>(axis.weights[base + largest] + (kOne - sum));
    axis.start.push_back(int(axis.weights.size()));
}

AxisWeights MakeWeights(int source, int target) {
    AxisWeights axis;
    axis.first.reserve(target);
    axis.start.reserve(target + 1);
    axis.start.push_back(0);
    std::vector<double> real;
    const double scale = double(source) / target;
    for (int o = 0; o < target; ++o) {
        real.clear();
        if (target < source) {
            // Output o covers the source span [o * scale, (o + 1) * scale): each source
            // pixel weighs by the share of it that lies inside.
            const double a = o * scale;
            const double b = std::min((o + 1) * scale, double(source));
            const int i0 = int(std::floor(a));
            const int i1 = std::min(source, int(std::ceil(b)));
            for (int i = i0; i < i1; ++i)
                real.push_back((std::min(b, i + 1.0) - std::max(a, double(i))) / scale);
            axis.first.push_back(i0);
        } else if (target > source) {
            // Pixel centres aligned; the two nearest source pixels, edges repeated.
            const double c = (o + 0.5) * scale - 0.5;
            int i0 = int(std::floor(c));
            double f = c - i0;
            if (i0 < 0) {
                i0 = 0;
                f = 0;
            }
            if (i0 >= source - 1) {
                i0 = source - 1;
                f = 0;
            }
            real.push_back(1 - f);
            if (f > 0) real.push_back(f);
            axis.first.push_back(i0);
        } else {
            real.push_back(1);
            axis.first.push_back(o);
        }
        AppendQuantised(axis, real);
    }
    return axis;
}

}  // namespace

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
            for (size_t i = 0; i < channels; ++i)
                column[i] = uint16_t((acc[i] + (1u << (kWeightBits - 9))) >> (kWeightBits - 8));

            QRgb* dst = rows[oy];
            for (int ox = 0; ox < size.width(); ++ox) {
                uint32_t b = 0, g = 0, r = 0;
                const uint16_t* px = column.data() + size_t(wx.first[ox]) * 4;
                for (int k = wx.start[ox]; k < wx.start[ox + 1]; ++k, px += 4) {
                    const uint32_t w = wx.weights[k];
                    b += px[0] * w;
                    g += px[1] * w;
                    r += px[2] * w;
                }
                constexpr int shift = kWeightBits + 8;
                constexpr uint32_t half = 1u << (shift - 1);
                dst[ox] = qRgb(int((r + half) >> shift), int((g + half) >> shift),
                               int((b + half) >> shift));
            }
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
