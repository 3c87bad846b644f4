#pragma once

// What a photo file tells besides its pixels (EXIF, XMP and IPTC: camera, dates, authorship,
// keywords), read from the file a photo was loaded from and written into the files made
// from it. The source file itself is never written.

#include <QString>
#include <memory>

namespace vellumora {

// Which of a source's metadata a written file carries.
enum class TMetadataUse {
    Keep,   // everything (Save As, batch)
    Share,  // without GPS position and serial numbers (files that go to other people)
    Strip,  // nothing: bare pixels
};

// What a photo's metadata says about it in words, for captions: each empty when absent.
// Never its position.
struct TPhotoFacts {
    QString title;     // XMP dc:title (its default language), else EXIF ImageDescription
    QString taken;     // EXIF DateTimeOriginal as "2024-05-01 14:03"
    QString camera;    // make and model, the make once ("Canon EOS R5", not "Canon Canon ...")
    QString exposure;  // "1/250 s, f/2.8, ISO 200, 50 mm", from what is there
};

// A read-only snapshot of one file's metadata; cheap to copy and safe to share between
// threads. Empty when the file has none, or none that could be read.
class TMetadata {
public:
    struct TData;

    TMetadata() = default;
    explicit TMetadata(std::shared_ptr<const TData> data) : data_(std::move(data)) {}

    bool IsEmpty() const { return !data_; }
    const TData* Data() const { return data_.get(); }
    // The EXIF orientation code (1 to 8; XMP's when EXIF has none), 1 when absent or invalid.
    int Orientation() const;
    // The title, date, camera and exposure; blank texts count as absent.
    TPhotoFacts Facts() const;
    // This metadata as a file for the given use carries it.
    TMetadata ForUse(TMetadataUse use) const;

private:
    std::shared_ptr<const TData> data_;
};

// Reads the metadata of an image file. Never fails: a file without metadata, of a type
// that holds none, or with damaged metadata gives what could be read, maybe nothing.
TMetadata ReadMetadata(const QString& path);

}  // namespace vellumora
