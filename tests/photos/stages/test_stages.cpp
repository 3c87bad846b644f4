// The geometric and colour stages, the chain that runs them, and the thumbnails of the lists.

#include <QColorSpace>
#include <QTemporaryDir>
#include <QTest>
#include <atomic>
#include <climits>
#include <cmath>
#include <cstring>
#include <limits>
#include <stdexcept>
#include <vector>

#include "codec/Codec.h"
#include "codec/JpegStream.h"
#include "photos/stages/Render.h"
#include "photos/stages/Stages.h"
#include "photos/stages/StreamRender.h"
#include "photos/stages/Thumbnail.h"
#include "support/BandSupport.h"
#include "support/MadeFiles.h"
#include "support/RectSupport.h"
#include "support/TestSupport.h"

using namespace vellumora;
using namespace vellumora::test;

namespace {

constexpr int kCodes[] = {0, 90, 180, 270, -90, -180, -270, -360};

// Where result pixel (x, y) of an orientation comes from, straight from the code's
// definition on a W x H source.
QPoint SourceOf(int code, int x, int y, int w, int h) {
    switch (code) {
        case 90:
            return {w - 1 - y, x};
        case 180:
            return {w - 1 - x, h - 1 - y};
        case 270:
            return {y, h - 1 - x};
        case -180:
            return {w - 1 - x, y};
        case -360:
            return {x, h - 1 - y};
        case -270:
            return {y, x};
        case -90:
            return {w - 1 - y, h - 1 - x};
        default:
            return {x, y};
    }
}

// The exact mean of the source area one output pixel of a w x h -> ow x oh shrink covers.
double AreaMean(const QImage& src, int ox, int oy, int ow, int oh, int shift) {
    const double sx = double(src.width()) / ow;
    const double sy = double(src.height()) / oh;
    const double x0 = ox * sx, x1 = (ox + 1) * sx, y0 = oy * sy, y1 = (oy + 1) * sy;
    double sum = 0, area = 0;
    for (int y = int(y0); y < std::ceil(y1) && y < src.height(); ++y) {
        const double hy = std::min(y1, y + 1.0) - std::max(y0, double(y));
        for (int x = int(x0); x < std::ceil(x1) && x < src.width(); ++x) {
            const double wx = std::min(x1, x + 1.0) - std::max(x0, double(x));
            sum += hy * wx * ((src.pixel(x, y) >> shift) & 255);
            area += hy * wx;
        }
    }
    return sum / area;
}

double MeanChannel(const QImage& image, int shift) {
    double sum = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) sum += (image.pixel(x, y) >> shift) & 255;
    return sum / (double(image.width()) * image.height());
}

// A picture with smooth gradients and hard edges, so that both show in the resampling.
QImage NoisyImage(int w, int h, quint32 seed) {
    QImage image = PatternImage(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            seed = seed * 1664525u + 1013904223u;
            if ((seed >> 28) == 0)
                image.setPixel(x, y, qRgb(seed >> 8 & 255, seed >> 16 & 255, 255));
        }
    return image;
}

// The settings the streamed render is held to the whole chain with, by name.
TPhotoInfo StreamSettings(const QString& name) {
    TPhotoInfo info;
    info.Max = 0;
    if (name == QLatin1String("whole")) return info;
    if (name == QLatin1String("odd crop")) {
        info.Crop = {37, 21, 250, 180};  // odd corners, odd sides
    } else if (name == QLatin1String("quarter crop")) {
        info.Crop = {75, 50, 226, 152};
        info.Max = 97;
    } else if (name == QLatin1String("corner quarter")) {
        info.Crop = {150, 101, 400, 400};  // cut to the picture at the bottom right
        info.Max = 61;
    } else if (name == QLatin1String("shrink odd")) {
        info.Max = 97;
    } else if (name == QLatin1String("shrink to 1")) {
        info.Max = 1;
    } else if (name == QLatin1String("enlarge")) {
        info.Max = 451;
        info.Keep = false;
    } else if (name == QLatin1String("kept small")) {
        info.Max = 451;
        info.Keep = true;
    } else if (name == QLatin1String("crop enlarged")) {
        info.Crop = {13, 7, 40, 30};
        info.Max = 200;
        info.Keep = false;
    } else if (name == QLatin1String("everything")) {
        // Every stage after the resize, on a cropped, shrunk and turned picture.
        info.Crop = {11, 9, 280, 190};
        info.Max = 120;
        info.Rotate = 270;
        info.Contrast = 20;
        info.Brightness = -10;
        info.Red = 15;
        info.Blue = -20;
        info.Watermark = QStringLiteral("Streamed");
        info.Font.Height = -14;
        info.Opacity = 60;
        info.MaskName = QStringLiteral("pattern");  // the test passes the mask itself
        info.Outside = {5, 0x203040};
        info.Inside = {3, 0xC0C0C0};
        info.Radius = 6;
        info.Offset = 4;
    } else if (name == QLatin1String("grey negative")) {
        info.Max = 150;
        info.Rotate = -90;
        info.Grayscale = true;
        info.Negative = true;
    }
    return info;
}

}  // namespace

