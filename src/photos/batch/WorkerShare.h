#pragma once

// What the worker threads of a batch run or an album export share.

#include <QHash>
#include <QImage>
#include <QString>
#include <mutex>

namespace vellumora {

// One name per file, however the path was written (relative, "..", links), so a run can
// tell when an output would land on one of its inputs. Files that do not exist yet are
// named by their clean absolute path.
QString FileIdentity(const QString& path);

// Masks are read once per run and shared, read-only, by all workers.
class TMaskCache {
public:
    QImage Get(const QString& name);

private:
    std::mutex mutex_;
    QHash<QString, QImage> masks_;
};

}  // namespace vellumora
