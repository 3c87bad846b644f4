// The watermark: the text is drawn white on black into a work image, and that
// coverage decides how much of the font colour each picture pixel takes.

#include "photos/stages/Watermark.h"

#include <QFontMetrics>
#include <QFontMetricsF>
#include <QPainter>
#include <algorithm>
#include <cmath>

#include "codec/Codec.h"
#include "codec/ImageBuffer.h"

namespace vellumora {
namespace {

// ((255 - a) * channel + a * fontChannel) div 255. A mix of two values in 0..255 with
// weights adding up to 255, so the result cannot leave 0..255.
inline int Mix(int channel, int fontChannel, int a) {
    return ((255 - a) * channel + a * fontChannel) / 255;
}

// The font colour's weight for a coverage t: ((255 - opacity) * t) div 255.
inline int Weight(int keep, int coverage) {
    return keep * coverage / 255;
}

// The pixel size for the record's Height, before clamping.
qint64 RequestedPixelSize(const TFont& font, QFont styled) {
    // 64 bits: -INT_MIN does not fit an int.
    if (font.Height <= 0) return -qint64(font.Height);
    // A positive Height is the cell height. The face's cell-to-character ratio is read at
    // a reference size large enough for rounding in the metrics not to matter.
    constexpr int kReference = 256;
    styled.setPixelSize(kReference);
    const QFontMetricsF metrics(styled);
    const double cell = metrics.ascent() + metrics.descent();
    if (!(cell > 0)) return font.Height;
    return std::llround(double(font.Height) * kReference / cell);
}

}  // namespace

QFont WatermarkFont(const TFont& font) {
    QFont result(font.Name);
    result.setBold(font.Bold);
    result.setItalic(font.Italic);
    result.setUnderline(font.Underline);
    result.setStrikeOut(font.StrikeOut);
    // Grey-scale smoothing only: sub-pixel smoothing is tuned to the stripes of the
    // screen it is set up for, and would leave coloured fringes in a saved photo that
    // differ from one machine to the next.
    result.setStyleStrategy(
        QFont::StyleStrategy(QFont::PreferAntialias | QFont::NoSubpixelAntialias));
    const qint64 size = RequestedPixelSize(font, result);
    result.setPixelSize(
        int(std::clamp<qint64>(size, kMinWatermarkPixelSize, kMaxWatermarkPixelSize)));
    return result;
}

QSize WatermarkTextSize(const QString& text, const TFont& font) {
    const QFontMetrics metrics(WatermarkFont(font));
    return {metrics.horizontalAdvance(text), metrics.ascent() + metrics.descent()};
}

int WatermarkBlend(int channel, int fontChannel, int coverage, int opacity) {
    const int keep = 255 - std::clamp(opacity, 0, 255);
    return Mix(std::clamp(channel, 0, 255), std::clamp(fontChannel, 0, 255),
               Weight(keep, std::clamp(coverage, 0, 255)));
}

QImage DrawWatermark(QImage image, const QString& text, const TFont& font, int position, int x,
                     int y, int opacity) {
    if (image.isNull() || text.isEmpty()) return image;
    // Hand-edited files may hold any number; the dialog offers 0..255.
    const int keep = 255 - std::clamp(opacity, 0, 255);
    if (keep == 0) return image;  // fully transparent text changes no pixel

    const QFont qfont = WatermarkFont(font);
    const QFontMetrics metrics(qfont);
    const int ascent = metrics.ascent();
    // 64 bits throughout: x = 2^31 - 1 from a settings file must not wrap around.
    const qint64 textWidth = metrics.horizontalAdvance(text);
    const qint64 textHeight = ascent + metrics.descent();
    const qint64 width = image.width();
    const qint64 height = image.height();

    // The cell's top-left corner. C++ division truncates toward zero, as the positions
    // are defined, also when the text is larger than the picture.
    qint64 left = (width - textWidth) / 2;
    qint64 top = (height - textHeight) / 2;
    // Positions 0..8 are a 3 x 3 grid read row by row; any other value is the middle.
    const bool onGrid = position >= 0 && position <= 8;
    const int column = onGrid ? position % 3 : 1;
    const int row = onGrid ? position / 3 : 1;
    if (column == 0) left = x;
    if (column == 2) left = width - textWidth - x;
    if (row == 0) top = y;
    if (row == 2) top = height - textHeight - y;

    // Only the part of the picture the text can reach needs a work image: the cell and
    // the glyphs' own box (accents, descenders and italic slant may leave the cell), with
    // a margin for anti-aliasing and slanted faces whose box is approximate. A long text
    // on a small picture is cut here to the picture.
    const QRect glyphs = metrics.boundingRect(text);  // relative to the baseline origin
    const qint64 margin = 2 + qfont.pixelSize() / 2;
    const qint64 areaLeft = std::max<qint64>(0, left + std::min<qint64>(0, glyphs.left()) - margin);
    const qint64 areaTop =
        std::max<qint64>(0, top + std::min<qint64>(0, ascent + glyphs.top()) - margin);
    const qint64 areaRight = std::min<qint64>(
        width, left + std::max<qint64>(textWidth, qint64(glyphs.right()) + 1) + margin);
    const qint64 areaBottom = std::min<qint64>(
        height, top + std::max<qint64>(textHeight, qint64(ascent) + glyphs.bottom() + 1) + margin);
    if (areaRight <= areaLeft || areaBottom <= areaTop) return image;
    const int areaWidth = int(areaRight - areaLeft);
    const int areaHeight = int(areaBottom - areaTop);

    QImage work = NewFilledImage(areaWidth, areaHeight, qRgb(0, 0, 0));
    if (work.isNull()) return {};
    if (image.format() != kPixelFormat) {
        image = image.convertToFormat(kPixelFormat);
        if (image.isNull()) return image;
    }
    {
        QPainter painter(&work);
        painter.setFont(qfont);
        painter.setPen(Qt::white);
        // The text's left end may lie far outside the area (a centred text wider than
        // the picture); the painter clips to the work image.
        painter.drawText(QPointF(double(left - areaLeft), double(top - areaTop + ascent)), text);
    }

    const QRgb fontRgb = ColorToRgb(font.Color);
    const int fr = qRed(fontRgb);
    const int fg = qGreen(fontRgb);
    const int fb = qBlue(fontRgb);
    for (int row = 0; row < areaHeight; ++row) {
        const auto* cover = reinterpret_cast<const QRgb*>(work.constScanLine(row));
        // Taken at the first changed pixel, so that a shared picture the text leaves alone
        // (spaces only, or fully transparent glyphs) is not copied.
        QRgb* out = nullptr;
        for (int col = 0; col < areaWidth; ++col) {
            const QRgb c = cover[col];
            const int t = (qRed(c) + qGreen(c) + qBlue(c)) / 3;
            const int a = Weight(keep, t);
            if (a == 0) continue;
            if (!out) out = reinterpret_cast<QRgb*>(image.scanLine(int(areaTop) + row)) + areaLeft;
            const QRgb p = out[col];
            out[col] = qRgb(Mix(qRed(p), fr, a), Mix(qGreen(p), fg, a), Mix(qBlue(p), fb, a));
        }
    }
    return image;
}

}  // namespace vellumora
