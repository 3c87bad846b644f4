// Loading and saving image files: round trips, damaged and hostile input, JPEG
// orientation, colour profiles, DCT scaling, transparency and the orientation primitive.

#include <turbojpeg.h>

#include <QBuffer>
#include <QColorSpace>
#include <QDir>
#include <QFile>
#include <QImageWriter>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <thread>
#include <vector>

#include "Codec.h"
#include "ImageBuffer.h"
#include "TestSupport.h"

using namespace vellumora;
using namespace vellumora::test;

namespace {

// Flat 16 x 16 blocks of a few colours, aligned with JPEG's blocks, so lossy formats
// stay close and a palette holds them.
QImage BlockImage(int width, int height) {
    static const QRgb colours[] = {0xFFC83232, 0xFF32C832, 0xFF3232C8, 0xFFC8C832, 0xFF20A0A0};
    QImage image = NewImage(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) image.setPixel(x, y, colours[(x / 16 + 2 * (y / 16)) % 5]);
    return image;
}

// The same image with its top-left 16 x 16 block transparent, and what that should
// load as: the block white.
QImage WithHole(const QImage& image, bool asLoaded) {
    QImage out = image.convertToFormat(asLoaded ? QImage::Format_RGB32 : QImage::Format_ARGB32);
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x) out.setPixel(x, y, asLoaded ? 0xFFFFFFFF : 0x00123456);
    return out;
}

// Largest channel difference. With `lossy`, pixels on either side of a 16-pixel
// block border are left out: JPEG's smooth chroma upsampling blends colours there.
int MaxDiff(const QImage& a, const QImage& b, bool lossy = false) {
    if (a.size() != b.size()) return 1000;
    int diff = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            if (lossy && (x % 16 == 0 || x % 16 == 15 || y % 16 == 0 || y % 16 == 15)) continue;
            const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
            diff = std::max({diff, std::abs(qRed(p) - qRed(q)), std::abs(qGreen(p) - qGreen(q)),
                             std::abs(qBlue(p) - qBlue(q))});
        }
    return diff;
}

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

QByteArray TurboJpeg(const QImage& rgb32, bool cmyk) {
    QImage source = rgb32;  // as C, M, Y, K bytes the reader takes them inverted: R, G, B, 255
    if (cmyk) source = rgb32.convertToFormat(QImage::Format_RGBA8888);
    tjhandle handle = tjInitCompress();
    unsigned char* jpeg = nullptr;
    unsigned long size = 0;
    tjCompress2(handle, source.constBits(), source.width(), int(source.bytesPerLine()),
                source.height(), cmyk ? TJPF_CMYK : TJPF_BGRX, &jpeg, &size,
                cmyk ? TJSAMP_420 : TJSAMP_444, 95, 0);
    const QByteArray out(reinterpret_cast<const char*>(jpeg), qsizetype(size));
    tjFree(jpeg);
    tjDestroy(handle);
    return out;
}

void Put(QByteArray& bytes, int at, quint32 value, int size, bool big) {
    for (int i = 0; i < size; ++i)
        bytes[at + i] = char(value >> (8 * (big ? size - 1 - i : i)));
}

// TIFF structure of an Exif block holding one IFD0 entry: orientation.
QByteArray ExifTiff(bool big, quint32 orientation, int type = 3) {
    QByteArray t(26, '\0');
    t[0] = t[1] = big ? 'M' : 'I';
    Put(t, 2, 42, 2, big);
    Put(t, 4, 8, 4, big);   // IFD0 offset
    Put(t, 8, 1, 2, big);   // one entry
    Put(t, 10, 0x0112, 2, big);
    Put(t, 12, type, 2, big);
    Put(t, 14, 1, 4, big);
    Put(t, 18, orientation, type == 3 ? 2 : 4, big);
    return t;  // next IFD offset: 0
}

QByteArray AfterSoi(const QByteArray& jpeg, char marker, const QByteArray& payload) {
    QByteArray segment("\xFF");
    segment += marker;
    segment += char((payload.size() + 2) >> 8);
    segment += char(payload.size() + 2);
    return jpeg.left(2) + segment + payload + jpeg.mid(2);
}

