#pragma once

// Image files of today's formats made in the tests with the formats' own libraries, so
// that every reader is tried on files whose pixels, orientation and metadata are known.

#include <QByteArray>
#include <QImage>
#include <QString>

namespace vellumora::test {

// --- JPEG (TurboJPEG) ---

// How MakeJpeg writes a picture.
struct TJpegMaking {
    int subsampling = 2;  // TurboJPEG's TJSAMP_*: 0 4:4:4, 1 4:2:2, 2 4:2:0, 3 grey, 4 4:4:0
    int quality = 90;
    bool progressive = false;
    int orientation = 1;  // written as the EXIF orientation when not 1; the pixels as given
    QByteArray icc{};     // an ICC profile for an APP2 segment
};
// A JPEG file of the image (kPixelFormat).
QByteArray MakeJpeg(const QImage& image, const TJpegMaking& making = {});

// --- HEIF and AVIF (libheif) ---

// How MakeHeif writes a picture.
struct THeifMaking {
    bool av1 = false;  // AVIF (aom) rather than HEIC (x265)
    int bits = 8;      // per channel: 8, 10 or 12
    int quality = 92;
    int orientation = 1;   // numbered as EXIF numbers it; written as rotation and mirroring
    int primaries = 1;     // nclx colour primaries: 1 sRGB, 12 Display P3
    QByteArray icc{};      // an ICC profile to write instead of the nclx description
    QByteArray exif{};     // a TIFF structure, written as the file's Exif item
    QByteArray xmp{};      // an XMP packet
    QImage thumbnail{};    // a picture written as the primary image's thumbnail,
    int thumbnailBox = 0;  // scaled to fit a square of this side
};
// A HEIC or AVIF file of `image` (its alpha channel kept when it has one, premultiplied
// when the image's format is).
QByteArray MakeHeif(const QImage& image, const THeifMaking& making = {});

// A HEIC whose primary image is a grid of tile x tile HEVC tiles, as phones write them:
// each tile an item of its own, the grid's size in its ispe, then `quarterTurns`
// counter-clockwise quarter turns of the whole. With `missingTile`, the grid names one
// tile more than the file holds. The image's sides are multiples of `tile`.
QByteArray MakeHeifGrid(const QImage& image, int tile, int quarterTurns = 0,
                        bool missingTile = false);

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

// A DNG as cameras write it: a 16-bit colour filter array in the RGGB pattern, which LibRaw
// demosaics, with the camera's colour matrix, white balance and black and white levels, the
// directory before the pixel data, and optionally a JPEG preview in a sub-directory.
struct TDngMaking {
    // The picture as the sensor lies (before `orientation`), sides even. Each filter site
    // records its own channel of its pixel, taken as sRGB and stored linear; with the camera
    // matrix and white balance written here, LibRaw renders flat regions in their colours.
    QImage scene;
    int orientation = 1;  // EXIF orientation code
    // Embedded (NewSubfileType 1) when not null; stored as the sensor lies, like the raw
    // data.
    QImage preview;
    // Otherwise stored uncompressed, 8-bit RGB, as some cameras do.
    bool jpegPreview = true;
    // Without the DNG version the file is a camera's own TIFF-based raw (as older Nikon and
    // Kodak models write), 14 bits in 16, which LibRaw reads by its generic rules.
    bool dngVersion = true;
};
QByteArray MakeDng(const TDngMaking& making);

// Where the raw data lies in a MakeDng file: from rawDataOffset to the end of the file.
qint64 DngRawDataOffset(const QByteArray& dng);

// The DNG with one SHORT or LONG value of its first directory replaced, such as the raw
// data's width (256) or byte count (279); unchanged when the tag is not there.
QByteArray WithDngTag(QByteArray dng, int tag, quint32 value);

}  // namespace vellumora::test
