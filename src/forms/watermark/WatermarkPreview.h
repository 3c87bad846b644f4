#pragma once

// The rules of the Watermark dialog that need no widgets: the nine position buttons and the
// margins each one uses, the preview picture with its dotted guides, what dragging on the
// preview does to the margins, and the font as the font chooser shows it.
//
// "Pressed" below is the number 0..8 of the position button that is down, or kNoPosition
// when none is: the buttons release one only by pressing another, so none is down when the
// first showing met a position outside the grid.

#include <QFont>
#include <QImage>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>
#include <optional>

#include "photos/settings/PhotoInfo.h"

namespace vellumora {

inline constexpr int kNoPosition = -1;
inline constexpr int kPositionCount = 9;
// The preview shows the text at its size in photo pixels on an area of this size.
inline constexpr QSize kWatermarkPreviewSize(445, 265);
// The range of the X and Y spinners, and of the opacity bar.
inline constexpr int kMarginMax = 9999;
inline constexpr int kOpacityMax = 255;

// The button's column (0 left, 1 centre, 2 right) and row (0 top, 1 middle, 2 bottom);
// -1 for a number off the grid.
int PositionColumn(int pressed);
int PositionRow(int pressed);

// The position committed: the pressed button among 0 to 7, else 8, whether button 8 is
// down or none is.
int SelectedPosition(int pressed);

// Which margin boxes take input: X unless the pressed button is in the centre column, Y
// unless it is in the middle row. With none pressed both do.
struct TMarginControls {
    bool x = true;
    bool y = true;
    bool operator==(const TMarginControls&) const = default;
};
TMarginControls MarginControls(int pressed);

struct TMargins {
    int x = 0;
    int y = 0;
    bool operator==(const TMargins&) const = default;
};

// The margins a pointer at point on a preview of the given size sets, from the edges the
// pressed button measures from: x from the left for the left column, from the right for the
// right column; y from the top for the top row, from the bottom for the bottom row. The
// other margin, and both for the centre button or none, stay. Clamped to 0..kMarginMax: the
// pointer may be dragged past the preview's edges.
TMargins DragMargins(int pressed, QPoint point, QSize preview, TMargins margins);

// The visible guide lines: the column in which the vertical guide stands and the row of
// the horizontal one, each only where the pressed button uses that margin and the line
// falls inside the preview. A guide sits just inside the margin: in column x - 1 (left),
// w - x - 1 (right), row y - 1 (top), h - y - 1 (bottom).
struct TGuides {
    std::optional<int> column;
    std::optional<int> row;
    bool operator==(const TGuides&) const = default;
};
TGuides Guides(int pressed, TMargins margins, QSize preview);

// Inverts the dotted guide pixels of picture: every other pixel of each line, those where
// column + row is even, the crossing once. Drawing the same guides again erases them, so a
// drag can move the guides without drawing the text again.
void DrawGuides(QImage& picture, const TGuides& guides);

// The preview picture without guides: the text as the watermark stage draws it on a black
// area of kWatermarkPreviewSize, at position, margins and opacity. Black for an empty text.
QImage PreviewPicture(const QString& text, const TFont& font, int opacity, int position,
                      TMargins margins);

// The signature's cell (advance by ascent plus descent) on a picture of the given size,
// placed as the watermark stage places it; it may reach past the picture's edges.
QRect SignatureCell(QSize text, int position, TMargins margins, QSize picture);

// What the preview shows: the preview area, grown on any side the signature reaches past,
// so that the whole signature lands on it at its size in pixels, up to kCanvasReach
// pixels past each edge of the area. Within the area the
// picture is PreviewPicture's, pixel for pixel; the rest is black with the text on it.
inline constexpr int kCanvasReach = 1024;
struct TPreviewCanvas {
    QImage picture;
    QPoint origin;    // of the preview area on the picture
    QRect signature;  // the signature's cell on the picture, maybe past its edges; empty
                      // for no text
};
TPreviewCanvas PreviewCanvas(const QString& text, const TFont& font, int opacity, int position,
                             TMargins margins);
// Guides of the preview area drawn on a canvas whose area starts at origin.
TGuides GuidesOnCanvas(const TGuides& guides, QPoint origin);

// The scroll position, within a picture of size picture seen through a viewport, that
// moves as little as possible from current and shows the whole target; a target larger
// than the viewport shows its top-left part.
QPoint ScrollToShow(const QRect& target, QSize viewport, QSize picture, QPoint current);

// The font as the font chooser shows it: face, style, effects, and the size in points
// that the watermark's pixel size makes at the settings' pixels per inch.
QFont ChooserFont(const TFont& font);
// The chooser's choice as the settings keep it: face, style, effects and size; the colour,
// which the chooser does not offer, stays that of working.
TFont ChosenFont(const QFont& chosen, const TFont& working);

}  // namespace vellumora