quint32 Crc32(const QByteArray& data) {
    quint32 c = 0xFFFFFFFFu;
    for (const char b : data) {
        c ^= uchar(b);
        for (int k = 0; k < 8; ++k) c = (c >> 1) ^ (0xEDB88320u & (0u - (c & 1u)));
    }
    return ~c;
}

// Bits per pixel a written file stores, read from its header.
int StoredBits(const QByteArray& f, const QString& suffix) {
    const auto u = [&](int at, int size, bool big) {
        quint32 v = 0;
        for (int i = 0; i < size; ++i) v |= quint32(uchar(f[at + i])) << (8 * (big ? size - 1 - i : i));
        return v;
    };
    if (suffix == "png") return f[25] == 2 ? 3 * f[24] : -1;
    if (suffix == "bmp") return int(u(28, 2, false));
    if (suffix == "pcx") return f[3] * f[65];
    if (suffix == "tga") return (f[17] & 0x0F) ? -1 : f[16];
    if (suffix == "jpg") {
        const int sof = int(f.indexOf("\xFF\xC0"));
        return sof < 0 ? -1 : f[sof + 4] * f[sof + 9];
    }
    if (suffix == "tif") {
        const bool big = f[0] == 'M';
        const int ifd = int(u(4, 4, big));
        int samples = 1, bits = 1;
        for (quint32 i = 0; i < u(ifd, 2, big); ++i) {
            const int e = ifd + 2 + int(i) * 12;
            const quint32 tag = u(e, 2, big), count = u(e + 4, 4, big);
            if (tag == 277) samples = int(u(e + 8, 2, big));
            if (tag == 258) bits = int(count > 2 ? u(int(u(e + 8, 4, big)), 2, big) : u(e + 8, 2, big));
            if (tag == 338) return -1;  // extra samples: alpha
        }
        return samples * bits;
    }
    return -1;
}

}  // namespace

class TestCodec : public QObject {
    Q_OBJECT
    QTemporaryDir dir_;
    QString Path(const QString& name) const { return dir_.filePath(name); }
    QString Write(const QString& name, const QByteArray& bytes) { return WriteBytes(dir_.path(), name, bytes); }

private slots:
    void orientImage_data() {
        QTest::addColumn<int>("orientation");
        QTest::addColumn<QString>("expected");  // rows of source pixels, a b c / d e f
        const char* expected[] = {"abc/def", "cba/fed", "fed/cba", "def/abc", "ad/be/cf", "da/eb/fc", "fc/eb/da", "cf/be/ad"};
        for (int o = 1; o <= 8; ++o) QTest::addRow("%d", o) << o << QString(expected[o - 1]);
    }
    void orientImage() {
        QFETCH(int, orientation);
        QFETCH(QString, expected);
        QImage source = NewImage(3, 2);
        for (int i = 0; i < 6; ++i) source.setPixel(i % 3, i / 3, qRgb(i * 40, 0, 0));
        const QImage result = OrientImage(source, orientation);
        const QStringList rows = expected.split('/');
        QCOMPARE(result.size(), QSize(int(rows[0].size()), int(rows.size())));
        for (int y = 0; y < result.height(); ++y)
            for (int x = 0; x < result.width(); ++x)
                QCOMPARE(qRed(result.pixel(x, y)), (rows[y][x].toLatin1() - 'a') * 40);
    }
    void orientImageComposes_data() {
        QTest::addColumn<QList<int>>("steps");
        QTest::newRow("6 four times") << QList<int>{6, 6, 6, 6};
        QTest::newRow("8 four times") << QList<int>{8, 8, 8, 8};
        QTest::newRow("6 then 8") << QList<int>{6, 8};
        for (int o : {2, 3, 4, 5, 7}) QTest::addRow("%d twice", o) << QList<int>{o, o};
    }
    void orientImageComposes() {
        QFETCH(QList<int>, steps);
        const QImage source = PatternImage(37, 23);
        QImage image = source;
        for (int o : steps) image = OrientImage(image, o);
        QCOMPARE(image, source);
    }

