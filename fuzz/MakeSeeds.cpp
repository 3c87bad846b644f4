// Writes the fuzz targets' seed corpora: small files of every type, made as the tests make
// them (by the formats' own libraries and by the program's writers), settings files the
// program wrote, and command lines and album texts like the ones users type.
// Usage: make_fuzz_seeds FOLDER; one subfolder per target.

#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QTemporaryDir>

#include "codec/Codec.h"
#include "codec/MagickCodec.h"
#include "photos/album/Album.h"
#include "photos/settings/PhotoInfo.h"
#include "photos/settings/Templates.h"
#include "support/ExifSupport.h"
#include "support/MadeFiles.h"
#include "support/TestSupport.h"

using namespace vellumora;

namespace {

QString root;
int failures = 0;

void Seed(const QString& target, const QString& name, const QByteArray& bytes) {
    const QString folder = root + QLatin1Char('/') + target;
    QDir().mkpath(folder);
    QFile file(folder + QLatin1Char('/') + name);
    if (bytes.isEmpty() || !file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size()) {
        qWarning("seed %s/%s not made", qPrintable(target), qPrintable(name));
        ++failures;
    }
}

QByteArray Saved(const QImage& image, const QString& suffix) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("seed.") + suffix);
    QString error;
    if (!DoSave(image, path, &error)) return {};
    return test::ReadBytes(path);
}

QByteArray Nul(std::initializer_list<const char*> words) {
    QByteArrayList list;
    for (const char* word : words) list << QByteArray(word);
    return list.join('\0');
}

void Pictures() {
    const QImage photo = test::PhotoLikeImage(40, 30);
    const QImage small = test::PatternImage(9, 7);
    for (int subsampling : {0, 1, 2, 3})
        Seed(QStringLiteral("load_jpg"), QStringLiteral("sub%1.jpg").arg(subsampling),
             test::MakeJpeg(photo, {.subsampling = subsampling}));
    Seed(QStringLiteral("load_jpg"), QStringLiteral("progressive.jpg"),
         test::MakeJpeg(photo, {.progressive = true}));
    Seed(QStringLiteral("load_jpg"), QStringLiteral("turned.jpg"),
         test::MakeJpeg(small, {.orientation = 6}));
    for (const char* suffix : {"png", "tif", "bmp", "gif", "pcx", "tga"}) {
        const QString type = QString::fromLatin1(suffix);
        Seed(QStringLiteral("load_") + type, QStringLiteral("photo.") + type, Saved(photo, type));
        Seed(QStringLiteral("load_") + type, QStringLiteral("small.") + type, Saved(small, type));
    }
    QByteArray jp2;
    QString error;
    codec::EncodeWithMagick(small, "JP2", &jp2, &error);
    Seed(QStringLiteral("load_jp2"), QStringLiteral("small.jp2"), jp2);
    Seed(QStringLiteral("load_webp"), QStringLiteral("small.webp"), test::MakeWebp(small));
    Seed(QStringLiteral("load_webp"), QStringLiteral("animated.webp"),
         test::MakeAnimatedWebp({small, small.mirrored()}));
    Seed(QStringLiteral("load_heic"), QStringLiteral("small.heic"),
         test::MakeHeif(photo, {.quality = 50, .orientation = 6}));
    Seed(QStringLiteral("load_heic"), QStringLiteral("grid.heic"),
         test::MakeHeifGrid(test::PatternImage(128, 128), 64, 1));
    Seed(QStringLiteral("load_avif"), QStringLiteral("small.avif"),
         test::MakeHeif(small, {.av1 = true, .bits = 10, .quality = 50}));
    Seed(QStringLiteral("load_jxl"), QStringLiteral("small.jxl"), test::MakeJxl(small));
    Seed(QStringLiteral("load_jxl"), QStringLiteral("boxes.jxl"),
         test::MakeJxl(small, {.lossless = false, .orientation = 5, .xmp = "<x/>"}));
    Seed(QStringLiteral("load_dng"), QStringLiteral("small.dng"),
         test::MakeDng({.scene = test::PatternImage(32, 24), .orientation = 8}));
}

