#include "photos/PhotoLoader.h"

#include <QFileInfo>
#include <algorithm>
#include <utility>

#include "photos/stages/Render.h"
#include "photos/stages/Resize.h"

namespace vellumora {
namespace {

// A file whose header gives no size is decoded here when it is this small (broken or
// tiny files); a camera raw file goes to a worker.
constexpr qint64 kInlineFileBytes = qint64(2) << 20;

// Enough for a thumbnail button, and the fastest decode there is.
constexpr int kThumbnailLongSide = 128;

// The long side of the sketch kept of an original once decoded: enough for the preview
// of a photo shrunk to 640 pixels, the built-in size.
constexpr int kSketchLongSide = 768;

// The bytes an original of that size takes; 0 when the size is not known.
qint64 ImageBytes(QSize size) {
    return size.isValid() ? qint64(size.width()) * size.height() * 4 : 0;
}

}  // namespace

struct TPhotoLoader::TDecode {
    TKind kind = TKind::Original;
    TPhotoId photo = 0;
    QString path;
    TLoadOptions options;
    qint64 estimate = 0;     // bytes the original will take, from the header; 0 unknown
    bool announced = false;  // the loader's thread only
    bool sketched = false;   // the same
    bool decodedHere = false;
    TJob job;
    // Written by the work, read once the job has finished.
    TOriginal result;
};

TPhotoLoader::TPhotoLoader(TPhoto& photo, TFind find, QObject* parent)
    : QObject(parent), photo_(photo), find_(std::move(find)) {}

// The runner, the last member, cancels what is queued and waits for what runs.
TPhotoLoader::~TPhotoLoader() = default;

void TPhotoLoader::SetBudget(int neighbours, qint64 bytes) {
    maxNeighbours_ = neighbours;
    neighbourBytes_ = bytes;
    KeepNeighbours(neighbours_);
}

bool TPhotoLoader::IsDone(const TDecode& decode) {
    return decode.decodedHere || decode.job.Finished();
}

bool TPhotoLoader::Holds(TPhotoId photo) const {
    const auto decode = jobs_.value(photo);
    return decode && IsDone(*decode) && !decode->result.image.isNull();
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

std::shared_ptr<TPhotoLoader::TDecode> TPhotoLoader::NewDecode(TKind kind, TPhotoId photo,
                                                               const QString& path,
                                                               const TLoadOptions& options) {
    auto decode = std::make_shared<TDecode>();
    decode->kind = kind;
    decode->photo = photo;
    decode->path = path;
    decode->options = options;
    return decode;
}

std::shared_ptr<TPhotoLoader::TDecode> TPhotoLoader::Start(TKind kind, TPhotoId photo,
                                                           const TLoadOptions& options,
                                                           qint64 estimate) {
    auto decode = NewDecode(kind, photo, find_(photo)->FileName, options);
    if (kind == TKind::Original) {
        decode->estimate =
            estimate >= 0 ? estimate : ImageBytes(ReadImageHeader(decode->path).size);
        jobs_.insert(photo, decode);
    }
    Run(decode);
    return decode;
}

void TPhotoLoader::Run(const std::shared_ptr<TDecode>& decode, QImage source) {
    // A sketch comes right after the original it shrinks, which it holds until it runs;
    // the preview before the original it stands for; the shown photo's original before
    // the neighbours'; thumbnails last.
    int priority = 0;
    switch (decode->kind) {
        case TKind::Sketch:
            priority = 3;
            break;
        case TKind::Preview:
            priority = 2;
            break;
        case TKind::Original:
            priority = decode->photo == shown_ ? 1 : 0;
            break;
        case TKind::Thumbnail:
            priority = -1;
            break;
    }
    decode->job = runner_.Start(
        [decode, source = std::move(source), decoder = decoder_](const TJobContext&) mutable {
            if (decode->kind == TKind::Sketch)
                decode->result.image =
                    ResampleBitmap(source, ResizedSize(source.size(), kSketchLongSide, true));
            else
                decode->result = decoder ? decoder(decode->path, decode->options)
                                         : DecodeOriginal(decode->path, decode->options);
        },
        [this, decode] { Arrived(decode); }, priority);
}

void TPhotoLoader::Announce(TDecode& decode) {
    if (decode.announced) return;
    decode.announced = true;
    if (decode.result.image.isNull()) return;
    const bool whole = decode.kind == TKind::Original;
    // The original makes a thumbnail decode needless.
    if (whole)
        if (const auto thumbnail = thumbnails_.take(decode.photo)) thumbnail->job.Cancel();
    emit Decoded(decode.photo, decode.result.image, whole);
}

void TPhotoLoader::RequestSketch(TDecode& decode) {
    const QImage& image = decode.result.image;
    if (std::exchange(decode.sketched, true) || image.isNull() || decode.kind != TKind::Original ||
        qint64(image.width()) * image.height() <= inlinePixels_ ||
        std::max(image.width(), image.height()) <= kSketchLongSide ||
        sketches_.contains(decode.photo) || sketchJobs_.contains(decode.photo))
        return;
    // Only what can be kept is made.
    if (HeldSketchBytes() + ImageBytes(ResizedSize(image.size(), kSketchLongSide, true)) >
        sketchBytes_)
        return;
    auto sketch = NewDecode(TKind::Sketch, decode.photo, decode.path);
    sketchJobs_.insert(decode.photo, sketch);
    Run(sketch, image);
}

void TPhotoLoader::Drop(TPhotoId photo) {
    if (const auto decode = jobs_.take(photo)) decode->job.Cancel();
}

void TPhotoLoader::RequestThumbnail(TPhotoId photo) {
    if (!find_(photo) || thumbnails_.contains(photo) || Holds(photo)) return;
    TLoadOptions options;
    options.minimumLongSide = kThumbnailLongSide;
    options.preview = true;
    thumbnails_.insert(photo, Start(TKind::Thumbnail, photo, options));
}

void TPhotoLoader::Clear() {
    Show(0);
    for (const auto& decodes : {&thumbnails_, &sketchJobs_}) {
        for (const auto& decode : std::as_const(*decodes)) decode->job.Cancel();
        decodes->clear();
    }
    sketches_.clear();
}

void TPhotoLoader::Forget(TPhotoId photo) {
    Drop(photo);
    sketches_.remove(photo);
    if (const auto sketch = sketchJobs_.take(photo)) sketch->job.Cancel();
    if (const auto thumbnail = thumbnails_.take(photo)) thumbnail->job.Cancel();
    if (preview_ && preview_->photo == photo) std::exchange(preview_, nullptr)->job.Cancel();
    neighbours_.removeAll(photo);
    if (shown_ == photo) shown_ = 0;
    // Detached before the record goes; the neighbours stay ready for what is shown next.
    if (const TPhotoInfo* record = find_(photo); record && photo_.Info() == record)
        photo_.AssignInfo(nullptr);
}

void TPhotoLoader::Show(TPhotoId shown, const QList<TPhotoId>& neighbours) {
    TPhotoInfo* record = find_(shown);
    shown_ = record ? shown : 0;
    if (preview_) std::exchange(preview_, nullptr)->job.Cancel();
    // Everything but the photo and its neighbours goes first, so that the budget is free.
    for (const TPhotoId held : jobs_.keys())
        if (held != shown_ && !neighbours.contains(held)) Drop(held);
    if (!record) {
        neighbours_.clear();
        photo_.AssignInfo(nullptr);
        return;
    }

    std::shared_ptr<TDecode> decode = jobs_.value(shown);
    if (!decode || !IsDone(*decode)) {
        const TImageHeader header = ReadImageHeader(record->FileName);
        const bool small =
            header.size.isValid()
                ? qint64(header.size.width()) * header.size.height() <= inlinePixels_
                : QFileInfo(record->FileName).size() <= kInlineFileBytes && inlinePixels_ > 0;
        if (small) {
            // Decoded here even when a worker has it queued: it may wait behind the
            // neighbours' big decodes.
            Drop(shown);
            decode = NewDecode(TKind::Original, shown, record->FileName);
            decode->result = DecodeOriginal(decode->path);
            decode->decodedHere = true;
            jobs_.insert(shown, decode);
        } else {
            // Even the reduced decode reads every coefficient of the file (half the time
            // of the whole decode), so it runs beside it, on the other worker.
            const int minimum = header.reducible ? PreviewMinimumLongSide(header.size, *record) : 0;
            // The thumbnail's small decode shows at once; a sharper preview follows where
            // the settings need more pixels than it has.
            const QImage sketch = sketches_.value(shown);
            if (minimum > 0 && std::max(sketch.width(), sketch.height()) < minimum) {
                TLoadOptions options;
                options.minimumLongSide = minimum;
                options.preview = true;
                preview_ = Start(TKind::Preview, shown, options);
            }
            if (!decode) decode = Start(TKind::Original, shown, {}, ImageBytes(header.size));
            photo_.AssignPending(record, header.size, sketch);
        }
    }
    if (IsDone(*decode)) TakeOriginal(*decode);
    KeepNeighbours(neighbours);
}

void TPhotoLoader::KeepNeighbours(const QList<TPhotoId>& neighbours) {
    neighbours_.clear();
    int count = 0;
    qint64 bytes = 0;
    for (const TPhotoId neighbour : neighbours) {
        const TPhotoInfo* record = find_(neighbour);
        if (!record || neighbour == shown_ || neighbours_.contains(neighbour)) continue;
        const std::shared_ptr<TDecode> decode = jobs_.value(neighbour);
        // A neighbour not started yet is measured by its header first.
        const qint64 needed = !decode           ? ImageBytes(ReadImageHeader(record->FileName).size)
                              : IsDone(*decode) ? decode->result.image.sizeInBytes()
                                                : decode->estimate;
        if (count >= maxNeighbours_ || bytes + needed > neighbourBytes_) {
            Drop(neighbour);
            continue;
        }
        ++count;
        bytes += needed;
        neighbours_ << neighbour;
        if (!decode) Start(TKind::Original, neighbour, {}, needed);
    }
}

bool TPhotoLoader::ShownPending() const {
    return shown_ && photo_.Pending() && photo_.Info() && photo_.Info() == find_(shown_);
}

bool TPhotoLoader::Waiting() const {
    return ShownPending() && jobs_.contains(shown_);
}

void TPhotoLoader::Finish() {
    if (!Waiting()) return;
    const std::shared_ptr<TDecode> decode = jobs_.value(shown_);
    // The preview would come too late to be seen, and would take a core from the decode
    // waited for.
    if (preview_) std::exchange(preview_, nullptr)->job.Cancel();
    // Its result arrives here, through Arrived, before Wait returns.
    decode->job.Wait();
    if (ShownPending() && jobs_.value(shown_) == decode) TakeOriginal(*decode);
}

void TPhotoLoader::TakeOriginal(TDecode& decode) {
    Announce(decode);
    photo_.AssignDecoded(find_(decode.photo), decode.result, sketches_.value(decode.photo));
    // The sketch after the render, which it would otherwise slow down.
    RequestSketch(decode);
}

qint64 TPhotoLoader::HeldSketchBytes() const {
    qint64 held = 0;
    for (const QImage& kept : std::as_const(sketches_)) held += kept.sizeInBytes();
    return held;
}

void TPhotoLoader::KeepSketch(TPhotoId photo, const QImage& sketch) {
    if (sketch.isNull()) return;
    const qint64 held = HeldSketchBytes() - sketches_.value(photo).sizeInBytes();
    if (held + sketch.sizeInBytes() <= sketchBytes_) sketches_.insert(photo, sketch);
}

void TPhotoLoader::Arrived(const std::shared_ptr<TDecode>& decode) {
    const TPhotoId photo = decode->photo;
    switch (decode->kind) {
        case TKind::Thumbnail:
        case TKind::Sketch: {
            auto& decodes = decode->kind == TKind::Thumbnail ? thumbnails_ : sketchJobs_;
            // One that was let go of is not kept.
            if (decodes.value(photo) != decode) return;
            decodes.remove(photo);
            if (decode->kind == TKind::Thumbnail) Announce(*decode);
            KeepSketch(photo, decode->result.image);
            // The photo shown makes the previews of its edits from it.
            if (decode->kind == TKind::Sketch && photo == shown_ && photo_.Info() == find_(photo))
                photo_.SetSketch(decode->result.image);
            return;
        }
        case TKind::Preview:
            if (decode != preview_) return;
            preview_.reset();
            if (photo == shown_ && ShownPending()) photo_.SetPreview(decode->result.image);
            return;
        case TKind::Original:
            break;
    }
    // A decode of a record dropped meanwhile is not shown, late or ever.
    if (jobs_.value(photo) != decode) return;
    Announce(*decode);
    if (photo == shown_ && ShownPending())
        photo_.AssignDecoded(find_(photo), decode->result, sketches_.value(photo));
    // The sketch after the render, which it would otherwise slow down.
    RequestSketch(*decode);
    if (photo == shown_) return;
    // A neighbour whose size the header did not tell may not fit after all.
    KeepNeighbours(QList<TPhotoId>(neighbours_));
}

}  // namespace vellumora
