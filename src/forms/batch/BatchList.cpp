#include "forms/batch/BatchList.h"

#include <QPainter>
#include <algorithm>

#include "codec/Codec.h"
#include "photos/settings/Names.h"
#include "photos/stages/Geometry.h"
#include "photos/stages/Thumbnail.h"

namespace vellumora {

QImage LoadBatchThumbnail(const QString& path) {
    TLoadOptions options;
    options.minimumLongSide = kBatchThumbnailSide;
    options.preview = true;  // a camera's own preview is good enough for a list
    const QImage image = DoLoad(path, nullptr, options);
    if (image.width() <= 0 || image.height() <= 0) return {};
    const QSize box(kBatchThumbnailSide, kBatchThumbnailSide);
    // A JPEG decoded at reduced size has its sides rounded up, which may change the
    // thumbnail's shape by a pixel; its header gives the shape of the full picture.
    const TImageHeader header = ReadImageHeader(path);
    const QSize full = header.reducible ? header.size : QSize();
    if (!full.isValid() || full == image.size()) return MakeThumbnail(image, box, Qt::white);

    // The place the full picture would take, filled from the smaller one.
    QImage thumbnail = MakeThumbnail(QImage(), box, Qt::white);
    const QRect target = ThumbnailRect(full, box);
    if (target.isEmpty()) return thumbnail;
    QPainter painter(&thumbnail);
    painter.drawImage(target.topLeft(),
                      MakeThumbnail(image, target.size(), Qt::white, TThumbnailFit::Squeezed));
    return thumbnail;
}

void TBatchList::Insert(quint64 key, TPhotoInfo record, QImage thumbnail) {
    const auto at = std::upper_bound(entries_.begin(), entries_.end(), key,
                                     [](quint64 k, const TEntry& e) { return k < e.key; });
    const int row = int(at - entries_.begin());
    beginInsertRows(QModelIndex(), row, row);
    QImage shown = OrientBitmap(thumbnail, record.Rotate);
    entries_.insert(at, TEntry{key, std::move(record), std::move(thumbnail), std::move(shown)});
    endInsertRows();
}

void TBatchList::Remove(const QList<int>& rows) {
    QList<int> sorted = rows;
    std::sort(sorted.begin(), sorted.end(), std::greater<int>());
    sorted.erase(std::unique(sorted.begin(), sorted.end()), sorted.end());
    for (int row : sorted) {
        if (row < 0 || row >= Count()) continue;
        beginRemoveRows(QModelIndex(), row, row);
        entries_.erase(entries_.begin() + row);
        endRemoveRows();
    }
    // The thumbnails go with the last entry, so an emptied list holds no pictures.
    if (entries_.empty()) std::vector<TEntry>().swap(entries_);
}

void TBatchList::Rotate(const QList<int>& rows) {
    for (int row : rows) {
        if (row < 0 || row >= Count()) continue;
        TEntry& entry = entries_[row];
        entry.record.Rotate = RotateClockwise(entry.record.Rotate);
        entry.shown = OrientBitmap(entry.upright, entry.record.Rotate);
        emit dataChanged(index(row), index(row), {Qt::DecorationRole});
    }
}

void TBatchList::Clear() {
    beginResetModel();
    std::vector<TEntry>().swap(entries_);
    endResetModel();
}

std::vector<TPhotoInfo> TBatchList::Records() const {
    std::vector<TPhotoInfo> records;
    records.reserve(entries_.size());
    for (const TEntry& entry : entries_) records.push_back(entry.record);
    return records;
}

int TBatchList::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : Count();
}

QVariant TBatchList::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= Count()) return {};
    const TEntry& entry = entries_[index.row()];
    switch (role) {
        case Qt::DisplayRole:
        case Qt::AccessibleTextRole:
            return LocalFileName(entry.record.FileName);
        case Qt::ToolTipRole:
            return entry.record.FileName;
        case Qt::DecorationRole:
            return entry.shown;
        default:
            return {};
    }
}

}  // namespace vellumora
