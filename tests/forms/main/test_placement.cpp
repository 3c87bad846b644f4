// Where the window goes at start and where an edit dialog opens, as rules on rectangles.

#include <QTest>

#include "forms/main/Placement.h"

using namespace vellumora;

namespace {

// A desktop of two screens: a panel below the primary one.
const QRect kPrimary(0, 0, 1920, 1040);
const QRect kSecond(1920, 0, 1280, 1024);
const QSize kDefault(576, 395);

const QRect kScreen(0, 0, 1280, 800);
const QRect kWindow(100, 100, 800, 600);

}  // namespace

class TestPlacement : public QObject {
    Q_OBJECT

private slots:
    void windowPlace_data() {
        QTest::addColumn<QRect>("stored");
        QTest::addColumn<QList<QRect>>("screens");
        QTest::addColumn<QRect>("expected");
        const QList<QRect> both{kPrimary, kSecond}, primary{kPrimary};
        const QRect centred(672, 322, 576, 395);
        QTest::newRow("on the primary screen")
            << QRect(100, 80, 800, 600) << both << QRect(100, 80, 800, 600);
        QTest::newRow("on the second screen")
            << QRect(2000, 100, 800, 600) << both << QRect(2000, 100, 800, 600);
        QTest::newRow("across both: onto the one showing most of it")
            << QRect(1700, 100, 800, 600) << both << QRect(1920, 100, 800, 600);
        QTest::newRow("hanging below the panel's edge")
            << QRect(100, 900, 800, 600) << both << QRect(100, 440, 800, 600);
        QTest::newRow("larger than its screen")
            << QRect(2000, 0, 1600, 1200) << both << QRect(1920, 0, 1280, 1024);
        QTest::newRow("small, shown whole")
            << QRect(10, 10, 50, 30) << primary << QRect(10, 10, 50, 30);
        QTest::newRow("its screen taken away") << QRect(2000, 100, 800, 600) << primary << centred;
        QTest::newRow("only a sliver shown") << QRect(1890, 100, 800, 600) << primary << centred;
        QTest::newRow("above the screen") << QRect(100, -700, 800, 600) << both << centred;
        QTest::newRow("nothing stored") << QRect() << both << centred;
        QTest::newRow("negative width") << QRect(100, 100, -5, 400) << both << centred;
        QTest::newRow("beyond any desktop") << QRect(2000000000, 5, 800, 600) << both << centred;
        QTest::newRow("default larger than the screen")
            << QRect() << QList<QRect>{QRect(40, 30, 500, 300)} << QRect(40, 30, 500, 300);
        QTest::newRow("no screen at all")
            << QRect(1, 2, 3, 4) << QList<QRect>{} << QRect(QPoint(0, 0), kDefault);
    }
    void windowPlace() {
        QFETCH(QRect, stored);
        QFETCH(QList<QRect>, screens);
        QFETCH(QRect, expected);
        QCOMPARE(WindowPlace(stored, screens, kDefault), expected);
    }

    void dialogBesidePhoto_data() {
        QTest::addColumn<QRect>("photo");
        QTest::addColumn<QSize>("dialog");
        QTest::addColumn<QPoint>("expected");
        const QSize dialog(300, 200);
        QTest::newRow("right of the photo")
            << QRect(200, 100, 400, 300) << dialog << QPoint(608, 150);
        QTest::newRow("no room right: left")
            << QRect(700, 100, 500, 300) << dialog << QPoint(392, 150);
        QTest::newRow("no room at the sides: below")
            << QRect(100, 50, 1100, 400) << dialog << QPoint(500, 458);
        QTest::newRow("no room below: above")
            << QRect(100, 350, 1100, 400) << dialog << QPoint(500, 142);
        QTest::newRow("beside a photo low on the screen: kept on it")
            << QRect(200, 650, 400, 150) << dialog << QPoint(608, 600);
        QTest::newRow("part of the photo off the screen: beside what shows")
            << QRect(-200, 100, 600, 300) << dialog << QPoint(408, 150);
        QTest::newRow("no room anywhere: the corner covering least")
            << QRect(0, 0, 1100, 800) << dialog << QPoint(980, 600);
        QTest::newRow("photo over the whole screen: a corner")
            << QRect(0, 0, 1280, 800) << dialog << QPoint(980, 600);
        QTest::newRow("a wide photo: the lower corner covering least")
            << QRect(0, 0, 1280, 700) << QSize(300, 150) << QPoint(980, 650);
        QTest::newRow("a photo off the middle: the corner covering least")
            << QRect(100, 0, 1180, 700) << dialog << QPoint(0, 600);
        QTest::newRow("no photo shown: centred over the window")
            << QRect() << dialog << QPoint(350, 300);
        QTest::newRow("dialog larger than the screen: its top-left corner")
            << QRect(200, 100, 400, 300) << QSize(1400, 900) << QPoint(0, 0);
    }
    void dialogBesidePhoto() {
        QFETCH(QRect, photo);
        QFETCH(QSize, dialog);
        QFETCH(QPoint, expected);
        const QPoint at = DialogBesidePhoto(photo, kWindow, dialog, kScreen);
        QCOMPARE(at, expected);
        // Whatever the place, the dialog is on the screen where the screen can hold it.
        if (kScreen.width() >= dialog.width() && kScreen.height() >= dialog.height())
            QVERIFY(kScreen.contains(QRect(at, dialog)));
    }

    void dialogBesidePhotoOnAnotherScreen() {
        const QRect screen(1280, 0, 1920, 1080);
        QCOMPARE(DialogBesidePhoto(QRect(1400, 100, 800, 600), kWindow, QSize(300, 200), screen),
                 QPoint(2208, 300));
    }
};

QTEST_APPLESS_MAIN(TestPlacement)
#include "test_placement.moc"
