#include "codec/WebpCodec.h"

#include <webp/decode.h>
#include <webp/demux.h>
#include <webp/encode.h>
#include <webp/mux.h>

#include <QColorSpace>
#include <QtEndian>
#include <cstring>
#include <memory>
#include <new>

#include "codec/ImageBuffer.h"

namespace vellumora::codec {
namespace {

// libwebp's MODE_BGRA and WebPPictureImportBGRX are byte orders; kPixelFormat is one
// only on little-endian machines.
static_assert(Q_BYTE_ORDER == Q_LITTLE_ENDIAN, "WebP pixels are taken as kPixelFormat bytes");

// Quality and method of written files, measured against our JPEG at quality 90 on
// photo-like 12 and 24 MP images (bench's make_test_photo, moved by 3 pixels so that the
// JPEG does not simply requantise its source's own blocks) on a 2-core machine. Quality 87:
// 76 % of the JPEG's size at 1.6 dB more PSNR (39.1 against 37.5 dB); 85 came within
// 0.5 dB of the JPEG. Method 4 is libwebp's default, about 1.3 s for 12 MP; 5 and 6 take
// twice as long or more for 3 % less.
constexpr float kQuality = 87.0f;
constexpr int kMethod = 4;

// Longest side WebP stores, decoded or written (14 bits).
constexpr int kMaxSide = WEBP_MAX_DIMENSION;

// ICC profiles longer than this are no colour description but damage.
constexpr size_t kMaxIccBytes = size_t(4) << 20;

struct TDemuxDelete {
    void operator()(WebPDemuxer* demux) const { WebPDemuxDelete(demux); }
};
struct TAnimDelete {
    void operator()(WebPAnimDecoder* decoder) const { WebPAnimDecoderDelete(decoder); }
};
struct TMuxDelete {
    void operator()(WebPMux* mux) const { WebPMuxDelete(mux); }
};

// The colour space of an ICCP chunk; invalid when there is none or Qt cannot read it,
// and the pixels are then taken as sRGB, as for any untagged picture.
QColorSpace IccColorSpace(const WebPData& webp) {
    const std::unique_ptr<WebPDemuxer, TDemuxDelete> demux(WebPDemux(&webp));
    if (!demux || !(WebPDemuxGetI(demux.get(), WEBP_FF_FORMAT_FLAGS) & ICCP_FLAG)) return {};
    WebPChunkIterator chunk;
    if (!WebPDemuxGetChunk(demux.get(), "ICCP", 1, &chunk)) return {};
    QByteArray icc;
    if (chunk.chunk.size > 0 && chunk.chunk.size <= kMaxIccBytes)
        icc = QByteArray(reinterpret_cast<const char*>(chunk.chunk.bytes),
                         qsizetype(chunk.chunk.size));
    WebPDemuxReleaseChunkIterator(&chunk);
    return icc.isEmpty() ? QColorSpace() : QColorSpace::fromIccProfile(icc);
}

TDecoded DecodeStill(const WebPData& webp, int width, int height) {
    WebPDecoderConfig config;
    if (!WebPInitDecoderConfig(&config)) return TDecoded::Failed();
    QImage image = NewImage(width, height);
    if (image.isNull()) return TDecoded::Failed(QStringLiteral("out of memory"));
    config.options.use_threads = 1;
    config.output.colorspace = MODE_BGRA;
    config.output.is_external_memory = 1;
    config.output.u.RGBA.rgba = image.bits();
    config.output.u.RGBA.stride = int(image.bytesPerLine());
    config.output.u.RGBA.size = size_t(image.sizeInBytes());
    const VP8StatusCode status = WebPDecode(webp.bytes, webp.size, &config);
    WebPFreeDecBuffer(&config.output);
    if (status == VP8_STATUS_OUT_OF_MEMORY)
        return TDecoded::Failed(QStringLiteral("out of memory"));
    if (status != VP8_STATUS_OK) return TDecoded::Failed();
    return TDecoded::Ok(std::move(image));
}

// The first frame as an animation shows it: composed on its canvas.
TDecoded DecodeFirstFrame(const WebPData& webp) {
    WebPAnimDecoderOptions options;
    if (!WebPAnimDecoderOptionsInit(&options)) return TDecoded::Failed();
    options.color_mode = MODE_BGRA;
    options.use_threads = 1;
    const std::unique_ptr<WebPAnimDecoder, TAnimDelete> decoder(
        WebPAnimDecoderNew(&webp, &options));
    WebPAnimInfo info;
    if (!decoder || !WebPAnimDecoderGetInfo(decoder.get(), &info)) return TDecoded::Failed();
    uint8_t* canvas = nullptr;
    int timestamp = 0;
    if (!WebPAnimDecoderGetNext(decoder.get(), &canvas, &timestamp) || !canvas)
        return TDecoded::Failed();
    QImage image = NewImage(int(info.canvas_width), int(info.canvas_height));
    if (image.isNull()) return TDecoded::Failed(QStringLiteral("out of memory"));
    const size_t row = size_t(info.canvas_width) * 4;
    for (int y = 0; y < image.height(); ++y)
        std::memcpy(image.scanLine(y), canvas + row * size_t(y), row);
    return TDecoded::Ok(std::move(image));
}

TDecoded Decode(const QByteArray& data, int orientation) {
    const WebPData webp{reinterpret_cast<const uint8_t*>(data.constData()), size_t(data.size())};
    WebPBitstreamFeatures features;
    if (WebPGetFeatures(webp.bytes, webp.size, &features) != VP8_STATUS_OK)
        return TDecoded::Failed();
    // The canvas of an animation may claim up to 16 million pixels a side.
    if (features.width > kMaxSide || features.height > kMaxSide ||
        ExceedsPixelLimit(features.width, features.height))
        return TDecoded::TooLarge(features.width, features.height);
    if (features.width <= 0 || features.height <= 0) return TDecoded::Failed();
    TDecoded decoded = features.has_animation ? DecodeFirstFrame(webp)
                                              : DecodeStill(webp, features.width, features.height);
    if (decoded.status != TDecoded::EStatus::Ok) return decoded;
    // Each frame may have alpha even where the header has no flag for it.
    if (features.has_alpha || features.has_animation) CompositeOverWhiteInPlace(decoded.image);
    ConvertToSrgb(decoded.image, IccColorSpace(webp));
    if (orientation != 1) {
        decoded.image = OrientImage(decoded.image, orientation);
        if (decoded.image.isNull()) return TDecoded::Failed(QStringLiteral("out of memory"));
    }
    return decoded;
}

// The reasons libwebp's encoder gives that a user can act on.
QString EncodeFailure(WebPEncodingError code) {
    switch (code) {
        case VP8_ENC_ERROR_OUT_OF_MEMORY:
        case VP8_ENC_ERROR_BITSTREAM_OUT_OF_MEMORY:
            return QStringLiteral("out of memory");
        case VP8_ENC_ERROR_BAD_DIMENSION:
            return QStringLiteral("image too large for this file type");
        default:
            return QStringLiteral("cannot write image: WebP encoder error %1").arg(int(code));
    }
}

bool Encode(const QImage& image, const TMetadataBlobs& metadata, QByteArray* out, QString* error) {
    const auto fail = [&](const QString& reason) {
        if (error) *error = reason;
        return false;
    };
    if (image.isNull()) return fail(QStringLiteral("empty image"));
    if (image.width() > kMaxSide || image.height() > kMaxSide)
        return fail(QStringLiteral("image too large for this file type (%1 x %2)")
                        .arg(image.width())
                        .arg(image.height()));
    const QImage bgrx =
        image.format() == kPixelFormat ? image : image.convertToFormat(kPixelFormat);
    if (bgrx.isNull()) return fail(QStringLiteral("out of memory"));

    WebPConfig config;
    WebPPicture picture;
    if (!WebPConfigInit(&config) || !WebPPictureInit(&picture))
        return fail(QStringLiteral("cannot write image: libwebp version mismatch"));
    config.quality = kQuality;
    config.method = kMethod;
    config.thread_level = 1;
    picture.width = bgrx.width();
    picture.height = bgrx.height();
    WebPMemoryWriter writer;
    WebPMemoryWriterInit(&writer);
    picture.writer = WebPMemoryWrite;
    picture.custom_ptr = &writer;
    const bool imported =
        WebPPictureImportBGRX(&picture, bgrx.constBits(), int(bgrx.bytesPerLine()));
    const bool encoded = imported && WebPEncode(&config, &picture);
    const WebPEncodingError code = imported ? picture.error_code : VP8_ENC_ERROR_OUT_OF_MEMORY;
    WebPPictureFree(&picture);
    QByteArray bytes;
    if (encoded)
        bytes = QByteArray(reinterpret_cast<const char*>(writer.mem), qsizetype(writer.size));
    WebPMemoryWriterClear(&writer);
    if (!encoded) return fail(EncodeFailure(code));
    if (metadata.exif.isEmpty() && metadata.xmp.isEmpty()) {
        *out = std::move(bytes);
        return true;
    }

    // The metadata goes into chunks of an extended file, which WebPMux lays out.
    const WebPData bitstream{reinterpret_cast<const uint8_t*>(bytes.constData()),
                             size_t(bytes.size())};
    const std::unique_ptr<WebPMux, TMuxDelete> mux(WebPMuxCreate(&bitstream, 1));
    if (!mux) return fail(QStringLiteral("out of memory"));
    const auto setChunk = [&](const char* fourcc, const QByteArray& body) {
        const WebPData chunk{reinterpret_cast<const uint8_t*>(body.constData()),
                             size_t(body.size())};
        return body.isEmpty() || WebPMuxSetChunk(mux.get(), fourcc, &chunk, 1) == WEBP_MUX_OK;
    };
    WebPData assembled;
    WebPDataInit(&assembled);
    if (!setChunk("EXIF", metadata.exif) || !setChunk("XMP ", metadata.xmp) ||
        WebPMuxAssemble(mux.get(), &assembled) != WEBP_MUX_OK)
        return fail(QStringLiteral("cannot write image: WebP metadata not written"));
    *out = QByteArray(reinterpret_cast<const char*>(assembled.bytes), qsizetype(assembled.size));
    WebPDataClear(&assembled);
    return true;
}

}  // namespace

bool LooksLikeWebp(const QByteArray& data) {
    return data.size() >= 12 && data.startsWith("RIFF") && data.mid(8, 4) == "WEBP";
}

TDecoded DecodeWebp(const QByteArray& data, const TLoadOptions&, int orientation) {
    try {
        return Decode(data, orientation);
    } catch (const std::bad_alloc&) {
        return TDecoded::Failed(QStringLiteral("out of memory"));
    }
}

bool EncodeWebp(const QImage& image, const TMetadataBlobs& metadata, QByteArray* out,
                QString* error) {
    // DoSave, the one caller, turns a failed allocation into "out of memory".
    return Encode(image, metadata, out, error);
}

}  // namespace vellumora::codec
