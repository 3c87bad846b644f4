#include "photos/OpenPhotos.h"

namespace vellumora {

TOpenPhotos::TOpenPhotos(QObject* parent)
    : QObject(parent),
      history_([this](TPhotoId id) { return Find(id); },
               [this](TPhotoId id) {
                   // Another photo shows its settings when it is next made current.
                   if (id == CurrentId()) photo_.Render();
               }) {
    // The window goes on answering while a big photo renders, as while it decodes.
    photo_.RenderElsewhere(TPhoto::kInlineRenderWork);
    connect(&loader_, &TPhotoLoader::Decoded, this,
            [this](TPhotoId id, const QImage& picture) { Decoded(id, picture); });
}

// The photo lets go of its record before the records go.
TOpenPhotos::~TOpenPhotos() {
    loader_.Clear();
}

TPhotoInfo* TOpenPhotos::Record(int index) const {
    return index >= 0 && index < Count() ? entries_[index].record.get() : nullptr;
}

TPhotoId TOpenPhotos::Id(int index) const {
    return index >= 0 && index < Count() ? entries_[index].id : 0;
}

int TOpenPhotos::IndexOf(TPhotoId id) const {
    for (int i = 0; i < Count(); ++i)
        if (entries_[i].id == id) return i;
    return -1;
}

int TOpenPhotos::Add(std::unique_ptr<TPhotoInfo> record) {
    entries_.push_back(TEntry{nextId_++, std::move(record)});
    const int index = Count() - 1;
    emit Added(index);
    return index;
}

void TOpenPhotos::RequestThumbnail(int index) {
    if (index >= 0 && index < Count() && entries_[index].thumbnailDue)
        loader_.RequestThumbnail(Id(index));
}

void TOpenPhotos::SetCurrent(int index) {
    if (index < 0 || index >= Count()) return;
    // A photo left before its original came in gets its thumbnail from a small decode of
    // its own.
    RequestThumbnail(current_);
    current_ = index;
    // The next photo first: it is the one most often asked for.
    loader_.Show(Id(index), {Id(index + 1), Id(index - 1)});
    emit CurrentChanged(index);
}

void TOpenPhotos::Close(int index) {
    if (index < 0 || index >= Count()) return;
    // Let go of by the photo and the loader before it goes; the neighbours' originals
    // stay, so the one shown next is likely ready.
    loader_.Forget(Id(index));
    history_.Forget(Id(index));
    entries_.erase(entries_.begin() + index);
    const bool wasCurrent = index == current_;
    if (index < current_ || wasCurrent) --current_;
    emit Closed(index);
    if (!wasCurrent) return;
    current_ = -1;
    if (index < Count())
        SetCurrent(index);
    else if (index > 0)
        SetCurrent(index - 1);
    else
        emit CurrentChanged(-1);
}

void TOpenPhotos::CloseAll() {
    loader_.Clear();
    history_.Clear();
    entries_.clear();
    current_ = -1;
    emit AllClosed();
    emit CurrentChanged(-1);
}

void TOpenPhotos::Decoded(TPhotoId id, const QImage& picture) {
    const int index = IndexOf(id);
    if (index >= 0 && std::exchange(entries_[index].thumbnailDue, false))
        emit ThumbnailReady(index, picture);
}

}  // namespace vellumora
