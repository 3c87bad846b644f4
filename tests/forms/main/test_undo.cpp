// Undo and redo of photo settings in the main window: every kind of change gives back the
// exact earlier picture, and the later one again, through the keys and the Edit menu; and
// Undo Close, which gives closed photos back with their settings and their histories.

#include <QAbstractButton>
#include <QAccessible>
#include <QAction>
#include <QDir>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QSlider>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <functional>
#include <memory>

#include "forms/common/NumberBox.h"
#include "forms/main/FormMain.h"
#include "forms/main/PhotoView.h"
#include "photos/settings/IniFile.h"
#include "photos/settings/ProgramFolder.h"
#include "photos/settings/Templates.h"
#include "photos/stages/Thumbnail.h"
#include "support/FakePlatform.h"
#include "support/MainWindow.h"
#include "support/Modal.h"
#include "support/TestSupport.h"

using namespace vellumora;
using namespace vellumora::test;

namespace {

struct TWindow : TMainWindow {
    QImage Picture() { return form.Photo().Rendered().copy(); }
    // What the strip and the open photos hold, button by button: the name a screen reader
    // says, the file, whether it is pressed, and every key the record writes.
    QStringList Photos() {
        QStringList photos;
        for (int i = 0; i < form.Strip()->Count(); ++i) {
            const QToolButton* button = form.Strip()->Button(i);
            TIniFile written{QString()};
            const TPhotoInfo* record = form.Photos().Record(i);
            if (record) record->WriteSettings(written, QStringLiteral("P"));
            QString photo = button->accessibleName() + QLatin1Char(' ') + button->toolTip() +
                            (button->isChecked() ? QStringLiteral(" pressed") : QString());
            for (const QString& key : written.Keys(QStringLiteral("P")))
                photo += QLatin1Char(' ') + key + QLatin1Char('=') +
                         written.ReadString(QStringLiteral("P"), key);
            photos << photo;
        }
        return photos;
    }
    // The strip's thumbnails, once every button has one.
    QList<QImage> Thumbnails() {
        const QImage blank = MakeThumbnail(QImage(), kThumbnailSize);
        const TPhotoStrip* strip = form.Strip();
        const auto image = [strip](int i) { return strip->Image(strip->ImageIndex(i)); };
        if (!AwaitEventsUntil("a thumbnail on every photo button", [&] {
                for (int i = 0; i < strip->Count(); ++i)
                    if (image(i) == blank) return false;
                return true;
            }))
            return {};
        QList<QImage> thumbnails;
        for (int i = 0; i < strip->Count(); ++i) thumbnails << image(i);
        return thumbnails;
    }
    // Runs the command's dialog: `act` works its controls, then the button is clicked (or
    // the close box, for "close").
    void Dialog(const char* command, const std::function<void(QWidget*)>& act, const char* button) {
        TWhenModal modal(QLatin1String(command), [&](QWidget* dialog) {
            act(dialog);
            if (QLatin1String(button) == QLatin1String("close"))
                dialog->close();
            else
                dialog->findChild<QAbstractButton*>(QLatin1String(button))->click();
        });
        Action(QLatin1String(command))->trigger();
        // As the desktop does once the dialog is gone: the window's keys work again.
        QVERIFY(ShowActive(&form));
    }
};

template <class T>
T* Child(QWidget* parent, const char* name) {
    T* child = parent->findChild<T*>(QLatin1String(name));
    if (!child) qFatal("no %s", name);
    return child;
}

// One kind of change to the current photo, and the name its undo step has; setup runs
// before it, when there is one.
struct TChange {
    const char* name;
    const char* step;
    std::function<void(TWindow&)> make;
    std::function<void(TWindow&)> setup = nullptr;
};

void ApplyTemplate(TWindow& w) {
    w.Action(QStringLiteral("MenuTemplate1"))->trigger();
}

const TChange kChanges[] = {
    {"Resize, OK", "Resize",
     [](TWindow& w) {
         w.Dialog(
             "MenuResize", [](QWidget* d) { Child<QAbstractButton>(d, "RadioButton200")->click(); },
             "ButtonOK");
     }},
    {"Resize, Apply twice then the close box", "Resize",
     [](TWindow& w) {
         w.Dialog(
             "MenuResize",
             [](QWidget* d) {
                 Child<QAbstractButton>(d, "RadioButton400")->click();
                 Child<QAbstractButton>(d, "ButtonApply")->click();
                 Child<QAbstractButton>(d, "RadioButton200")->click();
                 Child<QAbstractButton>(d, "ButtonApply")->click();
             },
             "close");
     }},
    {"Crop", "Crop",
     [](TWindow& w) {
         w.Dialog(
             "MenuCrop",
             [](QWidget* d) {
                 auto* picture = Child<QWidget>(d, "ImagePhoto");
                 QTest::mousePress(picture, Qt::LeftButton, {}, {5, 4});
                 QTest::mouseMove(picture, {60, 40});
                 QTest::mouseRelease(picture, Qt::LeftButton, {}, {60, 40});
             },
             "ButtonOK");
     }},
    {"Color Balance", "Color Balance",
     [](TWindow& w) {
         w.Dialog(
             "MenuColor",
             [](QWidget* d) {
                 Child<QSlider>(d, "TrackBarContrast")->setValue(40);
                 Child<QAbstractButton>(d, "CheckBoxNegative")->click();
             },
             "ButtonOK");
     }},
    {"Watermark", "Watermark",
     [](TWindow& w) {
         w.Dialog(
             "MenuWatermark",
             [](QWidget* d) { QTest::keyClicks(Child<QLineEdit>(d, "EditSignature"), "Hi"); },
             "ButtonOK");
     }},
    {"Border, another mask", "Border",
     [](TWindow& w) {
         w.Dialog(
             "MenuBorder",
             [](QWidget* d) {
                 // The template's mask is the other one.
                 auto* masks = Child<QListWidget>(d, "ListView");
                 for (int row = 0; row < masks->count(); ++row)
                     if (masks->item(row)->toolTip() == QLatin1String("star.png"))
                         masks->setCurrentRow(row);
                 Child<TUpDown>(d, "UpDownOutside")->SetValue(4);
             },
             "ButtonOK");
     },
     ApplyTemplate},
    {"Rotate Clockwise", "Rotate Clockwise", [](TWindow& w) { w.Key(Qt::CTRL | Qt::Key_Right); }},
    {"Rotate Counter Clockwise", "Rotate Counter Clockwise",
     [](TWindow& w) { w.Key(Qt::CTRL | Qt::Key_Left); }},
    {"Flip Horizontally", "Flip Horizontally",
     [](TWindow& w) { w.Action(QStringLiteral("DropHorizontally"))->trigger(); }},
    {"Flip Vertically", "Flip Vertically",
     [](TWindow& w) { w.Action(QStringLiteral("PopupVertically"))->trigger(); }},
    {"a template", "Template", ApplyTemplate},
};

}  // namespace

