#include "codec/JpegCodec.h"

#include <turbojpeg.h>

#include <QColorSpace>
#include <QtEndian>
#include <algorithm>
#include <array>
#include <cstring>
#include <memory>
#include <vector>

#include "codec/ImageBuffer.h"

namespace vellumora::codec {
namespace {

// QImage::Format_RGB32 is 0xffRRGGBB per 32-bit word: B, G, R, X in memory on little
// endian machines. libjpeg-turbo writes 0xFF into the X byte when decompressing.
constexpr int kTjPixelFormat = Q_BYTE_ORDER == Q_LITTLE_ENDIAN ? TJPF_BGRX : TJPF_XRGB;

// Progressive files with thousands of scans take minutes to decode; real ones have
// about ten.
constexpr int kDecodeFlags = TJFLAG_LIMITSCANS;

struct TTjDeleter {
    void operator()(void* handle) const { tjDestroy(handle); }
};
using TTjHandle = std::unique_ptr<void, TTjDeleter>;

}  // namespace

// Walks the marker segments before the first scan for the ICC profile, which may be
// split over several APP2 segments.
QByteArray ReadIccProfile(const uchar* data, size_t size) {
    struct TIccChunk {
        const uchar* bytes = nullptr;
        size_t size = 0;
    };
    std::array<TIccChunk, 256> icc{};
    int iccCount = 0;
    bool iccBroken = false;

    size_t pos = 2;  // after SOI
    while (pos + 4 <= size) {
        if (data[pos] != 0xFF) break;  // not a marker where one must be: stop looking
        const uchar marker = data[pos + 1];
        if (marker == 0xFF) {  // fill byte
            ++pos;
            continue;
        }
        if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD8)) {  // no length field
            pos += 2;
            continue;
        }
        if (marker == 0xDA || marker == 0xD9) break;  // scan data or end: no more metadata
        const size_t length = qFromBigEndian<quint16>(data + pos + 2);
        if (length < 2 || length > size - pos - 2) break;
        const uchar* payload = data + pos + 4;
        const size_t payloadSize = length - 2;

        static constexpr char kIcc[] = "ICC_PROFILE";  // 12 bytes with its NUL
        if (marker == 0xE2 && payloadSize >= 14 && std::memcmp(payload, kIcc, 12) == 0) {
            const int sequence = payload[12];
            const int count = payload[13];
            if (sequence < 1 || sequence > count || icc[sequence].bytes ||
                (iccCount && count != iccCount)) {
                iccBroken = true;
            } else {
                iccCount = count;
                icc[sequence] = {payload + 14, payloadSize - 14};
            }
        }
        pos += 2 + length;
    }

    if (iccCount > 0 && !iccBroken) {
        QByteArray profile;
        for (int i = 1; i <= iccCount; ++i) {
            if (!icc[i].bytes) return {};  // a chunk is missing: use none
            profile.append(reinterpret_cast<const char*>(icc[i].bytes), qsizetype(icc[i].size));
        }
        return profile;
    }
    return {};
}

// The smallest DCT scaling factor (at most 1) whose sides still reach the options'
// minimums; 1/1 when none does.
tjscalingfactor ChooseScale(int width, int height, const TLoadOptions& options) {
    tjscalingfactor best{1, 1};
    if (!options.AllowsReduction()) return best;
    int count = 0;
    const tjscalingfactor* factors = tjGetScalingFactors(&count);
    if (!factors) return best;
    int bestLong = std::max(width, height);
    for (int i = 0; i < count; ++i) {
        const tjscalingfactor f = factors[i];
        if (f.num > f.denom) continue;  // never enlarge
        const int w = TJSCALED(width, f);
        const int h = TJSCALED(height, f);
        const int longSide = std::max(w, h);
        if (options.Allows(w, h) && longSide < bestLong) {
            best = f;
            bestLong = longSide;
        }
    }
    return best;
}

bool LooksLikeJpeg(const QByteArray& data) {
    return data.size() >= 3 && uchar(data[0]) == 0xFF && uchar(data[1]) == 0xD8 &&
           uchar(data[2]) == 0xFF;
}

