// The template dialogs and the Templates menu, driven as a user would against a scripted
// desktop: adding, applying, managing, the default, refused writes, accessibility, and a
// template giving the same pixels in the window as in vellumora-cli.

#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QFile>
#include <QLineEdit>
#include <QMenu>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>
#include <memory>

#include "forms/main/FormMain.h"
#include "forms/templates/FormAdd.h"
#include "forms/templates/FormManage.h"
#include "photos/settings/IniFile.h"
#include "photos/settings/ProgramFolder.h"
#include "photos/settings/Templates.h"
#include "photos/stages/Stages.h"
#include "support/FakePlatform.h"
#include "support/Modal.h"
#include "support/TestSupport.h"

using namespace vellumora;
using namespace vellumora::test;

namespace {

// Web (the default: 300 pixels, a mask, both bands, a shadow, a watermark) and Print.
const QByteArray kStore =
    "[TEMPLATE1]\nDESCRIPTION=Web\nMAX=300\nMASK=oval.png\nCOLOR=clYellow\nOUTSIDE.WIDTH=6\n"
    "OUTSIDE.COLOR=clNavy\nINSIDE.WIDTH=3\nRADIUS=4\nOFFSET=5\nSHADOW=clBlack\n"
    "BACKGROUND=$00C0FFC0\nWATERMARK=(c) Web\nPOSITION=4\n"
    "[TEMPLATE2]\nDESCRIPTION=C:\\Work\\Print\nMAX=2000\nOUTSIDE.WIDTH=0\nINSIDE.WIDTH=4\n"
    "RADIUS=0\nOFFSET=0\n"
    "[DEFAULT]\nDEFAULT=TEMPLATE1\n";

void WriteStore(const QByteArray& body) {
    QFile file(TemplatesFile());
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(body) != body.size())
        qFatal("cannot write %s", qPrintable(TemplatesFile()));
}

QString AccessibleName(QObject* object) {
    QAccessibleInterface* face = QAccessible::queryAccessibleInterface(object);
    return face ? face->text(QAccessible::Name) : QStringLiteral("(none)");
}

template <class T = QWidget>
T* Child(QWidget* parent, const char* name) {
    T* child = parent->findChild<T*>(QLatin1String(name));
    if (!child) qFatal("no %s", name);
    return child;
}

void Click(QWidget* parent, const char* name) {
    Child<QAbstractButton>(parent, name)->click();
}

// The objectNames Tab visits from the focus.
QStringList TabRound(int steps) {
    QStringList order;
    for (int i = 0; i < steps; ++i) {
        order << QApplication::focusWidget()->objectName();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    }
    return order;
}

// The description typed into the Add dialog, the default box as given, then OK.
std::function<void(QWidget*)> AddAs(const QString& description, bool makeDefault) {
    return [=](QWidget* dialog) {
        QTest::keyClicks(Child<QLineEdit>(dialog, "EditDescription"), description);
        if (makeDefault) Click(dialog, "CheckBoxDefault");
        Click(dialog, "ButtonOK");
    };
}

struct TWindow {
    TFakePlatform platform;
    TOpenPhotos photos;
    TFormMain form{platform, photos};

    void Trigger(const char* name) { form.findChild<QAction*>(QLatin1String(name))->trigger(); }
    QMenu* Templates() const { return form.findChild<QMenu*>(QStringLiteral("MenuTemplates")); }
    // The template items, after "Add to Templates...", "Manage Templates..." and a separator.
    QList<QAction*> Items() const { return Templates()->actions().mid(3); }
    QStringList Captions() const {
        QStringList captions;
        for (QAction* item : Items()) captions << item->text();
        return captions;
    }
    TPhotoInfo* Info() { return form.Photo().Info(); }
    void Open(const QString& path) {
        platform.openFiles.push_back(path);
        Trigger("MenuOpen");
    }
};

// Manage Templates on the program's store.
struct TManage {
    TFakePlatform platform;
    TFormManage dialog{platform};

