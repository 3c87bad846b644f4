#pragma once

// The watermark stage: one line of text blended into the picture.
//
// Text drawing needs a QGuiApplication (fonts come from the platform's font database).

#include <QFont>
#include <QImage>
#include <QSize>
#include <QString>

#include "photos/settings/PhotoInfo.h"

namespace vellumora {

// Font pixel sizes are kept within this range. A hand-edited Height of 0 or 100000
// would otherwise ask the font engine for an empty or a gigantic font.
inline constexpr int kMinWatermarkPixelSize = 1;
inline constexpr int kMaxWatermarkPixelSize = 2000;

// The font the watermark is drawn with: face, style and effects of font, anti-aliased.
// A negative Height is the character height in pixels; a positive one is the height of
// the whole cell (ascent plus descent) and is converted to the character height through
// the face's own proportions. The pixel size is clamped to kMin/kMaxWatermarkPixelSize.
QFont WatermarkFont(const TFont& font);

// Width (advance) and height (ascent plus descent) of the text's cell in that font.
QSize WatermarkTextSize(const QString& text, const TFont& font);

// One channel of a watermarked pixel: coverage 0..255 of the text at that pixel, the
// picture's channel and the font colour's channel. Opacity 0 lays the font colour on
// fully where the text covers the pixel, 255 leaves the picture as it is; values
// outside 0..255 (hand-edited files) are clamped.
int WatermarkBlend(int channel, int fontChannel, int coverage, int opacity);

// Draws text with its cell's top-left corner at a position chosen by position:
//   0 1 2     0, 3, 6 sit x pixels from the left edge, 2, 5, 8 x pixels from the right;
//   3 4 5     0, 1, 2 sit y pixels from the top, 6, 7, 8 y pixels from the bottom;
//   6 7 8     the middle column and row (and any other value) centre the text.
// Whatever falls outside the picture is cut off. The colour is font.Color; the text is
// drawn white on black first and that coverage mixes the colour in (WatermarkBlend).
// Returns the picture itself when text is empty or nothing of it lands on the picture.
QImage DrawWatermark(QImage image, const QString& text, const TFont& font, int position, int x,
                     int y, int opacity);

}  // namespace vellumora
