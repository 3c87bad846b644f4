// The drop shadow stage: a Gaussian blur of a small template and the shadow assembled
// from its pieces.

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <utility>
#include <vector>

#include "codec/Codec.h"
#include "codec/ImageBuffer.h"
#include "photos/stages/Render.h"
#include "photos/stages/Stages.h"

namespace vellumora {
namespace {

constexpr int kMaxTap = 100;

quint32* Row(QImage& image, int y) {
    return reinterpret_cast<quint32*>(image.scanLine(y));
}
const quint32* Row(const QImage& image, int y) {
    return reinterpret_cast<const quint32*>(image.constScanLine(y));
}

// A blurred channel value: truncated toward zero, kept to 0..255.
quint8 Level(double value) {
    return quint8(std::clamp(value, 0.0, 255.0));
}

void FillRect(QImage& image, QRect rect, QRgb color) {
    rect &= image.rect();
    if (rect.isEmpty()) return;
    for (int y = rect.top(); y <= rect.bottom(); ++y)
        std::fill_n(Row(image, y) + rect.left(), rect.width(), color);
}

// Fills rect except where it overlaps hole (which something else covers later).
void FillAround(QImage& image, QRect rect, QRect hole, QRgb color) {
    rect &= image.rect();
    const QRect inner = rect & hole;
    if (inner.isEmpty()) {
        FillRect(image, rect, color);
        return;
    }
    FillRect(image, QRect(QPoint(rect.left(), rect.top()), QPoint(rect.right(), inner.top() - 1)),
             color);
    FillRect(image,
             QRect(QPoint(rect.left(), inner.bottom() + 1), QPoint(rect.right(), rect.bottom())),
             color);
    FillRect(image,
             QRect(QPoint(rect.left(), inner.top()), QPoint(inner.left() - 1, inner.bottom())),
             color);
    FillRect(image,
             QRect(QPoint(inner.right() + 1, inner.top()), QPoint(rect.right(), inner.bottom())),
             color);
}

// Copies source with its top-left corner at 'at', clipped to the image.
void Blit(QImage& image, const QImage& source, QPoint at) {
    if (source.isNull()) return;
    const QRect target = QRect(at, source.size()) & image.rect();
    const size_t bytes = size_t(target.width()) * 4;
    for (int y = target.top(); y <= target.bottom(); ++y)
        std::memcpy(Row(image, y) + target.left(),
                    Row(source, y - at.y()) + (target.left() - at.x()), bytes);
}

// The source index of destination index d when length from becomes length to, taking
// the pixel under the centre of the destination pixel.
int Nearest(qint64 d, qint64 to, qint64 from) {
    return int((2 * d + 1) * from / (2 * to));
}

// Scales source onto target (nearest pixel), clipped to the image. The pieces are
// stretched along one direction only, so most rows are copies of the row before.
void Stretch(QImage& image, const QImage& source, QRect target) {
    if (source.isNull() || target.isEmpty()) return;
    const QRect visible = target & image.rect();
    if (visible.isEmpty()) return;
    const int width = visible.width();
    const size_t bytes = size_t(width) * 4;
    const bool sameWidth = source.width() == target.width();
    std::vector<int> columns;
    if (!sameWidth) {
        columns.resize(size_t(width));
        for (int i = 0; i < width; ++i)
            columns[size_t(i)] =
                Nearest(visible.left() - target.left() + i, target.width(), source.width());
    }
    int lastSourceRow = -1;
    const quint32* lastRow = nullptr;
    for (int y = visible.top(); y <= visible.bottom(); ++y) {
        const int sy = Nearest(y - target.top(), target.height(), source.height());
        quint32* d = Row(image, y) + visible.left();
        const quint32* s = Row(source, sy);
        if (sy == lastSourceRow)
            std::memcpy(d, lastRow, bytes);
        else if (sameWidth)
            std::memcpy(d, s + (visible.left() - target.left()), bytes);
        else
            for (int i = 0; i < width; ++i) d[i] = s[columns[size_t(i)]];
        lastSourceRow = sy;
        lastRow = d;
    }
}

// A copy of the rectangle of source; null when it is empty (QImage::copy would copy the
// whole image for an empty rectangle).
QImage Cut(const QImage& source, int x, int y, int width, int height) {
    if (width <= 0 || height <= 0) return {};
    QImage piece = NewImage(width, height);
    if (!piece.isNull()) Blit(piece, source, QPoint(-x, -y));
    return piece;
}

int MarginOf(const TBlurKernel& kernel) {
    return kernel.Size - 1;
}

// One axis of the shadow template and of the assembled shadow.
//
// A shadow pixel depends on the pixels up to s = k + 1 away, so the first k + s template
// pixels of a side are the corner (k of background, k + 1 of shadow), and from there on,
// until the far corner, every pixel sees shadow only: all of them are alike, one template
// pixel stands for them and is stretched. The pieces are exactly what a blur of the full
// shadow rectangle gives there. A side that is not longer than two corners and that one
// pixel is blurred whole.
struct Axis {
    int length;     // template length
    int first;      // length of the first piece (the corner, or the whole template)
    int middle;     // 1, or 0 when the side is blurred whole
    int last;       // length of the last piece (the other corner), or 0
    int stretched;  // length the middle piece is stretched to
};

Axis AxisOf(qint64 side, int k) {
    const int corner = 2 * k + 1;
    const qint64 full = side + 2 * k;
    if (full <= 2 * corner + 1) return {int(full), int(full), 0, 0, 0};
    return {2 * corner + 1, corner, 1, corner, int(full - 2 * corner)};
}

// BuildShadowTiles with the kernel already made (kernel null: no blur, margin 0).
TShadowTiles MakeTiles(QSize picture, const TBlurKernel* kernel, QRgb shadow, QRgb background,
                       bool* ok) {
    TShadowTiles tiles;
    *ok = true;
    const int k = kernel ? MarginOf(*kernel) : 0;
    tiles.K = k;
    if (k == 0) return tiles;

    const Axis across = AxisOf(std::max(picture.width(), 0), k);
    const Axis down = AxisOf(std::max(picture.height(), 0), k);
    tiles.C0 = across.first;
    tiles.R0 = down.first;
    QImage templ = NewFilledImage(across.length, down.length, background);
    if (templ.isNull()) {
        *ok = false;
        return tiles;
    }
    FillRect(templ, QRect(k, k, across.length - 2 * k, down.length - 2 * k), shadow);
    BlurBitmap(templ, *kernel);

    const int xs[3] = {0, across.first, across.first + across.middle};
    const int ws[3] = {across.first, across.middle, across.last};
    const int ys[3] = {0, down.first, down.first + down.middle};
    const int hs[3] = {down.first, down.middle, down.last};
    // Tile index of (row piece, column piece); the centre (1, 1) is plain shadow.
    constexpr int kIndex[3][3] = {{0, 1, 2}, {3, -1, 4}, {5, 6, 7}};
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c) {
            const int i = kIndex[r][c];
            if (i < 0 || ws[c] == 0 || hs[r] == 0) continue;
            tiles.Tiles[size_t(i)] = Cut(templ, xs[c], ys[r], ws[c], hs[r]);
            if (tiles.Tiles[size_t(i)].isNull()) *ok = false;
        }
    return tiles;
}

}  // namespace

