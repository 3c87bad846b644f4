// The Crop dialog driven as a user would: the pointer on the picture, the arrow keys, the
// ratio and Smart buttons, and what OK, Apply and Cancel leave in the photo's record and
// its rendered picture.

#include <QAbstractButton>
#include <QAccessible>
#include <QApplication>
#include <QFileInfo>
#include <QLabel>
#include <QMouseEvent>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>
#include <array>

#include "forms/crop/CropGeometry.h"
#include "forms/crop/FormCrop.h"
#include "forms/main/FormMain.h"
#include "photos/Photo.h"
#include "photos/stages/Render.h"
#include "photos/stages/Stages.h"
#include "support/FakePlatform.h"
#include "support/Modal.h"
#include "support/RectSupport.h"
#include "support/TestSupport.h"

using namespace vellumora;
using R = TRect;
using Path = QList<QPoint>;

namespace {

// The photo is 866 x 578: its picture is 433 x 289, exactly half.
R Twice(const R& r) {
    return {2 * r.Left, 2 * r.Top, 2 * r.Right, 2 * r.Bottom};
}

// A photo and its record, rendered at full size (Max 0) so that Rendered is the crop
// itself, and a Crop dialog working on it.
struct TCropRig {
    TPhotoInfo info;
    TPhoto photo;
    TFormCrop dialog{photo};

    TCropRig(const QString& file, const R& crop = {}, int ratio = 0, int rotate = 0) : info(file) {
        info.Max = 0;
        info.Crop = crop;
        info.Ratio = ratio;
        info.Rotate = rotate;
        photo.SetMasksFolder(QFileInfo(file).path());
        photo.AssignInfo(&info);
    }
    bool Show() { return test::ShowActive(&dialog); }
    QWidget* Picture() const { return dialog.findChild<QWidget*>("ImagePhoto"); }
    QString Label() const { return dialog.findChild<QLabel*>("LabelSelection")->text(); }
    // Enlarges the dialog until the picture is drawn scale times as large; false if it is
    // not.
    bool Enlarge(int scale) {
        dialog.resize(dialog.size() + QSize(433, 433) * (scale - 1));
        test::ProcessPendingEvents();
        return Picture()->size() == dialog.WorkImage().size() * scale;
    }
    // A pointer move without a button. (QTest moves the system cursor for that, which not
    // every platform turns into an event.)
    void Hover(QPoint p) const {
        QMouseEvent move(QEvent::MouseMove, p, Picture()->mapToGlobal(p), Qt::NoButton,
                         Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(Picture(), &move);
    }
    // Press at the first point, move through the others, release at the last.
    void Drag(const Path& path) const {
        QTest::mousePress(Picture(), Qt::LeftButton, {}, path.first());
        for (int i = 1; i < path.size(); ++i) QTest::mouseMove(Picture(), path[i]);
        QTest::mouseRelease(Picture(), Qt::LeftButton, {}, path.last());
    }
    // What the chain makes of the record with the preview's size.
    QImage ExpectedPreview() const {
        TPhotoInfo scratch;
        scratch.Assign(&info);
        scratch.Max = 117;
        return RenderChain(photo.Original(), scratch, QImage());
    }
};

}  // namespace

class TestFormCrop : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    QString file_;

    QString Photo(const QString& name, const QImage& image) {
        const QString path = dir_.filePath(name);
        return image.save(path) ? path : QString();
    }

private slots:
    void initTestCase() {
        QVERIFY(dir_.isValid());
        file_ = Photo("photo.png", test::PatternImage(866, 578));
        QVERIFY(!file_.isEmpty());
    }

    void show() {
        TCropRig rig(file_, {100, 80, 300, 240}, 3);
        QVERIFY(rig.Show());
        QCOMPARE(rig.dialog.WorkImage().size(), QSize(433, 289));
        QCOMPARE(rig.Picture()->geometry(), QRect(8, 88, 433, 289));
        // Choosing 4 * 6 on show leaves the stored selection as it was.
        QVERIFY(rig.dialog.findChild<QRadioButton*>("RadioButton4_6")->isChecked());
        QCOMPARE(rig.dialog.Selection(), (R{50, 40, 150, 120}));
        QCOMPARE(rig.dialog.PreviewImage(), rig.ExpectedPreview());
        QCOMPARE(rig.dialog.findChild<QWidget*>("ImagePreview")->geometry(), QRect(8, 27, 117, 94));
        QCOMPARE(QApplication::focusWidget(), rig.Picture());
    }

