#include "support/MadeFiles.h"

#include <jxl/encode.h>
#include <jxl/encode_cxx.h>
#include <libheif/heif.h>
#include <tiffio.h>
#include <turbojpeg.h>
#include <webp/encode.h>
#include <webp/mux.h>

#include <QBuffer>
#include <QFile>
#include <QImageWriter>
#include <QTemporaryFile>
#include <QtEndian>
#include <cmath>
#include <memory>
#include <vector>

#include "support/ExifSupport.h"

// For the HEIC makers below: x265 (3.5) never frees a parameter block of every encoder it
// opens, so LeakSanitizer, which calls this, is told to leave libx265's own leaks out.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libx265.so\n";
}

namespace vellumora::test {

// --- HEIF and AVIF (libheif) ---

namespace {

heif_error AppendBytes(heif_context*, const void* data, size_t size, void* out) {
    static_cast<QByteArray*>(out)->append(static_cast<const char*>(data), qsizetype(size));
    return {heif_error_Ok, heif_suberror_Unspecified, "ok"};
}

// The image's pixels as libheif takes them: interleaved R, G, B (A), 8 bits or more.
heif_image* HeifImageOf(const QImage& image, int bits) {
    const bool alpha = image.hasAlphaChannel();
    const bool wide = bits > 8;
    const heif_chroma chroma =
        wide ? (alpha ? heif_chroma_interleaved_RRGGBBAA_LE : heif_chroma_interleaved_RRGGBB_LE)
             : (alpha ? heif_chroma_interleaved_RGBA : heif_chroma_interleaved_RGB);
    heif_image* out = nullptr;
    if (heif_image_create(image.width(), image.height(), heif_colorspace_RGB, chroma, &out).code !=
        heif_error_Ok)
        return nullptr;
    heif_image_add_plane(out, heif_channel_interleaved, image.width(), image.height(), bits);
    int stride = 0;
    uint8_t* plane = heif_image_get_plane(out, heif_channel_interleaved, &stride);
    const int channels = alpha ? 4 : 3;
    // An image in a premultiplied format is written premultiplied, and flagged so.
    const bool premultiplied = image.pixelFormat().premultiplied() == QPixelFormat::Premultiplied;
    if (premultiplied) heif_image_set_premultiplied_alpha(out, 1);
    const QImage rgba = image.convertToFormat(
        wide ? (premultiplied ? QImage::Format_RGBA64_Premultiplied : QImage::Format_RGBA64)
             : (premultiplied ? QImage::Format_RGBA8888_Premultiplied : QImage::Format_RGBA8888));
    for (int y = 0; y < image.height(); ++y) {
        uint8_t* d = plane + qsizetype(y) * stride;
        if (!wide) {
            const uchar* s = rgba.constScanLine(y);
            for (int x = 0; x < image.width(); ++x)
                for (int c = 0; c < channels; ++c) *d++ = s[4 * x + c];
            continue;
        }
        const auto* s = reinterpret_cast<const quint16*>(rgba.constScanLine(y));
        for (int x = 0; x < image.width(); ++x)
            for (int c = 0; c < channels; ++c, d += 2)
                qToLittleEndian<quint16>(quint16(s[4 * x + c] >> (16 - bits)), d);
    }
    return out;
}

QByteArray U16(quint32 v) {
    const char b[] = {char(v >> 8), char(v)};
    return QByteArray(b, 2);
}
QByteArray U32(quint32 v) {
    return U16(v >> 16) + U16(v & 0xFFFF);
}
QByteArray Box(const char* type, const QByteArray& body) {
    return U32(quint32(8 + body.size())) + QByteArray(type, 4) + body;
}
QByteArray FullBox(const char* type, int version, quint32 flags, const QByteArray& body) {
    return Box(type, U32(quint32(version) << 24 | flags) + body);
}

// What a libheif-written single-image HEIC holds for its image: the decoder configuration
// (hvcC) and the coded data, all that the file's mdat holds.
struct TCodedTile {
    QByteArray hvcC;
    QByteArray data;
};
TCodedTile CodedTile(const QByteArray& heic) {
    TCodedTile tile;
    const qsizetype hvcC = heic.indexOf("hvcC") - 4;
    if (hvcC >= 0) tile.hvcC = heic.mid(hvcC, qFromBigEndian<quint32>(heic.constData() + hvcC));
    for (qsizetype at = 0; at + 8 <= heic.size();) {
        const quint32 size = qFromBigEndian<quint32>(heic.constData() + at);
        if (size < 8) break;
        if (heic.mid(at + 4, 4) == "mdat") tile.data = heic.mid(at + 8, size - 8);
        at += size;
    }
    return tile;
}

}  // namespace

QByteArray MakeHeif(const QImage& image, const THeifMaking& making) {
    heif_context* context = heif_context_alloc();
    heif_encoder* encoder = nullptr;
    heif_context_get_encoder_for_format(
        context, making.av1 ? heif_compression_AV1 : heif_compression_HEVC, &encoder);
    heif_encoder_set_lossy_quality(encoder, making.quality);
    // libheif 1.15 asks libaom for a profile that fails an assertion with more than 8 bits
    // in 4:2:0 or 4:4:4; 4:2:2 passes.
    if (making.av1 && making.bits > 8) heif_encoder_set_parameter(encoder, "chroma", "422");
    heif_image* pixels = HeifImageOf(image, making.bits);
    heif_color_profile_nclx* nclx = heif_nclx_color_profile_alloc();
    nclx->color_primaries = heif_color_primaries(making.primaries);
    nclx->transfer_characteristics = heif_transfer_characteristic_IEC_61966_2_1;
    nclx->matrix_coefficients = heif_matrix_coefficients_ITU_R_BT_601_6;
    nclx->full_range_flag = 1;
    // On the image as well: the HEVC encoder writes the image's description, not the options'.
    if (making.icc.isEmpty()) heif_image_set_nclx_color_profile(pixels, nclx);
    if (!making.icc.isEmpty())
        heif_image_set_raw_color_profile(pixels, "prof", making.icc.constData(),
                                         size_t(making.icc.size()));
    heif_encoding_options* options = heif_encoding_options_alloc();
    options->output_nclx_profile = making.icc.isEmpty() ? nclx : nullptr;
    options->image_orientation = heif_orientation(making.orientation);
    options->macOS_compatibility_workaround = 0;
    options->macOS_compatibility_workaround_no_nclx_profile = 0;  // a colr box with the nclx
    heif_image_handle* handle = nullptr;
    // No file at all when the encoder refuses, rather than one without its picture.
    const bool encoded =
        heif_context_encode_image(context, pixels, encoder, options, &handle).code == heif_error_Ok;
    if (!making.thumbnail.isNull()) {
        heif_image* small = HeifImageOf(making.thumbnail, making.bits);
        heif_context_encode_thumbnail(context, small, handle, encoder, options, making.thumbnailBox,
                                      nullptr);
        heif_image_release(small);
    }
    if (!making.exif.isEmpty())
        heif_context_add_exif_metadata(context, handle, making.exif.constData(),
                                       int(making.exif.size()));
    if (!making.xmp.isEmpty())
        heif_context_add_XMP_metadata(context, handle, making.xmp.constData(),
                                      int(making.xmp.size()));
    QByteArray out;
    heif_writer writer{1, &AppendBytes};
    if (encoded) heif_context_write(context, &writer, &out);
    heif_image_handle_release(handle);
    heif_encoding_options_free(options);
    heif_nclx_color_profile_free(nclx);
    heif_image_release(pixels);
    heif_encoder_release(encoder);
    heif_context_free(context);
    return out;
}

// libheif writes no grids of its own, so the file is put together here from tiles it
// encoded one by one: ftyp, then meta (hdlr, pitm, iloc, iinf, iref, iprp, idat), then
// mdat with the tiles' coded data. The grid item's own data (rows, columns, output size)
// lives in idat.
QByteArray MakeHeifGrid(const QImage& image, int tile, int quarterTurns, bool missingTile) {
    const int columns = image.width() / tile, rows = image.height() / tile;
    const int n = columns * rows;
    const quint32 gridId = 100;
    std::vector<TCodedTile> tiles;
    for (int i = 0; i < n; ++i)
        tiles.push_back(CodedTile(
            MakeHeif(image.copy((i % columns) * tile, (i / columns) * tile, tile, tile))));

    QByteArray infes, references, properties, associations;
    for (int i = 0; i < n; ++i) {
        const quint32 id = quint32(i + 1);
        infes += FullBox("infe", 2, 1 /* hidden */, U16(id) + U16(0) + "hvc1" + QByteArray(1, 0));
        references += U16(missingTile && i == n - 1 ? 77 : id);
        properties += tiles[size_t(i)].hvcC;
        // Its hvcC (essential), then the tiles' shared ispe.
        associations += U16(id) + char(2) + char(0x80 | (i + 1)) + char(n + 1);
    }
    infes += FullBox("infe", 2, 0, U16(gridId) + U16(0) + "grid" + QByteArray(1, 0));
    properties += FullBox("ispe", 0, 0, U32(quint32(tile)) + U32(quint32(tile)));
    properties += FullBox("ispe", 0, 0, U32(quint32(image.width())) + U32(quint32(image.height())));
    properties += Box("irot", QByteArray(1, char(quarterTurns & 3)));
    // The grid's size first, its turn after: the order in which they apply.
    associations += U16(gridId) + char(quarterTurns ? 2 : 1) + char(n + 2);
    if (quarterTurns) associations += char(0x80 | (n + 3));
    const QByteArray gridData = QByteArray(2, 0) + char(rows - 1) + char(columns - 1) +
                                U16(quint32(image.width())) + U16(quint32(image.height()));

    const QByteArray ftyp = Box("ftyp", QByteArray("heic") + U32(0) + "mif1heic");
    const auto meta = [&](quint32 mdatData) {
        // iloc version 1, offsets and lengths of 4 bytes, no base offset or index.
        QByteArray items = U16(quint32(n + 1));
        quint32 offset = mdatData;
        for (int i = 0; i < n; ++i) {
            const quint32 length = quint32(tiles[size_t(i)].data.size());
            items += U16(quint32(i + 1)) + U16(0) + U16(0) + U16(1) + U32(offset) + U32(length);
            offset += length;
        }
        items += U16(gridId) + U16(1 /* in idat */) + U16(0) + U16(1) + U32(0) +
                 U32(quint32(gridData.size()));
        return FullBox(
            "meta", 0, 0,
            FullBox("hdlr", 0, 0, U32(0) + "pict" + QByteArray(13, 0)) +
                FullBox("pitm", 0, 0, U16(gridId)) +
                FullBox("iloc", 1, 0, QByteArray("\x44\x00", 2) + items) +
                FullBox("iinf", 0, 0, U16(quint32(n + 1)) + infes) +
                FullBox("iref", 0, 0, Box("dimg", U16(gridId) + U16(quint32(n)) + references)) +
                Box("iprp", Box("ipco", properties) +
                                FullBox("ipma", 0, 0, U32(quint32(n + 1)) + associations)) +
                Box("idat", gridData));
    };
    const quint32 mdatData = quint32(ftyp.size() + meta(0).size() + 8);
    QByteArray mdat;
    for (const TCodedTile& t : tiles) mdat += t.data;
    return ftyp + meta(mdatData) + Box("mdat", mdat);
}

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

namespace {

// The camera of MakeDng: linear sRGB seen through filters of unequal strength, which the
// white balance it records (AsShotNeutral) undoes.
constexpr float kDngNeutral[3] = {0.5f, 1.0f, 0.8f};
constexpr quint16 kDngBlack = 512, kDngWhite = 16383;

// The value of a little-endian TIFF's first-directory entry `tag` (SHORT or LONG, one
// value), or its position in the file; -1 when it is not there.
qint64 DngEntry(const QByteArray& dng, int tag, bool position) {
    const auto u = [&](qint64 at, int size) -> qint64 {
        if (at < 0 || at + size > dng.size()) return -1;
        quint32 v = 0;
        for (int i = 0; i < size; ++i) v |= quint32(uchar(dng[at + i])) << (8 * i);
        return v;
    };
    if (!dng.startsWith("II*")) return -1;
    const qint64 ifd = u(4, 4), count = u(ifd, 2);
    for (qint64 e = ifd + 2; count > 0 && e < ifd + 2 + 12 * count; e += 12) {
        if (u(e, 2) != tag) continue;
        const qint64 type = u(e + 2, 2);
        if (type != TIFF_SHORT && type != TIFF_LONG) return -1;
        return position ? e + 8 : u(e + 8, type == TIFF_SHORT ? 2 : 4);
    }
    return -1;
}

}  // namespace

QByteArray MakeDng(const TDngMaking& making) {
    const QImage& scene = making.scene;
    const int width = scene.width(), height = scene.height();
    // sRGB to linear, then the camera's response, for each 8-bit value and channel.
    quint16 levels[3][256];
    for (int c = 0; c < 3; ++c)
        for (int v = 0; v < 256; ++v) {
            const double s = v / 255.0;
            const double linear = s <= 0.04045 ? s / 12.92 : std::pow((s + 0.055) / 1.055, 2.4);
            levels[c][v] =
                quint16(kDngBlack + std::lround(linear * kDngNeutral[c] * (kDngWhite - kDngBlack)));
        }
    std::vector<quint16> cfa(size_t(width) * size_t(height));
    for (int y = 0; y < height; ++y) {
        const QRgb* line = reinterpret_cast<const QRgb*>(scene.constScanLine(y));
        for (int x = 0; x < width; ++x) {
            const int c = (y % 2) + (x % 2);  // R G / G B
            const int v = c == 0 ? qRed(line[x]) : c == 1 ? qGreen(line[x]) : qBlue(line[x]);
            cfa[size_t(y) * size_t(width) + size_t(x)] = levels[c][v];
        }
    }
    QByteArray previewData;
    if (!making.preview.isNull() && !making.jpegPreview) {
        const QImage rgb = making.preview.convertToFormat(QImage::Format_RGB888);
        for (int y = 0; y < rgb.height(); ++y)
            previewData.append(reinterpret_cast<const char*>(rgb.constScanLine(y)),
                               rgb.width() * 3);
    } else if (!making.preview.isNull()) {
        QBuffer buffer(&previewData);
        buffer.open(QIODevice::WriteOnly);
        QImageWriter writer(&buffer, "jpeg");
        writer.setQuality(90);
        writer.write(making.preview.convertToFormat(QImage::Format_RGB888));
    }

    QTemporaryFile file;
    if (!file.open()) return {};
    TIFF* tif = TIFFOpen(QFile::encodeName(file.fileName()).constData(), "w");
    if (!tif) return {};
    // The raw image: the first directory, as the DNG format allows and LibRaw reads.
    const quint8 version[4] = {1, 4, 0, 0};
    const quint16 repeat[2] = {2, 2};
    const quint8 pattern[4] = {0, 1, 1, 2};
    // XYZ to linear sRGB, scaled per channel by the filters' strength.
    const float toSrgb[9] = {3.2404542f, -1.5371385f, -0.4985314f, -0.9692660f, 1.8760108f,
                             0.0415560f, 0.0556434f,  -0.2040259f, 1.0572252f};
    float colorMatrix[9];
    for (int i = 0; i < 9; ++i) colorMatrix[i] = toSrgb[i] * kDngNeutral[i / 3];
    const float black[1] = {kDngBlack};
    const quint32 white[1] = {kDngWhite};
    quint64 subIfd[1] = {0};
    TIFFSetField(tif, TIFFTAG_SUBFILETYPE, 0);
    TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, quint32(width));
    TIFFSetField(tif, TIFFTAG_IMAGELENGTH, quint32(height));
    TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, making.dngVersion ? 16 : 14);
    TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, 1);
    TIFFSetField(tif, TIFFTAG_COMPRESSION, COMPRESSION_NONE);
    TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_CFA);
    TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, quint32(height));
    TIFFSetField(tif, TIFFTAG_ORIENTATION, quint16(making.orientation));
    TIFFSetField(tif, TIFFTAG_MAKE, "Vellumora");
    TIFFSetField(tif, TIFFTAG_MODEL, "Test DNG");
    TIFFSetField(tif, TIFFTAG_CFAREPEATPATTERNDIM, repeat);
    TIFFSetField(tif, TIFFTAG_CFAPATTERN, 4, pattern);
    if (making.dngVersion) TIFFSetField(tif, TIFFTAG_DNGVERSION, version);
    TIFFSetField(tif, TIFFTAG_UNIQUECAMERAMODEL, "Vellumora Test DNG");
    TIFFSetField(tif, TIFFTAG_COLORMATRIX1, 9, colorMatrix);
    TIFFSetField(tif, TIFFTAG_CALIBRATIONILLUMINANT1, 21);  // D65
    TIFFSetField(tif, TIFFTAG_ASSHOTNEUTRAL, 3, kDngNeutral);
    TIFFSetField(tif, TIFFTAG_BLACKLEVEL, 1, black);
    TIFFSetField(tif, TIFFTAG_WHITELEVEL, 1, white);
    if (!previewData.isEmpty()) TIFFSetField(tif, TIFFTAG_SUBIFD, 1, subIfd);
    // The directory first and the pixels after it, as cameras write: a file cut short then
    // still tells what it holds.
    bool ok = TIFFDeferStrileArrayWriting(tif) && TIFFWriteCheck(tif, 0, "MakeDng") &&
              TIFFWriteDirectory(tif);
    if (ok && !previewData.isEmpty()) {
        TIFFSetField(tif, TIFFTAG_SUBFILETYPE, FILETYPE_REDUCEDIMAGE);
        TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, quint32(making.preview.width()));
        TIFFSetField(tif, TIFFTAG_IMAGELENGTH, quint32(making.preview.height()));
        TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, 8);
        TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, 3);
        TIFFSetField(tif, TIFFTAG_COMPRESSION,
                     making.jpegPreview ? COMPRESSION_JPEG : COMPRESSION_NONE);
        TIFFSetField(tif, TIFFTAG_PHOTOMETRIC,
                     making.jpegPreview ? PHOTOMETRIC_YCBCR : PHOTOMETRIC_RGB);
        TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
        TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, quint32(making.preview.height()));
        ok = TIFFWriteRawStrip(tif, 0, previewData.data(), previewData.size()) ==
                 previewData.size() &&
             TIFFWriteDirectory(tif);
    }
    ok = ok && TIFFSetDirectory(tif, 0) &&
         TIFFWriteRawStrip(tif, 0, cfa.data(), tmsize_t(cfa.size() * 2)) ==
             tmsize_t(cfa.size() * 2) &&
         TIFFForceStrileArrayWriting(tif);
    TIFFClose(tif);
    return ok ? file.readAll() : QByteArray();
}

