#include "support/MadeFiles.h"

#include <libheif/heif.h>

#include <QtEndian>
#include <memory>
#include <vector>

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

QByteArray MakeHeif(const QImage& image, const THeifSpec& spec) {
    heif_context* context = heif_context_alloc();
    heif_encoder* encoder = nullptr;
    heif_context_get_encoder_for_format(
        context, spec.av1 ? heif_compression_AV1 : heif_compression_HEVC, &encoder);
    heif_encoder_set_lossy_quality(encoder, spec.quality);
    // libheif 1.15 asks libaom for a profile that fails an assertion with more than 8 bits
    // in 4:2:0 or 4:4:4; 4:2:2 passes.
    if (spec.av1 && spec.bits > 8) heif_encoder_set_parameter(encoder, "chroma", "422");
    heif_image* pixels = HeifImageOf(image, spec.bits);
    heif_color_profile_nclx* nclx = heif_nclx_color_profile_alloc();
    nclx->color_primaries = heif_color_primaries(spec.primaries);
    nclx->transfer_characteristics = heif_transfer_characteristic_IEC_61966_2_1;
    nclx->matrix_coefficients = heif_matrix_coefficients_ITU_R_BT_601_6;
    nclx->full_range_flag = 1;
    // On the image as well: the HEVC encoder writes the image's description, not the options'.
    if (spec.icc.isEmpty()) heif_image_set_nclx_color_profile(pixels, nclx);
    if (!spec.icc.isEmpty())
        heif_image_set_raw_color_profile(pixels, "prof", spec.icc.constData(),
                                         size_t(spec.icc.size()));
    heif_encoding_options* options = heif_encoding_options_alloc();
    options->output_nclx_profile = spec.icc.isEmpty() ? nclx : nullptr;
    options->image_orientation = heif_orientation(spec.orientation);
    options->macOS_compatibility_workaround = 0;
    options->macOS_compatibility_workaround_no_nclx_profile = 0;  // a colr box with the nclx
    heif_image_handle* handle = nullptr;
    // No file at all when the encoder refuses, rather than one without its picture.
    const bool encoded =
        heif_context_encode_image(context, pixels, encoder, options, &handle).code == heif_error_Ok;
    if (!spec.thumbnail.isNull()) {
        heif_image* small = HeifImageOf(spec.thumbnail, spec.bits);
        heif_context_encode_thumbnail(context, small, handle, encoder, options, spec.thumbnailBox,
                                      nullptr);
        heif_image_release(small);
    }
    if (!spec.exif.isEmpty())
        heif_context_add_exif_metadata(context, handle, spec.exif.constData(),
                                       int(spec.exif.size()));
    if (!spec.xmp.isEmpty())
        heif_context_add_XMP_metadata(context, handle, spec.xmp.constData(), int(spec.xmp.size()));
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

// --- Camera raw (DNG through libtiff) ---

}  // namespace vellumora::test
