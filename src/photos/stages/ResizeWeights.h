#pragma once

// The weights of the resize stage, shared by the whole-picture resampler (Resize.cpp) and
// the one fed a row at a time (StreamResize.cpp), so that both compute the same sums.

#include <QRgb>
#include <cstdint>
#include <vector>

namespace vellumora::resize {

// Weights are fixed point with this many fraction bits and sum exactly to kOne.
inline constexpr int kWeightBits = 14;
inline constexpr uint32_t kOne = 1u << kWeightBits;

// For every output index: the first source index and the weights of the source indices
// from there on.
struct AxisWeights {
    std::vector<int> first;
    std::vector<int> start;  // offset into weights; start[i + 1] - start[i] is the count
    std::vector<uint16_t> weights;
};

// One axis of source pixels onto target pixels: the covered area's mean when shrinking,
// the two nearest pixels (centres aligned, edges repeated) when enlarging.
AxisWeights MakeWeights(int source, int target);

// The rounding between the passes: a sum of source bytes times weights becomes a value
// with 8 fraction bits.
inline uint16_t RoundToColumn(uint32_t sum) {
    return uint16_t((sum + (1u << (kWeightBits - 9))) >> (kWeightBits - 8));
}

// The second pass for one output row: each output pixel the weighted sum of a few
// columns of the row's first-pass values (4 channels a pixel, 8 fraction bits).
inline void SumColumns(const uint16_t* column, const AxisWeights& wx, QRgb* dst) {
    const int width = int(wx.first.size());
    for (int ox = 0; ox < width; ++ox) {
        uint32_t b = 0, g = 0, r = 0;
        const uint16_t* px = column + size_t(wx.first[ox]) * 4;
        for (int k = wx.start[ox]; k < wx.start[ox + 1]; ++k, px += 4) {
            const uint32_t w = wx.weights[k];
            b += px[0] * w;
            g += px[1] * w;
            r += px[2] * w;
        }
        constexpr int shift = kWeightBits + 8;
        constexpr uint32_t half = 1u << (shift - 1);
        dst[ox] =
            qRgb(int((r + half) >> shift), int((g + half) >> shift), int((b + half) >> shift));
    }
}

}  // namespace vellumora::resize
