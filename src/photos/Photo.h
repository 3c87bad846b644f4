#pragma once

// The photo model: one settings record bound to the pixels it describes. It loads the
// untouched original, the mask the record names, and keeps the rendered picture. It has
// no widget: the main window's view paints Rendered() at DisplaySize(), and the batch and
// album tools use hidden instances.
//
// The window's photo renders big originals on a worker (RenderElsewhere): the window goes
// on answering while a 24 MP photo with a wide shadow takes a quarter of a second or more.
// Until the exact picture arrives it shows a preview made, here and at once, from a sketch
// of the original, as it does while the original itself is still being decoded.
//
// The record is plain data and tells the photo nothing: whoever changes it renders, and
// the render takes the mask again when the record names another one (or the file under
// that name changed, or the masks folder did).

#include <QDateTime>
#include <QImage>
#include <QObject>
#include <QSize>
#include <QString>
#include <memory>
#include <optional>

#include "codec/Codec.h"
#include "photos/Jobs.h"
#include "photos/settings/PhotoInfo.h"

namespace vellumora {

// A short reason ("no such file") as the detail line of a message: "No such file."
QString AsSentence(const QString& reason);

// The mask image a record names, from the given folder: only the file-name part of the
// name is used, so a hand-edited name never leads outside the folder. Null when the name
// has no extension or the file does not load.
QImage LoadMaskFile(const QString& masksFolder, const QString& maskName);

// An original as the photo takes it: decoded here or by another thread.
struct TOriginal {
    QImage image;  // null when the file did not load
    TMetadata metadata;
    QString error;  // why it did not load
};
// Decodes the file (DoLoad), with options.metadata ignored: the metadata goes to the result.
TOriginal DecodeOriginal(const QString& path, TLoadOptions options = {});

class TPhoto : public QObject {
    Q_OBJECT

public:
    explicit TPhoto(QObject* parent = nullptr);

    TPhotoInfo* Info() const { return info_; }
    int Zoom() const { return zoom_; }
    const QImage& Original() const { return original_; }
    // The mask of the last render: the one the record named then.
    const QImage& Mask() const { return mask_; }
    const QImage& Rendered() const { return rendered_; }
    // What the original's file tells besides its pixels (camera, dates, authorship).
    const TMetadata& Metadata() const { return metadata_; }
    // The on-screen size: the size of the chain's result times Zoom div 100; while the
    // original is pending, that of the result it will give (the header tells the size).
    QSize DisplaySize() const { return display_; }
    // The size of the chain's result, or while pending of the result to come.
    QSize PictureSize() const { return picture_; }
    // The original's size in pixels, or while pending the one its file's header gives;
    // empty when there is none.
    QSize OriginalSize() const {
        return original_.isNull() && pending_ && headerSize_.isValid() ? headerSize_
                                                                       : original_.size();
    }
    // Whether the record is attached but its original not yet given (AssignPending):
    // Rendered() is then a preview, smaller than the picture to come, or null.
    bool Pending() const { return pending_; }
    // Whether a worker is rendering the original: Rendered() is then a preview, or the
    // picture of the settings before.
    bool Rendering() const { return bool(renderJob_); }
    // Rendered() is the chain's result from the original, as Save As writes it.
    bool Exact() const { return !pending_ && !Rendering(); }
    // The message of the last failure reported through ErrorReported, and its detail.
    const QString& LastError() const { return lastError_; }
    const QString& LastErrorDetail() const { return lastErrorDetail_; }
    // Why the record's file gave no original (for example "no such file"); empty while
    // it loaded or no record is attached.
    const QString& LoadError() const { return loadError_; }

    // Folder the record's mask name is looked up in; the program's Masks folder unless set.
    void SetMasksFolder(const QString& folder) { masksFolder_ = folder; }
    QString MaskFolder() const;
    // Passed to every load of the original (for example to let JPEG decode at reduced size).
    void SetLoadOptions(const TLoadOptions& options) { loadOptions_ = options; }
    // The work of a render that is done here all the same (see RenderWork): a 24 MP
    // photo shrunk to a few megapixels, about 40 ms. More would keep the window from
    // answering; less would make a photo shown from the neighbours ready ahead soft for a
    // moment, its render waiting for a core behind the next neighbour's decode.
    static constexpr qint64 kInlineRenderWork = qint64(32) << 20;
    // The work of rendering a picture of `result` pixels from an original of `original`:
    // the crop and the resize read each pixel of the original once, and every later
    // stage goes over the result, the frame, mask and shadow making new pictures of it;
    // eight passes over the result weigh about as much as one over the original.
    static qint64 RenderWork(QSize original, QSize result);
    // From now on, a render of more than `inlineWork` (RenderWork) runs on a worker of the
    // photo's own, whenever a sketch of the original is there to make the preview from;
    // the others, and every render without a sketch, run here as before.
    void RenderElsewhere(qint64 inlineWork);
    // Waits for the render running on the worker, so that Rendered() is exact; for what
    // needs the pixels (saving, copying). At once when none runs.
    void FinishRender();

