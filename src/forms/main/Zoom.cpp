#include "forms/main/Zoom.h"

#include <algorithm>
#include <cmath>

#include "forms/main/Actions.h"

namespace vellumora {

const std::vector<int>& ZoomLevels() {
    static const std::vector<int> levels = [] {
        // Steps below the menu's, for large photos in small windows.
        std::vector<int> found = {5, 10, 15, 20, 25};
        for (const TCommandRow& row : TActions::Rows())
            if (row.zoom) found.push_back(row.zoom);
        std::sort(found.begin(), found.end());
        found.erase(std::unique(found.begin(), found.end()), found.end());
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
    for (int zoom = levels.back(); zoom > levels.front(); --zoom)
        if (fits(zoom)) return zoom;
    return levels.front();
}

QPoint ScrollKeepingPoint(QPoint anchor, QPoint oldPos, QSize oldSize, QSize newSize,
                          QPoint target) {
    const auto side = [](int anchor, int pos, int oldSide, int newSide, int target) {
        if (oldSide <= 0) return 0;
        const double fraction = std::clamp(double(anchor - pos) / oldSide, 0.0, 1.0);
        return int(std::lround(fraction * newSide)) - target;
    };
    return {side(anchor.x(), oldPos.x(), oldSize.width(), newSize.width(), target.x()),
            side(anchor.y(), oldPos.y(), oldSize.height(), newSize.height(), target.y())};
}

TScrollBars NeededScrollBars(QSize picture, QSize area, int bar) {
    TScrollBars needed{.across = picture.width() > area.width(),
                       .down = picture.height() > area.height()};
    // One bar narrows the area for the other.
    if (needed.down && !needed.across) needed.across = picture.width() > area.width() - bar;
    if (needed.across && !needed.down) needed.down = picture.height() > area.height() - bar;
    return needed;
}

QString PictureSizeText(QSize size) {
    return QString::number(std::max(size.width(), 0)) + QStringLiteral(" * ") +
           QString::number(std::max(size.height(), 0));
}

QString OriginalSizeText(QSize size) {
    return QStringLiteral("Original: %1 x %2")
        .arg(std::max(size.width(), 0))
        .arg(std::max(size.height(), 0));
}

}  // namespace vellumora
