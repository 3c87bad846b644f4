#pragma once

// The export engine the batch and the web album share: the output folder's check, one
// record rendered from its original into one file, and the pool of workers that converts
// a run's files and hands the results back to the calling thread as they finish. The
// callers keep their own naming, their own refusals and what they write around the files.

#include <QHash>
#include <QImage>
#include <QSize>
#include <QString>
#include <atomic>
#include <functional>
#include <mutex>
#include <vector>

#include "codec/Metadata.h"
#include "photos/settings/PhotoInfo.h"

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

// The folder a run writes into: trimmed, and made with its parents when missing.
struct TExportFolder {
    enum class Status { Ready, Empty, NotCreated };
    Status status = Status::Ready;
    QString path;     // the trimmed folder
    QString message;  // "Unable to create directory" or "Can not create folder <path>!"
};
TExportFolder PrepareExportFolder(const QString& folder);

// Why a file of a run was not written.
enum class TExportFailure { None, CannotOpen, CannotRender, CannotSave, WouldOverwrite };

// One file of a run, as the calling thread hears of it.
struct TExportItem {
    int number = 0;  // the work's key + 1: the batch's place in its list, the album's photo
    QString source;
    QString output;
    bool written = false;
    TExportFailure failure = TExportFailure::None;
    QString message;  // why it failed
};

// "Cannot save <path>!": how every export names a file that could not be written.
QString CannotSaveMessage(const QString& path);

// Writes a rendered picture with the part of its original's metadata that use keeps;
// false with the system's reason in *reason.
bool SaveRendered(const QImage& rendered, const QString& path, const TMetadata& metadata,
                  TMetadataUse use, QString* reason);

// Twice the record's Max, the least a reduced JPEG decode must keep for the resize to
// average from; 0 (decode whole) when the record does not resize.
int ReducedDecodeSide(const TPhotoInfo& record);

// How one record becomes one file.
struct TExportRule {
    // A JPEG may decode at reduced size, but never below these (see TLoadOptions).
    int minimumLongSide = 0;
    int minimumShortSide = 0;
    // What of the original's metadata the file carries; Strip does not read it at all.
    TMetadataUse metadata = TMetadataUse::Keep;
    // Changes the record for this file once its original is loaded (size as decoded).
    std::function<void(TPhotoInfo& record, QSize original)> adjust;
    // After the file is written: more files made from the same rendered picture (with its
    // original's metadata, before the use above), so that a caller never renders a photo
    // twice. A message it returns makes the item fail with it.
    std::function<QString(const QImage& rendered, const TMetadata& metadata)> written;
};

// Loads record's original, renders it (after the rule's adjustment) and writes output.
// The item says what happened; its number is left to the caller.
TExportItem ExportPhoto(const TPhotoInfo& record, const QString& output, const TExportRule& rule,
                        TMaskCache& masks);

// How a run goes; every part may be left empty.
struct TExportRun {
    // On the calling thread after each file, in the order files finish; false cancels.
    std::function<bool(const TExportItem& item, int done, int total)> progress;
    // On the worker about to convert the item numbered number; false cancels.
    std::function<bool(int number)> mayStart;
    // Set, from any thread, to end the run early. Lets a window stop a run that it does
    // not wait on without waiting for the next file to finish first.
    const std::atomic<bool>* stop = nullptr;
    // Files converted at once; 0 or less means one per core.
    int jobs = 0;
};

// What the pool converts.
struct TExportWork {
    // Decided before the run (refused files): reported first, in this order.
    std::vector<TExportItem> decided;
    // Units of work: the keys that one worker converts, in this order. Units start in
    // list order, each on the next free worker.
    std::vector<std::vector<int>> units;
    // Converts the item with the given key, on a worker; the pool numbers it key + 1.
    std::function<TExportItem(int key, TMaskCache& masks)> convert;
};

struct TExportReport {
    int total = 0;  // decided and converted items together
    int done = 0;   // items reported
    int written = 0;
    int failed = 0;
    // The run was cancelled (by progress or mayStart) or the stop flag kept an item from
    // starting; a stop that came after the last item started does not count.
    bool stopped = false;
    std::vector<TExportItem> failures;  // the failed items, in the order they were reported
};

// Converts the work on run.jobs workers. Once the run is cancelled or stopped no item
// starts; the items being converted finish and are reported.
TExportReport RunExport(const TExportWork& work, const TExportRun& run);

}  // namespace vellumora
