#pragma once

// The plain logic behind the Crop dialog: how a selection drawn on the turned, scaled-down
// picture of a photo maps to a crop in the photo's own pixels and back, which part of the
// selection the pointer is over, how drags and moves reshape it, how it is held to an
// aspect ratio, and the two pictures the dialog shows. No widgets.
//
// A selection is a TRect (right and bottom exclusive) in pixels of the picture on screen;
// (0, 0, 0, 0), or any rectangle without width or height, means the whole photo. While the
// pointer drags, a selection may be inverted (right left of left); it is normalised when
// the drag ends.

#include <qnamespace.h>

#include <QImage>
#include <QPoint>
#include <QSize>

#include "photos/settings/PhotoInfo.h"

namespace vellumora {

// Where the pixels inside r of a frame of the given size land when the frame is turned or
// mirrored by an orientation code (as OrientBitmap turns a picture). Works on inverted
// rectangles too, keeping them inverted. A code outside the eight counts as 0, as it does
// for OrientBitmap.
TRect OrientRect(const TRect& r, QSize frame, int code);
// The code that undoes code: 90 and 270 undo each other, every other code undoes itself.
int InverseOrientation(int code);

// Carries r from a frame of size source, turned by orientation a, to a frame of size
// target, turned by orientation b: the rectangle is turned by a, turned back by b, then
// scaled. The scale is the smaller of target / turned source on the two axes, kept as a
// 32-bit float; each side is multiplied in extended precision and rounded to the nearest
// integer, halves to even. An empty frame gives the scale 0. Results beyond 32 bits are
// clamped. Mapping to another size and back may move a side by a pixel.
// The dialog maps a photo's crop to the screen with (Original, Rotate, 0, picture) and a
// selection back with (picture, 0, Rotate, Original).
TRect MapRect(const TRect& r, QSize source, int a, int b, QSize target);

// The part of a selection under a point: -1 outside, otherwise column (0 left edge,
// 1 inside, 2 right edge) + 3 * row (0 top edge, 1 inside, 2 bottom edge). The left and
// top edges are 5 pixels deep, the right and bottom ones 4; where a narrow selection's
// edges overlap, the right edge wins across and the inside row wins down. An inverted
// selection has no inside: always -1.
int HitTest(const TRect& selection, QPoint point);
// The pointer shape that shows what dragging a zone does.
Qt::CursorShape ZoneCursor(int zone);

// The width and height units of a ratio code: 0 none (0, 0), 1 the picture's own
// proportion, 2 to 9 the print sizes "3 * 4" (4 wide, 3 high) to "10 * 8" (8 wide, 10
// high). Unknown codes are none.
QSize RatioUnits(int code, QSize picture);
inline constexpr int kRatioCount = 10;

// Holds the selection to width : height = units after a drag in zone: the dimension the
// user drags decides (edges), or the one that is too large shrinks (corners, inside, and
// -1, a new selection). The sides the user is not dragging stay where they are; zones of
// the middle row or column keep the centre on that axis. Sizes are exact, so the
// proportion holds to the pixel wherever integer units allow. Units without width or
// height leave the selection as it is.
TRect ApplyRatio(const TRect& selection, int zone, QSize units);

// One step of a drag from last to point in zone: -1 (a new selection) moves the right and
// bottom sides to the point, the edges and corners move their sides to it, and 4 moves the
// whole selection by the pointer's step. Then a reshape (not a move) is held to the ratio.
// A move never reshapes: a selection keeps its size however far it travels, even where
// the ratio cannot be met to the pixel.
TRect DragSelection(const TRect& selection, int zone, QPoint last, QPoint point, QSize units);
// The selection moved by (dx, dy), its size unchanged; the arrow keys move it like this.
TRect MoveSelection(const TRect& selection, int dx, int dy);

// The largest rectangle of the selection's proportion that fits the picture, centred. A
// selection without width or height gives (0, 0, 0, 0).
TRect AutoCrop(const TRect& selection, QSize picture);

// Left <= right and top <= bottom.
TRect Normalised(const TRect& r);
// Has width and height (in either direction).
bool HasArea(const TRect& r);

// The picture the dialog draws on: the whole original resized to max with info's Keep,
// turned by Rotate and colour-balanced as info says. The original is read where it is,
// never copied.
QImage MakeCropPicture(const QImage& original, const TPhotoInfo& info, int max);
// The size MakeCropPicture gives for an original of the given size, without making it.
QSize CropPictureSize(QSize original, const TPhotoInfo& info, int max);
// The preview of a crop: the part of the original inside crop (cut to the original; the
// whole of it for an empty crop), resized to max with info's Keep, turned and
// colour-balanced. The same pixels as those stages on a cropped copy of the original,
// made without copying it: the resize reads the cropped part in place. It only reads the
// original, so it may run on another thread while this one reads it too.
QImage MakeCropPreview(const QImage& original, const TPhotoInfo& info, const TRect& crop, int max);

}  // namespace vellumora
