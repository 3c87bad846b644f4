// Metadata through every way a photo leaves the program (Save As, batch, album, mail, the
// command line), the colour descriptions that mean sRGB, and hostile metadata.

#include <QBuffer>
#include <QColorSpace>
#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>
#include <exiv2/exiv2.hpp>
#include <map>

#include "codec/Codec.h"
#include "codec/ImageBuffer.h"
#include "photos/Photo.h"
#include "photos/album/Album.h"
#include "photos/batch/Batch.h"
#include "support/MadeFiles.h"
#include "support/TestSupport.h"

using namespace vellumora;
using namespace vellumora::test;

namespace {

// Stored 64 x 48, shown upright (Orientation 6: a quarter turn clockwise) as 48 x 64.
constexpr int kStoredWidth = 64, kStoredHeight = 48;

const std::map<std::string, std::string> kKept = {
    {"Exif.Image.Make", "Vellum Optics"},
    {"Exif.Image.Model", "VX-1"},
    {"Exif.Photo.DateTimeOriginal", "2024:05:17 10:42:07"},
    {"Exif.Image.Artist", "Ann Example"},
    {"Exif.Image.Copyright", "(c) Ann Example"},
    {"Xmp.dc.subject", "harbour"},
    {"Iptc.Application2.Keywords", "boats"},
    {"Iptc.Application2.City", "Harbourtown"},
};
const char* const kPrivate[] = {"Exif.GPSInfo.GPSLatitude", "Exif.Photo.BodySerialNumber"};

struct TFileMetadata {
    Exiv2::ExifData exif;
    Exiv2::XmpData xmp;
    Exiv2::IptcData iptc;
    bool IsEmpty() const { return exif.empty() && xmp.empty() && iptc.empty(); }
    std::string Value(const std::string& key) const {
        if (key.rfind("Exif.", 0) == 0) {
            auto it = exif.findKey(Exiv2::ExifKey(key));
            return it == exif.end() ? std::string() : it->toString();
        }
        if (key.rfind("Xmp.", 0) == 0) {
            auto it = xmp.findKey(Exiv2::XmpKey(key));
            return it == xmp.end() ? std::string() : it->toString();
        }
        auto it = iptc.findKey(Exiv2::IptcKey(key));
        return it == iptc.end() ? std::string() : it->toString();
    }
};

TFileMetadata ReadBack(const QString& path) {
    auto image = Exiv2::ImageFactory::open(path.toStdString());
    image->readMetadata();
    return {image->exifData(), image->xmpData(), image->iptcData()};
}

// A camera-like JPEG: the tags above, a GPS position, a serial number, Orientation 6 and a
// preview thumbnail.
QString MakeCameraJpeg(const QString& dir) {
    const QString path = dir + QStringLiteral("/camera.jpg");
    PatternImage(kStoredWidth, kStoredHeight).save(path, "JPEG", 95);
    auto image = Exiv2::ImageFactory::open(path.toStdString());
    image->readMetadata();
    Exiv2::ExifData exif;
    Exiv2::XmpData xmp;
    Exiv2::IptcData iptc;
    for (const auto& [key, value] : kKept) {
        if (key.rfind("Exif.", 0) == 0) exif[key] = value;
        if (key.rfind("Xmp.", 0) == 0) xmp[key] = value;
        if (key.rfind("Iptc.", 0) == 0) iptc[key] = value;
    }
    exif["Exif.Image.Orientation"] = uint16_t(6);
    exif["Exif.Photo.PixelXDimension"] = uint32_t(kStoredWidth);
    exif["Exif.Photo.PixelYDimension"] = uint32_t(kStoredHeight);
    exif["Exif.Photo.BodySerialNumber"] = "SN123456";
    exif["Exif.GPSInfo.GPSLatitudeRef"] = "N";
    exif["Exif.GPSInfo.GPSLatitude"] = "59/1 20/1 0/1";
    xmp["Xmp.exif.GPSLatitude"] = "59,20.0N";
    QByteArray thumb;
    QBuffer buffer(&thumb);
    buffer.open(QIODevice::WriteOnly);
    SolidImage(16, 12, 0xFF0000).save(&buffer, "JPEG");
    Exiv2::ExifThumb(exif).setJpegThumbnail(reinterpret_cast<const Exiv2::byte*>(thumb.data()),
                                            long(thumb.size()));
    image->setExifData(exif);
    image->setXmpData(xmp);
    image->setIptcData(iptc);
    image->writeMetadata();
    return path;
}

bool RunCli(const QStringList& args) {
    QProcess process;
    process.start(qEnvironmentVariable("VELLUMORA_CLI"), args);
    return process.waitForFinished(kHangBoundMs) && process.exitStatus() == QProcess::NormalExit &&
           process.exitCode() == 0;
}

// How one file is written from the camera JPEG; returns the written path, empty on failure.
QString Write(const QString& route, const QString& source, const QString& folder,
              const QString& extension) {
    TPhotoInfo info;
    info.FileName = source;
    info.Max = 0;
    QDir().mkpath(folder);
    if (route == QLatin1String("save") || route == QLatin1String("mail")) {
        TPhoto photo;
        photo.AssignInfo(&info);
        const QString out = folder + QStringLiteral("/out.") + extension;
        const auto use = route == QLatin1String("save") ? TMetadataUse::Keep : TMetadataUse::Share;
        return photo.SaveToFile(out, nullptr, use) ? out : QString();
    }
    const QString batchOut = folder + QStringLiteral("/camera.") + extension;
    if (route == QLatin1String("batch")) {
        TBatchOptions options;
        options.folder = folder;
        options.extension = QLatin1Char('.') + extension;
        return RunBatch({info}, options).written == 1 ? batchOut : QString();
    }
    if (route == QLatin1String("album")) {
        TAlbumOptions options;
        options.folder = folder;
        BuildWebAlbum(options, {info});
        return folder + QStringLiteral("/Photo1.jpg");
    }
    if (route == QLatin1String("cli batch strip")) {
        const bool ok = RunCli({QStringLiteral("batch"), QStringLiteral("--strip-metadata"),
                                QStringLiteral("--type"), extension, QStringLiteral("--folder"),
                                folder, source});
        return ok ? batchOut : QString();
    }
    // cli render strip
    const QString settings = WriteBytes(folder, QStringLiteral("r.ini"),
                                        "[P]\nFILENAME=" + source.toUtf8() + "\nMAX=0\n");
    const QString out = folder + QStringLiteral("/out.") + extension;
    return RunCli({QStringLiteral("render"), QStringLiteral("--strip-metadata"), settings,
                   QStringLiteral("P"), out})
               ? out
               : QString();
}

QByteArray BigEndian(quint32 v) {
    const char bytes[] = {char(v >> 24), char(v >> 16), char(v >> 8), char(v)};
    return QByteArray(bytes, 4);
}

// A PNG chunk, its CRC computed the way PNG defines it.
QByteArray PngChunk(const char* type, const QByteArray& body) {
    QByteArray chunk = QByteArray(type, 4) + body;
    quint32 crc = 0xFFFFFFFFu;
    for (const char c : chunk) {
        crc ^= quint8(c);
        for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return BigEndian(quint32(body.size())) + chunk + BigEndian(~crc);
}

// A PNG of `image` with gAMA (and cHRM when given) after its header, as ImageMagick writes.
QByteArray PngWithGamma(const QImage& image, quint32 gamma, bool primaries) {
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    QByteArray extra = PngChunk("gAMA", BigEndian(gamma));
    if (primaries) {
        QByteArray chrm;
        for (quint32 v : {31270u, 32900u, 64000u, 33000u, 30000u, 60000u, 15000u, 6000u})
            chrm += BigEndian(v);
        extra += PngChunk("cHRM", chrm);
    }
    return png.insert(8 + 25, extra);  // signature, IHDR
}

// A JPEG of `image` with one more APP segment right after the start marker.
QByteArray JpegWithSegment(const QImage& image, char marker, const QByteArray& payload) {
    QByteArray jpeg;
    QBuffer buffer(&jpeg);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "JPEG");
    const int length = int(payload.size()) + 2;
    const QByteArray segment =
        BigEndian(0xFF000000u | quint32(quint8(marker)) << 16 | quint32(length)) + payload;
    return jpeg.insert(2, segment);
}

}  // namespace

