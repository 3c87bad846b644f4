// The mask and border stages.

#include <QTest>
#include <limits>

#include "photos/stages/Render.h"
#include "photos/stages/Stages.h"
#include "support/BandSupport.h"
#include "support/TestSupport.h"

using namespace vellumora;
using namespace vellumora::test;

namespace {

constexpr int kMaxInt = std::numeric_limits<int>::max();

// A mask of one grey-ish colour (0xRRGGBB) in the given format.
QImage SolidMask(int width, int height, quint32 rgb, QImage::Format format = QImage::Format_RGB32) {
    QImage mask(width, height, QImage::Format_RGB32);
    mask.fill(QColor::fromRgb(0xFF000000u | rgb));
    return mask.convertToFormat(format);
}

// 100 x 100, the left half white and the right half black.
QImage HalfMask(QImage::Format format = QImage::Format_RGB32) {
    QImage mask = SolidMask(100, 100, 0x000000);
    for (int y = 0; y < 100; ++y)
        for (int x = 0; x < 50; ++x) mask.setPixel(x, y, qRgb(255, 255, 255));
    return mask.convertToFormat(format);
}

}  // namespace

class TestFrame : public QObject {
    Q_OBJECT

private slots:
    // One-colour masks: every picture pixel mixes with the mask colour by the mask's
    // brightness. Values worked by hand.
    void maskMixesByBrightness_data() {
        QTest::addColumn<quint32>("picture");    // 0xRRGGBB
        QTest::addColumn<quint32>("mask");       // 0xRRGGBB
        QTest::addColumn<quint32>("maskColor");  // TColor, 0xBBGGRR
        QTest::addColumn<quint32>("expected");   // 0xRRGGBB
        QTest::newRow("black mask keeps") << 0x123456u << 0x000000u << clWhite << 0x123456u;
        QTest::newRow("white mask replaces") << 0x123456u << 0xFFFFFFu << clWhite << 0xFFFFFFu;
        QTest::newRow("grey on black") << 0x000000u << 0x808080u << clWhite << 0x808080u;
        QTest::newRow("grey on white") << 0xFFFFFFu << 0x808080u << clWhite << 0xFFFFFFu;
        // The colour is read as stored: red in the low byte.
        QTest::newRow("red colour") << 0x808080u << 0xFFFFFFu << 0x0000FFu << 0xFF0000u;
        QTest::newRow("blue colour") << 0x808080u << 0xFFFFFFu << 0xFF0000u << 0x0000FFu;
        // (90 + 30 + 0) div 3 = 40: (215 * 100 + 40 * 255) div 255 = 124, and 215 * 100 div 255
        // = 84.
        QTest::newRow("coloured mask by its brightness")
            << 0x646464u << 0x5A1E00u << 0x0000FFu << 0x7C5454u;
        // (1 + 1 + 0) div 3 = 0: a nearly black mask changes nothing.
        QTest::newRow("truncated to black") << 0x646464u << 0x010100u << clWhite << 0x646464u;
        // The unused high byte of a colour is ignored.
        QTest::newRow("high byte ignored") << 0x000000u << 0xFFFFFFu << 0xFF00FF00u << 0x00FF00u;
    }
    void maskMixesByBrightness() {
        QFETCH(quint32, picture);
        QFETCH(quint32, mask);
        QFETCH(quint32, maskColor);
        QFETCH(quint32, expected);
        const QImage result =
            ApplyMask(SolidImage(13, 7, picture), SolidMask(5, 3, mask), maskColor);
        QCOMPARE(result.size(), QSize(13, 7));
        for (int y = 0; y < 7; ++y)
            for (int x = 0; x < 13; ++x) QCOMPARE(PixelRgb(result, x, y), expected);
    }

