#include "photos/Photo.h"

#include <QFileInfo>
#include <algorithm>
#include <limits>
#include <utility>

#include "photos/export/Export.h"
#include "photos/settings/Names.h"
#include "photos/settings/ProgramFolder.h"
#include "photos/stages/Render.h"

namespace vellumora {
namespace {

// The file-name part of a mask name: whatever a hand-edited file puts before the last
// separator is dropped, so the name never leads outside the Masks folder.
QString MaskFileName(const QString& name) {
    const QString file = FileNamePart(name);
    // Only names with an extension are masks; "." and ".." have none worth loading.
    const qsizetype dot = file.lastIndexOf(QLatin1Char('.'));
    if (dot < 0 || dot == file.size() - 1 || file == QLatin1String("..")) return {};
    return file;
}

int ScaledSide(int side, int zoom) {
    const qint64 scaled = qint64(side) * zoom / 100;
    return int(std::clamp<qint64>(scaled, 0, std::numeric_limits<int>::max()));
}

}  // namespace

QString AsSentence(const QString& reason) {
    if (reason.isEmpty()) return {};
    QString sentence = reason;
    sentence[0] = sentence[0].toUpper();
    if (!sentence.endsWith(QLatin1Char('.'))) sentence += QLatin1Char('.');
    return sentence;
}

QImage LoadMaskFile(const QString& masksFolder, const QString& maskName) {
    const QString file = MaskFileName(maskName);
    if (file.isEmpty()) return {};
    return DoLoad(masksFolder + QLatin1Char('/') + file);
}

TPhoto::TPhoto(QObject* parent) : QObject(parent) {
    Render();
}

TOriginal DecodeOriginal(const QString& path, TLoadOptions options) {
    TOriginal result;
    options.metadata = &result.metadata;
    result.image = DoLoad(path, &result.error, options);
    if (!result.image.isNull())
        result.error.clear();
    else if (result.error.isEmpty())
        result.error = QStringLiteral("unreadable file");
    return result;
}

void TPhoto::Attach(TPhotoInfo* info) {
    if (info != info_) sketch_ = QImage();
    info_ = info;
    original_ = QImage();
    metadata_ = TMetadata();
    loadError_.clear();
    pending_ = false;
    reduced_ = QImage();
    headerSize_ = QSize();
}

void TPhoto::AssignInfo(TPhotoInfo* info) {
    AssignDecoded(info, info ? DecodeOriginal(info->FileName, loadOptions_) : TOriginal());
}

void TPhoto::AssignDecoded(TPhotoInfo* info, const TOriginal& original, const QImage& sketch) {
    // The reduced decode shown while pending stays, for the previews of edits.
    const QImage shown = pending_ && info == info_ ? reduced_ : QImage();
    Attach(info);
    SetSketch(shown);
    SetSketch(sketch);
    if (info_) {
        metadata_ = original.metadata;
        if (original.image.isNull()) {
            loadError_ = original.error;
            Report(QStringLiteral("Cannot open ") + info_->FileName + QStringLiteral("!"),
                   AsSentence(loadError_));
        } else {
            original_ = original.image;
        }
    }
    Render();
}

void TPhoto::AssignPending(TPhotoInfo* info, QSize size, const QImage& reduced) {
    Attach(info);
    pending_ = info_ != nullptr;
    if (pending_) {
        reduced_ = reduced;
        headerSize_ = size;
    }
    Render();
}

void TPhoto::SetSketch(const QImage& sketch) {
    if (qint64(sketch.width()) * sketch.height() > qint64(sketch_.width()) * sketch_.height())
        sketch_ = sketch;
}

qint64 TPhoto::RenderWork(QSize original, QSize result) {
    return qint64(original.width()) * original.height() +
           8 * qint64(result.width()) * result.height();
}

void TPhoto::RenderElsewhere(qint64 inlineWork) {
    inlineWork_ = inlineWork;
    // One worker: a render of older settings still running ends before the next starts,
    // and the queued one is replaced by the newest.
    if (!renderer_) renderer_ = std::make_unique<TJobRunner>(1);
}

void TPhoto::FinishRender() {
    // Its result arrives here, through the job's completion, before Wait returns.
    if (renderJob_) renderJob_.Wait();
}

void TPhoto::SetPreview(const QImage& reduced) {
    if (!pending_) return;
    reduced_ = reduced;
    Render();
}

TPhoto::TMaskSource TPhoto::MaskSourceOf(const QString& folder, const QString& name) {
    TMaskSource source;
    source.folder = folder;
    source.name = name;
    const QString file = MaskFileName(name);
    if (file.isEmpty()) return source;
    const QFileInfo found(folder + QLatin1Char('/') + file);
    if (found.exists()) {
        source.size = found.size();
        source.modified = found.lastModified();
    }
    return source;
}

// A photo switched to another record naming the same mask keeps it; a record that names
// the same file after the file was replaced (a mask copied in under its name) gets the new
// one, as the Border dialog's list shows it.
void TPhoto::UpdateMask() {
    if (!info_) {
        mask_ = QImage();
        maskSource_.reset();
        return;
    }
    TMaskSource source = MaskSourceOf(MaskFolder(), info_->MaskName);
    if (maskSource_ == source) return;
    // The file is looked at before it is read: one replaced in between is read again at
    // the next render.
    mask_ = LoadMaskFile(source.folder, source.name);
    maskSource_ = std::move(source);
}

QString TPhoto::MaskFolder() const {
    return masksFolder_.isEmpty() ? MasksFolder() : masksFolder_;
}

void TPhoto::SetZoom(int zoom) {
    zoom_ = zoom;
    UpdateDisplaySize();
    emit Changed(this);
}

bool TPhoto::RendersOnWorker() const {
    if (!renderer_ || !info_ || original_.isNull() || sketch_.isNull()) return false;
    const TRenderSize result = RenderedSize(original_.size(), *info_);
    // A refused size is reported here, at once, by the render that refuses it.
    if (result.width <= 0 || result.height <= 0 || result.Pixels() > kMaxRenderPixels) return false;
    return RenderWork(original_.size(), QSize(int(result.width), int(result.height))) > inlineWork_;
}

void TPhoto::StartRender() {
    // The same preview as while pending, from the sketch; its size in pixels may differ
    // from the exact picture's, which the display size already follows.
    rendered_ =
        RenderChain(sketch_, PreviewSettings(*info_, original_.size(), sketch_.size()), mask_);
    struct TResult {
        QImage image;
        QString error;
    };
    renderJob_ = renderer_->Start(
        [original = original_, settings = *info_, mask = mask_](const TJobContext&) {
            TResult result;
            result.image = RenderChain(original, settings, mask, &result.error);
            return result;
        },
        [this](TResult result) {
            renderJob_ = TJob();
            rendered_ = std::move(result.image);
            if (rendered_.isNull()) Report(result.error);
            UpdateDisplaySize();
            emit Changed(this);
        });
}

void TPhoto::Render() {
    UpdateMask();
    // A result of settings that are no longer those of the record never arrives.
    std::exchange(renderJob_, TJob()).Cancel();
    if (RendersOnWorker()) {
        StartRender();
    } else if (!original_.isNull() && info_) {
        QString error;
        rendered_ = RenderChain(original_, *info_, mask_, &error);
        if (rendered_.isNull()) Report(error);
    } else if (pending_ && !reduced_.isNull()) {
        // A refused size is reported once, by the render of the original itself.
        const QSize original = headerSize_.isValid() ? headerSize_ : reduced_.size();
        rendered_ =
            RenderChain(reduced_, PreviewSettings(*info_, original, reduced_.size()), mask_);
    } else {
        rendered_ = QImage();
    }
    UpdateDisplaySize();
    emit Changed(this);
}

bool TPhoto::SaveToFile(const QString& path, QString* error, TMetadataUse use) const {
    if (original_.isNull() || rendered_.isNull()) {
        if (error) *error = QStringLiteral("no photo to save");
        return false;
    }
    // Whoever saves finishes the render first: a preview is never written in its place.
    if (!Exact()) {
        if (error) *error = QStringLiteral("the photo is still being rendered");
        return false;
    }
    return SaveRendered(rendered_, path, metadata_, use, error);
}

void TPhoto::Report(const QString& message, const QString& detail) {
    lastError_ = message;
    lastErrorDetail_ = detail;
    emit ErrorReported(message, detail);
}

void TPhoto::UpdateDisplaySize() {
    QSize size = rendered_.size();
    // While a preview stands in, the size is that of the picture to come.
    const QSize original = pending_ ? headerSize_ : Rendering() ? original_.size() : QSize();
    if (original.isValid()) {
        const TRenderSize exact = RenderedSize(original, *info_);
        if (exact.width > 0 && exact.height > 0 && exact.Pixels() <= kMaxRenderPixels)
            size = QSize(int(exact.width), int(exact.height));
    }
    picture_ = size;
    display_ = QSize(ScaledSide(size.width(), zoom_), ScaledSide(size.height(), zoom_));
}

}  // namespace vellumora
