#include "photos/batch/Batch.h"

#include <QHash>
#include <QSet>
#include <algorithm>

#include "photos/settings/FieldGroups.h"
#include "photos/settings/Names.h"
#include "photos/stages/Geometry.h"

namespace vellumora {
namespace {

QString ApplyCase(const QString& name, TNameCase nameCase) {
    if (nameCase == TNameCase::Unchange) return name;
    QString out = name;
    for (QChar& c : out) {
        const char16_t u = c.unicode();
        if (nameCase == TNameCase::Upper && u >= 'a' && u <= 'z') c = QChar(u - 'a' + 'A');
        if (nameCase == TNameCase::Lower && u >= 'A' && u <= 'Z') c = QChar(u - 'A' + 'a');
    }
    return out;
}

TBatchItem ConvertOne(const TPhotoInfo& entry, const QString& output, const TBatchOptions& options,
                      TMaskCache& masks) {
    // The crop is empty or computed from the loaded size, so a JPEG may shrink while it
    // decodes, as long as the resize still has twice its output to average from. An
    // Auto Crop keeps a whole side of the picture, so there the short side must keep it.
    TExportRule rule;
    if (options.fastDecode)
        (options.autoCrop ? rule.minimumShortSide : rule.minimumLongSide) =
            ReducedDecodeSide(entry);
    rule.metadata = options.stripMetadata ? TMetadataUse::Strip : TMetadataUse::Keep;
    if (options.autoCrop)
        rule.adjust = [ratioIndex = options.ratioIndex](TPhotoInfo& record, QSize original) {
            record.Crop = AutoCropRect(original, record.Rotate, ratioIndex);
        };
    return ExportPhoto(entry, output, rule, masks);
}

}  // namespace

QStringList BatchRatioCaptions() {
    QStringList list;
    for (const TPrintRatio& r : kPrintRatios) list << QString::fromLatin1(r.caption);
    return list;
}

TRect AutoCropRect(QSize original, int rotate, int ratioIndex) {
    const TPrintRatio& ratio = kPrintRatios[std::clamp(ratioIndex, 0, kPrintRatioCount - 1)];
    // The shape is the turned picture's: in the original's pixels it stands as turned back.
    const QSize shape = OrientedSize(QSize(ratio.width, ratio.height), rotate);
    return CentredRatioRect(original, shape.width(), shape.height());
}

QString BatchFileName(const QString& source, const QString& folder, const QString& prefix,
                      const QString& suffix, const QString& extension, TNameCase nameCase) {
    const QString base = WithoutExtension(LocalFileName(source));
    const QString name =
        ApplyCase(TrimBlanks(prefix) + base + TrimBlanks(suffix) + extension, nameCase);
    QString dir = TrimBlanks(folder);
    if (!dir.endsWith(QLatin1Char('/'))) dir += QLatin1Char('/');
    return dir + name;
}

TPhotoInfo BatchEntry(const QString& file, const TPhotoInfo& current) {
    TPhotoInfo entry(file);
    entry.Assign(&current);
    ResetPerPhotoEdits(entry);
    return entry;
}

TBatchResult RunBatch(const std::vector<TPhotoInfo>& entries, const TBatchOptions& options,
                      const TExportRun& run) {
    TBatchResult result;
    if (entries.empty()) {
        result.folder = TrimBlanks(options.folder);
        return result;
    }
    const TExportFolder folder = PrepareExportFolder(options.folder);
    result.folder = folder.path;
    if (folder.status != TExportFolder::Status::Ready) {
        result.status = folder.status == TExportFolder::Status::Empty
                            ? TBatchResult::Status::FolderEmpty
                            : TBatchResult::Status::FolderNotCreated;
        result.message = folder.message;
        return result;
    }

    const int total = int(entries.size());
    QSet<QString> inputs;
    for (const TPhotoInfo& entry : entries) inputs.insert(FileIdentity(entry.FileName));

    // Work units: the entries that write one output path, in list order.
    std::vector<QString> outputs(total);
    TExportWork work;
    QHash<QString, int> unitOf;
    for (int i = 0; i < total; ++i) {
        outputs[i] = BatchFileName(entries[i].FileName, result.folder, options.prefix,
                                   options.suffix, options.extension, options.nameCase);
        const QString id = FileIdentity(outputs[i]);
        if (inputs.contains(id)) {
            TBatchItem item;
            item.number = i + 1;
            item.source = entries[i].FileName;
            item.output = outputs[i];
            item.failure = TBatchFailure::WouldOverwrite;
            item.message = QStringLiteral("Would overwrite the original ") + outputs[i];
            work.decided.push_back(item);
            continue;
        }
        auto it = unitOf.find(id);
        if (it == unitOf.end()) {
            it = unitOf.insert(id, int(work.units.size()));
            work.units.emplace_back();
        }
        work.units[*it].push_back(i);
    }
    work.convert = [&](int i, TMaskCache& masks) {
        return ConvertOne(entries[i], outputs[i], options, masks);
    };

    const TExportReport report = RunExport(work, run);
    result.written = report.written;
    result.failed = report.failed;
    if (report.done < total) result.status = TBatchResult::Status::Cancelled;
    return result;
}

}  // namespace vellumora
