#include <jxl/decode.h>
#include <jxl/decode_cxx.h>
#include <jxl/encode.h>
#include <jxl/encode_cxx.h>
#include <jxl/thread_parallel_runner.h>
#include <jxl/thread_parallel_runner_cxx.h>

#include <QColorSpace>
#include <QFile>
#include <QtEndian>
#include <algorithm>
#include <new>
#include <utility>

#include "codec/CodecModules.h"
#include "codec/ImageBuffer.h"

namespace vellumora::codec {
namespace {

// Butteraugli distance and effort of written files, measured against our JPEG at quality 90
// on photo-like 12 and 24 MP images (bench's make_test_photo, moved by 3 pixels so that the
// JPEG does not simply requantise its source's own blocks) on a 2-core machine. Distance 0.9
// at effort 4: 68 % of the JPEG's size at 1.2 dB more PSNR (38.6 against 37.5 dB), about
// 0.7 s for 12 MP. Distance 1.0 came within 0.5 dB of the JPEG. Effort 7 makes files about
// 7 % smaller at equal PSNR but takes two to four times as long, and from effort 5 on
// libjxl 0.7 smooths block edges (its Gaborish filter) in a way that moved flat saturated
// colours by up to 50 levels; effort 4 leaves that filter off.
constexpr float kDistance = 0.9f;
constexpr int kEffort = 4;

// ICC profiles longer than this are no colour description but damage.
constexpr size_t kMaxIccBytes = size_t(4) << 20;

// Metadata boxes larger than this (decompressed) are left out rather than held.
constexpr qsizetype kMaxBoxBytes = qsizetype(16) << 20;

// Reading the file header needs no more than its first kilobytes; a container with large
// boxes before the codestream is read in pieces of this size.
constexpr qint64 kHeaderChunk = 64 * 1024;

JxlThreadParallelRunnerPtr MakeRunner() {
    // The default is one worker per core of the machine.
    return JxlThreadParallelRunnerMake(
        nullptr, std::max<size_t>(1, JxlThreadParallelRunnerDefaultNumWorkerThreads()));
}

bool IsSrgb(const JxlColorEncoding& c) {
    return (c.color_space == JXL_COLOR_SPACE_RGB || c.color_space == JXL_COLOR_SPACE_GRAY) &&
           c.white_point == JXL_WHITE_POINT_D65 &&
           (c.color_space == JXL_COLOR_SPACE_GRAY || c.primaries == JXL_PRIMARIES_SRGB) &&
           c.transfer_function == JXL_TRANSFER_FUNCTION_SRGB;
}

// The size as decoded: libjxl turns the picture by the codestream's orientation.
QSize UprightSize(const JxlBasicInfo& info) {
    const bool transposed = info.orientation >= JXL_ORIENT_TRANSPOSE;
    return transposed ? QSize(int(info.ysize), int(info.xsize))
                      : QSize(int(info.xsize), int(info.ysize));
}

// The colour space of the pixels the decoder is about to produce, asking for sRGB where
// it may choose (pictures stored in its own perceptual space, the lossy ones). Invalid
// when they are sRGB already or described in a way Qt cannot use.
QColorSpace PixelColorSpace(JxlDecoder* dec, const JxlBasicInfo& info) {
    if (!info.uses_original_profile) {
        JxlColorEncoding srgb;
        JxlColorEncodingSetToSRGB(&srgb, info.num_color_channels == 1);
        // When refused, the profile asked for below tells what came instead.
        JxlDecoderSetPreferredColorProfile(dec, &srgb);
    }
    JxlColorEncoding encoding;
    if (JxlDecoderGetColorAsEncodedProfile(dec, nullptr, JXL_COLOR_PROFILE_TARGET_DATA,
                                           &encoding) == JXL_DEC_SUCCESS &&
        IsSrgb(encoding))
        return {};
    size_t size = 0;
    if (JxlDecoderGetICCProfileSize(dec, nullptr, JXL_COLOR_PROFILE_TARGET_DATA, &size) !=
            JXL_DEC_SUCCESS ||
        size == 0 || size > kMaxIccBytes)
        return {};
    QByteArray icc(qsizetype(size), Qt::Uninitialized);
    if (JxlDecoderGetColorAsICCProfile(dec, nullptr, JXL_COLOR_PROFILE_TARGET_DATA,
                                       reinterpret_cast<uint8_t*>(icc.data()),
                                       size) != JXL_DEC_SUCCESS)
        return {};
    return QColorSpace::fromIccProfile(icc);
}

// 8-bit pixels decoded as R, G, B, A bytes into a kPixelFormat image, made its own layout
// with straight alpha laid over white.
void FinishEightBit(QImage& image, bool alpha) {
    for (int y = 0; y < image.height(); ++y) {
        uchar* s = image.scanLine(y);
        auto* d = reinterpret_cast<QRgb*>(s);
        for (int x = 0; x < image.width(); ++x, s += 4)
            d[x] = qRgba(s[0], s[1], s[2], alpha ? s[3] : 255);
    }
    if (alpha) CompositeOverWhiteInPlace(image);
}

// 16-bit R, G, B, A (Format_RGBA64, straight alpha) laid over white in place.
void CompositeOverWhite16(QImage& image) {
    for (int y = 0; y < image.height(); ++y) {
        auto* p = reinterpret_cast<quint16*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x, p += 4) {
            const quint64 a = p[3], white = 65535u * (65535u - a);
            for (int c = 0; c < 3; ++c) p[c] = quint16((p[c] * a + white + 32767u) / 65535u);
            p[3] = 65535;
        }
    }
}

// An opaque 16-bit image in the program's layout, rounded to 8 bits.
QImage ToEightBit(const QImage& deep) {
    QImage out = NewImage(deep.width(), deep.height());
    if (out.isNull()) return out;
    const auto eight = [](quint16 v) { return (int(v) * 255 + 32767) / 65535; };
    for (int y = 0; y < deep.height(); ++y) {
        const QRgba64* s = reinterpret_cast<const QRgba64*>(deep.constScanLine(y));
        auto* d = reinterpret_cast<QRgb*>(out.scanLine(y));
        for (int x = 0; x < deep.width(); ++x)
            d[x] = qRgb(eight(s[x].red()), eight(s[x].green()), eight(s[x].blue()));
    }
    return out;
}

TDecoded Decode(const QByteArray& data) {
    const JxlDecoderPtr dec = JxlDecoderMake(nullptr);
    const JxlThreadParallelRunnerPtr runner = MakeRunner();
    if (!dec || !runner) return TDecoded::Failed(QStringLiteral("out of memory"));
    if (JxlDecoderSetParallelRunner(dec.get(), JxlThreadParallelRunner, runner.get()) !=
            JXL_DEC_SUCCESS ||
        JxlDecoderSubscribeEvents(dec.get(), JXL_DEC_BASIC_INFO | JXL_DEC_COLOR_ENCODING |
                                                 JXL_DEC_FULL_IMAGE) != JXL_DEC_SUCCESS ||
        JxlDecoderSetUnpremultiplyAlpha(dec.get(), JXL_TRUE) != JXL_DEC_SUCCESS ||
        JxlDecoderSetInput(dec.get(), reinterpret_cast<const uint8_t*>(data.constData()),
                           size_t(data.size())) != JXL_DEC_SUCCESS)
        return TDecoded::Failed();
    JxlDecoderCloseInput(dec.get());

    JxlBasicInfo info{};
    JxlPixelFormat format{4, JXL_TYPE_UINT8, JXL_NATIVE_ENDIAN, 0};
    bool deep = false;
    QColorSpace space;
    // kPixelFormat for 8-bit pictures, Format_RGBA64 for deeper ones (and float, which
    // 16 bits hold well enough for a display of 8).
    QImage pixels;
    for (;;) {
        switch (JxlDecoderProcessInput(dec.get())) {
            case JXL_DEC_BASIC_INFO: {
                if (JxlDecoderGetBasicInfo(dec.get(), &info) != JXL_DEC_SUCCESS)
                    return TDecoded::Failed();
                const QSize upright = UprightSize(info);
                if (ExceedsPixelLimit(info.xsize, info.ysize))
                    return TDecoded::TooLarge(upright.width(), upright.height());
                deep = info.bits_per_sample > 8 || info.exponent_bits_per_sample > 0;
                if (deep) format.data_type = JXL_TYPE_UINT16;
                break;
            }
            case JXL_DEC_COLOR_ENCODING:
                space = PixelColorSpace(dec.get(), info);
                break;
            case JXL_DEC_NEED_IMAGE_OUT_BUFFER: {
                const QSize size = UprightSize(info);
                pixels = deep ? QImage(size, QImage::Format_RGBA64)
                              : NewImage(size.width(), size.height());
                if (pixels.isNull()) return TDecoded::Failed(QStringLiteral("out of memory"));
                format.align = size_t(pixels.bytesPerLine());
                size_t needed = 0;
                if (JxlDecoderImageOutBufferSize(dec.get(), &format, &needed) != JXL_DEC_SUCCESS ||
                    needed > size_t(pixels.sizeInBytes()) ||
                    JxlDecoderSetImageOutBuffer(dec.get(), &format, pixels.bits(),
                                                size_t(pixels.sizeInBytes())) != JXL_DEC_SUCCESS)
                    return TDecoded::Failed();
                break;
            }
            case JXL_DEC_FULL_IMAGE: {
                // The first frame is the picture; an animation shows it first.
                if (pixels.isNull()) return TDecoded::Failed();
                const bool alpha = info.alpha_bits > 0;
                QImage out;
                if (deep) {
                    if (alpha) CompositeOverWhite16(pixels);
                    // Converted while 16 bits still hold what 8 would round away.
                    pixels.reinterpretAsFormat(QImage::Format_RGBX64);
                    ConvertToSrgb(pixels, space);
                    out = ToEightBit(pixels);
                    if (out.isNull()) return TDecoded::Failed(QStringLiteral("out of memory"));
                } else {
                    FinishEightBit(pixels, alpha);
                    ConvertToSrgb(pixels, space);
                    out = std::move(pixels);
                }
                return TDecoded::Ok(std::move(out));
            }
            case JXL_DEC_SUCCESS:          // ended without a picture
            case JXL_DEC_NEED_MORE_INPUT:  // cut short: the input is closed
            case JXL_DEC_ERROR:
                return TDecoded::Failed();
            default:
                break;
        }
    }
}

bool Encode(const QImage& image, const TMetadataBlobs& metadata, QByteArray* out, QString* error) {
    const auto fail = [&](const QString& reason) {
        if (error) *error = reason;
        return false;
    };
    if (image.isNull()) return fail(QStringLiteral("empty image"));
    // libjxl takes R, G, B bytes; ours are B, G, R, unused.
    const QImage rgb = image.convertToFormat(QImage::Format_RGB888);
    if (rgb.isNull()) return fail(QStringLiteral("out of memory"));
    const JxlEncoderPtr enc = JxlEncoderMake(nullptr);
    const JxlThreadParallelRunnerPtr runner = MakeRunner();
    if (!enc || !runner) return fail(QStringLiteral("out of memory"));
    JxlEncoder* e = enc.get();
    const auto failed = [&] {
        return fail(QStringLiteral("cannot write image: JPEG XL encoder error %1")
                        .arg(int(JxlEncoderGetError(e))));
    };
    if (JxlEncoderSetParallelRunner(e, JxlThreadParallelRunner, runner.get()) != JXL_ENC_SUCCESS)
        return failed();

    const bool boxes = !metadata.exif.isEmpty() || !metadata.xmp.isEmpty();
    if (boxes && (JxlEncoderUseContainer(e, JXL_TRUE) != JXL_ENC_SUCCESS ||
                  JxlEncoderUseBoxes(e) != JXL_ENC_SUCCESS))
        return failed();
    JxlBasicInfo info;
    JxlEncoderInitBasicInfo(&info);
    info.xsize = uint32_t(rgb.width());
    info.ysize = uint32_t(rgb.height());
    info.bits_per_sample = 8;
    info.num_color_channels = 3;
    // Lossy: stored in libjxl's perceptual space, which is what makes the files small.
    info.uses_original_profile = JXL_FALSE;
    JxlColorEncoding srgb;
    JxlColorEncodingSetToSRGB(&srgb, JXL_FALSE);
    if (JxlEncoderSetBasicInfo(e, &info) != JXL_ENC_SUCCESS ||
        JxlEncoderSetColorEncoding(e, &srgb) != JXL_ENC_SUCCESS)
        return failed();
    if (!metadata.exif.isEmpty()) {
        // The box starts with the offset of the TIFF header after these four bytes: none.
        const QByteArray box = QByteArray(4, '\0') + metadata.exif;
        if (JxlEncoderAddBox(e, "Exif", reinterpret_cast<const uint8_t*>(box.constData()),
                             size_t(box.size()), JXL_FALSE) != JXL_ENC_SUCCESS)
            return failed();
    }
    if (!metadata.xmp.isEmpty() &&
        JxlEncoderAddBox(e, "xml ", reinterpret_cast<const uint8_t*>(metadata.xmp.constData()),
                         size_t(metadata.xmp.size()), JXL_FALSE) != JXL_ENC_SUCCESS)
        return failed();

    JxlEncoderFrameSettings* settings = JxlEncoderFrameSettingsCreate(e, nullptr);
    const JxlPixelFormat format{3, JXL_TYPE_UINT8, JXL_NATIVE_ENDIAN, size_t(rgb.bytesPerLine())};
    if (!settings || JxlEncoderSetFrameDistance(settings, kDistance) != JXL_ENC_SUCCESS ||
        JxlEncoderFrameSettingsSetOption(settings, JXL_ENC_FRAME_SETTING_EFFORT, kEffort) !=
            JXL_ENC_SUCCESS ||
        JxlEncoderAddImageFrame(settings, &format, rgb.constBits(), size_t(rgb.sizeInBytes())) !=
            JXL_ENC_SUCCESS)
        return failed();
    JxlEncoderCloseInput(e);

    // Usually well under a byte per pixel at this distance.
    QByteArray bytes(std::max<qsizetype>(64 * 1024, qsizetype(rgb.width()) * rgb.height() / 4),
                     Qt::Uninitialized);
    size_t used = 0;
    for (;;) {
        auto* next = reinterpret_cast<uint8_t*>(bytes.data()) + used;
        size_t available = size_t(bytes.size()) - used;
        const JxlEncoderStatus status = JxlEncoderProcessOutput(e, &next, &available);
        used = size_t(next - reinterpret_cast<uint8_t*>(bytes.data()));
        if (status == JXL_ENC_SUCCESS) break;
        if (status != JXL_ENC_NEED_MORE_OUTPUT) return failed();
        bytes.resize(bytes.size() * 2);
    }
    bytes.truncate(qsizetype(used));
    *out = std::move(bytes);
    return true;
}

TDecoded DecodeJxl(const QByteArray& data, const TLoadOptions&) {
    try {
        return Decode(data);
    } catch (const std::bad_alloc&) {
        return TDecoded::Failed(QStringLiteral("out of memory"));
    } catch (...) {
        return TDecoded::Failed();
    }
}

TImageHeader ReadJxlHeader(const QString& path) {
    try {
        QFile file(path);
        const JxlDecoderPtr dec = JxlDecoderMake(nullptr);
        if (!file.open(QIODevice::ReadOnly) || !dec ||
            JxlDecoderSubscribeEvents(dec.get(), JXL_DEC_BASIC_INFO) != JXL_DEC_SUCCESS)
            return {};
        QByteArray buffer;
        for (;;) {
            // What the decoder has not taken yet stays in front of the next piece.
            const size_t unread = JxlDecoderReleaseInput(dec.get());
            const QByteArray more = file.read(kHeaderChunk);
            if (more.isEmpty()) return {};
            buffer = buffer.right(qsizetype(unread)) + more;
            if (JxlDecoderSetInput(dec.get(), reinterpret_cast<const uint8_t*>(buffer.constData()),
                                   size_t(buffer.size())) != JXL_DEC_SUCCESS)
                return {};
            const JxlDecoderStatus status = JxlDecoderProcessInput(dec.get());
            if (status == JXL_DEC_NEED_MORE_INPUT) continue;
            JxlBasicInfo info;
            if (status != JXL_DEC_BASIC_INFO ||
                JxlDecoderGetBasicInfo(dec.get(), &info) != JXL_DEC_SUCCESS)
                return {};
            return {UprightSize(info), false};
        }
    } catch (...) {
        return {};
    }
}

void ReadJxlMetadataBoxes(const QByteArray& data, QByteArray* exif, QByteArray* xmp) {
    exif->clear();
    xmp->clear();
    try {
        const JxlDecoderPtr dec = JxlDecoderMake(nullptr);
        if (!dec || JxlDecoderSubscribeEvents(dec.get(), JXL_DEC_BOX) != JXL_DEC_SUCCESS ||
            JxlDecoderSetInput(dec.get(), reinterpret_cast<const uint8_t*>(data.constData()),
                               size_t(data.size())) != JXL_DEC_SUCCESS)
            return;
        JxlDecoderCloseInput(dec.get());
        // Without Brotli in libjxl, compressed boxes come as "brob" and are passed over.
        JxlDecoderSetDecompressBoxes(dec.get(), JXL_TRUE);
        QByteArray* target = nullptr;  // the part the current box fills
        QByteArray box;
        const auto finishBox = [&] {
            if (!target) return;
            box.truncate(box.size() - qsizetype(JxlDecoderReleaseBoxBuffer(dec.get())));
            *target = box;
            target = nullptr;
        };
        for (;;) {
            const JxlDecoderStatus status = JxlDecoderProcessInput(dec.get());
            if (status == JXL_DEC_BOX) {
                finishBox();
                JxlBoxType type;
                if (JxlDecoderGetBoxType(dec.get(), type, JXL_TRUE) != JXL_DEC_SUCCESS) break;
                const QByteArray name(type, 4);
                if (name == "Exif" && exif->isEmpty()) target = exif;
                if (name == "xml " && xmp->isEmpty()) target = xmp;
                if (!target) continue;
                box = QByteArray(4096, Qt::Uninitialized);
                if (JxlDecoderSetBoxBuffer(dec.get(), reinterpret_cast<uint8_t*>(box.data()),
                                           size_t(box.size())) != JXL_DEC_SUCCESS)
                    break;
            } else if (status == JXL_DEC_BOX_NEED_MORE_OUTPUT && target) {
                const qsizetype used =
                    box.size() - qsizetype(JxlDecoderReleaseBoxBuffer(dec.get()));
                if (box.size() >= kMaxBoxBytes) {
                    target->clear();
                    target = nullptr;
                    break;
                }
                box.resize(box.size() * 2);
                if (JxlDecoderSetBoxBuffer(dec.get(), reinterpret_cast<uint8_t*>(box.data()) + used,
                                           size_t(box.size() - used)) != JXL_DEC_SUCCESS)
                    break;
            } else {
                // The end, or damage: what was read whole is kept.
                if (status == JXL_DEC_SUCCESS) finishBox();
                break;
            }
        }
        if (target) target->clear();  // cut short
        // The EXIF box starts with the offset of the TIFF header after its first 4 bytes.
        if (exif->size() >= 4) {
            const quint32 offset = qFromBigEndian<quint32>(exif->constData());
            *exif = offset <= quint32(exif->size() - 4) ? exif->mid(4 + qsizetype(offset))
                                                        : QByteArray();
        } else {
            exif->clear();
        }
    } catch (...) {
        exif->clear();
        xmp->clear();
    }
}

bool EncodeJxl(const QImage& image, const TMetadataBlobs& metadata, QByteArray* out,
               QString* error) {
    // DoSave, the one caller, turns a failed allocation into "out of memory".
    return Encode(image, metadata, out, error);
}

}  // namespace
}  // namespace vellumora::codec

VELLUMORA_MODULE_ENTRY const void* VellumoraCodecModule() {
    using namespace vellumora::codec;
    static const TJxlModule table{.decode = DecodeJxl,
                                  .readHeader = ReadJxlHeader,
                                  .readMetadataBoxes = ReadJxlMetadataBoxes,
                                  .encode = EncodeJxl};
    return &table;
}
