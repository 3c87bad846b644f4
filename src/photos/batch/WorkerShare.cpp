#include "photos/batch/WorkerShare.h"

#include <QDir>
#include <QFileInfo>

#include "photos/Photo.h"
#include "photos/settings/ProgramFolder.h"

namespace vellumora {

QString FileIdentity(const QString& path) {
    const QFileInfo info(path);
    const QString canonical = info.canonicalFilePath();
    return canonical.isEmpty() ? QDir::cleanPath(info.absoluteFilePath()) : canonical;
}

QImage TMaskCache::Get(const QString& name) {
    std::lock_guard lock(mutex_);
    auto it = masks_.find(name);
    if (it == masks_.end()) it = masks_.insert(name, LoadMaskFile(MasksFolder(), name));
    return *it;
}

}  // namespace vellumora
