// The edit-dialog protocol through the Resize dialog, the number-box rules, and the field
// groups that Cancel restores and "OK for All" spreads.

#include <QApplication>
#include <QCheckBox>
#include <QFileInfo>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QSlider>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <functional>
#include <limits>

#include "photos/settings/FieldGroups.h"
#include "forms/resize/FormResize.h"
#include "forms/common/NumberBox.h"
#include "photos/Photo.h"
#include "support/TestSupport.h"

using namespace vellumora;

namespace {

// Runs action on the modal window once exec() has shown it; armed before exec().
void WhenModal(std::function<void(QWidget*)> action, int triesLeft = 1000) {
    QTimer::singleShot(0, [action, triesLeft] {
        if (QWidget* modal = QApplication::activeModalWidget()) action(modal);
        else if (triesLeft > 0) WhenModal(action, triesLeft - 1);
    });
}

template <class T>
T* Child(QWidget* parent, const QString& name) { return parent->findChild<T*>(name); }

// A 40 x 30 photo with its record, and a Resize dialog working on it.
struct TResizeRig {
    TPhotoInfo info;
    TPhoto photo;
    TFormResize dialog{photo};

    TResizeRig(const QString& file, int max, bool keep = true) : info(file) {
        info.Max = max;
        info.Keep = keep;
        photo.SetMasksFolder(QFileInfo(file).path());
        photo.AssignInfo(&info);
    }
    bool Show() {
        dialog.show();
        dialog.activateWindow();
        return QTest::qWaitForWindowActive(&dialog);
    }
    QLineEdit* Box() { return Child<QLineEdit>(&dialog, "EditMax"); }
    QRadioButton* Radio(const QString& name) { return Child<QRadioButton>(&dialog, name); }
    void Type(const QString& text) {
        Box()->setFocus();
        Box()->selectAll();
        QTest::keyClicks(Box(), text);
    }
};

}  // namespace

class TestEditDialogs : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    QString file_;

