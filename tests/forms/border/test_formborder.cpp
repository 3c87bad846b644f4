// The Border dialog: which files of the Masks folder it offers and their thumbnails, what
// show fills and commit writes, masks that arrive while the program runs, what assistive
// tools and the keyboard reach, and "OK for All" from the main window.

#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <array>
#include <functional>
#include <memory>

#include "codec/Codec.h"
#include "forms/border/FormBorder.h"
#include "forms/common/ColorSwatch.h"
#include "forms/common/NumberBox.h"
#include "forms/main/FormMain.h"
#include "forms/main/PhotoView.h"
#include "photos/Photo.h"
#include "photos/settings/IniFile.h"
#include "photos/settings/ProgramFolder.h"
#include "photos/stages/Render.h"
#include "support/FakePlatform.h"
#include "support/Modal.h"
#include "support/TestSupport.h"

using namespace vellumora;
using namespace vellumora::test;

namespace {

// Thirds of red, green and blue from the left: shows whether a thumbnail is squeezed.
QImage Thirds(int width, int height) {
    QImage image = SolidImage(width, height, 0xFF0000);
    for (int y = 0; y < height; ++y)
        for (int x = width / 3; x < width; ++x)
            image.setPixel(x, y, x < 2 * width / 3 ? 0xFF00FF00u : 0xFF0000FFu);
    return image;
}

// Fills folder from entries "name:image", "name:text" or "name:folder".
void MakeFolder(const QString& folder, const QStringList& entries) {
    QDir(folder).removeRecursively();
    QDir().mkpath(folder);
    for (const QString& entry : entries) {
        const QString name = entry.section(':', 0, 0), kind = entry.section(':', 1);
        if (kind == "image") SavePng(folder, name, PatternImage(16, 12));
        if (kind == "text") WriteBytes(folder, name, "not an image");
        if (kind == "folder") QDir(folder).mkpath(name);
    }
}

// A record's settings as a settings file holds them, in section "P".
TIniFile Stored(const TPhotoInfo& info) {
    TIniFile file{QString()};
    info.WriteSettings(file, "P");
    return file;
}

// The keys and values, for comparisons that name the key that differs.
QStringList Settings(const TPhotoInfo& info) {
    const TIniFile file = Stored(info);
    QStringList lines;
    for (const QString& key : file.Keys("P")) lines << key + '=' + file.ReadString("P", key);
    return lines;
}

// Sets keys ("KEY=value;...") of a record as a settings file would.
void SetKeys(TPhotoInfo& info, const QString& keys) {
    TIniFile file = Stored(info);
    for (const QString& key : keys.split(';', Qt::SkipEmptyParts))
        file.WriteString("P", key.section('=', 0, 0), key.section('=', 1));
    info.ReadSettings(file, "P");
}

// The boxes and the colour buttons, by the roles in their objectNames, in screen order.
const QStringList kBoxes{"Outside", "Inside", "Radius", "Offset"};
const QStringList kButtons{"Color", "Outside", "Inside", "Shadow", "Background"};
using TColors = std::array<TColor, 5>;
TColors Colors(const TPhotoInfo& i) {
    return {i.MaskColor, i.Outside.Color, i.Inside.Color, i.Shadow, i.Background};
}

// What a record's stored settings render to: written out, read back into a fresh record
// and sent through the chain from the file, as the batch and the command-line tool do.
QImage StoredAndRendered(const TPhotoInfo& info, const QString& masks) {
    TPhotoInfo read;
    read.ReadSettings(Stored(info), "P");
    return RenderChain(DoLoad(read.FileName), read, LoadMaskFile(masks, read.MaskName));
}

// A mask, colours, bands and a shadow, all away from the built-in settings.
void Framed(TPhotoInfo& info) {
    info.MaskName = "b.png", info.MaskColor = 0x112233;
    info.Outside = {5, 0x000080}, info.Inside = {2, 0x008000};
    info.Radius = 3, info.Offset = 4, info.Shadow = 0x404040, info.Background = 0xC0C0C0;
}

struct TRig {
    TFakePlatform platform;
    TPhotoInfo info;
    TPhoto photo;
    std::unique_ptr<TFormBorder> dialog;

