// Originals from workers: the photo shown is always the last one asked for, exactly as the
// chain makes it; neighbours are ready within the budget; records going away mid-decode.

#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <atomic>
#include <memory>
#include <vector>

#include "photos/Jobs.h"
#include "photos/PhotoLoader.h"
#include "photos/stages/Render.h"
#include "photos/stages/Resize.h"
#include "support/TestSupport.h"

using namespace vellumora;
using namespace vellumora::test;

namespace {

// Records for files, owned as the window's strip owns them.
std::vector<std::unique_ptr<TPhotoInfo>> Records(const QStringList& paths, int max) {
    std::vector<std::unique_ptr<TPhotoInfo>> records;
    for (const QString& path : paths) {
        records.push_back(std::make_unique<TPhotoInfo>(path));
        records.back()->Max = max;
        records.back()->Outside.Width = 3;
    }
    return records;
}

// The loader's view of them: record i is the photo named i + 1; a record reset is closed.
TPhotoLoader::TFind FindIn(const std::vector<std::unique_ptr<TPhotoInfo>>& records) {
    return [&records](TPhotoId id) {
        return id >= 1 && id <= records.size() ? records[id - 1].get() : nullptr;
    };
}
TPhotoId Id(size_t index) {
    return TPhotoId(index + 1);
}

QImage Exact(const TPhotoInfo& record) {
    return RenderChain(DoLoad(record.FileName), record, QImage());
}

}  // namespace

class TestPhotoLoader : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    QStringList jpegs_;  // 1600 x 1200, each its own pattern
    QStringList pngs_;
    QString big_;  // 6000 x 4000

    QList<TPhotoId> Neighbours(const std::vector<std::unique_ptr<TPhotoInfo>>& r, size_t i) {
        return {i + 1 < r.size() ? Id(i + 1) : 0, i > 0 ? Id(i - 1) : 0};
    }

