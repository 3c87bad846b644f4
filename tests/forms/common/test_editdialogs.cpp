// The edit-dialog protocol, once over a table with a row per dialog; the Resize dialog's
// own controls, the number-box rules, and the field groups that Cancel restores and "OK for
// All" spreads.

#include <QAccessible>
#include <QApplication>
#include <QCheckBox>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QListWidget>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QSlider>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <functional>
#include <limits>
#include <memory>

#include "forms/border/FormBorder.h"
#include "forms/color/FormColor.h"
#include "forms/common/NumberBox.h"
#include "forms/crop/FormCrop.h"
#include "forms/resize/FormResize.h"
#include "forms/watermark/FormWatermark.h"
#include "photos/Photo.h"
#include "photos/settings/FieldGroups.h"
#include "photos/settings/ProgramFolder.h"
#include "support/FakePlatform.h"
#include "support/Modal.h"
#include "support/TestSupport.h"

using namespace vellumora;
using vellumora::test::ShowActive;

namespace {

template <class T>
T* Child(QWidget* parent, const QString& name) {
    return parent->findChild<T*>(name);
}

// Every field of a record, by name, with a comparison.
using TSame = std::function<bool(const TPhotoInfo&, const TPhotoInfo&)>;
// clang-format off
#define FIELD(name) {#name, [](const auto& a, const auto& b) { return a.name == b.name; }}
// clang-format on
const std::vector<std::pair<QString, TSame>> kFields = {
    FIELD(FileName),   FIELD(Crop),      FIELD(Ratio),  FIELD(Rotate),    FIELD(Contrast),
    FIELD(Brightness), FIELD(Red),       FIELD(Green),  FIELD(Blue),      FIELD(Grayscale),
    FIELD(Negative),   FIELD(Max),       FIELD(Keep),   FIELD(Watermark), FIELD(Position),
    FIELD(Font),       FIELD(X),         FIELD(Y),      FIELD(Opacity),   FIELD(MaskName),
    FIELD(MaskColor),  FIELD(Outside),   FIELD(Inside), FIELD(Radius),    FIELD(Offset),
    FIELD(Shadow),     FIELD(Background)};
#undef FIELD

// The names of the fields in which two records differ.
QStringList DifferentFields(const TPhotoInfo& a, const TPhotoInfo& b) {
    QStringList names;
    for (const auto& [name, same] : kFields)
        if (!same(a, b)) names << name;
    return names;
}

// One edit dialog: how to make it, the field group it edits, a change of its controls away
// from the built-in settings, and what that change commits.
struct TDialogRow {
    const char* name;
    std::function<std::unique_ptr<TEditDialog>(TPhoto&)> make;
    TFieldGroup group;
    std::function<void(QWidget* dialog)> change;
    std::function<void(TPhotoInfo& info)> changed;
};

const TDialogRow kDialogs[] = {
    {"Resize", [](TPhoto& photo) { return std::make_unique<TFormResize>(photo); },
     TFieldGroup::Resize,
     [](QWidget* dialog) {
         Child<QRadioButton>(dialog, "RadioButton200")->click();
         Child<QCheckBox>(dialog, "CheckBoxKeep")->click();
     },
     [](TPhotoInfo& info) {
         info.Max = 200;
         info.Keep = false;
     }},
    {"Color Balance", [](TPhoto& photo) { return std::make_unique<TFormColor>(photo); },
     TFieldGroup::Color,
     [](QWidget* dialog) {
         Child<QSlider>(dialog, "TrackBarContrast")->setValue(40);
         Child<QCheckBox>(dialog, "CheckBoxNegative")->click();
     },
     [](TPhotoInfo& info) {
         info.Contrast = 40;
         info.Negative = true;
     }},
    {"Crop", [](TPhoto& photo) { return std::make_unique<TFormCrop>(photo); }, TFieldGroup::Crop,
     [](QWidget* dialog) {
         // The 40 x 30 photo is shown at its own size: the drag is the crop.
         auto* picture = Child<QWidget>(dialog, "ImagePhoto");
         QTest::mousePress(picture, Qt::LeftButton, {}, {5, 4});
         QTest::mouseMove(picture, {25, 20});
         QTest::mouseRelease(picture, Qt::LeftButton, {}, {25, 20});
     },
     [](TPhotoInfo& info) {
         info.Crop = TRect{5, 4, 25, 20};
     }},
    {"Watermark",
     [](TPhoto& photo) {
         static test::TFakePlatform platform;
         return std::make_unique<TFormWatermark>(photo, platform);
     },
     TFieldGroup::Watermark,
     [](QWidget* dialog) {
         QTest::keyClicks(Child<QLineEdit>(dialog, "EditSignature"), "Hi");
         Child<QAbstractButton>(dialog, "SpeedButton2")->click();
     },
     [](TPhotoInfo& info) {
         info.Watermark = "Hi";
         info.Position = 2;
     }},
    {"Border",
     [](TPhoto& photo) {
         static test::TFakePlatform platform;  // no colour queued: choosers are cancelled
         return std::make_unique<TFormBorder>(photo, platform);
     },
     TFieldGroup::Border,
     [](QWidget* dialog) {
         // The photo's folder is its Masks folder here: the photo itself is the one mask.
         Child<QListWidget>(dialog, "ListView")->setCurrentRow(0);
         Child<TUpDown>(dialog, "UpDownOutside")->SetValue(4);
     },
     [](TPhotoInfo& info) {
         info.MaskName = "photo.png";
         info.Outside.Width = 4;
     }},
};

// A data row per dialog, column "dialog".
void DialogRows() {
    QTest::addColumn<int>("dialog");
    for (int d = 0; d < int(std::size(kDialogs)); ++d) QTest::newRow(kDialogs[d].name) << d;
}

// A 40 x 30 photo with a record of the built-in settings, and a dialog working on it.
struct TDialogRig {
    const TDialogRow& row;
    TPhotoInfo info;
    TPhoto photo;
    std::unique_ptr<TEditDialog> dialog;

