#pragma once

// Shows photos in a TPhoto without decoding big originals on the caller's (the window's)
// thread, and decodes the neighbours of the photo shown before they are asked for.

#include <QHash>
#include <QImage>
#include <QList>
#include <QObject>
#include <QThreadPool>
#include <functional>
#include <memory>

#include "photos/Photo.h"

namespace vellumora {

class TPhotoLoader : public QObject {
    Q_OBJECT

public:
    // Originals up to this many pixels decode at once where they are asked for: a worker
    // would not show them sooner. About 15 ms for a JPEG.
    static constexpr qint64 kInlinePixels = qint64(2) << 20;
    // The neighbours kept decoded besides the photo shown: at most two, and no more than
    // this many bytes together.
    static constexpr int kMaxNeighbours = 2;
    static constexpr qint64 kNeighbourBytes = qint64(512) << 20;
    // The sketches kept as first previews: 1.4 to 2.3 MB each.
    static constexpr qint64 kSketchBytes = qint64(64) << 20;

    explicit TPhotoLoader(TPhoto& photo, QObject* parent = nullptr);
    // Waits for the decodes that are running; those not started are dropped.
    ~TPhotoLoader() override;

    // Attaches the record to the photo. Its original comes from the neighbours already
    // decoded, from a decode here when it is small, or else from a worker: the photo is
    // then pending, showing a preview from a reduced decode where the file allows one,
    // and gets the original when it arrives, unless another record was shown meanwhile.
    // The neighbours given (the nearest first; null entries skipped) are decoded next,
    // within the budget; every other original is dropped. Null shows nothing.
    void Show(TPhotoInfo* record, const QList<const TPhotoInfo*>& neighbours = {});
    // Blocks until the shown record's original is in the photo: for what needs its
    // pixels (saving, the edit dialogs).
    void Finish();
    // The record is going away: its original and any decode of it are dropped, and the
    // photo lets go of it when it shows it. The neighbours' originals stay.
    void Forget(const TPhotoInfo* record);
    // Every record is going away: Forget for all.
    void Clear();
    // A small decode of the record's file for its thumbnail, after every other decode,
    // unless its original comes in first; reported through Decoded.
    void RequestThumbnail(const TPhotoInfo* record);
    // Whether a sketch of the record's photo is kept: the thumbnail's small decode, or a
    // shrunk copy of its original made once that was decoded (within kSketchBytes). It
    // is the first preview when the photo is shown again before its original is ready.
    bool HasSketch(const TPhotoInfo* record) const { return sketches_.contains(record); }

    // For tests and benchmarks: the inline limit in pixels (0: every original from a
    // worker), the budget of the neighbours, and what the workers decode with
    // (DecodeOriginal unless set; set it before the first Show).
    void SetInlinePixels(qint64 pixels) { inlinePixels_ = pixels; }
    using TDecoder = std::function<TOriginal(const QString& path, const TLoadOptions& options)>;
    void SetDecoder(TDecoder decoder) { decoder_ = std::move(decoder); }
    void SetBudget(int neighbours, qint64 bytes);
    void SetSketchBytes(qint64 bytes) { sketchBytes_ = bytes; }
    // Originals held besides the one shown, and their bytes.
    int HeldNeighbours() const;
    qint64 HeldNeighbourBytes() const;
    // Whether the record's original is decoded and held.
    bool Holds(const TPhotoInfo* record) const;

signals:
    // Every original that comes in, shown or not, once per decode, and the small decodes
    // asked for thumbnails (whole false).
    void Decoded(const vellumora::TPhotoInfo* record, const QImage& picture, bool whole);

private:
    struct TJob;
    class TTask;

    static std::shared_ptr<TJob> NewJob(const TPhotoInfo* record, const TLoadOptions& options);
    // Queues a decode; an original's (no reduction) is kept among the held ones, its size
    // in bytes estimated from the file's header unless given.
    std::shared_ptr<TJob> Start(const TPhotoInfo* record, int priority,
                                const TLoadOptions& options = {}, qint64 estimate = -1);
    // Gives the photo the record's decoded original.
    void TakeOriginal(TPhotoInfo* record, TJob& job);
    static bool IsDone(TJob& job);
    // Marks the job's work unwanted and lets go of what it was given.
    static void Cancel(TJob& job);
    static void WaitFor(TJob& job);
    // Tells the job's original to Decoded listeners, once.
    void Announce(TJob& job);
    void Arrived(const std::shared_ptr<TJob>& job);
    void KeepSketch(const TPhotoInfo* record, const QImage& sketch);
    // A sketch of a big original just decoded, for the next time its photo is shown
    // before the original is decoded again: made on a worker.
    void RequestSketch(TJob& job);
    qint64 HeldSketchBytes() const;
    void Drop(const TPhotoInfo* record);
    void KeepNeighbours(const QList<const TPhotoInfo*>& neighbours);

    TPhoto& photo_;
    TPhotoInfo* shown_ = nullptr;
    QList<const TPhotoInfo*> neighbours_;
    QHash<const TPhotoInfo*, std::shared_ptr<TJob>> jobs_;
    // The reduced decode of the photo shown, while its original is on the way.
    std::shared_ptr<TJob> preview_;
    QHash<const TPhotoInfo*, std::shared_ptr<TJob>> thumbnails_;
    QHash<const TPhotoInfo*, std::shared_ptr<TJob>> sketchJobs_;
    QHash<const TPhotoInfo*, QImage> sketches_;
    qint64 sketchBytes_ = kSketchBytes;
    QThreadPool pool_;
    qint64 inlinePixels_ = kInlinePixels;
    TDecoder decoder_;
    int maxNeighbours_ = kMaxNeighbours;
    qint64 neighbourBytes_ = kNeighbourBytes;
};

}  // namespace vellumora
