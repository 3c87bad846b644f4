#pragma once

// The resize stage for a picture that arrives a row at a time: the rows a decoder hands
// over are summed into the output rows they belong to and then dropped, so the source is
// never held whole. Same weights and the same integer sums as ResampleBitmap, whose
// result it equals byte for byte.

#include <QImage>
#include <QSize>
#include <cstdint>
#include <vector>

#include "photos/stages/ResizeWeights.h"

namespace vellumora {

class TRowResampler {
public:
    // A source of the given size onto target (both non-empty). The result is allocated
    // here; Ok() is false when it cannot be.
    TRowResampler(QSize source, QSize target);

    bool Ok() const { return !out_.isNull(); }
    // Takes source row y: source.width() pixels in kPixelFormat. Every row comes once, in
    // rising or in falling order (the sums are exact integers, so the order changes
    // nothing); an output row is made as soon as its last source row is in.
    void AddRow(int y, const uchar* row);
    // The resampled picture; complete once every source row was added.
    QImage Result() const { return out_; }

private:
    std::vector<uint32_t>& Accumulator(int oy);
    void FinishRow(int oy);

    QSize source_;
    QSize target_;
    bool same_ = false;  // nothing to resample: rows are copied
    resize::AxisWeights wx_;
    resize::AxisWeights wy_;
    // Per source row, the output rows it weighs in: [rowFirst_[y], rowEnd_[y]).
    std::vector<int> rowFirst_, rowEnd_;
    // Per output row, the source rows still to come.
    std::vector<int> missing_;
    // The sums of output rows under way, by output row; few at a time.
    std::vector<std::pair<int, std::vector<uint32_t>>> open_;
    std::vector<std::vector<uint32_t>> spare_;
    std::vector<uint16_t> column_;
    QImage out_;
};

}  // namespace vellumora
