#pragma once

// The batch dialog's list: one entry per added file, with the settings record the file is
// converted with and its thumbnail. A list model, so that the dialog's view shows it and
// tests reach it without a widget.

#include <QAbstractListModel>
#include <QImage>
#include <QList>
#include <QSize>
#include <QString>
#include <vector>

#include "photos/settings/PhotoInfo.h"

namespace vellumora {

// The side of the square thumbnails of the list.
inline constexpr int kBatchThumbnailSide = 68;

// The thumbnail of a file for the list: the picture fitted into 68 x 68 on white, centred.
// JPEGs decode at reduced size, since the thumbnail never needs more pixels than it shows.
// Null when the file cannot be read or holds an empty picture.
QImage LoadBatchThumbnail(const QString& path);

class TBatchList : public QAbstractListModel {
    Q_OBJECT

public:
    using QAbstractListModel::QAbstractListModel;

    // Adds an entry. Entries stand in the order of their keys, so files whose thumbnails
    // arrive out of order still stand in the order they were chosen.
    void Insert(quint64 key, TPhotoInfo record, QImage thumbnail);
    // Removes the entries at these rows (any order, repeats allowed).
    void Remove(const QList<int>& rows);
    // Turns the entries at these rows, and their thumbnails, a quarter turn clockwise.
    void Rotate(const QList<int>& rows);
    void Clear();

    int Count() const { return int(entries_.size()); }
    const TPhotoInfo& Record(int row) const { return entries_[row].record; }
    // As shown: turned as the record's Rotate says.
    const QImage& Thumbnail(int row) const { return entries_[row].shown; }
    // Every record, in list order: what a run converts.
    std::vector<TPhotoInfo> Records() const;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    // Display and accessible text: the file name; tool tip: the path; decoration: the
    // thumbnail as shown.
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

private:
    struct TEntry {
        quint64 key;
        TPhotoInfo record;
        QImage upright;  // as made from the file
        QImage shown;
    };
    std::vector<TEntry> entries_;
};

}  // namespace vellumora
