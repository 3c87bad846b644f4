#pragma once

// The stages of the render chain. Each takes the picture by value and returns the
// picture for the next stage: either the same image (the stage had nothing to do, or it
// changed the pixels in place) or a new one. Pass the picture with std::move to let an
// in-place stage work without copying it. No stage ever changes an image that another
// owner still shares (QImage copies on write).
//
// Pictures are QImage::Format_RGB32 (bytes blue, green, red, unused). A null image
// passes through every stage untouched.

#include <QImage>
#include <QSize>

#include "PhotoInfo.h"

namespace vellumora {

// Cuts the crop rectangle, intersected with the picture's bounds, out of the picture.
// Nothing happens when the intersection has no width or no height.
QImage CropBitmap(QImage image, const TRect& crop);
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

// Scales the picture so that its longer side is max pixels, keeping the aspect ratio.
// Nothing happens when max is 0 or less, or when keep is set and max exceeds the longer
// side. Shrinking averages the covered source area exactly; enlarging interpolates
// linearly. Returns a null image when the result cannot be allocated.
QImage ResizeBitmap(QImage image, int max, bool keep);
// The size ResizeBitmap gives; halves round to the even neighbour and no side drops
// below 1 pixel. Computed in 64 bits: an absurd max gives an absurd (not wrapped) size.
QSize ResizedSize(QSize size, int max, bool keep);
// Resamples the whole picture onto the given size (area mean when shrinking, linear
// interpolation when enlarging, per axis).
QImage ResampleBitmap(const QImage& image, QSize size);

// Grey, negative, then per channel q' = q + brightness + offset + (q - 128) * contrast / 100
// (truncating), clamped to 0..255. Works in place.
QImage AdjustColors(QImage image, int contrast, int brightness, int red, int green, int blue,
                    bool grayscale, bool negative);

}  // namespace vellumora

// The later stages: watermark text, mask and border bands, drop shadow.
#include "Frame.h"
#include "Shadow.h"
#include "Watermark.h"
