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

// Fills folder from specs "name:image", "name:text" or "name:folder".
void MakeFolder(const QString& folder, const QStringList& specs) {
    QDir(folder).removeRecursively();
    QDir().mkpath(folder);
    for (const QString& spec : specs) {
        const QString name = spec.section(':', 0, 0), kind = spec.section(':', 1);
        if (kind == "image") SavePng(folder, name, PatternImage(16, 12));
        if (kind == "text") WriteBytes(folder, name, "not an image");
        if (kind == "folder") QDir(folder).mkpath(name);
    }
}

// A record's settings as its settings file holds them, for comparisons that name the key.
QStringList Settings(const TPhotoInfo& info) {
    TIniFile file{QString()};
    info.WriteSettings(file, "P");
    QStringList lines;
    for (const QString& key : file.Keys("P")) lines << key + '=' + file.ReadString("P", key);
    return lines;
}

TPhotoInfo CopyOf(const TPhotoInfo& info) {
    TPhotoInfo copy(info.FileName);
    copy.Assign(&info);
    return copy;
}

// What a record's stored settings render to: written out, read back into a fresh record
// and sent through the chain from the file, as the batch and the command-line tool do.
QImage StoredAndRendered(const TPhotoInfo& info, const QString& masks) {
    TIniFile file{QString()};
    info.WriteSettings(file, "P");
    TPhotoInfo read;
    read.ReadSettings(file, "P");
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

    TRig(const QString& file, const QString& masks, void (*setup)(TPhotoInfo&) = Framed)
        : info(file) {
        setup(info);
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

    // Show fills the controls from the record; OK without changes keeps it as it was, a
    // mask name whose file is not listed included.
    void show_data() {
        QTest::addColumn<QString>("mask");
        QTest::addColumn<QString>("selected");
        QTest::addColumn<QList<int>>("values");  // Outside, Inside, Radius, Offset
        QTest::addColumn<QStringList>("shown");
        QTest::newRow("listed") << "b.png"
                                << "b.png" << QList<int>{5, 2, 3, 4}
                                << QStringList{"5", "2", "3", "4"};
        QTest::newRow("case differs")
            << "B.png"
            << "" << QList<int>{5, 2, 3, 4} << QStringList{"5", "2", "3", "4"};
        QTest::newRow("not listed")
            << "gone.png"
            << "" << QList<int>{5, 2, 3, 4} << QStringList{"5", "2", "3", "4"};
        QTest::newRow("clamped") << ""
                                 << "" << QList<int>{-5, 250, 25, -1}
                                 << QStringList{"0", "100", "20", "0"};
    }
    void show() {
        QFETCH(QString, mask);
        QFETCH(QString, selected);
        QFETCH(QList<int>, values);
        QFETCH(QStringList, shown);
        TRig rig(photo_, masks_);
        rig.info.MaskName = mask;
        rig.info.Outside.Width = values[0], rig.info.Inside.Width = values[1];
        rig.info.Radius = values[2], rig.info.Offset = values[3];
        QVERIFY(ShowActive(rig.dialog.get()));
        QCOMPARE(rig.Listed(), (QStringList{"a.png", "b.png", "c.png"}));
        QCOMPARE(rig.Selected(), selected);
        QCOMPARE(QApplication::focusWidget(), rig.List());
        const QStringList roles{"Outside", "Inside", "Radius", "Offset"};
        for (int i = 0; i < 4; ++i)
            QCOMPARE(rig.Child<QLineEdit>("Edit" + roles[i])->text(), shown[i]);
        QCOMPARE(
            CompareImages(rig.Child<QPushButton>("BitBtnInside")->icon().pixmap(133, 15).toImage(),
                          ColorGlyph(QSize(149, 23), 0x008000)),
            QString());

        TPhotoInfo expected = CopyOf(rig.info);
        expected.Outside.Width = shown[0].toInt(), expected.Inside.Width = shown[1].toInt();
        expected.Radius = shown[2].toInt(), expected.Offset = shown[3].toInt();
        rig.dialog->ButtonOK()->click();
        QCOMPARE(Settings(rig.info), Settings(expected));
    }

    // A user's edit, then OK: only what the edit names changes.
    void edit_data() {
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<QColor>("chosen");  // what the colour chooser answers; invalid: cancel
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("value");
        QTest::newRow("another mask") << QStringList{"click c.png"} << QColor() << "MASK"
                                      << "c.png";
        QTest::newRow("empty area: no mask") << QStringList{"click empty"} << QColor() << "MASK"
                                             << "";
        QTest::newRow("Ctrl+Space: no mask") << QStringList{"key ctrl+space"} << QColor() << "MASK"
                                             << "";
        QTest::newRow("arrow key") << QStringList{"key right"} << QColor() << "MASK"
                                   << "c.png";
        QTest::newRow("250 outside")
            << QStringList{"type Outside 250"} << QColor() << "OUTSIDE.WIDTH"
            << "100";
        QTest::newRow("25 radius") << QStringList{"type Radius 25"} << QColor() << "RADIUS"
                                   << "20";
        QTest::newRow("letters offset") << QStringList{"type Offset ab"} << QColor() << "OFFSET"
                                        << "4";
        QTest::newRow("white outside")
            << QStringList{"colour Outside"} << QColor(Qt::white) << "OUTSIDE.COLOR"
            << "clWhite";
        QTest::newRow("shadow cancelled") << QStringList{"colour Shadow"} << QColor() << "SHADOW"
                                          << "$00404040";
        QTest::newRow("background")
            << QStringList{"colour Background"} << QColor(1, 2, 3) << "BACKGROUND"
            << "$00030201";
    }
    void edit() {
        QFETCH(QStringList, steps);
        QFETCH(QColor, chosen);
        QFETCH(QString, key);
        QFETCH(QString, value);
        TRig rig(photo_, masks_);
        QVERIFY(ShowActive(rig.dialog.get()));
        const TColor atShow[] = {rig.info.MaskColor, rig.info.Outside.Color, rig.info.Inside.Color,
                                 rig.info.Shadow, rig.info.Background};
        if (chosen.isValid()) rig.platform.colors.push_back(chosen);
        for (const QString& step : steps) rig.Do(step);
        QStringList expected = Settings(rig.info);
        for (QString& line : expected)
            if (line.startsWith(key + '=')) line = key + '=' + value;
        rig.dialog->ButtonOK()->click();
        QCOMPARE(Settings(rig.info), expected);
        if (steps[0].startsWith("colour")) {
            const TFormBorder::TColorRole role = key == "OUTSIDE.COLOR" ? TFormBorder::OutsideColor
                                                 : key == "SHADOW"      ? TFormBorder::ShadowColor
                                                                   : TFormBorder::BackgroundColor;
            auto* button = rig.Child<QPushButton>("BitBtn" + steps[0].section(' ', 1));
            // The chooser opens on the button's colour; the swatch shows the colour kept.
            QCOMPARE(rig.platform.log,
                     QStringList{"color: " + QColor(ColorToRgb(atShow[role])).name()});
            QCOMPARE(CompareImages(button->icon().pixmap(133, 15).toImage(),
                                   ColorGlyph(button->size(), rig.dialog->WorkingColor(role))),
                     QString());
        }
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

    // Masks copied in or deleted while the program runs show at the next showing; the
    // thumbnails of the others are not made again.
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
        rig.dialog->close();

        QVERIFY(QFile::remove(folder + "/b.png"));
        QVERIFY(ShowActive(rig.dialog.get()));
        QCOMPARE(rig.Listed(), QStringList{"a.png"});
        QCOMPARE(rig.Selected(), QString());
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
        const QList<std::pair<QString, QString>> named = {
            {"ButtonOK", "OK"},
            {"ButtonAll", "OK for All"},
            {"ButtonCancel", "Cancel"},
            {"ButtonApply", "Apply"},
            {"EditOutside", "Outside"},
            {"EditInside", "Inside"},
            {"EditRadius", "Radius"},
            {"EditOffset", "Offset"},
            {"BitBtnColor", "Mask colour"},
            {"BitBtnOutside", "Outside colour"},
            {"BitBtnInside", "Inside colour"},
            {"BitBtnShadow", "Shadow colour"},
            {"BitBtnBackground", "Background colour"}};
        for (const auto& [object, expected] : named)
            QCOMPARE(name(rig.Child<QWidget>(object)), expected);
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
        TFormMain form(platform);
        form.resize(800, 600);
        QVERIFY(ShowActive(&form));
        std::vector<TPhotoInfo> before;
        for (int i = 0; i < 3; ++i) {
            platform.openFiles.push_back(photo_);
            form.findChild<QAction*>("MenuOpen")->trigger();
            TPhotoInfo& info = *form.Strip()->Info(i);
            info.Rotate = 90 * i, info.Max = 30 + i, info.Watermark = QString::number(i);
            info.Radius = i;
            before.push_back(CopyOf(info));
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
            TPhotoInfo expected = CopyOf(before[i]);
            if (button == "ButtonAll") CopyFieldGroup(TFieldGroup::Border, current, expected);
            QCOMPARE(Settings(*form.Strip()->Info(i)), Settings(expected));
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
