// The colour swatch of colour buttons.

#include <QTest>

#include "forms/common/ColorSwatch.h"
#include "support/TestSupport.h"

using namespace vellumora;
using vellumora::test::PixelRgb;

class TestColorSwatch : public QObject {
    Q_OBJECT

private slots:
    void glyph_data() {
        QTest::addColumn<quint32>("color");       // TColor, 0x00BBGGRR
        QTest::addColumn<quint32>("fill");        // 0xRRGGBB inside the outline
        QTest::addColumn<quint32>("background");  // 0xRRGGBB of the outer columns
        QTest::newRow("orange") << 0x000080FFu << 0xFF8000u << 0xFFFFFFu;
        QTest::newRow("white shows red edges") << 0x00FFFFFFu << 0xFFFFFFu << 0xFF0000u;
        QTest::newRow("system colour drawn as rendered") << 0xFF000005u << 0x050000u << 0xFFFFFFu;
    }
    void glyph() {
        QFETCH(quint32, color);
        QFETCH(quint32, fill);
        QFETCH(quint32, background);
        const QImage glyph = ColorGlyph(QSize(75, 25), color);
        QCOMPARE(glyph.size(), QSize(59, 17));
        for (int y : {0, 8, 16}) {
            QCOMPARE(PixelRgb(glyph, 0, y), background);
            QCOMPARE(PixelRgb(glyph, 58, y), background);
            QCOMPARE(PixelRgb(glyph, 1, y), 0u);  // the outline's left and right columns
            QCOMPARE(PixelRgb(glyph, 57, y), 0u);
        }
        QCOMPARE(PixelRgb(glyph, 30, 0), 0u);  // top and bottom rows of the outline
        QCOMPARE(PixelRgb(glyph, 30, 16), 0u);
        QCOMPARE(PixelRgb(glyph, 2, 1), fill);
        QCOMPARE(PixelRgb(glyph, 56, 15), fill);
    }
    void tooSmallButtonHasNone() { QVERIFY(ColorGlyph(QSize(18, 9), clBlack).isNull()); }
};

QTEST_GUILESS_MAIN(TestColorSwatch)
#include "test_colorswatch.moc"