TBlurKernel BuildBlurKernel(double radius) {
    TBlurKernel kernel;
    if (!(radius > 0)) {
        kernel.Weights[kMaxTap] = 1.0f;
        return kernel;
    }
    auto& w = kernel.Weights;
    for (int j = -kMaxTap; j <= kMaxTap; ++j) {
        const double t = j / radius;
        w[size_t(j + kMaxTap)] = float(std::exp(-t * t / 2));
    }
    double sum = 0;
    for (float v : w) sum += v;
    for (float& v : w) v = float(v / sum);

    // Drop the outer taps while together they stay under half a level of 255.
    int size = kMaxTap;
    double dropped = 0;
    while (dropped < 1.0 / 510 && size > 1) {
        dropped += 2.0 * w[size_t(size + kMaxTap)];
        --size;
    }
    kernel.Size = quint8(size);

    sum = 0;
    for (int j = -size; j <= size; ++j) sum += w[size_t(j + kMaxTap)];
    for (int j = -size; j <= size; ++j)
        w[size_t(j + kMaxTap)] = float(w[size_t(j + kMaxTap)] / sum);

    // Rounded to float the taps may add up to a hair under 1 (radius 2 and 5 do), and the
    // truncating blur would then turn a flat 255 into 254 and a flat shadow colour one level
    // darker than the plain fill beside it. Raise the centre tap by the needed ulps.
    const auto total = [&] {
        double s = 0;
        for (int j = -size; j <= size; ++j) s += w[size_t(j + kMaxTap)];
        return s;
    };
    while (total() < 1.0) w[kMaxTap] = std::nextafter(w[kMaxTap], 2.0f);
    return kernel;
}

