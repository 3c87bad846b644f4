// The crop dialog's plain logic: the zones under the pointer, drags, ratios and Auto Crop,
// and the dialog's two pictures against the render chain.

#include <QRect>
#include <QTest>
#include <climits>
#include <cstdlib>

#include "forms/crop/CropGeometry.h"
#include "photos/stages/Render.h"
#include "photos/stages/Stages.h"
#include "support/RectSupport.h"
#include "support/TestSupport.h"

using namespace vellumora;
using R = TRect;
using Path = QList<QPoint>;

namespace {

constexpr QSize kPicture(433, 289);

}  // namespace

class TestCropGeometry : public QObject {
    Q_OBJECT

private slots:
    void hitTest_data() {
        QTest::addColumn<R>("selection");
        QTest::addColumn<QPoint>("point");
        QTest::addColumn<int>("zone");
        const auto row = [](const char* name, R selection, QPoint point, int zone) {
            QTest::newRow(name) << selection << point << zone;
        };
        const R s{10, 20, 110, 70};  // 100 x 50
        row("3 inside the top-left corner", s, {13, 23}, 0);
        row("middle", s, {60, 45}, 4);
        row("left edge 4 in", s, {14, 45}, 3);
        row("top-right corner", s, {109, 20}, 2);
        row("bottom edge", s, {60, 66}, 7);
        row("right side is outside", s, {110, 45}, -1);
        row("8 high: inside row", {0, 0, 100, 8}, {50, 4}, 4);
        row("8 wide: right edge", {0, 0, 8, 100}, {4, 50}, 5);
        row("inverted: no inside", {110, 70, 10, 20}, {60, 45}, -1);
    }
    void hitTest() {
        QFETCH(R, selection);
        QFETCH(QPoint, point);
        QFETCH(int, zone);
        QCOMPARE(HitTest(selection, point), zone);
        // On a picture drawn twice as large, every box pixel of the point is in that zone.
        const QSize twice = kPicture * 2;
        for (const QPoint d : {QPoint(0, 0), QPoint(1, 0), QPoint(0, 1), QPoint(1, 1)})
            QCOMPARE(HitTestOnBox(selection, point * 2 + d, kPicture, twice), zone);
    }

    // Where the picture lands in a photo panel of any size, and a selection with it: the
    // default panel draws it as it is, a larger one scales it up by the room on its
    // shorter side. Points on the box come back to the selection's own corners, and each
    // handle, pressed at its centre, acts on the zone it marks.
    void onTheBox_data() {
        QTest::addColumn<QSize>("picture");
        QTest::addColumn<QSize>("panel");
        QTest::addColumn<R>("selection");
        QTest::addColumn<QRect>("box");
        QTest::addColumn<QRect>("drawn");
        const auto row = [](const char* name, QSize picture, QSize panel, R selection, QRect box,
                            QRect drawn) {
            QTest::newRow(name) << picture << panel << selection << box << drawn;
        };
        const R s{50, 40, 150, 120};
        row("default", kPicture, {449, 457}, s, {8, 88, 433, 289}, {50, 40, 100, 80});
        row("portrait", {289, 433}, {449, 457}, s, {80, 16, 289, 433}, {50, 40, 100, 80});
        row("doubled", kPicture, {882, 890}, s, {8, 160, 866, 578}, {100, 80, 200, 160});
        row("doubled, inverted", kPicture, {882, 890}, {150, 120, 50, 40}, {8, 160, 866, 578},
            {100, 80, 200, 160});
        row("taller only: top, own size", kPicture, {449, 600}, s, {8, 88, 433, 289},
            {50, 40, 100, 80});
        row("wider only: own size", kPicture, {900, 457}, s, {233, 88, 433, 289},
            {50, 40, 100, 80});
        row("not a whole factor", kPicture, {666, 674}, {0, 0, 433, 289}, {8, 124, 650, 434},
            {0, 0, 650, 434});
    }
    void onTheBox() {
        QFETCH(QSize, picture);
        QFETCH(QSize, panel);
        QFETCH(R, selection);
        QFETCH(QRect, box);
        QFETCH(QRect, drawn);
        QCOMPARE(PictureBox(picture, panel, 433), box);
        QCOMPARE(PictureToBox(selection, picture, box.size()), drawn);
        const R n = Normalised(selection);
        QCOMPARE(BoxToPicture(drawn.topLeft(), picture, box.size()), QPoint(n.Left, n.Top));
        QCOMPARE(BoxToPicture(drawn.bottomRight() + QPoint(1, 1), picture, box.size()),
                 QPoint(n.Right, n.Bottom));
        const std::array<QRect, 8> handles = HandleRects(drawn, 7);
        const int zones[8] = {0, 1, 2, 3, 5, 6, 7, 8};
        for (int i = 0; i < 8; ++i) {
            QCOMPARE(handles[i].size(), QSize(7, 7));
            QCOMPARE(HitTestOnBox(n, handles[i].center(), picture, box.size()), zones[i]);
        }
    }

