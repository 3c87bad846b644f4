// The watermark stage: placement, blending, clipping and hostile settings.

#include <QPainter>
#include <QTest>
#include <limits>
#include <tuple>

#include "photos/stages/Stages.h"
#include "support/TestSupport.h"

using namespace vellumora;
using namespace vellumora::test;

namespace {

constexpr int kMaxInt = std::numeric_limits<int>::max();
constexpr int kMinInt = std::numeric_limits<int>::min();

TFont Font(int height, TColor color = clWhite, const QString& name = QStringLiteral("Arial")) {
    TFont font;
    font.Name = name;
    font.Height = height;
    font.Color = color;
    return font;
}

// The cell's top-left corner as the nine positions place it, written out per position.
QPoint CellCorner(QSize picture, QSize text, int position, int x, int y) {
    const int w = picture.width(), h = picture.height();
    const int tw = text.width(), th = text.height();
    const int centreX = (w - tw) / 2, centreY = (h - th) / 2;
    switch (position) {
        case 0:
            return {x, y};
        case 1:
            return {centreX, y};
        case 2:
            return {w - tw - x, y};
        case 3:
            return {x, centreY};
        case 5:
            return {w - tw - x, centreY};
        case 6:
            return {x, h - th - y};
        case 7:
            return {centreX, h - th - y};
        case 8:
            return {w - tw - x, h - th - y};
        default:
            return {centreX, centreY};
    }
}

// The watermark computed the slow way: the text drawn onto a black image of the whole
// picture's size, then every pixel blended one by one.
QImage Reference(const QImage& picture, const QString& text, const TFont& font, int position, int x,
                 int y, int opacity) {
    const QFont qfont = WatermarkFont(font);
    const QFontMetrics metrics(qfont);
    const QPoint corner = CellCorner(picture.size(), WatermarkTextSize(text, font), position, x, y);
    QImage cover(picture.size(), QImage::Format_RGB32);
    cover.fill(Qt::black);
    {
        QPainter painter(&cover);
        painter.setFont(qfont);
        painter.setPen(Qt::white);
        painter.drawText(QPointF(corner.x(), corner.y() + metrics.ascent()), text);
    }
    QImage result = picture.copy();
    const int fr = font.Color & 0xFF, fg = (font.Color >> 8) & 0xFF, fb = (font.Color >> 16) & 0xFF;
    for (int py = 0; py < picture.height(); ++py)
        for (int px = 0; px < picture.width(); ++px) {
            const QRgb c = cover.pixel(px, py);
            const int t = (qRed(c) + qGreen(c) + qBlue(c)) / 3;
            const QRgb p = picture.pixel(px, py);
            result.setPixel(px, py,
                            qRgb(WatermarkBlend(qRed(p), fr, t, opacity),
                                 WatermarkBlend(qGreen(p), fg, t, opacity),
                                 WatermarkBlend(qBlue(p), fb, t, opacity)));
        }
    return result;
}

QString Repeated(const QString& part, int count) {
    QString text;
    for (int i = 0; i < count; ++i) text += part;
    return text;
}

}  // namespace

class TestWatermark : public QObject {
    Q_OBJECT

private slots:
    // The faces the rows name, as scripts/deps.sh installs them: "Arial" is Liberation Sans,
    // whose metrics the cell heights below were taken with, and Z003 has swashes that reach
    // outside the cell. A stand-in face would fail or pass rows for reasons of its own.
    void initTestCase() {
        for (const auto& [asked, face, package] :
             {std::tuple("Arial", "Liberation Sans", "fonts-liberation2"),
              std::tuple("DejaVu Serif", "DejaVu Serif", "fonts-dejavu-core"),
              std::tuple("Z003", "Z003", "fonts-urw-base35")}) {
            const QString problem = FontProblem(asked, face, package);
            QVERIFY2(problem.isEmpty(), qPrintable(problem));
        }
    }