    TDialogRig(const QString& file, const TDialogRow& dialogRow) : row(dialogRow), info(file) {
        photo.SetMasksFolder(QFileInfo(file).path());
        photo.AssignInfo(&info);
        dialog = row.make(photo);
    }
    // The picture the photo shows for these settings.
    QImage RenderedFor(const TPhotoInfo& settings) const {
        TPhotoInfo copy = settings;
        TPhoto other;
        other.SetMasksFolder(QFileInfo(info.FileName).path());
        other.AssignInfo(&copy);
        return other.Rendered();
    }
};

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
    bool Show() { return ShowActive(&dialog); }
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
        QTest::newRow("tab takes number") << 9999 << true << "0042"
                                          << "tab" << 42 << "42";
        QTest::newRow("above, clamped") << 500 << true << "999"
                                        << "tab" << 500 << "500";
        QTest::newRow("below, clamped") << 500 << false << "-7"
                                        << "tab" << 0 << "0";
        QTest::newRow("fifth digit refused") << 9999 << true << "12345"
                                             << "tab" << 1234 << "1234";
        QTest::newRow("letters stay") << 9999 << true << "abc"
                                      << "tab" << 300 << "abc";
        QTest::newRow("empty stays") << 9999 << true << ""
                                     << "tab" << 300 << "";
        QTest::newRow("letters replaced") << 9999 << false << "abc"
                                          << "tab" << 300 << "300";
        QTest::newRow("up key steps typed") << 9999 << true << "50"
                                            << "up key" << 51 << "51";
        QTest::newRow("arrow steps typed") << 9999 << true << "50"
                                           << "down arrow" << 49 << "49";
        QTest::newRow("arrow at the top") << 9999 << true << "9999"
                                          << "up arrow" << 9999 << "9999";
        QTest::newRow("arrow after letters") << 9999 << true << "abc"
                                             << "up arrow" << 301 << "301";
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
        TSpinnerBox spinner(box, upDown, 4,
                            keepText ? TNotANumber::KeepText : TNotANumber::ShowValue);
        spinner.SetValue(300);
        QVERIFY(ShowActive(&window));
        box->setFocus();
        box->selectAll();
        QTest::keyClicks(box, typed);
        if (typed.isEmpty()) QTest::keyClick(box, Qt::Key_Delete);
        if (then == "tab") QTest::keyClick(box, Qt::Key_Tab);
        if (then == "up key") QTest::keyClick(box, Qt::Key_Up);
        if (then.endsWith("arrow"))
            QTest::mouseClick(then == "up arrow" ? upDown->UpButton() : upDown->DownButton(),
                              Qt::LeftButton);
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
        QTest::newRow("300 user defined") << 300 << "RadioButtonMax"
                                          << "300" << 300;
        QTest::newRow("0 original") << 0 << "RadioButton0"
                                    << "0" << 0;
        QTest::newRow("12000 clamped") << 12000 << "RadioButtonMax"
                                       << "9999" << 9999;
        QTest::newRow("negative clamped") << -5 << "RadioButtonMax"
                                          << "0" << 0;
        QTest::newRow("160 preset") << 160 << "RadioButton160"
                                    << "160" << 160;
        QTest::newRow("640 preset") << 640 << "RadioButton640"
                                    << "640" << 640;
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
        for (QRadioButton* radio : radios)
            QCOMPARE(radio->isChecked(), radio->objectName() == selected);
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
        QTest::newRow("OK") << "777"
                            << "ButtonOKClick" << 777 << int(TEditDialog::ResultOk);
        QTest::newRow("OK for All") << "777"
                                    << "ButtonAllClick" << 777 << int(TEditDialog::ResultAll);
        QTest::newRow("Apply") << "777"
                               << "ButtonApplyClick" << 777 << 0;
        QTest::newRow("letters, Enter") << "ab"
                                        << "Enter" << 300 << int(TEditDialog::ResultOk);
    }
    void commitTakesTypedText() {
        QFETCH(QString, typed);
        QFETCH(QString, command);
        QFETCH(int, max);
        QFETCH(int, result);
        TResizeRig rig(file_, 300);
        QVERIFY(rig.Show());
        rig.Type(typed);
        if (command == "Enter")
            QTest::keyClick(rig.Box(), Qt::Key_Return);
        else
            QMetaObject::invokeMethod(&rig.dialog, command.toLatin1());
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
        QVERIFY(ShowActive(&other));
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

    // The name a screen reader says for each control, and where Tab goes from it.
    void resizeAccessibility_data() {
        QTest::addColumn<QString>("object");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("tabTo");  // empty: takes no focus
        const auto row = [](const char* object, const char* name, const char* tabTo) {
            QTest::newRow(object) << object << name << tabTo;
        };
        row("FormResize", "Resize", "");
        row("GroupBoxSize", "Size", "");
        row("GroupBoxStretch", "Stretch", "");
        row("RadioButtonMax", "User defined maximum size", "EditMax");
        row("EditMax", "Max", "CheckBoxKeep");
        row("UpDownMax", "Max", "");
        row("CheckBoxKeep", "Keep original size if smaller than max size", "ButtonOK");
        row("ButtonOK", "OK", "ButtonAll");
        row("ButtonAll", "OK for All", "ButtonCancel");
        row("ButtonCancel", "Cancel", "ButtonApply");
        row("ButtonApply", "Apply", "RadioButtonMax");  // round again, to the chosen size
    }
    void resizeAccessibility() {
        QFETCH(QString, object);
        QFETCH(QString, name);
        QFETCH(QString, tabTo);
        TResizeRig rig(file_, 300);
        QVERIFY(rig.Show());
        QWidget* widget =
            object == "FormResize" ? &rig.dialog : Child<QWidget>(&rig.dialog, object);
        QVERIFY(widget);
        QAccessibleInterface* face = QAccessible::queryAccessibleInterface(widget);
        QVERIFY(face);
        QCOMPARE(face->text(QAccessible::Name), name);
        QCOMPARE(widget->focusPolicy() != Qt::NoFocus, !tabTo.isEmpty());
        if (tabTo.isEmpty()) return;
        widget->setFocus();
        QTest::keyClick(widget, Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget()->objectName(), tabTo);
    }

    // The protocol, for every dialog: how each way through it leaves the record and the
    // picture. The steps run in order on the shown dialog.
    void protocol_data() {
        QTest::addColumn<int>("dialog");  // row of kDialogs
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<int>("result");      // 0: still shown
        QTest::addColumn<bool>("committed");  // the change stays; else the settings at show
        QTest::addColumn<int>("renders");
        const int ok = TEditDialog::ResultOk, all = TEditDialog::ResultAll,
                  cancel = TEditDialog::ResultCancel;
        struct TWay {
            const char* name;
            const char* steps;
            int result;
            bool committed;
            int renders;
        };
        // "elsewhere" changes a field that no dialog edits, as the main window might.
        // Restoring from minimised is no new show: Cancel still goes back to the first.
        const TWay ways[] = {
            {"OK", "change OK", ok, true, 1},
            {"OK without changes", "OK", ok, false, 1},
            {"OK for All", "change All", all, true, 1},
            {"Apply", "change Apply", 0, true, 1},
            {"Cancel after Apply", "change Apply elsewhere Cancel", cancel, false, 2},
            {"Esc after Apply", "change Apply elsewhere Esc", cancel, false, 2},
            {"close box", "change close", cancel, false, 0},
            {"close box after Apply", "change Apply close", cancel, true, 1},
            {"minimise, restore, Cancel after Apply", "change Apply minimise Cancel", cancel, false,
             2},
        };
        for (int d = 0; d < int(std::size(kDialogs)); ++d)
            for (const TWay& way : ways)
                QTest::addRow("%s: %s", kDialogs[d].name, way.name)
                    << d << QString::fromLatin1(way.steps).split(QLatin1Char(' ')) << way.result
                    << way.committed << way.renders;
    }
    void protocol() {
        QFETCH(int, dialog);
        QFETCH(QStringList, steps);
        QFETCH(int, result);
        QFETCH(bool, committed);
        QFETCH(int, renders);
        TDialogRig rig(file_, kDialogs[dialog]);
        TEditDialog& shown = *rig.dialog;
        QCOMPARE(shown.Group(), rig.row.group);
        if (steps.contains("All") && !shown.ButtonAll()) QSKIP("no OK for All in this dialog");
        const TPhotoInfo atShow = rig.info;
        TPhotoInfo changed = atShow;
        rig.row.changed(changed);
        QVERIFY2(!DifferentFields(changed, atShow).isEmpty() &&
                     rig.RenderedFor(changed) != rig.RenderedFor(atShow),
                 "the row's change must show in the record and in the picture");
        TPhotoInfo expected = committed ? changed : atShow;

        QVERIFY(ShowActive(&shown));
        QStringList backedUp = DifferentFields(shown.Backup(), atShow);
        backedUp.removeOne("FileName");  // the backup holds the settings, not the file's name
        QCOMPARE(backedUp, QStringList());
        QSignalSpy rendered(&rig.photo, &TPhoto::Changed);
        for (const QString& step : steps) {
            if (step == "change") rig.row.change(&shown);
            if (step == "OK") shown.ButtonOK()->click();
            if (step == "All") shown.ButtonAll()->click();
            if (step == "Apply") shown.ButtonApply()->click();
            if (step == "Cancel") shown.ButtonCancel()->click();
            if (step == "Esc") QTest::keyClick(&shown, Qt::Key_Escape);
            if (step == "close") QVERIFY(shown.close());
            if (step == "minimise") {
                shown.setWindowState(Qt::WindowMinimized);
                shown.setWindowState(Qt::WindowNoState);
            }
            if (step == "elsewhere") rig.info.Rotate = expected.Rotate = 90;
        }
        QCOMPARE(shown.isVisible(), result == 0);
        QCOMPARE(shown.result(), result);
        QCOMPARE(DifferentFields(rig.info, expected), QStringList());
        QCOMPARE(rendered.count(), renders);
        QCOMPARE(test::CompareImages(rig.photo.Rendered(), rig.RenderedFor(expected)), QString());
        // The mask the stored name gives (the Border rows change it), loaded by the render.
        QCOMPARE(rig.photo.Mask(), LoadMaskFile(QFileInfo(file_).path(), expected.MaskName));
    }

    // The main window's way in: exec() returns the result.
    void okForAllThroughExec_data() { DialogRows(); }
    void okForAllThroughExec() {
        QFETCH(int, dialog);
        TDialogRig rig(file_, kDialogs[dialog]);
        if (!rig.dialog->ButtonAll()) QSKIP("no OK for All in this dialog");
        TPhotoInfo expected = rig.info;
        rig.row.changed(expected);
        test::TWhenModal modal(kDialogs[dialog].name, [&rig](QWidget* shown) {
            rig.row.change(shown);
            Child<QPushButton>(shown, "ButtonAll")->click();
        });
        QCOMPARE(rig.dialog->exec(), int(TEditDialog::ResultAll));
        QCOMPARE(DifferentFields(rig.info, expected), QStringList());
    }

    // What OK stores, written as the program writes settings and rendered by the command-line
    // tool, is the picture the window shows.
    void commandLineRendersWhatOkStores_data() { DialogRows(); }
    void commandLineRendersWhatOkStores() {
        QFETCH(int, dialog);
        TDialogRig rig(file_, kDialogs[dialog]);
        QVERIFY(ShowActive(rig.dialog.get()));
        rig.row.change(rig.dialog.get());
        rig.dialog->ButtonOK()->click();
        if (!rig.info.MaskName.isEmpty()) {  // the tool takes masks from the program folder
            QVERIFY(PrepareProgramFolder());
            QFile::remove(MasksFolder() + '/' + rig.info.MaskName);
            QVERIFY(QFile::copy(dir_.filePath(rig.info.MaskName),
                                MasksFolder() + '/' + rig.info.MaskName));
        }
        const QString settings = dir_.filePath("dialog.ini");
        const QString output = dir_.filePath("dialog-rendered.png");
        QFile::remove(settings);
        rig.info.WriteSettings(settings, "PHOTO");
        QProcess tool;
        tool.start(qEnvironmentVariable("VELLUMORA_CLI"), {"render", settings, "PHOTO", output});
        QVERIFY2(tool.waitForFinished(test::kHangBoundMs) && tool.exitCode() == 0,
                 tool.readAllStandardError());
        QCOMPARE(test::CompareImages(QImage(output), rig.photo.Rendered()), QString());
    }

    void noRecordDoesNoHarm_data() { DialogRows(); }
    void noRecordDoesNoHarm() {
        QFETCH(int, dialog);
        const TPhotoInfo builtIn;
        TPhoto photo;
        std::unique_ptr<TEditDialog> shown = kDialogs[dialog].make(photo);
        shown->show();
        QCOMPARE(DifferentFields(shown->Backup(), builtIn), QStringList());
        shown->ButtonApplyClick();
        shown->ButtonCancelClick();
        QCOMPARE(shown->result(), int(TEditDialog::ResultCancel));
        QVERIFY(photo.Info() == nullptr && photo.Rendered().isNull());
        // The controls showed the built-in settings: written into a record that holds them,
        // they change nothing.
        TPhotoInfo record = builtIn;
        photo.AssignInfo(&record);
        shown->ButtonApplyClick();
        QCOMPARE(DifferentFields(record, builtIn), QStringList());
    }

    // Every field is copied exactly when it belongs to the group; a photo showing the target
    // renders with the mask the group brought.
    void copyFieldGroup_data() {
        QTest::addColumn<int>("group");
        QTest::addColumn<QStringList>("fields");
        QTest::newRow("Resize") << int(TFieldGroup::Resize) << QStringList{"Max", "Keep"};
        QTest::newRow("Crop") << int(TFieldGroup::Crop) << QStringList{"Crop", "Ratio"};
        QTest::newRow("Color") << int(TFieldGroup::Color)
                               << QStringList{"Contrast", "Brightness", "Red",     "Green",
                                              "Blue",     "Grayscale",  "Negative"};
        QTest::newRow("Watermark")
            << int(TFieldGroup::Watermark)
            << QStringList{"Watermark", "Font", "Opacity", "Position", "X", "Y"};
        QTest::newRow("Border") << int(TFieldGroup::Border)
                                << QStringList{"MaskName", "MaskColor", "Outside", "Inside",
                                               "Radius",   "Offset",    "Shadow",  "Background"};
    }
    void copyFieldGroup() {
        QFETCH(int, group);
        QFETCH(QStringList, fields);
        TPhotoInfo s("source.jpg");
        s.Crop = {1, 2, 3, 4}, s.Ratio = 3, s.Rotate = 90;
        s.Contrast = 5, s.Brightness = 6, s.Red = 7, s.Green = 8, s.Blue = 9,
        s.Grayscale = s.Negative = true;
        s.Max = 123, s.Keep = false;
        s.Watermark = "mark", s.Position = 2, s.Font.Name = "Serif", s.Font.Bold = true;
        s.X = 3, s.Y = 4, s.Opacity = 77;
        s.MaskName = "photo.png", s.MaskColor = 0x123456, s.Outside = {5, 0x11},
        s.Inside = {6, 0x22};
        s.Radius = 7, s.Offset = 8, s.Shadow = 0x33, s.Background = 0x44;
        TPhotoInfo target("target.jpg");
        const TPhotoInfo before("target.jpg");
        TPhoto photo;  // the file is missing: the photo still takes the mask
        photo.SetMasksFolder(dir_.path());
        photo.AssignInfo(&target);
        QVERIFY(photo.Mask().isNull());
        CopyFieldGroup(TFieldGroup(group), s, target);

        for (const auto& [name, same] : kFields)
            QVERIFY2(same(target, fields.contains(name) ? s : before), qPrintable(name));
        photo.Render();
        QCOMPARE(photo.Mask().isNull(), !fields.contains("MaskName"));
        QCOMPARE(photo.Mask(), LoadMaskFile(dir_.path(), target.MaskName));
    }
};

QTEST_MAIN(TestEditDialogs)
#include "test_editdialogs.moc"