    // The selection label: the crop's size as the user sees the photo, cut to the photo.
    void selectionText_data() {
        QTest::addColumn<R>("crop");
        QTest::addColumn<int>("rotate");
        QTest::addColumn<QString>("text");
        const auto row = [](const char* name, R crop, int rotate, const char* text) {
            QTest::newRow(name) << crop << rotate << QString::fromUtf8(text);
        };
        row("nothing", {}, 0, "Whole photo");
        row("no height", {10, 10, 500, 10}, 0, "Whole photo");
        row("3 : 2", {100, 100, 1300, 900}, 0, "1200 × 800 pixels, 3 : 2");
        row("large terms", {0, 0, 1201, 800}, 0, "1201 × 800 pixels, 1.50 : 1");
        row("turned", {100, 100, 1300, 900}, 90, "800 × 1200 pixels, 2 : 3");
        row("turned, large terms", {0, 0, 1201, 800}, -270, "800 × 1201 pixels, 1 : 1.50");
        row("mirrored keeps the size", {0, 0, 400, 300}, -180, "400 × 300 pixels, 4 : 3");
        row("inverted, past the photo", {1700, 1300, 1500, -50}, 0, "100 × 1200 pixels, 1 : 12");
        row("wholly outside", {2000, 0, 2100, 100}, 0, "Whole photo");
    }
    void selectionText() {
        QFETCH(R, crop);
        QFETCH(int, rotate);
        QFETCH(QString, text);
        QCOMPARE(SelectionText(crop, {1600, 1200}, rotate), text);
    }

    void applyRatio_data() {
        QTest::addColumn<R>("selection");
        QTest::addColumn<int>("zone");
        QTest::addColumn<int>("ratio");
        QTest::addColumn<R>("expected");
        const auto row = [](const char* name, R selection, int zone, int ratio, R expected) {
            QTest::newRow(name) << selection << zone << ratio << expected;
        };
        row("3 * 4 on 200 x 200", {100, 100, 300, 300}, 4, 2, {100, 125, 300, 275});
        row("4 * 3, right edge at 120 wide", {100, 100, 220, 220}, 5, 6, {100, 80, 220, 240});
        row("Original", {100, 100, 300, 300}, 4, 1, {100, 133, 300, 266});
        row("new, drawn up-left", {110, 110, 10, 10}, -1, 2, {110, 110, 10, 35});
        row("top edge decides the width", {0, 0, 100, 60}, 1, 6, {27, 0, 72, 60});
        row("odd change, exact size", {0, 0, 200, 201}, 4, 2, {0, 25, 200, 175});
    }
    void applyRatio() {
        QFETCH(R, selection);
        QFETCH(int, zone);
        QFETCH(int, ratio);
        QFETCH(R, expected);
        QCOMPARE(ApplyRatio(selection, zone, RatioUnits(ratio, kPicture)), expected);
    }

    // Every ratio and zone, upright and inverted: the proportion holds to the unit, a
    // dragged edge keeps its dimension, a corner only shrinks, the sides not dragged stay
    // and a middle row or column keeps its centre.
    void applyRatioEveryZone() {
        for (int ratio = 1; ratio < kRatioCount; ++ratio)
            for (int zone = -1; zone <= 8; ++zone)
                for (const R& s : {R{40, 30, 240, 190}, R{240, 190, 40, 30}, R{50, 20, 90, 301}}) {
                    const QSize units = RatioUnits(ratio, kPicture);
                    const qint64 a = units.width(), b = units.height();
                    const R r = ApplyRatio(s, zone, units);
                    const qint64 w0 = std::abs(s.Right - s.Left), h0 = std::abs(s.Bottom - s.Top);
                    const qint64 w = std::abs(r.Right - r.Left), h = std::abs(r.Bottom - r.Top);
                    const int column = zone < 0 ? 2 : zone % 3, row = zone < 0 ? 2 : zone / 3;
                    const bool edge = (column == 1) != (row == 1);
                    const bool ok =
                        std::abs(w * b - h * a) < qMax(a, b) &&
                        (edge ? (column == 1 ? h == h0 : w == w0) : w <= w0 && h <= h0) &&
                        (r.Right >= r.Left) == (s.Right >= s.Left) &&
                        (column != 0 || r.Right == s.Right) && (column != 2 || r.Left == s.Left) &&
                        (row != 0 || r.Bottom == s.Bottom) && (row != 2 || r.Top == s.Top) &&
                        (column != 1 || std::abs(r.Left + r.Right - s.Left - s.Right) <= 1) &&
                        (row != 1 || std::abs(r.Top + r.Bottom - s.Top - s.Bottom) <= 1);
                    if (!ok)
                        QFAIL(qPrintable(QStringLiteral("ratio %1 zone %2 from %3 gave %4")
                                             .arg(ratio)
                                             .arg(zone)
                                             .arg(RectText(s), RectText(r))));
                }
    }

