#pragma once

// Image files of today's formats made in the tests with the formats' own libraries, so
// that every reader is tried on files whose pixels, orientation and metadata are known.

#include <QByteArray>
#include <QImage>
#include <QString>

namespace vellumora::test {

// --- HEIF and AVIF (libheif) ---

// How MakeHeif writes a picture.
struct THeifSpec {
    bool av1 = false;  // AVIF (aom) rather than HEIC (x265)
    int bits = 8;      // per channel: 8, 10 or 12
    int quality = 92;
    int orientation = 1;   // numbered as EXIF numbers it; written as rotation and mirroring
    int primaries = 1;     // nclx colour primaries: 1 sRGB, 12 Display P3
    QByteArray icc;        // an ICC profile to write instead of the nclx description
    QByteArray exif;       // a TIFF structure, written as the file's Exif item
    QByteArray xmp;        // an XMP packet
    QImage thumbnail;      // a picture written as the primary image's thumbnail,
    int thumbnailBox = 0;  // scaled to fit a square of this side
};
// A HEIC or AVIF file of `image` (its alpha channel kept when it has one, premultiplied
// when the image's format is).
QByteArray MakeHeif(const QImage& image, const THeifSpec& spec = {});

// A HEIC whose primary image is a grid of tile x tile HEVC tiles, as phones write them:
// each tile an item of its own, the grid's size in its ispe, then `quarterTurns`
// counter-clockwise quarter turns of the whole. With `missingTile`, the grid names one
// tile more than the file holds. The image's sides are multiples of `tile`.
QByteArray MakeHeifGrid(const QImage& image, int tile, int quarterTurns = 0,
                        bool missingTile = false);

// --- JPEG XL (libjxl) and WebP (libwebp) ---

// --- Camera raw (DNG through libtiff) ---

}  // namespace vellumora::test
