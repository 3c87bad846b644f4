// Crop and orientation: the two stages that move pixels without changing them, and the
// geometry that goes with them.

#include "photos/stages/Geometry.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <utility>

#include "codec/Codec.h"
#include "codec/ImageBuffer.h"
#include "photos/stages/Bands.h"
#include "photos/stages/Resize.h"

namespace vellumora {
namespace {

// The crop rectangle cut to the picture, in 64 bits so that hand-edited values near the
// 32-bit limits cannot wrap. Empty when nothing remains.
QRect CropArea(QSize size, const TRect& crop) {
    const qint64 left = std::max<qint64>(crop.Left, 0);
    const qint64 top = std::max<qint64>(crop.Top, 0);
    const qint64 right = std::min<qint64>(crop.Right, size.width());
    const qint64 bottom = std::min<qint64>(crop.Bottom, size.height());
    if (right <= left || bottom <= top) return {};
    return QRect(int(left), int(top), int(right - left), int(bottom - top));
}

// The eight orientations, the one description that pixels, sizes, rectangles and the
// actions are all read from: the frame is transposed first (when transpose), then the
// result is mirrored left to right (mirrorX) and top to bottom (mirrorY).
struct TMove {
    int code;
    bool transpose, mirrorX, mirrorY;
};
constexpr TMove kMoves[] = {
    {kTurnNone, false, false, false},
    {kTurnLeft, true, false, true},
    {kTurnHalf, false, true, true},
    {kTurnRight, true, true, false},
    {kMirrorLeftRight, false, true, false},
    {kMirrorTopBottom, false, false, true},
    {kMirrorMainDiagonal, true, false, false},
    {kMirrorOtherDiagonal, true, true, true},
};

const TMove* FindMove(int code) {
    for (const TMove& move : kMoves)
        if (move.code == code) return &move;
    return nullptr;
}

// A code outside the eight moves nothing.
const TMove& MoveOf(int code) {
    const TMove* move = FindMove(code);
    return move ? *move : kMoves[0];
}

int CodeOf(bool transpose, bool mirrorX, bool mirrorY) {
    for (const TMove& move : kMoves)
        if (move.transpose == transpose && move.mirrorX == mirrorX && move.mirrorY == mirrorY)
            return move.code;
    return kTurnNone;  // not reached: the eight cover every combination
}

// The move as OrientImage numbers it (the EXIF numbering): 1 to 4 keep the axes (none,
// left to right, both, top to bottom), 5 to 8 transpose and then do the same.
int ExifOrientation(const TMove& move) {
    const int mirrors = move.mirrorX ? (move.mirrorY ? 2 : 1) : (move.mirrorY ? 3 : 0);
    return (move.transpose ? 5 : 1) + mirrors;
}

// The code showing code's result moved once more by action. Mirroring and then
// transposing is transposing and then mirroring the other axis.
int Compose(int code, int action) {
    const TMove* first = FindMove(code);
    if (!first) return code;
    const TMove& then = MoveOf(action);
    const bool mirrorX = then.mirrorX != (then.transpose ? first->mirrorY : first->mirrorX);
    const bool mirrorY = then.mirrorY != (then.transpose ? first->mirrorX : first->mirrorY);
    return CodeOf(then.transpose != first->transpose, mirrorX, mirrorY);
}

TWideRect Orient(TWideRect r, qint64 w, qint64 h, const TMove& move) {
    if (move.transpose) {
        r = {r.t, r.l, r.b, r.r};
        std::swap(w, h);
    }
    if (move.mirrorX) r = {w - r.r, r.t, w - r.l, r.b};
    if (move.mirrorY) r = {r.l, h - r.b, r.r, h - r.t};
    return r;
}

}  // namespace

QRect CroppedArea(QSize size, const TRect& crop) {
    const QRect area = CropArea(size, crop);
    return area.isEmpty() ? QRect(QPoint(0, 0), size) : area;
}

QImage CroppedView(const QImage& image, const TRect& crop) {
    const QRect area = CroppedArea(image.size(), crop);
    if (image.isNull() || area.size() == image.size()) return image;
    const qsizetype pixelBytes = image.depth() / 8;
    return QImage(image.constScanLine(area.top()) + area.left() * pixelBytes, area.width(),
                  area.height(), image.bytesPerLine(), image.format());
}

QSize CroppedSize(QSize size, const TRect& crop) {
    return CroppedArea(size, crop).size();
}

QImage CropBitmap(QImage image, const TRect& crop) {
    if (image.isNull()) return image;
    const QRect area = CropArea(image.size(), crop);
    if (area.isEmpty() || area.size() == image.size()) return image;
    QImage out = NewImage(area.width(), area.height());
    if (out.isNull()) return out;
    const size_t rowBytes = size_t(area.width()) * 4;
    for (int y = 0; y < area.height(); ++y)
        std::memcpy(out.scanLine(y), image.constScanLine(y + area.top()) + size_t(area.left()) * 4,
                    rowBytes);
    return out;
}

bool IsOrientationCode(int code) {
    return FindMove(code) != nullptr;
}

QImage OrientBitmap(QImage image, int code) {
    return OrientImage(image, ExifOrientation(MoveOf(code)), ForEachBand);
}

QSize OrientedSize(QSize size, int code) {
    return MoveOf(code).transpose ? size.transposed() : size;
}

TRect OrientRect(const TRect& r, QSize frame, int code) {
    return Narrowed(Orient(Widened(r), frame.width(), frame.height(), MoveOf(code)));
}

int InverseOrientation(int code) {
    const TMove* move = FindMove(code);
    if (!move) return code;
    // Undoing a transpose and then a mirror is mirroring back and then transposing, which
    // is transposing and then mirroring the other axis.
    return move->transpose ? CodeOf(true, move->mirrorY, move->mirrorX) : code;
}

int RotateClockwise(int code) {
    return Compose(code, kTurnRight);
}
int RotateCounterClockwise(int code) {
    return Compose(code, kTurnLeft);
}
int FlipHorizontally(int code) {
    return Compose(code, kMirrorLeftRight);
}
int FlipVertically(int code) {
    return Compose(code, kMirrorTopBottom);
}

TRect MapRect(const TRect& r, QSize source, int a, int b, QSize target) {
    const TMove& there = MoveOf(a);
    const TMove& back = MoveOf(InverseOrientation(MoveOf(b).code));
    TWideRect q = Orient(Widened(r), source.width(), source.height(), there);
    QSize frame = OrientedSize(source, there.code);
    q = Orient(q, frame.width(), frame.height(), back);
    frame = OrientedSize(frame, back.code);

    float scale = 0;
    if (frame.width() > 0 && frame.height() > 0) {
        const long double sx =
            static_cast<long double>(std::max(target.width(), 0)) / frame.width();
        const long double sy =
            static_cast<long double>(std::max(target.height(), 0)) / frame.height();
        scale = static_cast<float>(std::min(sx, sy));
    }
    // A float times a 34-bit integer is exact in extended precision; nearbyintl rounds
    // halves to even in the default rounding mode.
    const auto scaled = [scale](qint64 v) {
        const long double product = std::nearbyintl(static_cast<long double>(scale) * v);
        if (product <= std::numeric_limits<int>::min()) return std::numeric_limits<int>::min();
        if (product >= std::numeric_limits<int>::max()) return std::numeric_limits<int>::max();
        return int(product);
    };
    return {scaled(q.l), scaled(q.t), scaled(q.r), scaled(q.b)};
}

TWideRect Widened(const TRect& r) {
    return {r.Left, r.Top, r.Right, r.Bottom};
}

TRect Narrowed(const TWideRect& r) {
    return {ClampToInt(r.l), ClampToInt(r.t), ClampToInt(r.r), ClampToInt(r.b)};
}

int ClampToInt(qint64 v) {
    return int(
        std::clamp<qint64>(v, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
}

TRect CentredRatioRect(QSize picture, qint64 width, qint64 height) {
    const qint64 w = picture.width();
    const qint64 h = picture.height();
    if (width <= 0 || height <= 0 || w <= 0 || h <= 0) return {};
    qint64 cw = w;
    qint64 ch = h;
    if (h * width > w * height)  // the picture is relatively taller: the width decides
        ch = height * w / width;
    else
        cw = width * h / height;
    return Narrowed({(w - cw) / 2, (h - ch) / 2, (w + cw) / 2, (h + ch) / 2});
}

QImage PreviewGeometry(const QImage& original, const TRect& crop, int max, bool keep, int code) {
    if (original.isNull()) return {};
    // Loaded photos are always in the program's layout; anything else is converted once.
    if (original.format() != kPixelFormat)
        return PreviewGeometry(original.convertToFormat(kPixelFormat), crop, max, keep, code);
    const QImage view = CroppedView(original, crop);
    QImage small = ResizeBitmap(view, max, keep);
    // A resize with nothing to do hands the view on; it must not outlive this call as a
    // window into the original, so it becomes a (small) picture of its own.
    if (view.size() != original.size() && small.constBits() == view.constBits())
        small = view.copy();
    return OrientBitmap(std::move(small), code);
}

}  // namespace vellumora
