#pragma once

// The colour-balance stage.

#include <QImage>
#include <QSize>

namespace vellumora {

// Grey, negative, then per channel q' = q + brightness + offset + (q - 128) * contrast / 100
// (truncating), clamped to 0..255. Works in place.
QImage AdjustColors(QImage image, int contrast, int brightness, int red, int green, int blue,
                    bool grayscale, bool negative);

}  // namespace vellumora