    TRig(const QString& file, const QString& masks) : info(file) {
        Framed(info);
        photo.SetMasksFolder(masks);
        photo.AssignInfo(&info);
        dialog = std::make_unique<TFormBorder>(photo, platform);
    }
    template <class T>
    T* Child(const QString& name) const {
        return dialog->findChild<T*>(name);
    }
    QListWidget* List() const { return Child<QListWidget>("ListView"); }
    QStringList Listed() const {
        QStringList names;
        for (int i = 0; i < List()->count(); ++i)
            names << List()->item(i)->data(Qt::AccessibleTextRole).toString();
        return names;
    }
    QString Selected() const {
        const auto items = List()->selectedItems();
        return items.isEmpty() ? QString() : items[0]->data(Qt::AccessibleTextRole).toString();
    }
    // One user action: "click NAME", "click empty", "key KEY" in the list, "type ROLE TEXT"
    // then Tab, "colour BUTTON" (the chooser answers with the queued colour, if any).
    void Do(const QString& step) {
        const QStringList word = step.split(' ');
        QListWidget* list = List();
        if (word[0] == "click") {
            const int row = Listed().indexOf(word[1]);
            const QPoint at = row < 0 ? QPoint(list->viewport()->width() - 8, 8)
                                      : list->visualItemRect(list->item(row)).center();
            QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
        } else if (word[0] == "key") {
            list->setFocus();
            if (word[1] == "ctrl+space") QTest::keyClick(list, Qt::Key_Space, Qt::ControlModifier);
            if (word[1] == "right") QTest::keyClick(list, Qt::Key_Right);
        } else if (word[0] == "type") {
            auto* box = Child<QLineEdit>("Edit" + word[1]);
            box->setFocus();
            box->selectAll();
            QTest::keyClicks(box, word[2]);
            QTest::keyClick(box, Qt::Key_Tab);
        } else if (word[0] == "colour") {
            Child<QPushButton>("BitBtn" + word[1])->click();
        }
    }
};

}  // namespace

class TestFormBorder : public QObject {
    Q_OBJECT

    QTemporaryDir home_;
    QString masks_;
    QString photo_;

private slots:
    void initTestCase() {
        QVERIFY(home_.isValid());
        qputenv("XDG_DATA_HOME", home_.path().toUtf8());
        QVERIFY(PrepareProgramFolder(QString()));
        masks_ = MasksFolder();
        SavePng(masks_, "a.png", Thirds(300, 100));
        SavePng(masks_, "b.png", SolidImage(20, 20, 0x808080));
        SavePng(masks_, "c.png", PatternImage(32, 24));
        WriteBytes(masks_, "notes.txt", "not an image");
        photo_ = SavePng(home_.path(), "photo.png", PatternImage(60, 40));
    }

    void maskList_data() {
        QTest::addColumn<QStringList>("files");
        QTest::addColumn<QStringList>("listed");
        QTest::newRow("by name, case aside")
            << QStringList{"b.png:image", "A.png:image", "c.bmp:image"}
            << QStringList{"A.png", "b.png", "c.bmp"};
        QTest::newRow("text files left out")
            << QStringList{"notes.txt:text", "fake.png:text", "m.png:image"}
            << QStringList{"m.png"};
        QTest::newRow("hidden file, folder left out")
            << QStringList{".h.png:image", "dir.png:folder", "m.png:image"} << QStringList{"m.png"};
        QTest::newRow("empty folder") << QStringList{} << QStringList{};
    }
    void maskList() {
        QFETCH(QStringList, files);
        QFETCH(QStringList, listed);
        const QString folder = home_.filePath("list");
        MakeFolder(folder, files);
        TMaskList list;
        list.Refresh(folder);
        QStringList names;
        for (const TMask& mask : list.Masks()) {
            names << mask.fileName;
            QCOMPARE(mask.path, folder + '/' + mask.fileName);
            QCOMPARE(mask.thumbnail.size(), QSize(64, 64));
        }
        QCOMPARE(names, listed);
        list.Refresh(folder + "/missing");
        QVERIFY(list.Masks().empty());
    }