void BlurBitmap(QImage& image, const TBlurKernel& kernel) {
    if (image.isNull()) return;
    if (image.format() != kPixelFormat) image = image.convertToFormat(kPixelFormat);
    const int width = image.width();
    const int height = image.height();
    const int s = std::clamp<int>(kernel.Size, 0, kMaxTap);
    const size_t span = size_t(width) * 3;  // channel values of one row: blue, green, red

    std::array<double, 2 * kMaxTap + 1> weight{};
    for (int n = -s; n <= s; ++n) weight[size_t(n + kMaxTap)] = kernel.Weight(n);

    // Both passes sum the taps for a whole row at once, tap after tap, so every value gets
    // its terms in the order -s..s and the inner loop runs over contiguous memory.
    std::vector<double> sums(span);
    std::vector<quint8> padded(size_t(width + 2 * s) * 3);  // one row, border repeated
    std::vector<quint8> rows(span * size_t(height));        // the row pass, unblurred input only

    for (int y = 0; y < height; ++y) {
        const quint32* src = Row(std::as_const(image), y);
        quint8* out = rows.data() + span * size_t(y);
        // A row like the one above blurs the same way (most rows of a shadow template do).
        if (y > 0 && std::memcmp(src, Row(std::as_const(image), y - 1), size_t(width) * 4) == 0) {
            std::memcpy(out, out - span, span);
            continue;
        }
        for (int i = 0; i < width + 2 * s; ++i) {
            const quint32 p = src[std::clamp(i - s, 0, width - 1)];
            padded[size_t(i) * 3] = quint8(qBlue(p));
            padded[size_t(i) * 3 + 1] = quint8(qGreen(p));
            padded[size_t(i) * 3 + 2] = quint8(qRed(p));
        }
        std::fill(sums.begin(), sums.end(), 0.0);
        for (int n = -s; n <= s; ++n) {
            const double wn = weight[size_t(n + kMaxTap)];
            const quint8* p = padded.data() + size_t(s - n) * 3;  // column x - n
            for (size_t i = 0; i < span; ++i) sums[i] += wn * p[i];
        }
        for (size_t i = 0; i < span; ++i) out[i] = Level(sums[i]);
    }

    for (int y = 0; y < height; ++y) {
        std::fill(sums.begin(), sums.end(), 0.0);
        for (int n = -s; n <= s; ++n) {
            const double wn = weight[size_t(n + kMaxTap)];
            const quint8* p = rows.data() + span * size_t(std::clamp(y - n, 0, height - 1));
            for (size_t i = 0; i < span; ++i) sums[i] += wn * p[i];
        }
        quint32* dst = Row(image, y);
        for (int x = 0; x < width; ++x) {
            const size_t i = size_t(x) * 3;
            dst[x] = qRgb(Level(sums[i + 2]), Level(sums[i + 1]), Level(sums[i]));
        }
    }
}