TDecoded DecodeJpeg(const QByteArray& data, const TLoadOptions& options, int orientation) {
    const auto* jpeg = reinterpret_cast<const uchar*>(data.constData());
    const auto jpegSize = static_cast<unsigned long>(data.size());
    TTjHandle handle(tjInitDecompress());
    if (!handle) return TDecoded::Failed(QStringLiteral("JPEG decoder unavailable"));

    int width = 0, height = 0, subsampling = 0, colorspace = 0;
    if (tjDecompressHeader3(handle.get(), jpeg, jpegSize, &width, &height, &subsampling,
                            &colorspace) != 0)
        return TDecoded::Failed();
    if (width < 1 || height < 1) return TDecoded::Failed();
    if (ExceedsPixelLimit(width, height)) return TDecoded::TooLarge(width, height);
    // libjpeg cannot turn CMYK into RGB; Qt's reader can.
    if (colorspace == TJCS_CMYK || colorspace == TJCS_YCCK) return TDecoded::Failed();

    const tjscalingfactor scale = ChooseScale(width, height, options);
    const int scaledWidth = TJSCALED(width, scale);
    const int scaledHeight = TJSCALED(height, scale);
    QImage image = NewImage(scaledWidth, scaledHeight);
    if (image.isNull()) return TDecoded::Failed(QStringLiteral("out of memory"));

    const int speed = options.preview ? TJFLAG_FASTDCT | TJFLAG_FASTUPSAMPLE : 0;
    const auto decode = [&](int flags) {
        flags |= speed;
        return tjDecompress2(handle.get(), jpeg, jpegSize, image.bits(), scaledWidth,
                             int(image.bytesPerLine()), scaledHeight, kTjPixelFormat, flags);
    };
    // First pass stops at the first warning, so a clean file is decoded once into the
    // uninitialised buffer. A damaged one (cut short, corrupt data) is decoded again to
    // the end into a grey-filled buffer: once warned, TurboJPEG cannot tell us whether
    // a later fatal error left rows unwritten, and grey is what those rows then show.
    if (decode(kDecodeFlags | TJFLAG_STOPONWARNING) != 0) {
        if (tjGetErrorCode(handle.get()) != TJERR_WARNING) return TDecoded::Failed();
        image.fill(qRgb(128, 128, 128));
        if (decode(kDecodeFlags) != 0 && tjGetErrorCode(handle.get()) != TJERR_WARNING)
            return TDecoded::Failed();
    }

    const QByteArray iccProfile = ReadIccProfile(jpeg, size_t(jpegSize));
    if (!iccProfile.isEmpty()) ConvertToSrgb(image, QColorSpace::fromIccProfile(iccProfile));
    if (orientation != 1) {
        image = OrientImage(image, orientation);
        if (image.isNull()) return TDecoded::Failed(QStringLiteral("out of memory"));
    }
    return TDecoded::Ok(std::move(image));
}

bool EncodeJpeg(const QImage& source, int quality, QByteArray* out, QString* error) {
    const auto fail = [&](const QString& reason) {
        if (error) *error = reason;
        return false;
    };
    const QImage image =
        source.format() == kPixelFormat ? source : source.convertToFormat(kPixelFormat);
    if (image.isNull()) return fail(QStringLiteral("empty image"));
    if (image.width() > 65535 || image.height() > 65535)
        return fail(QStringLiteral("image too large for JPEG (%1 x %2, at most 65535 a side)")
                        .arg(image.width())
                        .arg(image.height()));
    TTjHandle handle(tjInitCompress());
    if (!handle) return fail(QStringLiteral("JPEG encoder unavailable"));
    unsigned char* jpeg = nullptr;
    unsigned long jpegSize = 0;
    const int rc =
        tjCompress2(handle.get(), image.constBits(), image.width(), int(image.bytesPerLine()),
                    image.height(), kTjPixelFormat, &jpeg, &jpegSize, TJSAMP_420, quality, 0);
    const std::unique_ptr<unsigned char, void (*)(unsigned char*)> owned(jpeg, tjFree);
    if (rc != 0)
        return fail(QStringLiteral("JPEG encoding failed: %1")
                        .arg(QString::fromLocal8Bit(tjGetErrorStr2(handle.get()))));
    *out = QByteArray(reinterpret_cast<const char*>(jpeg), qsizetype(jpegSize));
    return true;
}

}  // namespace vellumora::codec
