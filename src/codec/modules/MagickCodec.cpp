#include <Magick++.h>

#include <QColorSpace>
#include <QHash>
#include <algorithm>
#include <cstring>
#include <mutex>

#include "codec/Codec.h"
#include "codec/CodecModules.h"
#include "codec/ImageBuffer.h"

namespace vellumora::codec {
namespace {

void EnsureMagick() {
    static std::once_flag once;
    std::call_once(once, [] {
        Magick::InitializeMagick(nullptr);
        // Callers run one file per thread; ImageMagick's own threads would only compete.
        Magick::ResourceLimits::thread(1);
        // A file may hold many frames (DCX, GIF, ICO); we read the first only.
        Magick::ResourceLimits::listLength(kMaxFrames);
    });
}

// The coder for data whose signature we know. Only coders listed here (and in
// CoderForSuffix) ever see a file: ImageMagick also reads formats that run external
// programs or fetch other files (PostScript, SVG, MVG, MSL, URLs ...).
// TIFF is left out on purpose: ImageMagick's TIFF coder installs process-wide libtiff
// error handlers that keep a per-thread pointer to its last read's exception, so a
// later TIFF error inside Qt's TIFF reader on that thread would abort the program.
// JPEG is left out because TurboJPEG and Qt have both tried it already.
QByteArray CoderForContent(const QByteArray& data) {
    const auto at = [&](qsizetype offset, const char* signature, qsizetype length) {
        return data.size() >= offset + length &&
               std::memcmp(data.constData() + offset, signature, size_t(length)) == 0;
    };
    const auto byte = [&](qsizetype i) { return i < data.size() ? uchar(data[i]) : 0xFFFF; };
    if (byte(0) == 0x0A && (byte(1) <= 5 && byte(1) != 1) && byte(2) <= 1) return "PCX";
    if (at(0, "\xB1\x68\xDE\x3A", 4)) return "DCX";
    if (at(0, "\0\0\0\x0CjP  \r\n\x87\n", 12)) return "JP2";
    if (at(0, "\xFF\x4F\xFF\x51", 4)) return "J2K";
    if (at(0, "\xD7\xCD\xC6\x9A", 4) || at(0, "\x01\0\x09\0\0\x03", 6) ||
        at(0, "\x02\0\x09\0\0\x03", 6))
        return "WMF";
    if (at(0, "\x01\0\0\0", 4) && at(40, " EMF", 4)) return "EMF";
    if (at(0, "\x52\xCC", 2)) return "RLE";
    if (at(0, "BM", 2)) return "BMP";
    if (at(0, "GIF87a", 6) || at(0, "GIF89a", 6)) return "GIF";
    if (at(0, "\x89PNG\r\n\x1A\n", 8)) return "PNG";
    if (at(0, "\0\0\x01\0", 4)) return "ICO";
    if (at(0, "\0\0\x02\0", 4)) return "CUR";
    if (byte(0) == 'P' && byte(1) >= '1' && byte(1) <= '7') return "PNM";
    if (at(0, "RIFF", 4) && at(8, "WEBP", 4)) return "WEBP";
    return {};
}

// The coder for formats without a signature, by file name suffix.
QByteArray CoderForSuffix(const QString& suffix) {
    static const QHash<QString, QByteArray> bySuffix{
        {QStringLiteral("tga"), "TGA"}, {QStringLiteral("targa"), "TGA"},
        {QStringLiteral("vda"), "TGA"}, {QStringLiteral("icb"), "TGA"},
        {QStringLiteral("vst"), "TGA"}, {QStringLiteral("pix"), "PIX"},
        {QStringLiteral("fax"), "FAX"}, {QStringLiteral("g3n"), "FAX"},
        {QStringLiteral("g3f"), "FAX"}, {QStringLiteral("dib"), "DIB"},
    };
    return bySuffix.value(suffix);
}

// A suffix naming a format without signature wins: TGA's first bytes can look like
// an icon's. Anything else is taken by its signature.
QByteArray ChooseCoder(const QByteArray& data, const QString& suffix) {
    const QByteArray coder = CoderForSuffix(suffix);
    return coder.isEmpty() ? CoderForContent(data) : coder;
}

void PrepareRead(Magick::Image& image, const QByteArray& coder) {
    image.quiet(false);  // warnings throw too: a file that warns is not trusted
    image.subImage(0);
    image.subRange(1);
    image.magick(coder.toStdString());
}

TDecoded DecodeWithMagick(const QByteArray& data, const QString& suffix) {
    EnsureMagick();
    try {
        const QByteArray coder = ChooseCoder(data, suffix);
        if (coder.isEmpty()) return TDecoded::Failed();
        const Magick::Blob blob(data.constData(), size_t(data.size()));

        // The header alone first: a size we refuse must not reach the decoder.
        Magick::Image probe;
        PrepareRead(probe, coder);
        probe.ping(blob);
        if (ExceedsPixelLimit(qint64(probe.columns()), qint64(probe.rows())))
            return TDecoded::TooLarge(qint64(probe.columns()), qint64(probe.rows()));

        Magick::Image image;
        PrepareRead(image, coder);
        image.read(blob);
        const qint64 width = qint64(image.columns());
        const qint64 height = qint64(image.rows());
        if (ExceedsPixelLimit(width, height)) return TDecoded::TooLarge(width, height);
        if (width < 1 || height < 1) return TDecoded::Failed();

        const MagickCore::ColorspaceType space = image.colorSpace();
        if (space != MagickCore::sRGBColorspace && space != MagickCore::RGBColorspace &&
            space != MagickCore::GRAYColorspace && space != MagickCore::TransparentColorspace)
            image.colorSpace(MagickCore::sRGBColorspace);

        QImage out = NewImage(int(width), int(height));
        if (out.isNull()) return TDecoded::Failed(QStringLiteral("out of memory"));
        static_assert(Q_BYTE_ORDER == Q_LITTLE_ENDIAN,
                      "B, G, R, A bytes are RGB32 on little endian");
        image.write(0, 0, size_t(width), size_t(height), "BGRA", Magick::CharPixel, out.bits());
        // Without an alpha channel the alpha ImageMagick exports is whatever its pixel
        // cache held: not to be trusted.
        if (image.matte())
            CompositeOverWhiteInPlace(out);
        else
            ForceOpaque(out);

        const Magick::Blob icc = image.iccColorProfile();
        if (icc.length() > 0) {
            const QByteArray profile(static_cast<const char*>(icc.data()), qsizetype(icc.length()));
            ConvertToSrgb(out, QColorSpace::fromIccProfile(profile));
        }
        return TDecoded::Ok(std::move(out));
    } catch (const Magick::Exception&) {
        return TDecoded::Failed();
    } catch (const std::exception&) {
        return TDecoded::Failed();
    }
}

bool EncodeWithMagick(const QImage& source, const char* coder, QByteArray* out, QString* error) {
    EnsureMagick();
    // ImageMagick wants rows without padding; kPixelFormat rows have none, but an image
    // made over foreign memory might.
    QImage image = source.format() == kPixelFormat ? source : source.convertToFormat(kPixelFormat);
    if (image.bytesPerLine() != qsizetype(image.width()) * 4) image = image.copy();
    if (image.isNull()) {
        if (error) *error = QStringLiteral("empty image");
        return false;
    }
    try {
        // "P" skips the unused 4th byte: what reaches the file has no alpha.
        Magick::Image magick(size_t(image.width()), size_t(image.height()), "BGRP",
                             Magick::CharPixel, image.constBits());
        magick.matte(false);
        magick.depth(8);
        if (qstrcmp(coder, "GIF") != 0) magick.type(Magick::TrueColorType);
        magick.magick(coder);
        Magick::Blob blob;
        magick.write(&blob);
        *out = QByteArray(static_cast<const char*>(blob.data()), qsizetype(blob.length()));
        return true;
    } catch (const Magick::Exception& e) {
        if (error)
            *error = QStringLiteral("%1 encoding failed: %2")
                         .arg(QLatin1String(coder), QString::fromLocal8Bit(e.what()));
        return false;
    } catch (const std::exception&) {
        if (error) *error = QStringLiteral("out of memory");
        return false;
    }
}

}  // namespace
}  // namespace vellumora::codec

VELLUMORA_MODULE_ENTRY const void* VellumoraCodecModule() {
    using namespace vellumora::codec;
    static const TMagickModule table{.decode = DecodeWithMagick, .encode = EncodeWithMagick};
    return &table;
}
