// The batch dialog's plain rules: thumbnails, the list of entries, the run's options from
// the controls, the files left out when adding, and the message at the end of a run.

#include <QBuffer>
#include <QFileInfo>
#include <QImageWriter>
#include <QTemporaryDir>
#include <QTest>

#include "codec/Codec.h"
#include "forms/batch/BatchChoices.h"
#include "forms/batch/BatchList.h"
#include "support/ExifSupport.h"
#include "support/TestSupport.h"

using namespace vellumora;
using namespace vellumora::test;

namespace {

// The smallest rectangle holding the pixels that are not white.
QRect Painted(const QImage& image) {
    QRect box;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (PixelRgb(image, x, y) != 0xFFFFFFu) box |= QRect(x, y, 1, 1);
    return box;
}

TBatchItem Failed(const QString& source, TBatchFailure failure) {
    TBatchItem item;
    item.source = source;
    item.failure = failure;
    return item;
}

}  // namespace

class TestBatchList : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;

private slots:
    void initTestCase() { QVERIFY(dir_.isValid()); }

    void thumbnail_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QSize>("size");
        QTest::addColumn<QByteArray>("format");  // empty: from the name
        QTest::addColumn<bool>("turned");        // stored sideways, EXIF saying so
        QTest::addColumn<QRect>("painted");      // empty: the file is left out
        QTest::newRow("100 x 50") << "wide.png" << QSize(100, 50) << QByteArray() << false
                                  << QRect(0, 17, 68, 34);
        QTest::newRow("50 x 100") << "tall.png" << QSize(50, 100) << QByteArray() << false
                                  << QRect(17, 0, 34, 68);
        QTest::newRow("smaller than the box")
            << "small.bmp" << QSize(10, 5) << QByteArray() << false << QRect(0, 17, 68, 34);
        // Decoded at an eighth of its size: the shape of the full picture all the same.
        QTest::newRow("JPEG 1600 x 1200")
            << "big.jpg" << QSize(1600, 1200) << QByteArray() << false << QRect(0, 8, 68, 51);
        // An eighth is 126 x 63, which would give 68 x 34.
        QTest::newRow("JPEG 1001 x 500")
            << "odd.jpg" << QSize(1001, 500) << QByteArray() << false << QRect(0, 17, 68, 33);
        QTest::newRow("JPEG named .png") << "odd-jpeg.png" << QSize(1001, 500) << QByteArray("jpeg")
                                         << false << QRect(0, 17, 68, 33);
        QTest::newRow("JPEG turned by EXIF")
            << "turned.jpg" << QSize(1001, 500) << QByteArray() << true << QRect(17, 0, 33, 68);
        QTest::newRow("not a photo") << "text.png" << QSize() << QByteArray() << false << QRect();
    }
    void thumbnail() {
        QFETCH(QString, name);
        QFETCH(QSize, size);
        QFETCH(QByteArray, format);
        QFETCH(bool, turned);
        QFETCH(QRect, painted);
        const QString path = dir_.filePath(name);
        if (size.isValid()) {
            QBuffer buffer;
            buffer.open(QIODevice::WriteOnly);
            QImageWriter writer(&buffer,
                                format.isEmpty() ? QFileInfo(name).suffix().toLatin1() : format);
            writer.setQuality(95);
            QVERIFY(writer.write(SolidImage(size.width(), size.height(), 0x204080)));
            // EXIF orientation 6: shown a quarter turn clockwise.
            WriteBytes(
                dir_.path(), name,
                turned ? WithExif(buffer.data(), Tiff(false, {{0x0112, 3, 6}})) : buffer.data());
        } else {
            WriteBytes(dir_.path(), name, "just text");
        }
        const QImage thumbnail = LoadBatchThumbnail(path);
        if (painted.isEmpty()) {
            QVERIFY(thumbnail.isNull());
            return;
        }
        QCOMPARE(thumbnail.size(), QSize(68, 68));
        QCOMPARE(Painted(thumbnail), painted);
    }

    // Entries stand in the order their files were chosen, whenever the thumbnails arrive;
    // Rotate turns record and thumbnail a quarter clockwise, four times back to the start.
    void listOrderRotateRemove() {
        TBatchList list;
        QImage marked = SolidImage(68, 68, 0xFFFFFF);
        marked.setPixel(0, 0, qRgb(255, 0, 0));  // top left
        for (quint64 key : {12, 10, 11}) {
            TPhotoInfo record(QStringLiteral("/photos/p%1.jpg").arg(key));
            record.Ratio = 2;
            list.Insert(key, record, marked);
        }
        QCOMPARE(list.Count(), 3);
        const QModelIndex first = list.index(0);
        QCOMPARE(first.data(Qt::DisplayRole).toString(), QStringLiteral("p10.jpg"));
        QCOMPARE(first.data(Qt::AccessibleTextRole).toString(), QStringLiteral("p10.jpg"));
        QCOMPARE(first.data(Qt::ToolTipRole).toString(), QStringLiteral("/photos/p10.jpg"));
        QCOMPARE(list.Record(2).FileName, QStringLiteral("/photos/p12.jpg"));

        const QPoint corners[] = {{67, 0}, {67, 67}, {0, 67}, {0, 0}};  // turning clockwise
        const int codes[] = {270, 180, 90, 0};
        for (int turn = 0; turn < 4; ++turn) {
            list.Rotate({1});
            QCOMPARE(list.Record(1).Rotate, codes[turn]);
            QCOMPARE(PixelRgb(list.Thumbnail(1), corners[turn].x(), corners[turn].y()), 0xFF0000u);
            QCOMPARE(list.Record(0).Rotate, 0);
        }
        QCOMPARE(CompareImages(list.Thumbnail(1), marked), QString());

        list.Remove({2, 0, 2});
        QCOMPARE(list.Count(), 1);
        QCOMPARE(list.Record(0).FileName, QStringLiteral("/photos/p11.jpg"));
        QCOMPARE(list.Records().size(), size_t(1));
        QCOMPARE(list.Records()[0].Ratio, 2);
        list.Remove({0});
        QCOMPARE(list.rowCount(), 0);
    }

    // The type list in the order of the writable types, each naming its extension.
    void types() {
        const QStringList captions = BatchTypeCaptions();
        const QStringList extensions = WritableExtensions();
        QCOMPARE(captions.size(), extensions.size());
        for (int i = 0; i < captions.size(); ++i) {
            TBatchChoices choices;
            choices.typeIndex = i;
            QCOMPARE(BatchOptionsOf(choices).extension, extensions[i]);
            QVERIFY(captions[i].endsWith(QStringLiteral("(*") + extensions[i] + ')'));
        }
    }

    void endMessage_data() {
        QTest::addColumn<int>("status");
        QTest::addColumn<int>("written");
        QTest::addColumn<int>("failures");  // named a0.jpg, a1.jpg, ...
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("ask");
        const TBatchResult::Status finished = TBatchResult::Status::Finished;
        const TBatchResult::Status cancelled = TBatchResult::Status::Cancelled;
        QTest::newRow("all written")
            << int(finished) << 40 << 0 << "Finished! Do you want to see your new photos?" << true;
        QTest::newRow("two failed")
            << int(finished) << 38 << 2
            << "Finished! 38 written, 2 failed: a0.jpg (cannot open), a1.jpg (would overwrite "
               "the original). Do you want to see your new photos?"
            << true;
        QTest::newRow("stopped") << int(cancelled) << 5 << 0
                                 << "Stopped! 5 of 40 written. Do you want to see your new photos?"
                                 << true;
        QTest::newRow("nothing written: nothing to see")
            << int(finished) << 0 << 1 << "Finished! 0 written, 1 failed: a0.jpg (cannot open)."
            << false;
        QTest::newRow("twelve failed: ten named")
            << int(finished) << 28 << 12
            << "Finished! 28 written, 12 failed: a0.jpg (cannot open), a1.jpg (would overwrite "
               "the original), a2.jpg (cannot save), a3.jpg (too large to render), a4.jpg "
               "(cannot open), a5.jpg (would overwrite the original), a6.jpg (cannot save), "
               "a7.jpg (too large to render), a8.jpg (cannot open), a9.jpg (would overwrite the "
               "original), and 2 more. Do you want to see your new photos?"
            << true;
    }
    void endMessage() {
        QFETCH(int, status);
        QFETCH(int, written);
        QFETCH(int, failures);
        QFETCH(QString, text);
        QFETCH(bool, ask);
        const TBatchFailure kinds[] = {TBatchFailure::CannotOpen, TBatchFailure::WouldOverwrite,
                                       TBatchFailure::CannotSave, TBatchFailure::CannotRender};
        TBatchResult result;
        result.status = TBatchResult::Status(status);
        result.written = written;
        result.failed = failures;
        QList<TBatchItem> failed;
        for (int i = 0; i < failures; ++i)
            failed << Failed(QStringLiteral("/in/a%1.jpg").arg(i), kinds[i % 4]);
        const TBatchEndMessage message = BatchEndMessage(result, 40, failed);
        QCOMPARE(message.text, text);
        QCOMPARE(message.ask, ask);
    }

    // The files left out when adding are named a line each, name then folder, in the order
    // given; past twenty they are counted. The status line's count is the whole number.
    void leftOut_data() {
        QTest::addColumn<QStringList>("files");
        QTest::addColumn<QStringList>("lines");
        QTest::addColumn<QString>("status");
        QTest::newRow("none") << QStringList() << QStringList() << QString();
        QTest::newRow("one") << QStringList{"/photos/broken.jpg"}
                             << QStringList{"broken.jpg (in /photos)"}
                             << "1 file left out: it cannot be read as a photo.";
        QTest::newRow("three: equal names in two folders stay apart")
            << QStringList{"/a/x.jpg", "/b/x.jpg", "/a/sub dir/notes.txt"}
            << QStringList{"x.jpg (in /a)", "x.jpg (in /b)", "notes.txt (in /a/sub dir)"}
            << "3 files left out: they cannot be read as photos.";
        QStringList twenty;
        QStringList named;
        for (int i = 0; i < 23; ++i) {
            twenty << QStringLiteral("/in/a%1.jpg").arg(i);
            named << QStringLiteral("a%1.jpg (in /in)").arg(i);
        }
        QTest::newRow("twenty: all named") << twenty.mid(0, 20) << named.mid(0, 20)
                                           << "20 files left out: they cannot be read as photos.";
        QTest::newRow("twenty-three: twenty named, three counted")
            << twenty << named.mid(0, 20) + QStringList{"and 3 more"}
            << "23 files left out: they cannot be read as photos.";
    }
    void leftOut() {
        QFETCH(QStringList, files);
        QFETCH(QStringList, lines);
        QFETCH(QString, status);
        QCOMPARE(LeftOutList(files), lines.join(QLatin1Char('\n')));
        QCOMPARE(LeftOutText(int(files.size())), status);
    }
};

QTEST_MAIN(TestBatchList)
#include "test_batchlist.moc"
