#pragma once

// Shows photos in a TPhoto without decoding big originals on the caller's (the window's)
// thread, and decodes the neighbours of the photo shown before they are asked for.

#include <QHash>
#include <QImage>
#include <QList>
#include <QObject>
#include <functional>
#include <memory>

#include "photos/Jobs.h"
#include "photos/Photo.h"
#include "photos/PhotoId.h"

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

    // The record of an open photo; null once it is closed.
    using TFind = std::function<TPhotoInfo*(TPhotoId photo)>;

    TPhotoLoader(TPhoto& photo, TFind find, QObject* parent = nullptr);
    // Waits for the decodes that are running; those not started are dropped.
    ~TPhotoLoader() override;

    // Attaches the photo's record to the photo object. Its original comes from the
    // neighbours already decoded, from a decode here when it is small, or else from a
    // worker: the photo is then pending, showing a preview from a reduced decode where
    // the file allows one, and gets the original when it arrives, unless another photo
    // was shown meanwhile. The neighbours given (the nearest first; 0 skipped) are decoded
    // next, within the budget; every other original is dropped. 0 shows nothing.
    void Show(TPhotoId shown, const QList<TPhotoId>& neighbours = {});
    // Whether Finish would wait: the shown record's original is still being decoded.
    bool Waiting() const;
    // Gives the photo the shown record's original now: for what needs its pixels
    // (saving, the edit dialogs). A decode no worker has started yet runs here at once,
    // ahead of everything queued; one running is waited for. Never waits for another
    // photo's decode.
    void Finish();
    // The photo is being closed (its record is still there): its original and any decode
    // of it are dropped, and the photo object lets go of its record when it shows it.
    // The neighbours' originals stay.
    void Forget(TPhotoId photo);
    // Every record is going away: Forget for all.
    void Clear();
    // A small decode of the photo's file for its thumbnail, after every other decode,
    // unless its original comes in first; reported through Decoded.
    void RequestThumbnail(TPhotoId photo);
    // Whether a sketch of the photo is kept: the thumbnail's small decode, or a
    // shrunk copy of its original made once that was decoded (within kSketchBytes). It
    // is the first preview when the photo is shown again before its original is ready.
    bool HasSketch(TPhotoId photo) const { return sketches_.contains(photo); }

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
    // Whether the photo's original is decoded and held.
    bool Holds(TPhotoId photo) const;

signals:
    // Every original that comes in, shown or not, once per decode, and the small decodes
    // asked for thumbnails (whole false).
    void Decoded(vellumora::TPhotoId photo, const QImage& picture, bool whole);

private:
    // The four kinds of work, most urgent first.
    enum class TKind {
        Preview,    // a reduced decode of the photo shown, while its original is on the way
        Original,   // the whole picture of the photo shown or of a neighbour
        Thumbnail,  // a small decode for a strip button
        Sketch,     // a shrunk copy of an original just decoded, kept as a first preview
    };
    struct TDecode;

    static std::shared_ptr<TDecode> NewDecode(TKind kind, TPhotoId photo, const QString& path,
                                              const TLoadOptions& options = {});
    // Queues a decode; an original's is kept among the held ones, its size in bytes
    // estimated from the file's header unless given.
    std::shared_ptr<TDecode> Start(TKind kind, TPhotoId photo, const TLoadOptions& options = {},
                                   qint64 estimate = -1);
    void Run(const std::shared_ptr<TDecode>& decode, QImage source = {});
    // Gives the photo the record's decoded original.
    void TakeOriginal(TDecode& decode);
    // Whether the photo object shows the shown photo's record, still waiting for it.
    bool ShownPending() const;
    static bool IsDone(const TDecode& decode);
    // Tells the decode's original to Decoded listeners, once.
    void Announce(TDecode& decode);
    void Arrived(const std::shared_ptr<TDecode>& decode);
    void KeepSketch(TPhotoId photo, const QImage& sketch);
    // A sketch of a big original just decoded, for the next time its photo is shown
    // before the original is decoded again: made on a worker.
    void RequestSketch(TDecode& decode);
    qint64 HeldSketchBytes() const;
    void Drop(TPhotoId photo);
    void KeepNeighbours(const QList<TPhotoId>& neighbours);

    TPhoto& photo_;
    TFind find_;
    TPhotoId shown_ = 0;
    QList<TPhotoId> neighbours_;
    QHash<TPhotoId, std::shared_ptr<TDecode>> jobs_;
    // The reduced decode of the photo shown, while its original is on the way.
    std::shared_ptr<TDecode> preview_;
    QHash<TPhotoId, std::shared_ptr<TDecode>> thumbnails_;
    QHash<TPhotoId, std::shared_ptr<TDecode>> sketchJobs_;
    QHash<TPhotoId, QImage> sketches_;
    qint64 sketchBytes_ = kSketchBytes;
    qint64 inlinePixels_ = kInlinePixels;
    TDecoder decoder_;
    int maxNeighbours_ = kMaxNeighbours;
    qint64 neighbourBytes_ = kNeighbourBytes;
    // Last, so that it goes first: its work uses what the members above hold.
    // The shown photo and one neighbour at once: more would only share the same cores.
    TJobRunner runner_{2};
};

}  // namespace vellumora
