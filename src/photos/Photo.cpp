#include "photos/Photo.h"

#include <QFileInfo>
#include <QPointer>
#include <algorithm>
#include <limits>

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

void TPhoto::AssignInfo(TPhotoInfo* info) {
    info_ = info;
    original_ = QImage();
    metadata_ = TMetadata();
    loadError_.clear();
    if (info_) {
        // Guarded: the record may outlive this photo. A record this photo showed before
        // keeps the binding; its mask name changing ("OK for All" sets it on every open
        // photo) must not reload the mask of the record shown now once per open photo.
        info_->OnMaskChange = [photo = QPointer<TPhoto>(this)](TPhotoInfo& record) {
            if (photo && photo->Info() == &record) photo->LoadMask();
        };
        TLoadOptions options = loadOptions_;
        options.metadata = &metadata_;
        QImage loaded = DoLoad(info_->FileName, &loadError_, options);
        if (loaded.isNull()) {
            if (loadError_.isEmpty()) loadError_ = QStringLiteral("unreadable file");
            Report(QStringLiteral("Cannot open ") + info_->FileName + QStringLiteral("!"),
                   AsSentence(loadError_));
        } else {
            original_ = std::move(loaded);
        }
    }
    LoadMask();
    Render();
}

void TPhoto::LoadMask() {
    mask_ = QImage();
    if (!info_) return;
    mask_ = LoadMaskFile(MaskFolder(), info_->MaskName);
}

QString TPhoto::MaskFolder() const {
    return masksFolder_.isEmpty() ? MasksFolder() : masksFolder_;
}

void TPhoto::SetZoom(int zoom) {
    zoom_ = zoom;
    UpdateDisplaySize();
    emit Changed(this);
}

void TPhoto::Render() {
    if (!original_.isNull() && info_) {
        QString error;
        rendered_ = RenderChain(original_, *info_, mask_, &error);
        if (rendered_.isNull()) Report(error);
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
    return DoSave(rendered_, path, error, metadata_.ForUse(use));
}

void TPhoto::Report(const QString& message, const QString& detail) {
    lastError_ = message;
    lastErrorDetail_ = detail;
    emit ErrorReported(message, detail);
}

void TPhoto::UpdateDisplaySize() {
    display_ = QSize(ScaledSide(rendered_.width(), zoom_), ScaledSide(rendered_.height(), zoom_));
}

}  // namespace vellumora
