#pragma once

// Batch conversion: one settings record per file, rendered and written into one folder
// under a naming rule. A library function, so that the batch dialog and the command-line
// tool drive the same code; files are converted on several threads at once, and the
// files written do not depend on how many.

#include <QList>
#include <QSize>
#include <QString>
#include <QStringList>
#include <atomic>
#include <functional>
#include <vector>

#include "photos/settings/PhotoInfo.h"

namespace vellumora {

enum class TNameCase { Unchange, Upper, Lower };

// The print ratios of Auto Crop (kPrintRatios), in the order the batch dialog lists them.
QStringList BatchRatioCaptions();  // "3 * 4" ... "10 * 8"

// The largest centred rectangle of the W x H original whose shape, after a picture
// turned by rotate, is A wide by B high (CentredRatioRect); ratioIndex indexes
// BatchRatioCaptions().
TRect AutoCropRect(QSize original, int rotate, int ratioIndex);

// Output path: folder + "/" + prefix + base name + suffix + extension, the case rule
// applied to the file name only. Prefix, suffix and folder are trimmed.
QString BatchFileName(const QString& source, const QString& folder, const QString& prefix,
                      const QString& suffix, const QString& extension, TNameCase nameCase);

// A record for one file of a batch: the template fields (and Ratio) of current, crop,
// orientation and colour balance reset.
TPhotoInfo BatchEntry(const QString& file, const TPhotoInfo& current);

struct TBatchOptions {
    QString folder;
    QString prefix;
    QString suffix;
    QString extension = QStringLiteral(".jpg");
    TNameCase nameCase = TNameCase::Unchange;
    bool autoCrop = false;
    int ratioIndex = 0;
    // Files converted at once; 0 or less means one per core.
    int jobs = 0;
    // Decode JPEGs at reduced size where the result cannot tell (see RunBatch).
    bool fastDecode = true;
    // Write bare pixels instead of the sources' metadata.
    bool stripMetadata = false;
    // Set, from any thread, to end the run early: no file starts after it is set, the
    // files being converted finish and are reported. Lets a window stop a run that it
    // does not wait on without waiting for the next file to finish first.
    const std::atomic<bool>* stop = nullptr;
};

// Why a file of a batch was not written.
enum class TBatchFailure { None, CannotOpen, CannotRender, CannotSave, WouldOverwrite };

struct TBatchItem {
    int index = 0;  // into the entries
    QString source;
    QString output;
    bool written = false;
    TBatchFailure failure = TBatchFailure::None;
    QString message;  // why it failed
};

struct TBatchResult {
    enum class Status { Finished, Cancelled, FolderEmpty, FolderNotCreated };
    Status status = Status::Finished;
    QString message;  // for FolderEmpty and FolderNotCreated
    QString folder;   // the trimmed folder
    int written = 0;
    int failed = 0;
};

// Called on the calling thread after each file, in the order files finish; returning
// false cancels the run (files being converted finish, no new one starts). A cancelled
// run that still converted every file counts as finished.
using TBatchProgress = std::function<bool(const TBatchItem& item, int done, int total)>;

// Renders every entry with its record (Auto Crop computed per file and not kept in the
// record) and writes it by BatchFileName. A write failure counts as failed; an output
// path that is one of the batch's own input files is never written ("Would overwrite
// the original <path>"). Entries that map to the same output are converted in list order
// by one worker, so the later one wins as it would in a serial run.
TBatchResult RunBatch(const std::vector<TPhotoInfo>& entries, const TBatchOptions& options,
                      const TBatchProgress& progress = {});

}  // namespace vellumora
