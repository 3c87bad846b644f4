#include "photos/PhotoLoader.h"

#include <QFileInfo>
#include <QRunnable>
#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <mutex>
#include <utility>

#include "photos/stages/Render.h"
#include "photos/stages/Resize.h"

namespace vellumora {
namespace {

// A file whose header gives no size is decoded here when it is this small (broken or
// tiny files); a camera raw file goes to a worker.
constexpr qint64 kInlineFileBytes = qint64(2) << 20;

// The preview before the original it stands for, both before the neighbours.
constexpr int kPreviewPriority = 2;
constexpr int kShownPriority = 1;
constexpr int kNeighbourPriority = 0;
constexpr int kThumbnailPriority = -1;

// Enough for a thumbnail button, and the fastest decode there is.
constexpr int kThumbnailLongSide = 128;

// The long side of the sketch kept of an original once decoded: enough for the preview
// of a photo shrunk to 640 pixels, the built-in size.
constexpr int kSketchLongSide = 768;
// Right after the decode it follows: until it runs it holds on to the whole original.
constexpr int kSketchPriority = 3;

// The bytes an original of that size takes; 0 when the size is not known.
qint64 ImageBytes(QSize size) {
    return size.isValid() ? qint64(size.width()) * size.height() * 4 : 0;
}

}  // namespace

struct TPhotoLoader::TJob {
    const TPhotoInfo* record = nullptr;
    QString path;
    TLoadOptions options;
    qint64 estimate = 0;  // bytes the original will take, from the header; 0 unknown
    std::atomic<bool> cancelled = false;
    bool announced = false;  // the loader's thread only
    bool sketched = false;   // the same

    // A sketch to make from an original already decoded, instead of a decode.
    QImage source;

    std::mutex mutex;
    std::condition_variable finished;
    bool done = false;
    TOriginal result;
};

class TPhotoLoader::TTask : public QRunnable {
public:
    TTask(TPhotoLoader* loader, std::shared_ptr<TJob> job, TDecoder decoder)
        : loader_(loader), job_(std::move(job)), decoder_(std::move(decoder)) {}