class TestUndo : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    QTemporaryDir home_;

    QString Photo(const QString& name) {
        const QString path = dir_.filePath(name);
        return QFileInfo::exists(path) ? path : SavePng(dir_.path(), name, PatternImage(400, 240));
    }
    std::unique_ptr<TWindow> NewWindow() { return NewShownWindow<TWindow>(); }

private slots:
    void initTestCase() {
        QVERIFY(dir_.isValid());
        QVERIFY(home_.isValid());
        qputenv("XDG_DATA_HOME", home_.path().toUtf8());
        QVERIFY(PrepareProgramFolder(QString()));
        // Two masks that cover different halves.
        QImage left = SolidImage(100, 100, 0xFFFFFF), top = left;
        for (int y = 0; y < 100; ++y)
            for (int x = 0; x < 50; ++x) {
                left.setPixel(x, y, 0xFF000000);
                top.setPixel(y, x, 0xFF000000);
            }
        SavePng(MasksFolder(), QStringLiteral("oval.png"), left);
        SavePng(MasksFolder(), QStringLiteral("star.png"), top);
        // One stored template, unlike the defaults: a smaller size, a mask and a border.
        TPhotoInfo stored;
        stored.Max = 160;
        stored.MaskName = QStringLiteral("oval.png");
        stored.Outside = TBorder{6, 0x00FF00};
        AddTemplate(stored, QStringLiteral("small"), false);
    }

    void undoAndRedoGiveBackTheExactPictures_data() {
        QTest::addColumn<int>("change");
        for (int i = 0; i < int(std::size(kChanges)); ++i) QTest::newRow(kChanges[i].name) << i;
    }
    void undoAndRedoGiveBackTheExactPictures() {
        QFETCH(int, change);
        auto w = NewWindow();
        QVERIFY(w);
        w->Open(Photo(QStringLiteral("u.png")));
        QVERIFY(!w->Action(QStringLiteral("MenuUndo"))->isEnabled());
        const bool setup = bool(kChanges[change].setup);
        if (setup) kChanges[change].setup(*w);
        const QImage before = w->Picture();
        // The mask goes with the settings: the template's and the Border rows change it.
        const QImage maskBefore = w->form.Photo().Mask();

        kChanges[change].make(*w);
        const QImage after = w->Picture();
        const QImage maskAfter = w->form.Photo().Mask();
        QVERIFY(!CompareImages(after, before).isEmpty());
        const QString step = QLatin1String(kChanges[change].step);
        QCOMPARE(w->Action(QStringLiteral("MenuUndo"))->text(), "Undo " + step);
        QCOMPARE(w->Action(QStringLiteral("MenuRedo"))->text(), QStringLiteral("Redo"));

        w->Key(Qt::CTRL | Qt::Key_Z);
        QCOMPARE(CompareImages(w->Picture(), before), QString());
        QCOMPARE(w->form.Photo().Mask(), maskBefore);
        QCOMPARE(w->Action(QStringLiteral("MenuUndo"))->isEnabled(), setup);
        QCOMPARE(w->Action(QStringLiteral("MenuRedo"))->text(), "Redo " + step);
        w->Key(Qt::CTRL | Qt::SHIFT | Qt::Key_Z);
        QCOMPARE(CompareImages(w->Picture(), after), QString());
        QCOMPARE(w->form.Photo().Mask(), maskAfter);
        w->Action(QStringLiteral("MenuUndo"))->trigger();
        QCOMPARE(CompareImages(w->Picture(), before), QString());
        w->Key(Qt::CTRL | Qt::Key_Y);
        QCOMPARE(CompareImages(w->Picture(), after), QString());
        QVERIFY(!w->Action(QStringLiteral("MenuRedo"))->isEnabled());
    }

    // Undone, the new photo shows what "Open..." would have given it.
    void openWithCurrentSettingsIsUndone() {
        auto w = NewWindow();
        QVERIFY(w);
        w->Open(Photo(QStringLiteral("c0.png")));
        w->Open(Photo(QStringLiteral("c1.png")));
        const QImage plain = w->Picture();
        w->Action(QStringLiteral("MenuFirst"))->trigger();
        w->Action(QStringLiteral("MenuTemplate1"))->trigger();

        w->Open(Photo(QStringLiteral("c1.png")), QStringLiteral("MenuCurrent"));
        const QImage carried = w->Picture();
        QVERIFY(!CompareImages(carried, plain).isEmpty());
        QCOMPARE(w->Action(QStringLiteral("MenuUndo"))->text(),
                 QStringLiteral("Undo Open with Current Settings"));
        w->Key(Qt::CTRL | Qt::Key_Z);
        QCOMPARE(CompareImages(w->Picture(), plain), QString());
        w->Key(Qt::CTRL | Qt::Key_Y);
        QCOMPARE(CompareImages(w->Picture(), carried), QString());
    }

    // "OK for All" is one step on every photo it reached; a photo changed again since
    // keeps its own later change.
    void okForAllIsOneStepOnEveryPhoto() {
        auto w = NewWindow();
        QVERIFY(w);
        QList<QImage> before;
        for (int i = 0; i < 3; ++i) {
            w->Open(Photo(QStringLiteral("a%1.png").arg(i)));
            before << w->Picture();
        }
        w->form.SelectPhoto(1);
        w->Dialog(
            "MenuResize", [](QWidget* d) { Child<QAbstractButton>(d, "RadioButton200")->click(); },
            "ButtonAll");
        QCOMPARE(w->Action(QStringLiteral("MenuUndo"))->text(),
                 QStringLiteral("Undo Resize for All"));
        QList<QImage> after;
        for (int i = 0; i < 3; ++i) {
            w->form.SelectPhoto(i);
            after << w->Picture();
            QCOMPARE(after[i].width(), 200);
        }
        // The last photo is turned after it.
        w->Key(Qt::CTRL | Qt::Key_Right);
        const QImage turned = w->Picture();

        w->form.SelectPhoto(0);
        w->Key(Qt::CTRL | Qt::Key_Z);
        QCOMPARE(CompareImages(w->Picture(), before[0]), QString());
        w->form.SelectPhoto(1);
        QCOMPARE(CompareImages(w->Picture(), before[1]), QString());
        QVERIFY(!w->Action(QStringLiteral("MenuUndo"))->isEnabled());
        w->form.SelectPhoto(2);
        QCOMPARE(CompareImages(w->Picture(), turned), QString());
        QCOMPARE(w->Action(QStringLiteral("MenuUndo"))->text(),
                 QStringLiteral("Undo Rotate Clockwise"));

        // Redone from the middle photo, it is back on the first too.
        w->form.SelectPhoto(1);
        w->Key(Qt::CTRL | Qt::Key_Y);
        QCOMPARE(CompareImages(w->Picture(), after[1]), QString());
        w->form.SelectPhoto(0);
        QCOMPARE(CompareImages(w->Picture(), after[0]), QString());
    }

    // Each photo has its own history, which goes when the photo is closed.
    void historyIsPerOpenPhoto() {
        auto w = NewWindow();
        QVERIFY(w);
        auto* edit = w->form.findChild<QMenu*>(QStringLiteral("MenuEdit"));
        QVERIFY(edit);
        // The names a screen reader says for the menu's items; the separator has none.
        QAccessibleInterface* menu = QAccessible::queryAccessibleInterface(edit);
        QVERIFY(menu);
        QStringList spoken;
        for (int i = 0; i < menu->childCount(); ++i)
            spoken << menu->child(i)->text(QAccessible::Name);
        QCOMPARE(spoken, (QStringList{"Undo", "Redo", "", "Undo Close"}));
        w->Open(Photo(QStringLiteral("p0.png")));
        w->Key(Qt::CTRL | Qt::Key_Left);
        w->Open(Photo(QStringLiteral("p1.png")));
        QVERIFY(!w->Action(QStringLiteral("MenuUndo"))->isEnabled());
        QCOMPARE(w->Action(QStringLiteral("MenuUndo"))->text(), QStringLiteral("Undo"));
        w->Key(Qt::CTRL | Qt::Key_Z);  // nothing to take back here
        QCOMPARE(w->form.Photo().Info()->Rotate, 0);
        w->form.SelectPhoto(0);
        QVERIFY(w->Action(QStringLiteral("MenuUndo"))->isEnabled());

        w->Key(QKeyCombination(Qt::Key_Delete));
        w->Open(Photo(QStringLiteral("p0.png")));
        QVERIFY(!w->Action(QStringLiteral("MenuUndo"))->isEnabled());
    }

    // Undo Close gives the photos of the last Close or Close All back as they were: in
    // their places in the strip, with their settings, thumbnails and histories, the one
    // that was current current again; one opened since moves up behind them.
    void undoCloseGivesThePhotosBackAsTheyWere_data() {
        QTest::addColumn<QKeyCombination>("close");
        QTest::addColumn<int>("current");  // of four, when closing
        QTest::addColumn<bool>("openSince");
        QTest::addColumn<bool>("byKey");  // Ctrl+Shift+T, else the menu item
        const QKeyCombination one(Qt::Key_Delete), all = Qt::CTRL | Qt::Key_Delete;
        QTest::newRow("Close, the second") << one << 1 << false << true;
        QTest::newRow("Close, the last") << one << 3 << false << false;
        QTest::newRow("Close, the first, then another opened") << one << 0 << true << true;
        QTest::newRow("Close All") << all << 2 << false << false;
        QTest::newRow("Close All, then another opened") << all << 2 << true << true;
    }
    void undoCloseGivesThePhotosBackAsTheyWere() {
        QFETCH(QKeyCombination, close);
        QFETCH(int, current);
        QFETCH(bool, openSince);
        QFETCH(bool, byKey);
        auto w = NewWindow();
        QVERIFY(w);
        QAction* undoClose = w->Action(QStringLiteral("MenuUndoClose"));
        QVERIFY(undoClose);
        QCOMPARE(undoClose->text(), QStringLiteral("Undo Close"));
        // Each photo is turned once, after a template on the first: steps to undo.
        QList<QImage> plain, turned;
        for (int i = 0; i < 4; ++i) {
            w->Open(Photo(QStringLiteral("close%1.png").arg(i)));
            if (i == 0) ApplyTemplate(*w);
            plain << w->Picture();
            w->Key(Qt::CTRL | Qt::Key_Right);
            turned << w->Picture();
        }
        w->form.SelectPhoto(current);
        const QStringList before = w->Photos();
        const QList<QImage> thumbnails = w->Thumbnails();
        QCOMPARE(thumbnails.size(), 4);
        QVERIFY(!undoClose->isEnabled());

        w->Key(close);
        const int left = w->form.Strip()->Count();
        QVERIFY(left < 4);
        QVERIFY(undoClose->isEnabled());
        QStringList since;
        if (openSince) {
            w->Open(Photo(QStringLiteral("since.png")));
            since = w->Photos().mid(left);
        }
        // Nothing is asked on the way back.
        w->platform.log.clear();
        if (byKey)
            w->Key(Qt::CTRL | Qt::SHIFT | Qt::Key_T);
        else
            undoClose->trigger();

        QCOMPARE(w->platform.log, QStringList());
        QVERIFY(!undoClose->isEnabled());
        QStringList after = w->Photos();
        // The photo opened since, unpressed now, stands behind them.
        QCOMPARE(after.size(), 4 + since.size());
        for (const QString& photo : since)
            QCOMPARE(after.takeLast(), QString(photo).remove(QStringLiteral(" pressed")));
        QCOMPARE(after, before);
        QCOMPARE(w->form.Photos().Current(), current);
        QCOMPARE(w->form.Photo().Info(), w->form.Photos().Record(current));
        QCOMPARE(CompareImages(w->Picture(), turned[current]), QString());
        const QList<QImage> thumbnailsBack = w->Thumbnails();
        QCOMPARE(thumbnailsBack.size(), 4 + since.size());
        for (int i = 0; i < 4; ++i)
            QCOMPARE(CompareImages(thumbnailsBack[i], thumbnails[i]), QString());
        // The steps made before the close still undo, here and on the first photo.
        QCOMPARE(w->Action(QStringLiteral("MenuUndo"))->text(),
                 QStringLiteral("Undo Rotate Clockwise"));
        w->Key(Qt::CTRL | Qt::Key_Z);
        QCOMPARE(CompareImages(w->Picture(), plain[current]), QString());
        w->form.SelectPhoto(0);
        if (current != 0) {
            w->Key(Qt::CTRL | Qt::Key_Z);
            QCOMPARE(CompareImages(w->Picture(), plain[0]), QString());
        }
        QCOMPARE(w->Action(QStringLiteral("MenuUndo"))->text(), QStringLiteral("Undo Template"));
    }
};

QTEST_MAIN(TestUndo)
#include "test_undo.moc"
