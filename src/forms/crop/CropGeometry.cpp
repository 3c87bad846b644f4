#include "forms/crop/CropGeometry.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <numeric>
#include <utility>

#include "photos/stages/Stages.h"

namespace vellumora {
namespace {

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

QImage BalanceColors(QImage image, const TPhotoInfo& info) {
    return AdjustColors(std::move(image), info.Contrast, info.Brightness, info.Red, info.Green,
                        info.Blue, info.Grayscale, info.Negative);
}

}  // namespace

int HitTest(const TRect& selection, QPoint point) {
    const qint64 x = point.x();
    const qint64 y = point.y();
    const TWideRect s = Widened(selection);
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
    if (code == kRatioOriginal) return picture;
    if (code < kRatioFirstPrint || code >= kRatioCount) return {0, 0};
    const TPrintRatio& ratio = kPrintRatios[code - kRatioFirstPrint];
    return {ratio.width, ratio.height};
}

TRect ApplyRatio(const TRect& selection, int zone, QSize units) {
    const qint64 a = units.width();
    const qint64 b = units.height();
    if (a <= 0 || b <= 0) return selection;
    TWideRect r = Widened(selection);
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
    return Narrowed(r);
}

TRect DragSelection(const TRect& selection, int zone, QPoint last, QPoint point, QSize units) {
    if (zone == 4)
        return MoveSelection(selection, ClampToInt(qint64(point.x()) - last.x()),
                             ClampToInt(qint64(point.y()) - last.y()));
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
    const TWideRect s = Widened(selection);
    const qint64 x = std::clamp<qint64>(dx, kMin - std::min(s.l, s.r), kMax - std::max(s.l, s.r));
    const qint64 y = std::clamp<qint64>(dy, kMin - std::min(s.t, s.b), kMax - std::max(s.t, s.b));
    return Narrowed({s.l + x, s.t + y, s.r + x, s.b + y});
}

TRect AutoCrop(const TRect& selection, QSize picture) {
    const TWideRect s = Widened(selection);
    return CentredRatioRect(picture, std::abs(s.r - s.l), std::abs(s.b - s.t));
}

TRect Normalised(const TRect& r) {
    return {std::min(r.Left, r.Right), std::min(r.Top, r.Bottom), std::max(r.Left, r.Right),
            std::max(r.Top, r.Bottom)};
}

bool HasArea(const TRect& r) {
    return r.Left != r.Right && r.Top != r.Bottom;
}

QRect PictureBox(QSize picture, QSize panel, int max) {
    const int room = std::min(panel.width() - 16, panel.height() - 24);
    const double scale = max > 0 ? std::max(1.0, double(room) / max) : 1.0;
    const int w = int(std::lround(picture.width() * scale));
    const int h = int(std::lround(picture.height() * scale));
    return {(panel.width() - w) / 2, (room + 24 - h) / 2 + 4, w, h};
}

QPoint BoxToPicture(QPoint point, QSize picture, QSize box) {
    if (box.isEmpty() || picture.isEmpty()) return point;
    const auto along = [](int v, int to, int from) {
        return ClampToInt(qint64(std::floor(double(v) * to / from)));
    };
    return {along(point.x(), picture.width(), box.width()),
            along(point.y(), picture.height(), box.height())};
}

QRect PictureToBox(const TRect& r, QSize picture, QSize box) {
    const TRect n = Normalised(r);
    if (picture.isEmpty()) return QRect(QPoint(n.Left, n.Top), QPoint(n.Right - 1, n.Bottom - 1));
    const auto along = [](int v, int to, int from) {
        return ClampToInt(qint64(std::lround(double(v) * to / from)));
    };
    const int l = along(n.Left, box.width(), picture.width());
    const int t = along(n.Top, box.height(), picture.height());
    const int rr = along(n.Right, box.width(), picture.width());
    const int b = along(n.Bottom, box.height(), picture.height());
    return {l, t, rr - l, b - t};
}

int HitTestOnBox(const TRect& selection, QPoint point, QSize picture, QSize box) {
    return HitTest(selection, BoxToPicture(point, picture, box));
}

std::array<QRect, 8> HandleRects(const QRect& box, int size) {
    std::array<QRect, 8> handles{};
    if (box.isEmpty()) return handles;
    const int xs[3] = {box.left(), box.left() + box.width() / 2, box.left() + box.width() - 1};
    const int ys[3] = {box.top(), box.top() + box.height() / 2, box.top() + box.height() - 1};
    int i = 0;
    for (int row = 0; row < 3; ++row)
        for (int column = 0; column < 3; ++column) {
            if (row == 1 && column == 1) continue;
            handles[i++] = QRect(xs[column] - size / 2, ys[row] - size / 2, size, size);
        }
    return handles;
}

QRgb DimmedRgb(QRgb rgb) {
    const auto dim = [](int c) { return c - c * 2 / 5; };
    return qRgb(dim(qRed(rgb)), dim(qGreen(rgb)), dim(qBlue(rgb)));
}

QImage DimmedPicture(const QImage& picture) {
    QImage dimmed = picture.convertToFormat(QImage::Format_RGB32);
    for (int y = 0; y < dimmed.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(dimmed.scanLine(y));
        for (int x = 0; x < dimmed.width(); ++x) line[x] = DimmedRgb(line[x]);
    }
    return dimmed;
}

QString SelectionText(const TRect& crop, QSize original, int rotate) {
    const TWideRect c = Widened(Normalised(crop));
    const qint64 w = std::min<qint64>(c.r, original.width()) - std::max<qint64>(c.l, 0);
    const qint64 h = std::min<qint64>(c.b, original.height()) - std::max<qint64>(c.t, 0);
    if (!HasArea(crop) || w <= 0 || h <= 0) return QStringLiteral("Whole photo");
    const QSize shown = OrientedSize(QSize(int(w), int(h)), rotate);
    const int g = std::gcd(shown.width(), shown.height());
    const int a = shown.width() / g;
    const int b = shown.height() / g;
    const QString ratio = a <= 32 && b <= 32 ? QStringLiteral("%1 : %2").arg(a).arg(b)
                          : a >= b ? QStringLiteral("%1 : 1").arg(double(a) / b, 0, 'f', 2)
                                   : QStringLiteral("1 : %1").arg(double(b) / a, 0, 'f', 2);
    return QStringLiteral("%1 \u00D7 %2 pixels, %3")
        .arg(shown.width())
        .arg(shown.height())
        .arg(ratio);
}

QImage MakeCropPicture(const QImage& original, const TPhotoInfo& info, int max) {
    return MakeCropPreview(original, info, {}, max);
}

QSize CropPictureSize(QSize original, const TPhotoInfo& info, int max) {
    if (original.isEmpty()) return QSize(0, 0);  // as a null image's
    return OrientedSize(ResizedSize(original, max, info.Keep), info.Rotate);
}

QImage MakeCropPreview(const QImage& original, const TPhotoInfo& info, const TRect& crop, int max) {
    return BalanceColors(PreviewGeometry(original, crop, max, info.Keep, info.Rotate), info);
}

}  // namespace vellumora
