#include "photos/stages/StreamResize.h"

#include <algorithm>
#include <cstring>

#include "codec/ImageBuffer.h"

namespace vellumora {

TRowResampler::TRowResampler(QSize source, QSize target) : source_(source), target_(target) {
    if (source.isEmpty() || target.isEmpty()) return;
    same_ = source == target;
    if (!same_) {
        wx_ = resize::MakeWeights(source.width(), target.width());
        wy_ = resize::MakeWeights(source.height(), target.height());
        rowFirst_.assign(source.height(), target.height());
        rowEnd_.assign(source.height(), 0);
        missing_.resize(target.height());
        for (int oy = 0; oy < target.height(); ++oy) {
            const int count = wy_.start[oy + 1] - wy_.start[oy];
            missing_[oy] = count;
            for (int k = 0; k < count; ++k) {
                const int y = wy_.first[oy] + k;
                rowFirst_[y] = std::min(rowFirst_[y], oy);
                rowEnd_[y] = std::max(rowEnd_[y], oy + 1);
            }
        }
        column_.resize(size_t(source.width()) * 4);
    }
    out_ = NewImage(target.width(), target.height());
}

std::vector<uint32_t>& TRowResampler::Accumulator(int oy) {
    for (auto& [row, sums] : open_)
        if (row == oy) return sums;
    std::vector<uint32_t> sums;
    if (!spare_.empty()) {
        sums = std::move(spare_.back());
        spare_.pop_back();
        std::fill(sums.begin(), sums.end(), 0u);
    } else {
        sums.assign(size_t(source_.width()) * 4, 0u);
    }
    open_.emplace_back(oy, std::move(sums));
    return open_.back().second;
}

void TRowResampler::AddRow(int y, const uchar* row) {
    if (out_.isNull() || y < 0 || y >= source_.height()) return;
    if (same_) {
        std::memcpy(out_.scanLine(y), row, size_t(source_.width()) * 4);
        return;
    }
    const size_t channels = size_t(source_.width()) * 4;
    for (int oy = rowFirst_[y]; oy < rowEnd_[y]; ++oy) {
        const uint32_t w = wy_.weights[wy_.start[oy] + (y - wy_.first[oy])];
        uint32_t* a = Accumulator(oy).data();
        for (size_t i = 0; i < channels; ++i) a[i] += row[i] * w;
        if (--missing_[oy] == 0) FinishRow(oy);
    }
}

void TRowResampler::FinishRow(int oy) {
    const auto it = std::find_if(open_.begin(), open_.end(),
                                 [oy](const auto& entry) { return entry.first == oy; });
    const std::vector<uint32_t>& sums = it->second;
    for (size_t i = 0; i < column_.size(); ++i) column_[i] = resize::RoundToColumn(sums[i]);
    resize::SumColumns(column_.data(), wx_, reinterpret_cast<QRgb*>(out_.scanLine(oy)));
    spare_.push_back(std::move(it->second));
    open_.erase(it);
}

}  // namespace vellumora
