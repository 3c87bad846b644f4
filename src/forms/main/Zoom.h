#pragma once

// The zoom steps of the main window and where the photo area scrolls to when the zoom
// changes: plain rules, apart from the widgets that follow them.

#include <QPoint>
#include <QSize>
#include <vector>

namespace vellumora {

// The zoom levels of the Zoom menu, smallest first.
const std::vector<int>& ZoomLevels();

// The next level above the zoom (step > 0) or below it (step < 0); the zoom itself when
// there is none that way.
int StepZoom(int zoom, int step, const std::vector<int>& levels = ZoomLevels());

// The largest level at which the picture fits the area whole; the smallest level when
// none does, 100 for an empty picture.
int FitZoom(QSize picture, QSize area, const std::vector<int>& levels = ZoomLevels());

// The scroll position that keeps the point of the picture under `anchor` (in the area's
// coordinates) under it once the picture, shown at `oldPos` and `oldSize`, has been
// scaled to `newSize`. The scroll bars clamp it.
QPoint ScrollKeepingPoint(QPoint anchor, QPoint oldPos, QSize oldSize, QSize newSize);

}  // namespace vellumora
