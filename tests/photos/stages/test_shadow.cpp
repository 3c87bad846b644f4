// The drop shadow: its blur kernel, the blur, and the shadow put together from tiles.

#include <QTest>
#include <cmath>
#include <limits>

#include "photos/stages/Stages.h"
#include "support/TestSupport.h"

using namespace vellumora;
using namespace vellumora::test;

namespace {

// TColor (red in the low byte) as 0xRRGGBB.
quint32 Rgb(TColor c) {
    return (c & 0xFF) << 16 | (c & 0xFF00) | (c >> 16 & 0xFF);
}

int Channel(quint32 rgb, int shift) {
    return int(rgb >> shift & 0xFF);
}

void Paste(QImage& onto, const QImage& piece, int left, int top) {
    for (int y = 0; y < piece.height(); ++y)
        for (int x = 0; x < piece.width(); ++x) onto.setPixel(left + x, top + y, piece.pixel(x, y));
}

// The shadow without tiles: the whole rectangle with its margin blurred at full size.
QImage FullSizeShadow(const QImage& picture, int radius, int offset, TColor shadow,
                      TColor background) {
    const int k = ShadowMargin(radius);
    offset = std::max(offset, 0);
    QImage full = SolidImage(picture.width() + 2 * k, picture.height() + 2 * k, Rgb(background));
    Paste(full, SolidImage(picture.width(), picture.height(), Rgb(shadow)), k, k);
    if (radius >= 1) BlurBitmap(full, BuildBlurKernel(radius));
    const int grow = k + std::max(k, offset);
    QImage result = SolidImage(picture.width() + grow, picture.height() + grow, Rgb(background));
    Paste(result, full, std::max(0, offset - k), std::max(0, offset - k));
    Paste(result, picture, std::max(k - offset, 0), std::max(k - offset, 0));
    return result;
}

// One pass of the blur straight from its definition, on one channel, border repeated.
QVector<double> Smear(const QVector<double>& line, const TBlurKernel& kernel) {
    QVector<double> out(line.size());
    for (int x = 0; x < line.size(); ++x) {
        double sum = 0;
        for (int n = -kernel.Size; n <= kernel.Size; ++n)
            sum += double(kernel.Weight(n)) * line[std::clamp<int>(x - n, 0, line.size() - 1)];
        out[x] = std::trunc(std::clamp(sum, 0.0, 255.0));
    }
    return out;
}

}  // namespace

class TestShadow : public QObject {
    Q_OBJECT

private slots:
    void kernelHalfWidthFollowsRadius_data() {
        QTest::addColumn<double>("radius");
        QTest::addColumn<int>("size");
        const int sizes[] = {2,  5,  8,  11, 14, 18, 21, 24, 27, 30,
                             33, 36, 39, 42, 45, 49, 52, 55, 58, 61};
        for (int r = 1; r <= 20; ++r) QTest::addRow("radius %d", r) << double(r) << sizes[r - 1];
        QTest::newRow("half") << 0.5 << 1;
        QTest::newRow("50") << 50.0 << 99;
        QTest::newRow("1e9") << 1e9 << 99;
        QTest::newRow("zero") << 0.0 << 1;
        QTest::newRow("negative") << -3.0 << 1;
    }
    void kernelHalfWidthFollowsRadius() {
        QFETCH(double, radius);
        QFETCH(int, size);
        const TBlurKernel kernel = BuildBlurKernel(radius);
        QCOMPARE(int(kernel.Size), size);
        double sum = 0;
        for (int j = -size; j <= size; ++j) {
            sum += kernel.Weight(j);
            QCOMPARE(kernel.Weight(j), kernel.Weight(-j));
            if (j > 0) QVERIFY(kernel.Weight(j) <= kernel.Weight(j - 1));
        }
        // Not below 1: the truncating blur would darken flat areas by a level.
        QVERIFY2(sum >= 1.0 && sum < 1.0 + 1e-6, qPrintable(QString::number(sum - 1, 'g', 3)));
    }

    void kernelWeights_data() {
        QTest::addColumn<double>("radius");
        QTest::addColumn<QVector<double>>("weights");  // centre outward
        QTest::newRow("1") << 1.0 << QVector<double>{0.40262, 0.244201, 0.054489};
        QTest::newRow("2") << 2.0 << QVector<double>{0.200565, 0.176998, 0.121649,
                                                     0.065114, 0.027144, 0.008812};
    }
    void kernelWeights() {
        QFETCH(double, radius);
        QFETCH(QVector<double>, weights);
        const TBlurKernel kernel = BuildBlurKernel(radius);
        QCOMPARE(int(kernel.Size) + 1, weights.size());
        for (int j = 0; j < weights.size(); ++j)
            QVERIFY2(std::abs(kernel.Weight(j) - weights[j]) < 5e-7,
                     qPrintable(QString::number(j)));
    }

