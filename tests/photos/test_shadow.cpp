// The drop shadow: its blur kernel and the blur.

#include <QTest>
#include <cmath>

#include "Stages.h"
#include "TestSupport.h"

using namespace vellumora;
using namespace vellumora::test;

namespace {

int Channel(quint32 rgb, int shift) {
    return int(rgb >> shift & 0xFF);
}

int MaxDifference(const QImage& a, const QImage& b) {
    int worst = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            for (int shift : {0, 8, 16})
                worst = std::max(worst, std::abs(Channel(PixelRgb(a, x, y), shift) -
                                                 Channel(PixelRgb(b, x, y), shift)));
    return worst;
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
            QCOMPARE(MaxDifference(image, SolidImage(9, 4, colour)), 0);
        }
    }

    // Rows first, then columns, each from the definition; pictures narrower than the
    // kernel lean on the repeated border.
    void blurMatchesDirectSums_data() {
        QTest::addColumn<QSize>("size");
        QTest::addColumn<double>("radius");
        QTest::newRow("13x9 r1") << QSize(13, 9) << 1.0;
        QTest::newRow("13x9 r3") << QSize(13, 9) << 3.0;
        QTest::newRow("6x17 r7") << QSize(6, 17) << 7.0;
    }
    void blurMatchesDirectSums() {
        QFETCH(QSize, size);
        QFETCH(double, radius);
        const TBlurKernel kernel = BuildBlurKernel(radius);
        const QImage source = PatternImage(size.width(), size.height());
        QImage blurred = source;
        BlurBitmap(blurred, kernel);
        QCOMPARE(MaxDifference(source, PatternImage(size.width(), size.height())),
                 0);  // shared input kept
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
};

QTEST_GUILESS_MAIN(TestShadow)
#include "test_shadow.moc"
