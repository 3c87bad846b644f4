// The Color Balance dialog: its controls and their limits, the small pictures and the
// preview, commit and restore, and what assistive tools see of it.

#include <QAccessible>
#include <QApplication>
#include <QCheckBox>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QSlider>
#include <QTemporaryDir>
#include <QTest>

#include "codec/Codec.h"
#include "forms/color/ColorPicture.h"
#include "forms/color/FormColor.h"
#include "photos/Photo.h"
#include "photos/stages/Stages.h"
#include "support/Modal.h"
#include "support/TestSupport.h"

using namespace vellumora;

namespace {

// The seven fields of the group, in the order AdjustColors takes them.
struct TValues {
    int contrast = 0, brightness = 0, red = 0, green = 0, blue = 0;
    bool grayscale = false, negative = false;

    static TValues Of(const TPhotoInfo& info) {
        return {info.Contrast, info.Brightness, info.Red,     info.Green,
                info.Blue,     info.Grayscale,  info.Negative};
    }
    void WriteTo(TPhotoInfo& info) const {
        info.Contrast = contrast, info.Brightness = brightness;
        info.Red = red, info.Green = green, info.Blue = blue;
        info.Grayscale = grayscale, info.Negative = negative;
    }
    int& Field(const QString& label) {
        int* fields[] = {&contrast, &brightness, &red, &green, &blue};
        const QStringList labels{"Contrast", "Brightness", "Red", "Green", "Blue"};
        return *fields[labels.indexOf(label)];
    }
    QImage Apply(const QImage& image) const {
        return AdjustColors(image, contrast, brightness, red, green, blue, grayscale, negative);
    }
    bool operator==(const TValues&) const = default;
};

}  // namespace

Q_DECLARE_METATYPE(TRect)
Q_DECLARE_METATYPE(TValues)

namespace {

QImage Shown(const QLabel* label) {
    return label->pixmap().toImage().convertToFormat(kPixelFormat);
}

// A photo with its record, and the dialog working on it.
struct TColorRig {
    TPhotoInfo info;
    TPhoto photo;
    TFormColor dialog{photo};

    TColorRig(const QString& file, const TValues& values) : info(file) {
        values.WriteTo(info);
        photo.SetMasksFolder(QFileInfo(file).path());
        photo.AssignInfo(&info);
    }
    bool Show() { return test::ShowActive(&dialog); }
    template <class T>
    T* Child(const QString& name) const {
        return dialog.findChild<T*>(name);
    }
    QSlider* Bar(const QString& label) const { return Child<QSlider>("TrackBar" + label); }
    QLineEdit* Box(const QString& label) const { return Child<QLineEdit>("Edit" + label); }
    TValues Controls() const {
        return {Bar("Contrast")->value(),
                Bar("Brightness")->value(),
                Bar("Red")->value(),
                Bar("Green")->value(),
                Bar("Blue")->value(),
                Child<QCheckBox>("CheckBoxGrayscale")->isChecked(),
                Child<QCheckBox>("CheckBoxNegative")->isChecked()};
    }
};

}  // namespace

class TestFormColor : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    QString photo_;  // 200 x 150