    void run() override {
        TOriginal result;
        QImage source;
        {
            std::lock_guard lock(job_->mutex);
            source = std::exchange(job_->source, QImage());
        }
        if (!job_->cancelled && !source.isNull())
            result.image =
                ResampleBitmap(source, ResizedSize(source.size(), kSketchLongSide, true));
        else if (!job_->cancelled)
            result = decoder_ ? decoder_(job_->path, job_->options)
                              : DecodeOriginal(job_->path, job_->options);
        {
            std::lock_guard lock(job_->mutex);
            job_->result = std::move(result);
            job_->done = true;
        }
        job_->finished.notify_all();
        // The loader waits for its running tasks before it goes, so it is here; the call
        // is dropped with the loader if that is deleted before it runs.
        QMetaObject::invokeMethod(
            loader_, [loader = loader_, job = job_] { loader->Arrived(job); },
            Qt::QueuedConnection);
    }

private:
    TPhotoLoader* loader_;
    std::shared_ptr<TJob> job_;
    TDecoder decoder_;
};

TPhotoLoader::TPhotoLoader(TPhoto& photo, QObject* parent) : QObject(parent), photo_(photo) {
    // The shown photo and one neighbour at once: more would only share the same cores.
    pool_.setMaxThreadCount(2);
}

TPhotoLoader::~TPhotoLoader() {
    for (const auto* jobs : {&jobs_, &thumbnails_, &sketchJobs_})
        for (const auto& job : *jobs) Cancel(*job);
    if (preview_) Cancel(*preview_);
    pool_.clear();
    pool_.waitForDone();
}

void TPhotoLoader::SetBudget(int neighbours, qint64 bytes) {
    maxNeighbours_ = neighbours;
    neighbourBytes_ = bytes;
    KeepNeighbours(neighbours_);
}

bool TPhotoLoader::IsDone(TJob& job) {
    std::lock_guard lock(job.mutex);
    return job.done;
}

void TPhotoLoader::WaitFor(TJob& job) {
    std::unique_lock lock(job.mutex);
    job.finished.wait(lock, [&job] { return job.done; });
}

bool TPhotoLoader::Holds(const TPhotoInfo* record) const {
    const auto job = jobs_.value(record);
    return job && IsDone(*job) && !job->result.image.isNull();
}

int TPhotoLoader::HeldNeighbours() const {
    int count = 0;
    for (auto it = jobs_.begin(); it != jobs_.end(); ++it)
        if (it.key() != shown_ && Holds(it.key())) ++count;
    return count;
}

qint64 TPhotoLoader::HeldNeighbourBytes() const {
    qint64 bytes = 0;
    for (auto it = jobs_.begin(); it != jobs_.end(); ++it)
        if (it.key() != shown_ && Holds(it.key())) bytes += it.value()->result.image.sizeInBytes();
    return bytes;
}

std::shared_ptr<TPhotoLoader::TJob> TPhotoLoader::NewJob(const TPhotoInfo* record,
                                                         const TLoadOptions& options) {
    auto job = std::make_shared<TJob>();
    job->record = record;
    job->path = record->FileName;
    job->options = options;
    return job;
}

std::shared_ptr<TPhotoLoader::TJob> TPhotoLoader::Start(const TPhotoInfo* record, int priority,
                                                        const TLoadOptions& options,
                                                        qint64 estimate) {
    auto job = NewJob(record, options);
    if (!options.AllowsReduction()) {
        job->estimate = estimate >= 0 ? estimate : ImageBytes(ReadImageHeader(job->path).size);
        jobs_.insert(record, job);
    }
    pool_.start(new TTask(this, job, decoder_), priority);
    return job;
}

void TPhotoLoader::Announce(TJob& job) {
    if (job.announced) return;
    job.announced = true;
    if (job.result.image.isNull()) return;
    const bool whole = !job.options.AllowsReduction();
    // The original makes a thumbnail decode needless.
    if (whole)
        if (const auto thumbnail = thumbnails_.take(job.record)) Cancel(*thumbnail);
    emit Decoded(job.record, job.result.image, whole);
}

void TPhotoLoader::Cancel(TJob& job) {
    job.cancelled = true;
    std::lock_guard lock(job.mutex);
    job.source = QImage();
}

void TPhotoLoader::RequestSketch(TJob& job) {
    const QImage& image = job.result.image;
    if (std::exchange(job.sketched, true) || image.isNull() || job.options.AllowsReduction() ||
        qint64(image.width()) * image.height() <= inlinePixels_ ||
        std::max(image.width(), image.height()) <= kSketchLongSide ||
        sketches_.contains(job.record) || sketchJobs_.contains(job.record))
        return;
    // Only what can be kept is made.
    if (HeldSketchBytes() + ImageBytes(ResizedSize(image.size(), kSketchLongSide, true)) >
        sketchBytes_)
        return;
    auto sketch = NewJob(job.record, {});
    sketch->source = image;
    sketchJobs_.insert(job.record, sketch);
    pool_.start(new TTask(this, sketch, decoder_), kSketchPriority);
}

void TPhotoLoader::Drop(const TPhotoInfo* record) {
    if (const auto job = jobs_.take(record)) Cancel(*job);
}

void TPhotoLoader::RequestThumbnail(const TPhotoInfo* record) {
    if (!record || thumbnails_.contains(record) || Holds(record)) return;
    TLoadOptions options;
    options.minimumLongSide = kThumbnailLongSide;
    options.preview = true;
    thumbnails_.insert(record, Start(record, kThumbnailPriority, options));
}

void TPhotoLoader::Clear() {
    Show(nullptr);
    for (const auto& jobs : {&thumbnails_, &sketchJobs_}) {
        for (const auto& job : std::as_const(*jobs)) Cancel(*job);
        jobs->clear();
    }
    sketches_.clear();
}

void TPhotoLoader::Forget(const TPhotoInfo* record) {
    Drop(record);
    sketches_.remove(record);
    if (const auto sketch = sketchJobs_.take(record)) Cancel(*sketch);
    if (const auto thumbnail = thumbnails_.take(record)) Cancel(*thumbnail);
    if (preview_ && preview_->record == record) Cancel(*std::exchange(preview_, nullptr));
    neighbours_.removeAll(record);
    if (shown_ == record) shown_ = nullptr;
    // Detached before the record goes; the neighbours stay ready for what is shown next.
    if (photo_.Info() == record) photo_.AssignInfo(nullptr);
}

void TPhotoLoader::Show(TPhotoInfo* record, const QList<const TPhotoInfo*>& neighbours) {
    shown_ = record;
    if (preview_) Cancel(*std::exchange(preview_, nullptr));
    // Everything but the photo and its neighbours goes first, so that the budget is free.
    for (const TPhotoInfo* held : jobs_.keys())
        if (held != record && !neighbours.contains(held)) Drop(held);
    if (!record) {
        neighbours_.clear();
        photo_.AssignInfo(nullptr);
        return;
    }

    std::shared_ptr<TJob> job = jobs_.value(record);
    if (!job || !IsDone(*job)) {
        const TImageHeader header = ReadImageHeader(record->FileName);
        const bool small =
            header.size.isValid()
                ? qint64(header.size.width()) * header.size.height() <= inlinePixels_
                : QFileInfo(record->FileName).size() <= kInlineFileBytes && inlinePixels_ > 0;
        if (small) {
            // Decoded here even when a worker has it queued: it may wait behind the
            // neighbours' big decodes.
            Drop(record);
            job = NewJob(record, {});
            job->result = DecodeOriginal(job->path);
            job->done = true;
            jobs_.insert(record, job);
        } else {
            // Even the reduced decode reads every coefficient of the file (half the time
            // of the whole decode), so it runs beside it, on the other worker.
            const int minimum = header.reducible ? PreviewMinimumLongSide(header.size, *record) : 0;
            // The thumbnail's small decode shows at once; a sharper preview follows where
            // the settings need more pixels than it has.
            const QImage sketch = sketches_.value(record);
            if (minimum > 0 && std::max(sketch.width(), sketch.height()) < minimum) {
                TLoadOptions options;
                options.minimumLongSide = minimum;
                options.preview = true;
                preview_ = Start(record, kPreviewPriority, options);
            }
            if (!job) job = Start(record, kShownPriority, {}, ImageBytes(header.size));
            photo_.AssignPending(record, header.size, sketch);
        }
    }
    if (IsDone(*job)) TakeOriginal(record, *job);
    KeepNeighbours(neighbours);
}

void TPhotoLoader::KeepNeighbours(const QList<const TPhotoInfo*>& neighbours) {
    neighbours_.clear();
    int count = 0;
    qint64 bytes = 0;
    for (const TPhotoInfo* neighbour : neighbours) {
        if (!neighbour || neighbour == shown_ || neighbours_.contains(neighbour)) continue;
        const std::shared_ptr<TJob> job = jobs_.value(neighbour);
        // A neighbour not started yet is measured by its header first.
        const qint64 needed = !job           ? ImageBytes(ReadImageHeader(neighbour->FileName).size)
                              : IsDone(*job) ? job->result.image.sizeInBytes()
                                             : job->estimate;
        if (count >= maxNeighbours_ || bytes + needed > neighbourBytes_) {
            Drop(neighbour);
            continue;
        }
        ++count;
        bytes += needed;
        neighbours_ << neighbour;
        if (!job) Start(neighbour, kNeighbourPriority, {}, needed);
    }
}

void TPhotoLoader::Finish() {
    if (!shown_ || !photo_.Pending() || photo_.Info() != shown_) return;
    const std::shared_ptr<TJob> job = jobs_.value(shown_);
    if (!job) return;
    WaitFor(*job);
    TakeOriginal(shown_, *job);
}

void TPhotoLoader::TakeOriginal(TPhotoInfo* record, TJob& job) {
    Announce(job);
    photo_.AssignDecoded(record, job.result);
    // The sketch after the render, which it would otherwise slow down.
    RequestSketch(job);
}

qint64 TPhotoLoader::HeldSketchBytes() const {
    qint64 held = 0;
    for (const QImage& kept : std::as_const(sketches_)) held += kept.sizeInBytes();
    return held;
}

void TPhotoLoader::KeepSketch(const TPhotoInfo* record, const QImage& sketch) {
    if (sketch.isNull()) return;
    const qint64 held = HeldSketchBytes() - sketches_.value(record).sizeInBytes();
    if (held + sketch.sizeInBytes() <= sketchBytes_) sketches_.insert(record, sketch);
}

void TPhotoLoader::Arrived(const std::shared_ptr<TJob>& job) {
    const bool thumbnail = thumbnails_.value(job->record) == job;
    if (thumbnail || sketchJobs_.value(job->record) == job) {
        (thumbnail ? thumbnails_ : sketchJobs_).remove(job->record);
        if (thumbnail) Announce(*job);
        KeepSketch(job->record, job->result.image);
        return;
    }
    if (job == preview_) {
        preview_.reset();
        if (job->record == shown_ && photo_.Pending() && photo_.Info() == shown_)
            photo_.SetPreview(job->result.image);
        return;
    }
    // A decode of a record dropped meanwhile is not shown, late or ever.
    if (jobs_.value(job->record) != job) return;
    Announce(*job);
    // The sketch after the render, which it would otherwise slow down.
    if (job->record == shown_ && photo_.Pending() && photo_.Info() == shown_)
        photo_.AssignDecoded(shown_, job->result);
    RequestSketch(*job);
    if (job->record == shown_) return;
    // A neighbour whose size the header did not tell may not fit after all.
    KeepNeighbours(QList<const TPhotoInfo*>(neighbours_));
}

}  // namespace vellumora