    // Each file is read once however often the folder is listed, and again only when it
    // changes; files copied in or deleted show at the next listing.
    void thumbnailsAreMadeOncePerFile() {
        const QString folder = home_.filePath("once");
        MakeFolder(folder, {"a.png:image", "notes.txt:text"});
        QStringList loads;
        TMaskList list([&loads](const QString& path) {
            loads << QFileInfo(path).fileName();
            return TMaskList::LoadForThumbnail(path);
        });
        QVERIFY(list.Refresh(folder));
        QVERIFY(!list.Refresh(folder));
        QCOMPARE(loads, (QStringList{"a.png", "notes.txt"}));

        SavePng(folder, "wide.png", Thirds(300, 100));
        QVERIFY(list.Refresh(folder));
        QCOMPARE(loads.mid(2), QStringList{"wide.png"});
        QCOMPARE(list.IndexOf("wide.png"), 1);
        QCOMPARE(list.IndexOf("WIDE.png"), -1);
        // Squeezed to the whole square: red, green and blue thirds in every row.
        const QImage& thumb = list.Masks()[1].thumbnail;
        for (int y : {0, 31, 63})
            QCOMPARE((QList<quint32>{PixelRgb(thumb, 2, y), PixelRgb(thumb, 32, y),
                                     PixelRgb(thumb, 61, y)}),
                     (QList<quint32>{0xFF0000, 0x00FF00, 0x0000FF}));

        QVERIFY(QFile::remove(folder + "/a.png"));
        WriteBytes(folder, "notes.txt", "a longer text, still no image");
        QVERIFY(list.Refresh(folder));
        QCOMPARE(loads.mid(3), QStringList{"notes.txt"});
        QCOMPARE(list.Masks().size(), size_t(1));
    }

    // Show, one user action (or none), OK: the list shows the record's mask, the boxes and
    // swatches what OK stores, and only what the action names changes. A mask name whose
    // file is not listed is kept by an OK that did not touch the list.
    void showEditOk_data() {
        QTest::addColumn<QString>("record");  // keys changed before show
        QTest::addColumn<QString>("selected");
        QTest::addColumn<QString>("action");
        QTest::addColumn<QColor>("chosen");      // the chooser's answer; invalid: cancelled
        QTest::addColumn<QString>("committed");  // keys OK changes
        const auto row = [](const char* name, const char* record, const char* selected,
                            const char* action, QColor chosen, const char* committed) {
            QTest::newRow(name) << record << selected << action << chosen << committed;
        };
        row("listed", "", "b.png", "", {}, "");
        row("case differs", "MASK=B.png", "", "", {}, "");
        row("not listed", "MASK=gone.png", "", "", {}, "");
        row("clamped", "OUTSIDE.WIDTH=-5;INSIDE.WIDTH=250;RADIUS=25;OFFSET=-1", "b.png", "", {},
            "OUTSIDE.WIDTH=0;INSIDE.WIDTH=100;RADIUS=20;OFFSET=0");
        row("another mask", "", "b.png", "click c.png", {}, "MASK=c.png");
        row("empty area", "", "b.png", "click empty", {}, "MASK=");
        row("Ctrl+Space", "", "b.png", "key ctrl+space", {}, "MASK=");
        row("arrow key", "", "b.png", "key right", {}, "MASK=c.png");
        row("not listed, another", "MASK=gone.png", "", "click a.png", {}, "MASK=a.png");
        row("250 outside", "", "b.png", "type Outside 250", {}, "OUTSIDE.WIDTH=100");
        row("25 radius", "", "b.png", "type Radius 25", {}, "RADIUS=20");
        row("letters offset", "", "b.png", "type Offset ab", {}, "");
        row("white outside", "", "b.png", "colour Outside", Qt::white, "OUTSIDE.COLOR=clWhite");
        row("shadow cancelled", "", "b.png", "colour Shadow", {}, "");
        row("mask colour", "", "b.png", "colour Color", QColor(1, 2, 3), "COLOR=$00030201");
    }
    void showEditOk() {
        QFETCH(QString, record);
        QFETCH(QString, selected);
        QFETCH(QString, action);
        QFETCH(QColor, chosen);
        QFETCH(QString, committed);
        TRig rig(photo_, masks_);
        SetKeys(rig.info, record);
        TPhotoInfo expected = rig.info;
        SetKeys(expected, committed);
        QVERIFY(ShowActive(rig.dialog.get()));
        QCOMPARE(rig.Listed(), (QStringList{"a.png", "b.png", "c.png"}));
        QCOMPARE(rig.Selected(), selected);
        QCOMPARE(QApplication::focusWidget(), rig.List());
        const TColors atShow = Colors(rig.info);
        if (chosen.isValid()) rig.platform.colors.push_back(chosen);
        if (!action.isEmpty()) rig.Do(action);
        rig.dialog->ButtonOK()->click();

        QCOMPARE(Settings(rig.info), Settings(expected));
        const int values[] = {expected.Outside.Width, expected.Inside.Width, expected.Radius,
                              expected.Offset};
        for (int i = 0; i < 4; ++i)
            QCOMPARE(rig.Child<QLineEdit>("Edit" + kBoxes[i])->text(), QString::number(values[i]));
        for (int i = 0; i < 5; ++i) {
            auto* button = rig.Child<QPushButton>("BitBtn" + kButtons[i]);
            QCOMPARE(CompareImages(button->icon().pixmap(133, 15).toImage(),
                                   ColorGlyph(QSize(149, 23), Colors(expected)[i])),
                     QString());
        }
        // The chooser opens on the button's colour.
        const int button = kButtons.indexOf(action.section(' ', 1));
        QCOMPARE(rig.platform.log,
                 action.startsWith("colour")
                     ? QStringList{"color: " + QColor(ColorToRgb(atShow[button])).name()}
                     : QStringList());
    }