class TestMetadata : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    QString camera_;

private slots:
    void initTestCase() {
        QVERIFY(dir_.isValid());
        camera_ = MakeCameraJpeg(dir_.path());
        QCOMPARE(ReadBack(camera_).Value("Exif.Image.Orientation"), std::string("6"));
    }

    void keptThroughEveryWayOut_data() {
        QTest::addColumn<QString>("route");
        QTest::addColumn<QString>("extension");
        QTest::addColumn<int>("use");
        for (const char* ext : {"jpg", "png", "tif", "avif", "webp", "jxl"}) {
            QTest::addRow("save %s", ext) << "save" << ext << int(TMetadataUse::Keep);
            QTest::addRow("batch %s", ext) << "batch" << ext << int(TMetadataUse::Keep);
        }
        QTest::newRow("album") << "album"
                               << "jpg" << int(TMetadataUse::Share);
        QTest::newRow("mail") << "mail"
                              << "jpg" << int(TMetadataUse::Share);
        QTest::newRow("cli render --strip-metadata") << "cli render strip"
                                                     << "jpg" << int(TMetadataUse::Strip);
        QTest::newRow("cli batch --strip-metadata") << "cli batch strip"
                                                    << "png" << int(TMetadataUse::Strip);
        QTest::newRow("bmp holds none") << "save"
                                        << "bmp" << int(TMetadataUse::Strip);
    }
    void keptThroughEveryWayOut() {
        QFETCH(QString, route);
        QFETCH(QString, extension);
        QFETCH(int, use);
        const QByteArray before = ReadBytes(camera_);
        const QString folder = dir_.filePath(QString(QTest::currentDataTag()).replace(' ', '_'));
        const QString out = Write(route, camera_, folder, extension);
        QVERIFY2(!out.isEmpty() && QFile::exists(out), qPrintable(out));
        QCOMPARE(ReadBytes(camera_), before);  // the source is never written

        const QImage written = DoLoad(out);
        QCOMPARE(written.size(), QSize(kStoredHeight, kStoredWidth));  // upright
        if (extension == QLatin1String("bmp")) return;  // Exiv2 does not open BMP at all
        const TFileMetadata meta = ReadBack(out);
        if (use == int(TMetadataUse::Strip)) {
            QVERIFY(meta.IsEmpty());
            return;
        }
        // Today's formats carry EXIF and XMP only: what only the IPTC said moves to the XMP.
        const bool iptc = !QStringList{"avif", "webp", "jxl"}.contains(extension);
        for (const auto& [key, value] : kKept)
            if (iptc || key.rfind("Iptc.", 0) != 0) QCOMPARE(meta.Value(key), value);
        if (!iptc) QCOMPARE(meta.Value("Xmp.photoshop.City"), std::string("Harbourtown"));
        QCOMPARE(meta.Value("Exif.Image.Orientation"), std::string("1"));
        QCOMPARE(meta.Value("Exif.Photo.PixelXDimension"), std::to_string(written.width()));
        QCOMPARE(meta.Value("Exif.Photo.PixelYDimension"), std::to_string(written.height()));
        QCOMPARE(Exiv2::ExifThumbC(meta.exif).copy().size_, long(0));
        for (const char* key : kPrivate)
            QCOMPARE(meta.Value(key).empty(), use == int(TMetadataUse::Share));
        QCOMPARE(meta.Value("Xmp.exif.GPSLatitude").empty(), use == int(TMetadataUse::Share));
    }

    // Orientation is honoured in every format that carries it, and applied once.
    void orientationInEveryFormat_data() {
        QTest::addColumn<QString>("format");
        for (const char* format : {"jpg", "png", "tif", "webp"}) QTest::newRow(format) << format;
    }
    void orientationInEveryFormat() {
        QFETCH(QString, format);
        const QString plain = dir_.filePath(QStringLiteral("plain.") + format);
        const QString turned = dir_.filePath(QStringLiteral("turned.") + format);
        QVERIFY(PatternImage(kStoredWidth, kStoredHeight).save(plain, nullptr, 100));
        QFile::remove(turned);
        QVERIFY(QFile::copy(plain, turned));
        auto image = Exiv2::ImageFactory::open(turned.toStdString());
        image->readMetadata();
        Exiv2::ExifData exif = image->exifData();
        exif["Exif.Image.Orientation"] = uint16_t(6);
        image->setExifData(exif);
        image->writeMetadata();
        const QImage upright = DoLoad(turned);
        QCOMPARE(upright.size(), QSize(kStoredHeight, kStoredWidth));
        QCOMPARE(CompareImages(upright, OrientImage(DoLoad(plain), 6)), QString());
    }

    // JPEG XL and WebP carry EXIF and XMP in boxes and chunks of their own. A JPEG XL file
    // turns by its codestream alone, whatever its EXIF says; a WebP by its EXIF.
    void readFromBoxesAndChunks_data() {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("turn");  // how the stored picture must come out
        const auto exif = [](uint16_t orientation) {
            Exiv2::ExifData data;
            for (const auto& [key, value] : kKept)
                if (key.rfind("Exif.", 0) == 0) data[key] = value;
            data["Exif.Image.Orientation"] = orientation;
            Exiv2::Blob blob;
            Exiv2::ExifParser::encode(blob, Exiv2::littleEndian, data);
            return QByteArray(reinterpret_cast<const char*>(blob.data()), qsizetype(blob.size()));
        };
        Exiv2::XmpData data;
        data["Xmp.dc.subject"] = kKept.at("Xmp.dc.subject");
        std::string packet;
        QCOMPARE(Exiv2::XmpParser::encode(packet, data), 0);
        const QByteArray xmp = QByteArray::fromStdString(packet);
        const QImage stored = PatternImage(kStoredWidth, kStoredHeight);
        QTest::newRow("jxl") << MakeJxl(stored, {.exif = exif(1), .xmp = xmp}) << "m.jxl" << 1;
        QTest::newRow("jxl turned, EXIF says otherwise")
            << MakeJxl(stored, {.orientation = 6, .exif = exif(3), .xmp = xmp}) << "t.jxl" << 6;
        // Exiv2 reads no compressed boxes; libjxl does.
        QTest::newRow("jxl, compressed boxes")
            << MakeJxl(stored, {.exif = exif(1), .xmp = xmp, .compressBoxes = true}) << "c.jxl"
            << 1;
        QTest::newRow("webp") << MakeWebp(stored, {}, exif(6), xmp) << "m.webp" << 6;
    }
    void readFromBoxesAndChunks() {
        QFETCH(QByteArray, file);
        QFETCH(QString, name);
        QFETCH(int, turn);
        QVERIFY(!file.isEmpty());
        TMetadata metadata;
        TLoadOptions options;
        options.metadata = &metadata;
        QString error;
        const QImage image = DoLoad(WriteBytes(dir_.path(), name, file), &error, options);
        QCOMPARE(CompareImages(image, OrientImage(PatternImage(kStoredWidth, kStoredHeight), turn)),
                 QString());
        QVERIFY(!metadata.IsEmpty());
        // Read back through a JPEG written with it, as Save As writes one.
        const QString out = dir_.filePath(QStringLiteral("from-") + name + QStringLiteral(".jpg"));
        QVERIFY2(DoSave(image, out, &error, metadata), qPrintable(error));
        const TFileMetadata meta = ReadBack(out);
        for (const auto& [key, value] : kKept)
            if (key.rfind("Iptc.", 0) != 0) QCOMPARE(meta.Value(key), value);
        QCOMPARE(meta.Value("Exif.Image.Orientation"), std::string("1"));
        QCOMPARE(meta.Value("Exif.Photo.PixelXDimension"), std::to_string(image.width()));
    }

    // Descriptions that mean sRGB pass without a level changed; others are converted.
    void colourDescriptions_data() {
        QTest::addColumn<QByteArray>("png");
        QTest::addColumn<bool>("unchanged");
        const QImage pattern = PatternImage(40, 30);
        QTest::newRow("gamma 1/2.2, sRGB primaries") << PngWithGamma(pattern, 45455, true) << true;
        QTest::newRow("gamma 1/2.2 alone") << PngWithGamma(pattern, 45455, false) << true;
        QTest::newRow("gamma 0.45") << PngWithGamma(pattern, 45000, true) << true;
        QTest::newRow("16 bits, gamma 1/2.2")
            << PngWithGamma(pattern.convertToFormat(QImage::Format_RGBX64), 45455, true) << true;
        QTest::newRow("linear") << PngWithGamma(pattern, 100000, true) << false;
    }
    void colourDescriptions() {
        QFETCH(QByteArray, png);
        QFETCH(bool, unchanged);
        const QImage pattern = PatternImage(40, 30);
        const QString path = WriteBytes(dir_.path(), QStringLiteral("gamma.png"), png);
        const QImage loaded = DoLoad(path);
        QVERIFY(!loaded.isNull());
        QCOMPARE(DiffImages(loaded, pattern).maxChannel == 0, unchanged);
        if (!unchanged) return;
        const QString again = dir_.filePath(QStringLiteral("again.png"));
        QVERIFY(DoSave(loaded, again));
        QCOMPARE(CompareImages(DoLoad(again), pattern), QString());
        QVERIFY(!QImage(again).colorSpace().isValid() ||
                QImage(again).colorSpace() == QColorSpace(QColorSpace::SRgb));
    }

    // An XMP that goes on in extension segments, as some editors write it: carried whole
    // where the written file can hold it, dropped whole where it cannot, and never a
    // pointer to segments the written file lacks.
    void extendedXmp_data() {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<bool>("whole");   // the extension could be read whole
        QTest::addColumn<bool>("inJpeg");  // and a saved JPEG carries it
        const QByteArray guid = "0123456789ABCDEF0123456789ABCDEF";
        const auto packet = [](const QByteArray& attributes) {
            return "<x:xmpmeta xmlns:x='adobe:ns:meta/'><rdf:RDF "
                   "xmlns:rdf='http://www.w3.org/1999/02/22-rdf-syntax-ns#'><rdf:Description "
                   "rdf:about='' " +
                   attributes + "/></rdf:RDF></x:xmpmeta>";
        };
        const QByteArray main =
            QByteArray("http://ns.adobe.com/xap/1.0/", 29) +
            packet("xmlns:xmpNote='http://ns.adobe.com/xmp/note/' xmpNote:HasExtendedXMP='" + guid +
                   "' xmlns:dc='http://purl.org/dc/elements/1.1/' dc:format='image/jpeg'");
        // The extension in pieces of at most `piece` bytes, each an APP1 segment's payload.
        const auto segments = [&](const QByteArray& text, int piece, const QByteArray& id) {
            const QByteArray extension = packet(
                "xmlns:photoshop='http://ns.adobe.com/photoshop/1.0/' photoshop:Instructions='" +
                text + "'");
            QByteArrayList list;
            for (qsizetype at = 0; at < extension.size(); at += piece)
                list << QByteArray("http://ns.adobe.com/xmp/extension/", 35) + id +
                            BigEndian(quint32(extension.size())) + BigEndian(quint32(at)) +
                            extension.mid(at, piece);
            return list;
        };
        const auto jpeg = [&](const QByteArrayList& payloads) {
            QByteArray file =
                JpegWithSegment(PatternImage(kStoredWidth, kStoredHeight), char(0xE1), main);
            // After the main packet, in order.
            qsizetype at = 2 + 2 + main.size() + 2;
            for (const QByteArray& payload : payloads) {
                const QByteArray segment =
                    BigEndian(0xFFE10000u | quint32(payload.size() + 2)) + payload;
                file.insert(at, segment);
                at += segment.size();
            }
            return file;
        };
        const QByteArrayList two = segments("keep dry", 200, guid);
        QTest::newRow("two segments") << jpeg(two) << true << true;
        QTest::newRow("a segment missing") << jpeg(two.mid(1)) << false << false;
        QTest::newRow("another guid")
            << jpeg(segments("keep dry", 200, QByteArray(32, 'F'))) << false << false;
        // More than one JPEG segment holds once merged: a saved JPEG drops all its XMP.
        QTest::newRow("100 KB") << jpeg(segments(QByteArray(100000, 'x'), 60000, guid)) << true
                                << false;
        // The largest extension read, and one a byte longer.
        const qsizetype overhead = segments({}, 1 << 30, guid).first().size() - 75;
        for (const qsizetype past : {0, 1})
            QTest::addRow(past ? "a byte past the largest" : "the largest")
                << jpeg(segments(QByteArray(kMaxExtendedXmpBytes - overhead + past, 'x'), 65000,
                                 guid))
                << !past << false;
    }
    void extendedXmp() {
        QFETCH(QByteArray, file);
        QFETCH(bool, whole);
        QFETCH(bool, inJpeg);
        TMetadata metadata;
        TLoadOptions options;
        options.metadata = &metadata;
        QString error;
        const QImage image = DoLoad(WriteBytes(dir_.path(), "extended.jpg", file), &error, options);
        QVERIFY2(!image.isNull(), qPrintable(error));
        for (const char* ext : {"jpg", "png"}) {
            const QString out = dir_.filePath(QStringLiteral("extended.") + ext);
            QVERIFY2(DoSave(image, out, &error, metadata), qPrintable(error));
            const TFileMetadata back = ReadBack(out);
            const bool jpg = QByteArray(ext) == "jpg";
            QCOMPARE(back.Value("Xmp.xmpNote.HasExtendedXMP"), std::string());
            QCOMPARE(!back.Value("Xmp.photoshop.Instructions").empty(), jpg ? inJpeg : whole);
            // The main packet goes with it or stays, whole.
            QCOMPARE(back.Value("Xmp.dc.format").empty(), jpg && whole && !inJpeg);
        }
    }

    // Broken metadata costs itself, never the picture.
    void hostileMetadata_data() {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("name");
        const QImage pattern = PatternImage(kStoredWidth, kStoredHeight);
        const QByteArray exif("Exif\0\0", 6);
        // Little-endian TIFF header, IFD0 at 8.
        const QByteArray ii("II*\0\x08\0\0\0", 8);
        QTest::newRow("truncated exif")
            << JpegWithSegment(pattern, char(0xE1), exif + ii + QByteArray("\x32\0\x12\x01", 4))
            << "t.jpg";
        // One entry (the Exif pointer, back at IFD0) and a next-IFD link to itself.
        const QByteArray loop = exif + ii + QByteArray("\x01\0\x69\x87\x04\0\x01\0\0\0", 10) +
                                QByteArray("\x08\0\0\0\x08\0\0\0", 8);
        QTest::newRow("self-referencing ifd")
            << JpegWithSegment(pattern, char(0xE1), loop) << "l.jpg";
        QByteArray swapped = loop;
        swapped.replace(6, 2, "MM");  // numbers in the other order than the header says
        QTest::newRow("wrong byte order")
            << JpegWithSegment(pattern, char(0xE1), swapped) << "b.jpg";
        const QByteArray xmp =
            QByteArray("http://ns.adobe.com/xap/1.0/", 29) +
            "<x:xmpmeta xmlns:x='adobe:ns:meta/'><rdf:RDF "
            "xmlns:rdf='http://www.w3.org/1999/02/22-rdf-syntax-ns#'><rdf:Description "
            "xmlns:dc='http://purl.org/dc/elements/1.1/' dc:format='" +
            QByteArray(60000, 'x') + "'/></rdf:RDF></x:xmpmeta>";
        QTest::newRow("60 KB xmp") << JpegWithSegment(pattern, char(0xE1), xmp) << "x.jpg";
        QTest::newRow("cut xmp") << JpegWithSegment(pattern, char(0xE1), xmp.left(3000)) << "c.jpg";

        // A 1 MB maker note fits no JPEG segment; a PNG carries it.
        const QString big = dir_.filePath(QStringLiteral("maker.png"));
        pattern.save(big, "PNG");
        auto image = Exiv2::ImageFactory::open(big.toStdString());
        Exiv2::ExifData data;
        data["Exif.Image.Make"] = "Vellum Optics";
        Exiv2::DataValue note(Exiv2::undefined);
        const std::vector<Exiv2::byte> bytes(1 << 20, 0x5A);
        note.read(bytes.data(), long(bytes.size()));
        data.add(Exiv2::ExifKey("Exif.Photo.MakerNote"), &note);
        image->setExifData(data);
        image->writeMetadata();
        QTest::newRow("1 MB maker note") << ReadBytes(big) << "m.png";
        // A maker note Exiv2 decodes tag by tag.
        const QString canon = dir_.filePath(QStringLiteral("canon.jpg"));
        pattern.save(canon, "JPEG");
        image = Exiv2::ImageFactory::open(canon.toStdString());
        data.clear();
        data["Exif.Image.Make"] = "Canon";
        data["Exif.Canon.OwnerName"] = "Ann Example";
        image->setExifData(data);
        image->writeMetadata();
        QTest::newRow("canon maker note") << ReadBytes(canon) << "n.jpg";

        // Bytes of the camera file's Exif segment in turn set to 0xFF.
        const QByteArray camera = ReadBytes(camera_);
        const int exifAt = int(camera.indexOf(QByteArray("Exif\0\0", 6)));
        const int end = exifAt - 2 + (quint8(camera[exifAt - 2]) << 8 | quint8(camera[exifAt - 1]));
        for (int at = exifAt; at < end; at += 29) {
            QByteArray damaged = camera;
            damaged[at] = char(0xFF);
            QTest::addRow("camera byte %d", at) << damaged << "d.jpg";
        }
    }
    void hostileMetadata() {
        QFETCH(QByteArray, file);
        QFETCH(QString, name);
        const QString path = WriteBytes(dir_.path(), name, file);
        QString error;
        TMetadata metadata;
        TLoadOptions options;
        options.metadata = &metadata;
        const QImage image = DoLoad(path, &error, options);
        QVERIFY2(!image.isNull(), qPrintable(error));
        QVERIFY(image.width() * image.height() == kStoredWidth * kStoredHeight);
        // The maker's tags as decoded (not where the note lies, which moves); a written file
        // holds all of them or none.
        const auto maker = [](const TFileMetadata& m) {
            std::vector<std::string> tags;
            for (const Exiv2::Exifdatum& d : m.exif)
                if (Exiv2::ExifTags::isMakerGroup(d.groupName()) && d.groupName() != "MakerNote")
                    tags.push_back(d.key() + '=' + d.toString());
            std::sort(tags.begin(), tags.end());
            return tags;
        };
        // The source itself may be too damaged for a strict reading: then only none is sure.
        std::vector<std::string> source;
        try {
            source = maker(ReadBack(path));
        } catch (const Exiv2::AnyError&) {
        }
        for (const char* ext : {"jpg", "png", "tif"}) {
            const QString out = dir_.filePath(QStringLiteral("hostile.") + ext);
            QVERIFY2(DoSave(image, out, &error, metadata), qPrintable(error));
            QCOMPARE(QImage(out).size(), image.size());
            const auto written = maker(ReadBack(out));
            QVERIFY2(written.empty() || written == source || source.empty(), ext);
        }
        if (name == QLatin1String("n.jpg"))
            QCOMPARE(maker(ReadBack(dir_.filePath(QStringLiteral("hostile.jpg")))).size(), 1u);
        if (name == QLatin1String("m.png")) {
            const TFileMetadata meta = ReadBack(dir_.filePath(QStringLiteral("hostile.jpg")));
            QCOMPARE(meta.Value("Exif.Image.Make"), std::string("Vellum Optics"));
        }
    }

    // What captions show, read from a JPEG whose tags are set exactly: the XMP title wins
    // over the EXIF description, blanks count as absent, and the make is said once.
    void facts_data() {
        QTest::addColumn<QStringList>("tags");   // key=value, values as Exiv2 takes them
        QTest::addColumn<QStringList>("facts");  // title, taken, camera, exposure
        QTest::newRow("none") << QStringList{} << QStringList{"", "", "", ""};
        QTest::newRow("XMP title over EXIF description")
            << QStringList{"Xmp.dc.title=lang=x-default Quay at dawn",
                           "Exif.Image.ImageDescription=Harbour"}
            << QStringList{"Quay at dawn", "", "", ""};
        QTest::newRow("EXIF description, blanks trimmed")
            << QStringList{"Exif.Image.ImageDescription=  Harbour  "}
            << QStringList{"Harbour", "", "", ""};
        QTest::newRow("blank description: absent")
            << QStringList{"Exif.Image.ImageDescription=    "} << QStringList{"", "", "", ""};
        QTest::newRow("camera, make once; every exposure part")
            << QStringList{"Exif.Image.Make=Vellum",
                           "Exif.Image.Model=Vellum VX-1",
                           "Exif.Photo.DateTimeOriginal=2024:05:17 10:42:07",
                           "Exif.Photo.ExposureTime=1/250",
                           "Exif.Photo.FNumber=28/10",
                           "Exif.Photo.ISOSpeedRatings=200",
                           "Exif.Photo.FocalLength=50/1"}
            << QStringList{"", "2024-05-17 10:42", "Vellum VX-1", "1/250 s, f/2.8, ISO 200, 50 mm"};
        QTest::newRow("make and model apart, long exposure")
            << QStringList{"Exif.Image.Make=Vellum Optics", "Exif.Image.Model=VX-1",
                           "Exif.Photo.ExposureTime=2/1", "Exif.Photo.DateTimeOriginal=garbage"}
            << QStringList{"", "", "Vellum Optics VX-1", "2 s"};
    }
    void facts() {
        QFETCH(QStringList, tags);
        QFETCH(QStringList, facts);
        const QString path = dir_.filePath(QStringLiteral("facts.jpg"));
        QVERIFY(PatternImage(16, 16).save(path, "JPEG"));
        {
            auto image = Exiv2::ImageFactory::open(path.toStdString());
            Exiv2::ExifData exif;
            Exiv2::XmpData xmp;
            for (const QString& tag : tags) {
                const std::string key = tag.section('=', 0, 0).toStdString();
                const std::string value = tag.section('=', 1).toStdString();
                if (key.rfind("Xmp.", 0) == 0)
                    xmp[key] = value;
                else
                    exif[key] = value;
            }
            image->setExifData(exif);
            image->setXmpData(xmp);
            image->writeMetadata();
        }
        const TPhotoFacts read = ReadMetadata(path).Facts();
        QCOMPARE((QStringList{read.title, read.taken, read.camera, read.exposure}), facts);
    }

    // The Modern album's camera line: off by default, and when asked for, the date, camera
    // and exposure from the photo, never its position.
    void modernAlbumDetails_data() {
        QTest::addColumn<bool>("details");
        QTest::newRow("off by default") << false;
        QTest::newRow("asked for") << true;
    }
    void modernAlbumDetails() {
        QFETCH(bool, details);
        TAlbumOptions options;
        options.style = TAlbumStyle::Modern;
        options.folder = dir_.filePath(details ? "details-on" : "details-off");
        if (details) options.cameraDetails = true;
        TPhotoInfo record(camera_);
        record.Max = 0;
        const TAlbumResult result = BuildWebAlbum(options, {record});
        QCOMPARE(result.written, 1);
        const QByteArray page = ReadBytes(result.page);
        QVERIFY(page.contains("alt=\"camera\""));  // no title stored: the file name
        QCOMPARE(page.contains("<span class=\"details\">2024-05-17 10:42 \xC2\xB7 "
                               "Vellum Optics VX-1</span>"),
                 details);
        QVERIFY(!page.contains("59") && !page.contains("SN123456"));
    }
};

QTEST_GUILESS_MAIN(TestMetadata)
#include "test_metadata.moc"
