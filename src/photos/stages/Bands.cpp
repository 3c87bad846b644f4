#include "photos/stages/Bands.h"

#include <QRunnable>
#include <QThread>
#include <QThreadPool>
#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <exception>
#include <memory>
#include <mutex>

#include "photos/Jobs.h"

namespace vellumora {
namespace {

std::atomic<int> splitThreads{0};
std::atomic<qint64> splitMinBandPixels{TBandSplitting{}.minBandPixels};

thread_local bool bandsOnThisThread = false;

// The bands' own pool, apart from the job runners' and Qt's global one, so that a helper
// is only ever a thread with nothing else to do: its size is the threads beside the caller.
// It goes at exit, after waiting for its threads.
QThreadPool* PoolFor(int helpers) {
    static QThreadPool pool;
    static std::mutex mutex;
    std::lock_guard lock(mutex);
    if (pool.maxThreadCount() != helpers) pool.setMaxThreadCount(helpers);
    return &pool;
}

// The bands of one call, shared by the caller and its helpers. The caller returns once
// every band is done, without waiting for a helper that has not begun: on a machine busy
// with other work a helper may be scheduled long after the caller has taken every band,
// and then finds none. So the helpers hold this by a shared pointer, and touch the band
// only for an index below `bands`, which the caller waits for.
struct TBandWork {
    TBandWork(const std::function<void(int, int)>& band, int rows, int bands)
        : band(band), rows(rows), bands(bands) {}

    const std::function<void(int, int)>& band;
    const int rows;
    const int bands;
    std::atomic<int> next{0};
    std::atomic<bool> failed{false};
    std::mutex mutex;
    std::condition_variable finished;
    int done = 0;                // under mutex: bands run, or skipped after a failure
    std::exception_ptr failure;  // under mutex

    // Takes bands until none is left. After a failure the bands still taken are skipped.
    void Take() {
        for (;;) {
            const int b = next.fetch_add(1);
            if (b >= bands) return;
            std::exception_ptr thrown;
            if (!failed) {
                try {
                    band(int(qint64(rows) * b / bands), int(qint64(rows) * (b + 1) / bands));
                } catch (...) {
                    thrown = std::current_exception();
                    failed = true;
                }
            }
            std::lock_guard lock(mutex);
            if (thrown && !failure) failure = thrown;
            if (++done == bands) finished.notify_all();
        }
    }
};

}  // namespace

TBandSplitting BandSplitting() {
    return {splitThreads.load(), splitMinBandPixels.load()};
}

void SetBandSplitting(const TBandSplitting& splitting) {
    splitThreads = splitting.threads;
    splitMinBandPixels = splitting.minBandPixels;
}

int BandThreads() {
    if (bandsOnThisThread) return 1;
    const int threads = splitThreads;
    return threads > 0 ? threads : std::max(1, QThread::idealThreadCount());
}

TBandsOnThisThread::TBandsOnThisThread() : previous_(bandsOnThisThread) {
    bandsOnThisThread = true;
}

TBandsOnThisThread::~TBandsOnThisThread() {
    bandsOnThisThread = previous_;
}

void ForEachBand(int rows, qint64 costPerRow, const std::function<void(int first, int end)>& band) {
    if (rows <= 0) return;
    const int threads = BandThreads();
    const qint64 work = qint64(rows) * std::max<qint64>(costPerRow, 1);
    // Up to four bands a thread, so that a helper that starts late still finds a share.
    const qint64 bands = std::min(
        {qint64(rows), work / std::max<qint64>(splitMinBandPixels, 1), qint64(threads) * 4});
    if (threads <= 1 || bands <= 1) {
        band(0, rows);
        return;
    }

    const auto shared = std::make_shared<TBandWork>(band, rows, int(bands));
    QThreadPool* pool = PoolFor(threads - 1);
    const int helpers = int(std::min<qint64>(threads, bands)) - 1;
    for (int h = 0; h < helpers; ++h) {
        // Made before the hand-off, like everything the helper reads.
        QRunnable* helper = QRunnable::create([shared] {
            detail::TakeOver();
            shared->Take();
        });
        detail::HandOver();
        // Only a thread that is idle now: one that would have to be waited for is not.
        if (!pool->tryStart(helper)) {
            delete helper;
            break;
        }
    }
    shared->Take();
    std::unique_lock lock(shared->mutex);
    shared->finished.wait(lock, [&] { return shared->done == shared->bands; });
    if (shared->failure) std::rethrow_exception(shared->failure);
}

}  // namespace vellumora
