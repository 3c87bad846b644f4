#pragma once

// The open photos, owned outside any window: their settings records in the order they
// were opened, which one is current, each one's undo history and whether its thumbnail is
// still due; the one photo object that shows the current record, and the loader that
// gives it originals. What the last closes took (records and histories, never pixels) is
// kept for Undo Close until the program ends. Windows follow what it says through its
// signals: the strip of buttons, the view and the menus never hold a record of their own.

#include <QImage>
#include <QObject>
#include <deque>
#include <memory>
#include <vector>

#include "photos/Photo.h"
#include "photos/PhotoId.h"
#include "photos/PhotoLoader.h"
#include "photos/SettingsHistory.h"
#include "photos/settings/PhotoInfo.h"

namespace vellumora {

class TOpenPhotos : public QObject {
    Q_OBJECT

public:
    explicit TOpenPhotos(QObject* parent = nullptr);
    ~TOpenPhotos() override;

    TPhoto& Photo() { return photo_; }
    const TPhoto& Photo() const { return photo_; }
    TPhotoLoader& Loader() { return loader_; }
    TSettingsHistory& History() { return history_; }
    const TSettingsHistory& History() const { return history_; }

    int Count() const { return int(entries_.size()); }
    // Null, 0 or -1 out of range or when none is current.
    TPhotoInfo* Record(int index) const;
    TPhotoId Id(int index) const;
    int IndexOf(TPhotoId id) const;  // -1 when closed
    int Current() const { return current_; }
    TPhotoId CurrentId() const { return Id(current_); }
    TPhotoInfo* Find(TPhotoId id) const { return Record(IndexOf(id)); }
    TPhotoInfo* CurrentRecord() const { return Record(current_); }

    // Appends a photo and returns its index; its thumbnail is due from the first decode
    // of its original. It does not become current.
    int Add(std::unique_ptr<TPhotoInfo> record);
    // Makes the photo current: the photo object shows it, its neighbours are decoded
    // ahead, and the photo left, if its original had not come in, gets a small decode for
    // its thumbnail.
    void SetCurrent(int index);
    // A photo added but not shown gets a small decode for its thumbnail, unless its
    // thumbnail is already on the way or made.
    void RequestThumbnail(int index);
    // Closes one photo: its decodes go, its record and its history are kept for
    // UndoClose. When it was current, the one after it becomes current, else the one
    // before, else none.
    void Close(int index);
    void CloseAll();

    // How many closes (a Close or a Close All each) UndoClose can take back, the last
    // first; an older one is forgotten when another close comes.
    static constexpr int kClosesKept = 10;
    bool CanUndoClose() const { return !closes_.empty(); }
    // Brings back the photos of the last close not yet taken back, with their records,
    // ids and histories as they were, each at the place it had then (or at the end, when
    // fewer photos are open now), and makes current again the photo that was current
    // then. Their originals are decoded anew and their thumbnails asked for again.
    void UndoClose();

signals:
    // A photo came in at index: appended by Add, or put back at its place by UndoClose.
    void Added(int index);
    // After the photo at index went.
    void Closed(int index);
    void AllClosed();
    // -1 when no photo is left.
    void CurrentChanged(int index);
    // The photo's original (or a small decode of it) came in while its thumbnail was due:
    // the unedited picture, drawn once.
    void ThumbnailReady(int index, const QImage& picture);

private:
    struct TEntry {
        TPhotoId id;
        std::unique_ptr<TPhotoInfo> record;
        bool thumbnailDue = true;
    };
    // One close as UndoClose takes it back: the photos it took, each with the place it
    // had, in the order of their places, and the photo that was current.
    struct TClosedPhoto {
        int index;
        TEntry entry;
        TSettingsHistory::TSteps steps;
    };
    struct TClose {
        std::vector<TClosedPhoto> photos;
        TPhotoId current = 0;
    };
    void Decoded(TPhotoId id, const QImage& picture);
    // Takes the photo's entry and steps out; its decodes were dropped before.
    TClosedPhoto TakeOut(int index);
    void Remember(TClose close);

    // Declared before the loader that fills it, so that it outlives it.
    TPhoto photo_;
    TPhotoLoader loader_{photo_, [this](TPhotoId id) { return Find(id); }};
    TSettingsHistory history_;
    std::vector<TEntry> entries_;
    int current_ = -1;
    TPhotoId nextId_ = 1;
    std::deque<TClose> closes_;  // the last at the back
};

}  // namespace vellumora
