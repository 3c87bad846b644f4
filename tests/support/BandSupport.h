#pragma once

// The stages split into bands of rows against the same stages on one thread.

#include <QImage>
#include <QString>
#include <cstring>
#include <functional>

#include "photos/stages/Bands.h"
#include "support/TestSupport.h"

namespace vellumora::test {

// Makes a picture with make() on one thread, then again with every picture split, however
// small, over 2, 3 and 8 threads (so down to one row a band, and more bands than rows), and
// says how the first split result differs from the one-thread one: empty when each is the
// same byte for byte. For QCOMPARE(DiffWithBands(...), QString()).
inline QString DiffWithBands(const std::function<QImage()>& make) {
    const TBandSplitting saved = BandSplitting();
    SetBandSplitting({1, saved.minBandPixels});
    const QImage one = make();
    QString diff = one.isNull() ? QStringLiteral("no picture on one thread") : QString();
    for (int threads : {2, 3, 8}) {
        if (!diff.isEmpty()) break;
        SetBandSplitting({threads, 1});
        const QImage split = make();
        diff = CompareImages(split, one);
        if (diff.isEmpty() && split.format() != one.format()) diff = QStringLiteral("format");
        // The channels compared, the bytes too: the fourth byte of each pixel as well.
        for (int y = 0; diff.isEmpty() && y < one.height(); ++y)
            if (std::memcmp(split.constScanLine(y), one.constScanLine(y),
                            size_t(one.width()) * size_t(one.depth()) / 8) != 0)
                diff = QStringLiteral("the bytes of row %1").arg(y);
        if (!diff.isEmpty()) diff = QStringLiteral("%1 threads: %2").arg(threads).arg(diff);
    }
    SetBandSplitting(saved);
    return diff;
}

}  // namespace vellumora::test