    // Attaches a record (or none) and rebuilds everything from it: loads its file, its
    // mask, and renders. The record is not owned.
    void AssignInfo(TPhotoInfo* info);
    // The same with an original decoded elsewhere (which must be the record's file), and
    // a smaller copy of it for previews while a worker renders, where there is one. A
    // record pending until now keeps the reduced decode it showed as that copy.
    void AssignDecoded(TPhotoInfo* info, const TOriginal& original, const QImage& sketch = {});
    // A smaller copy of the record's original, come in after it, for previews while a
    // worker renders; kept when bigger than the one there is.
    void SetSketch(const QImage& sketch);
    // Attaches a record whose original is still being decoded elsewhere: until
    // AssignDecoded, Render makes a preview from `reduced`, a smaller decode of the file
    // (or nothing when null), and the display size follows `size`, the original's size
    // as the file's header gives it (when valid).
    void AssignPending(TPhotoInfo* info, QSize size, const QImage& reduced = {});
    // While pending: the preview's reduced decode, come in later; renders.
    void SetPreview(const QImage& reduced);
    void SetZoom(int zoom);
    // Rebuilds Rendered from Original through the whole chain, with the mask the record
    // names now: loaded again when its name, the file under it or the masks folder
    // changed since the last render (no mask when it is missing or unreadable).
    void Render();
    // Writes Rendered (full size) to path with the original's metadata as `use` says; the
    // format follows the extension. False when there is no photo or the file cannot be
    // written, with the reason in *error.
    bool SaveToFile(const QString& path, QString* error = nullptr,
                    TMetadataUse use = TMetadataUse::Keep) const;

signals:
    // After every Render and SetZoom.
    void Changed(vellumora::TPhoto* sender);
    // A failure the user should see: "Cannot open <path>!" with the reason as detail
    // ("No such file."), or a refused render (no detail).
    void ErrorReported(const QString& message, const QString& detail);

private:
    void Report(const QString& message, const QString& detail = {});
    // Binds the record and clears what belonged to the one before.
    void Attach(TPhotoInfo* info);
    // Makes mask_ the mask the record names now, loading it only when that changed.
    void UpdateMask();
    void UpdateDisplaySize();
    // Whether this render goes to the worker.
    bool RendersOnWorker() const;
    // Shows the sketch's preview of the settings and starts the exact render on the worker.
    void StartRender();

    // Where a mask comes from: the folder, the record's name for it, and the file's size
    // and modification time (-1 and invalid when there is no such file).
    struct TMaskSource {
        QString folder;
        QString name;
        qint64 size = -1;
        QDateTime modified;
        bool operator==(const TMaskSource&) const = default;
    };
    static TMaskSource MaskSourceOf(const QString& folder, const QString& name);

    TPhotoInfo* info_ = nullptr;
    int zoom_ = 100;
    QImage original_;
    QImage mask_;
    std::optional<TMaskSource> maskSource_;  // what mask_ was loaded from; none: nothing
    QImage rendered_;
    TMetadata metadata_;
    bool pending_ = false;
    QImage reduced_;    // while pending
    QSize headerSize_;  // while pending
    QSize display_;
    QSize picture_;
    QString masksFolder_;
    QString lastError_;
    QString lastErrorDetail_;
    QString loadError_;
    TLoadOptions loadOptions_;
    // A smaller copy of the original: the reduced decode shown while pending, or the one
    // given after.
    QImage sketch_;
    qint64 inlineWork_ = 0;
    // The render on the worker, while one runs; its result replaces the preview.
    TJob renderJob_;
    // Last, so that it goes first: no render outlives the photo.
    std::unique_ptr<TJobRunner> renderer_;
};

}  // namespace vellumora
