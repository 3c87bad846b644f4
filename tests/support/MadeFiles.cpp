#include "support/MadeFiles.h"

#include <tiffio.h>

#include <QBuffer>
#include <QFile>
#include <QImageWriter>
#include <QTemporaryFile>
#include <cmath>
#include <vector>

namespace vellumora::test {

// --- HEIF and AVIF (libheif) ---

// --- JPEG XL (libjxl) and WebP (libwebp) ---

// --- Camera raw (DNG through libtiff) ---

namespace {

// The camera of MakeDng: linear sRGB seen through filters of unequal strength, which the
// white balance it records (AsShotNeutral) undoes.
constexpr float kDngNeutral[3] = {0.5f, 1.0f, 0.8f};
constexpr quint16 kDngBlack = 512, kDngWhite = 16383;

// The value of a little-endian TIFF's first-directory entry `tag` (SHORT or LONG, one
// value), or its position in the file; -1 when it is not there.
qint64 DngEntry(const QByteArray& dng, int tag, bool position) {
    const auto u = [&](qint64 at, int size) -> qint64 {
        if (at < 0 || at + size > dng.size()) return -1;
        quint32 v = 0;
        for (int i = 0; i < size; ++i) v |= quint32(uchar(dng[at + i])) << (8 * i);
        return v;
    };
    if (!dng.startsWith("II*")) return -1;
    const qint64 ifd = u(4, 4), count = u(ifd, 2);
    for (qint64 e = ifd + 2; count > 0 && e < ifd + 2 + 12 * count; e += 12) {
        if (u(e, 2) != tag) continue;
        const qint64 type = u(e + 2, 2);
        if (type != TIFF_SHORT && type != TIFF_LONG) return -1;
        return position ? e + 8 : u(e + 8, type == TIFF_SHORT ? 2 : 4);
    }
    return -1;
}

}  // namespace

QByteArray MakeDng(const TDngSpec& spec) {
    const QImage& scene = spec.scene;
    const int width = scene.width(), height = scene.height();
    // sRGB to linear, then the camera's response, for each 8-bit value and channel.
    quint16 levels[3][256];
    for (int c = 0; c < 3; ++c)
        for (int v = 0; v < 256; ++v) {
            const double s = v / 255.0;
            const double linear = s <= 0.04045 ? s / 12.92 : std::pow((s + 0.055) / 1.055, 2.4);
            levels[c][v] =
                quint16(kDngBlack + std::lround(linear * kDngNeutral[c] * (kDngWhite - kDngBlack)));
        }
    std::vector<quint16> cfa(size_t(width) * size_t(height));
    for (int y = 0; y < height; ++y) {
        const QRgb* line = reinterpret_cast<const QRgb*>(scene.constScanLine(y));
        for (int x = 0; x < width; ++x) {
            const int c = (y % 2) + (x % 2);  // R G / G B
            const int v = c == 0 ? qRed(line[x]) : c == 1 ? qGreen(line[x]) : qBlue(line[x]);
            cfa[size_t(y) * size_t(width) + size_t(x)] = levels[c][v];
        }
    }
    QByteArray previewData;
    if (!spec.preview.isNull() && !spec.jpegPreview) {
        const QImage rgb = spec.preview.convertToFormat(QImage::Format_RGB888);
        for (int y = 0; y < rgb.height(); ++y)
            previewData.append(reinterpret_cast<const char*>(rgb.constScanLine(y)),
                               rgb.width() * 3);
    } else if (!spec.preview.isNull()) {
        QBuffer buffer(&previewData);
        buffer.open(QIODevice::WriteOnly);
        QImageWriter writer(&buffer, "jpeg");
        writer.setQuality(90);
        writer.write(spec.preview.convertToFormat(QImage::Format_RGB888));
    }

    QTemporaryFile file;
    if (!file.open()) return {};
    TIFF* tif = TIFFOpen(QFile::encodeName(file.fileName()).constData(), "w");
    if (!tif) return {};
    // The raw image: the first directory, as the DNG specification allows and LibRaw reads.
    const quint8 version[4] = {1, 4, 0, 0};
    const quint16 repeat[2] = {2, 2};
    const quint8 pattern[4] = {0, 1, 1, 2};
    // XYZ to linear sRGB, scaled per channel by the filters' strength.
    const float toSrgb[9] = {3.2404542f, -1.5371385f, -0.4985314f, -0.9692660f, 1.8760108f,
                             0.0415560f, 0.0556434f,  -0.2040259f, 1.0572252f};
    float colorMatrix[9];
    for (int i = 0; i < 9; ++i) colorMatrix[i] = toSrgb[i] * kDngNeutral[i / 3];
    const float black[1] = {kDngBlack};
    const quint32 white[1] = {kDngWhite};
    quint64 subIfd[1] = {0};
    TIFFSetField(tif, TIFFTAG_SUBFILETYPE, 0);
    TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, quint32(width));
    TIFFSetField(tif, TIFFTAG_IMAGELENGTH, quint32(height));
    TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, spec.dngVersion ? 16 : 14);
    TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, 1);
    TIFFSetField(tif, TIFFTAG_COMPRESSION, COMPRESSION_NONE);
    TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_CFA);
    TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, quint32(height));
    TIFFSetField(tif, TIFFTAG_ORIENTATION, quint16(spec.orientation));
    TIFFSetField(tif, TIFFTAG_MAKE, "Vellumora");
    TIFFSetField(tif, TIFFTAG_MODEL, "Test DNG");
    TIFFSetField(tif, TIFFTAG_CFAREPEATPATTERNDIM, repeat);
    TIFFSetField(tif, TIFFTAG_CFAPATTERN, 4, pattern);
    if (spec.dngVersion) TIFFSetField(tif, TIFFTAG_DNGVERSION, version);
    TIFFSetField(tif, TIFFTAG_UNIQUECAMERAMODEL, "Vellumora Test DNG");
    TIFFSetField(tif, TIFFTAG_COLORMATRIX1, 9, colorMatrix);
    TIFFSetField(tif, TIFFTAG_CALIBRATIONILLUMINANT1, 21);  // D65
    TIFFSetField(tif, TIFFTAG_ASSHOTNEUTRAL, 3, kDngNeutral);
    TIFFSetField(tif, TIFFTAG_BLACKLEVEL, 1, black);
    TIFFSetField(tif, TIFFTAG_WHITELEVEL, 1, white);
    if (!previewData.isEmpty()) TIFFSetField(tif, TIFFTAG_SUBIFD, 1, subIfd);
    // The directory first and the pixels after it, as cameras write: a file cut short then
    // still tells what it holds.
    bool ok = TIFFDeferStrileArrayWriting(tif) && TIFFWriteCheck(tif, 0, "MakeDng") &&
              TIFFWriteDirectory(tif);
    if (ok && !previewData.isEmpty()) {
        TIFFSetField(tif, TIFFTAG_SUBFILETYPE, FILETYPE_REDUCEDIMAGE);
        TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, quint32(spec.preview.width()));
        TIFFSetField(tif, TIFFTAG_IMAGELENGTH, quint32(spec.preview.height()));
        TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, 8);
        TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, 3);
        TIFFSetField(tif, TIFFTAG_COMPRESSION,
                     spec.jpegPreview ? COMPRESSION_JPEG : COMPRESSION_NONE);
        TIFFSetField(tif, TIFFTAG_PHOTOMETRIC,
                     spec.jpegPreview ? PHOTOMETRIC_YCBCR : PHOTOMETRIC_RGB);
        TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
        TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, quint32(spec.preview.height()));
        ok = TIFFWriteRawStrip(tif, 0, previewData.data(), previewData.size()) ==
                 previewData.size() &&
             TIFFWriteDirectory(tif);
    }
    ok = ok && TIFFSetDirectory(tif, 0) &&
         TIFFWriteRawStrip(tif, 0, cfa.data(), tmsize_t(cfa.size() * 2)) ==
             tmsize_t(cfa.size() * 2) &&
         TIFFForceStrileArrayWriting(tif);
    TIFFClose(tif);
    return ok ? file.readAll() : QByteArray();
}

qint64 DngRawDataOffset(const QByteArray& dng) {
    return DngEntry(dng, TIFFTAG_STRIPOFFSETS, false);
}

QByteArray WithDngTag(QByteArray dng, int tag, quint32 value) {
    const qint64 at = DngEntry(dng, tag, true);
    if (at < 0) return dng;
    const bool isShort = uchar(dng[at - 6]) == TIFF_SHORT;
    for (int i = 0; i < (isShort ? 2 : 4); ++i) dng[at + i] = char(value >> (8 * i));
    return dng;
}

}  // namespace vellumora::test
