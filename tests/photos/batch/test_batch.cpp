// Batch conversion: the crop to a print ratio, output names, and the run itself.

#include <QDir>
#include <QFile>
#include <QHash>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>
#include <atomic>
#include <cmath>
#include <mutex>
#include <thread>

#include "codec/Codec.h"
#include "photos/batch/Batch.h"
#include "photos/export/Export.h"
#include "photos/stages/Bands.h"
#include "photos/stages/Render.h"
#include "support/MadeFiles.h"
#include "support/TestSupport.h"

using namespace vellumora;
using namespace vellumora::test;

namespace {

QByteArray Bytes(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

}  // namespace

class TestBatch : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;

    QString Photo(const QString& name, const QImage& image) {
        const QString path = dir_.filePath(name);
        QDir().mkpath(QFileInfo(path).path());
        image.save(path);
        return path;
    }
    std::vector<TPhotoInfo> Entries(const QStringList& files, int max = 640) {
        TPhotoInfo current;
        current.Max = max;
        std::vector<TPhotoInfo> entries;
        for (const QString& f : files) entries.push_back(BatchEntry(f, current));
        return entries;
    }

private slots:
    void initTestCase() { QVERIFY(dir_.isValid()); }

    void autoCropRect_data() {
        QTest::addColumn<QSize>("size");
        QTest::addColumn<int>("rotate");
        QTest::addColumn<QString>("ratio");
        QTest::addColumn<TRect>("expected");
        QTest::newRow("3 * 4 landscape")
            << QSize(3000, 2000) << 0 << "3 * 4" << TRect{167, 0, 2833, 2000};
        QTest::newRow("3 * 4 turned")
            << QSize(3000, 2000) << 270 << "3 * 4" << TRect{750, 0, 2250, 2000};
        QTest::newRow("mirrored diagonal turns too")
            << QSize(3000, 2000) << -90 << "3 * 4" << TRect{750, 0, 2250, 2000};
        QTest::newRow("half turn does not")
            << QSize(3000, 2000) << 180 << "3 * 4" << TRect{167, 0, 2833, 2000};
        QTest::newRow("10 * 8 stands upright")
            << QSize(3000, 2000) << 0 << "10 * 8" << TRect{700, 0, 2300, 2000};
        QTest::newRow("exact shape") << QSize(400, 300) << 0 << "3 * 4" << TRect{0, 0, 400, 300};
        QTest::newRow("portrait 4 * 6")
            << QSize(1000, 3000) << 0 << "4 * 6" << TRect{0, 1167, 1000, 1833};
        QTest::newRow("-270 turns too")
            << QSize(3000, 2000) << -270 << "3 * 4" << TRect{750, 0, 2250, 2000};
        QTest::newRow("unknown code stands as it is")
            << QSize(3000, 2000) << 45 << "3 * 4" << TRect{167, 0, 2833, 2000};
        QTest::newRow("odd sides round down")
            << QSize(1001, 667) << 0 << "5 * 7" << TRect{34, 0, 967, 667};
        QTest::newRow("turned, exact shape")
            << QSize(300, 400) << 90 << "3 * 4" << TRect{0, 0, 300, 400};
        QTest::newRow("turned 8 * 10, odd")
            << QSize(333, 1001) << -90 << "8 * 10" << TRect{0, 292, 333, 708};
    }
    void autoCropRect() {
        QFETCH(QSize, size);
        QFETCH(int, rotate);
        QFETCH(QString, ratio);
        QFETCH(TRect, expected);
        const int index = int(BatchRatioCaptions().indexOf(ratio));
        QVERIFY(index >= 0);
        QCOMPARE(AutoCropRect(size, rotate, index), expected);
    }

