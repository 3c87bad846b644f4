#include "photos/export/Export.h"

#include <QDir>
#include <QFileInfo>
#include <algorithm>
#include <condition_variable>
#include <deque>
#include <optional>
#include <thread>

#include "codec/Codec.h"
#include "codec/JpegStream.h"
#include "photos/Photo.h"
#include "photos/settings/Names.h"
#include "photos/settings/ProgramFolder.h"
#include "photos/stages/Bands.h"
#include "photos/stages/Render.h"
#include "photos/stages/StreamRender.h"

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

TExportFolder PrepareExportFolder(const QString& folder) {
    TExportFolder result;
    result.path = TrimBlanks(folder);
    if (result.path.isEmpty()) {
        result.status = TExportFolder::Status::Empty;
        result.message = QStringLiteral("Unable to create directory");
        return result;
    }
    QDir().mkpath(result.path);
    if (!QFileInfo(result.path).isDir()) {
        result.status = TExportFolder::Status::NotCreated;
        result.message = QStringLiteral("Can not create folder ") + result.path + QLatin1Char('!');
    }
    return result;
}

QString CannotSaveMessage(const QString& path) {
    return QStringLiteral("Cannot save ") + path + QLatin1Char('!');
}

bool SaveRendered(const QImage& rendered, const QString& path, const TMetadata& metadata,
                  TMetadataUse use, QString* reason) {
    return DoSave(rendered, path, reason, metadata.ForUse(use));
}

int ReducedDecodeSide(const TPhotoInfo& record) {
    return record.Max > 0 && record.Max <= (1 << 28) ? 2 * record.Max : 0;
}

TExportItem ExportPhoto(const TPhotoInfo& record, const QString& output, const TExportRule& rule,
                        TMaskCache& masks) {
    TExportItem item;
    item.source = record.FileName;
    item.output = output;

    TLoadOptions load;
    load.minimumLongSide = rule.minimumLongSide;
    load.minimumShortSide = rule.minimumShortSide;
    TMetadata metadata;
    TPhotoInfo adjusted;
    const TPhotoInfo* chosen = &record;
    const auto adjust = [&](QSize original) {
        if (!rule.adjust) return;
        adjusted = record;
        rule.adjust(adjusted, original);
        chosen = &adjusted;
    };
    QString error;
    QImage rendered;
    // A JPEG that streams is cropped and resized as it decodes; anything else, and a
    // stream that meets damage, is decoded whole.
    if (const TJpegStream stream(record.FileName, load); stream.Streamable()) {
        adjust(stream.Size());
        rendered = RenderStreamed(stream, *chosen, masks.Get(chosen->MaskName), &error);
        if (!rendered.isNull() && rule.metadata != TMetadataUse::Strip)
            metadata = stream.Metadata();
    }
    if (rendered.isNull()) {
        chosen = &record;
        if (rule.metadata != TMetadataUse::Strip) load.metadata = &metadata;
        const QImage original = DoLoad(record.FileName, nullptr, load);
        if (original.isNull()) {
            item.failure = TExportFailure::CannotOpen;
            item.message = QStringLiteral("Cannot open ") + record.FileName + QLatin1Char('!');
            return item;
        }
        adjust(original.size());
        rendered = RenderChain(original, *chosen, masks.Get(chosen->MaskName), &error);
    }
    if (rendered.isNull()) {
        item.failure = TExportFailure::CannotRender;
        item.message = error;
        return item;
    }
    QString reason;
    if (!SaveRendered(rendered, output, metadata, rule.metadata, &reason)) {
        item.failure = TExportFailure::CannotSave;
        item.message = CannotSaveMessage(output);
        if (!reason.isEmpty()) item.message += QStringLiteral(" (") + reason + QLatin1Char(')');
        return item;
    }
    if (rule.written) {
        if (const QString message = rule.written(rendered, metadata); !message.isEmpty()) {
            item.failure = TExportFailure::CannotSave;
            item.message = message;
            return item;
        }
    }
    item.written = true;
    return item;
}

TExportReport RunExport(const TExportWork& work, const TExportRun& run) {
    TExportReport report;
    report.total = int(work.decided.size());
    for (const std::vector<int>& unit : work.units) report.total += int(unit.size());

    std::mutex mutex;
    std::condition_variable ready;
    std::deque<TExportItem> finished(work.decided.begin(), work.decided.end());
    std::atomic<size_t> nextUnit{0};
    std::atomic<bool> cancelled{false};  // by progress or mayStart
    std::atomic<bool> kept{false};       // the stop flag kept an item from starting
    TMaskCache masks;

    const auto stopRequested = [&] { return cancelled || (run.stop && run.stop->load()); };
    // Asked before each item. The flags are read again after mayStart, which may have
    // waited while the run was stopped.
    const auto mayStart = [&](int number) {
        if (!stopRequested() && run.mayStart && !run.mayStart(number)) cancelled = true;
        if (!stopRequested()) return true;
        kept = true;
        return false;
    };

    const int cores = int(std::max(1u, std::thread::hardware_concurrency()));
    int jobs = run.jobs > 0 ? run.jobs : cores;
    jobs = std::clamp(jobs, 1, std::max(1, int(work.units.size())));
    int running = jobs;
    std::vector<std::thread> workers;
    workers.reserve(jobs);
    for (int j = 0; j < jobs; ++j)
        workers.emplace_back([&] {
            // With a photo per core at once, a photo's stages keep to its worker; fewer
            // workers (one photo alone) let them take the idle cores.
            std::optional<TBandsOnThisThread> oneThread;
            if (jobs >= cores) oneThread.emplace();
            for (bool going = true; going;) {
                const size_t u = nextUnit.fetch_add(1);
                if (u >= work.units.size()) break;
                for (int key : work.units[u]) {
                    going = mayStart(key + 1);
                    if (!going) break;
                    TExportItem item = work.convert(key, masks);
                    item.number = key + 1;
                    std::lock_guard lock(mutex);
                    finished.push_back(std::move(item));
                    ready.notify_one();
                }
            }
            // Wakes the calling thread, which may be waiting for an item that will now
            // never come.
            std::lock_guard lock(mutex);
            --running;
            ready.notify_one();
        });

    std::unique_lock lock(mutex);
    for (;;) {
        ready.wait(lock, [&] { return !finished.empty() || running == 0; });
        if (finished.empty()) break;
        const TExportItem item = std::move(finished.front());
        finished.pop_front();
        lock.unlock();
        ++report.done;
        if (item.written) {
            ++report.written;
        } else {
            ++report.failed;
            report.failures.push_back(item);
        }
        if (run.progress && !run.progress(item, report.done, report.total)) cancelled = true;
        lock.lock();
    }
    lock.unlock();
    for (std::thread& worker : workers) worker.join();
    report.stopped = cancelled || kept;
    return report;
}

}  // namespace vellumora
