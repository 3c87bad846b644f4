// Loading and saving image files: round trips, damaged and hostile input, JPEG
// orientation, colour profiles, DCT scaling, transparency, raw files, threads.

#include <jxl/decode.h>
#include <turbojpeg.h>

#include <QBuffer>
#include <QColorSpace>
#include <QDir>
#include <QFile>
#include <QImageWriter>
#include <QPainter>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>
#include <array>
#include <atomic>
#include <cmath>
#include <cstdlib>
#include <thread>
#include <tuple>
#include <vector>

#include "codec/Codec.h"
#include "codec/CodecModules.h"
#include "codec/ImageBuffer.h"
#include "codec/JxlCodec.h"
#include "support/ExifSupport.h"
#include "support/MadeFiles.h"
#include "support/TestSupport.h"

using namespace vellumora;
using namespace vellumora::test;

namespace {

// Flat 16 x 16 blocks of five colours, aligned with JPEG's blocks, so lossy formats
// stay close and a palette holds them.
QImage BlockImage(int width, int height) {
    static const QRgb colours[] = {0xFFC83232, 0xFF32C832, 0xFF3232C8, 0xFFC8C832, 0xFF20A0A0};
    QImage image = NewImage(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) image.setPixel(x, y, colours[(x / 16 + 2 * (y / 16)) % 5]);
    return image;
}

// The image with its top-left 16 x 16 block transparent, or as that should load: white.
QImage WithHole(const QImage& image, bool asLoaded) {
    QImage out = image.convertToFormat(asLoaded ? QImage::Format_RGB32 : QImage::Format_ARGB32);
    for (int i = 0; i < 256; ++i) out.setPixel(i % 16, i / 16, asLoaded ? 0xFFFFFFFF : 0x00123456);
    return out;
}

// Pixels on either side of a 16-pixel block border, which lossy comparisons leave out:
// JPEG's smooth chroma upsampling blends colours there.
const TIgnorePixel kBlockEdges = [](int x, int y) { return (x + 1) % 16 < 2 || (y + 1) % 16 < 2; };

// What every load must give: kPixelFormat with each 4th byte 0xFF.
bool Loaded(const QImage& image) {
    if (image.isNull() || image.format() != kPixelFormat) return false;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.constScanLine(y)[x * 4 + 3] != 0xFF) return false;
    return true;
}

QByteArray Encode(const QImage& image, const char* format, bool progressive = false) {
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, format);
    writer.setQuality(95);
    writer.setProgressiveScanWrite(progressive);
    writer.write(image);
    return buffer.data();
}

// A CMYK JPEG, which Qt cannot write. Readers take its bytes as inverted C, M, Y, K,
// so R, G, B, 255 come back as R, G, B.
QByteArray CmykJpeg(const QImage& image) {
    const QImage rgba = image.convertToFormat(QImage::Format_RGBA8888);
    tjhandle handle = tjInitCompress();
    unsigned char* jpeg = nullptr;
    unsigned long size = 0;
    tjCompress2(handle, rgba.constBits(), rgba.width(), 0, rgba.height(), TJPF_CMYK, &jpeg, &size,
                TJSAMP_420, 95, 0);
    const QByteArray out(reinterpret_cast<const char*>(jpeg), qsizetype(size));
    tjFree(jpeg);
    tjDestroy(handle);
    return out;
}

// A minimal linear (already demosaiced) 8-bit DNG, 48 x 32, left half red, right half
// blue; LibRaw takes nothing under 22 pixels a side as raw. Without its DNG version
// tag it is a TIFF whose photometric interpretation Qt cannot read.
QByteArray TinyDng(int orientation, bool dngTag = true) {
    QByteArray pixels;
    for (int i = 0; i < 48 * 32; ++i) pixels += i % 48 < 24 ? "\xC8\x1E\x1E" : "\x1E\x1E\xC8";
    // clang-format off
    return Tiff(false, {{256, 4, 48}, {257, 4, 32}, {258, 3, 8}, {259, 3, 1}, {262, 3, 34892},
                        {273, 4, 14 + 12 * 10}, {274, 3, quint32(orientation)}, {277, 3, 3},
                        {279, 4, quint32(pixels.size())}, {dngTag ? 50706u : 65000u, 1, 0x0401}},
                pixels);
    // clang-format on
}

// Four flat quarters: top left, top right, bottom left, bottom right.
QImage Quarters(int width, int height, std::array<QRgb, 4> colours) {
    QImage image = NewImage(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.setPixel(x, y, colours[(x * 2 >= width) + 2 * (y * 2 >= height)]);
    return image;
}
// The colour at the middle of each quarter, as a 2 x 2 image: what Quarters(2, 2, ...)
// turned by an orientation must match, far from the edges that demosaicing blends.
QImage QuarterMiddles(const QImage& image) {
    const int w = image.width(), h = image.height();
    return Quarters(2, 2,
                    {image.pixel(w / 4, h / 4), image.pixel(3 * w / 4, h / 4),
                     image.pixel(w / 4, 3 * h / 4), image.pixel(3 * w / 4, 3 * h / 4)});
}
// A camera's scene, 96 x 64, and a preview of other colours, so that a test sees which
// of the two it got.
const std::array<QRgb, 4> kSceneColours = {0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xFF808080};
const std::array<QRgb, 4> kPreviewColours = {0xFFFFFF00, 0xFF00FFFF, 0xFFFF00FF, 0xFFFFFFFF};
QByteArray CameraDng(int orientation, QSize preview = QSize(48, 32), bool jpegPreview = true) {
    TDngMaking making;
    making.jpegPreview = jpegPreview;
    making.scene = Quarters(96, 64, kSceneColours);
    making.orientation = orientation;
    if (preview.isValid())
        making.preview = Quarters(preview.width(), preview.height(), kPreviewColours);
    return MakeDng(making);
}

quint32 Crc32(const QByteArray& data) {
    quint32 c = 0xFFFFFFFFu;
    for (const char b : data) {
        c ^= uchar(b);
        for (int k = 0; k < 8; ++k) c = (c >> 1) ^ (0xEDB88320u & (0u - (c & 1u)));
    }
    return ~c;
}

// Bits per pixel a written file stores (-1: alpha or not found), from its header.
int StoredBits(const QByteArray& f, const QString& suffix) {
    const auto u = [&](int at, int size, bool big = false) {
        quint32 v = 0;
        for (int i = 0; i < size; ++i)
            v |= quint32(uchar(f[at + i])) << (8 * (big ? size - 1 - i : i));
        return int(v);
    };
    const int sof = int(f.indexOf("\xFF\xC0"));
    if (suffix == "jpg") return sof < 0 ? -1 : f[sof + 4] * f[sof + 9];
    if (suffix == "png") return f[25] == 2 ? 3 * f[24] : -1;
    if (suffix == "bmp") return u(28, 2);
    if (suffix == "pcx") return f[3] * f[65];
    if (suffix == "tga") return (f[17] & 0x0F) ? -1 : f[16];
    const bool big = f[0] == 'M';  // TIFF
    int samples = 1, bits = 1;
    for (int e = u(4, 4, big) + 2, n = u(e - 2, 2, big); n--; e += 12) {
        const int tag = u(e, 2, big), value = u(e + 8, 2, big);
        if (tag == 258) bits = u(e + 4, 4, big) > 2 ? u(u(e + 8, 4, big), 2, big) : value;
        if (tag == 277) samples = value;
        if (tag == 338) return -1;  // extra samples: alpha
    }
    return samples * bits;
}

// A bare JPEG XL codestream whose header claims width x height (8193 to 2^18 each), with
// every other header field at its default, and no pixels.
QByteArray JxlHeaderClaiming(quint32 width, quint32 height) {
    QByteArray bytes("\xFF\x0A");
    quint64 bits = 0;
    int count = 0;
    const auto put = [&](quint64 value, int n) {  // least significant bit first
        bits |= value << count;
        count += n;
    };
    put(0, 1);                       // not a small size
    put(2, 2), put(height - 1, 18);  // the 18-bit choice of the size field
    put(0, 3);                       // no aspect ratio: the width follows
    put(2, 2), put(width - 1, 18);
    put(1, 1), put(1, 1);  // image metadata and transform data all default
    for (int i = 0; i < count; i += 8) bytes += char(bits >> i);
    return bytes + QByteArray(16, '\0');
}

}  // namespace

