#include "support/MadeFiles.h"

#include <jxl/encode.h>
#include <jxl/encode_cxx.h>
#include <webp/encode.h>
#include <webp/mux.h>

#include <vector>

namespace vellumora::test {

// --- HEIF and AVIF (libheif) ---

// --- JPEG XL (libjxl) and WebP (libwebp) ---

namespace {

template <typename T>
void Append(std::vector<uint8_t>& out, T value) {
    const auto* bytes = reinterpret_cast<const uint8_t*>(&value);
    out.insert(out.end(), bytes, bytes + sizeof value);
}

// The file WebPMux makes of `file` with the chunks given; `file` itself when none is.
QByteArray WithWebpChunks(const QByteArray& file,
                          std::initializer_list<std::pair<const char*, QByteArray>> chunks) {
    const WebPData in{reinterpret_cast<const uint8_t*>(file.constData()), size_t(file.size())};
    WebPMux* mux = WebPMuxCreate(&in, 1);
    if (!mux) return {};
    bool any = false;
    for (const auto& [fourcc, body] : chunks) {
        if (body.isEmpty()) continue;
        const WebPData chunk{reinterpret_cast<const uint8_t*>(body.constData()),
                             size_t(body.size())};
        any = true;
        if (WebPMuxSetChunk(mux, fourcc, &chunk, 1) != WEBP_MUX_OK) {
            WebPMuxDelete(mux);
            return {};
        }
    }
    WebPData out;
    WebPDataInit(&out);
    const bool ok = WebPMuxAssemble(mux, &out) == WEBP_MUX_OK;
    QByteArray bytes =
        ok ? QByteArray(reinterpret_cast<const char*>(out.bytes), qsizetype(out.size))
           : QByteArray();
    WebPDataClear(&out);
    WebPMuxDelete(mux);
    return any ? bytes : file;
}

}  // namespace

QByteArray MakeJxl(const QImage& image, const TJxlFile& how) {
    // Straight alpha, 16 bits: every depth is taken from it exactly (8 bits are v >> 8).
    const QImage source = image.convertToFormat(QImage::Format_RGBA64);
    const uint32_t channels = how.alpha ? 4 : 3;
    std::vector<uint8_t> pixels;
    for (int y = 0; y < source.height(); ++y) {
        const auto* row = reinterpret_cast<const QRgba64*>(source.constScanLine(y));
        for (int x = 0; x < source.width(); ++x) {
            const quint16 values[] = {row[x].red(), row[x].green(), row[x].blue(), row[x].alpha()};
            for (uint32_t c = 0; c < channels; ++c) {
                if (how.bits == 8) Append(pixels, uint8_t(values[c] >> 8));
                if (how.bits == 16) Append(pixels, uint16_t(values[c]));
                if (how.bits == 32) Append(pixels, float(values[c]) / 65535.0f);
            }
        }
    }
    const JxlDataType type = how.bits == 8    ? JXL_TYPE_UINT8
                             : how.bits == 16 ? JXL_TYPE_UINT16
                                              : JXL_TYPE_FLOAT;
    const JxlPixelFormat format{channels, type, JXL_NATIVE_ENDIAN, 0};

    const JxlEncoderPtr encoder = JxlEncoderMake(nullptr);
    JxlEncoder* enc = encoder.get();
    if (!enc) return {};
    if ((!how.exif.isEmpty() || !how.xmp.isEmpty()) &&
        (JxlEncoderUseContainer(enc, JXL_TRUE) != JXL_ENC_SUCCESS ||
         JxlEncoderUseBoxes(enc) != JXL_ENC_SUCCESS))
        return {};
    JxlBasicInfo info;
    JxlEncoderInitBasicInfo(&info);
    info.xsize = uint32_t(source.width());
    info.ysize = uint32_t(source.height());
    info.bits_per_sample = uint32_t(how.bits);
    info.exponent_bits_per_sample = how.bits == 32 ? 8 : 0;
    if (how.alpha) {
        info.num_extra_channels = 1;
        info.alpha_bits = info.bits_per_sample;
        info.alpha_exponent_bits = info.exponent_bits_per_sample;
    }
    info.uses_original_profile = how.lossless ? JXL_TRUE : JXL_FALSE;
    info.orientation = JxlOrientation(how.orientation);
    JxlColorEncoding colour;
    JxlColorEncodingSetToSRGB(&colour, JXL_FALSE);
    if (how.displayP3) colour.primaries = JXL_PRIMARIES_P3;
    if (JxlEncoderSetBasicInfo(enc, &info) != JXL_ENC_SUCCESS ||
        JxlEncoderSetColorEncoding(enc, &colour) != JXL_ENC_SUCCESS)
        return {};
    const QByteArray exifBox = QByteArray(4, '\0') + how.exif;  // no offset to the TIFF header
    if ((!how.exif.isEmpty() &&
         JxlEncoderAddBox(enc, "Exif", reinterpret_cast<const uint8_t*>(exifBox.constData()),
                          size_t(exifBox.size()), how.compressBoxes) != JXL_ENC_SUCCESS) ||
        (!how.xmp.isEmpty() &&
         JxlEncoderAddBox(enc, "xml ", reinterpret_cast<const uint8_t*>(how.xmp.constData()),
                          size_t(how.xmp.size()), how.compressBoxes) != JXL_ENC_SUCCESS))
        return {};
    JxlEncoderFrameSettings* settings = JxlEncoderFrameSettingsCreate(enc, nullptr);
    if (!settings ||
        JxlEncoderFrameSettingsSetOption(settings, JXL_ENC_FRAME_SETTING_EFFORT, 3) !=
            JXL_ENC_SUCCESS ||
        (how.lossless ? JxlEncoderSetFrameLossless(settings, JXL_TRUE)
                      : JxlEncoderSetFrameDistance(settings, 1.0f)) != JXL_ENC_SUCCESS ||
        JxlEncoderAddImageFrame(settings, &format, pixels.data(), pixels.size()) != JXL_ENC_SUCCESS)
        return {};
    JxlEncoderCloseInput(enc);
    QByteArray out(4096, '\0');
    size_t used = 0;
    for (;;) {
        auto* next = reinterpret_cast<uint8_t*>(out.data()) + used;
        size_t available = size_t(out.size()) - used;
        const JxlEncoderStatus status = JxlEncoderProcessOutput(enc, &next, &available);
        used = size_t(next - reinterpret_cast<uint8_t*>(out.data()));
        if (status == JXL_ENC_SUCCESS) break;
        if (status != JXL_ENC_NEED_MORE_OUTPUT) return {};
        out.resize(out.size() * 2);
    }
    return out.left(qsizetype(used));
}

QByteArray MakeWebp(const QImage& image, const QByteArray& icc, const QByteArray& exif,
                    const QByteArray& xmp) {
    const QImage bgra = image.convertToFormat(QImage::Format_ARGB32);  // B, G, R, A in memory
    uint8_t* encoded = nullptr;
    const size_t size = WebPEncodeLosslessBGRA(bgra.constBits(), bgra.width(), bgra.height(),
                                               int(bgra.bytesPerLine()), &encoded);
    const QByteArray file(reinterpret_cast<const char*>(encoded), qsizetype(size));
    WebPFree(encoded);
    if (file.isEmpty()) return {};
    return WithWebpChunks(file, {{"ICCP", icc}, {"EXIF", exif}, {"XMP ", xmp}});
}

QByteArray MakeAnimatedWebp(const QList<QImage>& frames) {
    if (frames.isEmpty()) return {};
    const QSize size = frames.first().size();
    WebPAnimEncoderOptions options;
    WebPConfig config;
    if (!WebPAnimEncoderOptionsInit(&options) || !WebPConfigInit(&config)) return {};
    config.lossless = 1;
    WebPAnimEncoder* encoder = WebPAnimEncoderNew(size.width(), size.height(), &options);
    if (!encoder) return {};
    bool ok = true;
    int timestamp = 0;
    for (const QImage& frame : frames) {
        const QImage bgra = frame.convertToFormat(QImage::Format_ARGB32);
        WebPPicture picture;
        ok = ok && WebPPictureInit(&picture);
        picture.use_argb = 1;
        picture.width = bgra.width();
        picture.height = bgra.height();
        ok = ok && WebPPictureImportBGRA(&picture, bgra.constBits(), int(bgra.bytesPerLine())) &&
             WebPAnimEncoderAdd(encoder, &picture, timestamp, &config);
        WebPPictureFree(&picture);
        timestamp += 100;
    }
    WebPData data;
    WebPDataInit(&data);
    ok = ok && WebPAnimEncoderAdd(encoder, nullptr, timestamp, nullptr) &&
         WebPAnimEncoderAssemble(encoder, &data);
    const QByteArray file =
        ok ? QByteArray(reinterpret_cast<const char*>(data.bytes), qsizetype(data.size))
           : QByteArray();
    WebPDataClear(&data);
    WebPAnimEncoderDelete(encoder);
    return file;
}

// --- Camera raw (DNG through libtiff) ---

}  // namespace vellumora::test
