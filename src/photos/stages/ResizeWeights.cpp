#include "photos/stages/ResizeWeights.h"

#include <algorithm>
#include <cmath>

namespace vellumora::resize {
namespace {

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

}  // namespace

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

}  // namespace vellumora::resize