    void batchFileName_data() {
        QTest::addColumn<QString>("source");
        QTest::addColumn<QString>("folder");
        QTest::addColumn<QString>("prefix");
        QTest::addColumn<QString>("suffix");
        QTest::addColumn<QString>("extension");
        QTest::addColumn<int>("nameCase");
        QTest::addColumn<QString>("expected");
        QTest::newRow("lower") << "/photos/Holiday.Photo.JPG"
                               << "/out"
                               << "x_"
                               << "_web"
                               << ".png" << 2 << "/out/x_holiday.photo_web.png";
        QTest::newRow("upper: letters a-z only, folder as typed") << "/p/Été.jpg"
                                                                  << "/Out/"
                                                                  << ""
                                                                  << ""
                                                                  << ".tga" << 1 << "/Out/ÉTé.TGA";
        QTest::newRow("unchanged, trimmed") << "/p/a b.tif"
                                            << " /out\t"
                                            << " \tpre "
                                            << " suf\n"
                                            << ".jpg" << 0 << "/out/prea bsuf.jpg";
        QTest::newRow("no extension") << "/p/README"
                                      << "/out"
                                      << ""
                                      << ""
                                      << ".bmp" << 0 << "/out/README.bmp";
    }
    void batchFileName() {
        QFETCH(QString, source);
        QFETCH(QString, folder);
        QFETCH(QString, prefix);
        QFETCH(QString, suffix);
        QFETCH(QString, extension);
        QFETCH(int, nameCase);
        QFETCH(QString, expected);
        QCOMPARE(BatchFileName(source, folder, prefix, suffix, extension, TNameCase(nameCase)),
                 expected);
    }

    void entryResetsPerPhotoFields() {
        TPhotoInfo current{QStringLiteral("/current.jpg")};
        current.Crop = TRect{1, 2, 3, 4};
        current.Rotate = 90;
        current.Contrast = current.Brightness = current.Red = current.Green = current.Blue = 7;
        current.Grayscale = current.Negative = true;
        current.Ratio = 3;
        current.Max = 200;
        current.Watermark = QStringLiteral("sig");
        const TPhotoInfo entry = BatchEntry(QStringLiteral("/a.jpg"), current);
        QCOMPARE(entry.FileName, QStringLiteral("/a.jpg"));
        QCOMPARE(entry.Crop, TRect{});
        QCOMPARE(
            entry.Rotate + entry.Contrast + entry.Brightness + entry.Red + entry.Green + entry.Blue,
            0);
        QVERIFY(!entry.Grayscale && !entry.Negative);
        QCOMPARE(entry.Ratio, 3);
        QVERIFY(entry.SameTemplate(current));
    }

    void folderRules() {
        const auto entries = Entries({Photo(QStringLiteral("f.png"), PatternImage(8, 8))});
        TBatchOptions options;
        options.folder = QStringLiteral(" \t ");
        TBatchResult r = RunBatch(entries, options);
        QCOMPARE(r.status, TBatchResult::Status::FolderEmpty);
        QCOMPARE(r.message, QStringLiteral("Unable to create directory"));

        const QString blocker = WriteBytes(dir_.path(), QStringLiteral("blocker"), "file");
        options.folder = blocker + QStringLiteral("/sub ");
        r = RunBatch(entries, options);
        QCOMPARE(r.status, TBatchResult::Status::FolderNotCreated);
        QCOMPARE(r.message,
                 QStringLiteral("Can not create folder ") + blocker + QStringLiteral("/sub!"));
        QCOMPARE(r.written, 0);
    }

