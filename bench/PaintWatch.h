#pragma once

// What the window benchmarks share: a watch on the photo view's paints, and the line
// that reports a series of times.

#include <QApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QObject>
#include <algorithm>
#include <cstdio>
#include <vector>

#include "photos/Photo.h"

namespace vellumora::bench {

// Each paint of the photo view that showed a picture (the area at the photo's size comes
// at once, before any), and whether it was the exact one rather than a preview. A paint
// is over once the event loop returns.
class TPaintWatch : public QObject {
public:
    explicit TPaintWatch(const TPhoto& photo) : photo_(photo) {}
    bool picture = false;
    bool exact = false;
    void Reset() { picture = exact = false; }
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint && !photo_.Rendered().isNull()) {
            picture = true;
            exact = exact || photo_.Exact();
        }
        return false;
    }

private:
    const TPhoto& photo_;
};

// Measures how long each event the window's thread handles takes: while one is handled,
// nothing else is answered.
class TTimedApplication : public QApplication {
public:
    using QApplication::QApplication;
    double longestMs = 0;

    bool notify(QObject* receiver, QEvent* event) override {
        if (depth_++ > 0) {
            const bool result = QApplication::notify(receiver, event);
            --depth_;
            return result;
        }
        QElapsedTimer timer;
        timer.start();
        const bool result = QApplication::notify(receiver, event);
        longestMs = std::max(longestMs, timer.nsecsElapsed() / 1e6);
        --depth_;
        return result;
    }

private:
    int depth_ = 0;
};

// Median, minimum and maximum of the times, in milliseconds, on one line.
inline void Report(const char* what, std::vector<double> ms) {
    std::sort(ms.begin(), ms.end());
    std::printf("%-56s median %7.1f ms  (min %7.1f, max %7.1f, %zu runs)\n", what,
                ms[ms.size() / 2], ms.front(), ms.back(), ms.size());
}

}  // namespace vellumora::bench
