#include "MagickCodec.h"

#include <Magick++.h>

#include <QColorSpace>
#include <QSet>

#include <algorithm>
#include <mutex>

#include "Codec.h"
#include "ImageBuffer.h"

namespace vellumora::codec {
namespace {

void EnsureMagick() {
    static std::once_flag once;
    std::call_once(once, [] {
        Magick::InitializeMagick(nullptr);
        // Callers run one file per thread; ImageMagick's own threads would only compete.
        Magick::ResourceLimits::thread(1);
        // A file may hold many frames (DCX, TIFF, GIF); we read the first only.
        Magick::ResourceLimits::listLength(4096);
    });
}

// Coders allowed to decode, by the name ImageMagick gives them. ImageMagick reads
// formats that run external programs or fetch other files (PostScript, SVG, MVG, MSL,
// URLs ...); none of those get near it from here.
const QSet<QByteArray>& AllowedCoders() {
    static const QSet<QByteArray> coders{
        "PCX",  "DCX",  "FAX",  "G3",   "JP2",  "J2K",  "JPC",  "J2C",  "WMF",
        "EMF",  "TGA",  "VDA",  "ICB",  "VST",  "PIX",  "RLE",  "DIB",  "BMP",
        "BMP2", "BMP3", "GIF",  "GIF87", "PNG", "TIFF", "TIF",  "PNM",  "PPM",
        "PGM",  "PBM",  "PAM",  "ICO",  "ICON", "CUR",  "WBMP", "WEBP",
    };
    return coders;
}

// The coder for formats without a signature, by file name suffix.
QByteArray CoderForSuffix(const QString& suffix) {
    static const QHash<QString, QByteArray> bySuffix{
        {QStringLiteral("pcx"), "PCX"},   {QStringLiteral("dcx"), "DCX"},
        {QStringLiteral("fax"), "FAX"},   {QStringLiteral("g3n"), "FAX"},
        {QStringLiteral("g3f"), "FAX"},   {QStringLiteral("jp2"), "JP2"},
        {QStringLiteral("j2k"), "J2K"},   {QStringLiteral("jpc"), "JPC"},
        {QStringLiteral("j2c"), "J2C"},   {QStringLiteral("wmf"), "WMF"},
        {QStringLiteral("emf"), "EMF"},   {QStringLiteral("tga"), "TGA"},
        {QStringLiteral("targa"), "TGA"}, {QStringLiteral("vda"), "TGA"},
        {QStringLiteral("icb"), "TGA"},   {QStringLiteral("vst"), "TGA"},
        {QStringLiteral("pix"), "PIX"},   {QStringLiteral("pxm"), "PNM"},
        {QStringLiteral("ppm"), "PNM"},   {QStringLiteral("pgm"), "PNM"},
        {QStringLiteral("pbm"), "PNM"},   {QStringLiteral("rle"), "RLE"},
        {QStringLiteral("dib"), "DIB"},   {QStringLiteral("bmp"), "BMP"},
        {QStringLiteral("tif"), "TIFF"},  {QStringLiteral("tiff"), "TIFF"},
        {QStringLiteral("gif"), "GIF"},   {QStringLiteral("png"), "PNG"},
        {QStringLiteral("ico"), "ICO"},   {QStringLiteral("cur"), "CUR"},
        {QStringLiteral("wbmp"), "WBMP"}, {QStringLiteral("webp"), "WEBP"},
    };
    return bySuffix.value(suffix);
}

QByteArray ChooseCoder(const QByteArray& data, const QString& suffix) {
    char detected[MaxTextExtent] = {};  // a macro, outside the namespace
    const size_t head = size_t(std::min<qsizetype>(data.size(), 8192));
    if (MagickCore::GetImageMagick(reinterpret_cast<const unsigned char*>(data.constData()),
                                   head, detected) == MagickCore::MagickTrue) {
        // Recognised as something else than we allow: no guessing by suffix then.
        const QByteArray coder(detected);
        return AllowedCoders().contains(coder) ? coder : QByteArray();
    }
    return CoderForSuffix(suffix);
}

void PrepareRead(Magick::Image& image, const QByteArray& coder) {
    image.quiet(false);  // warnings throw too: a file that warns is not trusted
    image.subImage(0);
    image.subRange(1);
    image.magick(coder.toStdString());
}

}  // namespace

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
        static_assert(Q_BYTE_ORDER == Q_LITTLE_ENDIAN, "B, G, R, A bytes are RGB32 on little endian");
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
        if (error) *error = QStringLiteral("%1 encoding failed: %2").arg(QLatin1String(coder),
                                                                         QString::fromLocal8Bit(e.what()));
        return false;
    } catch (const std::exception&) {
        if (error) *error = QStringLiteral("out of memory");
        return false;
    }
}

}  // namespace vellumora::codec
