#pragma once

// The zoom steps of the main window, where the photo area scrolls to when the zoom
// changes, which scroll bars it shows, and the size texts of the status bar: plain rules,
// apart from the widgets that follow them.

#include <QPoint>
#include <QSize>
#include <QString>
#include <vector>

namespace vellumora {

// The zoom levels that Zoom In and Zoom Out step through, smallest first: those of the
// Zoom menu and, below them, steps small enough that a photo of a 24-megapixel camera
// (6000 x 4000) fits a small window whole.
const std::vector<int>& ZoomLevels();

// The next level above the zoom (step > 0) or below it (step < 0); the zoom itself when
// there is none that way.
int StepZoom(int zoom, int step, const std::vector<int>& levels = ZoomLevels());

// The largest whole percentage, from the smallest level to the largest, at which the
// picture fits the area whole; the smallest level when none does, 100 for an empty
// picture.
int FitZoom(QSize picture, QSize area, const std::vector<int>& levels = ZoomLevels());

// The scroll position that brings the point of the picture that was under `anchor` (in
// the area's coordinates) under `target` once the picture, shown at `oldPos` and
// `oldSize`, has been scaled to `newSize`. The scroll bars clamp it. The target differs
// from the anchor when the area itself changed, as the centre does when scroll bars come.
QPoint ScrollKeepingPoint(QPoint anchor, QPoint oldPos, QSize oldSize, QSize newSize,
                          QPoint target);
inline QPoint ScrollKeepingPoint(QPoint anchor, QPoint oldPos, QSize oldSize, QSize newSize) {
    return ScrollKeepingPoint(anchor, oldPos, oldSize, newSize, anchor);
}

// Which scroll bars (across, down) a picture of `picture` needs in an area of `area`
// without any; a bar takes `bar` pixels off the other direction, which may make that one
// needed too.
struct TScrollBars {
    bool across = false;
    bool down = false;
    bool operator==(const TScrollBars&) const = default;
};
TScrollBars NeededScrollBars(QSize picture, QSize area, int bar);

// The status bar's size of a picture, "640 * 427", and the original's, "6000 x 4000".
QString PictureSizeText(QSize size);
QString OriginalSizeText(QSize size);

}  // namespace vellumora