class TestStages : public QObject {
    Q_OBJECT

private slots:
    void cropKeepsTheCutRectangle_data() {
        QTest::addColumn<TRect>("crop");
        QTest::addColumn<QRect>("expected");  // in source pixels; null = unchanged
        QTest::newRow("inside") << TRect{10, 20, 110, 70} << QRect(10, 20, 100, 50);
        QTest::newRow("partly outside") << TRect{150, 50, 300, 300} << QRect(150, 50, 50, 50);
        QTest::newRow("negative corner") << TRect{-5, -5, 20, 10} << QRect(0, 0, 20, 10);
        QTest::newRow("all zero") << TRect{0, 0, 0, 0} << QRect();
        QTest::newRow("wholly outside") << TRect{300, 0, 400, 50} << QRect();
        QTest::newRow("inverted") << TRect{50, 50, 40, 60} << QRect();
        QTest::newRow("32-bit extremes")
            << TRect{std::numeric_limits<int>::min(), std::numeric_limits<int>::min(),
                     std::numeric_limits<int>::max(), std::numeric_limits<int>::max()}
            << QRect();
        QTest::newRow("one pixel") << TRect{199, 99, 200, 100} << QRect(199, 99, 1, 1);
    }
    void cropKeepsTheCutRectangle() {
        QFETCH(TRect, crop);
        QFETCH(QRect, expected);
        const QImage source = PatternImage(200, 100);
        const QImage result = CropBitmap(source, crop);
        const QRect area = expected.isNull() ? source.rect() : expected;
        QCOMPARE(result.size(), area.size());
        QCOMPARE(CroppedSize(source.size(), crop), area.size());
        for (int y = 0; y < area.height(); ++y)
            for (int x = 0; x < area.width(); ++x)
                QCOMPARE(PixelRgb(result, x, y), PixelRgb(source, x + area.left(), y + area.top()));
    }

    void orientMovesEveryPixel_data() {
        QTest::addColumn<int>("code");
        QTest::addColumn<QSize>("size");
        for (int code : kCodes) {
            QTest::addRow("%d on 3x2", code) << code << QSize(3, 2);
            QTest::addRow("%d on 1x1", code) << code << QSize(1, 1);
            // Larger than the blocks the transposing copy walks in.
            QTest::addRow("%d on 131x70", code) << code << QSize(131, 70);
            QTest::addRow("%d on 200x1", code) << code << QSize(200, 1);
        }
    }
    void orientMovesEveryPixel() {
        QFETCH(int, code);
        QFETCH(QSize, size);
        const QImage source = PatternImage(size.width(), size.height());
        const QImage result = OrientBitmap(source, code);
        const bool swapped = std::abs(code) == 90 || std::abs(code) == 270;
        QCOMPARE(result.size(), swapped ? size.transposed() : size);
        QCOMPARE(OrientedSize(size, code), result.size());
        QCOMPARE(OrientBitmap(result, InverseOrientation(code)), source);
        QCOMPARE(DiffWithBands([&] { return OrientBitmap(source, code); }), QString());
        for (int y = 0; y < result.height(); ++y)
            for (int x = 0; x < result.width(); ++x) {
                const QPoint from = SourceOf(code, x, y, size.width(), size.height());
                QCOMPARE(PixelRgb(result, x, y), PixelRgb(source, from.x(), from.y()));
                // A rectangle goes where its pixels go.
                QCOMPARE(OrientRect({from.x(), from.y(), from.x() + 1, from.y() + 1}, size, code),
                         (TRect{x, y, x + 1, y + 1}));
            }
    }

    void orientIgnoresUnknownCodes() {
        const QImage source = PatternImage(5, 3);
        for (int code : {1, 45, -45, 360, 450, std::numeric_limits<int>::min()}) {
            QCOMPARE(OrientBitmap(source, code), source);
            QVERIFY(!IsOrientationCode(code));
            QCOMPARE(RotateClockwise(code), code);
            QCOMPARE(FlipVertically(code), code);
        }
    }

    // Each action's new code must show the old result turned or mirrored once more.
    void actionsComposeWithTheirOwnCode() {
        const QImage source = PatternImage(7, 4);
        const struct {
            int (*action)(int);
            int own;
        } actions[] = {{RotateClockwise, 270},
                       {RotateCounterClockwise, 90},
                       {FlipHorizontally, -180},
                       {FlipVertically, -360}};
        for (int code : kCodes)
            for (const auto& a : actions) {
                const int next = a.action(code);
                QVERIFY(IsOrientationCode(next));
                QCOMPARE(OrientBitmap(source, next),
                         OrientBitmap(OrientBitmap(source, code), a.own));
            }
    }

    void actionsReturnToTheStart() {
        for (int code : kCodes) {
            QCOMPARE(RotateClockwise(RotateClockwise(RotateClockwise(RotateClockwise(code)))),
                     code);
            QCOMPARE(FlipHorizontally(FlipHorizontally(code)), code);
            QCOMPARE(RotateCounterClockwise(RotateClockwise(code)), code);
        }
        QCOMPARE(FlipVertically(FlipHorizontally(0)), 180);
        // Four quarter turns of the pixels give the original.
        const QImage source = PatternImage(9, 5);
        QImage turned = source;
        for (int i = 0; i < 4; ++i) turned = OrientBitmap(turned, 270);
        QCOMPARE(turned, source);
    }