    // A step along the blurred direction, rising in red and falling in green; the other
    // direction is one pixel long and must pass the values through unchanged.
    void blurOfAStep_data() {
        QTest::addColumn<bool>("alongRow");
        QTest::newRow("row") << true;
        QTest::newRow("column") << false;
    }
    void blurOfAStep() {
        QFETCH(bool, alongRow);
        QImage image = SolidImage(alongRow ? 10 : 1, alongRow ? 1 : 10, 0);
        for (int i = 0; i < 10; ++i)
            image.setPixel(alongRow ? i : 0, alongRow ? 0 : i,
                           qRgb(i < 5 ? 0 : 255, i < 5 ? 255 : 0, 77));
        BlurBitmap(image, BuildBlurKernel(1));
        const int rising[] = {0, 0, 0, 13, 76, 178, 241, 255, 255, 255};
        for (int i = 0; i < 10; ++i) {
            const quint32 p = PixelRgb(image, alongRow ? i : 0, alongRow ? 0 : i);
            QCOMPARE(Channel(p, 16), rising[i]);
            QCOMPARE(Channel(p, 8), rising[9 - i]);
            QCOMPARE(Channel(p, 0), 77);
        }
    }

    void blurKeepsFlatAreas_data() {
        QTest::addColumn<double>("radius");
        for (int r = 1; r <= 20; ++r) QTest::addRow("radius %d", r) << double(r);
        QTest::newRow("1e9") << 1e9;
        QTest::newRow("0.3") << 0.3;
    }
    void blurKeepsFlatAreas() {
        QFETCH(double, radius);
        for (quint32 colour : {0xFFFFFFu, 0x808080u, 0x01FE7Fu, 0xC0C0C0u}) {
            QImage image = SolidImage(9, 4, colour);
            BlurBitmap(image, BuildBlurKernel(radius));
            QCOMPARE(CompareImages(image, SolidImage(9, 4, colour)), QString());
        }
    }

    // Rows first, then columns, each from the definition; pictures narrower than the
    // kernel lean on the repeated border.
    void blurMatchesDirectSums_data() {
        QTest::addColumn<QSize>("size");
        QTest::addColumn<double>("radius");
        QTest::addColumn<int>("repeat");  // each source row this many times
        QTest::newRow("13x9 r1") << QSize(13, 9) << 1.0 << 1;
        QTest::newRow("13x9 r3") << QSize(13, 9) << 3.0 << 1;
        QTest::newRow("6x17 r7") << QSize(6, 17) << 7.0 << 1;
        QTest::newRow("rows in threes") << QSize(11, 14) << 2.0 << 3;
    }
    void blurMatchesDirectSums() {
        QFETCH(QSize, size);
        QFETCH(double, radius);
        QFETCH(int, repeat);
        const TBlurKernel kernel = BuildBlurKernel(radius);
        QImage source = PatternImage(size.width(), size.height());
        for (int y = 0; y < size.height(); ++y)
            for (int x = 0; x < size.width(); ++x)
                source.setPixel(x, y, source.pixel(x, y / repeat * repeat));
        const QImage kept = source.copy();
        QImage blurred = source;
        BlurBitmap(blurred, kernel);
        QCOMPARE(source, kept);  // the shared input is not changed
        for (int shift : {0, 8, 16}) {
            QVector<QVector<double>> rows;
            for (int y = 0; y < size.height(); ++y) {
                QVector<double> line;
                for (int x = 0; x < size.width(); ++x)
                    line << Channel(PixelRgb(source, x, y), shift);
                rows << Smear(line, kernel);
            }
            for (int x = 0; x < size.width(); ++x) {
                QVector<double> column;
                for (int y = 0; y < size.height(); ++y) column << rows[y][x];
                column = Smear(column, kernel);
                for (int y = 0; y < size.height(); ++y)
                    QCOMPARE(Channel(PixelRgb(blurred, x, y), shift), int(column[y]));
            }
        }
    }