class TestCodec : public QObject {
    Q_OBJECT
    QTemporaryDir dir_;
    QString Path(const QString& name) const { return dir_.filePath(name); }
    QString Write(const QString& name, const QByteArray& bytes) {
        return WriteBytes(dir_.path(), name, bytes);
    }

private slots:
    // One rule finds the modules from the running program's folder, in the build tree and
    // installed alike; this test program finds every one of them beside it.
    void moduleFile_data() {
        QTest::addColumn<QString>("executable");
        QTest::addColumn<QString>("fromBinaries");
        QTest::addColumn<QString>("expected");
        QTest::newRow("build tree") << "/w/build/release/bin/test_codec"
                                    << "../lib/vellumora"
                                    << "/w/build/release/lib/vellumora/heif.so";
        QTest::newRow("fuzz tree") << "/w/build/fuzz/bin/fuzz_load_heic"
                                   << "../lib/vellumora"
                                   << "/w/build/fuzz/lib/vellumora/heif.so";
        QTest::newRow("installed, multiarch") << "/usr/bin/vellumora"
                                              << "../lib/x86_64-linux-gnu/vellumora"
                                              << "/usr/lib/x86_64-linux-gnu/vellumora/heif.so";
        QTest::newRow("folder with spaces") << "/opt/My Photos/bin/vellumora-cli"
                                            << "../lib/vellumora"
                                            << "/opt/My Photos/lib/vellumora/heif.so";
        QTest::newRow("absolute module folder") << "/usr/local/bin/vellumora"
                                                << "/opt/vellumora/modules"
                                                << "/opt/vellumora/modules/heif.so";
    }
    void moduleFile() {
        QFETCH(QString, executable);
        QFETCH(QString, fromBinaries);
        QFETCH(QString, expected);
        using vellumora::codec::ModuleFile;
        QCOMPARE(ModuleFile(executable, fromBinaries, QStringLiteral("heif.so")), expected);
        for (const char* module : {"heif.so", "jxl.so", "raw.so", "magick.so"})
            QVERIFY2(QFileInfo(ModuleFile(QLatin1String(module))).isFile(), module);
    }

    // The core tells a JPEG XL file without libjxl, as libjxl's own signature check does,
    // whole or cut short.
    void jxlSignature_data() {
        QTest::addColumn<QByteArray>("data");
        const QByteArray container = MakeJxl(PatternImage(16, 8), {.exif = Tiff(false, {})});
        const QByteArray codestream = MakeJxl(PatternImage(16, 8));
        QVERIFY(container.startsWith(QByteArray("\0\0\0\x0C", 4)));
        QVERIFY(codestream.startsWith("\xFF\x0A"));
        for (int length : {0, 1, 2, 3, 11, 12, 13})
            QTest::addRow("container, %d bytes", length) << container.left(length);
        for (int length : {1, 2, 40})
            QTest::addRow("codestream, %d bytes", length) << codestream.left(length);
        QByteArray wrongBox = container.left(16);
        wrongBox[7] = 'x';
        QTest::newRow("other box first") << wrongBox;
        QTest::newRow("ff then other") << QByteArray("\xFF\xD8\xFF\xE0", 4);
        QTest::newRow("heif") << MakeHeif(PatternImage(16, 8)).left(64);
        QTest::newRow("text") << QByteArray("JXL is not this");
    }
    void jxlSignature() {
        QFETCH(QByteArray, data);
        const JxlSignature signature = JxlSignatureCheck(
            reinterpret_cast<const uint8_t*>(data.constData()), size_t(data.size()));
        QCOMPARE(vellumora::codec::LooksLikeJxl(data),
                 signature == JXL_SIG_CODESTREAM || signature == JXL_SIG_CONTAINER);
    }

    void orientImage_data() {
        QTest::addColumn<int>("orientation");
        QTest::addColumn<QString>("expected");  // source pixels a b c / d e f, row by row
        QTest::addColumn<int>("inverse");
        const char* expected[] = {"abc/def",  "cba/fed",  "fed/cba",  "def/abc",
                                  "ad/be/cf", "da/eb/fc", "fc/eb/da", "cf/be/ad"};
        for (int o = 1; o <= 8; ++o)
            QTest::addRow("%d", o) << o << QString(expected[o - 1])
                                   << (o == 6   ? 8
                                       : o == 8 ? 6
                                                : o);
    }
    void orientImage() {
        QFETCH(int, orientation);
        QFETCH(QString, expected);
        QFETCH(int, inverse);
        QImage source = NewImage(3, 2);
        for (int i = 0; i < 6; ++i) source.setPixel(i % 3, i / 3, qRgb(i * 40, 0, 0));
        const QImage result = OrientImage(source, orientation);
        const QStringList rows = expected.split('/');
        QCOMPARE(result.size(), QSize(int(rows[0].size()), int(rows.size())));
        for (int y = 0; y < result.height(); ++y)
            for (int x = 0; x < result.width(); ++x)
                QCOMPARE(qRed(result.pixel(x, y)), (rows[y][x].toLatin1() - 'a') * 40);
        // Undone by its inverse, and four quarter turns make none, on an odd-sized image.
        const QImage pattern = PatternImage(37, 23);
        QCOMPARE(OrientImage(OrientImage(pattern, orientation), inverse), pattern);
        QImage turned = pattern;
        for (int i = 0; i < 4; ++i) turned = OrientImage(turned, orientation == 8 ? 8 : 6);
        QCOMPARE(turned, pattern);
    }

