#include "forms/main/Zoom.h"

#include <algorithm>
#include <cmath>

#include "forms/main/Actions.h"

namespace vellumora {

const std::vector<int>& ZoomLevels() {
    static const std::vector<int> levels = [] {
        std::vector<int> found;
        for (const TCommandRow& row : TActions::Rows())
            if (row.zoom) found.push_back(row.zoom);
        std::sort(found.begin(), found.end());
        return found;
    }();
    return levels;
}

int StepZoom(int zoom, int step, const std::vector<int>& levels) {
    if (step > 0) {
        const auto above = std::upper_bound(levels.begin(), levels.end(), zoom);
        return above == levels.end() ? zoom : *above;
    }
    if (step < 0) {
        const auto below = std::lower_bound(levels.begin(), levels.end(), zoom);
        return below == levels.begin() ? zoom : *(below - 1);
    }
    return zoom;
}

int FitZoom(QSize picture, QSize area, const std::vector<int>& levels) {
    if (picture.isEmpty() || levels.empty()) return 100;
    // The photo's own rule for its on-screen size: product first, then truncation.
    const auto fits = [&](int zoom) {
        return qint64(picture.width()) * zoom / 100 <= area.width() &&
               qint64(picture.height()) * zoom / 100 <= area.height();
    };
    for (auto level = levels.rbegin(); level != levels.rend(); ++level)
        if (fits(*level)) return *level;
    return levels.front();
}

QPoint ScrollKeepingPoint(QPoint anchor, QPoint oldPos, QSize oldSize, QSize newSize) {
    const auto side = [](int anchor, int pos, int oldSide, int newSide) {
        if (oldSide <= 0) return 0;
        const double fraction = std::clamp(double(anchor - pos) / oldSide, 0.0, 1.0);
        return int(std::lround(fraction * newSide)) - anchor;
    };
    return {side(anchor.x(), oldPos.x(), oldSize.width(), newSize.width()),
            side(anchor.y(), oldPos.y(), oldSize.height(), newSize.height())};
}

}  // namespace vellumora
