#pragma once

// The batch dialog's work off the window's thread: thumbnails of added files, and the run.
// Results come back as signals on the thread that owns the object (the window's), so the
// window keeps painting and answering while files are read and written.

#include <QImage>
#include <QObject>
#include <QString>
#include <QStringList>
#include <atomic>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>
#include <vector>

#include "photos/batch/Batch.h"

namespace vellumora {

// Makes thumbnails of files on one thread per core.
class TThumbnailLoader : public QObject {
    Q_OBJECT

public:
    explicit TThumbnailLoader(QObject* parent = nullptr);
    // Drops what is queued and waits for the files being read.
    ~TThumbnailLoader() override;

    // Queues the files; each gets a key, one above the one before, the first returned.
    // Loaded follows once per file, in the order they are done.
    quint64 Add(const QStringList& files);
    // Forgets every file added so far: queued ones are dropped, and the ones being read
    // are not reported.
    void Cancel();

signals:
    // thumbnail is null when the file cannot be read.
    void Loaded(quint64 key, const QString& file, const QImage& thumbnail);

private:
    struct TJob {
        quint64 key;
        QString file;
    };
    void Work();
    void Report(quint64 key, const QString& file, const QImage& thumbnail);

    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<TJob> queue_;
    std::vector<std::thread> threads_;
    bool quit_ = false;
    quint64 nextKey_ = 0;
    // Keys below this were cancelled. Read and written on the owner's thread only.
    quint64 firstValid_ = 0;
};

// One run of RunBatch at a time, on a thread of its own.
class TBatchJob : public QObject {
    Q_OBJECT

public:
    explicit TBatchJob(QObject* parent = nullptr);
    // Stops a run and waits for the files in progress.
    ~TBatchJob() override;

    // Starts a run; false while one is still going.
    bool Start(std::vector<TPhotoInfo> entries, TBatchOptions options);
    // Ends the run after the files in progress; no new file starts. Any thread.
    void Stop();
    // From Start until Finished is emitted.
    bool Running() const { return running_; }
    bool Stopping() const { return running_ && stop_; }

signals:
    void Progress(const vellumora::TBatchItem& item, int done, int total);
    void Finished(const vellumora::TBatchResult& result);

private:
    std::thread thread_;
    std::atomic<bool> stop_{false};
    bool running_ = false;
};

}  // namespace vellumora

Q_DECLARE_METATYPE(vellumora::TBatchItem)
Q_DECLARE_METATYPE(vellumora::TBatchResult)
