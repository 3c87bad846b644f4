#pragma once

// Crop and orientation: the stages that move pixels without changing them.

#include <QImage>
#include <QRect>
#include <QSize>

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

// Orientation codes: 0, 90 (quarter turn counter-clockwise), 180, 270 (quarter turn
// clockwise), -180 (mirrored left to right), -360 (mirrored top to bottom), -270
// (mirrored across the main diagonal) and -90 (mirrored across the other diagonal).
bool IsOrientationCode(int code);
// Turns or mirrors the picture; a code outside the eight is treated as 0.
QImage OrientBitmap(QImage image, int code);
QSize OrientedSize(QSize size, int code);

// The four orientation actions: the new code shows the old result turned or mirrored
// once more. A code outside the eight is returned unchanged.
int RotateClockwise(int code);
int RotateCounterClockwise(int code);
int FlipHorizontally(int code);
int FlipVertically(int code);

}  // namespace vellumora
