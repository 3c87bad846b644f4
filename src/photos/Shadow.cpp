// The drop shadow stage: the Gaussian blur.

#include <algorithm>
#include <cmath>
#include <utility>
#include <vector>

#include "Codec.h"
#include "Stages.h"

namespace vellumora {
namespace {

constexpr int kMaxTap = 100;

quint32* Row(QImage& image, int y) {
    return reinterpret_cast<quint32*>(image.scanLine(y));
}
const quint32* Row(const QImage& image, int y) {
    return reinterpret_cast<const quint32*>(image.constScanLine(y));
}

// A blurred channel value: truncated toward zero, kept to 0..255.
quint8 Level(double value) {
    return quint8(std::clamp(value, 0.0, 255.0));
}

}  // namespace

TBlurKernel BuildBlurKernel(double radius) {
    TBlurKernel kernel;
    if (!(radius > 0)) {
        kernel.Weights[kMaxTap] = 1.0f;
        return kernel;
    }
    auto& w = kernel.Weights;
    for (int j = -kMaxTap; j <= kMaxTap; ++j) {
        const double t = j / radius;
        w[size_t(j + kMaxTap)] = float(std::exp(-t * t / 2));
    }
    double sum = 0;
    for (float v : w) sum += v;
    for (float& v : w) v = float(v / sum);

    // Drop the outer taps while together they stay under half a level of 255.
    int size = kMaxTap;
    double dropped = 0;
    while (dropped < 1.0 / 510 && size > 1) {
        dropped += 2.0 * w[size_t(size + kMaxTap)];
        --size;
    }
    kernel.Size = quint8(size);

    sum = 0;
    for (int j = -size; j <= size; ++j) sum += w[size_t(j + kMaxTap)];
    for (int j = -size; j <= size; ++j)
        w[size_t(j + kMaxTap)] = float(w[size_t(j + kMaxTap)] / sum);

    // Rounded to float the taps may add up to a hair under 1 (radius 2 and 5 do), and the
    // truncating blur would then turn a flat 255 into 254 and a flat shadow colour one level
    // darker than the plain fill beside it. Raise the centre tap by the needed ulps.
    const auto total = [&] {
        double s = 0;
        for (int j = -size; j <= size; ++j) s += w[size_t(j + kMaxTap)];
        return s;
    };
    while (total() < 1.0) w[kMaxTap] = std::nextafter(w[kMaxTap], 2.0f);
    return kernel;
}

void BlurBitmap(QImage& image, const TBlurKernel& kernel) {
    if (image.isNull()) return;
    if (image.format() != kPixelFormat) image = image.convertToFormat(kPixelFormat);
    const int width = image.width();
    const int height = image.height();
    const int s = std::clamp<int>(kernel.Size, 0, kMaxTap);
    const size_t span = size_t(width) * 3;  // channel values of one row: blue, green, red

    std::array<double, 2 * kMaxTap + 1> weight{};
    for (int n = -s; n <= s; ++n) weight[size_t(n + kMaxTap)] = kernel.Weight(n);

    // Both passes sum the taps for a whole row at once, tap after tap, so every value gets
    // its terms in the order -s..s and the inner loop runs over contiguous memory.
    std::vector<double> sums(span);
    std::vector<quint8> padded(size_t(width + 2 * s) * 3);  // one row, border repeated
    std::vector<quint8> rows(span * size_t(height));        // the row pass, unblurred input only

    for (int y = 0; y < height; ++y) {
        const quint32* src = Row(std::as_const(image), y);
        for (int i = 0; i < width + 2 * s; ++i) {
            const quint32 p = src[std::clamp(i - s, 0, width - 1)];
            padded[size_t(i) * 3] = quint8(qBlue(p));
            padded[size_t(i) * 3 + 1] = quint8(qGreen(p));
            padded[size_t(i) * 3 + 2] = quint8(qRed(p));
        }
        std::fill(sums.begin(), sums.end(), 0.0);
        for (int n = -s; n <= s; ++n) {
            const double wn = weight[size_t(n + kMaxTap)];
            const quint8* p = padded.data() + size_t(s - n) * 3;  // column x - n
            for (size_t i = 0; i < span; ++i) sums[i] += wn * p[i];
        }
        quint8* out = rows.data() + span * size_t(y);
        for (size_t i = 0; i < span; ++i) out[i] = Level(sums[i]);
    }

    for (int y = 0; y < height; ++y) {
        std::fill(sums.begin(), sums.end(), 0.0);
        for (int n = -s; n <= s; ++n) {
            const double wn = weight[size_t(n + kMaxTap)];
            const quint8* p = rows.data() + span * size_t(std::clamp(y - n, 0, height - 1));
            for (size_t i = 0; i < span; ++i) sums[i] += wn * p[i];
        }
        quint32* dst = Row(image, y);
        for (int x = 0; x < width; ++x) {
            const size_t i = size_t(x) * 3;
            dst[x] = qRgb(Level(sums[i + 2]), Level(sums[i + 1]), Level(sums[i]));
        }
    }
}

}  // namespace vellumora
