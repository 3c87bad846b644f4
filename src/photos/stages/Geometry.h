#pragma once

// Crop and orientation: the stages that move pixels without changing them, where they
// move sizes and rectangles, the print ratios and the centred rectangle of a ratio, and
// the first stages of a small preview.

#include <QImage>
#include <QRect>
#include <QSize>
#include <QStringList>
#include <QtGlobal>

#include "photos/settings/PhotoInfo.h"

namespace vellumora {

// Cuts the crop rectangle, intersected with the picture's bounds, out of the picture.
// Nothing happens when the intersection has no width or no height.
QImage CropBitmap(QImage image, const TRect& crop);
// The part of a picture of the given size that CropBitmap keeps: the crop rectangle cut to
// the picture, or the whole picture when that leaves nothing.
QRect CroppedArea(QSize size, const TRect& crop);
// A read-only view of the part CropBitmap keeps, on the image's own pixels: small previews
// are made straight from a big original without copying it. The image itself when the crop
// keeps all of it. A view must not outlive its image; copy anything made from it that may
// still share its pixels.
QImage CroppedView(const QImage& image, const TRect& crop);
// The size CropBitmap gives a picture of the given size.
QSize CroppedSize(QSize size, const TRect& crop);

// The orientation codes Rotate holds; settings files store these numbers.
inline constexpr int kTurnNone = 0;
inline constexpr int kTurnLeft = 90;  // a quarter turn counter-clockwise
inline constexpr int kTurnHalf = 180;
inline constexpr int kTurnRight = 270;  // a quarter turn clockwise
inline constexpr int kMirrorLeftRight = -180;
inline constexpr int kMirrorTopBottom = -360;
inline constexpr int kMirrorMainDiagonal = -270;  // the top left corner stays
inline constexpr int kMirrorOtherDiagonal = -90;  // the top right corner stays
bool IsOrientationCode(int code);
// Turns or mirrors the picture; a code outside the eight is treated as kTurnNone.
QImage OrientBitmap(QImage image, int code);
QSize OrientedSize(QSize size, int code);
// Where the pixels inside r of a frame of the given size land when the frame is turned or
// mirrored by code, as OrientBitmap moves them. Works on inverted rectangles too, keeping
// them inverted. A code outside the eight counts as kTurnNone.
TRect OrientRect(const TRect& r, QSize frame, int code);
// The code that undoes code: kTurnLeft and kTurnRight undo each other, every other code
// undoes itself. A code outside the eight is returned unchanged.
int InverseOrientation(int code);

// The four orientation actions: the new code shows the old result turned or mirrored
// once more. A code outside the eight is returned unchanged.
int RotateClockwise(int code);
int RotateCounterClockwise(int code);
int FlipHorizontally(int code);
int FlipVertically(int code);

// Carries r from a frame of size source, turned by orientation a, to a frame of size
// target, turned by orientation b: the rectangle is turned by a, turned back by b, then
// scaled. The scale is the smaller of target / turned source on the two axes, kept as a
// 32-bit float; each side is multiplied in extended precision and rounded to the nearest
// integer, halves to even. An empty frame gives the scale 0. Results beyond 32 bits are
// clamped. Mapping to another size and back may move a side by a pixel. The crop dialog
// maps a photo's crop onto its turned, scaled picture with (original, Rotate, 0, picture)
// and a selection back with (picture, 0, Rotate, original).
TRect MapRect(const TRect& r, QSize source, int a, int b, QSize target);

// A TRect in 64 bits: values from a hand-edited settings file may sit at the ends of the
// 32-bit range, and turning or moving them must not wrap.
struct TWideRect {
    qint64 l, t, r, b;
};
TWideRect Widened(const TRect& r);
// Each side clamped to 32 bits.
TRect Narrowed(const TWideRect& r);
int ClampToInt(qint64 v);

// A print ratio: "3 * 4" is 4 wide and 3 high.
struct TPrintRatio {
    const char* caption;
    int width;
    int height;
};
// In the order of the batch's list, and of the crop dialog's buttons after None and
// Original; settings files store the crop dialog's code, the batch's options the index.
inline constexpr TPrintRatio kPrintRatios[] = {{"3 * 4", 4, 3},   {"4 * 6", 6, 4},  {"5 * 7", 7, 5},
                                               {"8 * 10", 10, 8}, {"4 * 3", 3, 4},  {"6 * 4", 4, 6},
                                               {"7 * 5", 5, 7},   {"10 * 8", 8, 10}};
inline constexpr int kPrintRatioCount = int(sizeof kPrintRatios / sizeof kPrintRatios[0]);

// The largest rectangle of the proportion width : height that fits a picture of the given
// size, centred; halves are dropped toward the top left. The proportions are compared by
// cross-multiplying, exactly: where the picture is relatively taller the width decides,
// otherwise (equality included) the height. Sides are cut down to whole pixels. Without
// width or height on either side, (0, 0, 0, 0).
TRect CentredRatioRect(QSize picture, qint64 width, qint64 height);

// The first stages of the chain for a small preview: the part of the original inside
// crop (as CropBitmap cuts it), resized as the resize stage does with max and keep, and
// turned by code. The cut is resampled where it is, so a big original is never copied.
// The result never looks into a cut of the original's pixels; it may share the whole
// original when nothing had to change. Null without an original.
QImage PreviewGeometry(const QImage& original, const TRect& crop, int max, bool keep, int code);

}  // namespace vellumora
