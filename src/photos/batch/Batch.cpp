#include "photos/batch/Batch.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QSet>
#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

#include "codec/Codec.h"
#include "photos/Photo.h"
#include "photos/batch/WorkerShare.h"
#include "photos/settings/FieldGroups.h"
#include "photos/settings/Names.h"
#include "photos/settings/ProgramFolder.h"
#include "photos/stages/Render.h"
#include "photos/stages/Stages.h"

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

TBatchItem ConvertOne(const TPhotoInfo& entry, int index, const QString& output,
                      const TBatchOptions& options, TMaskCache& masks) {
    TBatchItem item;
    item.index = index;
    item.source = entry.FileName;
    item.output = output;

    // The crop is empty or computed from the loaded size, so a JPEG may shrink while it
    // decodes, as long as the resize still has twice its output to average from. An
    // Auto Crop keeps a whole side of the picture, so there the short side must keep it.
    TLoadOptions load;
    if (options.fastDecode && entry.Max > 0 && entry.Max <= (1 << 28)) {
        if (options.autoCrop)
            load.minimumShortSide = 2 * entry.Max;
        else
            load.minimumLongSide = 2 * entry.Max;
    }
    TMetadata metadata;
    if (!options.stripMetadata) load.metadata = &metadata;
    const QImage original = DoLoad(entry.FileName, nullptr, load);
    if (original.isNull()) {
        item.failure = TBatchFailure::CannotOpen;
        item.message = QStringLiteral("Cannot open ") + entry.FileName + QStringLiteral("!");
        return item;
    }
    TPhotoInfo record = entry;
    if (options.autoCrop)
        record.Crop = AutoCropRect(original.size(), record.Rotate, options.ratioIndex);
    QString error;
    const QImage rendered = RenderChain(original, record, masks.Get(record.MaskName), &error);
    if (rendered.isNull()) {
        item.failure = TBatchFailure::CannotRender;
        item.message = error;
        return item;
    }
    QString reason;
    if (!DoSave(rendered, output, &reason, metadata)) {
        item.failure = TBatchFailure::CannotSave;
        item.message = QStringLiteral("Cannot save ") + output + QStringLiteral("!");
        if (!reason.isEmpty()) item.message += QStringLiteral(" (") + reason + QLatin1Char(')');
        return item;
    }
    item.written = true;
    return item;
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
                      const TBatchProgress& progress) {
    TBatchResult result;
    result.folder = TrimBlanks(options.folder);
    if (entries.empty()) return result;
    if (result.folder.isEmpty()) {
        result.status = TBatchResult::Status::FolderEmpty;
        result.message = QStringLiteral("Unable to create directory");
        return result;
    }
    QDir().mkpath(result.folder);
    if (!QFileInfo(result.folder).isDir()) {
        result.status = TBatchResult::Status::FolderNotCreated;
        result.message =
            QStringLiteral("Can not create folder ") + result.folder + QLatin1Char('!');
        return result;
    }

    const int total = int(entries.size());
    QSet<QString> inputs;
    for (const TPhotoInfo& entry : entries) inputs.insert(FileIdentity(entry.FileName));

    // Work units: the entries that write one output path, in list order.
    std::vector<QString> outputs(total);
    std::vector<std::vector<int>> groups;
    QHash<QString, int> groupOf;
    std::deque<TBatchItem> refused;
    for (int i = 0; i < total; ++i) {
        outputs[i] = BatchFileName(entries[i].FileName, result.folder, options.prefix,
                                   options.suffix, options.extension, options.nameCase);
        const QString id = FileIdentity(outputs[i]);
        if (inputs.contains(id)) {
            TBatchItem item;
            item.index = i;
            item.source = entries[i].FileName;
            item.output = outputs[i];
            item.failure = TBatchFailure::WouldOverwrite;
            item.message = QStringLiteral("Would overwrite the original ") + outputs[i];
            refused.push_back(item);
            continue;
        }
        auto it = groupOf.find(id);
        if (it == groupOf.end()) {
            it = groupOf.insert(id, int(groups.size()));
            groups.emplace_back();
        }
        groups[*it].push_back(i);
    }

    std::mutex mutex;
    std::condition_variable ready;
    std::deque<TBatchItem> finished = std::move(refused);
    std::atomic<int> nextGroup{0};
    std::atomic<bool> cancelled{false};
    TMaskCache masks;

    // Cancelled by the progress callback or stopped from outside.
    const auto stopped = [&] { return cancelled || (options.stop && options.stop->load()); };

    int jobs =
        options.jobs > 0 ? options.jobs : int(std::max(1u, std::thread::hardware_concurrency()));
    jobs = std::clamp(jobs, 1, std::max(1, int(groups.size())));
    std::vector<std::thread> workers;
    workers.reserve(jobs);
    for (int j = 0; j < jobs; ++j)
        workers.emplace_back([&] {
            for (;;) {
                const int g = nextGroup.fetch_add(1);
                if (g >= int(groups.size())) return;
                for (int index : groups[g]) {
                    if (stopped()) {
                        // Wakes the calling thread, which may be waiting for a file that
                        // will now never come.
                        std::lock_guard lock(mutex);
                        ready.notify_one();
                        return;
                    }
                    TBatchItem item =
                        ConvertOne(entries[index], index, outputs[index], options, masks);
                    std::lock_guard lock(mutex);
                    finished.push_back(std::move(item));
                    ready.notify_one();
                }
            }
        });

    int done = 0;
    int expected = total;
    while (done < expected) {
        std::unique_lock lock(mutex);
        if (stopped()) {
            // Whatever the workers still finish is counted; nothing new starts.
            lock.unlock();
            for (std::thread& t : workers) t.join();
            workers.clear();
            lock.lock();
            expected = done + int(finished.size());
            if (finished.empty()) break;
        }
        ready.wait(lock, [&] { return !finished.empty() || stopped(); });
        if (finished.empty()) continue;
        TBatchItem item = std::move(finished.front());
        finished.pop_front();
        lock.unlock();
        ++done;
        (item.written ? result.written : result.failed)++;
        if (progress && !progress(item, done, total)) cancelled = true;
    }
    for (std::thread& t : workers) t.join();
    if (done < total) result.status = TBatchResult::Status::Cancelled;
    return result;
}

}  // namespace vellumora
