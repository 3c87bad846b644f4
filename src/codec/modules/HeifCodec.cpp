#include <libheif/heif.h>

#include <QColorSpace>
#include <QFile>
#include <QPointF>
#include <QtEndian>
#include <algorithm>
#include <cstring>
#include <memory>
#include <mutex>
#include <new>
#include <utility>
#include <vector>

#include "codec/CodecModules.h"
#include "codec/ImageBuffer.h"

namespace vellumora::codec {
namespace {

// libheif's own limit on a side, for the parts we never see whole (grid tiles, alpha planes,
// thumbnails) when a header lies; kMaxLoadPixels is checked on the whole picture before
// decoding. Only strips longer than 262144 pixels, far beyond any camera, are refused by it.
constexpr int kMaxSide = 1 << 18;
// ICC profiles are a few KB; one of megabytes is damage, not colour.
constexpr size_t kMaxIccBytes = size_t(4) << 20;

// AVIF writing, chosen with bench_writers on a lossless 12 MP photo-like picture
// (make_test_photo, fine noise included) against our JPEG at quality 90: 3.00 MB at
// 37.7 dB PSNR, SSIM 0.905. Quality 75 at speed 8 gave 1.82 MB (0.61 of it) at 38.9 dB,
// SSIM 0.932, in 0.57 s on two shared cores; speed 6 gave the same size and fidelity in
// 1.8 s, so the batch gets the faster one. Quality 70 just fell short of the JPEG's
// fidelity (37.6 dB), quality 80 was truer than needed at 0.74 of its size. A re-saved
// JPEG is a poor judge: it only re-quantises its own blocks and so looks far better.
// 4:2:0 is what every decoder handles fastest.
constexpr int kAvifQuality = 75;
constexpr int kAvifSpeed = 8;
constexpr const char* kAvifChroma = "420";

struct TContextFree {
    void operator()(heif_context* context) const { heif_context_free(context); }
};
struct THandleFree {
    void operator()(const heif_image_handle* handle) const { heif_image_handle_release(handle); }
};
struct TImageFree {
    void operator()(const heif_image* image) const { heif_image_release(image); }
};
struct TEncoderFree {
    void operator()(heif_encoder* encoder) const { heif_encoder_release(encoder); }
};
struct TDecodingOptionsFree {
    void operator()(heif_decoding_options* options) const { heif_decoding_options_free(options); }
};
struct TEncodingOptionsFree {
    void operator()(heif_encoding_options* options) const { heif_encoding_options_free(options); }
};
struct TNclxFree {
    void operator()(heif_color_profile_nclx* nclx) const { heif_nclx_color_profile_free(nclx); }
};
using TContext = std::unique_ptr<heif_context, TContextFree>;
using THandle = std::unique_ptr<const heif_image_handle, THandleFree>;
using THeifImage = std::unique_ptr<heif_image, TImageFree>;
using TEncoder = std::unique_ptr<heif_encoder, TEncoderFree>;
using TNclx = std::unique_ptr<heif_color_profile_nclx, TNclxFree>;

// The reason a libheif error gives the user: most are damage of some kind.
QString ReasonOf(const heif_error& error) {
    // libheif files a size beyond its limit as a failed allocation: it is a header that lies.
    if (error.subcode == heif_suberror_Security_limit_exceeded)
        return QStringLiteral("damaged file");
    if (error.code == heif_error_Memory_allocation_error) return QStringLiteral("out of memory");
    if (error.code == heif_error_Unsupported_feature &&
        error.subcode == heif_suberror_Unsupported_codec)
        return QStringLiteral("unsupported HEIF compression");
    return QStringLiteral("damaged file");
}

// libheif finds the codecs it was packaged with as plugins only once initialised; it stays
// initialised for the life of the program.
TContext NewContext() {
    static std::once_flag once;
    std::call_once(once, [] { heif_init(nullptr); });
    return TContext(heif_context_alloc());
}

TContext OpenContext() {
    TContext context = NewContext();
    if (context) heif_context_set_maximum_image_size_limit(context.get(), kMaxSide);
    return context;
}

// libheif's translation of the nclx primaries into chromaticities, as Qt describes a space.
// Curves Qt cannot describe (PQ, HLG and the like) leave the pixels unconverted.
QColorSpace ColorSpaceOf(const heif_color_profile_nclx& nclx) {
    QColorSpace::TransferFunction curve = QColorSpace::TransferFunction::SRgb;
    float gamma = 0.0f;
    switch (nclx.transfer_characteristics) {
        case heif_transfer_characteristic_linear:
            curve = QColorSpace::TransferFunction::Linear;
            break;
        case heif_transfer_characteristic_ITU_R_BT_470_6_System_M:
            curve = QColorSpace::TransferFunction::Gamma;
            gamma = 2.2f;
            break;
        case heif_transfer_characteristic_ITU_R_BT_470_6_System_B_G:
            curve = QColorSpace::TransferFunction::Gamma;
            gamma = 2.8f;
            break;
        // Cameras and phones label sRGB-encoded pictures with the video curves as well;
        // they display as sRGB everywhere.
        case heif_transfer_characteristic_ITU_R_BT_709_5:
        case heif_transfer_characteristic_ITU_R_BT_601_6:
        case heif_transfer_characteristic_ITU_R_BT_2020_2_10bit:
        case heif_transfer_characteristic_ITU_R_BT_2020_2_12bit:
        case heif_transfer_characteristic_IEC_61966_2_1:
        case heif_transfer_characteristic_unspecified:
            break;
        default:
            return {};
    }
    if (nclx.color_primaries == heif_color_primaries_ITU_R_BT_709_5 ||
        nclx.color_primaries == heif_color_primaries_unspecified)
        return QColorSpace(QColorSpace::Primaries::SRgb, curve, gamma);
    const auto point = [](float x, float y) { return QPointF(x, y); };
    if (nclx.color_primary_white_y <= 0.0f) return {};
    return QColorSpace(point(nclx.color_primary_white_x, nclx.color_primary_white_y),
                       point(nclx.color_primary_red_x, nclx.color_primary_red_y),
                       point(nclx.color_primary_green_x, nclx.color_primary_green_y),
                       point(nclx.color_primary_blue_x, nclx.color_primary_blue_y), curve, gamma);
}

// The colours of a decoded picture: its ICC profile, else its nclx description (in a colr
// box of the item or in the coded stream); invalid, meaning sRGB, when neither tells.
QColorSpace ColorSpaceOf(const heif_image_handle* handle, const heif_image* image) {
    const size_t iccSize = heif_image_handle_get_raw_color_profile_size(handle);
    if (iccSize > 0 && iccSize <= kMaxIccBytes) {
        QByteArray icc(qsizetype(iccSize), Qt::Uninitialized);
        if (heif_image_handle_get_raw_color_profile(handle, icc.data()).code == heif_error_Ok) {
            const QColorSpace space = QColorSpace::fromIccProfile(icc);
            // A profile Qt cannot use is ignored like a damaged one in any other format.
            if (space.isValid()) return space;
        }
    }
    // libheif may hand out a profile together with an error: it is ours to free either way.
    heif_color_profile_nclx* nclx = nullptr;
    if (heif_image_handle_get_nclx_color_profile(handle, &nclx).code != heif_error_Ok) {
        heif_nclx_color_profile_free(nclx);
        nclx = nullptr;
    }
    if (!nclx && heif_image_get_nclx_color_profile(image, &nclx).code != heif_error_Ok) {
        heif_nclx_color_profile_free(nclx);
        nclx = nullptr;
    }
    if (!nclx) return {};
    const TNclx owned(nclx);
    return ColorSpaceOf(*owned);
}

// The largest of 8, 4 and 2 by which a width x height picture may be shrunk (sides
// rounded up, as a block at the edge keeps its part) while still meeting the options'
// minimums; 1 when no reduction is allowed.
int ShrinkFactor(int width, int height, const TLoadOptions& options) {
    if (!options.AllowsReduction()) return 1;
    for (const int factor : {8, 4, 2})
        if (options.Allows((width + factor - 1) / factor, (height + factor - 1) / factor))
            return factor;
    return 1;
}

// An RGB picture of 3 bytes a pixel shrunk by `factor` into kPixelFormat, each pixel the
// rounded mean of its block. HEVC and AV1 cannot decode at a reduced size as JPEG can;
// shrinking while copying out of the decoder's buffer at least spares the full-sized copy
// and the colour conversion of all its pixels, which cost more than the shrink.
QImage ShrinkRgb(const uint8_t* plane, int stride, int width, int height, int factor) {
    const int w = (width + factor - 1) / factor, h = (height + factor - 1) / factor;
    QImage out = NewImage(w, h);
    if (out.isNull()) return out;
    std::vector<quint32> sums(size_t(w) * 3);
    for (int y = 0; y < h; ++y) {
        std::fill(sums.begin(), sums.end(), 0u);
        const int rows = std::min(factor, height - y * factor);
        for (int r = 0; r < rows; ++r) {
            const uint8_t* s = plane + qsizetype(y * factor + r) * stride;
            for (int x = 0; x < width; ++x, s += 3) {
                quint32* sum = &sums[size_t(x / factor) * 3];
                sum[0] += s[0], sum[1] += s[1], sum[2] += s[2];
            }
        }
        auto* d = reinterpret_cast<QRgb*>(out.scanLine(y));
        for (int x = 0; x < w; ++x) {
            const quint32 n = quint32(rows * std::min(factor, width - x * factor));
            const quint32* sum = &sums[size_t(x) * 3];
            d[x] = qRgb(int((sum[0] + n / 2) / n), int((sum[1] + n / 2) / n),
                        int((sum[2] + n / 2) / n));
        }
    }
    return out;
}

// Decodes one picture of the file, upright by its own transforms, as kPixelFormat in sRGB;
// shrunk while copied out when the options allow and it has no alpha.
TDecoded DecodeHandle(const heif_image_handle* handle, const TLoadOptions& options) {
    const int width = heif_image_handle_get_width(handle);
    const int height = heif_image_handle_get_height(handle);
    if (width <= 0 || height <= 0) return TDecoded::Failed(QStringLiteral("damaged file"));
    if (ExceedsPixelLimit(width, height)) return TDecoded::TooLarge(width, height);

    const bool alpha = heif_image_handle_has_alpha_channel(handle) != 0;
    const bool premultiplied = alpha && heif_image_handle_is_premultiplied_alpha(handle) != 0;
    // 10 and 12 bits come as 8, rounded by libheif: all we hold has 8.
    const heif_chroma chroma = alpha ? heif_chroma_interleaved_RGBA : heif_chroma_interleaved_RGB;

    const std::unique_ptr<heif_decoding_options, TDecodingOptionsFree> decoding(
        heif_decoding_options_alloc());
    if (!decoding) return TDecoded::Failed(QStringLiteral("out of memory"));
    // The file's rotation, mirroring and crop apply; its EXIF orientation never does.
    decoding->ignore_transformations = 0;
    heif_image* decoded = nullptr;
    const heif_error error =
        heif_decode_image(handle, &decoded, heif_colorspace_RGB, chroma, decoding.get());
    const THeifImage image(decoded);
    if (error.code != heif_error_Ok || !image) return TDecoded::Failed(ReasonOf(error));

    const int w = heif_image_get_width(image.get(), heif_channel_interleaved);
    const int h = heif_image_get_height(image.get(), heif_channel_interleaved);
    int stride = 0;
    const uint8_t* plane =
        heif_image_get_plane_readonly(image.get(), heif_channel_interleaved, &stride);
    if (!plane || w <= 0 || h <= 0) return TDecoded::Failed(QStringLiteral("damaged file"));
    if (ExceedsPixelLimit(w, h)) return TDecoded::TooLarge(w, h);
    const QColorSpace space = ColorSpaceOf(handle, image.get());
    const int channels = alpha ? 4 : 3;
    if (const int factor = alpha ? 1 : ShrinkFactor(w, h, options); factor > 1) {
        QImage out = ShrinkRgb(plane, stride, w, h, factor);
        if (out.isNull()) return TDecoded::Failed(QStringLiteral("out of memory"));
        ConvertToSrgb(out, space);
        return TDecoded::Ok(std::move(out));
    }

    // Plain pages, not NewImage's huge ones: after the decoder's own working memory, a
    // fresh huge-page buffer was measured slower here (a 12 MP HEIC to 640 px as a whole
    // process: 1.09 of vipsthumbnail's time with it, 0.90 without).
    QImage out(w, h, kPixelFormat);
    if (out.isNull()) return TDecoded::Failed(QStringLiteral("out of memory"));
    for (int y = 0; y < h; ++y) {
        const uint8_t* s = plane + qsizetype(y) * stride;
        auto* d = reinterpret_cast<QRgb*>(out.scanLine(y));
        for (int x = 0; x < w; ++x, s += channels) {
            if (!alpha) {
                d[x] = qRgb(s[0], s[1], s[2]);
            } else if (premultiplied) {
                const int white = 255 - s[3];
                d[x] = qRgb(std::min(255, s[0] + white), std::min(255, s[1] + white),
                            std::min(255, s[2] + white));
            } else {
                d[x] = qRgba(s[0], s[1], s[2], s[3]);
            }
        }
    }
    if (alpha && !premultiplied) CompositeOverWhiteInPlace(out);
    ConvertToSrgb(out, space);
    return TDecoded::Ok(std::move(out));
}

// The smallest thumbnail of the primary image that still meets the options' minimums;
// failing that, the largest one with at least half the long side asked for: it shows for
// the moment the exact picture takes, and the only other way is that whole decode.
THandle ChooseThumbnail(const heif_image_handle* primary, const TLoadOptions& options) {
    const int count = heif_image_handle_get_number_of_thumbnails(primary);
    if (count <= 0) return {};
    std::vector<heif_item_id> ids(size_t(std::min(count, 16)));
    const int listed =
        heif_image_handle_get_list_of_thumbnail_IDs(primary, ids.data(), int(ids.size()));
    THandle best, largest;
    qint64 bestPixels = 0, largestPixels = 0;
    for (int i = 0; i < listed; ++i) {
        heif_image_handle* thumbnail = nullptr;
        if (heif_image_handle_get_thumbnail(primary, ids[size_t(i)], &thumbnail).code !=
            heif_error_Ok)
            continue;
        THandle owned(thumbnail);
        const int w = heif_image_handle_get_width(thumbnail);
        const int h = heif_image_handle_get_height(thumbnail);
        const qint64 pixels = qint64(w) * h;
        if (w <= 0 || h <= 0) continue;
        if (options.Allows(w, h)) {
            if (!best || pixels < bestPixels) {
                best = std::move(owned);
                bestPixels = pixels;
            }
        } else if (2 * std::max(w, h) >= options.minimumLongSide && pixels > largestPixels) {
            largest = std::move(owned);
            largestPixels = pixels;
        }
    }
    return best ? std::move(best) : std::move(largest);
}

TDecoded Decode(const QByteArray& data, const TLoadOptions& options) {
    const TContext context = OpenContext();
    if (!context) return TDecoded::Failed(QStringLiteral("out of memory"));
    // `data` outlives the context: the caller holds it for the whole decode.
    heif_error error = heif_context_read_from_memory_without_copy(context.get(), data.constData(),
                                                                  size_t(data.size()), nullptr);
    if (error.code != heif_error_Ok) return TDecoded::Failed(ReasonOf(error));
    heif_image_handle* primary = nullptr;
    error = heif_context_get_primary_image_handle(context.get(), &primary);
    const THandle owned(primary);
    if (error.code != heif_error_Ok || !primary) return TDecoded::Failed(ReasonOf(error));

    const int width = heif_image_handle_get_width(primary);
    const int height = heif_image_handle_get_height(primary);
    if (ExceedsPixelLimit(width, height)) return TDecoded::TooLarge(width, height);

    // The thumbnail only stands in for a picture shown until the exact one is ready.
    if (options.preview && options.AllowsReduction()) {
        if (const THandle thumbnail = ChooseThumbnail(primary, options)) {
            TDecoded decoded = DecodeHandle(thumbnail.get(), {});
            // One that lies the other way than the picture lacks the picture's turn.
            const int w = decoded.image.width(), h = decoded.image.height();
            const bool sameWay = w == h || width == height || (w > h) == (width > height);
            if (decoded.status == TDecoded::EStatus::Ok && sameWay) return decoded;
        }
    }
    return DecodeHandle(primary, options);
}

heif_error WriteToByteArray(heif_context*, const void* data, size_t size, void* userdata) {
    auto* out = static_cast<QByteArray*>(userdata);
    try {
        out->append(static_cast<const char*>(data), qsizetype(size));
    } catch (const std::bad_alloc&) {
        return {heif_error_Memory_allocation_error, heif_suberror_Unspecified, "out of memory"};
    }
    return {heif_error_Ok, heif_suberror_Unspecified, "ok"};
}

bool EncodeAvifBytes(const QImage& source, const TMetadataBlobs& metadata, QByteArray* out,
                     QString* error) {
    const auto fail = [&](const QString& reason) {
        if (error) *error = reason;
        return false;
    };
    const auto failWith = [&](const heif_error& e) {
        return fail(
            e.code == heif_error_Memory_allocation_error
                ? QStringLiteral("out of memory")
                : QStringLiteral("cannot write AVIF: %1").arg(QString::fromUtf8(e.message)));
    };
    const int w = source.width(), h = source.height();
    if (source.isNull() || w <= 0 || h <= 0) return fail(QStringLiteral("empty image"));
    // AV1 stores each side in 16 bits.
    if (w > 65536 || h > 65536)
        return fail(QStringLiteral("image too large for this file type (%1 x %2)").arg(w).arg(h));
    const QImage image =
        source.format() == kPixelFormat ? source : source.convertToFormat(kPixelFormat);
    if (image.isNull()) return fail(QStringLiteral("out of memory"));

    const TContext context = NewContext();
    if (!context) return fail(QStringLiteral("out of memory"));
    heif_image* created = nullptr;
    heif_error e =
        heif_image_create(w, h, heif_colorspace_RGB, heif_chroma_interleaved_RGB, &created);
    const THeifImage heifImage(created);
    if (e.code != heif_error_Ok) return failWith(e);
    e = heif_image_add_plane(heifImage.get(), heif_channel_interleaved, w, h, 8);
    if (e.code != heif_error_Ok) return failWith(e);
    int stride = 0;
    uint8_t* plane = heif_image_get_plane(heifImage.get(), heif_channel_interleaved, &stride);
    if (!plane) return fail(QStringLiteral("out of memory"));
    for (int y = 0; y < h; ++y) {
        const auto* s = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        uint8_t* d = plane + qsizetype(y) * stride;
        for (int x = 0; x < w; ++x, d += 3) {
            d[0] = uchar(qRed(s[x]));
            d[1] = uchar(qGreen(s[x]));
            d[2] = uchar(qBlue(s[x]));
        }
    }

    heif_encoder* encoder = nullptr;
    e = heif_context_get_encoder_for_format(context.get(), heif_compression_AV1, &encoder);
    const TEncoder ownedEncoder(encoder);
    if (e.code != heif_error_Ok || !encoder)
        return fail(QStringLiteral("no AV1 encoder available"));
    heif_encoder_set_lossy_quality(encoder, kAvifQuality);
    heif_encoder_set_parameter(encoder, "chroma", kAvifChroma);
    heif_encoder_set_parameter_integer(encoder, "speed", kAvifSpeed);

    // Pixels in memory are sRGB: say so, with full-range values.
    const TNclx nclx(heif_nclx_color_profile_alloc());
    if (!nclx) return fail(QStringLiteral("out of memory"));
    nclx->color_primaries = heif_color_primaries_ITU_R_BT_709_5;
    nclx->transfer_characteristics = heif_transfer_characteristic_IEC_61966_2_1;
    nclx->matrix_coefficients = heif_matrix_coefficients_ITU_R_BT_601_6;
    nclx->full_range_flag = 1;
    // Given to the image too: libheif writes the image's own description for some encoders.
    e = heif_image_set_nclx_color_profile(heifImage.get(), nclx.get());
    if (e.code != heif_error_Ok) return failWith(e);
    const std::unique_ptr<heif_encoding_options, TEncodingOptionsFree> options(
        heif_encoding_options_alloc());
    if (!options) return fail(QStringLiteral("out of memory"));
    options->save_alpha_channel = 0;
    options->output_nclx_profile = nclx.get();
    // Odd sides are stored rounded up and cropped back by a clean aperture, which
    // every reader applies; the grid wrapper that some old viewers wanted is not needed.
    options->macOS_compatibility_workaround = 0;
    options->macOS_compatibility_workaround_no_nclx_profile = 0;

    heif_image_handle* encoded = nullptr;
    e = heif_context_encode_image(context.get(), heifImage.get(), encoder, options.get(), &encoded);
    const THandle handle(encoded);
    if (e.code != heif_error_Ok || !handle) return failWith(e);
    if (!metadata.exif.isEmpty()) {
        e = heif_context_add_exif_metadata(context.get(), handle.get(), metadata.exif.constData(),
                                           int(metadata.exif.size()));
        if (e.code != heif_error_Ok) return failWith(e);
    }
    if (!metadata.xmp.isEmpty()) {
        e = heif_context_add_XMP_metadata(context.get(), handle.get(), metadata.xmp.constData(),
                                          int(metadata.xmp.size()));
        if (e.code != heif_error_Ok) return failWith(e);
    }
    QByteArray bytes;
    heif_writer writer{1, &WriteToByteArray};
    e = heif_context_write(context.get(), &writer, &bytes);
    if (e.code != heif_error_Ok) return failWith(e);
    *out = std::move(bytes);
    return true;
}

// A file as libheif reads it for a header: the boxes that describe the images come from
// the disk, the coded data (mdat's contents, megabytes against a few KB) reads as zeros.
// libheif reads the whole file while parsing, though a header needs none of the data.
class TDescriptionReader {
public:
    explicit TDescriptionReader(QFile& file) : file_(file), size_(file.size()) {
        for (qint64 at = 0; at + 8 <= size_;) {
            if (!file_.seek(at)) break;
            const QByteArray head = file_.read(16);
            if (head.size() < 8) break;
            qint64 boxSize = qFromBigEndian<quint32>(head.constData());
            qint64 headSize = 8;
            if (boxSize == 1 && head.size() == 16) {
                boxSize = qint64(std::min<quint64>(qFromBigEndian<quint64>(head.constData() + 8),
                                                   quint64(size_)));
                headSize = 16;
            }
            if (boxSize == 0) boxSize = size_ - at;  // to the end of the file
            if (boxSize < headSize) break;           // damage: libheif will say so
            if (head.mid(4, 4) == "mdat") holes_.push_back({at + headSize, at + boxSize});
            at += boxSize;
        }
    }