void Metadata() {
    const QByteArray jpeg = test::MakeJpeg(test::PatternImage(8, 8));
    // Orientation, a camera's make as four bytes, and a GPS directory pointer.
    Seed(QStringLiteral("metadata"), QStringLiteral("exif.jpg"),
         test::WithExif(jpeg, test::Tiff(false, {{0x112, 3, 6}, {0x10F, 1, 0x41424344}})));
    Seed(QStringLiteral("metadata"), QStringLiteral("exif-big-endian.jpg"),
         test::WithExif(jpeg, test::Tiff(true, {{0x112, 3, 3}, {0x8825, 4, 26}})));
    const QByteArray xmp =
        "<?xpacket begin=\"\" id=\"W5M0MpCehiHzreSzNTczkc9d\"?><x:xmpmeta "
        "xmlns:x=\"adobe:ns:meta/\">"
        "<rdf:RDF xmlns:rdf=\"http://www.w3.org/1999/02/22-rdf-syntax-ns#\"><rdf:Description "
        "xmlns:dc=\"http://purl.org/dc/elements/1.1/\"><dc:title><rdf:Alt><rdf:li "
        "xml:lang=\"x-default\">Harbour</rdf:li></rdf:Alt></dc:title></rdf:Description>"
        "</rdf:RDF></x:xmpmeta><?xpacket end=\"w\"?>";
    const QByteArray payload = QByteArray("http://ns.adobe.com/xap/1.0/\0", 29) + xmp;
    Seed(QStringLiteral("metadata"), QStringLiteral("xmp.jpg"),
         jpeg.left(2) + test::Patched("\xFF\xE1..", {{2, quint32(payload.size() + 2), 2, 1}}) +
             payload + jpeg.mid(2));
    Seed(QStringLiteral("metadata"), QStringLiteral("exif.webp"),
         test::MakeWebp(test::PatternImage(8, 8), {}, test::Tiff(false, {{0x112, 3, 8}}), xmp));
}

void Settings() {
    QTemporaryDir dir;
    TPhotoInfo photo(QStringLiteral("/photos/Harbour at dusk.jpg"));
    photo.Crop = {3, 4, 640, 480};
    photo.Rotate = 90;
    photo.Watermark = QStringLiteral("© Anna");
    photo.MaskName = QStringLiteral("Oval.bmp");
    photo.Outside.Width = 12;
    photo.Radius = 20;
    const QString settings = dir.filePath(QStringLiteral("Vellumora.dat"));
    photo.WriteSettings(settings, QStringLiteral("Settings"));
    Seed(QStringLiteral("settings"), QStringLiteral("Vellumora.dat"), test::ReadBytes(settings));
    const QString templates = dir.filePath(QStringLiteral("Templates.dat"));
    AddTemplate(photo, QStringLiteral("Web\\Small"), true, templates);
    AddTemplate(TPhotoInfo(), QStringLiteral("Plain"), false, templates);
    Seed(QStringLiteral("settings"), QStringLiteral("Templates.dat"), test::ReadBytes(templates));
    const QString photos = dir.filePath(QStringLiteral("Photos.dat"));
    const TPhotoInfo other(QStringLiteral("b.png"));
    WriteOpenPhotos(photos, {&photo, &other});
    Seed(QStringLiteral("settings"), QStringLiteral("Photos.dat"), test::ReadBytes(photos));
}

void Words() {
    Seed(QStringLiteral("album_page"), QStringLiteral("plain"),
         Nul({"My Photo Album", "Summer\r\nby the sea", "(c) 2026", "UTF-8", "\x01", "\x03", "\x0a",
              "\xff", "Verdana", "\x05"}));
    Seed(QStringLiteral("album_page"), QStringLiteral("latin1"),
         Nul({"Caf\xc3\xa9 <b>&amp;</b>", "\xe2\x82\xac 5", "", "windows-1252", "\x02", "\x00",
              "\x00", "\x10", "", "\x03"}));
    Seed(QStringLiteral("album_page"), QStringLiteral("utf16"),
         Nul({"\xe6\x97\x85", "", "", "UTF-16", "\x03", "\x02", "\x05", "\x80", "", "\x01"}));
    Seed(QStringLiteral("arguments"), QStringLiteral("batch"),
         Nul({"--folder", "out", "a.jpg", "--jobs", "2", "--quality", "90", "--strip-metadata",
              "--settings", "s.dat", "--section", "Photo", "--", "--odd.jpg"}));
    Seed(QStringLiteral("arguments"), QStringLiteral("wrong"), Nul({"--jobs", "0", "--folder"}));
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        qWarning("usage: make_fuzz_seeds FOLDER");
        return 2;
    }
    root = QString::fromLocal8Bit(argv[1]);
    Pictures();
    Metadata();
    Settings();
    Words();
    return failures == 0 ? 0 : 1;
}