    void roundTrip_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("blocks");  // else PatternImage: every pixel different
        QTest::addColumn<int>("tolerance");
        QTest::addColumn<int>("bits");  // stored per pixel, -1 not checked
        for (const char* name : {"a.png", "b.Png", "c.bmp", "d.tif", "e.tga", "f.TGA", "g.pcx"})
            QTest::newRow(name) << QString(name) << false << 0 << 24;
        QTest::newRow("gif") << "h.gif" << true << 0 << -1;
        for (const char* name : {"i.jpg", "j.JPG", "k.jpeg"}) QTest::newRow(name) << QString(name) << true << 3 << 24;
    }
    void roundTrip() {
        QFETCH(QString, name);
        QFETCH(bool, blocks);
        QFETCH(int, tolerance);
        QFETCH(int, bits);
        const QImage source = blocks ? BlockImage(37, 23) : PatternImage(37, 23);
        QString error;
        QVERIFY2(DoSave(WithHole(source, false), Path(name), &error), qPrintable(error));
        const QImage loaded = DoLoad(Path(name), &error);
        QVERIFY2(Loaded(loaded), qPrintable(error));
        QCOMPARE(loaded.size(), source.size());
        QVERIFY(MaxDiff(loaded, WithHole(source, true), tolerance > 0) <= tolerance);
        QFile file(Path(name));
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QString suffix = QFileInfo(name).suffix().toLower().replace("jpeg", "jpg");
        if (bits > 0) QCOMPARE(StoredBits(file.readAll(), suffix), bits);
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
        QTest::newRow("folder missing") << "missing/new.png" << QSize(4, 4);
        QTest::newRow("parent is a file") << "other.png/new.png" << QSize(4, 4);
    }
    void saveFailureKeepsExistingFile() {
        QFETCH(QString, name);
        QFETCH(QSize, size);
        QTemporaryDir folder;
        const QString existing = WriteBytes(folder.path(), name.contains('/') ? "other.png" : name, "old bytes");
        const QString target = folder.filePath(name);
        QString error;
        const QImage image = size.isValid() ? SolidImage(size.width(), size.height(), 0x808080) : QImage();
        QVERIFY(!DoSave(image, target, &error));
        QVERIFY(!error.isEmpty());
        QFile file(existing);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), QByteArray("old bytes"));
        QCOMPARE(QDir(folder.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries).size(), 1);
    }
    void saveReplacesExistingFile() {
        QVERIFY(DoSave(SolidImage(5, 5, 0xFF0000), Path("replace.pcx")));
        QVERIFY(DoSave(SolidImage(6, 4, 0x00FF00), Path("replace.pcx")));
        QCOMPARE(MaxDiff(DoLoad(Path("replace.pcx")), SolidImage(6, 4, 0x00FF00)), 0);
    }

    void badInput_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("bytes");  // not written when null
        QTest::addColumn<QString>("reason");
        QByteArray garbage(4096, '\0');
        QRandomGenerator random(7);
        for (char& c : garbage) c = char(random.bounded(256));
        const QByteArray jpeg = Encode(BlockImage(64, 48), "jpeg");
        const QByteArray png = Encode(PatternImage(64, 48), "png");
        QByteArray hugeJpeg = jpeg, hugePng = png, hugeBmp = Encode(PatternImage(8, 8), "bmp");
        const int sof = int(jpeg.indexOf("\xFF\xC0"));
        Put(hugeJpeg, sof + 5, 65000, 2, true);
        Put(hugeJpeg, sof + 7, 65000, 2, true);
        Put(hugePng, 16, 100000, 4, true);
        Put(hugePng, 20, 100000, 4, true);
        Put(hugePng, 29, Crc32(hugePng.mid(12, 17)), 4, true);
        Put(hugeBmp, 18, 100000, 4, false);
        Put(hugeBmp, 22, 100000, 4, false);
        QByteArray hugePcx(128, '\0'), hugeTga(18, '\0');
        hugePcx[0] = 10, hugePcx[1] = 5, hugePcx[2] = 1, hugePcx[3] = 8, hugePcx[65] = 3;
        Put(hugePcx, 8, 65534, 2, false);
        Put(hugePcx, 10, 65534, 2, false);
        Put(hugePcx, 66, 65535 * 1, 2, false);
        hugeTga[2] = 2, hugeTga[16] = 24;
        Put(hugeTga, 12, 65535, 2, false);
        Put(hugeTga, 14, 65535, 2, false);
        const QString damaged = "unsupported or damaged image";
        QTest::newRow("missing") << "missing.jpg" << QByteArray() << "file not found";
        QTest::newRow("folder") << "." << QByteArray() << "not a file";
        QTest::newRow("empty") << "empty.png" << QByteArray("") << "empty file";
        for (const char* name : {"garbage.jpg", "garbage.png", "garbage.pcx", "garbage.nef", "garbage.cr2", "garbage.dng", "garbage.bin"})
            QTest::newRow(name) << QString(name) << garbage << damaged;
        QTest::newRow("jpeg marker then garbage") << "soi.jpg" << QByteArray("\xFF\xD8\xFF") + garbage << damaged;
        QTest::newRow("jpeg cut in its header") << "cut.jpg" << jpeg.left(120) << damaged;
        QTest::newRow("png cut in half") << "cut.png" << png.left(png.size() / 2) << damaged;
        QTest::newRow("jpeg claims 65000 x 65000") << "huge.jpg" << hugeJpeg << "image too large (65000 x 65000)";
        QTest::newRow("png claims 100000 x 100000") << "huge.png" << hugePng << "image too large (100000 x 100000)";
        QTest::newRow("bmp claims 100000 x 100000") << "huge.bmp" << hugeBmp << "image too large (100000 x 100000)";
        QTest::newRow("pcx claims 65535 x 65535") << "huge.pcx" << hugePcx << "image too large (65535 x 65535)";
        QTest::newRow("tga claims 65535 x 65535") << "huge.tga" << hugeTga << "image too large (65535 x 65535)";
    }
    void badInput() {
        QFETCH(QString, name);
        QFETCH(QByteArray, bytes);
        QFETCH(QString, reason);
        const QString path = bytes.isNull() ? Path(name) : Write(name, bytes);
        QString error;
        QVERIFY(DoLoad(path, &error).isNull());
        QCOMPARE(error, reason);
    }

    // Files that must load as `expected`: variants of one format, names that lie about
    // the content, transparency, colour profiles.
    void loads_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QImage>("expected");
        QTest::addColumn<int>("tolerance");
        const QImage blocks = BlockImage(48, 32), pattern = PatternImage(37, 23);
        QTest::newRow("png named jpg") << "png.jpg" << Encode(pattern, "png") << pattern << 0;
        QTest::newRow("jpeg named png") << "jpeg.png" << Encode(blocks, "jpeg") << blocks << 3;
        QTest::newRow("bmp named tga") << "bmp.tga" << Encode(pattern, "bmp") << pattern << 0;
        QTest::newRow("progressive jpeg") << "p.jpg" << Encode(blocks, "jpeg", true) << blocks << 3;
        const QImage gray = blocks.convertToFormat(QImage::Format_Grayscale8);
        QTest::newRow("grayscale jpeg") << "g.jpg" << Encode(gray, "jpeg") << gray.convertToFormat(kPixelFormat) << 2;
        QTest::newRow("4:4:4 jpeg") << "444.jpg" << TurboJpeg(blocks, false) << blocks << 3;
        QTest::newRow("cmyk jpeg") << "cmyk.jpg" << TurboJpeg(blocks, true) << blocks << 4;

        QByteArray pcx;
        QVERIFY(DoSave(pattern, Path("for-dcx.pcx")));
        QFile file(Path("for-dcx.pcx"));
        QVERIFY(file.open(QIODevice::ReadOnly));
        pcx = file.readAll();
        QByteArray dcx(12, '\0');
        Put(dcx, 0, 0x3ADE68B1, 4, false);
        Put(dcx, 4, 12, 4, false);  // the only page, right after the table
        QTest::newRow("dcx") << "a.dcx" << dcx + pcx << pattern << 0;
        QTest::newRow("pcx named bin") << "pcx.bin" << pcx << pattern << 0;

        QByteArray tga(18, '\0');  // 32 bits, 8 of them alpha, rows top to bottom
        tga[2] = 2, tga[16] = 32, tga[17] = 0x28;
        Put(tga, 12, 37, 2, false);
        Put(tga, 14, 23, 2, false);
        const QImage holed = WithHole(pattern, false);
        for (int y = 0; y < 23; ++y) tga.append(reinterpret_cast<const char*>(holed.constScanLine(y)), 37 * 4);
        for (const char* name : {"alpha.tga", "alpha.vda", "alpha.icb", "alpha.vst", "alpha.targa"})
            QTest::newRow(name) << QString(name) << tga << WithHole(pattern, true) << 0;
        QTest::newRow("alpha png") << "alpha.png" << Encode(holed, "png") << WithHole(pattern, true) << 0;
        QImage halfAlpha(8, 8, QImage::Format_ARGB32);
        halfAlpha.fill(qRgba(255, 0, 0, 64));
        QTest::newRow("quarter opaque red png") << "quarter.png" << Encode(halfAlpha, "png") << SolidImage(8, 8, 0xFFBFBF) << 1;
        const QImage indexed = WithHole(blocks, false).convertToFormat(
            QImage::Format_Indexed8, {0x00123456, 0xFFC83232, 0xFF32C832, 0xFF3232C8, 0xFFC8C832, 0xFF20A0A0});
        QTest::newRow("palette png with transparency") << "trns.png" << Encode(indexed, "png") << WithHole(blocks, true) << 0;

        // Profiles: Qt writes the image's colour space into both formats. Expected is
        // the untagged decode converted by Qt itself.
        for (const auto& [label, space] : {std::pair{"adobe", QColorSpace::AdobeRgb},
                                           std::pair{"p3", QColorSpace::DisplayP3},
                                           std::pair{"srgb", QColorSpace::SRgb}}) {
            for (const char* format : {"jpeg", "png"}) {
                QImage tagged = blocks;
                tagged.setColorSpace(space);
                const QString plainPath = Write(QString("plain-%1.%2").arg(label, format), Encode(blocks, format));
                QImage expected = DoLoad(plainPath);
                if (space != QColorSpace::SRgb) {
                    QVERIFY(MaxDiff(expected, blocks, true) <= 3);
                    expected.setColorSpace(space);
                    expected.convertToColorSpace(QColorSpace::SRgb);
                    QVERIFY(MaxDiff(expected, blocks) > 20);  // a change to look for
                }
                QTest::addRow("%s profile in %s", label, format)
                    << QString("icc-%1.%2").arg(label, format) << Encode(tagged, format)
                    << expected.convertToFormat(kPixelFormat) << (space == QColorSpace::SRgb ? 0 : 2);
            }
        }
    }
    void loads() {
        QFETCH(QString, name);
        QFETCH(QByteArray, bytes);
        QFETCH(QImage, expected);
        QFETCH(int, tolerance);
        QString error;
        const QImage image = DoLoad(Write(name, bytes), &error);
        QVERIFY2(Loaded(image), qPrintable(error));
        QCOMPARE(image.size(), expected.size());
        const int diff = MaxDiff(image, expected, tolerance > 0);
        QVERIFY2(diff <= tolerance, qPrintable(QString::number(diff)));
    }

    void exifOrientation_data() {
        QTest::addColumn<QByteArray>("tiff");
        QTest::addColumn<int>("expected");
        for (bool big : {false, true})
            for (int o = 1; o <= 8; ++o) QTest::addRow("%s %d", big ? "MM" : "II", o) << ExifTiff(big, o) << o;
        QTest::newRow("LONG instead of SHORT") << ExifTiff(true, 6, 4) << 6;
        QTest::newRow("value 9") << ExifTiff(false, 9) << 1;
        QTest::newRow("cut inside the entry") << ExifTiff(false, 6).left(16) << 1;
        QTest::newRow("cut after the header") << ExifTiff(false, 6).left(10) << 1;
        QByteArray farIfd = ExifTiff(false, 6), manyEntries = farIfd, badOrder = farIfd;
        Put(farIfd, 4, 0xFFFFFFF0u, 4, false);
        Put(manyEntries, 8, 0xFFFF, 2, false);
        Put(manyEntries, 10, 0x0100, 2, false);  // the real entry is not the orientation
        badOrder[0] = badOrder[1] = 'X';
        QTest::newRow("IFD beyond the end") << farIfd << 1;
        QTest::newRow("entry count beyond the end") << manyEntries << 1;
        QTest::newRow("unknown byte order") << badOrder << 1;
    }
    void exifOrientation() {
        QFETCH(QByteArray, tiff);
        QFETCH(int, expected);
        const QByteArray jpeg = Encode(BlockImage(64, 48), "jpeg");
        const QImage plain = DoLoad(Write("plain.jpg", jpeg));
        const QImage image = DoLoad(Write("exif.jpg", AfterSoi(jpeg, '\xE1', QByteArray("Exif\0\0", 6) + tiff)));
        QVERIFY(Loaded(image));
        QCOMPARE(image, OrientImage(plain, expected));
    }

    void dctScaling_data() {
        QTest::addColumn<int>("minimumLongSide");
        QTest::addColumn<int>("orientation");
        QTest::addColumn<QSize>("expected");
        QTest::newRow("off") << 0 << 1 << QSize(1000, 600);
        QTest::newRow("1: one eighth") << 1 << 1 << QSize(125, 75);
        QTest::newRow("125: one eighth") << 125 << 1 << QSize(125, 75);
        QTest::newRow("126: one quarter") << 126 << 1 << QSize(250, 150);
        QTest::newRow("640: three quarters") << 640 << 1 << QSize(750, 450);
        QTest::newRow("640 turned") << 640 << 6 << QSize(450, 750);
        QTest::newRow("1000: full") << 1000 << 1 << QSize(1000, 600);
        QTest::newRow("5000: never enlarged") << 5000 << 1 << QSize(1000, 600);
    }
    void dctScaling() {
        QFETCH(int, minimumLongSide);
        QFETCH(int, orientation);
        QFETCH(QSize, expected);
        QImage quadrants = NewImage(1000, 600);
        quadrants.fill(0xFFC83232);
        for (int y = 0; y < 600; ++y)
            for (int x = 0; x < 1000; ++x)
                if (x >= 496 || y >= 304) quadrants.setPixel(x, y, x >= 496 && y >= 304 ? 0xFF3232C8 : 0xFF32C832);
        QByteArray jpeg = Encode(quadrants, "jpeg");
        if (orientation != 1) jpeg = AfterSoi(jpeg, '\xE1', QByteArray("Exif\0\0", 6) + ExifTiff(false, orientation));
        const QImage image = DoLoad(Write("scaled.jpg", jpeg), nullptr, {minimumLongSide});
        QVERIFY(Loaded(image));
        QCOMPARE(image.size(), expected);
        // Still the same picture: the corner colours survive.
        const QImage reference = OrientImage(quadrants, orientation);
        const int w = image.width() - 1, h = image.height() - 1, rw = reference.width() - 1, rh = reference.height() - 1;
        for (auto [x, y] : {std::pair{0, 0}, std::pair{1, 0}, std::pair{0, 1}, std::pair{1, 1}})
            QVERIFY(MaxDiff(image.copy(x * w, y * h, 1, 1), reference.copy(x * rw, y * rh, 1, 1)) <= 4);
    }

    void truncatedJpegShowsWhatArrived() {
        const QImage source = BlockImage(256, 256);
        const QByteArray jpeg = Encode(source, "jpeg");
        const QImage image = DoLoad(Write("half.jpg", jpeg.left(jpeg.size() / 2)));
        QVERIFY(Loaded(image));
        QCOMPARE(image.size(), source.size());
        QVERIFY(MaxDiff(image.copy(0, 0, 256, 64), source.copy(0, 0, 256, 64), true) <= 3);
        QVERIFY(MaxDiff(image.copy(0, 224, 256, 32), source.copy(0, 224, 256, 32)) > 20);
    }

    void largeJpeg() {
        const QImage source = BlockImage(6000, 4000);
        QVERIFY(DoSave(source, Path("large.jpg")));
        const QImage image = DoLoad(Path("large.jpg"));
        QVERIFY(Loaded(image));
        QVERIFY(MaxDiff(image, source, true) <= 3);
        QCOMPARE(DoLoad(Path("large.jpg"), nullptr, {1500}).size(), QSize(1500, 1000));
    }

    void concurrentLoadAndSave() {
        std::atomic<int> failures{0};
        std::vector<std::thread> threads;
        for (int t = 0; t < 4; ++t)
            threads.emplace_back([&, t] {
                for (const char* suffix : {"png", "pcx", "gif", "jpg", "tga"}) {
                    const QImage source = BlockImage(40 + t, 30);
                    const QString path = Path(QString("thread%1.%2").arg(t).arg(suffix));
                    if (!DoSave(source, path) || MaxDiff(DoLoad(path), source, true) > 3) ++failures;
                }
            });
        for (auto& thread : threads) thread.join();
        QCOMPARE(failures.load(), 0);
    }
};

QTEST_GUILESS_MAIN(TestCodec)
#include "test_codec.moc"