    void mapRect_data() {
        QTest::addColumn<TRect>("r");
        QTest::addColumn<QSize>("source");
        QTest::addColumn<int>("a");
        QTest::addColumn<int>("b");
        QTest::addColumn<QSize>("target");
        QTest::addColumn<TRect>("expected");
        const auto row = [](const char* name, TRect r, QSize source, int a, int b, QSize target,
                            TRect expected) {
            QTest::newRow(name) << r << source << a << b << target << expected;
        };
        row("90: left quarter, top quarter", {0, 0, 75, 400}, {300, 400}, 0, 90, {800, 600},
            {0, 0, 800, 150});
        row("-180: left, right", {0, 0, 100, 300}, {400, 300}, 0, -180, {800, 600},
            {600, 0, 800, 600});
        row("halves to even, smaller axis", {1, 3, 5, 7}, {200, 200}, 0, 0, {100, 120},
            {0, 2, 2, 4});
        // 0.433 as a float is a hair below it: 1500 times it is not quite 649.5.
        row("float scale", {1500, 0, 1500, 0}, {1000, 1000}, 0, 0, {433, 433}, {649, 0, 649, 0});
        row("empty frame", {1, 2, 3, 4}, {0, 0}, 0, 0, {9, 9}, {});
        row("unknown code is 0", {1, 2, 3, 4}, {10, 10}, 45, 0, {10, 10}, {1, 2, 3, 4});
        row("32-bit ends do not wrap", {INT_MIN, 0, INT_MAX, 10}, {100, 100}, 180, 0, {200, 200},
            {INT_MIN, 180, INT_MAX, 200});
    }
    void mapRect() {
        QFETCH(TRect, r);
        QFETCH(QSize, source);
        QFETCH(int, a);
        QFETCH(int, b);
        QFETCH(QSize, target);
        QFETCH(TRect, expected);
        QCOMPARE(MapRect(r, source, a, b, target), expected);
    }

    // Both ways, MapRect puts a rectangle where OrientBitmap puts its pixels; and a
    // selection stored in the photo's pixels and shown again comes back to within a pixel
    // (exactly where the scale is).
    void mapRectFollowsOrientBitmap_data() {
        QTest::addColumn<int>("code");
        for (int code : kCodes) QTest::addRow("%d", code) << code;
    }
    void mapRectFollowsOrientBitmap() {
        QFETCH(int, code);
        const QImage photo = PatternImage(7, 5);
        const QImage turned = OrientBitmap(photo, code);
        const TRect r{1, 2, 5, 4}, q{1, 1, 3, 4};
        QCOMPARE(CropBitmap(turned, MapRect(r, photo.size(), code, 0, turned.size())),
                 OrientBitmap(CropBitmap(photo, r), code));
        QCOMPARE(
            OrientBitmap(CropBitmap(photo, MapRect(q, turned.size(), 0, code, photo.size())), code),
            CropBitmap(turned, q));

        for (QSize size : {QSize(1000, 750), QSize(4000, 2999), QSize(866, 578)}) {
            const QSize shown = OrientedSize(ResizedSize(size, 433, true), code);
            const int slack = size.width() == 866 ? 0 : 1;
            for (int i = 0; i < 200; ++i) {
                const int l = i * 37 % shown.width(), t = i * 53 % shown.height();
                const TRect s{l, t, qMin(shown.width(), l + 1 + i * 61 % 200),
                              qMin(shown.height(), t + 1 + i * 29 % 150)};
                const TRect back = MapRect(MapRect(s, shown, 0, code, size), size, code, 0, shown);
                if (std::abs(back.Left - s.Left) > slack || std::abs(back.Top - s.Top) > slack ||
                    std::abs(back.Right - s.Right) > slack ||
                    std::abs(back.Bottom - s.Bottom) > slack)
                    QFAIL(qPrintable(RectText(s) + " came back as " + RectText(back)));
            }
        }
    }