    // Whatever way the dialog ends, the photo shows what its stored settings render to; the
    // mask of Cancel after Apply is the one at show again.
    void storedSettingsRenderAsShown_data() {
        QTest::addColumn<QString>("end");
        QTest::addColumn<QString>("mask");
        QTest::newRow("OK") << "ButtonOK"
                            << "a.png";
        QTest::newRow("Cancel after Apply") << "ButtonCancel"
                                            << "b.png";
        QTest::newRow("close box after Apply") << "close"
                                               << "a.png";
    }
    void storedSettingsRenderAsShown() {
        QFETCH(QString, end);
        QFETCH(QString, mask);
        TRig rig(photo_, masks_);
        QVERIFY(ShowActive(rig.dialog.get()));
        rig.Do("click a.png");
        rig.Child<TUpDown>("UpDownOutside")->SetValue(10);
        rig.Child<TUpDown>("UpDownRadius")->SetValue(8);
        rig.dialog->ButtonApply()->click();
        QCOMPARE(rig.photo.Mask().size(), QSize(300, 100));
        if (end == "close")
            rig.dialog->close();
        else
            rig.Child<QPushButton>(end)->click();
        QCOMPARE(rig.info.MaskName, mask);
        QCOMPARE(rig.photo.Mask(), LoadMaskFile(masks_, mask));
        QCOMPARE(CompareImages(rig.photo.Rendered(), StoredAndRendered(rig.info, masks_)),
                 QString());
    }

    // A mask copied in while the program runs shows at the next showing; the thumbnails of
    // the others are not made again.
    void masksChangeBetweenShowings() {
        const QString folder = home_.filePath("running");
        MakeFolder(folder, {"b.png:image"});
        TRig rig(photo_, folder);
        QVERIFY(ShowActive(rig.dialog.get()));
        QCOMPARE(rig.Selected(), QString("b.png"));
        const qint64 key = rig.dialog->MaskList().Masks()[0].thumbnail.cacheKey();
        rig.dialog->close();

        SavePng(folder, "a.png", Thirds(300, 100));
        QVERIFY(ShowActive(rig.dialog.get()));
        QCOMPARE(rig.Listed(), (QStringList{"a.png", "b.png"}));
        QCOMPARE(rig.Selected(), QString("b.png"));
        QCOMPARE(rig.dialog->MaskList().Masks()[1].thumbnail.cacheKey(), key);
    }

    // A selected mask stands in a frame of the selection colour, the others on the list's
    // own colour; no caption is drawn.
    void selectedMaskIsFramed() {
        TRig rig(photo_, masks_);
        QVERIFY(ShowActive(rig.dialog.get()));
        const QImage shown = rig.List()->viewport()->grab().toImage();
        const QPalette palette = rig.List()->palette();
        for (int row = 0; row < 3; ++row) {
            const QRect cell = rig.List()->visualItemRect(rig.List()->item(row));
            // Centred: (left + right - 64) div 2, right exclusive.
            const QPoint corner((2 * cell.left() + cell.width() - 64) / 2,
                                (2 * cell.top() + cell.height() - 64) / 2);
            const QColor frame = palette.color(row == 1 ? QPalette::Highlight : QPalette::Base);
            for (const QPoint& at :
                 {corner - QPoint(3, 3), corner + QPoint(66, 66), corner - QPoint(1, 0)})
                QCOMPARE(PixelRgb(shown, at.x(), at.y()), frame.rgb() & 0xFFFFFF);
            // Three pixels wide, no more.
            QCOMPARE(PixelRgb(shown, corner.x() - 4, corner.y() + 32),
                     palette.color(QPalette::Base).rgb() & 0xFFFFFF);
            const QImage thumb = rig.dialog->MaskList().Masks()[row].thumbnail;
            QCOMPARE(CompareImages(shown.copy(QRect(corner, QSize(64, 64))), thumb), QString());
        }
    }

