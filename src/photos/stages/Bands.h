#pragma once

// Bands of rows: how the expensive stages use the idle cores on a big picture.
//
// A stage whose output rows each depend only on its input (never on another output row)
// hands its row loop to ForEachBand. The rows are cut into bands; the calling thread and
// whatever threads of the bands' pool are idle at that moment take bands until none is
// left, and ForEachBand returns when all are done. A pool thread that is busy is never
// waited for: the caller then runs the bands itself, so a stage called from a worker that
// other work already keeps busy costs no more than on one thread, and nesting cannot
// deadlock; nor is a helper that has not begun by the time every band is taken. Every row
// is computed by the same code whichever thread takes its band, so the result never
// depends on the number of threads.

#include <QImage>
#include <QRgb>
#include <functional>

namespace vellumora {

// How pictures are split. Tests and benchmarks change it; the result never depends on it.
struct TBandSplitting {
    // Threads working on one picture, the caller included: 0 means one per core, 1 never
    // splits.
    int threads = 0;
    // The least work (pixels of the stage's loop) a band is given: below twice this, about
    // 1 MP, a picture stays on the calling thread. There a split saves well under a
    // millisecond when a core is idle (colours of 512 K pixels: 0.95 to 0.63 ms), and
    // costs a few when other work keeps the cores busy (768 K pixels: 1.5 to 4.2 ms).
    qint64 minBandPixels = 512 * 1024;
};

TBandSplitting BandSplitting();
// Any thread; takes effect for the next ForEachBand.
void SetBandSplitting(const TBandSplitting& splitting);

// How many threads ForEachBand called on this thread would use at most, itself included.
int BandThreads();

// Runs band(first, end) over [0, rows), each row exactly once, in bands of consecutive
// rows, possibly on several threads at once; returns when every band is done. costPerRow
// is the pixels one row's work touches. An exception from a band is rethrown here.
void ForEachBand(int rows, qint64 costPerRow, const std::function<void(int first, int end)>& band);

// While one exists on a thread, ForEachBand keeps every band on that thread: for workers
// that already run one per core (the export engine's), where splitting would only make
// more threads than cores.
class TBandsOnThisThread {
public:
    TBandsOnThisThread();
    ~TBandsOnThisThread();
    TBandsOnThisThread(const TBandsOnThisThread&) = delete;
    TBandsOnThisThread& operator=(const TBandsOnThisThread&) = delete;

private:
    bool previous_;
};

// The writable rows of a picture, for bands writing at once. QImage::scanLine counts each
// call in the image (a write the bands would race on) and may detach, so the rows are
// taken here once, on the calling thread; the constructor detaches a shared image.
class TPixelRows {
public:
    explicit TPixelRows(QImage& image) : bits_(image.bits()), stride_(image.bytesPerLine()) {}
    QRgb* operator[](int y) const { return reinterpret_cast<QRgb*>(bits_ + y * stride_); }

private:
    uchar* bits_;
    qsizetype stride_;
};

}  // namespace vellumora