    // The largest centred rectangle of a proportion: inside the picture, one whole side,
    // the other cut down to whole pixels, halves of the margins dropped toward the top left.
    void centredRatioRect_data() {
        QTest::addColumn<QSize>("picture");
        QTest::addColumn<qint64>("width");
        QTest::addColumn<qint64>("height");
        QTest::addColumn<TRect>("expected");
        const auto row = [](const char* name, QSize picture, qint64 w, qint64 h, TRect expected) {
            QTest::newRow(name) << picture << w << h << expected;
        };
        row("wider picture", {3000, 2000}, 4, 3, {167, 0, 2833, 2000});
        row("equal shape", {400, 300}, 4, 3, {0, 0, 400, 300});
        row("taller picture, odd margins", {401, 301}, 3, 2, {0, 17, 401, 284});
        row("a line of a picture", {65535, 3}, 1, 1, {32766, 0, 32769, 3});
        row("units beyond 32 bits", {400, 300}, (qint64(1) << 32) - 1, 1, {0, 150, 400, 150});
        row("no width", {400, 300}, 0, 5, {});
        row("empty picture", {0, 0}, 4, 3, {});
    }
    void centredRatioRect() {
        QFETCH(QSize, picture);
        QFETCH(qint64, width);
        QFETCH(qint64, height);
        QFETCH(TRect, expected);
        const TRect r = CentredRatioRect(picture, width, height);
        QCOMPARE(r, expected);
        if (r == TRect{}) return;
        const qint64 cw = r.Right - r.Left, ch = r.Bottom - r.Top;
        QVERIFY(cw == picture.width() || ch == picture.height());
        QVERIFY(r.Left >= 0 && r.Top >= 0 && r.Right <= picture.width() &&
                r.Bottom <= picture.height());
        QCOMPARE(r.Left, int((picture.width() - cw) / 2));
        QCOMPARE(r.Top, int((picture.height() - ch) / 2));
        // One more pixel on the cut side would break the proportion.
        if (cw == picture.width())
            QVERIFY(ch * width <= cw * height && (ch + 1) * width > cw * height);
        else
            QVERIFY(cw * height <= ch * width && (cw + 1) * height > ch * width);
    }

    void resizedSize_data() {
        QTest::addColumn<QSize>("source");
        QTest::addColumn<int>("max");
        QTest::addColumn<bool>("keep");
        QTest::addColumn<QSize>("expected");
        QTest::newRow("landscape") << QSize(800, 600) << 640 << true << QSize(640, 480);
        QTest::newRow("portrait") << QSize(600, 800) << 640 << true << QSize(480, 640);
        QTest::newRow("big") << QSize(4000, 3000) << 640 << true << QSize(640, 480);
        QTest::newRow("half up to even") << QSize(1000, 375) << 100 << true << QSize(100, 38);
        QTest::newRow("half down to even") << QSize(1000, 365) << 100 << true << QSize(100, 36);
        QTest::newRow("square") << QSize(500, 500) << 200 << true << QSize(200, 200);
        QTest::newRow("small kept") << QSize(500, 300) << 640 << true << QSize(500, 300);
        QTest::newRow("small enlarged") << QSize(500, 300) << 640 << false << QSize(640, 384);
        QTest::newRow("equal is processed") << QSize(640, 480) << 640 << true << QSize(640, 480);
        QTest::newRow("max zero") << QSize(800, 600) << 0 << false << QSize(800, 600);
        QTest::newRow("max negative") << QSize(800, 600) << -5 << true << QSize(800, 600);
        QTest::newRow("thin keeps a row") << QSize(1000, 1) << 100 << true << QSize(100, 1);
        QTest::newRow("thin keeps a column") << QSize(1, 1000) << 100 << true << QSize(1, 100);
        QTest::newRow("max beyond 32-bit products")
            << QSize(3, 2) << std::numeric_limits<int>::max() << false
            << QSize(std::numeric_limits<int>::max(), 1431655765);
    }
    void resizedSize() {
        QFETCH(QSize, source);
        QFETCH(int, max);
        QFETCH(bool, keep);
        QFETCH(QSize, expected);
        QCOMPARE(ResizedSize(source, max, keep), expected);
    }

    void resizeLeavesSkippedImagesAlone() {
        const QImage source = PatternImage(50, 30);
        QCOMPARE(ResizeBitmap(source, 0, false).constBits(), source.constBits());
        QCOMPARE(ResizeBitmap(source, 640, true).constBits(), source.constBits());
        // Same size: processed, but the pixels come out as they went in.
        QCOMPARE(ResizeBitmap(source, 50, true), source);
    }

    void shrinkGivesTheAreaMean_data() {
        QTest::addColumn<QSize>("source");
        QTest::addColumn<int>("max");
        QTest::newRow("by 2") << QSize(64, 48) << 32;
        QTest::newRow("by 3") << QSize(90, 60) << 30;
        QTest::newRow("fractional") << QSize(997, 661) << 640;
        QTest::newRow("just below 2x") << QSize(301, 200) << 160;
        QTest::newRow("strong") << QSize(1201, 803) << 37;
        QTest::newRow("to one pixel") << QSize(17, 13) << 1;
        QTest::newRow("portrait") << QSize(333, 1000) << 240;
        QTest::newRow("one row") << QSize(1000, 1) << 100;
        QTest::newRow("fewer rows than bands") << QSize(997, 5) << 640;
        QTest::newRow("odd height to odd height") << QSize(640, 479) << 321;
    }
    void shrinkGivesTheAreaMean() {
        QFETCH(QSize, source);
        QFETCH(int, max);
        const QImage src = NoisyImage(source.width(), source.height(), 7);
        const QImage out = ResizeBitmap(src, max, true);
        QCOMPARE(out.size(), ResizedSize(source, max, true));
        double worst = 0;
        for (int y = 0; y < out.height(); ++y)
            for (int x = 0; x < out.width(); ++x)
                for (int shift : {0, 8, 16}) {
                    const double exact = AreaMean(src, x, y, out.width(), out.height(), shift);
                    worst = std::max(worst, std::abs(((out.pixel(x, y) >> shift) & 255) - exact));
                }
        QVERIFY2(worst <= 2.0, qPrintable(QString::number(worst)));
        for (int shift : {0, 8, 16})
            QVERIFY(std::abs(MeanChannel(out, shift) - MeanChannel(src, shift)) < 0.5);
        QCOMPARE(DiffWithBands([&] { return ResizeBitmap(src, max, true); }), QString());
    }