    void tilesCutTheTemplate_data() {
        QTest::addColumn<QSize>("picture");
        QTest::addColumn<int>("radius");
        QTest::addColumn<int>("k");
        QTest::addColumn<QVector<QSize>>("sizes");  // tiles 0..7, empty = null
        const QSize c(27, 27), none;                // radius 5: k 13, corners 2k + 1
        const QVector<QSize> nine{c, {1, 27}, c, {27, 1}, {27, 1}, c, {1, 27}, c};
        QTest::newRow("wide and tall") << QSize(640, 480) << 5 << 13 << nine;
        QTest::newRow("one pixel over") << QSize(30, 30) << 5 << 13 << nine;
        QTest::newRow("corners and one pixel")
            << QSize(29, 29) << 5 << 13
            << QVector<QSize>{{55, 55}, none, none, none, none, none, none, none};
        QTest::newRow("small") << QSize(20, 20) << 5 << 13
                               << QVector<QSize>{{46, 46}, none, none, none,
                                                 none,     none, none, none};
        QTest::newRow("narrow") << QSize(29, 480) << 5 << 13
                                << QVector<QSize>{{55, 27}, none,     none, {55, 1},
                                                  none,     {55, 27}, none, none};
        QTest::newRow("low") << QSize(640, 10) << 5 << 13
                             << QVector<QSize>{{27, 36}, {1, 36}, {27, 36}, none,
                                               none,     none,    none,     none};
        QTest::newRow("radius 1") << QSize(8, 6) << 1 << 1
                                  << QVector<QSize>{{3, 3}, {1, 3}, {3, 3}, {3, 1},
                                                    {3, 1}, {3, 3}, {1, 3}, {3, 3}};
        QTest::newRow("no blur") << QSize(640, 480) << 0 << 0 << QVector<QSize>(8);
        QTest::newRow("negative radius") << QSize(640, 480) << -4 << 0 << QVector<QSize>(8);
    }
    void tilesCutTheTemplate() {
        QFETCH(QSize, picture);
        QFETCH(int, radius);
        QFETCH(int, k);
        QFETCH(QVector<QSize>, sizes);
        const TShadowTiles tiles = BuildShadowTiles(picture, radius, 0x404040, 0xF0F0F0);
        QCOMPARE(tiles.K, k);
        QCOMPARE(ShadowMargin(radius), k);
        for (int i = 0; i < 8; ++i) {
            QCOMPARE(tiles.Tiles[i].isNull(), sizes[i].isEmpty());
            if (!sizes[i].isEmpty()) QCOMPARE(tiles.Tiles[i].size(), sizes[i]);
        }
        QCOMPARE(tiles.C0, tiles.Tiles[0].width());
        QCOMPARE(tiles.R0, tiles.Tiles[0].height());
    }

    void pictureSitsInsideTheShadow_data() {
        QTest::addColumn<QSize>("picture");
        QTest::addColumn<int>("radius");
        QTest::addColumn<int>("offset");
        QTest::addColumn<QSize>("result");
        QTest::addColumn<int>("corner");
        QTest::newRow("hard") << QSize(100, 80) << 0 << 5 << QSize(105, 85) << 0;
        QTest::newRow("halo") << QSize(640, 480) << 5 << 0 << QSize(666, 506) << 13;
        QTest::newRow("offset below margin") << QSize(640, 480) << 5 << 6 << QSize(666, 506) << 7;
        QTest::newRow("offset beyond margin") << QSize(640, 480) << 5 << 20 << QSize(673, 513) << 0;
        QTest::newRow("small") << QSize(20, 20) << 5 << 0 << QSize(46, 46) << 13;
        QTest::newRow("negative offset") << QSize(64, 48) << 2 << -9 << QSize(72, 56) << 4;
        QTest::newRow("negative radius") << QSize(64, 48) << -2 << 3 << QSize(67, 51) << 0;
        QTest::newRow("huge radius") << QSize(30, 20) << 1000000000 << 0 << QSize(226, 216) << 98;
    }
    void pictureSitsInsideTheShadow() {
        QFETCH(QSize, picture);
        QFETCH(int, radius);
        QFETCH(int, offset);
        QFETCH(QSize, result);
        QFETCH(int, corner);
        const QImage original = PatternImage(picture.width(), picture.height());
        const QImage out = AddShadow(original, radius, offset, 0x202020, 0xE0E0E0);
        QCOMPARE(out.size(), result);
        QCOMPARE(out.format(), QImage::Format_RGB32);
        QCOMPARE(qint64(out.width()), picture.width() + ShadowGrowth(radius, offset));
        QCOMPARE(out.copy(corner, corner, picture.width(), picture.height()), original);
        QCOMPARE(original, PatternImage(picture.width(), picture.height()));
    }

    void nothingToAdd_data() {
        QTest::addColumn<int>("radius");
        QTest::addColumn<int>("offset");
        QTest::newRow("both zero") << 0 << 0;
        QTest::newRow("negative offset") << 0 << -7;
        QTest::newRow("both negative") << -3 << -2;
    }
    void nothingToAdd() {
        QFETCH(int, radius);
        QFETCH(int, offset);
        const QImage original = PatternImage(50, 40);
        const QImage out = AddShadow(original, radius, offset, 0, 0xFFFFFF);
        QCOMPARE(out.constBits(), original.constBits());
        QCOMPARE(ShadowGrowth(radius, offset), qint64(0));
        QVERIFY(AddShadow(QImage(), radius, 5, 0, 0xFFFFFF).isNull());
    }