    // Drawn, moved or reshaped on the picture, then OK: the stored crop, rendered, is the
    // part of the turned photo that was outlined; showing again draws it where it was.
    void drags_data() {
        QTest::addColumn<int>("rotate");
        QTest::addColumn<int>("ratio");
        QTest::addColumn<R>("crop");
        QTest::addColumn<Path>("path");
        QTest::addColumn<R>("selection");
        QTest::addColumn<R>("stored");
        QTest::addColumn<QString>("label");
        QTest::addColumn<int>("scale");
        const auto row = [](const char* name, int rotate, int ratio, R crop, Path path, R selection,
                            R stored, const char* label, int scale = 1) {
            QTest::newRow(name) << rotate << ratio << crop << path << selection << stored
                                << QString::fromUtf8(label) << scale;
        };
        const R shown{100, 80, 300, 240};  // (50, 40, 150, 120) on the picture
        const char* shownSize = "200 × 160 pixels, 5 : 4";
        row("new", 0, 0, {}, {{50, 40}, {100, 90}, {150, 120}}, {50, 40, 150, 120}, shown,
            shownSize);
        row("new, up-left", 0, 0, {}, {{150, 120}, {90, 70}, {50, 40}}, {50, 40, 150, 120}, shown,
            shownSize);
        row("past the picture", 0, 0, {}, {{400, 250}, {500, 350}}, {400, 250, 500, 350},
            {800, 500, 1000, 700}, "66 × 78 pixels, 11 : 13");
        row("click outside", 0, 0, shown, {{300, 200}}, {300, 200, 300, 200}, {600, 400, 600, 400},
            "Whole photo");
        row("move, Original", 0, 1, shown, {{100, 80}, {105, 78}, {110, 75}}, {60, 35, 160, 115},
            {120, 70, 320, 230}, shownSize);
        row("4 * 3, right edge to 120 wide", 0, 6, {100, 120, 280, 360}, {{138, 100}, {170, 100}},
            {50, 40, 170, 200}, {100, 80, 340, 400}, "240 × 320 pixels, 3 : 4");
        row("90: left quarter is the top quarter", 90, 0, {}, {{0, 433}, {72, 0}}, {0, 0, 72, 433},
            {0, 0, 866, 144}, "144 × 866 pixels, 1 : 6.01");
        row("-180: left is right", -180, 0, {}, {{0, 289}, {100, 0}}, {0, 0, 100, 289},
            {666, 0, 866, 578}, "200 × 578 pixels, 1 : 2.89");
        row("-90", -90, 0, {}, {{10, 20}, {60, 100}}, {10, 20, 60, 100}, {666, 458, 826, 558},
            "100 × 160 pixels, 5 : 8");
        // On a dialog enlarged so that the picture is drawn twice as large, the same places
        // on the photo give the same crops.
        row("new, enlarged", 0, 0, {}, {{50, 40}, {100, 90}, {150, 120}}, {50, 40, 150, 120}, shown,
            shownSize, 2);
        row("4 * 3, right edge, enlarged", 0, 6, {100, 120, 280, 360}, {{138, 100}, {170, 100}},
            {50, 40, 170, 200}, {100, 80, 340, 400}, "240 × 320 pixels, 3 : 4", 2);
        row("90, enlarged", 90, 0, {}, {{0, 433}, {72, 0}}, {0, 0, 72, 433}, {0, 0, 866, 144},
            "144 × 866 pixels, 1 : 6.01", 2);
    }
    void drags() {
        QFETCH(int, rotate);
        QFETCH(int, ratio);
        QFETCH(R, crop);
        QFETCH(Path, path);
        QFETCH(R, selection);
        QFETCH(R, stored);
        QFETCH(QString, label);
        QFETCH(int, scale);
        TCropRig rig(file_, crop, ratio, rotate);
        QVERIFY(rig.Show());
        QVERIFY(rig.Enlarge(scale));
        rig.Hover(QPoint(420, 280) * scale);  // outside: a press takes the zone where it lands
        // The label follows the pointer before the button is let go.
        Path onBox;
        for (const QPoint& p : path) onBox << p * scale;
        QTest::mousePress(rig.Picture(), Qt::LeftButton, {}, onBox.first());
        for (int i = 1; i < onBox.size(); ++i) QTest::mouseMove(rig.Picture(), onBox[i]);
        QCOMPARE(rig.Label(), label);
        QTest::mouseRelease(rig.Picture(), Qt::LeftButton, {}, onBox.last());
        QVERIFY(!rig.dialog.Dragging());
        QCOMPARE(rig.Label(), label);
        QCOMPARE(rig.dialog.Selection(), selection);
        rig.dialog.ButtonOK()->click();
        QCOMPARE(rig.info.Crop, stored);
        QCOMPARE(rig.info.Ratio, ratio);
        const QImage turned = OrientBitmap(rig.photo.Original(), rotate);
        QCOMPARE(rig.photo.Rendered(), CropBitmap(turned, Twice(selection)));
        QCOMPARE(rig.dialog.PreviewImage(), rig.ExpectedPreview());
        QVERIFY(rig.Show());
        QCOMPARE(rig.dialog.Selection(), selection);
    }