    void constantStaysConstant_data() {
        QTest::addColumn<QSize>("source");
        QTest::addColumn<int>("max");
        QTest::newRow("shrink") << QSize(813, 411) << 100;
        QTest::newRow("enlarge") << QSize(13, 7) << 100;
        QTest::newRow("slight enlarge") << QSize(640, 480) << 641;
    }
    void constantStaysConstant() {
        QFETCH(QSize, source);
        QFETCH(int, max);
        for (quint32 rgb : {0x000000u, 0xFFFFFFu, 0x7F01FEu}) {
            const QImage out =
                ResizeBitmap(SolidImage(source.width(), source.height(), rgb), max, false);
            QCOMPARE(out.size(), ResizedSize(source, max, false));
            for (int y = 0; y < out.height(); ++y)
                for (int x = 0; x < out.width(); ++x) QCOMPARE(PixelRgb(out, x, y), rgb);
        }
    }

    // Enlarging interpolates: every value lies between its neighbours in the source, and
    // a step between two flat areas becomes a ramp, not a ringing edge.
    void enlargeInterpolatesSmoothly() {
        QImage src = SolidImage(4, 1, 0x000000);
        src.setPixel(2, 0, qRgb(200, 200, 200));
        src.setPixel(3, 0, qRgb(200, 200, 200));
        const QImage out = ResampleBitmap(src, QSize(16, 1));
        QCOMPARE(out.size(), QSize(16, 1));
        int previous = 0;
        for (int x = 0; x < 16; ++x) {
            const int v = qRed(out.pixel(x, 0));
            QVERIFY(v >= previous && v <= 200);
            previous = v;
        }
        QCOMPARE(qRed(out.pixel(0, 0)), 0);
        QCOMPARE(qRed(out.pixel(15, 0)), 200);
        QVERIFY(qRed(out.pixel(7, 0)) > 0 && qRed(out.pixel(7, 0)) < 200);
    }

    void adjustColors_data() {
        QTest::addColumn<quint32>("rgb");
        QTest::addColumn<QList<int>>("numbers");  // contrast, brightness, red, green, blue
        QTest::addColumn<bool>("grayscale");
        QTest::addColumn<bool>("negative");
        QTest::addColumn<quint32>("expected");
        const QList<int> none{0, 0, 0, 0, 0};
        QTest::newRow("nothing set") << 0x123456u << none << false << false << 0x123456u;
        QTest::newRow("grey of red") << 0xFF0000u << none << true << false << 0x4C4C4Cu;
        QTest::newRow("grey of green") << 0x00FF00u << none << true << false << 0x959595u;
        QTest::newRow("grey of blue") << 0x0000FFu << none << true << false << 0x1D1D1Du;
        QTest::newRow("grey of white") << 0xFFFFFFu << none << true << false << 0xFFFFFFu;
        QTest::newRow("grey then negative") << 0xFF0000u << none << true << true << 0xB3B3B3u;
        QTest::newRow("negative") << 0x00FF80u << none << false << true << 0xFF007Fu;
        QTest::newRow("contrast 50")
            << 0xC83280u << QList<int>{50, 0, 0, 0, 0} << false << false << 0xEC0B80u;
        QTest::newRow("contrast 1 truncates")
            << 0x7F7F7Fu << QList<int>{1, 0, 0, 0, 0} << false << false << 0x7F7F7Fu;
        QTest::newRow("contrast -100")
            << 0x00FF40u << QList<int>{-100, 0, 0, 0, 0} << false << false << 0x808080u;
        QTest::newRow("contrast -100 brightness 20")
            << 0x00FF40u << QList<int>{-100, 20, 0, 0, 0} << false << false << 0x949494u;
        QTest::newRow("contrast 100 clamps")
            << 0xFF0080u << QList<int>{100, 0, 0, 0, 0} << false << false << 0xFF0080u;
        QTest::newRow("red 255") << 0x104080u << QList<int>{0, 0, 255, 0, 0} << false << false
                                 << 0xFF4080u;
        QTest::newRow("blue -255")
            << 0x104080u << QList<int>{0, 0, 0, 0, -255} << false << false << 0x104000u;
        QTest::newRow("offsets add up")
            << 0x104080u << QList<int>{0, 10, 1, 2, 3} << false << false << 0x1B4C8Du;
        QTest::newRow("absurd values clamp")
            << 0x104080u
            << QList<int>{std::numeric_limits<int>::max(), std::numeric_limits<int>::min(),
                          std::numeric_limits<int>::max(), 0, 0}
            << false << false << 0x000000u;
    }
    void adjustColors() {
        QFETCH(quint32, rgb);
        QFETCH(QList<int>, numbers);
        QFETCH(bool, grayscale);
        QFETCH(bool, negative);
        QFETCH(quint32, expected);
        const QImage source = SolidImage(3, 2, rgb);
        const QImage out = AdjustColors(source, numbers[0], numbers[1], numbers[2], numbers[3],
                                        numbers[4], grayscale, negative);
        QCOMPARE(out.size(), source.size());
        QCOMPARE(QString::number(PixelRgb(out, 2, 1), 16), QString::number(expected, 16));
        QCOMPARE(PixelRgb(source, 2, 1), rgb);  // a shared input is never changed
    }

