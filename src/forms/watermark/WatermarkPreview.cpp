#include "forms/watermark/WatermarkPreview.h"

#include <algorithm>
#include <cmath>

#include "codec/Codec.h"
#include "codec/ImageBuffer.h"
#include "photos/stages/Watermark.h"

namespace vellumora {
namespace {

bool OnGrid(int pressed) {
    return pressed >= 0 && pressed < kPositionCount;
}

int ClampMargin(qint64 margin) {
    return int(std::clamp<qint64>(margin, 0, kMarginMax));
}

}  // namespace

int PositionColumn(int pressed) {
    return OnGrid(pressed) ? pressed % 3 : -1;
}

int PositionRow(int pressed) {
    return OnGrid(pressed) ? pressed / 3 : -1;
}

int SelectedPosition(int pressed) {
    return pressed >= 0 && pressed < 8 ? pressed : 8;
}

TMarginControls MarginControls(int pressed) {
    return {PositionColumn(pressed) != 1, PositionRow(pressed) != 1};
}

TMargins DragMargins(int pressed, QPoint point, QSize preview, TMargins margins) {
    // 64 bits: a pointer far outside the window must not wrap the subtraction.
    switch (PositionColumn(pressed)) {
        case 0:
            margins.x = ClampMargin(point.x());
            break;
        case 2:
            margins.x = ClampMargin(qint64(preview.width()) - point.x());
            break;
    }
    switch (PositionRow(pressed)) {
        case 0:
            margins.y = ClampMargin(point.y());
            break;
        case 2:
            margins.y = ClampMargin(qint64(preview.height()) - point.y());
            break;
    }
    return margins;
}

TGuides Guides(int pressed, TMargins margins, QSize preview) {
    const auto inside = [](qint64 line, int size) -> std::optional<int> {
        if (line < 0 || line >= size) return std::nullopt;
        return int(line);
    };
    TGuides guides;
    const qint64 w = preview.width(), h = preview.height();
    switch (PositionColumn(pressed)) {
        case 0:
            guides.column = inside(qint64(margins.x) - 1, preview.width());
            break;
        case 2:
            guides.column = inside(w - margins.x - 1, preview.width());
            break;
    }
    switch (PositionRow(pressed)) {
        case 0:
            guides.row = inside(qint64(margins.y) - 1, preview.height());
            break;
        case 2:
            guides.row = inside(h - margins.y - 1, preview.height());
            break;
    }
    return guides;
}

void DrawGuides(QImage& picture, const TGuides& guides) {
    if (picture.isNull() || (!guides.column && !guides.row)) return;
    if (picture.format() != kPixelFormat) picture = picture.convertToFormat(kPixelFormat);
    const auto invert = [&picture](int x, int y) {
        if ((x + y) % 2 != 0) return;
        auto* pixel = reinterpret_cast<QRgb*>(picture.scanLine(y)) + x;
        *pixel ^= 0x00FFFFFF;
    };
    const int w = picture.width(), h = picture.height();
    if (guides.column && *guides.column >= 0 && *guides.column < w)
        for (int y = 0; y < h; ++y) invert(*guides.column, y);
    if (guides.row && *guides.row >= 0 && *guides.row < h)
        for (int x = 0; x < w; ++x)
            if (x != guides.column) invert(x, *guides.row);
}

QImage PreviewPicture(const QString& text, const TFont& font, int opacity, int position,
                      TMargins margins) {
    QImage picture = NewFilledImage(kWatermarkPreviewSize.width(), kWatermarkPreviewSize.height(),
                                    qRgb(0, 0, 0));
    return DrawWatermark(std::move(picture), text, font, position, margins.x, margins.y, opacity);
}

QRect SignatureCell(QSize text, int position, TMargins margins, QSize picture) {
    // The stage's own placement: C++ division truncates toward zero, also when the text
    // is larger than the picture.
    const int w = picture.width(), h = picture.height();
    int left = (w - text.width()) / 2;
    int top = (h - text.height()) / 2;
    switch (PositionColumn(position)) {
        case 0:
            left = margins.x;
            break;
        case 2:
            left = w - text.width() - margins.x;
            break;
    }
    switch (PositionRow(position)) {
        case 0:
            top = margins.y;
            break;
        case 2:
            top = h - text.height() - margins.y;
            break;
    }
    return {QPoint(left, top), text};
}

TPreviewCanvas PreviewCanvas(const QString& text, const TFont& font, int opacity, int position,
                             TMargins margins) {
    const QRect area(QPoint(0, 0), kWatermarkPreviewSize);
    const QRect cell = text.isEmpty() ? QRect()
                                      : SignatureCell(WatermarkTextSize(text, font), position,
                                                      margins, kWatermarkPreviewSize);
    // A signature far past the area (margins go to 9999, fonts to 2000 pixels) would ask
    // for a huge picture; the canvas reaches at most kCanvasReach past each edge.
    const QRect reach = area.adjusted(-kCanvasReach, -kCanvasReach, kCanvasReach, kCanvasReach);
    QRect bounds = area.united(cell.intersected(reach));
    // An even origin keeps the guides' dots on the area's own pixels.
    bounds.setLeft(bounds.left() - (bounds.left() & 1));
    bounds.setTop(bounds.top() - (bounds.top() & 1));
    TPreviewCanvas canvas;
    canvas.origin = -bounds.topLeft();
    canvas.signature = cell.translated(canvas.origin);
    if (bounds == area) {
        canvas.picture = PreviewPicture(text, font, opacity, position, margins);
        return canvas;
    }
    // The text drawn from the top left at its place on the larger picture lands on the
    // same pixels of the area as the stage draws it on the area alone.
    canvas.picture =
        DrawWatermark(NewFilledImage(bounds.width(), bounds.height(), qRgb(0, 0, 0)), text, font, 0,
                      canvas.signature.left(), canvas.signature.top(), opacity);
    return canvas;
}

TGuides GuidesOnCanvas(const TGuides& guides, QPoint origin) {
    TGuides shifted = guides;
    if (shifted.column) *shifted.column += origin.x();
    if (shifted.row) *shifted.row += origin.y();
    return shifted;
}

QPoint ScrollToShow(const QRect& target, QSize viewport, QSize picture, QPoint current) {
    const auto along = [](int at, int lo, int size, int view, int whole) {
        if (lo + size > at + view) at = lo + size - view;
        if (lo < at) at = lo;
        return std::clamp(at, 0, std::max(0, whole - view));
    };
    return {along(current.x(), target.left(), target.width(), viewport.width(), picture.width()),
            along(current.y(), target.top(), target.height(), viewport.height(), picture.height())};
}

QFont ChooserFont(const TFont& font) {
    QFont chooser = WatermarkFont(font);
    chooser.setPointSizeF(double(chooser.pixelSize()) * 72 / kPixelsPerInch);
    return chooser;
}

TFont ChosenFont(const QFont& chosen, const TFont& working) {
    TFont font = working;
    font.Name = chosen.family();
    font.Bold = chosen.bold();
    font.Italic = chosen.italic();
    font.Underline = chosen.underline();
    font.StrikeOut = chosen.strikeOut();
    // A pixel size where the chooser gave one; otherwise points at the settings' pixels per
    // inch. Either way within what the watermark draws.
    const double pixels = chosen.pixelSize() > 0 ? double(chosen.pixelSize())
                                                 : chosen.pointSizeF() * kPixelsPerInch / 72;
    const qint64 rounded = std::isfinite(pixels) ? std::llround(pixels) : 0;
    font.Height = -int(std::clamp<qint64>(rounded, kMinWatermarkPixelSize, kMaxWatermarkPixelSize));
    return font;
}

}  // namespace vellumora