    // The arrow keys on the focused picture, the ratio and the Smart buttons, then OK: the
    // stored crop, rendered, is the original cropped directly.
    void keysAndButtons_data() {
        QTest::addColumn<R>("crop");
        QTest::addColumn<int>("ratio");
        QTest::addColumn<QStringList>("actions");
        QTest::addColumn<R>("selection");
        QTest::addColumn<int>("stored");
        const auto row = [](const char* name, R crop, int ratio, QStringList actions, R selection,
                            int stored) {
            QTest::newRow(name) << crop << ratio << actions << selection << stored;
        };
        const R shown{100, 80, 300, 240};
        row("arrows, Shift ten, Original", shown, 1, {"Right", "Right", "Shift+Down", "Up"},
            {52, 49, 152, 129}, 1);
        row("arrows, nothing selected", {}, 0, {"Right", "Shift+Down"}, {}, 0);
        row("3 * 4, Auto Crop", {200, 200, 600, 600}, 0, {"RadioButton3_4", "ButtonAuto"},
            {24, 0, 409, 289}, 2);
        row("Select All", shown, 3, {"ButtonAll"}, {}, 0);
    }
    void keysAndButtons() {
        QFETCH(R, crop);
        QFETCH(int, ratio);
        QFETCH(QStringList, actions);
        QFETCH(R, selection);
        QFETCH(int, stored);
        TCropRig rig(file_, crop, ratio);
        QVERIFY(rig.Show());
        for (const QString& action : actions) {
            if (auto* button = rig.dialog.findChild<QAbstractButton*>(action)) {
                button->click();
                continue;
            }
            const bool shift = action.startsWith("Shift+");
            const QString key = shift ? action.mid(6) : action;
            QCOMPARE(QApplication::focusWidget(), rig.Picture());
            QTest::keyClick(QApplication::focusWidget(),
                            key == "Right" ? Qt::Key_Right
                            : key == "Up"  ? Qt::Key_Up
                                           : Qt::Key_Down,
                            shift ? Qt::ShiftModifier : Qt::NoModifier);
        }
        QCOMPARE(rig.dialog.Selection(), selection);
        rig.dialog.ButtonOK()->click();
        QCOMPARE(rig.info.Crop, Twice(selection));
        QCOMPARE(rig.info.Ratio, stored);
        QCOMPARE(rig.photo.Rendered(), CropBitmap(rig.photo.Original(), Twice(selection)));
        QCOMPARE(rig.dialog.PreviewImage(), rig.ExpectedPreview());
    }

    void hover_data() {
        QTest::addColumn<QPoint>("point");
        QTest::addColumn<int>("zone");
        QTest::addColumn<int>("cursor");
        QTest::addColumn<int>("scale");
        QTest::newRow("top-left corner") << QPoint(53, 43) << 0 << int(Qt::SizeFDiagCursor) << 1;
        QTest::newRow("inside") << QPoint(100, 80) << 4 << int(Qt::SizeAllCursor) << 1;
        QTest::newRow("outside") << QPoint(10, 10) << -1 << int(Qt::ArrowCursor) << 1;
        // Enlarged twice, the corner's zone is twice as deep on screen.
        QTest::newRow("corner, enlarged") << QPoint(109, 89) << 0 << int(Qt::SizeFDiagCursor) << 2;
        QTest::newRow("bottom edge, enlarged")
            << QPoint(200, 232) << 7 << int(Qt::SizeVerCursor) << 2;
    }
    void hover() {
        QFETCH(QPoint, point);
        QFETCH(int, zone);
        QFETCH(int, cursor);
        QFETCH(int, scale);
        TCropRig rig(file_, {100, 80, 300, 240});
        QVERIFY(rig.Show());
        QVERIFY(rig.Enlarge(scale));
        rig.Hover(point);
        QCOMPARE(rig.dialog.HitZone(), zone);
        QCOMPARE(int(rig.Picture()->cursor().shape()), cursor);
    }

