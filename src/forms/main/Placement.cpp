#include "forms/main/Placement.h"

#include <algorithm>
#include <cstdlib>

namespace vellumora {
namespace {

// No desktop reaches this far: a stored value beyond it was not written by the program.
constexpr int kFarthest = 100000;
// A screen shows a window when this much of it (or all of a smaller one) is on that
// screen: enough to see it and take hold of it.
constexpr int kShownWidth = 100;
constexpr int kShownHeight = 40;
// Between an edit dialog and the photo.
constexpr int kGap = 8;

int KeptBetween(int start, int length, int low, int span) {
    // A window larger than the screen starts at the screen's start.
    return std::max(low, std::min(start, low + span - length));
}

// Moved, not resized, so that as much of it as fits lies on the screen.
QRect KeptOn(const QRect& r, const QRect& screen) {
    return QRect(QPoint(KeptBetween(r.left(), r.width(), screen.left(), screen.width()),
                        KeptBetween(r.top(), r.height(), screen.top(), screen.height())),
                 r.size());
}

qint64 Area(const QRect& r) {
    return r.isEmpty() ? 0 : qint64(r.width()) * r.height();
}

// The square of the distance between the rectangles' middles, in half pixels.
qint64 Distance2(const QRect& a, const QRect& b) {
    const qint64 dx = (2 * qint64(a.left()) + a.width()) - (2 * qint64(b.left()) + b.width());
    const qint64 dy = (2 * qint64(a.top()) + a.height()) - (2 * qint64(b.top()) + b.height());
    return dx * dx + dy * dy;
}

}  // namespace

QRect WindowPlace(const QRect& stored, const QList<QRect>& screens, QSize defaultSize) {
    const bool sane = stored.width() > 0 && stored.height() > 0 && stored.width() <= kFarthest &&
                      stored.height() <= kFarthest && std::abs(stored.left()) <= kFarthest &&
                      std::abs(stored.top()) <= kFarthest;
    const QRect* home = nullptr;
    qint64 homeArea = 0;
    for (const QRect& screen : screens) {
        if (!sane) break;
        const QRect shown = stored & screen;
        if (shown.width() < std::min(stored.width(), kShownWidth) ||
            shown.height() < std::min(stored.height(), kShownHeight))
            continue;
        if (!home || Area(shown) > homeArea) {
            home = &screen;
            homeArea = Area(shown);
        }
    }
    if (!home && screens.isEmpty()) return QRect(QPoint(0, 0), defaultSize);
    const QRect& screen = home ? *home : screens.first();
    QRect place = home ? stored : QRect(QPoint(0, 0), defaultSize);
    place.setSize(place.size().boundedTo(screen.size()));
    if (!home) place.moveTopLeft(CentredOver(screen, place.size(), screen));
    return KeptOn(place, screen);
}

QPoint CentredOver(const QRect& over, QSize size, const QRect& screen) {
    const QPoint corner(over.left() + (over.width() - size.width()) / 2,
                        over.top() + (over.height() - size.height()) / 2);
    return KeptOn(QRect(corner, size), screen).topLeft();
}

QPoint DialogBesidePhoto(const QRect& photo, const QRect& window, QSize dialog,
                         const QRect& screen) {
    const QRect shown = photo & screen;
    if (shown.isEmpty()) return CentredOver(window, dialog, screen);
    const int w = dialog.width(), h = dialog.height();
    // Centred on the photo along the side the dialog stands at, and kept on the screen
    // that way only: moved across the side, it would leave its place beside the photo.
    const int alongX =
        KeptBetween(shown.left() + (shown.width() - w) / 2, w, screen.left(), screen.width());
    const int alongY =
        KeptBetween(shown.top() + (shown.height() - h) / 2, h, screen.top(), screen.height());
    const QRect beside[] = {
        QRect(shown.right() + 1 + kGap, alongY, w, h),
        QRect(shown.left() - kGap - w, alongY, w, h),
        QRect(alongX, shown.bottom() + 1 + kGap, w, h),
        QRect(alongX, shown.top() - kGap - h, w, h),
    };
    for (const QRect& place : beside)
        if (screen.contains(place) && !place.intersects(shown)) return place.topLeft();

    // Along an edge, a corner covers no more of a rectangle than the middle of that edge
    // and is farther from the photo's middle, so the corners are the places to try.
    const auto at = [&](int x, int y) { return KeptOn(QRect(x, y, w, h), screen); };
    const int right = screen.right() + 1 - w, bottom = screen.bottom() + 1 - h;
    const QRect corners[] = {at(right, bottom), at(screen.left(), bottom), at(right, screen.top()),
                             at(screen.left(), screen.top())};
    const QRect* best = &corners[0];
    for (const QRect& place : corners) {
        const qint64 covered = Area(place & shown), least = Area(*best & shown);
        if (covered < least ||
            (covered == least && Distance2(place, shown) > Distance2(*best, shown)))
            best = &place;
    }
    return best->topLeft();
}

}  // namespace vellumora