    // Hand-worked values of the blend, including truncation at every division.
    void blendMixesByCoverageAndOpacity_data() {
        QTest::addColumn<int>("channel");
        QTest::addColumn<int>("fontChannel");
        QTest::addColumn<int>("coverage");
        QTest::addColumn<int>("opacity");
        QTest::addColumn<int>("expected");
        QTest::newRow("covered, opaque") << 0 << 255 << 255 << 0 << 255;
        QTest::newRow("covered, half") << 0 << 255 << 255 << 128 << 127;
        QTest::newRow("half covered, opaque") << 0 << 255 << 128 << 0 << 128;
        // a = 127 * 128 div 255 = 63 (63.75 truncated).
        QTest::newRow("half covered, half opaque") << 0 << 255 << 128 << 128 << 63;
        // a = 1; (254 * 1 + 1 * 0) div 255 = 0.
        QTest::newRow("faint text truncates") << 1 << 0 << 255 << 254 << 0;
        QTest::newRow("uncovered") << 77 << 255 << 0 << 0 << 77;
        QTest::newRow("transparent") << 200 << 0 << 255 << 255 << 200;
        QTest::newRow("darkens") << 100 << 50 << 255 << 0 << 50;
        // a = 191 * 64 div 255 = 47; (208 * 100 + 47 * 200) div 255 = 118.
        QTest::newRow("truncates twice") << 100 << 200 << 64 << 64 << 118;
        QTest::newRow("opacity below 0 as 0") << 0 << 255 << 255 << -10 << 255;
        QTest::newRow("opacity above 255 as 255") << 30 << 255 << 255 << 1000 << 30;
        QTest::newRow("opacity min int") << 0 << 255 << 255 << kMinInt << 255;
    }
    void blendMixesByCoverageAndOpacity() {
        QFETCH(int, channel);
        QFETCH(int, fontChannel);
        QFETCH(int, coverage);
        QFETCH(int, opacity);
        QFETCH(int, expected);
        QCOMPARE(WatermarkBlend(channel, fontChannel, coverage, opacity), expected);
    }

    // The stage, which draws only the part of the picture the text can reach, against
    // the whole-picture computation.
    void stageMatchesWholePictureDrawing_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<TFont>("font");
        QTest::addColumn<int>("position");
        QTest::addColumn<int>("x");
        QTest::addColumn<int>("y");
        QTest::addColumn<int>("opacity");

        const QString text = QStringLiteral("Vellumora 2024");
        for (int position = 0; position <= 8; ++position)
            QTest::addRow("position %d", position)
                << text << Font(-24) << position << 8 << 12 << 64;
        QTest::newRow("position 9 centres") << text << Font(-24) << 9 << 8 << 12 << 64;
        QTest::newRow("position -1 centres") << text << Font(-24) << -1 << 8 << 12 << 64;
        QTest::newRow("negative margins") << text << Font(-24) << 0 << -30 << -10 << 0;
        QTest::newRow("negative margins, bottom right") << text << Font(-24) << 8 << -40 << -9 << 0;