    void roundTrip_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("tolerance");
        QTest::addColumn<int>("bits");  // stored per pixel, 0: not checked
        for (const char* name : {"a.png", "b.Png", "c.bmp", "d.tif", "e.tga", "f.TGA", "g.pcx"})
            QTest::newRow(name) << QString(name) << 0 << 24;
        QTest::newRow("gif") << "h.gif" << 0 << 0;  // a palette by nature
        for (const char* name : {"i.jpg", "j.JPG", "k.jpeg"})
            QTest::newRow(name) << QString(name) << 3 << 24;
        QTest::newRow("l.avif") << "l.avif" << 6 << 0;
        QTest::newRow("webp") << "l.webp" << 3 << 0;
        QTest::newRow("jxl") << "m.jxl" << 3 << 0;
    }
    void roundTrip() {
        QFETCH(QString, name);
        QFETCH(int, tolerance);
        QFETCH(int, bits);
        const QString suffix = QFileInfo(name).suffix().toLower().replace("jpeg", "jpg");
        // Every pixel different where exact, flat blocks for JPEG and GIF's palette.
        const QImage source =
            tolerance || suffix == "gif" ? BlockImage(37, 23) : PatternImage(37, 23);
        Write(name, "old bytes");  // replaced
        QString error;
        QVERIFY2(DoSave(WithHole(source, false), Path(name), &error), qPrintable(error));
        const QImage loaded = DoLoad(Path(name), &error);
        QVERIFY2(Loaded(loaded), qPrintable(error));
        QCOMPARE(CompareImages(loaded, WithHole(source, true), tolerance,
                               tolerance ? kBlockEdges : TIgnorePixel()),
                 QString());
        QFile file(Path(name));
        QVERIFY(file.open(QIODevice::ReadOnly));
        if (bits) QCOMPARE(StoredBits(file.readAll(), suffix), bits);
    }

    void saveFailureKeepsExistingFile_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QSize>("size");
        QTest::newRow("unknown extension") << "keep.xyz" << QSize(4, 4);
        QTest::newRow("no extension") << "keep" << QSize(4, 4);
        QTest::newRow("null image") << "keep.png" << QSize();
        QTest::newRow("png wider than libpng writes") << "keep.png" << QSize(1000001, 1);
        QTest::newRow("jpg wider than JPEG holds") << "keep.jpg" << QSize(70000, 1);
        QTest::newRow("gif wider than GIF holds") << "keep.gif" << QSize(70000, 1);
        QTest::newRow("tga taller than TGA holds") << "keep.tga" << QSize(1, 70000);
        QTest::newRow("webp wider than WebP holds") << "keep.webp" << QSize(16384, 1);
        QTest::newRow("folder missing") << "missing/new.png" << QSize(4, 4);
        QTest::newRow("parent is a file") << "other.png/new.png" << QSize(4, 4);
    }
    void saveFailureKeepsExistingFile() {
        QFETCH(QString, name);
        QFETCH(QSize, size);
        QTemporaryDir folder;
        QFile file(WriteBytes(folder.path(), name.contains('/') ? "other.png" : name, "old bytes"));
        const QImage image =
            size.isValid() ? SolidImage(size.width(), size.height(), 0x808080) : QImage();
        QString error;
        QVERIFY(!DoSave(image, folder.filePath(name), &error));
        QVERIFY(!error.isEmpty());
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), QByteArray("old bytes"));
        QCOMPARE(QDir(folder.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries).size(), 1);
    }

    // The largest picture: accepted at the limit (its memory is taken, untouched), refused
    // one pixel past it, whatever its shape.
    void pixelLimit_data() {
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("height");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("square at the limit") << 16384 << 16384 << true;
        QTest::newRow("a row past it") << 16384 << 16385 << false;
        QTest::newRow("one row at the limit") << 1 << int(kMaxLoadPixels) << true;
        QTest::newRow("one row, a pixel past it") << 1 << int(kMaxLoadPixels + 1) << false;
        // 3 x 89478485 is just below; one column more is past.
        QTest::newRow("not a divisor, below") << 3 << int(kMaxLoadPixels / 3) << true;
        QTest::newRow("not a divisor, past") << 3 << int(kMaxLoadPixels / 3 + 1) << false;
    }
    void pixelLimit() {
        QFETCH(int, width);
        QFETCH(int, height);
        QFETCH(bool, accepted);
        QCOMPARE(ExceedsPixelLimit(width, height), !accepted);
        QCOMPARE(ExceedsPixelLimit(height, width), !accepted);
        QCOMPARE(!NewImage(width, height).isNull(), accepted);
    }
    // A file a byte past the largest read is refused unread (a sparse file: no disk taken;
    // one at the limit would be read whole, 2 GiB).
    void fileLimit() {
        const QString path = Write("sparse.png", Encode(PatternImage(8, 8), "png"));
        QFile file(path);
        QVERIFY(file.resize(kMaxFileBytes + 1));
        QString error;
        QVERIFY(DoLoad(path, &error).isNull());
        QCOMPARE(error, QStringLiteral("file too large"));
    }

    void badInput_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("bytes");  // no file when null
        QTest::addColumn<QString>("reason");
        QByteArray garbage(4096, '\0');
        QRandomGenerator random(7);
        for (char& c : garbage) c = char(random.bounded(256));
        const QByteArray jpeg = Encode(BlockImage(64, 48), "jpeg"),
                         png = Encode(PatternImage(64, 48), "png");
        const quint32 sof = quint32(jpeg.indexOf("\xFF\xC0"));
        QByteArray hugePng = Patched(png, {{16, 100000, 4, 1}, {20, 100000, 4, 1}});
        hugePng = Patched(hugePng, {{29, Crc32(hugePng.mid(12, 17)), 4, 1}});
        const QString damaged = "damaged file", notImage = "not an image this program reads",
                      tooLarge = "image too large (%1 x %1)";
        QTest::newRow("missing") << "missing.jpg" << QByteArray() << "no such file";
        QTest::newRow("folder") << "." << QByteArray() << "it is a folder";
        QTest::newRow("empty") << "empty.png" << QByteArray("") << "empty file";
        for (const char* suffix : {"jpg", "png", "pcx", "tif", "nef", "cr2", "dng", "bin"})
            QTest::addRow("garbage %s", suffix)
                << QString("garbage.") + suffix << garbage << notImage;
        QTest::newRow("text named .png") << "notes.png" << QByteArray("plain words\n") << notImage;
        QTest::newRow("jpeg marker, garbage") << "soi.jpg"
                                              << "\xFF\xD8\xFF" + garbage << damaged;
        QTest::newRow("jpeg cut in its header") << "cut.jpg" << jpeg.left(120) << damaged;
        QTest::newRow("png cut in half") << "cut.png" << png.left(png.size() / 2) << damaged;
        // Twice: should ImageMagick read a TIFF, its process-wide libtiff error handler
        // would crash the next TIFF error in Qt's reader on that thread.
        for (const char* name : {"linear.tif", "linear-again.tif"})
            QTest::newRow(name) << QString(name) << TinyDng(1, false) << damaged;
        QTest::newRow("jpeg claims 65000 x 65000")
            << "huge.jpg" << Patched(jpeg, {{sof + 5, 65000, 2, 1}, {sof + 7, 65000, 2, 1}})
            << tooLarge.arg(65000);
        QTest::newRow("png claims 100000 x 100000")
            << "huge.png" << hugePng << tooLarge.arg(100000);
        QTest::newRow("bmp claims 100000 x 100000")
            << "huge.bmp"
            << Patched(Encode(PatternImage(8, 8), "bmp"), {{18, 100000, 4, 0}, {22, 100000, 4, 0}})
            << tooLarge.arg(100000);
        const QByteArray pcx =
            Patched(QByteArray(128, '\0'),  // 24 bits, 65535 x 65535
                    {{0, 0x0801050A, 4, 0}, {8, 0xFFFEFFFE, 4, 0}, {65, 0xFFFF03, 3, 0}});
        QTest::newRow("pcx claims 65535 x 65535") << "huge.pcx" << pcx << tooLarge.arg(65535);
        const QByteArray tga =
            Patched(QByteArray(18, '\0'), {{2, 2, 1, 0}, {12, ~0u, 4, 0}, {16, 24, 1, 0}});
        QTest::newRow("tga claims 65535 x 65535") << "huge.tga" << tga << tooLarge.arg(65535);
        const QByteArray heic = MakeHeif(BlockImage(64, 48));
        const quint32 ispe = quint32(heic.indexOf("ispe")) + 8;  // after version and flags
        QTest::newRow("heif cut in its header") << "cut.heic" << heic.left(200) << damaged;
        QTest::newRow("heif cut in half") << "half.heic" << heic.left(heic.size() / 2) << damaged;
        QTest::newRow("heif ispe claims 65000 x 65000")
            << "huge.heic" << Patched(heic, {{ispe, 65000, 4, 1}, {ispe + 4, 65000, 4, 1}})
            << tooLarge.arg(65000);
        QTest::newRow("heif ispe claims 4000000000 x 1")
            << "huge.heic" << Patched(heic, {{ispe, 4000000000u, 4, 1}, {ispe + 4, 1, 4, 1}})
            << damaged;
        QTest::newRow("heif ispe claims 0 x 0")
            << "zero.heic" << Patched(heic, {{ispe, 0, 4, 1}, {ispe + 4, 0, 4, 1}}) << damaged;
        QTest::newRow("heif grid names a missing tile")
            << "grid.heic" << MakeHeifGrid(BlockImage(128, 64), 64, 0, true) << damaged;
        QTest::newRow("heif zero-length box")
            << "zero.heic" << Patched(heic, {{quint32(heic.indexOf("iinf")) - 4, 0, 4, 1}})
            << damaged;
        // Camera raw that LibRaw knows by its header but cannot decode in full.
        const QByteArray dng = CameraDng(1);
        const qint64 rawData = DngRawDataOffset(dng);
        QVERIFY(rawData > 0 && rawData < dng.size());
        QTest::newRow("dng cut inside the raw data")
            << "cut.dng" << dng.left(rawData + (dng.size() - rawData) / 2) << damaged;
        QTest::newRow("dng claims 30000 x 20000")
            << "huge.dng" << WithDngTag(WithDngTag(dng, 256, 30000), 257, 20000)
            << "image too large (30000 x 20000)";
        // Within the pixel limit, far beyond the data: read until the file ends.
        QTest::newRow("dng claims 16000 x 16000")
            << "wide.dng" << WithDngTag(WithDngTag(dng, 256, 16000), 257, 16000) << damaged;
        QTest::newRow("dng data beyond the end")
            << "moved.dng" << WithDngTag(dng, 273, quint32(dng.size() - 100)) << damaged;
        // LibRaw decodes past values beyond the white level and only counts them.
        TDngMaking camera;
        camera.scene = Quarters(96, 64, kSceneColours);
        camera.dngVersion = false;
        QByteArray corrupt = MakeDng(camera);
        const qint64 cameraData = DngRawDataOffset(corrupt);
        QVERIFY(cameraData > 0);
        corrupt.replace(cameraData + 4000, 200, QByteArray(200, '\xFF'));
        QTest::newRow("camera tiff, values beyond its 14 bits")
            << "corrupt.nef" << corrupt << damaged;
        // Kyocera's (Contax N Digital) header and nothing of its 12 MB of data.
        QTest::newRow("kyocera header only")
            << "kyocera.raw" << QByteArray(25, '\0') + "ARECOYK" + QByteArray(4000, '\0')
            << damaged;

        // JPEG XL and WebP, made by their own libraries and then damaged.
        const QByteArray jxl = MakeJxl(PatternImage(64, 48)),
                         boxed = MakeJxl(PatternImage(64, 48), {.exif = Tiff(false, {})}),
                         webp = MakeWebp(PatternImage(64, 48)),
                         animated = MakeAnimatedWebp({PatternImage(64, 48), BlockImage(64, 48)});
        QVERIFY(!jxl.isEmpty() && !boxed.isEmpty() && !webp.isEmpty() && !animated.isEmpty());
        const quint32 exifBox = quint32(boxed.indexOf("Exif") - 4);
        QTest::newRow("jxl cut in half") << "cut.jxl" << jxl.left(jxl.size() / 2) << damaged;
        QTest::newRow("jxl cut in its header") << "cut.jxl" << jxl.left(6) << damaged;
        QTest::newRow("jxl container cut in its boxes") << "cut.jxl" << boxed.left(40) << damaged;
        QTest::newRow("jxl claims 20000 x 20000")
            << "huge.jxl" << JxlHeaderClaiming(20000, 20000) << tooLarge.arg(20000);
        // A box of size 0 runs to the end of the file, the codestream with it.
        QTest::newRow("jxl zero-length box")
            << "zero.jxl" << Patched(boxed, {{exifBox, 0, 4, 1}}) << damaged;
        QTest::newRow("jxl box beyond the end")
            << "long.jxl" << Patched(boxed, {{exifBox, 0x7FFFFFF0, 4, 1}}) << damaged;
        QTest::newRow("webp cut in half") << "cut.webp" << webp.left(webp.size() / 2) << damaged;
        QTest::newRow("webp cut in its header") << "cut.webp" << webp.left(16) << damaged;
        QTest::newRow("animated webp cut in half")
            << "cut.webp" << animated.left(animated.size() / 2) << damaged;
        QTest::newRow("webp RIFF size beyond the end")
            << "long.webp" << Patched(webp, {{4, 0x7FFFFFF0, 4, 0}}) << damaged;
        // The canvas of an animation may be 24 bits a side; its frames are at most 14.
        QTest::newRow("animated webp claims 20000 x 20000")
            << "huge.webp" << Patched(animated, {{24, 19999, 3, 0}, {27, 19999, 3, 0}})
            << tooLarge.arg(20000);
    }
    void badInput() {
        QFETCH(QString, name);
        QFETCH(QByteArray, bytes);
        QFETCH(QString, reason);
        QString error;
        QVERIFY(DoLoad(bytes.isNull() ? Path(name) : Write(name, bytes), &error).isNull());
        QCOMPARE(error, reason);
    }

    // Bytes of JPEG XL and WebP files in turn set to 0xFF (the libraries check less than
    // the JPEG and PNG readers do), and the inputs fuzzing found: each damaged file must
    // give a well-formed picture or one of the short reasons, never a crash (run under the
    // asan preset too).
    void damagedFilesFailCleanly_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("bytes");
        const QImage pattern = PatternImage(37, 23);
        const QByteArray six = Tiff(false, {{0x0112, 3, 6}}),
                         p3 = QColorSpace(QColorSpace::DisplayP3).iccProfile();
        const std::tuple<const char*, const char*, QByteArray> files[] = {
            {"jxl boxes", "jxl", MakeJxl(pattern, {.displayP3 = true, .exif = six})},
            {"jxl compressed boxes", "jxl",
             MakeJxl(pattern, {.exif = six, .xmp = "<x:xmpmeta/>", .compressBoxes = true})},
            {"jxl lossy", "jxl", MakeJxl(pattern, {.lossless = false})},
            {"webp chunks", "webp", MakeWebp(pattern, p3, six)},
            {"webp animated", "webp", MakeAnimatedWebp({pattern, pattern.mirrored()})}};
        // Inputs the fuzz targets found, each named after the fault it showed (scripts/fuzz.sh
        // also hands them to the fuzz targets, whose leak checks this suite has not).
        for (const QFileInfo& found :
             QDir(VELLUMORA_FINDINGS).entryInfoList(QDir::Files, QDir::Name))
            QTest::addRow("found: %s", qPrintable(found.fileName()))
                << found.fileName() << ReadBytes(found.filePath());
        for (const auto& [label, suffix, file] : files) {
            QVERIFY(!file.isEmpty());
            for (qsizetype at = 0; at < file.size(); at += file.size() / 16 + 1) {
                QByteArray damaged = file;
                damaged[at] = char(0xFF);
                QTest::addRow("%s, byte %d", label, int(at)) << QString("d.") + suffix << damaged;
            }
        }
    }
    void damagedFilesFailCleanly() {
        QFETCH(QString, name);
        QFETCH(QByteArray, bytes);
        QString error;
        TMetadata metadata;  // read too, from the same damaged boxes and chunks
        TLoadOptions options;
        options.metadata = &metadata;
        const QImage image = DoLoad(Write(name, bytes), &error, options);
        if (!image.isNull())
            QVERIFY(Loaded(image));
        else
            QVERIFY2(error == "damaged file" || error == "not an image this program reads" ||
                         error.startsWith("image too large ("),
                     qPrintable(error));
    }

    // Files that must load as `expected`: variants of a format, names that lie about the
    // content, formats only ImageMagick reads, transparency, colour profiles.
    void loads_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QImage>("expected");
        QTest::addColumn<int>("tolerance");
        const QImage blocks = BlockImage(48, 32), pattern = PatternImage(37, 23);
        const QImage holed = WithHole(pattern, false), white = WithHole(pattern, true);
        QTest::newRow("png named jpg") << "png.jpg" << Encode(pattern, "png") << pattern << 0;
        QTest::newRow("png named nef") << "png.nef" << Encode(pattern, "png") << pattern << 0;
        // A TIFF that is no raw: LibRaw does not take it, so Qt's reader gets it.
        QTest::newRow("tif named nef") << "tif.nef" << Encode(pattern, "tif") << pattern << 0;
        QTest::newRow("bmp named tga") << "bmp.tga" << Encode(pattern, "bmp") << pattern << 0;
        QTest::newRow("jpeg named png") << "jpeg.png" << Encode(blocks, "jpeg") << blocks << 3;
        QTest::newRow("jpeg named nef") << "jpeg.nef" << Encode(blocks, "jpeg") << blocks << 3;
        QTest::newRow("progressive jpeg") << "p.jpg" << Encode(blocks, "jpeg", true) << blocks << 3;
        const QImage gray = blocks.convertToFormat(QImage::Format_Grayscale8);
        QTest::newRow("grayscale jpeg")
            << "g.jpg" << Encode(gray, "jpeg") << gray.convertToFormat(kPixelFormat) << 2;
        QTest::newRow("cmyk jpeg") << "cmyk.jpg" << CmykJpeg(blocks) << blocks << 4;

        QVERIFY(DoSave(pattern, Path("pcx.pcx")));
        QFile file(Path("pcx.pcx"));
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray pcx = file.readAll();
        QTest::newRow("pcx named bin") << "pcx.bin" << pcx << pattern << 0;
        // One page, its offset right after the table.
        const QByteArray dcx =
            Patched(QByteArray(12, '\0'), {{0, 0x3ADE68B1, 4, 0}, {4, 12, 4, 0}});
        QTest::newRow("dcx") << "a.dcx" << dcx + pcx << pattern << 0;
        // 32 bits with 8 of alpha, top row first.
        QByteArray tga =
            Patched(QByteArray(18, '\0'),
                    {{2, 2, 1, 0}, {12, 37, 2, 0}, {14, 23, 2, 0}, {16, 0x2820, 2, 0}});
        for (int y = 0; y < 23; ++y)
            tga.append(reinterpret_cast<const char*>(holed.constScanLine(y)), 37 * 4);
        for (const char* suffix : {"tga", "vda", "icb", "vst", "targa"})
            QTest::addRow("alpha %s", suffix) << QString("alpha.") + suffix << tga << white << 0;
        QTest::newRow("alpha png") << "alpha.png" << Encode(holed, "png") << white << 0;
        QImage quarter(8, 8, QImage::Format_ARGB32);
        quarter.fill(qRgba(255, 0, 0, 64));
        QTest::newRow("quarter opaque red png")
            << "q.png" << Encode(quarter, "png") << SolidImage(8, 8, 0xFFBFBF) << 1;
        const QImage indexed =
            WithHole(blocks, false)
                .convertToFormat(QImage::Format_Indexed8, {0x00123456, 0xFFC83232, 0xFF32C832,
                                                           0xFF3232C8, 0xFFC8C832, 0xFF20A0A0});
        QTest::newRow("palette png, transparent entry")
            << "trns.png" << Encode(indexed, "png") << WithHole(blocks, true) << 0;

        // Qt writes the image's colour space into both formats. Expected: the untagged
        // file's decode, converted by Qt.
        for (const auto& [label, space] :
             {std::pair{"adobe", QColorSpace::AdobeRgb}, std::pair{"p3", QColorSpace::DisplayP3},
              std::pair{"srgb", QColorSpace::SRgb}})
            for (const char* format : {"jpeg", "png"}) {
                QImage tagged = blocks,
                       expected = DoLoad(Write(QString("plain.") + format, Encode(blocks, format)));
                tagged.setColorSpace(space);
                expected.setColorSpace(space);
                expected.convertToColorSpace(QColorSpace::SRgb);
                QVERIFY(space == QColorSpace::SRgb ||
                        DiffImages(expected, blocks).maxChannel > 20);  // a change to see
                QTest::addRow("%s profile in %s", label, format)
                    << QString("icc.") + format << Encode(tagged, format)
                    << expected.convertToFormat(kPixelFormat)
                    << (space == QColorSpace::SRgb ? 0 : 2);
            }

        // JPEG XL and WebP, made by their own libraries. Deep and float samples come back
        // exact in 8 bits; a JPEG XL turns by its codestream and never again by its EXIF.
        QTest::newRow("jxl 8 bits") << "a.jxl" << MakeJxl(pattern) << pattern << 0;
        QTest::newRow("jxl 16 bits") << "b.jxl" << MakeJxl(pattern, {.bits = 16}) << pattern << 0;
        QTest::newRow("jxl float") << "c.jxl" << MakeJxl(pattern, {.bits = 32}) << pattern << 0;
        QTest::newRow("jxl alpha") << "d.jxl" << MakeJxl(holed, {.alpha = true}) << white << 0;
        QTest::newRow("jxl 16 bits, alpha")
            << "e.jxl" << MakeJxl(holed, {.bits = 16, .alpha = true}) << white << 0;
        QTest::newRow("jxl lossy")
            << "f.jxl" << MakeJxl(blocks, {.lossless = false}) << blocks << 4;
        for (int o = 2; o <= 8; ++o)
            QTest::addRow("jxl orientation %d, EXIF says otherwise", o)
                << "o.jxl"
                << MakeJxl(pattern,
                           {.orientation = o, .exif = Tiff(false, {{0x0112, 3, o == 3 ? 6u : 3u}})})
                << OrientImage(pattern, o) << 0;
        QImage p3 = pattern, p3Blocks = blocks;
        p3.setColorSpace(QColorSpace::DisplayP3);
        p3Blocks.setColorSpace(QColorSpace::DisplayP3);
        QVERIFY(DiffImages(p3.convertedToColorSpace(QColorSpace::SRgb), pattern).maxChannel > 20);
        QTest::newRow("jxl display p3")
            << "p3.jxl" << MakeJxl(pattern, {.displayP3 = true})
            << p3.convertedToColorSpace(QColorSpace::SRgb).convertToFormat(kPixelFormat) << 1;
        QTest::newRow("jxl display p3, 16 bits")
            << "p3.jxl" << MakeJxl(pattern, {.bits = 16, .displayP3 = true})
            << p3.convertedToColorSpace(QColorSpace::SRgb).convertToFormat(kPixelFormat) << 1;
        QTest::newRow("jxl display p3, lossy")
            << "p3.jxl" << MakeJxl(blocks, {.lossless = false, .displayP3 = true})
            << p3Blocks.convertedToColorSpace(QColorSpace::SRgb).convertToFormat(kPixelFormat) << 6;
        QTest::newRow("webp") << "a.webp" << MakeWebp(pattern) << pattern << 0;
        QTest::newRow("webp alpha") << "b.webp" << MakeWebp(holed) << white << 0;
        QTest::newRow("animated webp shows its first frame")
            << "c.webp" << MakeAnimatedWebp({holed, pattern.mirrored(), pattern}) << white << 0;
        QTest::newRow("webp exif orientation 6")
            << "d.webp" << MakeWebp(pattern, {}, Tiff(false, {{0x0112, 3, 6}}))
            << OrientImage(pattern, 6) << 0;
        QTest::newRow("webp display p3 profile")
            << "e.webp" << MakeWebp(pattern, QColorSpace(QColorSpace::DisplayP3).iccProfile())
            << p3.convertedToColorSpace(QColorSpace::SRgb).convertToFormat(kPixelFormat) << 1;
        // As Qt does for other formats: a profile it cannot read leaves the pixels as sRGB.
        QTest::newRow("webp damaged profile")
            << "f.webp" << MakeWebp(pattern, QByteArray(200, '\x5A')) << pattern << 0;
    }
    void loads() {
        QFETCH(QString, name);
        QFETCH(QByteArray, bytes);
        QFETCH(QImage, expected);
        QFETCH(int, tolerance);
        QString error;
        const QImage image = DoLoad(Write(name, bytes), &error);
        QVERIFY2(Loaded(image), qPrintable(error));
        QCOMPARE(
            CompareImages(image, expected, tolerance, tolerance ? kBlockEdges : TIgnorePixel()),
            QString());
        // The header agrees with the decode where it tells a size, and only JPEG reduces.
        const TImageHeader header = ReadImageHeader(Path(name));
        if (name.startsWith("alpha.") && !name.endsWith(".png"))
            QEXPECT_FAIL("", "Qt's reader takes a signature-less TGA for a cursor", Continue);
        if (header.size.isValid()) QCOMPARE(header.size, image.size());
        QCOMPARE(header.reducible, bytes.startsWith("\xFF\xD8"));
    }

    // HEIF and AVIF files made with libheif: the primary image, upright by the file's own
    // rotation and mirroring (never again by its EXIF orientation), in sRGB, with its
    // metadata; the file's thumbnail only for a preview it satisfies.
    void heif_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QImage>("expected");
        QTest::addColumn<int>("tolerance");
        QTest::addColumn<int>("minimumLongSide");
        QTest::addColumn<bool>("preview");
        QTest::addColumn<QSize>("header");  // ReadImageHeader's size
        QTest::addColumn<bool>("reducible");
        QTest::addColumn<int>("orientation");  // as read from the file's EXIF or XMP
        const QImage blocks = BlockImage(64, 48), holed = WithHole(blocks, false);
        const QSize size = blocks.size(), turned = size.transposed();
        const auto row = [&](const char* tag, const char* name, const QByteArray& bytes,
                             const QImage& expected, int tolerance = 6) {
            QTest::newRow(tag) << QString(name) << bytes << expected << tolerance << 0 << false
                               << expected.size() << false << 1;
        };
        row("heic", "a.heic", MakeHeif(blocks), blocks);
        row("avif", "a.avif", MakeHeif(blocks, {.av1 = true}), blocks);
        row("10-bit avif", "b.avif", MakeHeif(blocks, {.av1 = true, .bits = 10}), blocks);
        row("10-bit heic", "b.heic", MakeHeif(blocks, {.bits = 10}), blocks);
        row("12-bit heic", "c.heic", MakeHeif(blocks, {.bits = 12}), blocks);
        row("alpha heic", "alpha.heic", MakeHeif(holed), WithHole(blocks, true));
        row("alpha avif", "alpha.avif", MakeHeif(holed, {.av1 = true}), WithHole(blocks, true));
        // Partly transparent, with straight and with premultiplied alpha.
        QImage quarter(64, 48, QImage::Format_ARGB32);
        quarter.fill(qRgba(255, 0, 0, 64));
        const QImage pink = SolidImage(64, 48, 0xFFBFBF);
        row("quarter opaque red avif", "q.avif", MakeHeif(quarter, {.av1 = true}), pink);
        row("quarter opaque red avif, premultiplied", "qp.avif",
            MakeHeif(quarter.convertToFormat(QImage::Format_ARGB32_Premultiplied), {.av1 = true}),
            pink);
        row("quarter opaque red 10-bit heic, premultiplied", "qp10.heic",
            MakeHeif(quarter.convertToFormat(QImage::Format_ARGB32_Premultiplied), {.bits = 10}),
            pink);
        // Turned and mirrored by irot and imir; an EXIF orientation that says otherwise is
        // read, and left alone.
        for (const int o : {2, 5, 6, 8}) {
            const QByteArray exif = Tiff(false, {{0x0112, 3, 3}});
            QTest::addRow("heic orientation %d, exif 3", o)
                << "o.heic" << MakeHeif(blocks, {.orientation = o, .exif = exif})
                << OrientImage(blocks, o) << 6 << 0 << false << (o < 5 ? size : turned) << false
                << 3;
        }
        const QByteArray xmp =
            "<x:xmpmeta xmlns:x='adobe:ns:meta/'><rdf:RDF "
            "xmlns:rdf='http://www.w3.org/1999/02/22-rdf-syntax-ns#'><rdf:Description "
            "xmlns:tiff='http://ns.adobe.com/tiff/1.0/' tiff:Orientation='8'/></rdf:RDF>"
            "</x:xmpmeta>";
        QTest::newRow("avif with xmp orientation 8")
            << "x.avif" << MakeHeif(blocks, {.av1 = true, .xmp = xmp}) << blocks << 6 << 0 << false
            << size << false << 8;
        // Known by a brand among the compatible ones, within the 64 bytes a header check reads.
        row("unknown major brand", "brand.heic", Patched(MakeHeif(blocks), {{8, 0x78787878, 4, 1}}),
            blocks);
        // An ispe that claims less than the coded picture: the picture loads whole; the header
        // can only tell the claim.
        const QByteArray plain = MakeHeif(blocks);
        const quint32 ispe = quint32(plain.indexOf("ispe")) + 8;
        QTest::newRow("ispe claims 32 x 24")
            << "small.heic" << Patched(plain, {{ispe, 32, 4, 1}, {ispe + 4, 24, 4, 1}}) << blocks
            << 6 << 0 << false << QSize(32, 24) << false << 1;
        // Phones' grids of tiles, as they are and turned a quarter counter-clockwise.
        const QImage wide = BlockImage(192, 128);
        row("grid", "grid.heic", MakeHeifGrid(wide, 64), wide);
        row("grid, turned", "gridturned.heic", MakeHeifGrid(wide, 64, 1), OrientImage(wide, 8));

        // Wide-gamut files come in sRGB; expected: Qt's conversion of the source.
        QImage p3 = blocks;
        p3.setColorSpace(QColorSpace::DisplayP3);
        p3.convertToColorSpace(QColorSpace::SRgb);
        p3 = p3.convertToFormat(kPixelFormat);
        QVERIFY(DiffImages(p3, blocks).maxChannel > 20);  // a change to see
        row("display p3 nclx heic", "p3.heic", MakeHeif(blocks, {.primaries = 12}), p3);
        const QByteArray p3Icc = QColorSpace(QColorSpace::DisplayP3).iccProfile();
        row("display p3 icc avif", "p3.avif", MakeHeif(blocks, {.av1 = true, .icc = p3Icc}), p3);
        // As any other format's, a profile that cannot be used costs only itself.
        row("bad icc profile", "badicc.heic",
            MakeHeif(blocks, {.icc = p3Icc.left(40) + QByteArray(200, 'x')}), blocks);

        // The thumbnail, recognisably another picture, only for previews: one that meets the
        // minimum, or has half of it, since the only other way is the whole decode.
        // HEVC cannot decode at a reduced size: the picture is shrunk by 2, 4 or 8 on its
        // way out of the decoder, as far as the minimum allows.
        const QImage photo = BlockImage(256, 192), green = SolidImage(64, 48, 0x20C040),
                     shrunk = photo.scaled(64, 48, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        const QByteArray thumbnailed =
            MakeHeif(photo, {.thumbnail = SolidImage(256, 192, 0x20C040), .thumbnailBox = 64});
        for (const auto& [tag, minimum, preview, expected] :
             {std::tuple{"thumbnail for a preview", 64, true, green},
              std::tuple{"thumbnail at half the minimum", 128, true, green},
              std::tuple{"thumbnail too small", 129, true, photo},
              std::tuple{"no preview, no thumbnail: shrunk by 4", 64, false, shrunk},
              std::tuple{"no reduction, no thumbnail", 0, true, photo}})
            QTest::newRow(tag) << "t.heic" << thumbnailed << expected << 6 << minimum << preview
                               << photo.size() << true << 1;
        // Upright by its own turn, as the picture; one without it is not used.
        const QByteArray turnedThumbnail = MakeHeif(
            photo,
            {.orientation = 6, .thumbnail = SolidImage(256, 192, 0x20C040), .thumbnailBox = 64});
        // libheif associates the thumbnail (item 2) with its hvcC, clap, irot (8), ispe,
        // colr and pixi (11); pixi again in place of irot.
        const QByteArray thumbnailTurn("\x00\x02\x06\x86\x87\x08", 6);
        QVERIFY(turnedThumbnail.count(thumbnailTurn) == 1);
        QByteArray unturned = turnedThumbnail;
        unturned.replace(thumbnailTurn, QByteArray("\x00\x02\x06\x86\x87\x0B", 6));
        QTest::newRow("thumbnail of a turned picture")
            << "tt.heic" << turnedThumbnail << OrientImage(green, 6) << 6 << 64 << true
            << QSize(192, 256) << true << 1;
        QTest::newRow("thumbnail without the picture's turn")
            << "tu.heic" << unturned << OrientImage(shrunk, 6) << 6 << 64 << true << QSize(192, 256)
            << true << 1;
        QTest::newRow("shrunk by 2")
            << "t.heic" << thumbnailed
            << photo.scaled(128, 96, Qt::IgnoreAspectRatio, Qt::SmoothTransformation) << 6 << 128
            << false << photo.size() << true << 1;
    }
    void heif() {
        QFETCH(QString, name);
        QFETCH(QByteArray, bytes);
        QFETCH(QImage, expected);
        QFETCH(int, tolerance);
        QFETCH(int, minimumLongSide);
        QFETCH(bool, preview);
        QFETCH(QSize, header);
        QFETCH(bool, reducible);
        QFETCH(int, orientation);
        TMetadata metadata;
        TLoadOptions options;
        options.minimumLongSide = minimumLongSide;
        options.preview = preview;
        options.metadata = &metadata;
        QString error;
        const QImage image = DoLoad(Write(name, bytes), &error, options);
        QVERIFY2(Loaded(image), qPrintable(error));
        QCOMPARE(CompareImages(image, expected, tolerance, kBlockEdges), QString());
        QCOMPARE(metadata.Orientation(), orientation);
        const TImageHeader read = ReadImageHeader(Path(name));
        QCOMPARE(read.size, header);
        QCOMPARE(read.reducible, reducible);
    }

    void exifOrientation_data() {
        QTest::addColumn<QByteArray>("tiff");
        QTest::addColumn<int>("expected");
        for (bool big : {false, true})
            for (quint32 o = 1; o <= 8; ++o)
                QTest::addRow("%s %u", big ? "MM" : "II", o)
                    << Tiff(big, {{0x0112, 3, o}}) << int(o);
        const QByteArray six = Tiff(false, {{0x0112, 3, 6}});
        QTest::newRow("LONG, not SHORT") << Tiff(true, {{0x0112, 4, 6}}) << 6;
        QTest::newRow("value 9") << Tiff(false, {{0x0112, 3, 9}}) << 1;
        QTest::newRow("cut inside the entry") << six.left(16) << 1;
        QTest::newRow("cut after the header") << six.left(10) << 1;
        QTest::newRow("IFD beyond the end") << Patched(six, {{4, 0xFFFFFFF0u, 4, 0}}) << 1;
        QTest::newRow("entries beyond the end")
            << Patched(six, {{8, 0xFFFF, 2, 0}, {10, 0x0100, 2, 0}}) << 1;
        QTest::newRow("unknown byte order") << Patched(six, {{0, 0x5858, 2, 0}}) << 1;
    }
    void exifOrientation() {
        QFETCH(QByteArray, tiff);
        QFETCH(int, expected);
        const QByteArray jpeg = Encode(BlockImage(64, 48), "jpeg");
        const QImage image = DoLoad(Write("exif.jpg", WithExif(jpeg, tiff)));
        QVERIFY(Loaded(image));
        QEXPECT_FAIL("LONG, not SHORT", "Qt's reader takes only a SHORT orientation", Continue);
        QCOMPARE(ReadImageHeader(Path("exif.jpg")).size, image.size());
        QCOMPARE(image, OrientImage(DoLoad(Write("plain.jpg", jpeg)), expected));
    }

    void dctScaling_data() {
        QTest::addColumn<int>("minimumLongSide");
        QTest::addColumn<int>("minimumShortSide");
        QTest::addColumn<int>("orientation");
        QTest::addColumn<QSize>("expected");
        QTest::newRow("off") << 0 << 0 << 1 << QSize(1000, 600);
        QTest::newRow("1: one eighth") << 1 << 0 << 1 << QSize(125, 75);
        QTest::newRow("125: one eighth") << 125 << 0 << 1 << QSize(125, 75);
        QTest::newRow("126: one quarter") << 126 << 0 << 1 << QSize(250, 150);
        QTest::newRow("640: three quarters") << 640 << 0 << 1 << QSize(750, 450);
        QTest::newRow("640, turned") << 640 << 0 << 6 << QSize(450, 750);
        QTest::newRow("1000: full") << 1000 << 0 << 1 << QSize(1000, 600);
        QTest::newRow("5000: never enlarged") << 5000 << 0 << 1 << QSize(1000, 600);
        QTest::newRow("short 150: one quarter") << 0 << 150 << 1 << QSize(250, 150);
        QTest::newRow("short 151: three eighths") << 0 << 151 << 1 << QSize(375, 225);
        QTest::newRow("short side rules") << 200 << 300 << 1 << QSize(500, 300);
    }
    void dctScaling() {
        QFETCH(int, minimumLongSide);
        QFETCH(int, minimumShortSide);
        QFETCH(int, orientation);
        QFETCH(QSize, expected);
        QImage quadrants = SolidImage(1000, 600, 0xC83232);
        QPainter painter(&quadrants);
        painter.fillRect(496, 0, 504, 600, QColor(0x32C832));
        painter.fillRect(0, 304, 1000, 296, QColor(0x3232C8));
        painter.end();
        const QByteArray jpeg =
            WithExif(Encode(quadrants, "jpeg"), Tiff(false, {{0x0112, 3, quint32(orientation)}}));
        const QImage image =
            DoLoad(Write("scaled.jpg", jpeg), nullptr, {minimumLongSide, minimumShortSide});
        QVERIFY(Loaded(image));
        QCOMPARE(image.size(), expected);
        // Still the same picture, turned the same way: opposite corners keep their colours.
        const QImage ref = OrientImage(quadrants, orientation);
        QCOMPARE(CompareImages(image.copy(0, 0, 1, 1), ref.copy(0, 0, 1, 1), 4), QString());
        QCOMPARE(CompareImages(image.copy(image.width() - 1, 0, 1, 1),
                               ref.copy(ref.width() - 1, 0, 1, 1), 4),
                 QString());
    }

    void truncatedJpegShowsWhatArrived() {
        const QImage source = BlockImage(256, 256);
        const QByteArray jpeg = Encode(source, "jpeg");
        const QImage image = DoLoad(Write("half.jpg", jpeg.left(jpeg.size() / 2)));
        QVERIFY(Loaded(image));
        QCOMPARE(image.size(), source.size());
        QCOMPARE(
            CompareImages(image.copy(0, 0, 256, 64), source.copy(0, 0, 256, 64), 3, kBlockEdges),
            QString());
        QVERIFY(DiffImages(image.copy(0, 224, 256, 32), source.copy(0, 224, 256, 32)).maxChannel >
                20);
    }

    // Camera raw through LibRaw: a linear DNG and a colour filter array it demosaics, with
    // an embedded preview that only a preview decode may show.
    void rawDng_data() {
        QTest::addColumn<QByteArray>("dng");
        QTest::addColumn<int>("minimumLongSide");
        QTest::addColumn<bool>("preview");
        QTest::addColumn<QSize>("size");
        QTest::addColumn<QImage>("quarters");  // 2 x 2: the middles of the picture's quarters
        QTest::addColumn<int>("tolerance");
        QTest::addColumn<bool>("reducible");
        const auto turned = [](std::array<QRgb, 4> colours, int orientation) {
            return OrientImage(Quarters(2, 2, colours), orientation);
        };
        // Red left, blue right: linear light, brightened to full scale, in sRGB.
        const double linear = 30.0 / 200;
        const int dim = qRound(255 * (1.055 * std::pow(linear, 1 / 2.4) - 0.055));
        const QRgb red = qRgb(255, dim, dim), blue = qRgb(dim, dim, 255);
        for (int o : {1, 3, 6, 8})
            QTest::addRow("linear %d", o)
                << TinyDng(o) << 0 << false << (o < 5 ? QSize(48, 32) : QSize(32, 48))
                << turned({red, blue, red, blue}, o) << 6 << false;
        for (int o = 1; o <= 8; ++o)
            QTest::addRow("cfa %d", o)
                << CameraDng(o) << 0 << false << (o < 5 ? QSize(96, 64) : QSize(64, 96))
                << turned(kSceneColours, o) << 8 << true;
        // Batch exports reduce without the preview flag: half size, never the camera's JPEG.
        QTest::newRow("cfa half size") << CameraDng(6) << 40 << false << QSize(32, 48)
                                       << turned(kSceneColours, 6) << 8 << true;
        for (int o : {1, 3, 5, 6, 8})
            QTest::addRow("preview %d", o)
                << CameraDng(o) << 48 << true << (o < 5 ? QSize(48, 32) : QSize(32, 48))
                << turned(kPreviewColours, o) << 6 << true;
        for (int o : {1, 6})
            QTest::addRow("bitmap preview %d", o) << CameraDng(o, QSize(48, 32), false) << 48
                                                  << true << (o < 5 ? QSize(48, 32) : QSize(32, 48))
                                                  << turned(kPreviewColours, o) << 0 << true;
        QTest::newRow("preview below the minimum")
            << CameraDng(1) << 49 << true << QSize(96, 64) << turned(kSceneColours, 1) << 8 << true;
        QTest::newRow("preview of another shape")
            << CameraDng(1, QSize(48, 48)) << 48 << true << QSize(48, 32)
            << turned(kSceneColours, 1) << 8 << true;
        QTest::newRow("no preview") << CameraDng(6, QSize()) << 48 << true << QSize(32, 48)
                                    << turned(kSceneColours, 6) << 8 << true;
        TDngMaking camera;
        camera.scene = Quarters(96, 64, kSceneColours);
        camera.dngVersion = false;
        QTest::newRow("camera tiff") << MakeDng(camera) << 0 << false << QSize(96, 64)
                                     << turned(kSceneColours, 1) << 8 << true;
        // LibRaw reads uncompressed data by the declared size, whatever the count says.
        QTest::newRow("strip byte count 100")
            << WithDngTag(CameraDng(1), 279, 100) << 0 << false << QSize(96, 64)
            << turned(kSceneColours, 1) << 8 << true;
    }
    void rawDng() {
        QFETCH(QByteArray, dng);
        QFETCH(int, minimumLongSide);
        QFETCH(bool, preview);
        QFETCH(QSize, size);
        QFETCH(QImage, quarters);
        QFETCH(int, tolerance);
        QFETCH(bool, reducible);
        QString error;
        TLoadOptions options;
        options.minimumLongSide = minimumLongSide;
        options.preview = preview;
        const QString path = Write("camera.dng", dng);
        const QImage image = DoLoad(path, &error, options);
        QVERIFY2(Loaded(image), qPrintable(error));
        QCOMPARE(image.size(), size);
        QCOMPARE(CompareImages(QuarterMiddles(image), quarters, tolerance), QString());
        // The header tells the size of the full decode, upright, without decoding.
        const TImageHeader header = ReadImageHeader(path);
        QCOMPARE(header.size, minimumLongSide ? DoLoad(path).size() : image.size());
        QCOMPARE(header.reducible, reducible);
    }

    void largeJpeg() {
        const QImage source = BlockImage(6000, 4000);
        QVERIFY(DoSave(source, Path("large.jpg")));
        const QImage image = DoLoad(Path("large.jpg"));
        QVERIFY(Loaded(image));
        QCOMPARE(CompareImages(image, source, 3, kBlockEdges), QString());
        QCOMPARE(DoLoad(Path("large.jpg"), nullptr, {1500}).size(), QSize(1500, 1000));
    }

    void concurrentLoadAndSave() {
        std::atomic<int> failures{0};
        std::vector<std::thread> threads;
        for (int t = 0; t < 4; ++t)
            threads.emplace_back([&, t] {
                for (const char* suffix : {"png", "pcx", "gif", "jpg", "tga", "webp", "jxl"}) {
                    const QImage source = BlockImage(40 + t, 30);
                    const QString path = Path(QString("thread%1.%2").arg(t).arg(suffix));
                    if (!DoSave(source, path) ||
                        DiffImages(DoLoad(path), source, 3, kBlockEdges).maxChannel > 3)
                        ++failures;
                }
            });
        for (auto& thread : threads) thread.join();
        QCOMPARE(failures.load(), 0);
    }
};

QTEST_GUILESS_MAIN(TestCodec)
#include "test_codec.moc"
