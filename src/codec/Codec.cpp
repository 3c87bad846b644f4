#include "codec/Codec.h"

#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QImageIOHandler>
#include <QImageReader>
#include <QImageWriter>
#include <QSaveFile>
#include <mutex>
#include <new>

#include "codec/CodecUtil.h"
#include "codec/HeifCodec.h"
#include "codec/ImageBuffer.h"
#include "codec/JpegCodec.h"
#include "codec/JxlCodec.h"
#include "codec/MagickCodec.h"
#include "codec/MetadataIo.h"
#include "codec/RawCodec.h"
#include "codec/WebpCodec.h"

namespace vellumora {
namespace {

using codec::TDecoded;
using EStatus = codec::TDecoded::EStatus;

constexpr int kJpegQuality = 90;
// Files are read whole into memory; nothing we can load needs more than this.

// The types DoSave writes, in the order of every list that shows them; WritableTypes().
// clang-format off
constexpr TWritableType kWritableTypes[] = {
    {"jpg",  "JPEG Bitmap",               TEncoder::Jpeg,   nullptr, true},
    {"jpeg", "JPEG Bitmap",               TEncoder::Jpeg,   nullptr, true},
    {"gif",  "CompuServe Bitmap",         TEncoder::Magick, "GIF",   false},
    {"tif",  "TIFF Bitmap",               TEncoder::Qt,     "tiff",  true},
    {"pcx",  "PaintBrush",                TEncoder::Magick, "PCX",   false},
    {"png",  "Portable Network Graphics", TEncoder::Qt,     "png",   true},
    {"bmp",  "Windows Bitmap",            TEncoder::Qt,     "bmp",   false},
    {"tga",  "Targa Bitmap",              TEncoder::Magick, "TGA",   false},
    {"webp", "WebP Image",                TEncoder::WebP,   nullptr, true},
    {"avif", "AV1 Image File",            TEncoder::Avif,   nullptr, true},
    {"jxl",  "JPEG XL Image",             TEncoder::Jxl,    nullptr, true},
};

// The extensions offered to open, in the order of the open filter: the classic formats
// first, then today's, then camera raw. ReadableTypes().
constexpr TReadableType kReadableTypes[] = {
    {"tif",  "image/tiff",             false}, {"tiff", "image/tiff",            false},
    {"fax",  "image/g3fax",            false}, {"g3n",  "",                      false},
    {"g3f",  "",                       false}, {"gif",  "image/gif",             false},
    {"jpg",  "image/jpeg",             false}, {"jpeg", "image/jpeg",            false},
    {"jpe",  "image/jpeg",             false}, {"pcx",  "image/vnd.zbrush.pcx",  false},
    {"bmp",  "image/bmp",              false}, {"dib",  "image/bmp",             false},
    {"rle",  "image/rle",              false}, {"ico",  "image/vnd.microsoft.icon", false},
    {"cur",  "image/x-win-bitmap",     false}, {"png",  "image/png",             false},
    {"wmf",  "image/wmf",              false}, {"emf",  "image/emf",             false},
    {"tga",  "image/x-tga",            false}, {"targa", "image/x-tga",          false},
    {"vda",  "image/x-tga",            false}, {"icb",  "image/x-tga",           false},
    {"vst",  "image/x-tga",            false}, {"pix",  "",                      false},
    {"pxm",  "",                       false}, {"ppm",  "image/x-portable-pixmap", false},
    {"pgm",  "image/x-portable-graymap", false}, {"pbm", "image/x-portable-bitmap", false},
    {"wbmp", "image/vnd.wap.wbmp",     false}, {"jp2",  "image/jp2",             false},
    {"j2k",  "image/x-jp2-codestream", false}, {"jpc",  "image/x-jp2-codestream", false},
    {"j2c",  "image/x-jp2-codestream", false}, {"dcx",  "",                      false},
    {"webp", "image/webp",             false}, {"heic", "image/heic",            false},
    {"heif", "image/heif",             false}, {"hif",  "image/heif",            false},
    {"avif", "image/avif",             false}, {"jxl",  "image/jxl",             false},
    {"3fr",  "",                       true},  {"ari",  "",                      true},
    {"arq",  "",                       true},  {"arw",  "image/x-sony-arw",      true},
    {"bay",  "",                       true},  {"cap",  "",                      true},
    {"cr2",  "image/x-canon-cr2",      true},  {"cr3",  "image/x-canon-cr3",     true},
    {"crw",  "image/x-canon-crw",      true},  {"dcr",  "image/x-kodak-dcr",     true},
    {"dcs",  "",                       true},  {"dng",  "image/x-adobe-dng",     true},
    {"drf",  "",                       true},  {"erf",  "",                      true},
    {"fff",  "",                       true},  {"iiq",  "",                      true},
    {"k25",  "image/x-kodak-k25",      true},  {"kdc",  "image/x-kodak-kdc",     true},
    {"mdc",  "",                       true},  {"mef",  "",                      true},
    {"mos",  "",                       true},  {"mrw",  "image/x-minolta-mrw",   true},
    {"nef",  "image/x-nikon-nef",      true},  {"nrw",  "image/x-nikon-nrw",     true},
    {"orf",  "image/x-olympus-orf",    true},  {"pef",  "image/x-pentax-pef",    true},
    {"ptx",  "",                       true},  {"pxn",  "",                      true},
    {"qtk",  "",                       true},  {"raf",  "image/x-fuji-raf",      true},
    {"raw",  "image/x-panasonic-rw",   true},  {"rw2",  "image/x-panasonic-rw2", true},
    {"rwl",  "",                       true},  {"sr2",  "image/x-sony-sr2",      true},
    {"srf",  "image/x-sony-srf",       true},  {"srw",  "",                      true},
};
// clang-format on

// The type of a suffix (lower case); null when DoSave does not write it.
const TWritableType* WritableTypeOf(const QString& suffix) {
    for (const TWritableType& type : kWritableTypes)
        if (suffix == QLatin1String(type.suffix)) return &type;
    return nullptr;
}

void PrepareQtReaders() {
    static std::once_flag once;
    std::call_once(once, [] {
        // Qt refuses images above 256 MB by default. Ours may hold kMaxLoadPixels at up to
        // 8 bytes per pixel (16-bit formats) before conversion; the pixel count itself
        // is checked against the header before reading.
        QImageReader::setAllocationLimit(int((kMaxLoadPixels * 8) >> 20));
    });
}

// The suffix as a format hint for QImageReader, for formats without a signature (TGA).
QByteArray QtFormatHint(const QString& suffix) {
    static const QList<QByteArray> formats = QImageReader::supportedImageFormats();
    const QByteArray hint = suffix.toLatin1();
    return formats.contains(hint) ? hint : QByteArray();
}

// `orientation` is the file's EXIF orientation, applied where Qt's reader did not turn
// the picture itself (it does for JPEG and TIFF, not for PNG's eXIf or WebP).
TDecoded DecodeWithQt(const QByteArray& data, const QByteArray& format, int orientation) {
    PrepareQtReaders();
    QBuffer buffer;
    buffer.setData(data);
    if (!buffer.open(QIODevice::ReadOnly)) return TDecoded::Failed();
    QImageReader reader(&buffer, format);
    reader.setAutoTransform(true);
    const QSize size = reader.size();
    if (size.isValid() && ExceedsPixelLimit(size.width(), size.height()))
        return TDecoded::TooLarge(size.width(), size.height());
    QImage image;
    if (!reader.read(&image) || image.isNull()) return TDecoded::Failed();
    const QColorSpace colorSpace = image.colorSpace();
    QImage out = codec::ToOpaquePixelFormat(std::move(image));
    if (out.isNull()) return TDecoded::Failed(QStringLiteral("out of memory"));
    codec::ConvertToSrgb(out, colorSpace);
    if (orientation != 1 && reader.transformation() == QImageIOHandler::TransformationNone) {
        out = OrientImage(out, orientation);
        if (out.isNull()) return TDecoded::Failed(QStringLiteral("out of memory"));
    }
    return TDecoded::Ok(std::move(out));
}

TDecoded DecodeWithQt(const QByteArray& data, const QString& suffix, int orientation) {
    // By content first: Qt takes a format it is told for granted (a PNG named .jpg
    // would go to the JPEG reader and fail), so the suffix is only the second try.
    TDecoded decoded = DecodeWithQt(data, QByteArray(), orientation);
    const QByteArray hint = QtFormatHint(suffix);
    if (decoded.status == EStatus::Failed && !hint.isEmpty())
        decoded = DecodeWithQt(data, hint, orientation);
    return decoded;
}

// Whether the bytes begin as an image of a type some reader knows, so that a failed
// decode means a damaged file rather than something that is no image at all.
bool RecognisedImage(const QByteArray& data) {
    if (codec::LooksLikeJpeg(data) || codec::LooksLikeHeif(data) || codec::LooksLikeJxl(data) ||
        codec::LooksLikeWebp(data))
        return true;
    PrepareQtReaders();
    QBuffer buffer;
    buffer.setData(data);
    return buffer.open(QIODevice::ReadOnly) && !QImageReader::imageFormat(&buffer).isEmpty();
}

QImage LoadFile(const QString& path, QString* error, const TLoadOptions& options) {
    const auto fail = [&](const QString& reason) {
        if (error) *error = reason;
        return QImage();
    };
    QByteArray data;
    const auto finish = [&](TDecoded& decoded) {
        if (decoded.status == EStatus::Ok) return decoded.image;
        if (!decoded.reason.isEmpty()) return fail(decoded.reason);
        return fail(RecognisedImage(data) ? QStringLiteral("damaged file")
                                          : QStringLiteral("not an image this program reads"));
    };

    const QFileInfo info(path);
    if (path.isEmpty() || !info.exists()) return fail(QStringLiteral("no such file"));
    if (info.isDir()) return fail(QStringLiteral("it is a folder"));
    if (!info.isFile()) return fail(QStringLiteral("not a regular file"));
    if (info.size() == 0) return fail(QStringLiteral("empty file"));
    if (info.size() > kMaxFileBytes) return fail(QStringLiteral("file too large"));
    const QString suffix = info.suffix().toLower();

    // Raw files are TIFF inside, and Qt's TIFF reader would show their small preview.
    const bool raw = codec::IsRawSuffix(suffix);
    if (options.metadata) *options.metadata = TMetadata();
    if (raw) {
        TDecoded decoded = codec::DecodeRaw(path, options);
        // A failure with a reason is a file LibRaw knows but cannot decode: no other reader
        // would show more than the small preview inside it.
        if (decoded.status != EStatus::Failed || !decoded.reason.isEmpty()) {
            if (options.metadata && decoded.status == EStatus::Ok)
                *options.metadata = ReadMetadata(path);
            return finish(decoded);
        }
    }

    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return fail(file.error() == QFileDevice::OpenError && !info.isReadable()
                        ? QStringLiteral("permission denied")
                        : QStringLiteral("cannot read file: ") + file.errorString());
    data = file.readAll();
    if (data.isEmpty()) return fail(QStringLiteral("cannot read file: ") + file.errorString());
    file.close();
    // Read always, for the orientation; reading costs well under a millisecond.
    const TMetadata metadata = codec::ReadMetadata(data);
    if (options.metadata) *options.metadata = metadata;
    const int orientation = metadata.Orientation();

    TDecoded decoded;
    // By content, whatever the name says. HEIF and JPEG XL turn by their own transforms;
    // the EXIF orientation they may also carry would turn them a second time.
    if (codec::LooksLikeJpeg(data)) {
        decoded = codec::DecodeJpeg(data, options, orientation);
        if (decoded.status != EStatus::Failed) return finish(decoded);
    } else if (codec::LooksLikeHeif(data)) {
        decoded = codec::DecodeHeif(data, options);
        return finish(decoded);
    } else if (codec::LooksLikeJxl(data)) {
        decoded = codec::DecodeJxl(data, options);
        // Its boxes through libjxl: Exiv2 reads none that are Brotli-compressed.
        if (options.metadata) {
            QByteArray exif, xmp;
            codec::ReadJxlMetadataBoxes(data, &exif, &xmp);
            if (!exif.isEmpty() || !xmp.isEmpty())
                *options.metadata = codec::MetadataFromBlobs(exif, xmp);
        }
        return finish(decoded);
    } else if (codec::LooksLikeWebp(data)) {
        decoded = codec::DecodeWebp(data, options, orientation);
        return finish(decoded);
    }
    decoded = DecodeWithQt(data, suffix, orientation);
    if (decoded.status != EStatus::Failed) return finish(decoded);
    decoded = codec::DecodeWithMagick(data, suffix);
    if (decoded.status == EStatus::Ok && orientation != 1) {
        decoded.image = OrientImage(decoded.image, orientation);
        if (decoded.image.isNull()) return fail(QStringLiteral("out of memory"));
    }
    if (decoded.status != EStatus::Failed) return finish(decoded);
    if (!raw) {
        decoded = codec::DecodeRaw(path, options);
        if (decoded.status != EStatus::Failed) return finish(decoded);
    }
    return finish(decoded);
}

bool EncodeWithQt(const QImage& image, const char* format, QByteArray* bytes, QString* error) {
    const QImage rgb = image.convertToFormat(QImage::Format_RGB888);
    if (rgb.isNull()) {
        if (error) *error = QStringLiteral("out of memory");
        return false;
    }
    QBuffer buffer(bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, format);
    if (!writer.write(rgb)) {
        if (error) *error = QStringLiteral("cannot write image: %1").arg(writer.errorString());
        return false;
    }
    return true;
}

bool SaveFile(const QImage& image, const QString& path, QString* error, const TMetadata& metadata) {
    const auto fail = [&](const QString& reason) {
        if (error) *error = reason;
        return false;
    };
    if (image.isNull()) return fail(QStringLiteral("empty image"));
    const QString suffix = QFileInfo(path).suffix().toLower();
    const TWritableType* type = WritableTypeOf(suffix);
    if (!type) return fail(QStringLiteral("cannot write files of type \"%1\"").arg(suffix));

    const QColorSpace colorSpace = image.colorSpace();
    QImage rgb = codec::ToOpaquePixelFormat(image);
    if (rgb.isNull()) return fail(QStringLiteral("out of memory"));
    codec::ConvertToSrgb(rgb, colorSpace);

    QByteArray bytes;
    switch (type->encoder) {
        case TEncoder::Jpeg:
            if (!codec::EncodeJpeg(rgb, kJpegQuality, &bytes, error)) return false;
            break;
        case TEncoder::Magick:
            // Its formats (GIF, PCX, TGA) store each side in 16 bits.
            if (rgb.width() > 65535 || rgb.height() > 65535)
                return fail(QStringLiteral("image too large for this file type (%1 x %2)")
                                .arg(rgb.width())
                                .arg(rgb.height()));
            if (!codec::EncodeWithMagick(rgb, type->format, &bytes, error)) return false;
            break;
        case TEncoder::Qt:
            if (!EncodeWithQt(rgb, type->format, &bytes, error)) return false;
            break;
        case TEncoder::WebP:
            if (!codec::EncodeWebp(rgb, codec::MetadataBlobs(metadata, rgb.size()), &bytes, error))
                return false;
            break;
        case TEncoder::Avif:
            if (!codec::EncodeAvif(rgb, codec::MetadataBlobs(metadata, rgb.size()), &bytes, error))
                return false;
            break;
        case TEncoder::Jxl:
            if (!codec::EncodeJxl(rgb, codec::MetadataBlobs(metadata, rgb.size()), &bytes, error))
                return false;
            break;
    }
    // The encoders of today's formats put the metadata in themselves.
    const bool embedded = type->encoder == TEncoder::WebP || type->encoder == TEncoder::Avif ||
                          type->encoder == TEncoder::Jxl;
    if (type->metadata && !embedded) bytes = codec::EmbedMetadata(bytes, metadata, rgb.size());
    return WriteFileAtomically(path, bytes, error);
}

}  // namespace

bool WriteFileAtomically(const QString& path, const QByteArray& bytes, QString* error) {
    const auto fail = [error](const char* what, const QString& reason) {
        if (error) *error = QString::fromLatin1(what) + reason;
        return false;
    };
    QSaveFile file(path);
    // Unbuffered, so that the write that fails says why at once. Buffered, the bytes
    // that did not fit came out at commit as "Unknown error", and a write cut short by
    // a full disk was reported as partly done.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return fail("cannot create file: ", file.errorString());
    // A write the system cuts short (a full disk, a file-size limit) returns what it wrote
    // and no error; only the next one, which writes nothing, carries the system's reason.
    for (qsizetype done = 0; done < bytes.size();) {
        const qint64 written = file.write(bytes.constData() + done, bytes.size() - done);
        if (written <= 0) {
            const QString reason = file.errorString();
            file.cancelWriting();
            return fail("cannot write file: ", reason);
        }
        done += written;
    }
    if (!file.commit()) return fail("cannot write file: ", file.errorString());
    return true;
}

TImageHeader ReadImageHeader(const QString& path) {
    TImageHeader header;
    // A raw name may hold another picture (a JPEG saved as .nef): then its content tells.
    if (codec::IsRawSuffix(QFileInfo(path).suffix().toLower())) {
        header = codec::ReadRawHeader(path);
        if (header.size.isValid()) return header;
    }
    QByteArray start;
    if (QFile file(path); file.open(QIODevice::ReadOnly)) start = file.read(64);
    if (codec::LooksLikeHeif(start)) return codec::ReadHeifHeader(path);
    if (codec::LooksLikeJxl(start)) return codec::ReadJxlHeader(path);
    PrepareQtReaders();
    QImageReader reader(path);
    // A header Qt's reader would refuse to decode tells nothing (ImageMagick may still
    // read the file, by its own reckoning of the size).
    if (!reader.canRead()) return {};
    header.size = reader.size();
    if (!header.size.isValid()) return {};
    // Qt reads the EXIF orientation of JPEG and TIFF files, as DoLoad applies it.
    if (reader.transformation() & QImageIOHandler::TransformationRotate90) header.size.transpose();
    // WebP's it does not, and DoLoad turns a WebP by it all the same.
    else if (codec::LooksLikeWebp(start) && ReadMetadata(path).Orientation() >= 5)
        header.size.transpose();
    header.reducible = reader.format() == "jpeg";
    return header;
}

QImage DoLoad(const QString& path, QString* error, const TLoadOptions& options) {
    try {
        return LoadFile(path, error, options);
    } catch (const std::bad_alloc&) {
        if (error) *error = QStringLiteral("out of memory");
        return {};
    }
}

bool DoSave(const QImage& image, const QString& path, QString* error, const TMetadata& metadata) {
    try {
        return SaveFile(image, path, error, metadata);
    } catch (const std::bad_alloc&) {
        if (error) *error = QStringLiteral("out of memory");
        return false;
    }
}

QString TWritableType::Caption() const {
    return QStringLiteral("%1 (*.%2)").arg(QLatin1String(name), QLatin1String(suffix));
}

std::span<const TWritableType> WritableTypes() {
    return kWritableTypes;
}

QStringList WritableExtensions() {
    QStringList list;
    for (const TWritableType& type : kWritableTypes)
        list << QStringLiteral(".") + QLatin1String(type.suffix);
    return list;
}

std::span<const TReadableType> ReadableTypes() {
    return kReadableTypes;
}

QStringList ReadableSuffixes() {
    QStringList list;
    for (const TReadableType& type : kReadableTypes) list << QLatin1String(type.suffix);
    return list;
}

QStringList ReadableMimeTypes() {
    QStringList list;
    for (const TReadableType& type : kReadableTypes)
        if (*type.mimeType && !list.contains(QLatin1String(type.mimeType)))
            list << QLatin1String(type.mimeType);
    return list;
}

}  // namespace vellumora