    // Names as a screen reader hears them; Tab through every control in order.
    void accessibility() {
        TRig rig(photo_, masks_);
        QVERIFY(ShowActive(rig.dialog.get()));
        const auto name = [](QObject* object) {
            QAccessibleInterface* face = QAccessible::queryAccessibleInterface(object);
            return face ? face->text(QAccessible::Name) : QString("(none)");
        };
        QCOMPARE(name(rig.dialog.get()), QString("Border"));
        const QStringList buttons{"ButtonOK", "ButtonAll", "ButtonCancel", "ButtonApply"};
        const QStringList captions{"OK", "OK for All", "Cancel", "Apply"};
        const QStringList colours{"Mask colour", "Outside colour", "Inside colour", "Shadow colour",
                                  "Background colour"};
        for (int i = 0; i < 4; ++i) {
            QCOMPARE(name(rig.Child<QWidget>(buttons[i])), captions[i]);
            QCOMPARE(name(rig.Child<QWidget>("Edit" + kBoxes[i])), kBoxes[i]);
        }
        for (int i = 0; i < 5; ++i)
            QCOMPARE(name(rig.Child<QWidget>("BitBtn" + kButtons[i])), colours[i]);
        for (const QString group : {"Mask", "Border", "Shadow", "Background"})
            QCOMPARE(name(rig.Child<QWidget>("GroupBox" + group)), group);
        QAccessibleInterface* list = QAccessible::queryAccessibleInterface(rig.List());
        QStringList items;
        for (int i = 0; i < list->childCount(); ++i)
            items << list->child(i)->text(QAccessible::Name);
        QCOMPARE(items, (QStringList{"a.png", "b.png", "c.png"}));

        QStringList order;
        for (int i = 0; i < 15; ++i) {
            order << QApplication::focusWidget()->objectName();
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        }
        QCOMPARE(order, (QStringList{"ListView", "BitBtnColor", "EditOutside", "BitBtnOutside",
                                     "EditInside", "BitBtnInside", "EditRadius", "EditOffset",
                                     "BitBtnShadow", "BitBtnBackground", "ButtonOK", "ButtonAll",
                                     "ButtonCancel", "ButtonApply", "ListView"}));
    }

    // From the main window: OK for All gives every open photo the border group of the
    // current one and leaves the rest of their settings; OK changes the current one only.
    void okForAllInTheMainWindow_data() {
        QTest::addColumn<QString>("button");
        QTest::newRow("OK for All") << "ButtonAll";
        QTest::newRow("OK") << "ButtonOK";
    }
    void okForAllInTheMainWindow() {
        QFETCH(QString, button);
        TFakePlatform platform;
        TOpenPhotos photos;
        TFormMain form(platform, photos);
        form.resize(800, 600);
        QVERIFY(ShowActive(&form));
        std::vector<TPhotoInfo> before;
        for (int i = 0; i < 3; ++i) {
            platform.openFiles.push_back(photo_);
            form.findChild<QAction*>("MenuOpen")->trigger();
            TPhotoInfo& info = *form.Photos().Record(i);
            info.Rotate = 90 * i, info.Max = 30 + i, info.Watermark = QString::number(i);
            info.Radius = i;
            before.push_back(info);
        }
        form.SelectPhoto(1);
        platform.colors.push_back(QColor(0x20, 0x40, 0x60));
        TWhenModal border("the Border dialog", [&](QWidget* dialog) {
            QListWidget* list = dialog->findChild<QListWidget*>("ListView");
            list->setCurrentRow(0);
            dialog->findChild<TUpDown*>("UpDownOutside")->SetValue(10);
            dialog->findChild<QPushButton*>("BitBtnShadow")->click();
            dialog->findChild<QPushButton*>(button)->click();
        });
        QTest::keyClick(&form, Qt::Key_B, Qt::ControlModifier);

        const TPhotoInfo& current = *form.Photo().Info();
        QCOMPARE(current.MaskName, QString("a.png"));
        QCOMPARE(current.Shadow, TColor(0x604020));
        for (int i : {0, 2}) {
            TPhotoInfo expected = before[i];
            if (button == "ButtonAll") CopyFieldGroup(TFieldGroup::Border, current, expected);
            QCOMPARE(Settings(*form.Photos().Record(i)), Settings(expected));
        }
        form.SelectPhoto(0);
        QCOMPARE(form.Photo().Mask().isNull(), button != "ButtonAll");
        QCOMPARE(
            CompareImages(form.Photo().Rendered(), StoredAndRendered(*form.Photo().Info(), masks_)),
            QString());
    }
};

QTEST_MAIN(TestFormBorder)
#include "test_formborder.moc"