    void chainSizes_data() {
        QTest::addColumn<QSize>("original");
        QTest::addColumn<QSize>("expected");
        QTest::newRow("shrunk") << QSize(800, 600) << QSize(640, 480);
        QTest::newRow("small kept") << QSize(500, 300) << QSize(500, 300);
    }
    void chainSizes() {
        QFETCH(QSize, original);
        QFETCH(QSize, expected);
        const TPhotoInfo info;
        const QImage out = RenderChain(PatternImage(original.width(), original.height()), info, {});
        QCOMPARE(out.size(), expected);
        const TRenderSize predicted = RenderedSize(original, info);
        QCOMPARE(QSize(int(predicted.width), int(predicted.height)), expected);
    }

    void chainNeverChangesTheOriginal() {
        TPhotoInfo info;
        info.Max = 0;
        info.Negative = true;
        info.Rotate = 90;
        const QImage original = PatternImage(40, 30);
        const QImage copy = original.copy();
        const QImage first = RenderChain(original, info, {});
        QCOMPARE(original, copy);
        QCOMPARE(RenderChain(original, info, {}), first);
        info.Negative = false;
        QVERIFY(RenderChain(original, info, {}) != first);
        info.Negative = true;
        QCOMPARE(RenderChain(original, info, {}), first);
    }

    // Split into bands of rows over any number of threads, the chain makes the picture it
    // makes on one thread: every stage, shrinking and enlarging, down to one-row pictures
    // and pictures of fewer rows than bands.
    void chainInBandsAsOnOneThread_data() {
        QTest::addColumn<QSize>("original");
        QTest::addColumn<int>("max");
        QTest::addColumn<bool>("keep");
        QTest::addColumn<int>("rotate");
        QTest::addColumn<bool>("everything");  // colours, mask, bands and shadow too
        QTest::newRow("shrink, turned") << QSize(997, 661) << 640 << true << kTurnRight << true;
        QTest::newRow("shrink, resize alone") << QSize(1201, 803) << 300 << true << 0 << false;
        QTest::newRow("enlarge") << QSize(61, 37) << 300 << false << 0 << true;
        QTest::newRow("enlarge to an odd height")
            << QSize(40, 13) << 257 << false << kMirrorMainDiagonal << true;
        QTest::newRow("enlarge, resize alone") << QSize(33, 20) << 400 << false << 0 << false;
        QTest::newRow("keep stops the enlargement") << QSize(120, 81) << 640 << true << 0 << true;
        QTest::newRow("full size") << QSize(301, 203) << 0 << true << kTurnHalf << true;
        QTest::newRow("one row") << QSize(300, 1) << 0 << true << 0 << true;
        QTest::newRow("one row enlarged") << QSize(7, 1) << 50 << false << 0 << false;
        QTest::newRow("shrink to one row") << QSize(900, 2) << 300 << true << 0 << true;
        QTest::newRow("fewer rows than bands") << QSize(500, 3) << 0 << true << 0 << true;
        QTest::newRow("one column") << QSize(1, 200) << 0 << true << 0 << true;
    }
    void chainInBandsAsOnOneThread() {
        QFETCH(QSize, original);
        QFETCH(int, max);
        QFETCH(bool, keep);
        QFETCH(int, rotate);
        QFETCH(bool, everything);
        TPhotoInfo info;
        info.Max = max;
        info.Keep = keep;
        info.Rotate = rotate;
        QImage mask;
        if (everything) {
            info.Contrast = 30;
            info.Brightness = -12;
            info.Red = 7;
            info.Negative = true;
            info.Outside = {3, 0x202020};
            info.Inside = {2, 0xF0F0F0};
            info.Radius = 4;
            info.Offset = 6;
            mask = NoisyImage(37, 23, 11);
        }
        const QImage source = NoisyImage(original.width(), original.height(), 3);
        QCOMPARE(DiffWithBands([&] { return RenderChain(source, info, mask); }), QString());
    }

