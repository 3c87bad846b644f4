#pragma once

// The masks the Border dialog offers: every readable image file of the Masks folder, each
// with a thumbnail squeezed to 64 x 64 whatever the mask's proportions (a mask always
// covers the whole picture, so its thumbnail shows it as it will be stretched).
//
// The folder is listed again on every Refresh, so masks copied into it while the program
// runs are offered the next time the dialog opens. Listing costs a directory read; a file
// is decoded only when it is new or its size or modification time changed, so a showing
// makes no thumbnails for files it has seen before, readable or not.

#include <QDateTime>
#include <QHash>
#include <QImage>
#include <QSize>
#include <QString>
#include <functional>
#include <vector>

namespace vellumora {

inline constexpr QSize kMaskThumbnailSize(64, 64);

struct TMask {
    QString path;      // folder + "/" + file name
    QString fileName;  // what a record's MaskName holds
    QImage thumbnail;  // kMaskThumbnailSize
};

class TMaskList {
public:
    // Reads a mask file; a null image for a file that is not a readable image.
    using TLoader = std::function<QImage(const QString& path)>;

    // The codec, allowed to decode a large JPEG at reduced size: no thumbnail needs more
    // than 64 pixels either way.
    static QImage LoadForThumbnail(const QString& path);

    explicit TMaskList(TLoader loader = &TMaskList::LoadForThumbnail);

    // Lists the folder's files (not its subfolders, not hidden files), ordered by file name
    // without regard to case, and keeps those that load as images. A missing folder lists
    // nothing. True when the masks offered changed since the last Refresh.
    bool Refresh(const QString& folder);

    const std::vector<TMask>& Masks() const { return masks_; }
    // The mask whose file name equals name exactly, letter case included; -1 when none.
    int IndexOf(const QString& name) const;

private:
    struct TSeen {
        qint64 size = -1;
        QDateTime modified;
        QImage thumbnail;  // null: not a readable image
    };

    TLoader loader_;
    // By path: every file of the folder met at the last Refresh.
    QHash<QString, TSeen> seen_;
    std::vector<TMask> masks_;
};

}  // namespace vellumora