    // The mask covers the whole picture whatever the proportions of either.
    void maskIsStretchedOntoThePicture_data() {
        QTest::addColumn<QSize>("picture");
        QTest::newRow("landscape") << QSize(640, 480);
        QTest::newRow("portrait, odd width") << QSize(301, 799);
        QTest::newRow("one column") << QSize(1, 50);
        QTest::newRow("one row") << QSize(77, 1);
        QTest::newRow("fewer rows than bands") << QSize(200, 3);
    }
    void maskIsStretchedOntoThePicture() {
        QFETCH(QSize, picture);
        const QImage source = PatternImage(picture.width(), picture.height());
        const QImage result = ApplyMask(source, HalfMask(), 0xFF0000);  // blue
        // Columns x * 100 div width < 50, i.e. x < width / 2 (rounded up), are blue.
        const int edge = (picture.width() + 1) / 2;
        for (int y = 0; y < picture.height(); ++y)
            for (int x = 0; x < picture.width(); ++x)
                QCOMPARE(PixelRgb(result, x, y), x < edge ? 0x0000FFu : PixelRgb(source, x, y));
        // Shared, the picture is copied row by row in the bands; its own, changed in place.
        QCOMPARE(DiffWithBands([&] { return ApplyMask(source, HalfMask(), 0xFF0000); }), QString());
        QCOMPARE(DiffWithBands([&] { return ApplyMask(source.copy(), HalfMask(), 0xFF0000); }),
                 QString());
    }

    // A mask larger than the picture is sampled at the left/top edge of each cell, not
    // its middle: of a 1000-wide mask, picture column x of 10 reads mask column 100 x.
    void maskSamplesTheCellsFirstPixel() {
        QImage mask = SolidMask(1000, 600, 0x000000);
        for (int y = 0; y < 600; ++y) mask.setPixel(300, y, qRgb(255, 255, 255));
        for (int x = 0; x < 1000; ++x) mask.setPixel(x, 400, qRgb(255, 255, 255));
        const QImage source = PatternImage(10, 6);
        const QImage result = ApplyMask(source, mask, clWhite);
        for (int y = 0; y < 6; ++y)
            for (int x = 0; x < 10; ++x)
                QCOMPARE(PixelRgb(result, x, y),
                         x == 3 || y == 4 ? 0xFFFFFFu : PixelRgb(source, x, y));
    }

    void maskOfAnyFormatActsTheSame_data() {
        QTest::addColumn<int>("format");
        QTest::newRow("grayscale 8") << int(QImage::Format_Grayscale8);
        QTest::newRow("indexed 8") << int(QImage::Format_Indexed8);
        QTest::newRow("mono") << int(QImage::Format_Mono);
        QTest::newRow("argb32") << int(QImage::Format_ARGB32);
        QTest::newRow("argb32 premultiplied") << int(QImage::Format_ARGB32_Premultiplied);
        QTest::newRow("rgb888") << int(QImage::Format_RGB888);
        QTest::newRow("grayscale 16") << int(QImage::Format_Grayscale16);
    }
    void maskOfAnyFormatActsTheSame() {
        QFETCH(int, format);
        const QImage mask = HalfMask(QImage::Format(format));
        QCOMPARE(mask.format(), QImage::Format(format));
        const QImage source = PatternImage(64, 48);
        const QImage expected = ApplyMask(source, HalfMask(), 0x00FF00);
        QVERIFY(expected != source);
        QCOMPARE(ApplyMask(source, mask, 0x00FF00), expected);
    }

    void maskLeavesPicturesAlone() {
        const QImage source = PatternImage(40, 20);
        const QImage keep = source.copy();
        QCOMPARE(ApplyMask(source, QImage(), clWhite).constBits(), source.constBits());
        QCOMPARE(ApplyMask(source, SolidMask(30, 30, 0x000000), clWhite).constBits(),
                 source.constBits());
        QVERIFY(ApplyMask(QImage(), SolidMask(3, 3, 0xFFFFFF), clWhite).isNull());
        // Masking for real leaves the caller's shared copy alone.
        QCOMPARE(PixelRgb(ApplyMask(source, SolidMask(2, 2, 0xFFFFFF), clWhite), 5, 5), 0xFFFFFFu);
        QCOMPARE(source, keep);
    }