    // Every row exactly once however the rows are split, bands inside bands too (they find
    // the pool busy and run where they are), and a band's exception reaches the caller.
    void bandsTakeEveryRowOnce_data() {
        QTest::addColumn<int>("rows");
        QTest::addColumn<int>("threads");
        QTest::newRow("one row") << 1 << 8;
        QTest::newRow("fewer rows than bands") << 5 << 8;
        QTest::newRow("odd, three threads") << 301 << 3;
        QTest::newRow("one thread") << 64 << 1;
    }
    void bandsTakeEveryRowOnce() {
        QFETCH(int, rows);
        QFETCH(int, threads);
        const TBandSplitting saved = BandSplitting();
        SetBandSplitting({threads, 1});
        std::vector<std::atomic<int>> seen(size_t(rows) * size_t(rows));
        ForEachBand(rows, 1, [&](int first, int end) {
            for (int y = first; y < end; ++y)
                ForEachBand(rows, 1, [&](int inner, int innerEnd) {
                    for (int x = inner; x < innerEnd; ++x) ++seen[size_t(y) * size_t(rows) + x];
                });
        });
        bool thrown = false;
        try {
            ForEachBand(rows, 1, [&](int first, int end) {
                if (first <= rows / 2 && rows / 2 < end) throw std::runtime_error("band");
            });
        } catch (const std::runtime_error&) {
            thrown = true;
        }
        SetBandSplitting(saved);
        for (size_t i = 0; i < seen.size(); ++i)
            if (seen[i] != 1)
                QFAIL(qPrintable(QStringLiteral("row %1 of row %2 taken %3 times")
                                     .arg(i % size_t(rows))
                                     .arg(i / size_t(rows))
                                     .arg(seen[i].load())));
        QVERIFY(thrown);
    }

    void chainRefusesAbsurdSizes() {
        TPhotoInfo info;
        info.Max = std::numeric_limits<int>::max();
        info.Keep = false;
        QString error;
        QVERIFY(RenderChain(PatternImage(30, 20), info, {}, &error).isNull());
        QVERIFY(error.contains(QStringLiteral("too large")));
        // 20000 x 15000 is over the limit too; the size is predicted, nothing is allocated.
        info.Max = 20000;
        error.clear();
        QVERIFY(RenderChain(SolidImage(4, 3, 0x102030), info, {}, &error).isNull());
        QVERIFY(!error.isEmpty());
        QCOMPARE(RenderedSize(QSize(4, 3), info).Pixels(), qint64(20000) * 15000);
    }
    // A JPEG streamed by rows through crop and resize gives the whole chain's bytes:
    // RenderChain(DoLoad(file)). Files that do not stream say so and are left to it.
    void streamedEqualsWhole_data() {
        QTest::addColumn<QString>("settings");
        QTest::addColumn<QSize>("size");
        QTest::addColumn<int>("subsampling");
        QTest::addColumn<int>("orientation");
        QTest::addColumn<bool>("progressive");
        QTest::addColumn<QString>("profile");  // "", "srgb" or "adobe"
        QTest::addColumn<int>("minimumLongSide");
        QTest::addColumn<bool>("streams");
        const QStringList all = {QStringLiteral("whole"),         QStringLiteral("odd crop"),
                                 QStringLiteral("quarter crop"),  QStringLiteral("corner quarter"),
                                 QStringLiteral("shrink odd"),    QStringLiteral("shrink to 1"),
                                 QStringLiteral("enlarge"),       QStringLiteral("kept small"),
                                 QStringLiteral("crop enlarged"), QStringLiteral("everything"),
                                 QStringLiteral("grey negative")};
        const auto row = [](const QString& settings, const QString& source) {
            return &QTest::newRow(qPrintable(settings + QStringLiteral(", ") + source));
        };
        // Every setting on the common kind of file, with odd sides.
        for (const QString& settings : all)
            *row(settings, QStringLiteral("4:2:0 301 x 203"))
                << settings << QSize(301, 203) << 2 << 1 << false << QString() << 0 << true;
        // Each kind of sampling and each orientation with the settings that cut.
        for (const QString& settings :
             {QStringLiteral("odd crop"), QStringLiteral("corner quarter"),
              QStringLiteral("enlarge"), QStringLiteral("everything")}) {
            for (int sub : {0, 1, 3, 4})
                *row(settings, QStringLiteral("sampling %1").arg(sub))
                    << settings << QSize(299, 205) << sub << 1 << false << QString() << 0 << true;
            for (int o = 2; o <= 8; ++o)
                *row(settings, QStringLiteral("orientation %1").arg(o))
                    << settings << (o >= 5 ? QSize(203, 301) : QSize(301, 203)) << 2 << o << false
                    << QString() << 0 << StreamsOrientation(o);
        }
        // DCT-scaled decodes: 1203 x 803 at 1/4 (301 x 201) and at 3/8 (452 x 302).
        for (const QString& settings : {QStringLiteral("shrink odd"), QStringLiteral("odd crop"),
                                        QStringLiteral("everything")}) {
            *row(settings, QStringLiteral("reduced to a quarter"))
                << settings << QSize(1203, 803) << 2 << 1 << false << QString() << 300 << true;
            *row(settings, QStringLiteral("reduced to 3/8, orientation 3"))
                << settings << QSize(1203, 803) << 1 << 3 << false << QString() << 400 << true;
        }
        // What does not stream.
        *row(QStringLiteral("odd crop"), QStringLiteral("progressive"))
            << QStringLiteral("odd crop") << QSize(301, 203) << 2 << 1 << true << QString() << 0
            << false;
        *row(QStringLiteral("odd crop"), QStringLiteral("Adobe RGB profile"))
            << QStringLiteral("odd crop") << QSize(301, 203) << 2 << 1 << false
            << QStringLiteral("adobe") << 0 << false;
        *row(QStringLiteral("odd crop"), QStringLiteral("sRGB profile"))
            << QStringLiteral("odd crop") << QSize(301, 203) << 2 << 1 << false
            << QStringLiteral("srgb") << 0 << true;
    }
    void streamedEqualsWhole() {
        QFETCH(QString, settings);
        QFETCH(QSize, size);
        QFETCH(int, subsampling);
        QFETCH(int, orientation);
        QFETCH(bool, progressive);
        QFETCH(QString, profile);
        QFETCH(int, minimumLongSide);
        QFETCH(bool, streams);
        // The pixels as stored; the EXIF orientation turns them upright on load.
        TJpegMaking making{
            .subsampling = subsampling, .progressive = progressive, .orientation = orientation};
        if (!profile.isEmpty())
            making.icc = QColorSpace(profile == QLatin1String("adobe") ? QColorSpace::AdobeRgb
                                                                       : QColorSpace::SRgb)
                             .iccProfile();
        const QSize stored = orientation >= 5 ? size.transposed() : size;
        const QString path =
            WriteBytes(dir_.path(), QStringLiteral("stream.jpg"),
                       MakeJpeg(NoisyImage(stored.width(), stored.height(), 7), making));
        TPhotoInfo info = StreamSettings(settings);
        const QImage mask = info.MaskName.isEmpty() ? QImage() : PatternImage(13, 9);
        TLoadOptions load;
        load.minimumLongSide = minimumLongSide;

        const QImage original = DoLoad(path, nullptr, load);
        QVERIFY(!original.isNull());
        const QImage whole = RenderChain(original, info, mask);
        QVERIFY(!whole.isNull());
        const TJpegStream stream(path, load);
        if (stream.Streamable()) QCOMPARE(stream.Size(), original.size());
        const QImage streamed = RenderStreamed(stream, info, mask);
        QCOMPARE(!streamed.isNull(), streams);
        if (!streams) return;
        QCOMPARE(streamed.size(), whole.size());
        QCOMPARE(streamed.format(), whole.format());
        for (int y = 0; y < whole.height(); ++y)
            if (std::memcmp(streamed.constScanLine(y), whole.constScanLine(y),
                            size_t(whole.width()) * 4) != 0)
                QFAIL(qPrintable(QStringLiteral("row %1 differs: %2")
                                     .arg(y)
                                     .arg(CompareImages(streamed, whole))));
    }

