#pragma once

// Where the main window and the windows it opens go on the screen. Plain rules on
// rectangles in screen coordinates, so that they are tested without a desktop; the
// windows only measure themselves and move.

#include <QList>
#include <QPoint>
#include <QRect>
#include <QSize>

namespace vellumora {

// The window's place at start from the one it was left at. A place that a screen still
// shows is kept, moved and shrunk as needed to lie wholly on that screen; a place no
// screen shows (a screen taken away, values edited by hand) gives the default size,
// centred on the primary screen. screens are the screens' available rectangles, the
// primary one first.
QRect WindowPlace(const QRect& stored, const QList<QRect>& screens, QSize defaultSize);

// The top-left corner of a window of that size centred over `over`, moved onto the
// screen where it would hang over an edge.
QPoint CentredOver(const QRect& over, QSize size, const QRect& screen);

// The top-left corner of an edit dialog beside the photo rather than over it, so that
// Apply shows its result: right of the visible photo, else left of it, else below or
// above, each centred on the photo along that side and wholly on the screen. When no side
// has room, the screen's corner that covers the least of the photo (the farthest from its
// middle among equals). With no photo shown, centred over the window. photo is the
// photo's visible part; all in screen coordinates.
QPoint DialogBesidePhoto(const QRect& photo, const QRect& window, QSize dialog,
                         const QRect& screen);

}  // namespace vellumora