qint64 DngRawDataOffset(const QByteArray& dng) {
    return DngEntry(dng, TIFFTAG_STRIPOFFSETS, false);
}

QByteArray WithDngTag(QByteArray dng, int tag, quint32 value) {
    const qint64 at = DngEntry(dng, tag, true);
    if (at < 0) return dng;
    const bool isShort = uchar(dng[at - 6]) == TIFF_SHORT;
    for (int i = 0; i < (isShort ? 2 : 4); ++i) dng[at + i] = char(value >> (8 * i));
    return dng;
}

QByteArray MakeJpeg(const QImage& image, const TJpegMaking& making) {
    const QImage source = image.convertToFormat(QImage::Format_RGB32);
    tjhandle handle = tjInitCompress();
    unsigned char* bytes = nullptr;
    unsigned long size = 0;
    const int pixelFormat = Q_BYTE_ORDER == Q_LITTLE_ENDIAN ? TJPF_BGRX : TJPF_XRGB;
    const int rc =
        tjCompress2(handle, source.constBits(), source.width(), int(source.bytesPerLine()),
                    source.height(), pixelFormat, &bytes, &size, making.subsampling, making.quality,
                    making.progressive ? TJFLAG_PROGRESSIVE : 0);
    QByteArray jpeg =
        rc == 0 ? QByteArray(reinterpret_cast<const char*>(bytes), qsizetype(size)) : QByteArray();
    tjFree(bytes);
    tjDestroy(handle);
    if (jpeg.isEmpty()) return jpeg;
    if (!making.icc.isEmpty()) {
        const QByteArray payload = QByteArray("ICC_PROFILE\0\1\1", 14) + making.icc;
        jpeg = jpeg.left(2) + Patched("\xFF\xE2..", {{2, quint32(payload.size() + 2), 2, 1}}) +
               payload + jpeg.mid(2);
    }
    if (making.orientation != 1)
        jpeg = WithExif(jpeg, Tiff(false, {{0x0112, 3, quint32(making.orientation)}}));
    return jpeg;
}

}  // namespace vellumora::test
