#include <libraw/libraw.h>

#include <QFile>
#include <algorithm>
#include <cmath>
#include <memory>
#include <new>

#include "codec/CodecModules.h"
#include "codec/ImageBuffer.h"
#include "codec/JpegCodec.h"

namespace vellumora::codec {
namespace {

// LibRaw decodes past data it finds damaged (a corrupt compressed stream comes out as a
// nearly white picture) and only tells through this callback; a read past the end of the
// file also fails the call that made it.
void CountDataError(void* count, const char* /*file*/, const int /*offset*/) {
    ++*static_cast<int*>(count);
}

// A LibRaw instance with its messages to stderr turned off. Its state is a few hundred
// kilobytes: too much for a thread's stack.
std::unique_ptr<LibRaw> NewLibRaw(int* dataErrors) {
    auto raw = std::make_unique<LibRaw>();
    raw->set_dataerror_handler(dataErrors ? &CountDataError : nullptr, dataErrors);
    raw->set_memerror_handler(nullptr, nullptr);
    return raw;
}

// LibRaw's flip code (its bit 4 swaps the axes, then bit 2 turns the rows over and bit 1
// the columns: 3 is a half turn, 6 a quarter turn clockwise, 5 one counter-clockwise) as an
// EXIF orientation code.
int ExifOrientation(int flip) {
    static constexpr int kExif[8] = {1, 2, 4, 3, 5, 8, 6, 7};
    return flip >= 0 && flip < 8 ? kExif[flip] : 1;
}

// The size of the picture dcraw_process gives, upright: non-square pixels stretched, the
// axes swapped by the orientation. Sensors turned by 45 degrees (old Fuji SuperCCD) come
// out larger still; this is only used to check a preview's shape.
QSizeF UprightSize(const libraw_image_sizes_t& sizes) {
    double width = sizes.width, height = sizes.height;
    if (sizes.pixel_aspect > 1.005) width *= sizes.pixel_aspect;
    if (sizes.pixel_aspect > 0 && sizes.pixel_aspect < 0.995) height /= sizes.pixel_aspect;
    return sizes.flip & 4 ? QSizeF(height, width) : QSizeF(width, height);
}

// What a failing LibRaw call after a successful open means: the file is one LibRaw
// knows, so no other reader gets to try it.
TDecoded FailedAfterOpen(int code, const libraw_image_sizes_t& sizes) {
    if (code == LIBRAW_UNSUFFICIENT_MEMORY)
        return TDecoded::Failed(QStringLiteral("out of memory"));
    if (code == LIBRAW_TOO_BIG) return TDecoded::TooLarge(sizes.raw_width, sizes.raw_height);
    return TDecoded::Failed(QStringLiteral("damaged file"));
}

// The camera's embedded preview, upright, when it is the whole picture (the same shape)
// and meets the caller's minimums; Failed otherwise, leaving the raw data to be decoded.
TDecoded DecodePreview(LibRaw& raw, const TLoadOptions& options) {
    if (!raw.thumbOK() || raw.unpack_thumb() != LIBRAW_SUCCESS) return TDecoded::Failed();
    const libraw_thumbnail_t& thumb = raw.imgdata.thumbnail;
    // LibRaw hands the preview over as the camera stored it, not turned.
    const int orientation = ExifOrientation(raw.imgdata.sizes.flip);
    TDecoded decoded;
    if (thumb.tformat == LIBRAW_THUMBNAIL_JPEG && thumb.thumb && thumb.tlength > 0) {
        decoded =
            DecodeJpeg(QByteArray::fromRawData(thumb.thumb, thumb.tlength), options, orientation);
    } else if (thumb.tformat == LIBRAW_THUMBNAIL_BITMAP && thumb.thumb &&
               (thumb.tcolors == 3 || thumb.tcolors == 1) && thumb.twidth > 0 &&
               thumb.theight > 0 &&
               qint64(thumb.tlength) >= qint64(thumb.twidth) * thumb.theight * thumb.tcolors) {
        QImage image = NewImage(thumb.twidth, thumb.theight);
        if (image.isNull()) return TDecoded::Failed();
        const auto* src = reinterpret_cast<const uchar*>(thumb.thumb);
        for (int y = 0; y < image.height(); ++y) {
            auto* dst = reinterpret_cast<QRgb*>(image.scanLine(y));
            for (int x = 0; x < image.width(); ++x, src += thumb.tcolors)
                dst[x] = thumb.tcolors == 3 ? qRgb(src[0], src[1], src[2])
                                            : qRgb(src[0], src[0], src[0]);
        }
        decoded = TDecoded::Ok(OrientImage(image, orientation));
    }
    if (decoded.status != TDecoded::EStatus::Ok || decoded.image.isNull())
        return TDecoded::Failed();
    // Small thumbnails often carry black bands to another aspect ratio.
    const QSizeF full = UprightSize(raw.imgdata.sizes);
    const QSize size = decoded.image.size();
    const double ratio = (size.width() / double(size.height())) / (full.width() / full.height());
    if (std::abs(ratio - 1) > 0.02 || !options.Allows(size.width(), size.height()))
        return TDecoded::Failed();
    return decoded;
}

TImageHeader ReadRawHeader(const QString& path) {
    try {
        const std::unique_ptr<LibRaw> raw = NewLibRaw(nullptr);
        if (raw->open_file(QFile::encodeName(path).constData()) != LIBRAW_SUCCESS) return {};
        libraw_image_sizes_t& sizes = raw->imgdata.sizes;
        if (sizes.width < 1 || sizes.height < 1) return {};
        TImageHeader header;
        // A colour filter array decodes at half size; other data only through a preview.
        header.reducible = raw->imgdata.idata.filters != 0 || raw->thumbOK();
        // Turns width and height as dcraw_process will (orientation, non-square pixels).
        if (raw->adjust_sizes_info_only() != LIBRAW_SUCCESS) return {};
        header.size = QSize(sizes.iwidth, sizes.iheight);
        if (header.size.isEmpty()) return {};
        return header;
    } catch (const std::exception&) {
        return {};
    }
}

TDecoded DecodeRaw(const QString& path, const TLoadOptions& options) {
    try {
        int dataErrors = 0;
        const std::unique_ptr<LibRaw> raw = NewLibRaw(&dataErrors);
        libraw_output_params_t& params = raw->imgdata.params;
        params.output_bps = 8;
        params.output_color = 1;  // sRGB primaries
        // and the sRGB tone curve; LibRaw's default is BT.709's, darker in the midtones.
        params.gamm[0] = 1 / 2.4;
        params.gamm[1] = 12.92;
        params.use_camera_wb = 1;

        // A file LibRaw does not identify is left to the other readers.
        if (raw->open_file(QFile::encodeName(path).constData()) != LIBRAW_SUCCESS)
            return TDecoded::Failed();
        const libraw_image_sizes_t& sizes = raw->imgdata.sizes;
        if (ExceedsPixelLimit(sizes.raw_width, sizes.raw_height))
            return TDecoded::TooLarge(sizes.raw_width, sizes.raw_height);
        if (ExceedsPixelLimit(sizes.width, sizes.height))
            return TDecoded::TooLarge(sizes.width, sizes.height);
        if (sizes.width < 1 || sizes.height < 1)
            return TDecoded::Failed(QStringLiteral("damaged file"));

        // A picture shown only until the exact one is ready may be the camera's own
        // rendering; a reduced one for anything else (a batch) never is.
        if (options.preview && options.AllowsReduction()) {
            TDecoded preview = DecodePreview(*raw, options);
            if (preview.status == TDecoded::EStatus::Ok) return preview;
        }
        if (options.AllowsReduction() && options.Allows(sizes.width / 2, sizes.height / 2))
            params.half_size = 1;

        if (const int code = raw->unpack(); code != LIBRAW_SUCCESS)
            return FailedAfterOpen(code, sizes);
        if (dataErrors > 0 || raw->error_count() > 0)
            return TDecoded::Failed(QStringLiteral("damaged file"));
        if (const int code = raw->dcraw_process(); code != LIBRAW_SUCCESS)
            return FailedAfterOpen(code, sizes);
        int status = LIBRAW_SUCCESS;
        // The copy LibRaw makes here is already turned by the file's orientation.
        const std::unique_ptr<libraw_processed_image_t, void (*)(libraw_processed_image_t*)>
            processed(raw->dcraw_make_mem_image(&status), &LibRaw::dcraw_clear_mem);
        if (!processed || status != LIBRAW_SUCCESS)
            return FailedAfterOpen(processed ? status : LIBRAW_UNSUFFICIENT_MEMORY, sizes);
        const libraw_processed_image_t& p = *processed;
        const int width = p.width;
        const int height = p.height;
        const int colors = p.colors;
        if (p.type != LIBRAW_IMAGE_BITMAP || p.bits != 8 || (colors != 1 && colors != 3))
            return TDecoded::Failed(QStringLiteral("damaged file"));
        if (ExceedsPixelLimit(width, height)) return TDecoded::TooLarge(width, height);
        if (width < 1 || height < 1 || qint64(p.data_size) < qint64(width) * height * colors)
            return TDecoded::Failed(QStringLiteral("damaged file"));

        QImage image = NewImage(width, height);
        if (image.isNull()) return TDecoded::Failed(QStringLiteral("out of memory"));
        const uchar* src = p.data;
        for (int y = 0; y < height; ++y) {
            auto* dst = reinterpret_cast<QRgb*>(image.scanLine(y));
            if (colors == 3) {
                for (int x = 0; x < width; ++x, src += 3) dst[x] = qRgb(src[0], src[1], src[2]);
            } else {
                for (int x = 0; x < width; ++x, ++src) dst[x] = qRgb(*src, *src, *src);
            }
        }
        return TDecoded::Ok(std::move(image));
    } catch (const std::bad_alloc&) {
        return TDecoded::Failed(QStringLiteral("out of memory"));
    } catch (const std::exception&) {
        return TDecoded::Failed();
    }
}

}  // namespace
}  // namespace vellumora::codec

VELLUMORA_MODULE_ENTRY const void* VellumoraCodecModule() {
    using namespace vellumora::codec;
    static const TRawModule table{.decode = DecodeRaw, .readHeader = ReadRawHeader};
    return &table;
}
