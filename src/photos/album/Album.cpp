#include "photos/album/Album.h"

#include <QSet>
#include <algorithm>

#include "codec/Codec.h"
#include "photos/album/ModernPage.h"
#include "photos/export/Export.h"
#include "photos/settings/IniFile.h"
#include "photos/settings/ProgramFolder.h"
#include "photos/stages/Resize.h"

namespace vellumora {
namespace {

const QString kSectionPrefix = QStringLiteral("PHOTO");
constexpr int kFailuresNamed = 5;  // in the final question; the rest are counted

QString UnableToWrite(const QString& path, const QString& reason) {
    return QStringLiteral("Unable to write to ") + path + QStringLiteral(" (") + reason +
           QLatin1Char(')');
}

// The Modern page's smaller files of one exported photo, each scaled from the next larger
// one (halving, so each is an exact area mean of it), and what the page says of the photo.
// Empty when all were written, else why not.
QString WriteModernWidths(const QImage& rendered, const TMetadata& metadata, const QString& folder,
                          const QString& source, int number, TModernPhoto* photo) {
    const TPhotoFacts facts = metadata.Facts();
    photo->size = rendered.size();
    photo->caption = ModernCaption(facts, source);
    photo->details = ModernDetails(facts);
    photo->widths = ModernWidths(rendered.width());
    QImage smaller = rendered;
    for (auto width = photo->widths.rbegin(); width != photo->widths.rend(); ++width) {
        const QString path = folder + QLatin1Char('/') + ModernFileName(number, *width);
        smaller = ResampleBitmap(smaller, ModernScaledSize(rendered.size(), *width));
        QString reason;
        if (smaller.isNull()) reason = QStringLiteral("out of memory");
        // Small files for the web: no metadata at all.
        if (smaller.isNull() || !SaveRendered(smaller, path, {}, TMetadataUse::Strip, &reason)) {
            QString message = CannotSaveMessage(path);
            if (!reason.isEmpty()) message += QStringLiteral(" (") + reason + QLatin1Char(')');
            return message;
        }
    }
    photo->number = number;  // last: a photo with a number is complete
    return {};
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
    const TExportFolder prepared = PrepareExportFolder(folder);
    TAlbumResult result;
    result.folder = prepared.path;
    result.message = prepared.message;
    if (prepared.status == TExportFolder::Status::Empty)
        result.status = TAlbumResult::Status::FolderEmpty;
    else if (prepared.status == TExportFolder::Status::NotCreated)
        result.status = TAlbumResult::Status::FolderNotCreated;
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
    const auto output = [&folder](int number) {
        return folder + QStringLiteral("/Photo%1.jpg").arg(number);
    };

    // A photo that lives in the folder under an output's name would be overwritten, maybe
    // before it is read: nothing is written then, so the user can choose another folder.
    const bool modern = options.style == TAlbumStyle::Modern;
    QSet<QString> sources;
    for (const TPhotoInfo& photo : photos) sources.insert(FileIdentity(photo.FileName));
    for (int n = 1; n <= total; ++n) {
        QStringList outputs = {output(n)};
        if (modern)
            for (int width : ModernAllWidths())
                outputs << folder + QLatin1Char('/') + ModernFileName(n, width);
        for (const QString& path : std::as_const(outputs)) {
            if (sources.contains(FileIdentity(path))) {
                result.status = TAlbumResult::Status::WouldOverwrite;
                result.message = QStringLiteral("Would overwrite the original ") + path +
                                 QStringLiteral(": please choose another folder.");
                return result;
            }
        }
    }

    std::vector<int> order(total);
    for (int i = 0; i < total; ++i) order[i] = i;
    if (options.shuffle) order = (run.random ? *run.random : AlbumRandom()).Shuffle(total);
    for (TPhotoInfo& photo : photos) ApplyAlbumPageColor(photo, options.pageColor);

    // One photo per unit of work, numbered by its place after the shuffle. The Modern
    // page's slot of each is written by the one worker that exports it and read after
    // RunExport has joined them all.
    std::vector<TModernPhoto> shown(modern ? total : 0);
    TExportWork work;
    for (int n = 0; n < total; ++n) work.units.push_back({n});
    work.convert = [&](int n, TMaskCache& masks) {
        const TPhotoInfo& record = photos[order[n]];
        // Without a crop (whose corners are in the original's pixels) a JPEG may shrink
        // while it decodes, as long as the resize still has twice its output to average
        // from. The album goes on the web: its photos carry no position and no serial
        // numbers.
        TExportRule rule;
        if (record.Crop == TRect()) rule.minimumLongSide = ReducedDecodeSide(record);
        rule.metadata = TMetadataUse::Share;
        if (modern)
            rule.written = [&, n](const QImage& rendered, const TMetadata& metadata) {
                return WriteModernWidths(rendered, metadata, folder, record.FileName, n + 1,
                                         &shown[n]);
            };
        return ExportPhoto(record, output(n + 1), rule, masks);
    };
    const TExportReport report = RunExport(work, run);
    result.written = report.written;
    result.failed = report.failed;
    std::vector<TAlbumPhoto> failures = report.failures;
    std::sort(failures.begin(), failures.end(),
              [](const TAlbumPhoto& a, const TAlbumPhoto& b) { return a.number < b.number; });
    for (const TAlbumPhoto& failure : failures) result.failures << failure.message;
    if (report.stopped) {
        result.status = TAlbumResult::Status::Cancelled;
        return result;
    }

    // Whole or not at all: an old page stays as it was when the new one cannot be written.
    // The Modern page is written last, after the files it loads, and is always UTF-8.
    QByteArray page;
    if (modern) {
        for (const TAlbumFile& file : ModernPageFiles()) {
            const QString path = folder + QLatin1Char('/') + file.name;
            if (QString reason; !WriteFileAtomically(path, file.bytes, &reason)) {
                result.status = TAlbumResult::Status::PageNotWritten;
                result.message = UnableToWrite(path, reason);
                return result;
            }
        }
        std::erase_if(shown, [](const TModernPhoto& photo) { return photo.number == 0; });
        page = ModernPage(options, shown).toUtf8();
    } else {
        page = EncodeAlbumPage(AlbumPage(options, total), options.charset);
    }
    if (QString reason; !WriteFileAtomically(result.page, page, &reason)) {
        result.status = TAlbumResult::Status::PageNotWritten;
        result.message = UnableToWrite(result.page, reason);
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