    static heif_reader Callbacks() {
        heif_reader reader{};
        reader.reader_api_version = 1;
        reader.get_position = [](void* self) { return int64_t(Self(self).position_); };
        reader.read = [](void* data, size_t size, void* self) {
            return Self(self).Read(data, size);
        };
        reader.seek = [](int64_t position, void* self) {
            if (position < 0 || position > Self(self).size_) return 1;
            Self(self).position_ = position;
            return 0;
        };
        reader.wait_for_file_size = [](int64_t target, void* self) {
            return target > Self(self).size_ ? heif_reader_grow_status_size_beyond_eof
                                             : heif_reader_grow_status_size_reached;
        };
        return reader;
    }

private:
    static TDescriptionReader& Self(void* self) { return *static_cast<TDescriptionReader*>(self); }

    int Read(void* data, size_t size) {
        // libheif asks for nothing, with no buffer, at the end of some boxes.
        if (size == 0) return 0;
        const qint64 end = position_ + qint64(size);
        if (end > size_) return 1;
        bool hole = false;
        for (const auto& [from, to] : holes_) hole |= position_ >= from && end <= to;
        if (hole) {
            std::memset(data, 0, size);
        } else if (!file_.seek(position_) ||
                   file_.read(static_cast<char*>(data), qint64(size)) != qint64(size)) {
            return 1;
        }
        position_ = end;
        return 0;
    }

