#pragma once

// Image files of today's formats made in the tests with the formats' own libraries, so
// that every reader is tried on files whose pixels, orientation and metadata are known.

#include <QByteArray>
#include <QImage>
#include <QString>

namespace vellumora::test {

// --- HEIF and AVIF (libheif) ---

// --- JPEG XL (libjxl) and WebP (libwebp) ---

// How a JPEG XL file is made from an image (any QImage; with alpha when alpha is set).
struct TJxlFile {
    int bits = 8;                // 8 or 16 per sample as integers, 32: float
    bool alpha = false;          // the image's alpha as an extra channel
    bool lossless = true;        // else lossy, in libjxl's perceptual space
    int orientation = 1;         // the codestream's, numbered as EXIF numbers them
    bool displayP3 = false;      // Display P3 primaries instead of sRGB's
    QByteArray exif{};           // a TIFF structure for an "Exif" box (with its offset field)
    QByteArray xmp{};            // an "xml " box
    bool compressBoxes = false;  // both Brotli-compressed ("brob")
};
// The JPEG XL file; empty when libjxl refused. Boxes put it in the container.
QByteArray MakeJxl(const QImage& image, const TJxlFile& how = {});

// A WebP file of the image, lossless with its alpha, and the chunks given (ICCP, EXIF,
// XMP) where not empty.
QByteArray MakeWebp(const QImage& image, const QByteArray& icc = {}, const QByteArray& exif = {},
                    const QByteArray& xmp = {});
// An animated WebP of equally sized frames, 100 ms each; lossless.
QByteArray MakeAnimatedWebp(const QList<QImage>& frames);

// --- Camera raw (DNG through libtiff) ---

}  // namespace vellumora::test