    // The press point, then the pointer's steps.
    void drag_data() {
        QTest::addColumn<R>("selection");
        QTest::addColumn<int>("zone");
        QTest::addColumn<int>("ratio");
        QTest::addColumn<Path>("path");
        QTest::addColumn<R>("expected");
        const auto row = [](const char* name, R selection, int zone, int ratio, Path path,
                            R expected) {
            QTest::newRow(name) << selection << zone << ratio << path << expected;
        };
        // 200 x 133 is not quite the 433 x 289 picture's proportion; a move must not shave
        // it down a pixel at a time.
        row("move keeps the size, Original", {100, 100, 300, 233}, 4, 1,
            {{150, 150}, {155, 153}, {153, 160}, {170, 140}}, {120, 90, 320, 223});
        row("corner keeps the ratio", {10, 10, 110, 85}, 8, 2, {{109, 84}, {150, 150}},
            {10, 10, 150, 115});
        row("move stops at the 32-bit end", {INT_MAX - 10, 0, INT_MAX - 5, 5}, 4, 0,
            {{0, 0}, {100, 0}}, {INT_MAX - 5, 0, INT_MAX, 5});
    }
    void drag() {
        QFETCH(R, selection);
        QFETCH(int, zone);
        QFETCH(int, ratio);
        QFETCH(Path, path);
        QFETCH(R, expected);
        for (int i = 1; i < path.size(); ++i)
            selection =
                DragSelection(selection, zone, path[i - 1], path[i], RatioUnits(ratio, kPicture));
        QCOMPARE(selection, expected);
    }

    void autoCrop_data() {
        QTest::addColumn<R>("selection");
        QTest::addColumn<QSize>("picture");
        QTest::addColumn<R>("expected");
        const auto row = [](const char* name, R selection, QSize picture, R expected) {
            QTest::newRow(name) << selection << picture << expected;
        };
        row("100 x 50 in 400 x 300", {0, 0, 100, 50}, {400, 300}, {0, 50, 400, 250});
        row("tall", {7, 7, 57, 107}, {400, 300}, {125, 0, 275, 300});
        row("inverted", {100, 50, 0, 0}, {400, 300}, {0, 50, 400, 250});
        row("empty stays empty", {5, 5, 5, 40}, {400, 300}, {});
        row("odd margins drop halves to the top left", {0, 0, 3, 2}, {401, 301}, {0, 17, 401, 284});
        row("the widest selection", {INT_MIN, 0, INT_MAX, 1}, {400, 300}, {0, 150, 400, 150});
    }
    void autoCrop() {
        QFETCH(R, selection);
        QFETCH(QSize, picture);
        QFETCH(R, expected);
        QCOMPARE(AutoCrop(selection, picture), expected);
    }

    // The dialog's pictures are the render chain's: the whole photo at 433, the crop at
    // 117. The preview never keeps a window into the original.
    void pictures_data() {
        QTest::addColumn<int>("code");
        QTest::addColumn<R>("crop");
        QTest::addColumn<bool>("keep");
        QTest::addColumn<int>("contrast");
        QTest::newRow("whole") << 0 << R{} << true << 0;
        QTest::newRow("past the edge, -90") << -90 << R{250, 150, 400, 300} << false << 0;
        QTest::newRow("small, kept") << 0 << R{10, 10, 60, 40} << true << 0;
        QTest::newRow("small, enlarged, 180") << 180 << R{10, 10, 60, 40} << false << 30;
    }
    void pictures() {
        QFETCH(int, code);
        QFETCH(R, crop);
        QFETCH(bool, keep);
        QFETCH(int, contrast);
        const QImage original = test::PatternImage(300, 200);
        TPhotoInfo info;
        info.Rotate = code;
        info.Keep = keep;
        info.Contrast = contrast;
        info.Max = 433;
        const QImage picture = MakeCropPicture(original, info, 433);
        QCOMPARE(picture, RenderChain(original, info, QImage()));
        QCOMPARE(CropPictureSize(original.size(), info, 433), picture.size());
        QCOMPARE(CropPictureSize({}, info, 433), MakeCropPicture({}, info, 433).size());
        info.Crop = crop;
        info.Max = 117;
        const QImage preview = MakeCropPreview(original, info, crop, 117);
        QCOMPARE(preview, RenderChain(original, info, QImage()));
        const uchar* begin = original.constBits();
        QVERIFY(preview.constBits() < begin ||
                preview.constBits() >= begin + original.sizeInBytes());
    }
};

QTEST_GUILESS_MAIN(TestCropGeometry)
#include "test_cropgeometry.moc"