    // The user's originals are never overwritten; other failures are counted, not fatal.
    void failuresAreCountedAndOriginalsKept() {
        const QString folder = dir_.filePath(QStringLiteral("same"));
        const QString original = Photo(QStringLiteral("same/keep.png"), PatternImage(20, 10));
        const QByteArray before = Bytes(original);
        const QString good = Photo(QStringLiteral("same/good.bmp"), PatternImage(20, 10));
        const QString broken = WriteBytes(folder, QStringLiteral("broken.jpg"), "not a jpeg");
        QDir(folder).mkpath(QStringLiteral("blocked.png"));  // a folder where a file should go
        const QString blocked = Photo(QStringLiteral("elsewhere/blocked.bmp"), PatternImage(4, 4));

        TBatchOptions options;
        options.folder = folder;
        options.extension = QStringLiteral(".png");
        QList<TBatchItem> items;
        TExportRun run;
        run.progress = [&](const TBatchItem& item, int, int) {
            items << item;
            return true;
        };
        const TBatchResult r = RunBatch(Entries({original, good, broken, blocked}), options, run);
        QCOMPARE(r.status, TBatchResult::Status::Finished);
        QCOMPARE(r.written, 1);
        QCOMPARE(r.failed, 3);
        QCOMPARE(Bytes(original), before);
        QVERIFY(QFile::exists(folder + QStringLiteral("/good.png")));
        QStringList messages;
        QList<TBatchFailure> kinds;
        for (const TBatchItem& item : items)
            if (!item.written) {
                messages << item.message;
                kinds << item.failure;
            }
        std::sort(kinds.begin(), kinds.end());
        QVERIFY(kinds == (QList{TBatchFailure::CannotOpen, TBatchFailure::CannotSave,
                                TBatchFailure::WouldOverwrite}));
        messages.sort();
        QCOMPARE(messages.size(), 3);
        QVERIFY(messages.contains(QStringLiteral("Cannot open ") + broken + QStringLiteral("!")));
        QVERIFY(messages.contains(QStringLiteral("Would overwrite the original ") + original));
        QVERIFY(
            messages
                .filter(QStringLiteral("Cannot save ") + folder + QStringLiteral("/blocked.png!"))
                .size() == 1);
    }

    // Same output name: the later entry wins, whatever the number of workers; and the
    // files written on three workers are the files written on one, byte for byte.
    void laterEntryWinsTheSameName() {
        const QString a = Photo(QStringLiteral("one/dup.png"), SolidImage(6, 6, 0xFF0000));
        const QString b = Photo(QStringLiteral("two/dup.png"), SolidImage(6, 6, 0x0000FF));
        const QString c = Photo(QStringLiteral("two/other.png"), SolidImage(6, 6, 0x00FF00));
        QList<QByteArray> written[2];
        for (int jobs : {1, 3}) {
            TBatchOptions options;
            options.folder = dir_.filePath(QStringLiteral("dup%1").arg(jobs));
            options.extension = QStringLiteral(".bmp");
            TExportRun run;
            run.jobs = jobs;
            const TBatchResult r = RunBatch(Entries({a, c, b}), options, run);
            QCOMPARE(r.written, 3);
            QCOMPARE(PixelRgb(DoLoad(options.folder + QStringLiteral("/dup.bmp")), 0, 0),
                     0x0000FFu);
            for (const QString& name : QDir(options.folder).entryList(QDir::Files, QDir::Name))
                written[jobs > 1] << Bytes(options.folder + QLatin1Char('/') + name);
        }
        QCOMPARE(written[0].size(), 2);
        QCOMPARE(written[1], written[0]);
    }

    void cancelStopsStartingFiles() {
        QStringList files;
        for (int i = 0; i < 6; ++i)
            files << Photo(QStringLiteral("cancel/%1.png").arg(i), PatternImage(30, 20));
        TBatchOptions options;
        options.folder = dir_.filePath(QStringLiteral("cancelled"));
        TExportRun run;
        run.jobs = 1;
        int calls = 0;
        run.progress = [&](const TBatchItem&, int, int) { return ++calls < 2; };
        const TBatchResult r = RunBatch(Entries(files), options, run);
        // The worker may have finished every file before the cancel reached it: the files
        // that finished are all counted and reported, and only a run cut short is
        // cancelled. That no file starts after a stop is checked with a stop set first.
        QVERIFY(r.written >= 2);
        QCOMPARE(calls, r.written + r.failed);
        QCOMPARE(QDir(options.folder).entryList(QDir::Files).size(), r.written);
        QCOMPARE(r.status,
                 r.written < 6 ? TBatchResult::Status::Cancelled : TBatchResult::Status::Finished);
    }

