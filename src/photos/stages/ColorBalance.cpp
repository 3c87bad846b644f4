// Colour balance. Every output channel depends only on its input value, so the offsets
// and the contrast are folded into one table per channel and the pass is a lookup, in
// bands of rows on a big picture.

#include "photos/stages/ColorBalance.h"

#include <algorithm>
#include <array>

#include "photos/stages/Bands.h"

namespace vellumora {
namespace {

using Table = std::array<quint8, 256>;

// q' = q + brightness + offset + (q - 128) * contrast div 100, truncating toward zero,
// clamped. 64-bit so that hand-edited values far beyond the dialog's ranges cannot wrap.
Table ChannelTable(int contrast, int brightness, int offset) {
    Table table{};
    for (int q = 0; q < 256; ++q) {
        const qint64 stretched = qint64(q - 128) * contrast / 100;
        const qint64 value = qint64(q) + brightness + offset + stretched;
        table[q] = quint8(std::clamp<qint64>(value, 0, 255));
    }
    return table;
}

}  // namespace

QImage AdjustColors(QImage image, int contrast, int brightness, int red, int green, int blue,
                    bool grayscale, bool negative) {
    if (image.isNull()) return image;
    if (contrast == 0 && brightness == 0 && red == 0 && green == 0 && blue == 0 && !grayscale &&
        !negative)
        return image;

    const Table tr = ChannelTable(contrast, brightness, red);
    const Table tg = ChannelTable(contrast, brightness, green);
    const Table tb = ChannelTable(contrast, brightness, blue);
    const int width = image.width();
    const TPixelRows rows(image);  // detaches a shared image
    ForEachBand(image.height(), width, [&](int firstRow, int endRow) {
        // Copied here: read through the lambda, they would be reloaded after every write to
        // a pixel (which might alias them as far as the compiler knows), a tenth slower.
        const int w = width;
        const bool grey = grayscale;
        const bool invert = negative;
        for (int y = firstRow; y < endRow; ++y) {
            QRgb* row = rows[y];
            for (int x = 0; x < w; ++x) {
                int r = qRed(row[x]);
                int g = qGreen(row[x]);
                int b = qBlue(row[x]);
                if (grey) r = g = b = (299 * r + 587 * g + 114 * b) / 1000;
                if (invert) {
                    r = 255 - r;
                    g = 255 - g;
                    b = 255 - b;
                }
                row[x] = qRgb(tr[r], tg[g], tb[b]);
            }
        }
    });
    return image;
}

}  // namespace vellumora
