#pragma once

// The colour swatch that stands on a colour button instead of a caption.

#include <QImage>
#include <QSize>

#include "photos/settings/Color.h"

class QAbstractButton;

namespace vellumora {

// The swatch for a button of the given size: 16 pixels narrower and 8 lower, white (red
// when the colour itself is white, so that a white swatch still shows its edges), with the
// rectangle from (1, 0) to (width - 1, height) filled with the colour and outlined in black.
// The colour's three bytes are used as they stand. Null for a button too small to hold one.
QImage ColorGlyph(QSize button, TColor color);

// Puts the swatch on the button as its icon, at the button's current size, and names the
// colour in the tool tip, so the choice can be read without seeing the swatch.
void PaintColorGlyph(QAbstractButton* button, TColor color);

}  // namespace vellumora
