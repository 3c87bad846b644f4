// The codec's entry from bytes: a file of one type (VELLUMORA_FUZZ_SUFFIX names it, since
// camera raw files and a few of Qt's readers go by the name), loaded exactly and reduced,
// its header read, and a JPEG also by rows. Beyond not crashing, the promises the
// window relies on: a failure gives a reason, a picture comes in the one pixel layout and
// within the size limit, the header of a JPEG or JPEG XL tells the size the decode gives, and rows
// decoded one at a time are the rows of the whole decode.

#include <QImage>

#include "codec/Codec.h"
#include "codec/JpegCodec.h"
#include "codec/JpegStream.h"
#include "codec/JxlCodec.h"
#include "fuzz/FuzzSupport.h"

using namespace vellumora;

namespace {

void CheckLoaded(const QImage& image, const QString& error) {
    FUZZ_CHECK(image.isNull() != error.isEmpty());
    if (image.isNull()) return;
    FUZZ_CHECK(image.format() == kPixelFormat);
    FUZZ_CHECK(qint64(image.width()) * image.height() <= kMaxLoadPixels);
}

void CheckRows(const QString& path, const QImage& whole) {
    const TJpegStream stream(path, {});
    if (!stream.Streamable() || stream.Orientation() != 1) return;
    FUZZ_CHECK(stream.Size() == whole.size());
    // A band from the middle, as a crop asks for it.
    const QRect area(whole.width() / 3, whole.height() / 4, (whole.width() + 1) / 2,
                     (whole.height() + 1) / 2);
    bool same = true;
    const bool decoded = stream.Decode(area, [&](int y, const uchar* row) {
        same = same && y >= area.top() && y <= area.bottom() &&
               std::equal(row, row + area.width() * 4, whole.constScanLine(y) + area.left() * 4);
    });
    FUZZ_CHECK(!decoded || same);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QString path =
        fuzz::InputFile(data, size, QStringLiteral("input." VELLUMORA_FUZZ_SUFFIX));
    QString error;
    TMetadata metadata;
    TLoadOptions exact;
    exact.metadata = &metadata;
    const QImage image = DoLoad(path, &error, exact);
    CheckLoaded(image, error);

    const TImageHeader header = ReadImageHeader(path);
    const QByteArray start = QByteArray::fromRawData(reinterpret_cast<const char*>(data),
                                                     qsizetype(std::min<size_t>(size, 64)));
    const bool ownHeader = codec::LooksLikeJpeg(start) || codec::LooksLikeJxl(start);
    if (!image.isNull() && header.size.isValid() && ownHeader)
        FUZZ_CHECK(header.size == image.size());

    TLoadOptions reduced;
    reduced.minimumLongSide = 16;
    reduced.preview = true;
    QString reducedError;
    const QImage small = DoLoad(path, &reducedError, reduced);
    CheckLoaded(small, reducedError);

    if (!image.isNull() && metadata.Orientation() == 1) CheckRows(path, image);
    return 0;
}