    // A stop set from another thread, before the run or as a file is about to start: no
    // file starts once it is set (that one neither), every file converted is reported and
    // on disk, and a run cut short is cancelled, not finished.
    void stopFromOutsideStartsNoFile_data() {
        QTest::addColumn<int>("stopAt");  // the file whose start sets it; 0: set before
        QTest::addColumn<int>("jobs");
        QTest::newRow("before the run") << 0 << 1;
        QTest::newRow("as file 3 starts, one worker") << 3 << 1;
        QTest::newRow("as file 3 starts, three workers") << 3 << 3;
    }
    void stopFromOutsideStartsNoFile() {
        QFETCH(int, stopAt);
        QFETCH(int, jobs);
        QStringList files;
        for (int i = 0; i < 6; ++i)
            files << Photo(QStringLiteral("stop%1/%2.png").arg(stopAt).arg(i), PatternImage(8, 8));
        std::atomic<bool> stop{stopAt == 0};
        std::mutex mutex;
        QHash<int, bool> askedWhenStopped;  // by file number: whether the stop was set
        TExportRun run;
        run.jobs = jobs;
        run.stop = &stop;
        run.mayStart = [&](int number) {
            std::lock_guard lock(mutex);
            askedWhenStopped[number] = stop;
            if (number == stopAt) stop = true;
            return true;
        };
        QList<int> reported;
        run.progress = [&](const TBatchItem& item, int, int) {
            reported << item.number;
            return true;
        };
        TBatchOptions options;
        options.folder = dir_.filePath(QStringLiteral("stopped%1-%2").arg(stopAt).arg(jobs));
        const TBatchResult r = RunBatch(Entries(files), options, run);
        QCOMPARE(r.status, TBatchResult::Status::Cancelled);
        QCOMPARE(r.written + r.failed, reported.size());
        QCOMPARE(QDir(options.folder).entryList(QDir::Files).size(), r.written);
        QVERIFY(!reported.contains(stopAt));
        for (int number : reported) QCOMPARE(askedWhenStopped.value(number, true), false);
        if (jobs == 1) QCOMPARE(reported.size(), std::max(stopAt - 1, 0));
    }

    void autoCropShapesTheOutput() {
        const QString photo = Photo(QStringLiteral("crop/wide.png"), PatternImage(300, 200));
        auto entries = Entries({photo});
        entries[0].Rotate = 270;
        TBatchOptions options;
        options.folder = dir_.filePath(QStringLiteral("cropped"));
        options.extension = QStringLiteral(".png");
        options.autoCrop = true;
        options.ratioIndex = int(BatchRatioCaptions().indexOf(QStringLiteral("3 * 4")));
        QCOMPARE(RunBatch(entries, options).written, 1);
        QCOMPARE(QImage(options.folder + QStringLiteral("/wide.png")).size(), QSize(200, 150));
        QCOMPARE(entries[0].Crop, TRect{});  // computed per run, never kept
    }