private slots:
    void initTestCase() {
        QVERIFY(dir_.isValid());
        photo_ = dir_.filePath("photo.png");
        QVERIFY(test::PatternImage(200, 150).save(photo_));
    }

    // The small picture is the render chain's picture before the colour stage, resized to
    // 97, and holds its own pixels: the original is gone before it is compared.
    void colorPicture_data() {
        QTest::addColumn<QSize>("size");
        QTest::addColumn<TRect>("crop");
        QTest::addColumn<bool>("keep");
        QTest::addColumn<int>("rotate");
        QTest::addColumn<int>("format");
        QTest::addColumn<QRect>("placed");
        const int rgb = kPixelFormat;
        QTest::newRow("landscape")
            << QSize(200, 150) << TRect{} << true << 0 << rgb << QRect(0, 12, 97, 73);
        QTest::newRow("turned") << QSize(200, 150) << TRect{} << true << 90 << rgb
                                << QRect(12, 0, 73, 97);
        QTest::newRow("crop, half rounds to even") << QSize(200, 150) << TRect{10, 20, 110, 70}
                                                   << true << 0 << rgb << QRect(0, 24, 97, 48);
        QTest::newRow("crop partly outside, kept") << QSize(200, 150) << TRect{150, 100, 400, 400}
                                                   << true << -180 << rgb << QRect(23, 23, 50, 50);
        QTest::newRow("crop outside ignored") << QSize(200, 150) << TRect{500, 500, 600, 600}
                                              << true << 0 << rgb << QRect(0, 12, 97, 73);
        QTest::newRow("small kept")
            << QSize(40, 30) << TRect{} << true << 0 << rgb << QRect(28, 33, 40, 30);
        QTest::newRow("small enlarged")
            << QSize(40, 30) << TRect{} << false << 270 << rgb << QRect(12, 0, 73, 97);
        QTest::newRow("other layout") << QSize(40, 30) << TRect{} << true << 0
                                      << int(QImage::Format_RGB888) << QRect(28, 33, 40, 30);
    }
    void colorPicture() {
        QFETCH(QSize, size);
        QFETCH(TRect, crop);
        QFETCH(bool, keep);
        QFETCH(int, rotate);
        QFETCH(int, format);
        QFETCH(QRect, placed);
        TPhotoInfo info;
        info.Crop = crop, info.Keep = keep, info.Rotate = rotate, info.Max = 300;
        QImage original =
            test::PatternImage(size.width(), size.height()).convertToFormat(QImage::Format(format));

        const QImage picture = ColorPicture(original, info);
        QImage chain = CropBitmap(original.convertToFormat(kPixelFormat), crop);
        chain = OrientBitmap(ResizeBitmap(chain, kColorPictureSide, keep), rotate).copy();
        original = QImage();
        QCOMPARE(picture, chain);
        QCOMPARE(CentredPicture(kColorPictureSide, picture.size()), placed);
    }

    // Show: every control from the record, clamped to its range, whatever the previous
    // showing had; both pictures and the preview; then OK without changes.
    void show_data() {
        QTest::addColumn<TValues>("record");
        QTest::addColumn<TValues>("shown");
        const TValues lowest{-100, -100, -255, -255, -255, true, false};
        QTest::newRow("neutral") << TValues{} << TValues{};
        QTest::newRow("contrast 40") << TValues{40} << TValues{40};
        QTest::newRow("lowest") << lowest << lowest;
        QTest::newRow("below") << TValues{-101, -500, -256, -300, -1000, true} << lowest;
        QTest::newRow("above") << TValues{101, 500, 256, 300, 1000, false, true}
                               << TValues{100, 100, 255, 255, 255, false, true};
    }
    void show() {
        QFETCH(TValues, record);
        QFETCH(TValues, shown);
        TColorRig rig(photo_, {77, 77, 77, 77, 77, true, true});
        QVERIFY(rig.Show());
        QVERIFY(rig.dialog.close());
        record.WriteTo(rig.info);
        QVERIFY(rig.Show());

        QCOMPARE(rig.Controls(), shown);
        for (const char* label : {"Contrast", "Brightness", "Red", "Green", "Blue"})
            QCOMPARE(rig.Box(label)->text(), QString::number(rig.Bar(label)->value()));
        QCOMPARE(QApplication::focusWidget(), rig.Bar("Contrast"));

        const QImage work = rig.dialog.WorkImage();
        QCOMPARE(work, ColorPicture(rig.photo.Original(), rig.info));
        QCOMPARE(Shown(rig.Child<QLabel>("ImagePhoto")), work);
        QCOMPARE(rig.Child<QLabel>("ImagePhoto")->geometry(), QRect(0, 12, 97, 73));
        QCOMPARE(rig.Child<QLabel>("ImagePreview")->geometry(), QRect(0, 12, 97, 73));
        QCOMPARE(Shown(rig.Child<QLabel>("ImagePreview")), shown.Apply(work));

        rig.dialog.ButtonOK()->click();
        QCOMPARE(rig.dialog.result(), int(TEditDialog::ResultOk));
        QCOMPARE(TValues::Of(rig.info), shown);
    }

    // One user edit: the bar, the box and the preview follow, and OK commits it. The
    // photo starts with Blue 7 and everything else neutral.
    void edit_data() {
        QTest::addColumn<QString>("control");
        QTest::addColumn<QString>("action");
        QTest::addColumn<int>("value");
        QTest::addColumn<QString>("shown");
        auto row = [](const char* name, const char* control, const char* action, int value,
                      const char* shown) {
            QTest::newRow(name) << QString(control) << QString(action) << value << QString(shown);
        };
        row("contrast 150 typed", "Contrast", "150", 100, "100");
        row("3 characters typed", "Brightness", "-999", -99, "-99");
        row("9999 typed", "Red", "9999", 255, "255");
        row("letter typed", "Blue", "x", 7, "7");
        row("box emptied", "Blue", "", 7, "7");
        row("page up", "Green", "page up", 16, "16");
        row("page down", "Brightness", "page down", -10, "-10");
        row("arrow key", "Blue", "right key", 8, "8");
        row("grayscale", "Grayscale", "click", 1, "");
        row("negative", "Negative", "click", 1, "");
    }
    void edit() {
        QFETCH(QString, control);
        QFETCH(QString, action);
        QFETCH(int, value);
        QFETCH(QString, shown);
        TValues expected{0, 0, 0, 0, 7};
        TColorRig rig(photo_, expected);
        QVERIFY(rig.Show());
        const QImage before = rig.dialog.PreviewImage();

        if (action == "click") {
            rig.Child<QCheckBox>("CheckBox" + control)->click();
            (control == "Grayscale" ? expected.grayscale : expected.negative) = value;
        } else {
            if (action.endsWith("key") || action.startsWith("page")) {
                rig.Bar(control)->setFocus();
                const Qt::Key key = action == "page up"     ? Qt::Key_PageUp
                                    : action == "page down" ? Qt::Key_PageDown
                                                            : Qt::Key_Right;
                QTest::keyClick(rig.Bar(control), key);
            } else {
                rig.Box(control)->setFocus();
                rig.Box(control)->selectAll();
                QTest::keyClick(rig.Box(control), Qt::Key_Delete);
                QTest::keyClicks(rig.Box(control), action);
                QTest::keyClick(rig.Box(control), Qt::Key_Tab);
            }
            expected.Field(control) = value;
            QCOMPARE(rig.Bar(control)->value(), value);
            QCOMPARE(rig.Box(control)->text(), shown);
        }
        QCOMPARE(rig.Controls(), expected);
        const QImage preview = expected.Apply(rig.dialog.WorkImage());
        QCOMPARE(rig.dialog.PreviewImage(), preview);
        QCOMPARE(Shown(rig.Child<QLabel>("ImagePreview")), preview);
        const bool changed = !(expected == TValues{0, 0, 0, 0, 7});
        QCOMPARE(preview != before, changed);

        rig.dialog.ButtonOK()->click();
        QCOMPARE(TValues::Of(rig.info), expected);
    }

    // Apply, then Cancel: the group returns to its values at show and the photo is
    // rendered again. Max, which sizes the pictures, is no part of the group.
    void applyThenCancel() {
        const TValues atShow{5, 6, 7, 8, 9, false, true};
        TColorRig rig(photo_, atShow);
        rig.info.Max = 120;
        QVERIFY(rig.Show());
        rig.Bar("Brightness")->setValue(30);
        rig.Child<QCheckBox>("CheckBoxGrayscale")->click();
        QSignalSpy rendered(&rig.photo, &TPhoto::Changed);
        rig.dialog.ButtonApply()->click();
        QVERIFY(rig.dialog.isVisible());
        QCOMPARE(TValues::Of(rig.info), (TValues{5, 30, 7, 8, 9, true, true}));
        QCOMPARE(rendered.count(), 1);

        rig.dialog.ButtonCancel()->click();
        QCOMPARE(rig.dialog.result(), int(TEditDialog::ResultCancel));
        QCOMPARE(TValues::Of(rig.info), atShow);
        QCOMPARE(rendered.count(), 2);
        QCOMPARE(rig.info.Max, 120);
    }

    // No record, or a photo that did not load: empty pictures, and the commands still work.
    void withoutPicture_data() {
        QTest::addColumn<bool>("record");
        QTest::newRow("no record") << false;
        QTest::newRow("unreadable photo") << true;
    }
    void withoutPicture() {
        QFETCH(bool, record);
        TPhotoInfo info(dir_.filePath("missing.png"));
        TPhoto photo;
        if (record) photo.AssignInfo(&info);
        TFormColor dialog(photo);
        dialog.show();
        QVERIFY(dialog.WorkImage().isNull() && dialog.PreviewImage().isNull());
        dialog.findChild<QSlider*>("TrackBarRed")->setValue(40);
        QVERIFY(dialog.PreviewImage().isNull());
        dialog.ButtonApplyClick();
        QCOMPARE(info.Red, record ? 40 : 0);
        dialog.ButtonCancelClick();
        QCOMPARE(info.Red, 0);
    }

    void accessibleNames_data() {
        QTest::addColumn<QString>("object");
        QTest::addColumn<int>("role");
        QTest::addColumn<QString>("name");
        QTest::newRow("dialog") << "FormColor" << int(QAccessible::Dialog) << "Color Balance";
        for (const char* label : {"Contrast", "Brightness", "Red", "Green", "Blue"}) {
            QTest::addRow("bar %s", label)
                << QString("TrackBar") + label << int(QAccessible::Slider) << label;
            QTest::addRow("box %s", label)
                << QString("Edit") + label << int(QAccessible::EditableText) << label;
        }
        QTest::newRow("grayscale")
            << "CheckBoxGrayscale" << int(QAccessible::CheckBox) << "Grayscale";
        QTest::newRow("negative") << "CheckBoxNegative" << int(QAccessible::CheckBox) << "Negative";
        QTest::newRow("OK") << "ButtonOK" << int(QAccessible::Button) << "OK";
        QTest::newRow("Cancel") << "ButtonCancel" << int(QAccessible::Button) << "Cancel";
        QTest::newRow("Apply") << "ButtonApply" << int(QAccessible::Button) << "Apply";
        QTest::newRow("photo") << "ImagePhoto" << int(QAccessible::Graphic) << "Photo";
        QTest::newRow("preview") << "ImagePreview" << int(QAccessible::Graphic) << "Preview";
        for (const char* group : {"Contrast", "Brightness", "Color", "Photo", "Preview"})
            QTest::addRow("group %s", group)
                << QString("GroupBox") + group << int(QAccessible::Grouping) << group;
    }
    void accessibleNames() {
        QFETCH(QString, object);
        QFETCH(int, role);
        QFETCH(QString, name);
        TColorRig rig(photo_, {});
        QVERIFY(rig.Show());
        QWidget* widget =
            object == rig.dialog.objectName() ? &rig.dialog : rig.Child<QWidget>(object);
        QVERIFY(widget);
        QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(widget);
        QVERIFY(iface);
        QCOMPARE(int(iface->role()), role);
        QCOMPARE(iface->text(QAccessible::Name), name);
        QVERIFY(!rig.Child<QPushButton>("ButtonAll"));
    }

    // Tab from the contrast bar visits every control that takes focus, in screen order.
    void tabOrder() {
        TColorRig rig(photo_, {});
        QVERIFY(rig.Show());
        const QStringList expected{"TrackBarContrast", "EditContrast",      "TrackBarBrightness",
                                   "EditBrightness",   "TrackBarRed",       "EditRed",
                                   "TrackBarGreen",    "EditGreen",         "TrackBarBlue",
                                   "EditBlue",         "CheckBoxGrayscale", "CheckBoxNegative",
                                   "ButtonOK",         "ButtonCancel",      "ButtonApply"};
        QStringList visited;
        for (int i = 0; i < expected.size(); ++i) {
            visited << QApplication::focusWidget()->objectName();
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        }
        QCOMPARE(visited, expected);
        // Round again: nothing else in the window takes the focus.
        QCOMPARE(QApplication::focusWidget(), rig.Bar("Contrast"));
    }
};

QTEST_MAIN(TestFormColor)
#include "test_formcolor.moc"
