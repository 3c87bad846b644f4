#pragma once

// Reading and writing image files. Every caller gets and gives images in one pixel
// layout (kPixelFormat) so that no stage of the program converts big images twice.

#include <QImage>
#include <QSize>
#include <QString>
#include <QStringList>
#include <algorithm>
#include <span>

#include "codec/Limits.h"
#include "codec/Metadata.h"

namespace vellumora {

// 32 bits per pixel, bytes blue, green, red, unused: the layout JPEG decoding and
// Qt's smooth scaling produce natively. Files are always written with 24 bits.
inline constexpr QImage::Format kPixelFormat = QImage::Format_RGB32;

struct TLoadOptions {
    // When above 0, a decoder that can shrink while decoding (JPEG DCT scaling) may
    // return a smaller image, but never one whose longer side is below this.
    int minimumLongSide = 0;
    // The same for the shorter side: for callers that will crop the picture to a shape
    // that keeps only one whole side.
    int minimumShortSide = 0;
    // For a picture shown only until the exact one is ready: the decoder may trade some
    // exactness for speed (JPEG's fast IDCT and upsampling).
    bool preview = false;

    // Whether a reduced-size decode of a width x height picture by the given factor
    // still meets both minimums (sides as the decoder rounds them).
    bool Allows(int scaledWidth, int scaledHeight) const {
        return std::max(scaledWidth, scaledHeight) >= minimumLongSide &&
               std::min(scaledWidth, scaledHeight) >= minimumShortSide;
    }
    // When given, receives the file's metadata (empty when it has none that can be read).
    TMetadata* metadata = nullptr;

    bool AllowsReduction() const { return minimumLongSide > 0 || minimumShortSide > 0; }
};

// Loads an image file in kPixelFormat, upright (EXIF orientation applied) and in sRGB.
// Returns a null image on any failure (missing, unreadable, unsupported, damaged or
// absurdly large), with a short reason in *error when given.
QImage DoLoad(const QString& path, QString* error = nullptr, const TLoadOptions& options = {});

// What a file's header tells before any pixel is decoded.
struct TImageHeader {
    // The size DoLoad would give the file (upright); invalid when the header does not
    // tell (camera raw files, formats only ImageMagick reads, damage). For JPEG and JPEG XL
    // it is the decoded size or the decode fails. A HEIF tells the size it claims, which a
    // damaged file's coded picture may not have, and a damaged file of another type that
    // one reader refuses and another still decodes may come out of another size: callers
    // take the picture's own size once it is there.
    QSize size;
    // Whether DoLoad can decode it at a reduced size (TLoadOptions), far faster.
    bool reducible = false;
};
TImageHeader ReadImageHeader(const QString& path);

// Writes an image with 24 bits per pixel, the format chosen by the extension (compared
// without case), one of WritableTypes(). An existing file is replaced only when the new
// one is complete. The types that can carry `metadata` (see codec/Metadata.h) get it: JPEG,
// PNG and TIFF. Returns false, with a reason in *error, on failure.
bool DoSave(const QImage& image, const QString& path, QString* error = nullptr,
            const TMetadata& metadata = {});

// Writes bytes through a temporary file in the same folder, renamed over the target only
// once complete, so that a crash or a full disk never leaves a file half-written under
// its name. False with the system's reason for the call that failed in *error ("cannot
// write file: No space left on device").
bool WriteFileAtomically(const QString& path, const QByteArray& bytes, QString* error = nullptr);

// What writes a type's bytes.
enum class TEncoder {
    Jpeg,    // libjpeg-turbo (JpegCodec)
    Qt,      // Qt's image writers
    Magick,  // ImageMagick (MagickCodec): each side at most 65535 pixels
    WebP,    // libwebp (WebpCodec)
    Avif,    // libheif with the AV1 encoder (HeifCodec)
    Jxl,     // libjxl (JxlCodec)
};

// A type DoSave writes.
struct TWritableType {
    const char* suffix;  // lower case, without dot: "tga"
    const char* name;    // as the save and batch lists name it: "Targa Bitmap"
    TEncoder encoder;
    const char* format;  // the encoder's name of the format ("tiff", "TGA"); none for JPEG
    bool metadata;       // the file carries the metadata

    // The entry of the Save As and batch type lists: "Targa Bitmap (*.tga)".
    QString Caption() const;
};

// Every type DoSave writes, in the order of the Save As list, the batch's type list and
// the command-line tool's usage: jpg jpeg gif tif pcx png bmp tga, then webp avif jxl.
// Stored choices are indices into this list, so new types only ever go at its end.
std::span<const TWritableType> WritableTypes();
// Their suffixes with the leading dot: ".jpg" ... ".tga".
QStringList WritableExtensions();
// A file extension DoLoad offers to open. DoLoad itself goes by content, whatever the name.
struct TReadableType {
    const char* suffix;    // lower case, without dot: "heic"
    const char* mimeType;  // the shared MIME database's name, or empty when it has none
    bool raw;              // a camera raw format, read by LibRaw
};

// Every extension DoLoad offers to open: the one list that the open filter, dropped files,
// the batch, the desktop file and the guide follow.
std::span<const TReadableType> ReadableTypes();
// Their extensions (lower case, without dot), in the same order.
QStringList ReadableSuffixes();
// Their MIME types, each once, in the same order.
QStringList ReadableMimeTypes();

}  // namespace vellumora
