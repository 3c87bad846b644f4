// The photo model: attaching records, loading, the display size, masks, saving, and
// renders on a worker.

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>
#include <memory>
#include <set>

#include "photos/OpenPhotos.h"
#include "photos/Photo.h"
#include "photos/settings/Names.h"
#include "photos/stages/Render.h"
#include "photos/stages/Resize.h"
#include "support/TestSupport.h"

using namespace vellumora;
using namespace vellumora::test;

class TestPhoto : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    QString masks_;

    QString SavePng(const QString& name, const QImage& image) {
        return test::SavePng(dir_.path(), name, image);
    }

private slots:
    void initTestCase() {
        QVERIFY(dir_.isValid());
        masks_ = dir_.filePath(QStringLiteral("masks"));
        QVERIFY(QDir().mkpath(masks_));
        SolidImage(10, 10, 0xFFFFFF).save(masks_ + QStringLiteral("/white.png"), "PNG");
    }

    void emptyPhotoReportsAZeroSizeChange() {
        TPhoto photo;
        QSignalSpy changed(&photo, &TPhoto::Changed);
        photo.SetZoom(200);
        QCOMPARE(changed.count(), 1);
        QCOMPARE(photo.DisplaySize(), QSize(0, 0));
        photo.Render();
        QCOMPARE(changed.count(), 2);
        QVERIFY(photo.Rendered().isNull());
    }

    void displaySizeTruncates_data() {
        QTest::addColumn<QSize>("picture");
        QTest::addColumn<int>("zoom");
        QTest::addColumn<QSize>("expected");
        QTest::newRow("33 percent") << QSize(1001, 500) << 33 << QSize(330, 165);
        QTest::newRow("50 percent") << QSize(641, 479) << 50 << QSize(320, 239);
        QTest::newRow("641 at 33") << QSize(641, 10) << 33 << QSize(211, 3);
        QTest::newRow("1600 percent") << QSize(641, 479) << 1600 << QSize(10256, 7664);
    }
    void displaySizeTruncates() {
        QFETCH(QSize, picture);
        QFETCH(int, zoom);
        QFETCH(QSize, expected);
        TPhotoInfo info(
            SavePng(QStringLiteral("zoom.png"), PatternImage(picture.width(), picture.height())));
        info.Max = 0;
        TPhoto photo;
        photo.AssignInfo(&info);
        QSignalSpy changed(&photo, &TPhoto::Changed);
        photo.SetZoom(zoom);
        QCOMPARE(changed.count(), 1);
        QCOMPARE(photo.Rendered().size(), picture);
        QCOMPARE(photo.DisplaySize(), expected);
        // The zoom belongs to the photo object: attaching another record keeps it.
        TPhotoInfo other(info.FileName);
        photo.AssignInfo(&other);
        QCOMPARE(photo.Zoom(), zoom);
    }

    void unreadablePhotoIsReportedOnce() {
        const QString missing = dir_.filePath(QStringLiteral("missing.jpg"));
        TPhotoInfo info(missing);
        TPhoto photo;
        QSignalSpy errors(&photo, &TPhoto::ErrorReported);
        QSignalSpy changed(&photo, &TPhoto::Changed);
        photo.AssignInfo(&info);
        QCOMPARE(errors.count(), 1);
        QCOMPARE(errors.first().first().toString(), QStringLiteral("Cannot open ") + missing + "!");
        QCOMPARE(changed.count(), 1);
        QCOMPARE(photo.Info(), &info);
        QVERIFY(photo.Rendered().isNull());
        QCOMPARE(photo.DisplaySize(), QSize(0, 0));

        const QString target = dir_.filePath(QStringLiteral("never.png"));
        QString reason;
        QVERIFY(!photo.SaveToFile(target, &reason));
        QVERIFY(!QFile::exists(target));
    }

    void detachingEmptiesTheView() {
        TPhotoInfo info(SavePng(QStringLiteral("detach.png"), PatternImage(30, 20)));
        info.MaskName = QStringLiteral("white.png");
        TPhoto photo;
        photo.SetMasksFolder(masks_);
        photo.AssignInfo(&info);
        QVERIFY(!photo.Original().isNull());
        QVERIFY(!photo.Mask().isNull());
        QSignalSpy changed(&photo, &TPhoto::Changed);
        photo.AssignInfo(nullptr);
        QCOMPARE(changed.count(), 1);
        QVERIFY(photo.Original().isNull());
        QVERIFY(photo.Mask().isNull());
        QVERIFY(photo.Rendered().isNull());
        QCOMPARE(photo.DisplaySize(), QSize(0, 0));
    }

    // Only a bare file name with an extension names a mask, and only inside the folder.
    void maskNames_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("loaded");
        QTest::newRow("plain") << "white.png" << true;
        QTest::newRow("no extension") << "white" << false;
        QTest::newRow("empty") << "" << false;
        QTest::newRow("dot at end") << "white." << false;
        QTest::newRow("folder part dropped") << "../../white.png" << true;
        QTest::newRow("windows path dropped") << "C:\\masks\\white.png" << true;
        QTest::newRow("outside file not reached") << "../outside.png" << false;
        QTest::newRow("a folder") << "sub.png" << false;
        QTest::newRow("not an image") << "text.png" << false;
    }
    void maskNames() {
        QFETCH(QString, name);
        QFETCH(bool, loaded);
        SolidImage(4, 4, 0xFFFFFF).save(dir_.filePath(QStringLiteral("outside.png")), "PNG");
        QDir(masks_).mkpath(QStringLiteral("sub.png"));
        WriteBytes(masks_, QStringLiteral("text.png"), "not an image at all");
        TPhotoInfo info(SavePng(QStringLiteral("masked.png"), PatternImage(8, 8)));
        info.MaskName = name;
        TPhoto photo;
        photo.SetMasksFolder(masks_);
        photo.AssignInfo(&info);
        QCOMPARE(!photo.Mask().isNull(), loaded);
    }

    // The record tells the photo nothing; the render takes the mask the record names then.
    // The row's steps run in order, then the photo renders: the mask it has then.
    void renderFollowsTheMaskName_data() {
        QTest::addColumn<QString>("change");
        QTest::addColumn<QString>("mask");  // expected: a file of masks_ or "other/..."
        QTest::newRow("name set, its folder dropped") << "set /anywhere/white.png"
                                                      << "white.png";
        QTest::newRow("name cleared") << "start white.png, set "
                                      << "";
        QTest::newRow("another name") << "start white.png, set black.png"
                                      << "black.png";
        QTest::newRow("the same name, the file replaced")
            << "start swapped.png, replace swapped.png, set swapped.png"
            << "swapped.png";
        QTest::newRow("the file replaced, no name set") << "start swapped.png, replace swapped.png"
                                                        << "swapped.png";
        QTest::newRow("another masks folder") << "start white.png, folder other"
                                              << "other/white.png";
        QTest::newRow("a copy changed, not the record") << "start white.png, copy black.png"
                                                        << "white.png";
    }
    void renderFollowsTheMaskName() {
        QFETCH(QString, change);
        QFETCH(QString, mask);
        SolidImage(6, 6, 0).save(masks_ + QStringLiteral("/black.png"), "PNG");
        SolidImage(3, 3, 0x808080).save(masks_ + QStringLiteral("/swapped.png"), "PNG");
        const QString other = dir_.filePath(QStringLiteral("other"));
        QVERIFY(QDir().mkpath(other));
        SolidImage(5, 7, 0xFFFFFF).save(other + QStringLiteral("/white.png"), "PNG");
        TPhotoInfo info(SavePng(QStringLiteral("reload.png"), PatternImage(8, 8)));
        TPhoto photo;
        photo.SetMasksFolder(masks_);
        photo.AssignInfo(&info);
        QVERIFY(photo.Mask().isNull());
        for (const QString& step : change.split(QStringLiteral(", "))) {
            const QString word = step.section(QLatin1Char(' '), 0, 0);
            const QString value = step.section(QLatin1Char(' '), 1);
            if (word == QLatin1String("start")) {
                info.MaskName = value;
                photo.Render();
                QVERIFY(!photo.Mask().isNull());
                QCOMPARE(photo.Mask(), LoadMaskFile(masks_, value));
            } else if (word == QLatin1String("set")) {
                info.SetMaskName(value);
            } else if (word == QLatin1String("replace")) {
                // Another picture under the name: another size, so another file stamp too.
                SolidImage(9, 4, 0x00FF00).save(masks_ + QLatin1Char('/') + value, "PNG");
            } else if (word == QLatin1String("folder")) {
                photo.SetMasksFolder(dir_.filePath(value));
            } else if (word == QLatin1String("copy")) {
                TPhotoInfo copy = info;
                copy.SetMaskName(value);
            }
        }
        photo.Render();
        const QString folder = mask.startsWith(QLatin1String("other/")) ? other : masks_;
        QCOMPARE(photo.Mask(), LoadMaskFile(folder, FileNamePart(mask)));
        QCOMPARE(photo.Mask().isNull(), mask.isEmpty());
        QCOMPARE(info.MaskName, mask.isEmpty() ? QString() : FileNamePart(mask));
    }

    // Nothing ties a record shown before to the photo: its mask name changing ("OK for All"
    // sets it on every open photo) loads nothing. The shown record's name set again, the
    // render looks at the file again and finds it gone.
    void onlyTheShownRecordReloadsTheMask() {
        const QString mask = SavePng(QStringLiteral("masks/soon-gone.png"), SolidImage(4, 4, 0));
        const QString file = SavePng(QStringLiteral("shown.png"), PatternImage(8, 8));
        TPhotoInfo earlier(file), shown(file);
        shown.MaskName = QStringLiteral("soon-gone.png");
        TPhoto photo;
        photo.SetMasksFolder(masks_);
        photo.AssignInfo(&earlier);
        photo.AssignInfo(&shown);
        QVERIFY(!photo.Mask().isNull());
        QVERIFY(QFile::remove(mask));  // a reload would now find no mask
        earlier.SetMaskName(QStringLiteral("soon-gone.png"));
        QVERIFY(!photo.Mask().isNull());
        shown.SetMaskName(QStringLiteral("soon-gone.png"));
        photo.Render();
        QVERIFY(photo.Mask().isNull());
    }

    void savesTheFullSizeRenderedPicture() {
        TPhotoInfo info(SavePng(QStringLiteral("save.png"), PatternImage(80, 60)));
        info.Max = 40;
        info.Rotate = 90;
        TPhoto photo;
        photo.AssignInfo(&info);
        photo.SetZoom(25);
        const QString target = dir_.filePath(QStringLiteral("saved.png"));
        QVERIFY(photo.SaveToFile(target));
        const QImage saved(target);
        QCOMPARE(saved.size(), QSize(30, 40));
        QCOMPARE(saved.convertToFormat(QImage::Format_RGB32), photo.Rendered());

        QString reason;
        QVERIFY(!photo.SaveToFile(dir_.filePath(QStringLiteral("no/such/folder/x.png")), &reason));
        QVERIFY(!reason.isEmpty());
    }
    // A photo that renders on a worker shows the sketch's preview at once, at the exact
    // picture's display size, and then the picture a render here gives; of edits made
    // in a row only the last one's picture ever shows, and nothing is saved before it.
    void workerRenderEqualsRenderHere_data() {
        QTest::addColumn<int>("edit");
        QTest::newRow("full size, bands, oval mask, shadow 20") << 0;
        QTest::newRow("crop, turn and mirror, 640 pixels") << 1;
        QTest::newRow("colour balance, negative") << 2;
    }
    void workerRenderEqualsRenderHere() {
        QFETCH(int, edit);
        const QImage original = PatternImage(300, 200);
        SolidImage(60, 40, 0xFFFFFF).save(masks_ + QStringLiteral("/oval.png"), "PNG");
        TPhotoInfo info(SavePng(QStringLiteral("worker.png"), original));
        TPhoto photo;
        photo.SetMasksFolder(masks_);
        photo.RenderElsewhere(0);
        const QImage sketch = ResampleBitmap(original, QSize(75, 50));
        photo.AssignDecoded(&info, {original, {}, {}}, sketch);
        QVERIFY(AwaitEventsUntil("the first picture", [&] { return photo.Exact(); }));
        QVector<QImage> shown;
        connect(&photo, &TPhoto::Changed, this, [&](TPhoto* sender) {
            if (sender->Exact()) shown << sender->Rendered();
        });

        // Two edits in a row: the first one's picture is never shown.
        info.Max = 0;
        info.Rotate = 1;
        photo.Render();
        switch (edit) {
            case 0:
                info.SetMaskName(QStringLiteral("oval.png"));
                info.Outside.Width = 10;
                info.Inside.Width = 4;
                info.Radius = 20;
                info.Offset = 6;
                break;
            case 1:
                info.Crop = {20, 10, 260, 190};
                info.Rotate = 5;
                info.Max = 640;
                break;
            case 2:
                info.Contrast = 30;
                info.Red = -20;
                info.Negative = true;
                break;
        }
        photo.Render();
        QVERIFY(photo.Rendering());
        const QImage exact = RenderChain(original, info, LoadMaskFile(masks_, info.MaskName));
        QVERIFY(!exact.isNull());
        QCOMPARE(photo.PictureSize(), exact.size());
        QVERIFY(!photo.Rendered().isNull());
        QString why;
        QVERIFY(!photo.SaveToFile(dir_.filePath(QStringLiteral("early.png")), &why));
        QCOMPARE(why, QStringLiteral("the photo is still being rendered"));

        QVERIFY(AwaitEventsUntil("the exact picture", [&] { return photo.Exact(); }));
        QCOMPARE(shown.size(), 1);
        QCOMPARE(CompareImages(shown[0], exact), QString());
        QCOMPARE(photo.DisplaySize(), exact.size());

        // What needs the pixels waits for them.
        photo.Render();
        QVERIFY(photo.Rendering());
        photo.FinishRender();
        QVERIFY(photo.Exact());
        QCOMPARE(CompareImages(photo.Rendered(), exact), QString());
    }

    // Closing a photo is one call on the open photos: its record, history and decodes go,
    // the others keep their names and histories, the current one moves as the strip
    // shows it, and followers hear of it in order. Undo Close, after another photo was
    // opened, gives back the photos as they were, that one behind them.
    void closingAPhotoIsOneCall_data() {
        QTest::addColumn<int>("current");
        QTest::addColumn<int>("close");  // -1: all
        QTest::addColumn<int>("after");  // the current index afterwards
        QTest::addColumn<QStringList>("heard");
        QTest::addColumn<QStringList>("heardBack");  // on Undo Close
        QTest::newRow("current in the middle: the next")
            << 1 << 1 << 1 << QStringList{"closed 1", "current 1"}
            << QStringList{"added 1", "current 1"};
        QTest::newRow("current last: the one before")
            << 3 << 3 << 2 << QStringList{"closed 3", "current 2"}
            << QStringList{"added 3", "current 3"};
        QTest::newRow("before the current")
            << 2 << 0 << 1 << QStringList{"closed 0"} << QStringList{"added 0"};
        QTest::newRow("after the current")
            << 0 << 2 << 0 << QStringList{"closed 2"} << QStringList{"added 2"};
        QTest::newRow("all") << 2 << -1 << -1 << QStringList{"all closed", "current -1"}
                             << QStringList{"added 0", "added 1", "added 2", "added 3",
                                            "current 2"};
    }
    void closingAPhotoIsOneCall() {
        QFETCH(int, current);
        QFETCH(int, close);
        QFETCH(int, after);
        QFETCH(QStringList, heard);
        QFETCH(QStringList, heardBack);
        TOpenPhotos photos;
        QStringList said;
        connect(&photos, &TOpenPhotos::Added, this,
                [&](int i) { said << QStringLiteral("added %1").arg(i); });
        connect(&photos, &TOpenPhotos::Closed, this,
                [&](int i) { said << QStringLiteral("closed %1").arg(i); });
        connect(&photos, &TOpenPhotos::AllClosed, this,
                [&] { said << QStringLiteral("all closed"); });
        connect(&photos, &TOpenPhotos::CurrentChanged, this,
                [&](int i) { said << QStringLiteral("current %1").arg(i); });
        std::vector<TPhotoId> ids;
        QStringList paths;
        const int plainMax = TPhotoInfo().Max;
        for (int i = 0; i < 4; ++i) {
            paths << SavePng(QStringLiteral("open%1.png").arg(i), SolidImage(20 + i, 10, 0x808080));
            auto record = std::make_unique<TPhotoInfo>(paths.last());
            TPhotoInfo* added = record.get();
            QCOMPARE(photos.Add(std::move(record)), i);
            ids.push_back(photos.Id(i));
            // Each photo has a step to undo.
            const TPhotoInfo before = *added;
            added->Max = 100 + i;
            photos.History().Record(photos.Id(i), before, QStringLiteral("Resize"));
        }
        QVERIFY(!photos.CanUndoClose());
        QCOMPARE(std::set<TPhotoId>(ids.begin(), ids.end()).size(), size_t(4));
        photos.SetCurrent(current);
        QCOMPARE(photos.Photo().Info(), photos.Record(current));
        said.clear();

        if (close < 0)
            photos.CloseAll();
        else
            photos.Close(close);
        QCOMPARE(said, heard);
        QCOMPARE(photos.Current(), after);
        QCOMPARE(photos.Photo().Info(), photos.Record(after));
        if (after >= 0) QVERIFY(!photos.Photo().Pending());
        QCOMPARE(photos.Count(), close < 0 ? 0 : 3);
        for (int i = 0, kept = 0; close >= 0 && i < 4; ++i) {
            if (i == close) {
                QCOMPARE(photos.IndexOf(ids[i]), -1);
                continue;
            }
            // The others keep their names, their order and their histories.
            QCOMPARE(photos.IndexOf(ids[i]), kept);
            QCOMPARE(photos.Record(kept)->Max, 100 + i);
            QCOMPARE(photos.History().UndoText(ids[i]), QStringLiteral("Resize"));
            ++kept;
        }
        // The closed photo's steps went with it.
        if (close >= 0) QVERIFY(!photos.History().CanUndo(ids[close]));
        // A photo opened later never takes a closed one's name.
        photos.Add(std::make_unique<TPhotoInfo>());
        const TPhotoId later = photos.Id(photos.Count() - 1);
        QVERIFY(std::find(ids.begin(), ids.end(), later) == ids.end());

        // Every photo brought back asks for its thumbnail again, the current one from its
        // original.
        std::set<int> thumbnails;
        connect(&photos, &TOpenPhotos::ThumbnailReady, this,
                [&](int i, const QImage&) { thumbnails.insert(i); });
        said.clear();
        QVERIFY(photos.CanUndoClose());
        photos.UndoClose();
        QVERIFY(!photos.CanUndoClose());
        QCOMPARE(said, heardBack);
        QCOMPARE(photos.Count(), 5);
        QCOMPARE(photos.Current(), current);
        QCOMPARE(photos.Photo().Info(), photos.Record(current));
        QVERIFY(!photos.Photo().Pending());
        for (int i = 0; i < 4; ++i) {
            QCOMPARE(photos.IndexOf(ids[i]), i);
            QCOMPARE(photos.Record(i)->FileName, paths[i]);
            QCOMPARE(photos.Record(i)->Max, 100 + i);
            QCOMPARE(photos.History().UndoText(ids[i]), QStringLiteral("Resize"));
        }
        QCOMPARE(photos.IndexOf(later), 4);
        // The step made before the close still undoes, and redoes.
        const int undone = close < 0 ? current : close;
        photos.History().Undo(ids[undone]);
        QCOMPARE(photos.Record(undone)->Max, plainMax);
        photos.History().Redo(ids[undone]);
        QCOMPARE(photos.Record(undone)->Max, 100 + undone);
        const std::set<int> back = close < 0 ? std::set<int>{0, 1, 2, 3} : std::set<int>{close};
        QVERIFY(AwaitEventsUntil("the thumbnails of the photos brought back", [&] {
            return std::includes(thumbnails.begin(), thumbnails.end(), back.begin(), back.end());
        }));
    }

    // Closes are taken back the last first, a Close All as one; the oldest of more than
    // are kept is forgotten.
    void closesAreTakenBackLastFirst() {
        TOpenPhotos photos;
        const int count = TOpenPhotos::kClosesKept + 2;
        const QString path = SavePng(QStringLiteral("many.png"), SolidImage(12, 10, 0x406080));
        std::vector<TPhotoId> ids;
        for (int i = 0; i < count; ++i) {
            photos.Add(std::make_unique<TPhotoInfo>(path));
            ids.push_back(photos.Id(i));
        }
        const auto order = [&photos] {
            std::vector<TPhotoId> open;
            for (int i = 0; i < photos.Count(); ++i) open.push_back(photos.Id(i));
            return open;
        };
        photos.SetCurrent(5);
        photos.Close(5);
        photos.Close(0);
        photos.CloseAll();
        QCOMPARE(photos.Count(), 0);
        photos.UndoClose();
        QCOMPARE(photos.Count(), count - 2);
        QCOMPARE(photos.IndexOf(ids[0]), -1);
        QCOMPARE(photos.IndexOf(ids[1]), 0);
        photos.UndoClose();
        QCOMPARE(photos.IndexOf(ids[0]), 0);
        QCOMPARE(photos.IndexOf(ids[5]), -1);
        photos.UndoClose();
        QCOMPARE(order(), ids);
        QCOMPARE(photos.Current(), 5);
        QVERIFY(!photos.CanUndoClose());

        for (int i = 0; i <= TOpenPhotos::kClosesKept; ++i) photos.Close(0);
        for (int i = 0; i < TOpenPhotos::kClosesKept; ++i) {
            QVERIFY(photos.CanUndoClose());
            photos.UndoClose();
        }
        QVERIFY(!photos.CanUndoClose());
        QCOMPARE(order(), std::vector<TPhotoId>(ids.begin() + 1, ids.end()));
    }
};

QTEST_GUILESS_MAIN(TestPhoto)
#include "test_photo.moc"