    // Whether a JPEG streams or falls back to the whole decode (orientations on their
    // side, progressive files), the batch writes what the whole chain makes of the photo
    // decoded at the scale its rule allows, auto crop included.
    void filesEqualTheWholeChain_data() {
        QTest::addColumn<int>("orientation");
        QTest::addColumn<bool>("progressive");
        QTest::addColumn<bool>("fast");
        QTest::addColumn<bool>("autoCrop");
        for (int o = 1; o <= 8; ++o)
            QTest::addRow("orientation %d", o) << o << false << false << (o % 2 == 0);
        QTest::newRow("reduced") << 1 << false << true << false;
        QTest::newRow("reduced, auto crop, upside down") << 3 << false << true << true;
        QTest::newRow("reduced, on its side") << 6 << false << true << false;
        QTest::newRow("progressive") << 1 << true << false << false;
    }
    void filesEqualTheWholeChain() {
        QFETCH(int, orientation);
        QFETCH(bool, progressive);
        QFETCH(bool, fast);
        QFETCH(bool, autoCrop);
        const QString folder =
            dir_.filePath(QStringLiteral("whole%1").arg(QTest::currentDataTag()));
        const QString path =
            WriteBytes(dir_.path(), QStringLiteral("whole.jpg"),
                       MakeJpeg(PhotoLikeImage(1001, 667),
                                {.progressive = progressive, .orientation = orientation}));
        TBatchOptions options;
        options.folder = folder;
        options.extension = QStringLiteral(".png");
        options.fastDecode = fast;
        options.autoCrop = autoCrop;
        options.ratioIndex = 2;
        auto entries = Entries({path}, 241);
        entries[0].Rotate = 90;
        entries[0].Contrast = 10;
        QCOMPARE(RunBatch(entries, options).written, 1);

        TLoadOptions load;
        if (fast) (autoCrop ? load.minimumShortSide : load.minimumLongSide) = 2 * 241;
        const QImage original = DoLoad(path, nullptr, load);
        QVERIFY(!original.isNull());
        if (autoCrop) entries[0].Crop = AutoCropRect(original.size(), 90, 2);
        const QImage whole = RenderChain(original, entries[0], {});
        QCOMPARE(CompareImages(QImage(folder + QStringLiteral("/whole.png")), whole), QString());
    }

    // Reduced-size JPEG decoding must not show in the result.
    // With a worker per core, a photo's stages keep to its worker: splitting them too would
    // only make more threads than cores. A lone worker lets them split.
    void stagesSplitOnlyBesideIdleCores_data() {
        QTest::addColumn<bool>("full");
        QTest::newRow("a worker per core") << true;
        QTest::newRow("one worker") << false;
    }
    void stagesSplitOnlyBesideIdleCores() {
        QFETCH(bool, full);
        const int cores = int(std::max(1u, std::thread::hardware_concurrency()));
        const int jobs = full ? cores : 1;
        std::mutex mutex;
        QList<int> seen;
        TExportWork work;
        for (int key = 0; key <= cores; ++key) work.units.push_back({key});
        work.convert = [&](int, TMaskCache&) {
            std::lock_guard lock(mutex);
            seen << BandThreads();
            TExportItem item;
            item.written = true;
            return item;
        };
        TExportRun run;
        run.jobs = jobs;
        const TBandSplitting saved = BandSplitting();
        SetBandSplitting({8, saved.minBandPixels});
        const TExportReport report = RunExport(work, run);
        SetBandSplitting(saved);
        QCOMPARE(report.written, cores + 1);
        QCOMPARE(seen, QList<int>(cores + 1, jobs >= cores ? 1 : 8));
    }

    void fastDecodeMatchesTheFullPath() {
        const QImage photo = PhotoLikeImage(2400, 1600);
        const QString path = dir_.filePath(QStringLiteral("fast.jpg"));
        QVERIFY(photo.save(path, "JPEG", 92));
        for (bool autoCrop : {false, true}) {
            QImage results[2];
            for (bool fast : {false, true}) {
                TBatchOptions options;
                options.folder = dir_.filePath(QStringLiteral("fast%1%2").arg(fast).arg(autoCrop));
                options.extension = QStringLiteral(".png");
                options.fastDecode = fast;
                options.autoCrop = autoCrop;
                options.ratioIndex = 3;
                QCOMPARE(RunBatch(Entries({path}, 300), options).written, 1);
                results[fast] = QImage(options.folder + QStringLiteral("/fast.png"));
            }
            QCOMPARE(results[1].size(), results[0].size());
            const double psnr = Psnr(results[0], results[1]);
            QVERIFY2(psnr >= 40.0, qPrintable(QString::number(psnr)));
            qInfo("auto crop %d: PSNR %.1f dB", int(autoCrop), psnr);
        }
    }
};

QTEST_MAIN(TestBatch)
#include "test_batch.moc"
