#include "forms/crop/CropGeometry.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>

#include "codec/Codec.h"
#include "photos/stages/Stages.h"

namespace vellumora {
namespace {

// Rectangles are worked on in 64 bits: values from a hand-edited settings file may sit
// at the ends of the 32-bit range, and turning or moving them must not wrap.
struct TRect64 {
    qint64 l, t, r, b;
};

TRect64 Wide(const TRect& r) {
    return {r.Left, r.Top, r.Right, r.Bottom};
}

int Clamp32(qint64 v) {
    return int(
        std::clamp<qint64>(v, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
}

TRect Narrow(const TRect64& r) {
    return {Clamp32(r.l), Clamp32(r.t), Clamp32(r.r), Clamp32(r.b)};
}

int KnownCode(int code) {
    return IsOrientationCode(code) ? code : 0;
}

// The orientation table read backwards: OrientBitmap's result pixel (x, y) comes from the
// source pixel given there, so a source span lands where these formulas put it.
TRect64 Orient(const TRect64& r, qint64 w, qint64 h, int code) {
    switch (code) {
        case 90:
            return {r.t, w - r.r, r.b, w - r.l};
        case 180:
            return {w - r.r, h - r.b, w - r.l, h - r.t};
        case 270:
            return {h - r.b, r.l, h - r.t, r.r};
        case -180:
            return {w - r.r, r.t, w - r.l, r.b};
        case -360:
            return {r.l, h - r.b, r.r, h - r.t};
        case -270:
            return {r.t, r.l, r.b, r.r};
        case -90:
            return {h - r.b, w - r.r, h - r.t, w - r.l};
        default:
            return r;
    }
}

bool InColumn(int zone, int column) {
    return zone >= 0 && zone % 3 == column;
}
bool InRow(int zone, int row) {
    return zone >= 0 && zone / 3 == row;
}

// Gives lo..hi the size about its centre, exactly; an odd change puts the extra pixel on
// the far side. An inverted pair stays inverted.
void Centre(qint64& lo, qint64& hi, qint64 size) {
    if (hi >= lo) {
        lo -= (size - (hi - lo)) / 2;
        hi = lo + size;
    } else {
        hi -= (size - (lo - hi)) / 2;
        lo = hi + size;
    }
}

QImage Finish(QImage image, const TPhotoInfo& info) {
    image = OrientBitmap(std::move(image), info.Rotate);
    return AdjustColors(std::move(image), info.Contrast, info.Brightness, info.Red, info.Green,
                        info.Blue, info.Grayscale, info.Negative);
}

}  // namespace

TRect OrientRect(const TRect& r, QSize frame, int code) {
    return Narrow(Orient(Wide(r), frame.width(), frame.height(), KnownCode(code)));
}

int InverseOrientation(int code) {
    if (code == 90) return 270;
    if (code == 270) return 90;
    return code;
}

TRect MapRect(const TRect& r, QSize source, int a, int b, QSize target) {
    const int there = KnownCode(a);
    const int back = InverseOrientation(KnownCode(b));
    TRect64 q = Orient(Wide(r), source.width(), source.height(), there);
    QSize frame = OrientedSize(source, there);
    q = Orient(q, frame.width(), frame.height(), back);
    frame = OrientedSize(frame, back);

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

int HitTest(const TRect& selection, QPoint point) {
    const qint64 x = point.x();
    const qint64 y = point.y();
    const TRect64 s = Wide(selection);
    if (x < s.l || x >= s.r || y < s.t || y >= s.b) return -1;
    int column = x > s.l + 4 ? 1 : 0;
    if (x >= s.r - 4) column = 2;
    int row = y > s.t + 4 ? 3 : 0;
    if (y >= s.b - 4) row += 3;
    return column + row;
}

Qt::CursorShape ZoneCursor(int zone) {
    switch (zone) {
        case 0:
        case 8:
            return Qt::SizeFDiagCursor;
        case 2:
        case 6:
            return Qt::SizeBDiagCursor;
        case 1:
        case 7:
            return Qt::SizeVerCursor;
        case 3:
        case 5:
            return Qt::SizeHorCursor;
        case 4:
            return Qt::SizeAllCursor;
        default:
            return Qt::ArrowCursor;
    }
}

QSize RatioUnits(int code, QSize picture) {
    // "A * B" is B wide and A high.
    static constexpr int kUnits[kRatioCount][2] = {{0, 0},  {0, 0}, {4, 3}, {6, 4}, {7, 5},
                                                   {10, 8}, {3, 4}, {4, 6}, {5, 7}, {8, 10}};
    if (code == 1) return picture;
    if (code < 0 || code >= kRatioCount) return {0, 0};
    return {kUnits[code][0], kUnits[code][1]};
}

TRect ApplyRatio(const TRect& selection, int zone, QSize units) {
    const qint64 a = units.width();
    const qint64 b = units.height();
    if (a <= 0 || b <= 0) return selection;
    TRect64 r = Wide(selection);
    // Both products stay below 2^63: a side is under 2^32, a unit under 2^31.
    qint64 w = std::abs(r.r - r.l);
    qint64 h = std::abs(r.b - r.t);
    if (zone == 1 || zone == 7)
        w = a * h / b;
    else if (zone == 3 || zone == 5)
        h = b * w / a;
    else if (h * a >= w * b)
        h = b * w / a;
    else
        w = a * h / b;

    if (InColumn(zone, 0))
        r.l = r.r >= r.l ? r.r - w : r.r + w;
    else if (InColumn(zone, 1))
        Centre(r.l, r.r, w);
    else
        r.r = r.r >= r.l ? r.l + w : r.l - w;

    if (InRow(zone, 0))
        r.t = r.b >= r.t ? r.b - h : r.b + h;
    else if (InRow(zone, 1))
        Centre(r.t, r.b, h);
    else
        r.b = r.b >= r.t ? r.t + h : r.t - h;
    return Narrow(r);
}

TRect DragSelection(const TRect& selection, int zone, QPoint last, QPoint point, QSize units) {
    if (zone == 4)
        return MoveSelection(selection, Clamp32(qint64(point.x()) - last.x()),
                             Clamp32(qint64(point.y()) - last.y()));
    TRect r = selection;
    if (zone == -1) {
        r.Right = point.x();
        r.Bottom = point.y();
    }
    if (InColumn(zone, 0)) r.Left = point.x();
    if (InColumn(zone, 2)) r.Right = point.x();
    if (InRow(zone, 0)) r.Top = point.y();
    if (InRow(zone, 2)) r.Bottom = point.y();
    return ApplyRatio(r, zone, units);
}

TRect MoveSelection(const TRect& selection, int dx, int dy) {
    // The step is cut where a side would leave the 32-bit range, so the size never changes.
    constexpr qint64 kMin = std::numeric_limits<int>::min();
    constexpr qint64 kMax = std::numeric_limits<int>::max();
    const TRect64 s = Wide(selection);
    const qint64 x = std::clamp<qint64>(dx, kMin - std::min(s.l, s.r), kMax - std::max(s.l, s.r));
    const qint64 y = std::clamp<qint64>(dy, kMin - std::min(s.t, s.b), kMax - std::max(s.t, s.b));
    return Narrow({s.l + x, s.t + y, s.r + x, s.b + y});
}

TRect AutoCrop(const TRect& selection, QSize picture) {
    const TRect64 s = Wide(selection);
    const qint64 w = std::abs(s.r - s.l);
    const qint64 h = std::abs(s.b - s.t);
    const qint64 width = picture.width();
    const qint64 height = picture.height();
    if (w == 0 || h == 0 || width <= 0 || height <= 0) return {};
    qint64 nw = width;
    qint64 nh = height;
    if (height * w > width * h)  // the picture is relatively taller: the width decides
        nh = h * width / w;
    else
        nw = w * height / h;
    return Narrow({(width - nw) / 2, (height - nh) / 2, (width + nw) / 2, (height + nh) / 2});
}

TRect Normalised(const TRect& r) {
    return {std::min(r.Left, r.Right), std::min(r.Top, r.Bottom), std::max(r.Left, r.Right),
            std::max(r.Top, r.Bottom)};
}

bool HasArea(const TRect& r) {
    return r.Left != r.Right && r.Top != r.Bottom;
}

QImage MakeCropPicture(const QImage& original, const TPhotoInfo& info, int max) {
    return Finish(ResizeBitmap(original, max, info.Keep), info);
}

QSize CropPictureSize(QSize original, const TPhotoInfo& info, int max) {
    if (original.isEmpty()) return QSize(0, 0);  // as a null image's
    return OrientedSize(ResizedSize(original, max, info.Keep), info.Rotate);
}

QImage MakeCropPreview(const QImage& original, const TPhotoInfo& info, const TRect& crop, int max) {
    if (original.isNull()) return {};
    if (original.format() != kPixelFormat)
        return MakeCropPreview(original.convertToFormat(kPixelFormat), info, crop, max);
    const QImage view = CroppedView(original, crop);
    QImage preview = Finish(ResizeBitmap(view, max, info.Keep), info);
    // A stage that found nothing to do hands the view on; it must not outlive this call
    // as a window into the original, so it becomes a (small) picture of its own.
    if (view.size() != original.size() && preview.constBits() == view.constBits())
        preview = preview.copy();
    return preview;
}

}  // namespace vellumora