        TFont styled = Font(-30, 0x3366CC);
        styled.Bold = styled.Italic = true;
        QTest::newRow("bold italic at the corner") << text << styled << 8 << 0 << 0 << 100;
        styled.Underline = styled.StrikeOut = true;
        QTest::newRow("underline and strikeout") << text << styled << 6 << 3 << 3 << 0;
        TFont script = Font(-40, 0x00FFFF, QStringLiteral("Z003"));
        script.Italic = true;
        QTest::newRow("script face with swashes")
            << QStringLiteral("fjord Qy") << script << 0 << 0 << 0 << 0;
        QTest::newRow("accents above the cell")
            << QStringLiteral("ÅÉÎ Ǻ gjpq") << Font(-28) << 1 << 0 << 0 << 0;
        QTest::newRow("wider than picture, centred")
            << Repeated(QStringLiteral("Wide "), 40) << Font(-20) << 4 << 0 << 0 << 30;
        QTest::newRow("wider than picture, right")
            << Repeated(QStringLiteral("Wide "), 40) << Font(-20) << 2 << 8 << 8 << 30;
        QTest::newRow("large glyphs")
            << QStringLiteral("Wg") << Font(-150, 0x102030) << 4 << 0 << 0 << 10;
        QTest::newRow("cell height") << text << Font(40) << 5 << 4 << 0 << 0;
        QTest::newRow("tiny") << text << Font(-3) << 0 << 2 << 2 << 0;
        QTest::newRow("ten thousand characters")
            << Repeated(QStringLiteral("Vellumora "), 1000) << Font(-16) << 7 << 0 << 5 << 0;
    }
    void stageMatchesWholePictureDrawing() {
        QFETCH(QString, text);
        QFETCH(TFont, font);
        QFETCH(int, position);
        QFETCH(int, x);
        QFETCH(int, y);
        QFETCH(int, opacity);
        const QImage picture = PatternImage(320, 200);
        const QImage expected = Reference(picture, text, font, position, x, y, opacity);
        QVERIFY(expected != picture);  // the row really puts text on the picture
        const QImage result = DrawWatermark(picture, text, font, position, x, y, opacity);
        QCOMPARE(result.size(), picture.size());
        QCOMPARE(result.format(), QImage::Format_RGB32);
        QCOMPARE(CompareImages(result, expected), QString());
    }

    // Glyph cores on black take the font colour times (255 - opacity) div 255, and no
    // pixel goes beyond it.
    void glyphCoresTakeTheFontColour_data() {
        QTest::addColumn<quint32>("color");  // TColor, red in the low byte
        QTest::addColumn<int>("opacity");
        QTest::addColumn<quint32>("brightest");  // 0xRRGGBB
        QTest::newRow("white, opaque") << clWhite << 0 << 0xFFFFFFu;
        QTest::newRow("white, half") << clWhite << 128 << 0x7F7F7Fu;
        QTest::newRow("white, opacity below 0") << clWhite << -50 << 0xFFFFFFu;
        QTest::newRow("red as stored") << 0x0000FFu << 0 << 0xFF0000u;
    }
    void glyphCoresTakeTheFontColour() {
        QFETCH(quint32, color);
        QFETCH(int, opacity);
        QFETCH(quint32, brightest);
        TFont font = Font(-48, color);
        font.Bold = true;
        const QImage result = DrawWatermark(SolidImage(200, 80, 0x000000), QStringLiteral("HIM"),
                                            font, 4, 0, 0, opacity);
        quint32 max = 0;
        for (int y = 0; y < result.height(); ++y)
            for (int x = 0; x < result.width(); ++x) {
                const quint32 p = PixelRgb(result, x, y);
                for (int shift : {0, 8, 16})
                    QVERIFY((p >> shift & 255) <= (brightest >> shift & 255));
                max = std::max(max, p);
            }
        QCOMPARE(max, brightest);
    }

    void bottomRightCellSitsAtTheMargins() {
        const QString text = QStringLiteral("Vellumora");
        const TFont font = Font(-16);
        const QSize size = WatermarkTextSize(text, font);
        const int ascent = QFontMetrics(WatermarkFont(font)).ascent();
        const QRect cell(640 - size.width() - 8, 480 - size.height() - 8, size.width(),
                         size.height());
        const QImage black = SolidImage(640, 480, 0x000000);
        const QRect box = DiffImages(black, DrawWatermark(black, text, font, 8, 8, 8, 0)).box;
        QVERIFY(!box.isEmpty());
        QVERIFY2(cell.contains(box), qPrintable(QStringLiteral("drawn %1,%2 %3x%4 outside the cell")
                                                    .arg(box.x())
                                                    .arg(box.y())
                                                    .arg(box.width())
                                                    .arg(box.height())));
        // The glyphs end close to the cell's right edge and stand on the baseline.
        QVERIFY(box.right() >= cell.right() - 3);
        QVERIFY(box.bottom() >= cell.top() + ascent - 1);
    }

    void wideTextIsCutAtThePictureEdges_data() {
        QTest::addColumn<int>("position");
        QTest::addColumn<int>("lastColumn");  // rightmost column the text may change
        QTest::newRow("centred") << 4 << 299;
        QTest::newRow("right, 8 from the edge") << 2 << 291;
    }
    void wideTextIsCutAtThePictureEdges() {
        QFETCH(int, position);
        QFETCH(int, lastColumn);
        // The underline runs the whole width of the text, so the cut shows in its row.
        TFont font = Font(-20);
        font.Underline = true;
        const QString text = Repeated(QStringLiteral("Wide "), 40);
        QVERIFY(WatermarkTextSize(text, font).width() > 2 * 300);
        const QImage black = SolidImage(300, 100, 0x000000);
        const QRect box =
            DiffImages(black, DrawWatermark(black, text, font, position, 8, 8, 0)).box;
        QCOMPARE(box.left(), 0);
        QVERIFY(box.right() <= lastColumn);
        QVERIFY(box.right() >= lastColumn - 1);  // the underline's end may be a partial pixel
    }

    // Margins that put the text wholly off the picture leave it alone, also when the
    // arithmetic would overflow 32 bits.
    void textOffThePictureChangesNothing_data() {
        QTest::addColumn<int>("position");
        QTest::addColumn<int>("x");
        QTest::addColumn<int>("y");
        QTest::newRow("left, x = width") << 0 << 200 << 8;
        QTest::newRow("bottom, y = height") << 6 << 8 << 100;
        QTest::newRow("left, x max") << 3 << kMaxInt << 0;
        QTest::newRow("right, x max") << 5 << kMaxInt << 0;
        QTest::newRow("right, x min") << 2 << kMinInt << 0;
        QTest::newRow("left, x min") << 0 << kMinInt << 0;
        QTest::newRow("top, y max") << 1 << 0 << kMaxInt;
        QTest::newRow("bottom, y max") << 7 << 0 << kMaxInt;
        QTest::newRow("bottom, y min") << 8 << 0 << kMinInt;
        QTest::newRow("right, far left") << 8 << 100000 << 8;
    }
    void textOffThePictureChangesNothing() {
        QFETCH(int, position);
        QFETCH(int, x);
        QFETCH(int, y);
        const QImage picture = PatternImage(200, 100);
        const QImage result =
            DrawWatermark(picture, QStringLiteral("Gone"), Font(-20), position, x, y, 0);
        QCOMPARE(result, picture);
        QCOMPARE(result.constBits(), picture.constBits());  // not even copied
    }

    void nothingToDrawReturnsThePicture() {
        const QImage picture = PatternImage(120, 60);
        const QImage keep = picture.copy();
        QCOMPARE(DrawWatermark(picture, QString(), Font(-20), 4, 0, 0, 0).constBits(),
                 picture.constBits());
        for (int opacity : {255, 100000})
            QCOMPARE(DrawWatermark(picture, QStringLiteral("Clear"), Font(-40), 4, 0, 0, opacity),
                     picture);
        QVERIFY(DrawWatermark(QImage(), QStringLiteral("x"), Font(-20), 4, 0, 0, 0).isNull());
        // Drawing for real leaves the caller's shared copy alone.
        QVERIFY(DrawWatermark(picture, QStringLiteral("Mine"), Font(-30), 4, 0, 0, 0) != picture);
        QCOMPARE(picture, keep);
    }

    void linesAddToTheGlyphs_data() {
        QTest::addColumn<bool>("underline");
        QTest::addColumn<bool>("strikeOut");
        QTest::newRow("underline") << true << false;
        QTest::newRow("strikeout") << false << true;
    }
    void linesAddToTheGlyphs() {
        QFETCH(bool, underline);
        QFETCH(bool, strikeOut);
        const QImage black = SolidImage(300, 80, 0x000000);
        const QString text = QStringLiteral("Lined text");
        TFont font = Font(-32);
        const int plain = DiffImages(black, DrawWatermark(black, text, font, 4, 0, 0, 0)).pixels;
        font.Underline = underline;
        font.StrikeOut = strikeOut;
        const int lined = DiffImages(black, DrawWatermark(black, text, font, 4, 0, 0, 0)).pixels;
        QVERIFY2(lined > plain + 100, qPrintable(QStringLiteral("%1 vs %2").arg(lined).arg(plain)));
    }

    // Heights outside any sensible range are clamped to 1..2000 pixels.
    void absurdHeightsAreClamped_data() {
        QTest::addColumn<int>("height");
        QTest::addColumn<int>("sameAs");
        QTest::newRow("0") << 0 << -1;
        QTest::newRow("-100000") << -100000 << -2000;
        QTest::newRow("min int") << kMinInt << -2000;
        QTest::newRow("max int cell") << kMaxInt << -2000;
    }
    void absurdHeightsAreClamped() {
        QFETCH(int, height);
        QFETCH(int, sameAs);
        QCOMPARE(WatermarkFont(Font(height)).pixelSize(), -sameAs);
        const QImage picture = PatternImage(200, 120);
        const QString text = QStringLiteral("\u2588");  // a full block
        const QImage result = DrawWatermark(picture, text, Font(height), 4, 0, 0, 0);
        QCOMPARE(result, DrawWatermark(picture, text, Font(sameAs), 4, 0, 0, 0));
        if (sameAs == -2000)  // the middle of a 2000-pixel block covers the whole picture
            QCOMPARE(DiffImages(picture, result).pixels, 200 * 120);
    }

    void positiveHeightIsTheCellHeight_data() {
        QTest::addColumn<QString>("face");
        QTest::addColumn<int>("height");
        QTest::newRow("sans 40") << QStringLiteral("Arial") << 40;
        QTest::newRow("serif 100") << QStringLiteral("DejaVu Serif") << 100;
    }
    void positiveHeightIsTheCellHeight() {
        QFETCH(QString, face);
        QFETCH(int, height);
        const int cell =
            WatermarkTextSize(QStringLiteral("x"), Font(height, clWhite, face)).height();
        QVERIFY2(qAbs(cell - height) <= 2, qPrintable(QString::number(cell)));
        // The character height of the same number is smaller than the whole cell.
        QVERIFY(WatermarkFont(Font(height, clWhite, face)).pixelSize() < height);
    }

    void longTextOnAHugeFontStaysWithinThePicture() {
        const QImage picture = PatternImage(400, 300);
        const QString text = Repeated(QStringLiteral("\u2588"), 10000);
        const QImage result = DrawWatermark(picture, text, Font(-100000, 0x0000FF), 4, 0, 0, 0);
        QCOMPARE(result.size(), picture.size());
        for (int y = 0; y < result.height(); ++y)
            for (int x = 0; x < result.width(); ++x) QCOMPARE(PixelRgb(result, x, y), 0xFF0000u);
    }
};

QTEST_MAIN(TestWatermark)
#include "test_watermark.moc"
