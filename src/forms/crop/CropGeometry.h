#pragma once

// The plain logic behind the Crop dialog: which part of the selection the pointer is
// over, how drags and moves reshape it, how it is held to an aspect ratio, and the two
// pictures the dialog shows. How a selection on the turned, scaled-down picture maps to a
// crop in the photo's own pixels and back is MapRect's (photos/stages/Geometry.h). No
// widgets.
//
// A selection is a TRect (right and bottom exclusive) in pixels of the picture on screen;
// (0, 0, 0, 0), or any rectangle without width or height, means the whole photo. While the
// pointer drags, a selection may be inverted (right left of left); it is normalised when
// the drag ends.

#include <qnamespace.h>

#include <QImage>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>
#include <array>

#include "photos/settings/PhotoInfo.h"
#include "photos/stages/Geometry.h"

namespace vellumora {

// The part of a selection under a point: -1 outside, otherwise column (0 left edge,
// 1 inside, 2 right edge) + 3 * row (0 top edge, 1 inside, 2 bottom edge). The left and
// top edges are 5 pixels deep, the right and bottom ones 4; where a narrow selection's
// edges overlap, the right edge wins across and the inside row wins down. An inverted
// selection has no inside: always -1.
int HitTest(const TRect& selection, QPoint point);
// The pointer shape that shows what dragging a zone does.
Qt::CursorShape ZoneCursor(int zone);

// The ratio codes of the dialog's buttons, which settings files store in Ratio: 0 none,
// 1 the picture's own proportion, 2 onwards the print ratios in the order of kPrintRatios
// ("3 * 4", 4 wide and 3 high, is 2).
inline constexpr int kRatioNone = 0;
inline constexpr int kRatioOriginal = 1;
inline constexpr int kRatioFirstPrint = 2;
inline constexpr int kRatioCount = kRatioFirstPrint + kPrintRatioCount;
// The width and height units of a ratio code; unknown codes are none, (0, 0).
QSize RatioUnits(int code, QSize picture);

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

// The largest rectangle of the selection's proportion that fits the picture, centred
// (CentredRatioRect). A selection without width or height gives (0, 0, 0, 0).
TRect AutoCrop(const TRect& selection, QSize picture);

// Left <= right and top <= bottom.
TRect Normalised(const TRect& r);
// Has width and height (in either direction).
bool HasArea(const TRect& r);

// The picture on screen may be drawn larger than the picture the rules work on, when the
// dialog is enlarged. Every rule above stays in the picture's own pixels; these carry
// points and rectangles between the picture and the box it is drawn in.
//
// Where a picture of at most max pixels is drawn in a panel: scaled up by the factor by
// which the panel's room (16 pixels narrower, 24 lower: the frame and the title) exceeds
// max on its shorter side, never scaled down. It is centred across the panel and, 4
// pixels below the middle, down its top room + 24 pixels: a panel made taller than its
// room by the controls beside it keeps the picture at the top. At a panel of max + 16 by
// max + 24 the picture is drawn at its own size.
QRect PictureBox(QSize picture, QSize panel, int max);
// The picture pixel under a point of a box that shows a picture of that size (rounding
// down, so that every box pixel of a picture pixel gives it). An empty box passes the
// point on unchanged.
QPoint BoxToPicture(QPoint point, QSize picture, QSize box);
// A rectangle of the picture as it lands on the box, normalised, each side rounded to the
// nearest box pixel. An empty picture passes the rectangle on normalised.
QRect PictureToBox(const TRect& r, QSize picture, QSize box);
// HitTest of a point on the box.
int HitTestOnBox(const TRect& selection, QPoint point, QSize picture, QSize box);
// The squares that mark the four corners and the middles of the four edges of a
// selection drawn at box, in HitTest's zone order without the inside (0 1 2 3 5 6 7 8);
// each is centred on the outline, size pixels wide, and none when box is empty.
std::array<QRect, 8> HandleRects(const QRect& box, int size);
// The picture as it looks outside the selection: each channel two fifths darker.
QImage DimmedPicture(const QImage& picture);
QRgb DimmedRgb(QRgb rgb);
// What the selection label says of a crop in pixels of the photo as loaded: its size
// after turning by rotate and after cutting to the photo, and its proportion in lowest
// terms ("1200 × 800 pixels, 3 : 2"), or as a decimal to one when those terms are large
// ("1201 × 800 pixels, 1.50 : 1"). A crop without area is "Whole photo".
QString SelectionText(const TRect& crop, QSize original, int rotate);

// The picture the dialog draws on: the whole original resized to max with info's Keep,
// turned by Rotate and colour-balanced as info says (PreviewGeometry, then the colour
// stage). The original is read where it is, never copied.
QImage MakeCropPicture(const QImage& original, const TPhotoInfo& info, int max);
// The size MakeCropPicture gives for an original of the given size, without making it.
QSize CropPictureSize(QSize original, const TPhotoInfo& info, int max);
// The preview of a crop: PreviewGeometry of the original with crop, max, info's Keep and
// Rotate, then colour-balanced as info says. It only reads the original, so it may run
// on another thread while this one reads it too.
QImage MakeCropPreview(const QImage& original, const TPhotoInfo& info, const TRect& crop, int max);

}  // namespace vellumora