    // Every pixel of the result classified from the band widths alone.
    void bordersSurroundThePicture_data() {
        QTest::addColumn<QSize>("picture");
        QTest::addColumn<int>("outside");
        QTest::addColumn<int>("inside");
        QTest::addColumn<QSize>("expectedSize");
        QTest::addColumn<int>("outerBand");  // widths as drawn, after clamping
        QTest::addColumn<int>("innerBand");
        QTest::newRow("both bands") << QSize(640, 480) << 10 << 5 << QSize(670, 510) << 10 << 5;
        QTest::newRow("inside only") << QSize(64, 48) << 0 << 5 << QSize(74, 58) << 0 << 5;
        QTest::newRow("outside only") << QSize(64, 48) << 5 << 0 << QSize(74, 58) << 5 << 0;
        QTest::newRow("negative outside as 0")
            << QSize(64, 48) << -5 << 5 << QSize(74, 58) << 0 << 5;
        QTest::newRow("negative inside as 0")
            << QSize(64, 48) << 3 << -9 << QSize(70, 54) << 3 << 0;
        QTest::newRow("one pixel picture") << QSize(1, 1) << 1 << 2 << QSize(7, 7) << 1 << 2;
        QTest::newRow("one row picture") << QSize(33, 1) << 2 << 1 << QSize(39, 7) << 2 << 1;
        QTest::newRow("bands wider than the picture")
            << QSize(20, 3) << 9 << 4 << QSize(46, 29) << 9 << 4;
    }
    void bordersSurroundThePicture() {
        QFETCH(QSize, picture);
        QFETCH(int, outside);
        QFETCH(int, inside);
        QFETCH(QSize, expectedSize);
        QFETCH(int, outerBand);
        QFETCH(int, innerBand);
        QCOMPARE(BorderGrowth(outside, inside), qint64(expectedSize.width() - picture.width()));
        const QImage source = PatternImage(picture.width(), picture.height());
        // Outside red, inside blue, as stored (red in the low byte).
        const QImage result = AddBorders(source, outside, inside, 0x0000FF, 0xFF0000);
        QCOMPARE(result.size(), expectedSize);
        QCOMPARE(result.format(), QImage::Format_RGB32);
        const int w = expectedSize.width(), h = expectedSize.height();
        const int o = outerBand, pictureAt = outerBand + innerBand;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                const bool outer = x < o || y < o || x >= w - o || y >= h - o;
                const bool inPicture = x >= pictureAt && y >= pictureAt &&
                                       x < pictureAt + picture.width() &&
                                       y < pictureAt + picture.height();
                const quint32 expected = outer ? 0xFF0000u
                                         : inPicture
                                             ? PixelRgb(source, x - pictureAt, y - pictureAt)
                                             : 0x0000FFu;
                if (PixelRgb(result, x, y) != expected)
                    QFAIL(qPrintable(QStringLiteral("pixel %1,%2 is %3, expected %4")
                                         .arg(x)
                                         .arg(y)
                                         .arg(PixelRgb(result, x, y), 6, 16, QLatin1Char('0'))
                                         .arg(expected, 6, 16, QLatin1Char('0'))));
            }
    }

    void noBandsReturnThePicture_data() {
        QTest::addColumn<int>("outside");
        QTest::addColumn<int>("inside");
        QTest::newRow("zero") << 0 << 0;
        QTest::newRow("negative") << -3 << -7;
    }
    void noBandsReturnThePicture() {
        QFETCH(int, outside);
        QFETCH(int, inside);
        const QImage source = PatternImage(20, 10);
        QCOMPARE(AddBorders(source, outside, inside, clBlack, clWhite).constBits(),
                 source.constBits());
        QCOMPARE(BorderGrowth(outside, inside), qint64(0));
        QVERIFY(AddBorders(QImage(), 5, 5, clBlack, clWhite).isNull());
    }

    // Bands that would make the result larger than a render may be are refused before
    // any allocation; the growth is reported without wrapping.
    void hugeBandsAreRefused_data() {
        QTest::addColumn<int>("outside");
        QTest::addColumn<int>("inside");
        QTest::addColumn<qint64>("growth");
        QTest::newRow("2^30 each") << (1 << 30) << (1 << 30) << (qint64(1) << 32);
        QTest::newRow("max int each") << kMaxInt << kMaxInt << 4 * qint64(kMaxInt);
        QTest::newRow("max int outside") << kMaxInt << 0 << 2 * qint64(kMaxInt);
        // 16385 x 16385 is just past 2^28 pixels.
        QTest::newRow("just past the limit") << 4096 << 4096 << qint64(16384);
    }
    void hugeBandsAreRefused() {
        QFETCH(int, outside);
        QFETCH(int, inside);
        QFETCH(qint64, growth);
        QCOMPARE(BorderGrowth(outside, inside), growth);
        const QImage source = PatternImage(1, 1);
        QVERIFY(1 + growth > 16384);  // a square side past 2^14: more than 2^28 pixels
        QVERIFY(AddBorders(source, outside, inside, clBlack, clWhite).isNull());
    }
};

QTEST_MAIN(TestFrame)
#include "test_frame.moc"
