#pragma once

// The web album: the open photos handed over in "Photos.dat", each exported as a JPEG with
// its own settings, and the page that shows them. A library function, so that the album
// dialog and the command-line tool build the same album; photos are exported on several
// threads at once, and which photo gets which number never depends on how many.

#include <QString>
#include <mutex>
#include <vector>

#include "photos/album/AlbumPage.h"
#include "photos/export/Export.h"
#include "photos/settings/PhotoInfo.h"

namespace vellumora {

// "Photos.dat" in the program folder.
QString OpenPhotosFile();

// Rewrites file with exactly one section "PHOTO" + n per record, n from 1 in the order
// given, each with the per-photo keys and then the template keys; every section of an
// earlier writing is erased first. Throws TIniError ("Unable to write to <path>") when the
// file system refuses, leaving the file as it was.
void WriteOpenPhotos(const QString& file, const std::vector<const TPhotoInfo*>& photos);
// One record per section of file, in file order: each starts from the default template
// and takes the section's keys (ReadSettings).
std::vector<TPhotoInfo> ReadOpenPhotos(const QString& file);

// The shuffle's generator: Random(k) moves the state s to s * 134775813 + 1 (modulo 2^32)
// and returns the high 32 bits of k * s.
class TAlbumRandom {
public:
    explicit TAlbumRandom(quint32 state = 0) : state_(state) {}
    quint32 Random(quint32 range);
    // The order of count photos after the shuffle: for i = 0 to count - 1, entry i swaps
    // with entry Random(count). Entry n is the index of the photo exported as number n + 1.
    std::vector<int> Shuffle(int count);
    quint32 State() const { return state_; }

private:
    quint32 Next(quint32 range);

    quint32 state_;
    std::mutex mutex_;  // builds may run on a thread of their own
};

// The program's generator: state 0 when the program starts and never reseeded, so the
// first shuffled build always gives the same order and later builds continue the sequence.
TAlbumRandom& AlbumRandom();

// The page colour where it shows around the photo: on the background when the photo has
// bands, a radius or an offset, else through the mask (its mask colour).
void ApplyAlbumPageColor(TPhotoInfo& record, TColor pageColor);

// One exported photo, numbered as on the page (1 for "Photo1.jpg").
using TAlbumPhoto = TExportItem;

struct TAlbumResult {
    enum class Status {
        Finished,          // the page is written (photos may have failed: see failed)
        Cancelled,         // stopped before the page; photos exported so far stay
        FolderEmpty,       // nothing written
        FolderNotCreated,  // nothing written
        WouldOverwrite,    // an output is one of the photos: nothing written
        PageNotWritten,    // the photos are exported, the page could not be
    };
    Status status = Status::Finished;
    QString message;  // for every status but Finished and Cancelled
    QString folder;   // the trimmed folder
    QString page;     // folder + "/Vellumora.htm"
    int photos = 0;
    int written = 0;
    int failed = 0;
    QStringList failures;  // the failed photos' messages, by number
};

// How a build runs; every part may be left empty. The engine's run (progress after each
// photo, mayStart before each, the stop flag, the workers): once it is cancelled or
// stopped, photos being exported finish, no other starts, and the page is not written.
struct TAlbumRun : TExportRun {
    // The shuffle's generator; the program's when null.
    TAlbumRandom* random = nullptr;
};

// Exports every record (shuffled when asked) as "Photo" + n + ".jpg" into the trimmed
// folder, made with its parents when missing, each with the page colour applied
// (ApplyAlbumPageColor), and writes "Vellumora.htm" whole or not at all. A photo that
// cannot be read or written is counted and the build goes on; its cell stays on the page.
TAlbumResult BuildWebAlbum(const TAlbumOptions& options, std::vector<TPhotoInfo> photos,
                           const TAlbumRun& run = {});

// The first check of a build, for a caller that wants it before it starts one: the
// trimmed folder made with its parents. Finished, FolderEmpty or FolderNotCreated.
TAlbumResult PrepareAlbumFolder(const QString& folder);

// The question that ends a build: "Finished! Do you want to see your new webpage?", with
// the photos that failed named before it.
QString AlbumFinishedQuestion(const TAlbumResult& result);

}  // namespace vellumora