TShadowTiles BuildShadowTiles(QSize picture, int radius, TColor shadow, TColor background) {
    bool ok = true;
    if (radius < 1)
        return MakeTiles(picture, nullptr, ColorToRgb(shadow), ColorToRgb(background), &ok);
    const TBlurKernel kernel = BuildBlurKernel(radius);
    TShadowTiles tiles =
        MakeTiles(picture, &kernel, ColorToRgb(shadow), ColorToRgb(background), &ok);
    if (!ok) tiles.Tiles = {};
    return tiles;
}

int ShadowMargin(int radius) {
    return radius < 1 ? 0 : MarginOf(BuildBlurKernel(radius));
}

qint64 ShadowGrowth(int radius, int offset) {
    const qint64 k = ShadowMargin(radius);
    return k + std::max<qint64>(k, std::max(offset, 0));
}

QImage AddShadow(QImage image, int radius, int offset, TColor shadow, TColor background) {
    if (image.isNull()) return image;
    offset = std::max(offset, 0);
    // A radius below 1 and no offset leave the picture covering the whole result.
    if (radius < 1 && offset == 0) return image;

    TBlurKernel kernel;
    if (radius >= 1) kernel = BuildBlurKernel(radius);
    const int k = radius >= 1 ? MarginOf(kernel) : 0;
    const qint64 width = image.width();
    const qint64 height = image.height();
    const qint64 grow = k + std::max<qint64>(k, offset);
    const qint64 resultWidth = width + grow;
    const qint64 resultHeight = height + grow;
    if (resultWidth > std::numeric_limits<int>::max() ||
        resultHeight > std::numeric_limits<int>::max() ||
        resultWidth * resultHeight > kMaxRenderPixels)
        return {};

    const QRgb shadowRgb = ColorToRgb(shadow);
    const QRgb backgroundRgb = ColorToRgb(background);
    bool ok = true;
    const TShadowTiles tiles =
        MakeTiles(image.size(), radius >= 1 ? &kernel : nullptr, shadowRgb, backgroundRgb, &ok);
    if (!ok) return {};
    QImage result = NewImage(int(resultWidth), int(resultHeight));
    if (result.isNull()) return result;
    if (image.format() != kPixelFormat) image = image.convertToFormat(kPixelFormat);

    const int at = std::max(k - offset, 0);  // the picture's corner
    const QRect picture(at, at, image.width(), image.height());
    const int sx = std::max(0, offset - k);  // the shadow template's corner
    const int sy = sx;
    const auto& t = tiles.Tiles;

    // Every pixel of the result is written by one of these: the background left of and
    // above the shadow, the shadow's pieces, the picture. The fills skip what the picture
    // covers, so on a big picture only the picture itself is copied in full; the tiles
    // (bands 2k + 1 wide around the shadow) are copied whole. This is one pass of filling
    // and copying fresh memory, which a second thread makes slower on these machines.
    FillAround(result, QRect(0, 0, sx, int(resultHeight)), picture, backgroundRgb);
    FillAround(result, QRect(sx, 0, int(resultWidth) - sx, sy), picture, backgroundRgb);
    if (k == 0) {
        FillAround(result, QRect(sx, sy, image.width(), image.height()), picture, shadowRgb);
    } else {
        const Axis across = AxisOf(width, k);
        const Axis down = AxisOf(height, k);
        const int x1 = sx + across.first, x2 = x1 + across.stretched;
        const int y1 = sy + down.first, y2 = y1 + down.stretched;
        Blit(result, t[0], QPoint(sx, sy));
        Stretch(result, t[1], QRect(x1, sy, across.stretched, down.first));
        Blit(result, t[2], QPoint(x2, sy));
        Stretch(result, t[3], QRect(sx, y1, across.first, down.stretched));
        FillAround(result, QRect(x1, y1, across.stretched, down.stretched), picture, shadowRgb);
        Stretch(result, t[4], QRect(x2, y1, across.last, down.stretched));
        Blit(result, t[5], QPoint(sx, y2));
        Stretch(result, t[6], QRect(x1, y2, across.stretched, down.last));
        Blit(result, t[7], QPoint(x2, y2));
    }

    Blit(result, image, picture.topLeft());
    return result;
}

}  // namespace vellumora
