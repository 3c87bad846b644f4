#include "forms/batch/BatchWork.h"

#include <algorithm>

#include "forms/batch/BatchList.h"

namespace vellumora {

TThumbnailLoader::TThumbnailLoader(QObject* parent) : QObject(parent) {}

TThumbnailLoader::~TThumbnailLoader() {
    {
        std::lock_guard lock(mutex_);
        quit_ = true;
        queue_.clear();
    }
    wake_.notify_all();
    for (std::thread& thread : threads_) thread.join();
}

quint64 TThumbnailLoader::Add(const QStringList& files) {
    const quint64 first = nextKey_;
    {
        std::lock_guard lock(mutex_);
        for (const QString& file : files) queue_.push_back(TJob{nextKey_++, file});
        // The threads start with the first files and then wait for more.
        const int wanted = int(std::max(1u, std::thread::hardware_concurrency()));
        while (int(threads_.size()) < wanted) threads_.emplace_back([this] { Work(); });
    }
    wake_.notify_all();
    return first;
}

void TThumbnailLoader::Cancel() {
    std::lock_guard lock(mutex_);
    queue_.clear();
    firstValid_ = nextKey_;
}

void TThumbnailLoader::Work() {
    for (;;) {
        TJob job;
        {
            std::unique_lock lock(mutex_);
            wake_.wait(lock, [this] { return quit_ || !queue_.empty(); });
            if (quit_) return;
            job = std::move(queue_.front());
            queue_.pop_front();
        }
        const QImage thumbnail = LoadBatchThumbnail(job.file);
        // Posted to the owner's thread; the destructor joins this thread first, so the
        // object is alive when this is posted, and Qt drops what is still queued for an
        // object that is gone.
        QMetaObject::invokeMethod(
            this,
            [this, key = job.key, file = job.file, thumbnail] { Report(key, file, thumbnail); },
            Qt::QueuedConnection);
    }
}

void TThumbnailLoader::Report(quint64 key, const QString& file, const QImage& thumbnail) {
    if (key >= firstValid_) emit Loaded(key, file, thumbnail);
}

TBatchJob::TBatchJob(QObject* parent) : QObject(parent) {}

TBatchJob::~TBatchJob() {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
}

bool TBatchJob::Start(std::vector<TPhotoInfo> entries, TBatchOptions options) {
    if (running_) return false;
    if (thread_.joinable()) thread_.join();
    running_ = true;
    stop_ = false;
    thread_ = std::thread([this, entries = std::move(entries), options = std::move(options)] {
        TExportRun run;
        run.stop = &stop_;
        run.progress = [this](const TBatchItem& item, int done, int total) {
            QMetaObject::invokeMethod(
                this, [this, item, done, total] { emit Progress(item, done, total); },
                Qt::QueuedConnection);
            return !stop_;
        };
        const TBatchResult result = RunBatch(entries, options, run);
        QMetaObject::invokeMethod(
            this,
            [this, result] {
                thread_.join();
                running_ = false;
                emit Finished(result);
            },
            Qt::QueuedConnection);
    });
    return true;
}

void TBatchJob::Stop() {
    stop_ = true;
}

}  // namespace vellumora