    // The outline is one pixel of red on the selection's border, with a red handle on each
    // corner and edge; inside is the photo as it is, outside it is dimmed. Light and dark
    // photos alike, at the dialog's size and enlarged.
    void outline_data() {
        QTest::addColumn<quint32>("color");
        QTest::addColumn<int>("scale");
        QTest::newRow("white") << quint32(0xFFFFFF) << 1;
        QTest::newRow("black") << quint32(0x000000) << 1;
        QTest::newRow("grey, enlarged") << quint32(0x808080) << 2;
    }
    void outline() {
        QFETCH(quint32, color);
        QFETCH(int, scale);
        TCropRig rig(Photo(QString::number(color) + ".png", test::SolidImage(866, 578, color)),
                     {100, 80, 300, 240});
        QVERIFY(rig.Show());
        QVERIFY(rig.Enlarge(scale));
        const QImage shown = rig.Picture()->grab().toImage();
        QCOMPARE(shown.size(), QSize(433, 289) * scale);
        const QRect box(QPoint(50, 40) * scale, QPoint(150, 120) * scale - QPoint(1, 1));
        const std::array<QRect, 8> handles = HandleRects(box, 7);
        const quint32 dimmed = DimmedRgb(color) & 0xFFFFFF;
        QVERIFY(color == 0 || dimmed != color);
        for (int y = 0; y < shown.height(); ++y)
            for (int x = 0; x < shown.width(); ++x) {
                const QPoint p(x, y);
                const bool border = box.contains(p) && (x == box.left() || x == box.right() ||
                                                        y == box.top() || y == box.bottom());
                const bool handle = std::any_of(handles.begin(), handles.end(),
                                                [p](const QRect& h) { return h.contains(p); });
                const quint32 expected = border || handle  ? 0xFF0000u
                                         : box.contains(p) ? color
                                                           : dimmed;
                QCOMPARE(test::PixelRgb(shown, x, y), expected);
            }
    }

    // OK without a change keeps the stored crop to the pixel, though this photo's scale
    // would move its sides there and back; so does a selection moved away and back. An
    // Apply is taken back by Cancel.
    void commitAndRestore() {
        const QString file = Photo("wide.png", test::PatternImage(1000, 750));
        const R crop{10, 20, 110, 70};
        const QSize picture(433, 325);
        QVERIFY(MapRect(MapRect(crop, {1000, 750}, 0, 0, picture), picture, 0, 0, {1000, 750}) !=
                crop);
        TCropRig rig(file, crop, 3);
        QVERIFY(rig.Show());
        rig.dialog.ButtonOK()->click();
        QCOMPARE(rig.info.Crop, crop);
        QVERIFY(rig.Show());
        QTest::keyClick(rig.Picture(), Qt::Key_Right);
        QTest::keyClick(rig.Picture(), Qt::Key_Left);
        rig.dialog.ButtonOK()->click();
        QCOMPARE(rig.info.Crop, crop);

        QVERIFY(rig.Show());
        QTest::keyClick(rig.Picture(), Qt::Key_Right);
        rig.dialog.findChild<QRadioButton*>("RadioButtonNone")->click();
        rig.dialog.ButtonApply()->click();
        QVERIFY(rig.info.Crop != crop);
        QCOMPARE(rig.info.Ratio, 0);
        QCOMPARE(rig.photo.Rendered(), CropBitmap(rig.photo.Original(), rig.info.Crop));
        rig.dialog.ButtonCancel()->click();
        QCOMPARE(rig.info.Crop, crop);
        QCOMPARE(rig.info.Ratio, 3);
        QCOMPARE(rig.photo.Rendered(), CropBitmap(rig.photo.Original(), crop));
    }