    QTreeWidget* List() { return dialog.ListView(); }
    // Each row's texts, joined by "|".
    QStringList Rows() {
        QStringList rows;
        for (int i = 0; i < List()->topLevelItemCount(); ++i) {
            QStringList texts;
            for (int c = 0; c < List()->columnCount(); ++c)
                texts << List()->topLevelItem(i)->text(c);
            rows << texts.join(QLatin1Char('|'));
        }
        return rows;
    }
    void Select(int row) { List()->setCurrentItem(List()->topLevelItem(row)); }
    bool Editing() {
        return Child(&dialog, "EditDescription")->isEnabled() &&
               Child(&dialog, "CheckBoxDefault")->isEnabled() &&
               Child(&dialog, "ButtonRemove")->isEnabled();
    }
};

}  // namespace

class TestTemplateDialogs : public QObject {
    Q_OBJECT

    QTemporaryDir home_;
    QString photo_;

    std::unique_ptr<TWindow> NewWindow() {
        auto window = std::make_unique<TWindow>();
        if (!ShowActive(&window->form)) return nullptr;
        return window;
    }

private slots:
    void initTestCase() {
        QVERIFY(home_.isValid());
        // The program folder of this test, also for the command-line tool it starts.
        qputenv("XDG_DATA_HOME", home_.path().toUtf8());
        QVERIFY(PrepareProgramFolder(QString()));
        photo_ = SavePng(home_.path(), QStringLiteral("photo.png"), PatternImage(200, 150));
        // Dark in the middle, light at the corners, where the mask colour shows.
        QImage mask = SolidImage(64, 48, 0xFFFFFF);
        for (int y = 8; y < 40; ++y)
            for (int x = 8; x < 56; ++x) mask.setPixel(x, y, 0xFF000000);
        SavePng(MasksFolder(), QStringLiteral("oval.png"), mask);
    }

    void init() { QFile::remove(TemplatesFile()); }

