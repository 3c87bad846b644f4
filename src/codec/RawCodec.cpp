#include "codec/RawCodec.h"

#include <libraw/libraw.h>

#include <QFile>
#include <algorithm>
#include <memory>

#include "codec/ImageBuffer.h"

namespace vellumora::codec {

bool IsRawSuffix(const QString& suffix) {
    for (const TReadableType& type : ReadableTypes())
        if (type.raw && suffix == QLatin1String(type.suffix)) return true;
    return false;
}

TImageHeader ReadRawHeader(const QString& path) {
    Q_UNUSED(path);
    return {};  // filled in by the raw work
}

TDecoded DecodeRaw(const QString& path, const TLoadOptions& options) {
    try {
        // LibRaw's state is a few hundred kilobytes: too much for a thread's stack.
        auto raw = std::make_unique<LibRaw>();
        // Its default handlers print to stderr; a failure shows in the return codes.
        raw->set_dataerror_handler(nullptr, nullptr);
        raw->set_memerror_handler(nullptr, nullptr);

        libraw_output_params_t& params = raw->imgdata.params;
        params.output_bps = 8;
        params.output_color = 1;  // sRGB
        params.use_camera_wb = 1;

        if (raw->open_file(QFile::encodeName(path).constData()) != LIBRAW_SUCCESS)
            return TDecoded::Failed();
        const libraw_image_sizes_t& sizes = raw->imgdata.sizes;
        if (ExceedsPixelLimit(sizes.raw_width, sizes.raw_height))
            return TDecoded::TooLarge(sizes.raw_width, sizes.raw_height);
        if (ExceedsPixelLimit(sizes.width, sizes.height))
            return TDecoded::TooLarge(sizes.width, sizes.height);
        if (sizes.width < 1 || sizes.height < 1) return TDecoded::Failed();

        if (options.AllowsReduction() && options.Allows(sizes.width / 2, sizes.height / 2))
            params.half_size = 1;

        if (raw->unpack() != LIBRAW_SUCCESS) return TDecoded::Failed();
        if (raw->dcraw_process() != LIBRAW_SUCCESS) return TDecoded::Failed();
        int status = LIBRAW_SUCCESS;
        // The copy LibRaw makes here is already turned by the file's orientation.
        const std::unique_ptr<libraw_processed_image_t, void (*)(libraw_processed_image_t*)>
            processed(raw->dcraw_make_mem_image(&status), &LibRaw::dcraw_clear_mem);
        if (!processed || status != LIBRAW_SUCCESS) return TDecoded::Failed();
        const libraw_processed_image_t& p = *processed;
        const int width = p.width;
        const int height = p.height;
        const int colors = p.colors;
        if (p.type != LIBRAW_IMAGE_BITMAP || p.bits != 8 || (colors != 1 && colors != 3))
            return TDecoded::Failed();
        if (ExceedsPixelLimit(width, height)) return TDecoded::TooLarge(width, height);
        if (width < 1 || height < 1 || qint64(p.data_size) < qint64(width) * height * colors)
            return TDecoded::Failed();

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
    } catch (const std::exception&) {
        return TDecoded::Failed();
    }
}

}  // namespace vellumora::codec