private slots:
    void initTestCase() {
        QVERIFY(dir_.isValid());
        for (int i = 0; i < 4; ++i) {
            const QImage image = PatternImage(1600 + 8 * i, 1200);
            jpegs_ << dir_.filePath(QStringLiteral("p%1.jpg").arg(i));
            QVERIFY(image.save(jpegs_.last(), "JPEG", 90));
            pngs_ << test::SavePng(dir_.path(), QStringLiteral("p%1.png").arg(i),
                                   image.scaled(400, 300));
        }
        big_ = dir_.filePath(QStringLiteral("big.jpg"));
        QVERIFY(PatternImage(6000, 4000).save(big_, "JPEG", 90));
    }

    // However fast the clicks come, the photo ends on the last one asked for, rendered
    // exactly from its original, and nothing asked for before shows up afterwards.
    void switchingQuicklyShowsTheLastAsked_data() {
        QTest::addColumn<bool>("jpeg");  // a preview from a reduced decode first
        QTest::addColumn<QList<int>>("clicks");
        for (const bool jpeg : {true, false}) {
            const char* kind = jpeg ? "jpeg" : "png";
            QTest::addRow("%s: on and on", kind) << jpeg << QList<int>{0, 1, 2, 3};
            QTest::addRow("%s: back to the first", kind) << jpeg << QList<int>{0, 1, 2, 0};
            QTest::addRow("%s: to and fro", kind) << jpeg << QList<int>{0, 2, 1, 3, 2};
            QTest::addRow("%s: the same twice", kind) << jpeg << QList<int>{1, 1};
        }
    }
    void switchingQuicklyShowsTheLastAsked() {
        QFETCH(bool, jpeg);
        QFETCH(QList<int>, clicks);
        const auto records = Records(jpeg ? jpegs_ : pngs_, 200);
        TPhoto photo;
        QList<const TPhotoInfo*> shownAfterLast;
        bool lastAsked = false;
        connect(&photo, &TPhoto::Changed, this, [&] {
            if (lastAsked) shownAfterLast << photo.Info();
        });
        {
            TPhotoLoader loader(photo, FindIn(records));
            loader.SetInlinePixels(0);  // everything from a worker
            for (qsizetype i = 0; i < clicks.size(); ++i) {
                const size_t at = size_t(clicks[i]);
                lastAsked = i == clicks.size() - 1;
                const auto near = Neighbours(records, at);
                loader.Show(Id(at), near);
            }
            QVERIFY(AwaitEventsUntil("the last photo clicked", [&] { return !photo.Pending(); }));
        }  // the loader waits for what is still running
        QVERIFY(ProcessPendingEvents());
        const TPhotoInfo* last = records[size_t(clicks.last())].get();
        QCOMPARE(photo.Info(), last);
        QVERIFY(!shownAfterLast.isEmpty());
        QCOMPARE(shownAfterLast.count(last), shownAfterLast.size());
        QCOMPARE(CompareImages(photo.Rendered(), Exact(*last)), QString());
    }

    // A big JPEG shows at once a preview of the size to come, then the exact picture;
    // the size is known from the header all along.
    void bigPhotoShowsAPreviewFirst_data() {
        QTest::addColumn<int>("max");
        QTest::addColumn<int>("rotate");
        QTest::addColumn<TRect>("crop");
        QTest::addColumn<bool>("preview");  // whether a reduced decode can show it
        QTest::addColumn<bool>("sketch");   // its thumbnail's decode made before
        for (const bool sketch : {false, true}) {
            const char* made = sketch ? ", thumbnail made" : "";
            QTest::addRow("shrunk to 640%s", made) << 640 << 0 << TRect() << true << sketch;
            QTest::addRow("cropped and turned%s", made)
                << 800 << 90 << TRect{1000, 500, 4000, 3500} << true << sketch;
            QTest::addRow("original size%s", made) << 0 << 0 << TRect() << true << sketch;
        }
        // The crop keeps every pixel of the original it covers.
        QTest::newRow("small crop, kept")
            << 1000 << -90 << TRect{10, 20, 300, 220} << false << false;
    }
    void bigPhotoShowsAPreviewFirst() {
        QFETCH(int, max);
        QFETCH(int, rotate);
        QFETCH(TRect, crop);
        QFETCH(bool, preview);
        QFETCH(bool, sketch);
        auto records = Records({big_}, max);
        TPhotoInfo& record = *records[0];
        record.Rotate = rotate;
        record.Crop = crop;
        record.Watermark = QStringLiteral("Preview");
        TPhoto photo;
        TPhotoLoader loader(photo, FindIn(records));
        // The worker waits at a gate until the preview has been looked at: the first, then
        // when the photo is shown again, the second.
        TGate gate("the exact decode");
        TGate again("the exact decode when shown again");
        std::atomic<TGate*> held = &gate;
        loader.SetDecoder([&held](const QString& path, const TLoadOptions& options) {
            if (!options.AllowsReduction()) held.load()->Pass();  // the preview passes
            return DecodeOriginal(path, options);
        });
        bool made = false;
        connect(&loader, &TPhotoLoader::Decoded, this, [&made] { made = true; });
        if (sketch) {
            loader.RequestThumbnail(1);
            QVERIFY(AwaitEventsUntil("the thumbnail's decode", [&] { return made; }));
        }
        loader.Show(1);
        // The thumbnail's decode is there to show at once, before any event.
        QCOMPARE(!photo.Rendered().isNull(), sketch);
        const TRenderSize size = RenderedSize(QSize(6000, 4000), record);
        const QSize exactSize(int(size.width), int(size.height));
        QVERIFY(photo.Pending());
        QCOMPARE(photo.PictureSize(), exactSize);
        QCOMPARE(photo.DisplaySize(), exactSize);
        if (preview)
            QVERIFY(AwaitEventsUntil("the preview", [&] { return !photo.Rendered().isNull(); }));
        QVERIFY(photo.Pending());
        QCOMPARE(photo.DisplaySize(), exactSize);
        QCOMPARE(!photo.Rendered().isNull(), preview);
        if (preview) {
            QVERIFY(photo.Rendered().width() <= exactSize.width());
            // The same picture: its shape, give or take the rounding of a smaller one.
            QVERIFY(std::abs(double(photo.Rendered().width()) / photo.Rendered().height() -
                             double(exactSize.width()) / exactSize.height()) < 0.02);
        }

        gate.Open();
        QVERIFY(AwaitEventsUntil("the exact picture", [&] { return !photo.Pending(); }));
        QCOMPARE(CompareImages(photo.Rendered(), Exact(record)), QString());

        // Shown again after its original was let go: a sketch kept of it shows at once.
        QVERIFY(AwaitEventsUntil("the sketch of the exact picture",
                                 [&] { return loader.HasSketch(1); }));
        held = &again;
        loader.Show(0);
        loader.Show(1);
        QVERIFY(photo.Pending());
        QVERIFY(!photo.Rendered().isNull());
        QCOMPARE(photo.DisplaySize(), exactSize);
    }

    // Ten 24-megapixel photos in a row: besides the one shown, at most two originals are
    // kept, within the bytes allowed, and the next one is ready before it is asked for.
    void neighboursStayWithinTheBudget_data() {
        QTest::addColumn<bool>("big");  // 24 MP photos, else 2 MP ones
        QTest::addColumn<int>("neighbours");
        QTest::addColumn<double>("originals");  // the bytes allowed, in originals
        QTest::addColumn<int>("held");          // neighbours held in the middle of the row
        QTest::newRow("24 MP, the program's budget")
            << true << TPhotoLoader::kMaxNeighbours << 512.0 / 96 << 2;
        QTest::newRow("room for one and a half") << false << 2 << 1.5 << 1;
        QTest::newRow("none") << false << 0 << 0.0 << 0;
    }
    void neighboursStayWithinTheBudget() {
        QFETCH(bool, big);
        QFETCH(int, neighbours);
        QFETCH(double, originals);
        QFETCH(int, held);
        const QSize size = big ? QSize(6000, 4000) : QSize(1600, 1200);
        const qint64 one = qint64(size.width()) * size.height() * 4;
        const qint64 bytes = big ? TPhotoLoader::kNeighbourBytes : qint64(one * originals);
        QStringList paths;
        for (int i = 0; i < 10; ++i) {
            paths << dir_.filePath(QStringLiteral("%1-%2.jpg").arg(big ? "big" : "p0").arg(i));
            QVERIFY(QFile::exists(paths.last()) ||
                    QFile::copy(big ? big_ : jpegs_[0], paths.last()));
        }
        const auto records = Records(paths, 640);
        TPhoto photo;
        TPhotoLoader loader(photo, FindIn(records));
        loader.SetBudget(neighbours, bytes);
        for (size_t i = 0; i < records.size(); ++i) {
            const auto near = Neighbours(records, i);
            loader.Show(Id(i), near);
            const int expected = std::min<int>(held, (i > 0) + (i + 1 < records.size()));
            QVERIFY(AwaitEventsUntil("the photo shown and its neighbours held", [&] {
                return !photo.Pending() && loader.HeldNeighbours() == expected;
            }));
            QVERIFY(loader.HeldNeighbourBytes() <= std::min(bytes, 2 * one));
            QCOMPARE(photo.Info(), records[i].get());
            if (held > 0 && i + 1 < records.size()) QVERIFY(loader.Holds(Id(i + 1)));
        }
        // Prepared: the next photo shows exactly without waiting for anything.
        if (held > 0) {
            loader.Show(Id(8));
            QVERIFY(!photo.Pending());
            QCOMPARE(photo.Rendered().size(),
                     ResizedSize(size, 640, true) + QSize(6, 6));  // and the bands
        }
    }

    // Records closed while their decode runs, and the loader going while decodes run:
    // nothing arrives for them, nothing crashes (the sanitizer build checks the memory).
    void recordsGoWhileTheirDecodesRun() {
        auto records = Records(jpegs_, 300);
        TPhoto photo;
        {
            TPhotoLoader loader(photo, FindIn(records));
            loader.SetInlinePixels(0);
            QList<TPhotoId> arrived;
            connect(&loader, &TPhotoLoader::Decoded, this,
                    [&](TPhotoId id, const QImage&) { arrived << id; });
            loader.Show(Id(1), {Id(2), Id(0)});
            // The neighbour closes while it is being prepared, then the photo shown.
            const TPhotoId gone2 = Id(2);
            loader.Forget(gone2);
            records[2].reset();
            loader.Show(0);
            const TPhotoId gone1 = Id(1);
            loader.Forget(gone1);
            records[1].reset();
            arrived.clear();  // what came before they went was theirs to have
            loader.Show(Id(3), {Id(0)});
            QVERIFY(AwaitEventsUntil("the photo shown and its one neighbour held", [&] {
                return !photo.Pending() && loader.HeldNeighbours() == 1;
            }));
            QVERIFY(!arrived.contains(gone1) && !arrived.contains(gone2));
            QCOMPARE(CompareImages(photo.Rendered(), Exact(*records[3])), QString());
            // The photo shown closes: its neighbour, prepared, shows at once.
            loader.Forget(Id(3));
            QVERIFY(!photo.Info());
            loader.Show(Id(0), {Id(3)});
            QVERIFY(!photo.Pending());
            QCOMPARE(CompareImages(photo.Rendered(), Exact(*records[0])), QString());
            // Gone with a decode still running (the one asked for just now).
        }
        QVERIFY(ProcessPendingEvents());
        QCOMPARE(photo.Info(), records[0].get());
    }

    // Every piece of background work ends as its owner says: Wait takes a queued job out of
    // the queue and runs it at once, never behind the job that holds the only worker;
    // Cancel drops what has not run and anything it would still report; Stop lets the
    // work end early and report. Results and posts arrive on the owner's thread, in order.
    void jobsEndAsTheirOwnerSays_data() {
        QTest::addColumn<QString>("action");  // on the second job, while the first holds
        QTest::addColumn<bool>("secondStarted");
        QTest::addColumn<bool>("ran");        // its work ran to the end
        QTest::addColumn<bool>("delivered");  // its posts and its result arrived
        QTest::newRow("wait for a queued job") << "wait" << false << true << true;
        QTest::newRow("cancel a queued job") << "cancel" << false << false << false;
        QTest::newRow("wait for a running job") << "wait" << true << true << true;
        QTest::newRow("cancel a running job") << "cancel" << true << true << false;
        QTest::newRow("stop a running job") << "stop" << true << true << true;
        QTest::newRow("runner goes with a job running") << "destroy" << true << true << false;
    }
    void jobsEndAsTheirOwnerSays() {
        QFETCH(QString, action);
        QFETCH(bool, secondStarted);
        QFETCH(bool, ran);
        QFETCH(bool, delivered);
        TGate holdFirst("the first job");
        TGate holdSecond("the second job");
        TGate secondRunning("the test, until the second job runs");
        std::atomic<bool> secondRan = false;
        std::atomic<bool> sawStop = false;
        QStringList arrived;  // the owner's thread only
        const QThread* owner = QThread::currentThread();
        bool elsewhere = false;
        {
            // Two workers when the second job should run beside the first; one when it
            // should wait in the queue behind it.
            TJobRunner runner(secondStarted ? 2 : 1);
            TJob first = runner.Start([&](const TJobContext&) { holdFirst.Pass(); });
            TJob second = runner.Start(
                [&](const TJobContext& context) {
                    secondRunning.Open();
                    if (secondStarted) holdSecond.Pass();
                    sawStop = context.Stopping();
                    context.Post([&] { arrived << QStringLiteral("post 1"); });
                    context.Post([&] { arrived << QStringLiteral("post 2"); });
                    secondRan = true;
                    return sawStop ? 2 : 1;
                },
                [&](int result) {
                    elsewhere = elsewhere || QThread::currentThread() != owner;
                    arrived << QStringLiteral("done %1").arg(result);
                });
            if (secondStarted) secondRunning.Pass();
            if (action == QLatin1String("wait")) {
                holdSecond.Open();
                second.Wait();
                // The result is here when Wait returns, while the first still holds.
                QVERIFY(arrived.contains(QStringLiteral("done 1")));
                QVERIFY(!first.Finished());
            } else if (action == QLatin1String("cancel")) {
                second.Cancel();
                holdSecond.Open();
            } else if (action == QLatin1String("stop")) {
                second.Stop();
                QVERIFY(second.Stopping());
                holdSecond.Open();
            } else {
                holdSecond.Open();
            }
            holdFirst.Open();
            // What is delivered has arrived, or what is not has ended, before the runner goes.
            if (action != QLatin1String("destroy"))
                QVERIFY(AwaitEventsUntil(
                    "both jobs ended and their results delivered",
                    [&] {
                        return first.Finished() && second.Finished() &&
                               (!delivered || arrived.size() == 3);
                    },
                    1000000));
        }
        QVERIFY(ProcessPendingEvents());
        QCOMPARE(secondRan.load(), ran);
        // Cancel stops the work too; a runner going cancels what runs, maybe after it looked.
        if (action != QLatin1String("destroy"))
            QCOMPARE(sawStop.load(), ran && action != QLatin1String("wait"));
        QVERIFY(!elsewhere);
        const QString result = sawStop ? QStringLiteral("done 2") : QStringLiteral("done 1");
        const QStringList expected = {QStringLiteral("post 1"), QStringLiteral("post 2"), result};
        QCOMPARE(arrived, delivered ? expected : QStringList());
    }

    // Save As and the dialogs ask for the shown photo's pixels at once: its decode does
    // not wait behind the neighbours' decodes, which hold both workers here.
    void finishNeverWaitsForOtherPhotos() {
        auto records = Records(pngs_, 300);
        TPhoto photo;
        TGate neighbours("the neighbours' decodes");
        TPhotoLoader loader(photo, FindIn(records));
        loader.SetInlinePixels(0);
        const QString shown = records[2]->FileName;
        loader.SetDecoder([&](const QString& path, const TLoadOptions& options) {
            if (path != shown) neighbours.Pass();
            return DecodeOriginal(path, options);
        });
        // Both workers take the first two photos and hold; the third is queued behind.
        loader.Show(Id(0), {Id(1)});
        loader.Show(Id(2), {Id(0), Id(1)});
        QVERIFY(photo.Pending());
        QVERIFY(loader.Waiting());
        loader.Finish();
        QVERIFY(!photo.Pending());
        QVERIFY(!loader.Waiting());
        QCOMPARE(CompareImages(photo.Rendered(), Exact(*records[2])), QString());
        QCOMPARE(loader.HeldNeighbours(), 0);
        neighbours.Open();
        QVERIFY(
            AwaitEventsUntil("both neighbours held", [&] { return loader.HeldNeighbours() == 2; }));
    }
};

QTEST_MAIN(TestPhotoLoader)
#include "test_photoloader.moc"