    void addDialogNeedsADescription_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("description");  // empty: OK stays disabled
        QTest::newRow("nothing") << ""
                                 << "";
        QTest::newRow("blanks") << "   "
                                << "";
        QTest::newRow("tab and blanks") << " \t "
                                        << "";
        QTest::newRow("blanks around") << "  Web  "
                                       << "Web";
    }
    void addDialogNeedsADescription() {
        QFETCH(QString, typed);
        QFETCH(QString, description);
        TFormAdd dialog;
        auto* edit = Child<QLineEdit>(&dialog, "EditDescription");
        auto* ok = Child<QPushButton>(&dialog, "ButtonOK");
        for (int showing = 0; showing < 2; ++showing) {
            // Every showing starts empty, unchecked, OK disabled, typing in the box.
            QVERIFY(ShowActive(&dialog));
            QCOMPARE(edit->text(), QString());
            QVERIFY(!Child<QCheckBox>(&dialog, "CheckBoxDefault")->isChecked());
            QVERIFY(!ok->isEnabled());
            QCOMPARE(QApplication::focusWidget(), edit);

            edit->insert(typed);
            QCOMPARE(ok->isEnabled(), !description.isEmpty());
            QCOMPARE(dialog.Description(), description);
            // Enter reaches OK only while it is enabled; Esc cancels.
            Click(&dialog, "CheckBoxDefault");
            QTest::keyClick(edit, Qt::Key_Return);
            QCOMPARE(dialog.result(), description.isEmpty() ? 0 : int(QDialog::Accepted));
            QTest::keyClick(edit, Qt::Key_Escape);
            QVERIFY(!dialog.isVisible());
        }
    }

    // The current photo's template fields stored under the trimmed description; with "Set
    // as Default" they reach the photos opened afterwards, not the ones open.
    void addFromTheMenu() {
        auto w = NewWindow();
        QVERIFY(w);
        w->Open(photo_);
        TPhotoInfo* first = w->Info();
        w->Open(photo_);
        w->Info()->Max = 120;
        w->Info()->Outside = {7, 0x0000FF};
        w->Info()->Rotate = 90;

        {
            TWhenModal add(QStringLiteral("Add to Templates"), AddAs("  Web  ", true));
            w->Trigger("MenuAdd");
        }
        QCOMPARE(TIniFile(TemplatesFile()).ReadString("TEMPLATE1", "DESCRIPTION"), "Web");
        QCOMPARE(w->Captions(), QStringList{"&1. Web (Default)"});
        QAccessibleInterface* menu = QAccessible::queryAccessibleInterface(w->Templates());
        QVERIFY(menu);
        QCOMPARE(menu->child(menu->childCount() - 1)->text(QAccessible::Name), "1. Web (Default)");

        QCOMPARE(first->Max, 640);
        w->Open(photo_);
        QCOMPARE(w->Info()->Max, 120);
        QCOMPARE(w->Info()->Outside, (TBorder{7, 0x0000FF}));
        QCOMPARE(w->Info()->Rotate, 0);

        // Without a photo the items stay, disabled.
        w->Trigger("MenuAll");
        QVERIFY(!w->Items().first()->isEnabled());
    }

    // A click replaces every template field and no per-photo one, reloads the mask and
    // renders; a section gone meanwhile gives the built-in defaults.
    void itemAppliesItsTemplate() {
        WriteStore(kStore);
        auto w = NewWindow();
        QVERIFY(w);
        QCOMPARE(w->Captions(), (QStringList{"&1. Web (Default)", "&2. C:\\Work\\Print"}));
        w->Open(photo_);
        QVERIFY(!w->form.Photo().Mask().isNull());
        TPhotoInfo* info = w->Info();
        info->Crop = {10, 10, 110, 60};
        info->Rotate = 270;
        info->Red = 9;

        w->Items().at(1)->trigger();
        TPhotoInfo print;
        print.ReadTemplate(TemplatesFile(), QStringLiteral("TEMPLATE2"));
        QVERIFY(info->SameTemplate(print));
        QCOMPARE(info->Crop, (TRect{10, 10, 110, 60}));
        QCOMPARE(info->Rotate + info->Red, 270 + 9);
        QVERIFY(w->form.Photo().Mask().isNull());
        // Turned, the 100 x 50 crop inside a 4-pixel inside band.
        QCOMPARE(w->form.Photo().Rendered().size(), QSize(50 + 8, 100 + 8));

        w->Items().at(0)->trigger();
        QVERIFY(!w->form.Photo().Mask().isNull());
        WriteStore("[DEFAULT]\nDEFAULT=NONE\n");
        w->Items().at(0)->trigger();
        QVERIFY(info->SameTemplate(TPhotoInfo()));
        QVERIFY(w->form.Photo().Mask().isNull());
        QCOMPARE(info->Rotate, 270);
        // Manage, even cancelled, rebuilds the menu from the file.
        TWhenModal cancel(QStringLiteral("Manage Templates"),
                          [](QWidget* dialog) { Click(dialog, "ButtonCancel"); });
        w->Trigger("MenuManage");
        QCOMPARE(w->Captions(), QStringList());
    }

    // The list as the file gives it; then steps as the user takes them, and OK or Cancel:
    // the captions at the end and the file afterwards.
    void manageEdits_data() {
        QTest::addColumn<QStringList>("steps");  // "select|row", "type|text", "check",
                                                 // "remove", "ok", "cancel"
        QTest::addColumn<QStringList>("captions");
        QTest::addColumn<QByteArray>("file");
        // Both templates as they stand; DEFAULT, written last, after a blank line.
        const QByteArray templates = kStore.left(kStore.indexOf("[DEFAULT]")) + "\n";
        QTest::newRow("both removed, the last first")
            << QStringList{"select|1", "remove", "remove", "ok"} << QStringList()
            << QByteArray("[DEFAULT]\nDEFAULT=NONE\n");
        QTest::newRow("removing moves the selection on")
            << QStringList{"select|0", "remove", "type|Big", "ok"} << QStringList{"Big"}
            << QByteArray(
                   "[TEMPLATE2]\nDESCRIPTION=Big\nMAX=2000\nOUTSIDE.WIDTH=0\nINSIDE.WIDTH=4\n"
                   "RADIUS=0\nOFFSET=0\n\n[DEFAULT]\nDEFAULT=NONE\n");
        QTest::newRow("renamed with blanks around")
            << QStringList{"select|1", "type|  Big: A4  ", "ok"}
            << QStringList{"Web (Default)", " A4"}
            << QByteArray(templates).replace("C:\\Work\\Print", "Big: A4") +
                   "[DEFAULT]\nDEFAULT=TEMPLATE1\n";
        QTest::newRow("mark moved")
            << QStringList{"select|1", "check", "ok"} << QStringList{"Web", "Print (Default)"}
            << templates + "[DEFAULT]\nDEFAULT=TEMPLATE2\n";
        QTest::newRow("mark cleared")
            << QStringList{"select|0", "check", "ok"} << QStringList{"Web", "Print"}
            << templates + "[DEFAULT]\nDEFAULT=NONE\n";
        QTest::newRow("cancel after removals")
            << QStringList{"select|0", "remove", "remove", "cancel"} << QStringList() << kStore;
    }
    void manageEdits() {
        QFETCH(QStringList, steps);
        QFETCH(QStringList, captions);
        QFETCH(QByteArray, file);
        WriteStore(kStore);
        TManage m;
        QVERIFY(ShowActive(&m.dialog));
        QCOMPARE(m.List()->headerItem()->text(1), QStringLiteral("Max Size"));
        QCOMPARE(m.Rows(),
                 (QStringList{"Web (Default)|300|(c) Web|Has|Has|Has", "Print|2000||No|Has|No"}));
        // Nothing selected, nothing to edit; a selected row fills the boxes.
        QCOMPARE(QApplication::focusWidget(), m.List());
        QVERIFY(!m.Editing());
        for (const QString& step : steps) {
            const QStringList part = step.split(QLatin1Char('|'));
            if (part[0] == QLatin1String("select")) {
                m.Select(part[1].toInt());
                QVERIFY(m.Editing());
                QCOMPARE(Child<QLineEdit>(&m.dialog, "EditDescription")->text(),
                         m.dialog.Edits().Row(part[1].toInt()).description);
            } else if (part[0] == QLatin1String("type")) {
                auto* edit = Child<QLineEdit>(&m.dialog, "EditDescription");
                edit->selectAll();
                QTest::keyClicks(edit, part[1]);
            } else if (part[0] == QLatin1String("check")) {
                Click(&m.dialog, "CheckBoxDefault");
            } else if (part[0] == QLatin1String("remove")) {
                const int left = m.List()->topLevelItemCount() - 1;
                Click(&m.dialog, "ButtonRemove");
                // Another row is selected while rows are left, and the boxes show it.
                QCOMPARE(m.List()->topLevelItemCount(), left);
                QCOMPARE(m.List()->selectedItems().size(), left > 0 ? 1 : 0);
                QCOMPARE(m.Editing(), left > 0);
            } else {
                QCOMPARE(m.Rows().replaceInStrings(QRegularExpression("\\|.*"), ""), captions);
                Click(&m.dialog, part[0] == QLatin1String("ok") ? "ButtonOK" : "ButtonCancel");
            }
        }
        QVERIFY(!m.dialog.isVisible());
        QCOMPARE(ReadBytes(TemplatesFile()), file);
        // The next showing lists what the file holds.
        QVERIFY(ShowActive(&m.dialog));
        QCOMPARE(m.List()->topLevelItemCount(), ListTemplates(TIniFile(TemplatesFile())).size());
        QVERIFY(m.platform.log.isEmpty());
    }

    // The program folder under a regular file, which even root cannot write: a refused
    // write is reported with the store's full path, changes nothing, and Manage stays open
    // with its edits.
    void refusedWrites() {
        const QByteArray home = qgetenv("XDG_DATA_HOME");
        const auto restore = qScopeGuard([&] { qputenv("XDG_DATA_HOME", home); });
        qputenv("XDG_DATA_HOME", WriteBytes(home_.path(), "file", "a file").toUtf8());
        const QStringList warning{QStringLiteral("warning: Unable to write to ") + TemplatesFile()};
        {
            TManage m;
            QVERIFY(ShowActive(&m.dialog));
            Click(&m.dialog, "ButtonOK");
            QCOMPARE(m.platform.log, warning);
            QVERIFY(m.dialog.isVisible());
            Click(&m.dialog, "ButtonCancel");
        }
        auto w = NewWindow();
        QVERIFY(w);
        w->Open(photo_);
        {
            TWhenModal add(QStringLiteral("Add to Templates"), AddAs("New", false));
            w->Trigger("MenuAdd");
        }
        QCOMPARE(w->platform.log.filter(QRegularExpression("^(warning|error):")), warning);
        QCOMPARE(w->Captions(), QStringList());
        QVERIFY(!QFile::exists(TemplatesFile()));
    }

    void accessibility() {
        WriteStore(kStore);
        TFormAdd add;
        TManage m;
        for (QDialog* dialog : {static_cast<QDialog*>(&add), static_cast<QDialog*>(&m.dialog)}) {
            QVERIFY(ShowActive(dialog));
            QCOMPARE(AccessibleName(Child(dialog, "EditDescription")), "Description");
            QCOMPARE(AccessibleName(Child(dialog, "GroupBoxTemplate")), "Template");
            for (auto* button : dialog->findChildren<QAbstractButton*>())
                QCOMPARE(AccessibleName(button), button->text());
        }
        QCOMPARE(AccessibleName(&add), QStringLiteral("Add to Templates"));
        QCOMPARE(AccessibleName(&m.dialog), QStringLiteral("Manage Templates"));
        QCOMPARE(m.dialog.findChildren<QAbstractButton*>().size(), 4);

        // Tab goes round every control, once OK and the row's controls are enabled.
        QVERIFY(ShowActive(&add));
        QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("Web"));
        QCOMPARE(TabRound(5), (QStringList{"EditDescription", "CheckBoxDefault", "ButtonOK",
                                           "ButtonCancel", "EditDescription"}));
        QVERIFY(ShowActive(&m.dialog));
        m.Select(0);
        QCOMPARE(TabRound(7),
                 (QStringList{"ListView", "EditDescription", "CheckBoxDefault", "ButtonRemove",
                              "ButtonOK", "ButtonCancel", "ListView"}));
    }

    // A script lists the templates and hands a section to the batch: the file it writes
    // holds the pixels the window shows after a click on that template.
    void sameImageAsTheCommandLine() {
        WriteStore(kStore);
        const QString cli = qEnvironmentVariable("VELLUMORA_CLI");
        QProcess list;
        list.start(cli, {QStringLiteral("templates")});
        QVERIFY(list.waitForFinished(kHangBoundMs));
        const QStringList lines =
            QString::fromUtf8(list.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
        QCOMPARE(lines,
                 (QStringList{"1\tTEMPLATE1\tWeb\t(Default)", "2\tTEMPLATE2\tC:\\Work\\Print"}));

        const QString folder = home_.filePath(QStringLiteral("batch"));
        QProcess batch;
        batch.start(
            cli, {"batch", "--settings", TemplatesFile(), "--section",
                  lines.first().section('\t', 1, 1), "--folder", folder, "--type", "png", photo_});
        QVERIFY(batch.waitForFinished(kHangBoundMs));
        QVERIFY2(batch.exitCode() == 0, batch.readAllStandardError().constData());

        WriteStore(QByteArray(kStore).replace("DEFAULT=TEMPLATE1", "DEFAULT=NONE"));
        auto w = NewWindow();
        QVERIFY(w);
        w->Open(photo_);
        QCOMPARE(w->Info()->Max, 640);
        w->Items().at(0)->trigger();
        const QImage shown = w->form.Photo().Rendered();
        // Smaller than MAX, kept at its size; the bands and the shadow around it.
        const int growth = int(BorderGrowth(6, 3) + ShadowGrowth(4, 5));
        QCOMPARE(shown.size(), QSize(200 + growth, 150 + growth));
        const QImage written(folder + QStringLiteral("/photo.png"));
        QCOMPARE(CompareImages(written.convertToFormat(QImage::Format_RGB32), shown), QString());
    }
};

QTEST_MAIN(TestTemplateDialogs)
#include "test_templatedialogs.moc"
