#include "photos/OpenPhotos.h"

#include <QUndoStack>
#include <algorithm>

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

TOpenPhotos::TClosedPhoto TOpenPhotos::TakeOut(int index) {
    const TPhotoId id = entries_[index].id;
    return {index, std::move(entries_[index]), history_.Take(id)};
}

void TOpenPhotos::Remember(TClose close) {
    closes_.push_back(std::move(close));
    if (int(closes_.size()) > kClosesKept) closes_.pop_front();
}

void TOpenPhotos::Close(int index) {
    if (index < 0 || index >= Count()) return;
    // Let go of by the photo and the loader before it goes; the neighbours' originals
    // stay, so the one shown next is likely ready.
    loader_.Forget(Id(index));
    TClose close{.photos = {}, .current = CurrentId()};
    close.photos.push_back(TakeOut(index));
    Remember(std::move(close));
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
    TClose close{.photos = {}, .current = CurrentId()};
    for (int i = 0; i < Count(); ++i) close.photos.push_back(TakeOut(i));
    if (!close.photos.empty()) Remember(std::move(close));
    entries_.clear();
    current_ = -1;
    emit AllClosed();
    emit CurrentChanged(-1);
}

void TOpenPhotos::UndoClose() {
    if (closes_.empty()) return;
    TClose close = std::move(closes_.back());
    closes_.pop_back();
    std::vector<TPhotoId> back;
    // In the order of their places, so that each goes back where it was among the others
    // it took; photos opened since move up behind them.
    for (TClosedPhoto& closed : close.photos) {
        const int index = std::min(closed.index, Count());
        const TPhotoId id = closed.entry.id;
        // Its button starts blank again.
        closed.entry.thumbnailDue = true;
        history_.Restore(id, std::move(closed.steps));
        entries_.insert(entries_.begin() + index, std::move(closed.entry));
        if (index <= current_) ++current_;
        back.push_back(id);
        emit Added(index);
    }
    if (const int current = IndexOf(close.current); current >= 0 && current != current_)
        SetCurrent(current);
    for (const TPhotoId id : back)
        if (id != CurrentId()) RequestThumbnail(IndexOf(id));
}

void TOpenPhotos::Decoded(TPhotoId id, const QImage& picture) {
    const int index = IndexOf(id);
    if (index >= 0 && std::exchange(entries_[index].thumbnailDue, false))
        emit ThumbnailReady(index, picture);
}

}  // namespace vellumora
