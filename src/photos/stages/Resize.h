#pragma once

// The resize stage.

#include <QImage>
#include <QSize>

namespace vellumora {

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

}  // namespace vellumora