    // A drag cut short by closing the dialog does not go on in the next showing; without a
    // photo nothing breaks.
    void leftovers() {
        TCropRig rig(file_, {100, 80, 300, 240});
        QVERIFY(rig.Show());
        QTest::mousePress(rig.Picture(), Qt::LeftButton, {}, {100, 80});
        QTest::keyClick(&rig.dialog, Qt::Key_Escape);
        QVERIFY(!rig.dialog.isVisible());
        QVERIFY(rig.Show());
        QVERIFY(!rig.dialog.Dragging());
        rig.Hover({120, 90});
        QTest::mouseRelease(rig.Picture(), Qt::LeftButton, {}, {120, 90});
        QCOMPARE(rig.dialog.Selection(), (R{50, 40, 150, 120}));

        TPhoto none;
        TFormCrop dialog(none);
        dialog.show();
        dialog.ButtonAutoClick();
        dialog.ButtonAllClick();
        dialog.ButtonApplyClick();
        dialog.ButtonCancelClick();
        QCOMPARE(dialog.Selection(), R{});
        QVERIFY(dialog.WorkImage().isNull() && none.Info() == nullptr);
    }

    // A crop stored by OK on a turned, colour-balanced photo, written as the program writes
    // settings and rendered by the command-line tool, is the picture the window shows.
    void commandLineRendersWhatTheWindowShows() {
        test::TFakePlatform platform;
        TOpenPhotos photos;
        TFormMain window(platform, photos);
        QVERIFY(test::ShowActive(&window));
        window.OpenPhoto(file_, false);
        TPhotoInfo& info = *window.Photo().Info();
        info.Contrast = 30;
        info.Red = -45;
        window.findChild<QAction*>("MenuClockwise")->trigger();
        test::TWhenModal crop("Crop", [](QWidget* dialog) {
            auto* picture = dialog->findChild<QWidget*>("ImagePhoto");
            QTest::mousePress(picture, Qt::LeftButton, {}, {31, 47});
            QTest::mouseMove(picture, {263, 390});
            QTest::mouseRelease(picture, Qt::LeftButton, {}, {263, 390});
            dialog->findChild<QPushButton*>("ButtonOK")->click();
        });
        window.findChild<QAction*>("MenuCrop")->trigger();
        QCOMPARE(info.Crop, (R{94, 52, 780, 516}));

        const QString settings = dir_.filePath("window.ini");
        const QString out = dir_.filePath("window-cli.png");
        info.WriteSettings(settings, "PHOTO");
        QProcess cli;
        cli.start(qEnvironmentVariable("VELLUMORA_CLI"), {"render", settings, "PHOTO", out});
        QVERIFY(cli.waitForFinished(test::kHangBoundMs));
        QVERIFY2(cli.exitCode() == 0, cli.readAllStandardError().constData());
        QCOMPARE(test::CompareImages(QImage(out), window.Photo().Rendered()), QString());
    }

    // Names as a screen reader hears them, and Tab through every control in order.
    void accessibility() {
        TCropRig rig(file_);
        QVERIFY(rig.Show());
        const auto name = [](QObject* object) {
            QAccessibleInterface* face = QAccessible::queryAccessibleInterface(object);
            return face ? face->text(QAccessible::Name) : QStringLiteral("(none)");
        };
        QCOMPARE(name(&rig.dialog), QString("Crop"));
        for (auto* button : rig.dialog.findChildren<QAbstractButton*>())
            QCOMPARE(name(button), button->text());
        const QList<std::pair<const char*, const char*>> named = {
            {"ImagePhoto", "Photo"},
            {"ImagePreview", "Preview"},
            {"GroupBoxRatio", "Ratio"},
            {"LabelSelection", "Selection size"}};
        for (const auto& [object, expected] : named)
            QCOMPARE(name(rig.dialog.findChild<QWidget*>(object)), QString(expected));

        // The ratio choices are one stop, the chosen one; the arrow keys go through them.
        const auto walk = [](Qt::Key key, int steps) {
            QStringList order;
            for (int i = 0; i < steps; ++i) {
                QTest::keyClick(QApplication::focusWidget(), key);
                order << QApplication::focusWidget()->objectName();
            }
            return order;
        };
        QCOMPARE(walk(Qt::Key_Tab, 7),
                 (QStringList{"RadioButtonNone", "ButtonAuto", "ButtonAll", "ButtonOK",
                              "ButtonCancel", "ButtonApply", "ImagePhoto"}));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(walk(Qt::Key_Down, 9),
                 (QStringList{"RadioButtonOriginal", "RadioButton3_4", "RadioButton4_6",
                              "RadioButton5_7", "RadioButton8_10", "RadioButton4_3",
                              "RadioButton6_4", "RadioButton7_5", "RadioButton10_8"}));
        QVERIFY(rig.dialog.findChild<QRadioButton*>("RadioButton10_8")->isChecked());
    }
};

QTEST_MAIN(TestFormCrop)
#include "test_formcrop.moc"