private slots:
    void initTestCase() {
        QVERIFY(dir_.isValid());
        file_ = dir_.filePath("photo.png");
        QVERIFY(test::PatternImage(40, 30).save(file_));
    }

    void parseWholeNumber_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("number");
        QTest::addColumn<int>("value");
        QTest::newRow("leading zeros") << "0300" << true << 300;
        QTest::newRow("minus") << "-100" << true << -100;
        QTest::newRow("blanks around") << " \t42 " << true << 42;
        QTest::newRow("int max") << "2147483647" << true << std::numeric_limits<int>::max();
        QTest::newRow("int min") << "-2147483648" << true << std::numeric_limits<int>::min();
        QTest::newRow("past int max") << "2147483648" << false << 0;
        QTest::newRow("past int min") << "-2147483649" << false << 0;
        QTest::newRow("empty") << "" << false << 0;
        QTest::newRow("minus alone") << "-" << false << 0;
        QTest::newRow("plus") << "+5" << false << 0;
        QTest::newRow("inner space") << "1 2" << false << 0;
        QTest::newRow("letters after") << "12a" << false << 0;
        QTest::newRow("arabic-indic digit") << QString(QChar(0x0663)) << false << 0;
    }
    void parseWholeNumber() {
        QFETCH(QString, text);
        QFETCH(bool, number);
        QFETCH(int, value);
        const std::optional<int> parsed = ParseWholeNumber(text);
        QCOMPARE(parsed.has_value(), number);
        if (number) QCOMPARE(*parsed, value);
    }

    // The spinner binding driven by the user: typing, then Tab, the Up key or an arrow.
    void spinnerBox_data() {
        QTest::addColumn<int>("maximum");
        QTest::addColumn<bool>("keepText");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("then");
        QTest::addColumn<int>("value");
        QTest::addColumn<QString>("shown");
        QTest::newRow("tab takes number") << 9999 << true << "0042" << "tab" << 42 << "42";
        QTest::newRow("above, clamped") << 500 << true << "999" << "tab" << 500 << "500";
        QTest::newRow("below, clamped") << 500 << false << "-7" << "tab" << 0 << "0";
        QTest::newRow("fifth digit refused") << 9999 << true << "12345" << "tab" << 1234 << "1234";
        QTest::newRow("letters stay") << 9999 << true << "abc" << "tab" << 300 << "abc";
        QTest::newRow("empty stays") << 9999 << true << "" << "tab" << 300 << "";
        QTest::newRow("letters replaced") << 9999 << false << "abc" << "tab" << 300 << "300";
        QTest::newRow("up key steps typed") << 9999 << true << "50" << "up key" << 51 << "51";
        QTest::newRow("arrow steps typed") << 9999 << true << "50" << "down arrow" << 49 << "49";
        QTest::newRow("arrow at the top") << 9999 << true << "9999" << "up arrow" << 9999 << "9999";
        QTest::newRow("arrow after letters") << 9999 << true << "abc" << "up arrow" << 301 << "301";
    }
    void spinnerBox() {
        QFETCH(int, maximum);
        QFETCH(bool, keepText);
        QFETCH(QString, typed);
        QFETCH(QString, then);
        QFETCH(int, value);
        QFETCH(QString, shown);
        QWidget window;
        auto* box = new QLineEdit(&window);
        auto* upDown = new TUpDown(&window);
        new QLineEdit(&window);  // somewhere for Tab to go
        upDown->SetRange(0, maximum);
        TSpinnerBox spinner(box, upDown, 4, keepText ? TNotANumber::KeepText : TNotANumber::ShowValue);
        spinner.SetValue(300);
        window.show();
        window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        box->setFocus();
        box->selectAll();
        QTest::keyClicks(box, typed);
        if (typed.isEmpty()) QTest::keyClick(box, Qt::Key_Delete);
        if (then == "tab") QTest::keyClick(box, Qt::Key_Tab);
        if (then == "up key") QTest::keyClick(box, Qt::Key_Up);
        if (then.endsWith("arrow"))
            QTest::mouseClick(then == "up arrow" ? upDown->UpButton() : upDown->DownButton(), Qt::LeftButton);
        QCOMPARE(spinner.Value(), value);
        QCOMPARE(box->text(), shown);
    }

    // Every user move and every leave refreshes the preview once; the program setting the
    // bar does not.
    void trackBarBox_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("position");
        QTest::newRow("number") << "-50" << -50;
        QTest::newRow("clamped") << "999" << 255;
        QTest::newRow("letters") << "ab" << 20;
    }
    void trackBarBox() {
        QFETCH(QString, typed);
        QFETCH(int, position);
        QSlider slider;
        slider.setRange(-255, 255);
        auto* box = new QLineEdit(&slider);
        TTrackBarBox bar(&slider, box, 3);
        QSignalSpy changed(&bar, &TTrackBarBox::Changed);
        bar.SetPosition(19);
        slider.triggerAction(QAbstractSlider::SliderSingleStepAdd);
        QCOMPARE(box->text(), QString("20"));
        QCOMPARE(changed.count(), 1);
        box->setText(typed);
        bar.LeaveBox();
        QCOMPARE(bar.Position(), position);
        QCOMPARE(box->text(), QString::number(position));
        QCOMPARE(changed.count(), 2);
    }

    // A box that takes 3 typed characters, holding "-100" that the program wrote.
    void typingLimit_data() {
        QTest::addColumn<QTestEventList>("keys");
        QTest::addColumn<QString>("shown");
        QTestEventList more, shorten, replace;
        more.addKeyClick(Qt::Key_End);
        more.addKeyClicks("5");
        shorten.addKeyClick(Qt::Key_End);
        shorten.addKeyClick(Qt::Key_Backspace);
        replace.addKeyClick(Qt::Key_A, Qt::ControlModifier);
        replace.addKeyClicks("1234");
        QTest::newRow("written stays whole") << QTestEventList() << "-100";
        QTest::newRow("no typing past it") << more << "-100";
        QTest::newRow("may be shortened") << shorten << "-10";
        QTest::newRow("typed text cut") << replace << "123";
    }
    void typingLimit() {
        QFETCH(QTestEventList, keys);
        QFETCH(QString, shown);
        QLineEdit box;
        SetTypingLimit(&box, 3);
        WriteNumberBox(&box, "-100");
        keys.simulate(&box);
        QCOMPARE(box.text(), shown);
    }

    // Show, then OK without changes.
    void resizeShow_data() {
        QTest::addColumn<int>("max");
        QTest::addColumn<QString>("selected");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<int>("committed");
        QTest::newRow("300 user defined") << 300 << "RadioButtonMax" << "300" << 300;
        QTest::newRow("0 original") << 0 << "RadioButton0" << "0" << 0;
        QTest::newRow("12000 clamped") << 12000 << "RadioButtonMax" << "9999" << 9999;
        QTest::newRow("negative clamped") << -5 << "RadioButtonMax" << "0" << 0;
        QTest::newRow("160 preset") << 160 << "RadioButton160" << "160" << 160;
        QTest::newRow("640 preset") << 640 << "RadioButton640" << "640" << 640;
    }
    void resizeShow() {
        QFETCH(int, max);
        QFETCH(QString, selected);
        QFETCH(QString, shown);
        QFETCH(int, committed);
        const bool keep = max % 2 == 0;  // both states of the check box get read
        TResizeRig rig(file_, max, keep);
        QVERIFY(rig.Show());
        const QList<QRadioButton*> radios = rig.dialog.findChildren<QRadioButton*>();
        QCOMPARE(radios.size(), 8);
        for (QRadioButton* radio : radios) QCOMPARE(radio->isChecked(), radio->objectName() == selected);
        const bool userDefined = selected == "RadioButtonMax";
        QCOMPARE(rig.Box()->isEnabled(), userDefined);
        QCOMPARE(Child<TUpDown>(&rig.dialog, "UpDownMax")->isEnabled(), userDefined);
        QCOMPARE(rig.Box()->text(), shown);
        QCOMPARE(Child<QCheckBox>(&rig.dialog, "CheckBoxKeep")->isChecked(), keep);
        QCOMPARE(QApplication::focusWidget(), rig.Radio(selected));

        rig.dialog.ButtonOK()->click();
        QCOMPARE(rig.dialog.result(), int(TEditDialog::ResultOk));
        QCOMPARE(rig.info.Max, committed);
        QCOMPARE(rig.info.Keep, keep);
    }

    // Text typed into the box and not confirmed, then a command: a number is taken first.
    void commitTakesTypedText_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("command");
        QTest::addColumn<int>("max");
        QTest::addColumn<int>("result");
        QTest::newRow("OK") << "777" << "ButtonOKClick" << 777 << int(TEditDialog::ResultOk);
        QTest::newRow("OK for All") << "777" << "ButtonAllClick" << 777 << int(TEditDialog::ResultAll);
        QTest::newRow("Apply") << "777" << "ButtonApplyClick" << 777 << 0;
        QTest::newRow("letters, Enter") << "ab" << "Enter" << 300 << int(TEditDialog::ResultOk);
    }
    void commitTakesTypedText() {
        QFETCH(QString, typed);
        QFETCH(QString, command);
        QFETCH(int, max);
        QFETCH(int, result);
        TResizeRig rig(file_, 300);
        QVERIFY(rig.Show());
        rig.Type(typed);
        if (command == "Enter") QTest::keyClick(rig.Box(), Qt::Key_Return);
        else QMetaObject::invokeMethod(&rig.dialog, command.toLatin1());
        QCOMPARE(rig.info.Max, max);
        QCOMPARE(rig.dialog.result(), result);
        QCOMPARE(rig.dialog.isVisible(), result == 0);
    }

    // Another window took the focus, so the box gets no focus event when OK takes it.
    void commitWhileInactive() {
        TResizeRig rig(file_, 300);
        QVERIFY(rig.Show());
        rig.Type("0042");
        QWidget other;
        other.show();
        other.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&other));
        QCOMPARE(rig.Box()->text(), QString("0042"));  // switching windows is not leaving
        rig.dialog.ButtonOKClick();
        QCOMPARE(rig.info.Max, 42);
    }

    void userDefinedZeroShowsOriginalNextTime() {
        TResizeRig rig(file_, 300);
        QVERIFY(rig.Show());
        rig.Radio("RadioButton160")->click();
        QVERIFY(!rig.Box()->isEnabled());
        rig.Radio("RadioButtonMax")->click();
        QCOMPARE(rig.Box()->text(), QString("160"));  // the last preset's value, to edit
        rig.Type("0");
        rig.dialog.ButtonOKClick();
        QCOMPARE(rig.info.Max, 0);
        QVERIFY(rig.Show());
        QVERIFY(rig.Radio("RadioButton0")->isChecked());
    }

    // Apply 200 without Keep, then take it back. A field outside the group that changed
    // meanwhile stays as it is.
    void applyThenCancel_data() {
        QTest::addColumn<bool>("escape");
        QTest::newRow("Cancel button") << false;
        QTest::newRow("Esc") << true;
    }
    void applyThenCancel() {
        QFETCH(bool, escape);
        TResizeRig rig(file_, 300);
        QVERIFY(rig.Show());
        rig.Radio("RadioButton200")->click();
        Child<QCheckBox>(&rig.dialog, "CheckBoxKeep")->click();
        rig.dialog.ButtonApply()->click();
        QVERIFY(rig.dialog.isVisible());
        QCOMPARE(rig.photo.Rendered().size(), QSize(200, 150));
        rig.info.Watermark = "changed meanwhile";
        if (escape) QTest::keyClick(&rig.dialog, Qt::Key_Escape);
        else rig.dialog.ButtonCancel()->click();
        QCOMPARE(rig.dialog.result(), int(TEditDialog::ResultCancel));
        QCOMPARE(rig.info.Max, 300);
        QVERIFY(rig.info.Keep);
        QCOMPARE(rig.photo.Rendered().size(), QSize(40, 30));
        QCOMPARE(rig.info.Watermark, QString("changed meanwhile"));
    }

    // After Apply: the close box keeps what was applied; restoring the dialog from
    // minimised is no new show, so Cancel still goes back to the values at show.
    void afterApply_data() {
        QTest::addColumn<bool>("minimise");
        QTest::addColumn<int>("max");
        QTest::newRow("close box") << false << 200;
        QTest::newRow("minimise, restore, Cancel") << true << 300;
    }
    void afterApply() {
        QFETCH(bool, minimise);
        QFETCH(int, max);
        TResizeRig rig(file_, 300);
        QVERIFY(rig.Show());
        rig.Radio("RadioButton200")->click();
        rig.dialog.ButtonApplyClick();
        rig.Radio("RadioButton500")->click();  // not applied
        QSignalSpy rendered(&rig.photo, &TPhoto::Changed);
        if (minimise) {
            rig.dialog.setWindowState(Qt::WindowMinimized);
            rig.dialog.setWindowState(Qt::WindowNoState);
            rig.dialog.ButtonCancelClick();
        } else {
            QVERIFY(rig.dialog.close());
        }
        QCOMPARE(rig.dialog.result(), int(TEditDialog::ResultCancel));
        QCOMPARE(rig.info.Max, max);
        QCOMPARE(rendered.count(), minimise ? 1 : 0);
    }

    // The main window's way in: exec() returns the result.
    void okForAllThroughExec() {
        TResizeRig rig(file_, 640);
        WhenModal([](QWidget* modal) {
            Child<QRadioButton>(modal, "RadioButton400")->click();
            Child<QPushButton>(modal, "ButtonAll")->click();
        });
        QCOMPARE(rig.dialog.exec(), int(TEditDialog::ResultAll));
        QCOMPARE(rig.info.Max, 400);
    }

    void noRecordDoesNoHarm() {
        TPhoto photo;
        TFormResize dialog(photo);
        dialog.show();
        QCOMPARE(Child<QLineEdit>(&dialog, "EditMax")->text(), QString("640"));  // built-in default
        dialog.ButtonApplyClick();
        dialog.ButtonCancelClick();
        QCOMPARE(dialog.result(), int(TEditDialog::ResultCancel));
        QVERIFY(photo.Info() == nullptr && photo.Rendered().isNull());
    }

    // Every field is copied exactly when it belongs to the group; the mask name through
    // SetMaskName.
    void copyFieldGroup_data() {
        QTest::addColumn<int>("group");
        QTest::addColumn<QStringList>("fields");
        QTest::newRow("Resize") << int(TFieldGroup::Resize) << QStringList{"Max", "Keep"};
        QTest::newRow("Crop") << int(TFieldGroup::Crop) << QStringList{"Crop", "Ratio"};
        QTest::newRow("Color") << int(TFieldGroup::Color)
                               << QStringList{"Contrast", "Brightness", "Red", "Green", "Blue", "Grayscale", "Negative"};
        QTest::newRow("Watermark") << int(TFieldGroup::Watermark)
                                   << QStringList{"Watermark", "Font", "Opacity", "Position", "X", "Y"};
        QTest::newRow("Border") << int(TFieldGroup::Border)
                                << QStringList{"MaskName", "MaskColor", "Outside", "Inside", "Radius", "Offset",
                                               "Shadow", "Background"};
    }
    void copyFieldGroup() {
        QFETCH(int, group);
        QFETCH(QStringList, fields);
        TPhotoInfo s("source.jpg");
        s.Crop = {1, 2, 3, 4}, s.Ratio = 3, s.Rotate = 90;
        s.Contrast = 5, s.Brightness = 6, s.Red = 7, s.Green = 8, s.Blue = 9, s.Grayscale = s.Negative = true;
        s.Max = 123, s.Keep = false;
        s.Watermark = "mark", s.Position = 2, s.Font.Name = "Serif", s.Font.Bold = true;
        s.X = 3, s.Y = 4, s.Opacity = 77;
        s.MaskName = "star.png", s.MaskColor = 0x123456, s.Outside = {5, 0x11}, s.Inside = {6, 0x22};
        s.Radius = 7, s.Offset = 8, s.Shadow = 0x33, s.Background = 0x44;
        TPhotoInfo target("target.jpg");
        const TPhotoInfo before("target.jpg");
        int maskChanges = 0;
        target.OnMaskChange = [&maskChanges](TPhotoInfo&) { ++maskChanges; };
        CopyFieldGroup(TFieldGroup(group), s, target);

        using TSame = std::function<bool(const TPhotoInfo&, const TPhotoInfo&)>;
#define FIELD(name) {#name, [](const TPhotoInfo& a, const TPhotoInfo& b) { return a.name == b.name; }}
        const std::vector<std::pair<QString, TSame>> all = {
            FIELD(FileName), FIELD(Crop), FIELD(Ratio), FIELD(Rotate), FIELD(Contrast), FIELD(Brightness),
            FIELD(Red), FIELD(Green), FIELD(Blue), FIELD(Grayscale), FIELD(Negative), FIELD(Max), FIELD(Keep),
            FIELD(Watermark), FIELD(Position), FIELD(Font), FIELD(X), FIELD(Y), FIELD(Opacity), FIELD(MaskName),
            FIELD(MaskColor), FIELD(Outside), FIELD(Inside), FIELD(Radius), FIELD(Offset), FIELD(Shadow),
            FIELD(Background)};
#undef FIELD
        for (const auto& [name, same] : all)
            QVERIFY2(same(target, fields.contains(name) ? s : before), qPrintable(name));
        QCOMPARE(maskChanges, fields.contains("MaskName") ? 1 : 0);
    }
};

QTEST_MAIN(TestEditDialogs)
#include "test_editdialogs.moc"