    void refusesHugeResults_data() {
        QTest::addColumn<int>("radius");
        QTest::addColumn<int>("offset");
        QTest::newRow("offset 1e9") << 5 << 1000000000;
        QTest::newRow("int max") << std::numeric_limits<int>::max()
                                 << std::numeric_limits<int>::max();
        QTest::newRow("just over 2^28") << 0 << 16384;  // (1 + 16384)^2 > 2^28
    }
    void refusesHugeResults() {
        QFETCH(int, radius);
        QFETCH(int, offset);
        QVERIFY(AddShadow(SolidImage(1, 1, 0x123456), radius, offset, 0, 0xFFFFFF).isNull());
        QVERIFY(1 + ShadowGrowth(radius, offset) > (1 << 14));
    }

    // Against the shadow blurred whole at full size and laid out by hand: the pieces are
    // cut where a full blur gives the same pixels, so nothing may differ.
    void matchesFullSizeBlur_data() {
        QTest::addColumn<QSize>("picture");
        QTest::addColumn<int>("radius");
        QTest::addColumn<int>("offset");
        QTest::newRow("hard 100x80") << QSize(100, 80) << 0 << 5;
        QTest::newRow("halo 640x480") << QSize(640, 480) << 5 << 0;
        QTest::newRow("offset 640x480") << QSize(640, 480) << 5 << 20;
        QTest::newRow("small 20x20") << QSize(20, 20) << 5 << 0;
        QTest::newRow("39 wide") << QSize(39, 39) << 5 << 3;
        QTest::newRow("corners and one pixel") << QSize(29, 30) << 5 << 30;
        QTest::newRow("narrow, tall") << QSize(28, 120) << 5 << 7;
        QTest::newRow("wide, low") << QSize(150, 9) << 3 << 2;
        QTest::newRow("radius 1") << QSize(40, 30) << 1 << 1;
        QTest::newRow("radius 2") << QSize(60, 50) << 2 << 40;
        QTest::newRow("radius 20") << QSize(400, 190) << 20 << 70;
        QTest::newRow("one pixel, radius 20") << QSize(1, 1) << 20 << 0;
        QTest::newRow("one row, radius 3") << QSize(90, 1) << 3 << 9;
    }
    void matchesFullSizeBlur() {
        QFETCH(QSize, picture);
        QFETCH(int, radius);
        QFETCH(int, offset);
        const TColor shadow = 0x5AC80A, background = 0x5A14F0;  // red 10 / 240, green 200 / 20
        const QImage image = PatternImage(picture.width(), picture.height());
        const QImage out = AddShadow(image, radius, offset, shadow, background);
        const QImage expected = FullSizeShadow(image, radius, offset, shadow, background);
        QCOMPARE(CompareImages(out, expected), QString());
    }

    // From the outer edge of the result inward the fringe goes from the background to the
    // shadow, every channel on its own: red falls, green rises, blue (equal in both) stays.
    void fringeRampsPerChannel_data() {
        QTest::addColumn<int>("offset");
        QTest::addColumn<QPoint>("start");
        QTest::addColumn<QPoint>("step");
        QTest::addColumn<int>("count");
        QTest::addColumn<bool>("reachesShadow");
        QTest::newRow("right") << 20 << QPoint(672, 300) << QPoint(-1, 0) << 33 << true;
        QTest::newRow("bottom") << 20 << QPoint(300, 512) << QPoint(0, -1) << 33 << true;
        QTest::newRow("left") << 0 << QPoint(0, 250) << QPoint(1, 0) << 13 << false;
        QTest::newRow("top") << 0 << QPoint(320, 0) << QPoint(0, 1) << 13 << false;
    }
    void fringeRampsPerChannel() {
        QFETCH(int, offset);
        QFETCH(QPoint, start);
        QFETCH(QPoint, step);
        QFETCH(int, count);
        QFETCH(bool, reachesShadow);
        const QImage out = AddShadow(SolidImage(640, 480, 0), 5, offset, 0x5AC80A, 0x5A14F0);
        QPoint p = start;
        quint32 previous = PixelRgb(out, p.x(), p.y());
        QVERIFY(Channel(previous, 16) >= 236 &&
                Channel(previous, 8) <= 24);  // about the background
        for (int i = 1; i < count; ++i) {
            p += step;
            const quint32 now = PixelRgb(out, p.x(), p.y());
            QVERIFY(Channel(now, 16) <= Channel(previous, 16));
            QVERIFY(Channel(now, 8) >= Channel(previous, 8));
            QCOMPARE(Channel(now, 0), 0x5A);
            previous = now;
        }
        if (reachesShadow)
            QCOMPARE(previous, 0x0AC85Au);
        else
            QVERIFY(Channel(previous, 16) < 160 && Channel(previous, 8) > 70);
    }
};

QTEST_GUILESS_MAIN(TestShadow)
#include "test_shadow.moc"
