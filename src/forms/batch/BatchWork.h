#pragma once

// The batch dialog's work off the window's thread: thumbnails of added files, and the run.
// Results come back as signals on the thread that owns the object (the window's), so the
// window keeps painting and answering while files are read and written.

#include <QImage>
#include <QObject>
#include <QString>
#include <QStringList>
#include <vector>

#include "photos/Jobs.h"
#include "photos/batch/Batch.h"

namespace vellumora {

// Makes thumbnails of files on one thread per core.
class TThumbnailLoader : public QObject {
    Q_OBJECT

public:
    explicit TThumbnailLoader(QObject* parent = nullptr);

    // Queues the files; each gets a key, one above the one before, the first returned.
    // Loaded follows once per file, in the order they are done.
    quint64 Add(const QStringList& files);
    // Forgets every file added so far: queued ones are dropped, and the ones being read
    // are not reported.
    void Cancel() { runner_.CancelAll(); }

signals:
    // thumbnail is null when the file cannot be read.
    void Loaded(quint64 key, const QString& file, const QImage& thumbnail);

private:
    quint64 nextKey_ = 0;
    // Last, so that it goes first: it drops what is queued and waits for the files being
    // read.
    TJobRunner runner_;
};

// One run of RunBatch at a time, off the window's thread.
class TBatchJob : public QObject {
    Q_OBJECT

public:
    explicit TBatchJob(QObject* parent = nullptr);

    // Starts a run; false while one is still going.
    bool Start(std::vector<TPhotoInfo> entries, TBatchOptions options);
    // Ends the run after the files in progress, which are still reported; no new file
    // starts.
    void Stop() { job_.Stop(); }
    // From Start until Finished is emitted.
    bool Running() const { return running_; }
    bool Stopping() const { return running_ && job_.Stopping(); }

signals:
    void Progress(const vellumora::TBatchItem& item, int done, int total);
    void Finished(const vellumora::TBatchResult& result);

private:
    bool running_ = false;
    TJob job_;
    // Last, so that it goes first: it stops a run and waits for the files in progress.
    TJobRunner runner_{1};
};

}  // namespace vellumora

Q_DECLARE_METATYPE(vellumora::TBatchItem)
Q_DECLARE_METATYPE(vellumora::TBatchResult)