    QFile& file_;
    const qint64 size_;
    qint64 position_ = 0;
    std::vector<std::pair<qint64, qint64>> holes_;  // from, to
};

TDecoded DecodeHeif(const QByteArray& data, const TLoadOptions& options) {
    try {
        return Decode(data, options);
    } catch (const std::bad_alloc&) {
        return TDecoded::Failed(QStringLiteral("out of memory"));
    } catch (...) {
        return TDecoded::Failed(QStringLiteral("damaged file"));
    }
}

TImageHeader ReadHeifHeader(const QString& path) {
    try {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly)) return {};
        TDescriptionReader reader(file);
        const heif_reader callbacks = TDescriptionReader::Callbacks();
        const TContext context = OpenContext();
        if (!context) return {};
        if (heif_context_read_from_reader(context.get(), &callbacks, &reader, nullptr).code !=
            heif_error_Ok)
            return {};
        heif_image_handle* primary = nullptr;
        if (heif_context_get_primary_image_handle(context.get(), &primary).code != heif_error_Ok)
            return {};
        const THandle owned(primary);
        // libheif gives the size after the item's own crop and quarter turns, as decoded.
        const int width = heif_image_handle_get_width(primary);
        const int height = heif_image_handle_get_height(primary);
        if (width <= 0 || height <= 0) return {};
        TImageHeader header;
        header.size = QSize(width, height);
        header.reducible = heif_image_handle_get_number_of_thumbnails(primary) > 0;
        return header;
    } catch (...) {
        return {};
    }
}

bool EncodeAvif(const QImage& image, const TMetadataBlobs& metadata, QByteArray* out,
                QString* error) {
    // DoSave, the one caller, turns a failed allocation into "out of memory".
    return EncodeAvifBytes(image, metadata, out, error);
}

}  // namespace
}  // namespace vellumora::codec

VELLUMORA_MODULE_ENTRY const void* VellumoraCodecModule() {
    using namespace vellumora::codec;
    static const THeifModule table{
        .decode = DecodeHeif, .readHeader = ReadHeifHeader, .encodeAvif = EncodeAvif};
    return &table;
}
