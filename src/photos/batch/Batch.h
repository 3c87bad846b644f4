#pragma once

// Batch conversion: one settings record per file, rendered and written into one folder
// under a naming rule. A library function, so that the batch dialog and the command-line
// tool drive the same code; files are converted by the export engine's workers, and the
// files written do not depend on how many.

#include <QList>
#include <QSize>
#include <QString>
#include <QStringList>
#include <vector>

#include "photos/export/Export.h"
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
    // Decode JPEGs at reduced size where the result cannot tell (see RunBatch).
    bool fastDecode = true;
    // Write bare pixels instead of the sources' metadata.
    bool stripMetadata = false;
};

// One file of a batch; its number is its place in the entries, from 1.
using TBatchFailure = TExportFailure;
using TBatchItem = TExportItem;

struct TBatchResult {
    enum class Status { Finished, Cancelled, FolderEmpty, FolderNotCreated };
    Status status = Status::Finished;
    QString message;  // for FolderEmpty and FolderNotCreated
    QString folder;   // the trimmed folder
    int written = 0;
    int failed = 0;
};

// Renders every entry with its record (Auto Crop computed per file and not kept in the
// record) and writes it by BatchFileName. A write failure counts as failed; an output
// path that is one of the batch's own input files is never written ("Would overwrite
// the original <path>"). Entries that map to the same output are converted in list order
// by one worker, so the later one wins as it would in a serial run. The run's progress,
// stop flag and workers are the engine's (TExportRun); files refused before the run are
// reported first. A cancelled run that still converted every file counts as finished.
TBatchResult RunBatch(const std::vector<TPhotoInfo>& entries, const TBatchOptions& options,
                      const TExportRun& run = {});

}  // namespace vellumora