    // The photo strip's 32 x 32 thumbnails are checked with the main window.
    void thumbnailFitsTheBox_data() {
        QTest::addColumn<QSize>("size");
        QTest::addColumn<QSize>("box");
        QTest::addColumn<bool>("squeezed");
        QTest::addColumn<QRect>("covered");
        QTest::newRow("wide in 68")
            << QSize(100, 50) << QSize(68, 68) << false << QRect(0, 17, 68, 34);
        QTest::newRow("tall in 68")
            << QSize(50, 100) << QSize(68, 68) << false << QRect(17, 0, 34, 68);
        QTest::newRow("squeezed") << QSize(300, 100) << QSize(64, 64) << true
                                  << QRect(0, 0, 64, 64);
        QTest::newRow("no image") << QSize(0, 0) << QSize(68, 68) << false << QRect();
    }
    void thumbnailFitsTheBox() {
        QFETCH(QSize, size);
        QFETCH(QSize, box);
        QFETCH(bool, squeezed);
        QFETCH(QRect, covered);
        const TThumbnailFit fit = squeezed ? TThumbnailFit::Squeezed : TThumbnailFit::Proportional;
        QCOMPARE(ThumbnailRect(size, box, fit), covered);
        // Left half red, right half blue: each half stays whole and unblended.
        QImage image = SolidImage(size.width(), size.height(), 0xFF0000);
        for (int y = 0; y < size.height(); ++y)
            for (int x = size.width() / 2; x < size.width(); ++x) image.setPixel(x, y, 0xFF0000FF);
        const QImage thumbnail = MakeThumbnail(image, box, QColor(0x80, 0x80, 0x80), fit);
        QCOMPARE(thumbnail.size(), box);
        for (int y = 0; y < box.height(); ++y)
            for (int x = 0; x < box.width(); ++x) {
                quint32 expected = 0x808080;
                if (covered.contains(x, y))
                    expected = x - covered.left() < covered.width() / 2 ? 0xFF0000 : 0x0000FF;
                if (PixelRgb(thumbnail, x, y) != expected)
                    QFAIL(qPrintable(QStringLiteral("pixel %1, %2").arg(x).arg(y)));
            }
    }

private:
    QTemporaryDir dir_;
};

// A full application: the streamed renders draw watermarks.
QTEST_MAIN(TestStages)
#include "test_stages.moc"
