#include "photos/album/Album.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QSaveFile>
#include <QSet>
#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <deque>
#include <thread>

#include "codec/Codec.h"
#include "photos/Photo.h"
#include "photos/batch/WorkerShare.h"
#include "photos/settings/IniFile.h"
#include "photos/settings/Names.h"
#include "photos/settings/ProgramFolder.h"
#include "photos/stages/Render.h"

namespace vellumora {
namespace {

const QString kSectionPrefix = QStringLiteral("PHOTO");
constexpr int kFailuresNamed = 5;  // in the final question; the rest are counted

TAlbumPhoto ExportOne(const TPhotoInfo& record, int number, const QString& output,
                      TMaskCache& masks) {
    TAlbumPhoto photo;
    photo.number = number;
    photo.source = record.FileName;
    photo.output = output;
    // Without a crop (whose corners are in the original's pixels) a JPEG may shrink while
    // it decodes, as long as the resize still has twice its output to average from.
    TLoadOptions load;
    if (record.Crop == TRect() && record.Max > 0 && record.Max <= (1 << 28))
        load.minimumLongSide = 2 * record.Max;
    TMetadata metadata;
    load.metadata = &metadata;
    const QImage original = DoLoad(record.FileName, nullptr, load);
    if (original.isNull()) {
        photo.message = QStringLiteral("Cannot open ") + record.FileName + QLatin1Char('!');
        return photo;
    }
    QString error;
    const QImage rendered = RenderChain(original, record, masks.Get(record.MaskName), &error);
    if (rendered.isNull()) {
        photo.message = error;
        return photo;
    }
    QString reason;
    // The album goes on the web: its photos carry no position and no serial numbers.
    if (!DoSave(rendered, output, &reason, metadata.ForUse(TMetadataUse::Share))) {
        photo.message = QStringLiteral("Cannot save ") + output + QLatin1Char('!');
        if (!reason.isEmpty()) photo.message += QStringLiteral(" (") + reason + QLatin1Char(')');
        return photo;
    }
    photo.written = true;
    return photo;
}

// Exports photos[order[n]] as number n + 1 on several threads; the calling thread hears of
// each photo as it finishes. False when the run was cancelled.
bool ExportPhotos(const std::vector<TPhotoInfo>& photos, const std::vector<int>& order,
                  const QString& folder, const TAlbumRun& run, TAlbumResult& result) {
    const int total = int(photos.size());
    std::mutex mutex;
    std::condition_variable ready;
    std::deque<TAlbumPhoto> finished;
    std::atomic<int> next{0};
    std::atomic<bool> stop{false};
    TMaskCache masks;

    int jobs = run.jobs > 0 ? run.jobs : int(std::max(1u, std::thread::hardware_concurrency()));
    jobs = std::clamp(jobs, 1, std::max(total, 1));
    int running = jobs;
    std::vector<std::thread> workers;
    workers.reserve(jobs);
    for (int j = 0; j < jobs; ++j)
        workers.emplace_back([&] {
            for (;;) {
                const int n = next.fetch_add(1);
                if (n >= total || stop) break;
                if (run.mayStart && !run.mayStart(n + 1)) {
                    stop = true;
                    break;
                }
                const QString output = folder + QStringLiteral("/Photo%1.jpg").arg(n + 1);
                TAlbumPhoto photo = ExportOne(photos[order[n]], n + 1, output, masks);
                std::lock_guard lock(mutex);
                finished.push_back(std::move(photo));
                ready.notify_one();
            }
            std::lock_guard lock(mutex);
            --running;
            ready.notify_one();
        });

    int done = 0;
    std::vector<std::pair<int, QString>> failures;
    std::unique_lock lock(mutex);
    for (;;) {
        ready.wait(lock, [&] { return !finished.empty() || running == 0; });
        if (finished.empty()) break;
        const TAlbumPhoto photo = std::move(finished.front());
        finished.pop_front();
        lock.unlock();
        ++done;
        if (photo.written) {
            ++result.written;
        } else {
            ++result.failed;
            failures.emplace_back(photo.number, photo.message);
        }
        if (run.progress && !run.progress(photo, done, total)) stop = true;
        lock.lock();
    }
    lock.unlock();
    for (std::thread& worker : workers) worker.join();
    std::sort(failures.begin(), failures.end());
    for (const auto& failure : failures) result.failures << failure.second;
    return !stop;
}

}  // namespace

void ApplyAlbumPageColor(TPhotoInfo& record, TColor pageColor) {
    if (record.Outside.Width != 0 || record.Inside.Width != 0 || record.Radius != 0 ||
        record.Offset != 0)
        record.Background = pageColor;
    else
        record.MaskColor = pageColor;
}

QString OpenPhotosFile() {
    return ProgramFolder() + QStringLiteral("/Photos.dat");
}

void WriteOpenPhotos(const QString& file, const std::vector<const TPhotoInfo*>& photos) {
    TIniFile ini(file);
    for (const QString& section : ini.Sections()) ini.EraseSection(section);
    for (size_t i = 0; i < photos.size(); ++i)
        photos[i]->WriteSettings(ini, kSectionPrefix + QString::number(i + 1));
    ini.UpdateFile();
}

std::vector<TPhotoInfo> ReadOpenPhotos(const QString& file) {
    const TIniFile ini(file);
    std::vector<TPhotoInfo> photos;
    for (const QString& section : ini.Sections()) {
        photos.push_back(TPhotoInfo::WithDefaultTemplate(QString()));
        photos.back().ReadSettings(ini, section);
    }
    return photos;
}

quint32 TAlbumRandom::Random(quint32 range) {
    std::lock_guard lock(mutex_);
    return Next(range);
}

quint32 TAlbumRandom::Next(quint32 range) {
    state_ = state_ * 134775813u + 1u;
    return quint32((quint64(range) * state_) >> 32);
}

std::vector<int> TAlbumRandom::Shuffle(int count) {
    std::lock_guard lock(mutex_);
    std::vector<int> order(std::max(count, 0));
    for (int i = 0; i < count; ++i) order[i] = i;
    for (int i = 0; i < count; ++i) std::swap(order[i], order[Next(quint32(count))]);
    return order;
}

TAlbumRandom& AlbumRandom() {
    static TAlbumRandom random;
    return random;
}

TAlbumResult PrepareAlbumFolder(const QString& folder) {
    TAlbumResult result;
    result.folder = TrimBlanks(folder);
    if (result.folder.isEmpty()) {
        result.status = TAlbumResult::Status::FolderEmpty;
        result.message = QStringLiteral("Unable to create directory");
        return result;
    }
    QDir().mkpath(result.folder);
    if (!QFileInfo(result.folder).isDir()) {
        result.status = TAlbumResult::Status::FolderNotCreated;
        result.message =
            QStringLiteral("Can not create folder ") + result.folder + QLatin1Char('!');
    }
    return result;
}

TAlbumResult BuildWebAlbum(const TAlbumOptions& options, std::vector<TPhotoInfo> photos,
                           const TAlbumRun& run) {
    TAlbumResult result = PrepareAlbumFolder(options.folder);
    if (result.status != TAlbumResult::Status::Finished) return result;
    const QString& folder = result.folder;
    const int total = int(photos.size());
    result.photos = total;
    result.page = folder + QStringLiteral("/Vellumora.htm");

    // A photo that lives in the folder under an output's name would be overwritten, maybe
    // before it is read: nothing is written then, so the user can choose another folder.
    QSet<QString> sources;
    for (const TPhotoInfo& photo : photos) sources.insert(FileIdentity(photo.FileName));
    for (int n = 1; n <= total; ++n) {
        const QString output = folder + QStringLiteral("/Photo%1.jpg").arg(n);
        if (sources.contains(FileIdentity(output))) {
            result.status = TAlbumResult::Status::WouldOverwrite;
            result.message = QStringLiteral("Would overwrite the original ") + output +
                             QStringLiteral(": please choose another folder.");
            return result;
        }
    }

    std::vector<int> order(total);
    for (int i = 0; i < total; ++i) order[i] = i;
    if (options.shuffle) order = (run.random ? *run.random : AlbumRandom()).Shuffle(total);
    for (TPhotoInfo& photo : photos) ApplyAlbumPageColor(photo, options.pageColor);

    if (!ExportPhotos(photos, order, folder, run, result)) {
        result.status = TAlbumResult::Status::Cancelled;
        return result;
    }

    // Whole or not at all: an old page stays as it was when the new one cannot be written.
    QSaveFile page(result.page);
    if (!page.open(QIODevice::WriteOnly) ||
        page.write(EncodeAlbumPage(AlbumPage(options, total), options.charset)) < 0 ||
        !page.commit()) {
        result.status = TAlbumResult::Status::PageNotWritten;
        result.message = QStringLiteral("Unable to write to ") + result.page +
                         QStringLiteral(" (") + page.errorString() + QLatin1Char(')');
    }
    return result;
}

QString AlbumFinishedQuestion(const TAlbumResult& result) {
    const QString question = QStringLiteral("Do you want to see your new webpage?");
    if (result.failed == 0) return QStringLiteral("Finished! ") + question;
    QString text = QStringLiteral("Finished, but %1 of %2 photos could not be exported:\n")
                       .arg(result.failed)
                       .arg(result.photos);
    for (qsizetype i = 0; i < result.failures.size() && i < kFailuresNamed; ++i)
        text += result.failures[i] + QLatin1Char('\n');
    if (result.failures.size() > kFailuresNamed)
        text += QStringLiteral("and %1 more.\n").arg(result.failures.size() - kFailuresNamed);
    return text + QLatin1Char('\n') + question;
}

}  // namespace vellumora
