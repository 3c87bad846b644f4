#include "forms/border/MaskList.h"

#include <QDir>
#include <QFileInfo>
#include <algorithm>

#include "codec/Codec.h"
#include "photos/stages/Thumbnail.h"

namespace vellumora {

QImage TMaskList::LoadForThumbnail(const QString& path) {
    TLoadOptions options;
    options.minimumLongSide = kMaskThumbnailSize.width();
    options.minimumShortSide = std::min(kMaskThumbnailSize.width(), kMaskThumbnailSize.height());
    return DoLoad(path, nullptr, options);
}

TMaskList::TMaskList(TLoader loader) : loader_(std::move(loader)) {}

bool TMaskList::Refresh(const QString& folder) {
    const QFileInfoList files = folder.isEmpty()
                                    ? QFileInfoList()
                                    : QDir(folder).entryInfoList(QDir::Files | QDir::Readable,
                                                                 QDir::Name | QDir::IgnoreCase);
    QHash<QString, TSeen> seen;
    std::vector<TMask> masks;
    for (const QFileInfo& file : files) {
        const QString path = file.filePath();
        TSeen entry = seen_.value(path);
        if (entry.size != file.size() || entry.modified != file.lastModified()) {
            entry.size = file.size();
            entry.modified = file.lastModified();
            const QImage image = loader_(path);
            entry.thumbnail = image.isNull() ? QImage()
                                             : MakeThumbnail(image, kMaskThumbnailSize, Qt::white,
                                                             TThumbnailFit::Squeezed);
        }
        if (!entry.thumbnail.isNull()) masks.push_back({path, file.fileName(), entry.thumbnail});
        seen.insert(path, entry);
    }
    seen_ = std::move(seen);

    const bool changed =
        !std::equal(masks.begin(), masks.end(), masks_.begin(), masks_.end(),
                    [](const TMask& a, const TMask& b) {
                        return a.path == b.path && a.thumbnail.cacheKey() == b.thumbnail.cacheKey();
                    });
    masks_ = std::move(masks);
    return changed;
}

int TMaskList::IndexOf(const QString& name) const {
    const auto found = std::find_if(masks_.begin(), masks_.end(),
                                    [&name](const TMask& mask) { return mask.fileName == name; });
    return found == masks_.end() ? -1 : int(found - masks_.begin());
}

}  // namespace vellumora
