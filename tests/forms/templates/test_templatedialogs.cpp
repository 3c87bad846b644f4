// The template dialogs and the Templates menu, driven as a user would against a scripted
// desktop: adding, applying, managing, the default, refused writes, accessibility, and a
// template giving the same pixels in the window as in vellumora-cli.

#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
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

// Web (the default, 300 pixels, a mask, both bands and a shadow) and Print.
const QByteArray kStore =
    "[TEMPLATE1]\nDESCRIPTION=Web\nMAX=300\nMASK=oval.png\nCOLOR=clYellow\nOUTSIDE.WIDTH=6\n"
    "OUTSIDE.COLOR=clNavy\nINSIDE.WIDTH=3\nRADIUS=4\nOFFSET=5\nSHADOW=clBlack\n"
    "BACKGROUND=$00C0FFC0\nWATERMARK=(c) Web\nPOSITION=4\n"
    "[TEMPLATE2]\nDESCRIPTION=C:\\Work\\Print\nMAX=2000\nOUTSIDE.WIDTH=0\nINSIDE.WIDTH=4\n"
    "RADIUS=0\nOFFSET=0\n"
    "[DEFAULT]\nDEFAULT=TEMPLATE1\n";

QByteArray ReadAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(missing)");
}

void WriteStore(const QByteArray& body) {
    QFile file(TemplatesFile());
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(body);
}

QString AccessibleName(QObject* object) {
    QAccessibleInterface* face = QAccessible::queryAccessibleInterface(object);
    return face ? face->text(QAccessible::Name) : QStringLiteral("(none)");
}

template <class T>
T* Child(QWidget* parent, const char* name) {
    T* child = parent->findChild<T*>(QLatin1String(name));
    if (!child) qFatal("no %s", name);
    return child;
}

// The objectNames Tab visits from the focus, one round.
QStringList TabRound(int steps) {
    QStringList order;
    for (int i = 0; i < steps; ++i) {
        order << QApplication::focusWidget()->objectName();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    }
    return order;
}

struct TWindow {
    TFakePlatform platform;
    TFormMain form{platform};

    QAction* Action(const char* name) const {
        return form.findChild<QAction*>(QLatin1String(name));
    }
    QMenu* Templates() const { return form.findChild<QMenu*>(QStringLiteral("MenuTemplates")); }
    // The template items after the fixed part of the menu.
    QList<QAction*> Items() const { return Templates()->actions().mid(3); }
    QStringList Captions() const {
        QStringList captions;
        for (QAction* item : Items()) captions << item->text();
        return captions;
    }
    TPhotoInfo* Info() { return form.Photo().Info(); }
    void Open(const QString& path) {
        platform.openFiles.push_back(path);
        Action("MenuOpen")->trigger();
    }
};

// Manage Templates on the program's store, shown as the user sees it.
struct TManage {
    TFakePlatform platform;
    TFormManage dialog{platform};

    QTreeWidget* List() { return dialog.ListView(); }
    QStringList Column(int column) {
        QStringList texts;
        for (int i = 0; i < List()->topLevelItemCount(); ++i)
            texts << List()->topLevelItem(i)->text(column);
        return texts;
    }
    void Select(int row) { List()->setCurrentItem(List()->topLevelItem(row)); }
    template <class T>
    T* Get(const char* name) {
        return Child<T>(&dialog, name);
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
        // A light oval on dark: the mask colour shows around the photo's middle.
        QImage mask = SolidImage(64, 48, 0xFFFFFF);
        for (int y = 0; y < 48; ++y)
            for (int x = 0; x < 64; ++x)
                if ((x - 32) * (x - 32) * 9 + (y - 24) * (y - 24) * 16 < 9 * 16 * 20 * 20)
                    mask.setPixel(x, y, 0xFF000000);
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
        QTest::newRow("one letter") << "x"
                                    << "x";
    }
    void addDialogNeedsADescription() {
        QFETCH(QString, typed);
        QFETCH(QString, description);
        TFormAdd dialog;
        for (int showing = 0; showing < 2; ++showing) {
            QVERIFY(ShowActive(&dialog));
            // Every showing starts empty, unchecked, OK disabled, typing in the box.
            auto* edit = Child<QLineEdit>(&dialog, "EditDescription");
            QCOMPARE(edit->text(), QString());
            QVERIFY(!Child<QCheckBox>(&dialog, "CheckBoxDefault")->isChecked());
            QVERIFY(!Child<QPushButton>(&dialog, "ButtonOK")->isEnabled());
            QCOMPARE(QApplication::focusWidget(), edit);

            edit->insert(typed);
            QCOMPARE(Child<QPushButton>(&dialog, "ButtonOK")->isEnabled(), !description.isEmpty());
            QCOMPARE(dialog.Description(), description);
            // Enter reaches OK only while it is enabled.
            QTest::keyClick(edit, Qt::Key_Return);
            QCOMPARE(dialog.isVisible(), description.isEmpty());
            QCOMPARE(dialog.result(), description.isEmpty() ? 0 : int(QDialog::Accepted));
            Child<QCheckBox>(&dialog, "CheckBoxDefault")->setChecked(true);
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

        TWhenModal add(QStringLiteral("Add to Templates"), [](QWidget* dialog) {
            QCOMPARE(dialog->objectName(), QStringLiteral("FormAdd"));
            QTest::keyClicks(Child<QLineEdit>(dialog, "EditDescription"),
                             QStringLiteral("  Web  "));
            Child<QCheckBox>(dialog, "CheckBoxDefault")->click();
            Child<QPushButton>(dialog, "ButtonOK")->click();
        });
        w->Action("MenuAdd")->trigger();
        QVERIFY(add.Seen());

        QCOMPARE(TIniFile(TemplatesFile()).ReadString("TEMPLATE1", "DESCRIPTION"), "Web");
        QCOMPARE(w->Captions(), QStringList{"&1. Web (Default)"});
        QAccessibleInterface* menu = QAccessible::queryAccessibleInterface(w->Templates());
        QVERIFY(menu);
        QCOMPARE(menu->child(menu->childCount() - 1)->text(QAccessible::Name),
                 QStringLiteral("1. Web (Default)"));
        QVERIFY(w->Items().first()->isEnabled());

        QCOMPARE(first->Max, 640);
        w->Open(photo_);
        QCOMPARE(w->Info()->Max, 120);
        QCOMPARE(w->Info()->Outside, (TBorder{7, 0x0000FF}));
        QCOMPARE(w->Info()->Rotate, 0);

        // Cancel stores nothing.
        const QByteArray stored = ReadAll(TemplatesFile());
        TWhenModal cancel(QStringLiteral("Add to Templates"), [](QWidget* dialog) {
            QTest::keyClicks(Child<QLineEdit>(dialog, "EditDescription"), QStringLiteral("No"));
            Child<QPushButton>(dialog, "ButtonCancel")->click();
        });
        w->Action("MenuAdd")->trigger();
        QCOMPARE(ReadAll(TemplatesFile()), stored);
        QCOMPARE(w->Captions(), QStringList{"&1. Web (Default)"});

        // Without a photo the items are there but disabled.
        w->Action("MenuAll")->trigger();
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
        QCOMPARE(info->Rotate, 270);
        QCOMPARE(info->Red, 9);
        QVERIFY(w->form.Photo().Mask().isNull());
        // Turned, the 100 x 50 crop inside a 4-pixel inside band.
        QCOMPARE(w->form.Photo().Rendered().size(), QSize(50 + 8, 100 + 8));

        w->Items().at(0)->trigger();
        QVERIFY(!w->form.Photo().Mask().isNull());
        QCOMPARE(info->Max, 300);

        WriteStore("[DEFAULT]\nDEFAULT=NONE\n");
        w->Items().at(0)->trigger();
        QVERIFY(info->SameTemplate(TPhotoInfo()));
        QVERIFY(w->form.Photo().Mask().isNull());
        QCOMPARE(info->Rotate, 270);
    }

    void manageListsTheTemplates() {
        WriteStore(kStore);
        TManage m;
        QVERIFY(ShowActive(&m.dialog));
        QCOMPARE(m.Column(0), (QStringList{"Web (Default)", "Print"}));
        QCOMPARE(m.Column(1), (QStringList{"300", "2000"}));
        QCOMPARE(m.Column(2), (QStringList{"(c) Web", ""}));
        QCOMPARE(m.Column(3), (QStringList{"Has", "No"}));
        QCOMPARE(m.Column(4), (QStringList{"Has", "Has"}));
        QCOMPARE(m.Column(5), (QStringList{"Has", "No"}));
        QCOMPARE(m.List()->headerItem()->text(1), QStringLiteral("Max Size"));
        // Nothing selected: nothing to edit.
        QCOMPARE(QApplication::focusWidget(), m.List());
        QVERIFY(!m.Get<QLineEdit>("EditDescription")->isEnabled());
        QVERIFY(!m.Get<QCheckBox>("CheckBoxDefault")->isEnabled());
        QVERIFY(!m.Get<QPushButton>("ButtonRemove")->isEnabled());

        m.Select(1);
        QCOMPARE(m.Get<QLineEdit>("EditDescription")->text(), QStringLiteral("C:\\Work\\Print"));
        QVERIFY(!m.Get<QCheckBox>("CheckBoxDefault")->isChecked());
        m.Select(0);
        QVERIFY(m.Get<QCheckBox>("CheckBoxDefault")->isChecked());
        QVERIFY(m.Get<QPushButton>("ButtonRemove")->isEnabled());
    }

    // Steps as the user takes them, then OK or Cancel: the captions on the way and the
    // file afterwards ("same" for unchanged byte for byte).
    void manageEdits_data() {
        QTest::addColumn<QStringList>("steps");  // "select|row", "type|text", "check",
                                                 // "remove", "ok", "cancel"
        QTest::addColumn<QStringList>("captions");
        QTest::addColumn<QByteArray>("file");
        // Both templates as they stand; DEFAULT follows after a blank line.
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
        for (const QString& step : steps) {
            const QStringList part = step.split(QLatin1Char('|'));
            if (part[0] == QLatin1String("select")) {
                m.Select(part[1].toInt());
            } else if (part[0] == QLatin1String("type")) {
                auto* edit = m.Get<QLineEdit>("EditDescription");
                edit->selectAll();
                QTest::keyClicks(edit, part[1]);
            } else if (part[0] == QLatin1String("check")) {
                m.Get<QCheckBox>("CheckBoxDefault")->click();
            } else if (part[0] == QLatin1String("remove")) {
                const int before = m.List()->topLevelItemCount();
                m.Get<QPushButton>("ButtonRemove")->click();
                QCOMPARE(m.List()->topLevelItemCount(), before - 1);
                // Something stays selected while rows are left, and the boxes show it.
                QCOMPARE(m.List()->selectedItems().size(), before > 1 ? 1 : 0);
                QCOMPARE(m.Get<QPushButton>("ButtonRemove")->isEnabled(), before > 1);
            } else {
                if (part[0] == QLatin1String("ok")) QCOMPARE(m.Column(0), captions);
                m.Get<QPushButton>(part[0] == QLatin1String("ok") ? "ButtonOK" : "ButtonCancel")
                    ->click();
            }
        }
        QVERIFY(!m.dialog.isVisible());
        QCOMPARE(ReadAll(TemplatesFile()), file);
        // The next showing lists what the file holds.
        QVERIFY(ShowActive(&m.dialog));
        QCOMPARE(m.List()->topLevelItemCount(), ListTemplates(TIniFile(TemplatesFile())).size());
        QVERIFY(m.platform.log.isEmpty());
    }

    // A refused rewrite is reported with the store's full path, changes nothing and keeps
    // the dialog open with the edits; the menu's Add reports it the same way.
    void readOnlyStore_data() {
        QTest::addColumn<bool>("readOnlyFile");  // else: the program folder is a file
        QTest::newRow("program folder under a regular file") << false;
        QTest::newRow("read-only file") << true;
    }
    void readOnlyStore() {
        QFETCH(bool, readOnlyFile);
        const QByteArray home = qgetenv("XDG_DATA_HOME");
        const QString store = TemplatesFile();
        const auto restore = qScopeGuard([&] {
            qputenv("XDG_DATA_HOME", home);
            QFile::setPermissions(store, QFile::Permissions(0x6600));
        });
        if (readOnlyFile) {
            WriteStore(kStore);
            if (!MakeReadOnly(store)) QSKIP("permissions do not stop this process's writes (root)");
        } else {
            qputenv("XDG_DATA_HOME",
                    WriteBytes(home_.path(), QStringLiteral("file"), "a file").toUtf8());
        }
        const QString path = TemplatesFile();
        const QByteArray before = ReadAll(path);
        const QStringList warning{QStringLiteral("warning: Unable to write to ") + path};

        {
            TManage m;
            QVERIFY(ShowActive(&m.dialog));
            if (readOnlyFile) {
                m.Select(0);
                m.Get<QPushButton>("ButtonRemove")->click();
            }
            m.Get<QPushButton>("ButtonOK")->click();
            QCOMPARE(m.platform.log, warning);
            QVERIFY(m.dialog.isVisible());
            QCOMPARE(m.List()->topLevelItemCount(), readOnlyFile ? 1 : 0);
            m.Get<QPushButton>("ButtonCancel")->click();
            QVERIFY(!m.dialog.isVisible());
        }
        {
            auto w = NewWindow();
            QVERIFY(w);
            w->Open(photo_);
            const QStringList captions = w->Captions();
            TWhenModal add(QStringLiteral("Add to Templates"), [](QWidget* dialog) {
                QTest::keyClicks(Child<QLineEdit>(dialog, "EditDescription"), "New");
                Child<QPushButton>(dialog, "ButtonOK")->click();
            });
            w->Action("MenuAdd")->trigger();
            QCOMPARE(w->platform.log.filter(QRegularExpression("^(warning|error):")), warning);
            QCOMPARE(w->Captions(), captions);
        }
        QCOMPARE(ReadAll(path), before);
    }

    // Manage from the menu rebuilds it, whatever the dialog's result.
    void manageFromTheMenu() {
        WriteStore(kStore);
        auto w = NewWindow();
        QVERIFY(w);
        TWhenModal manage(QStringLiteral("Manage Templates"), [](QWidget* dialog) {
            QCOMPARE(dialog->objectName(), QStringLiteral("FormManage"));
            auto* list = Child<QTreeWidget>(dialog, "ListView");
            list->setCurrentItem(list->topLevelItem(0));
            Child<QPushButton>(dialog, "ButtonRemove")->click();
            Child<QPushButton>(dialog, "ButtonOK")->click();
        });
        w->Action("MenuManage")->trigger();
        QCOMPARE(w->Captions(), QStringList{"&1. C:\\Work\\Print"});
        // Changed behind the dialog's back, then cancelled: the menu shows the file.
        WriteStore(kStore);
        TWhenModal cancel(QStringLiteral("Manage Templates"), [](QWidget* dialog) {
            Child<QPushButton>(dialog, "ButtonCancel")->click();
        });
        w->Action("MenuManage")->trigger();
        QCOMPARE(w->Captions().size(), 2);
    }

    void accessibility() {
        WriteStore(kStore);
        TFormAdd add;
        TManage m;
        for (QDialog* dialog : {static_cast<QDialog*>(&add), static_cast<QDialog*>(&m.dialog)}) {
            QVERIFY(ShowActive(dialog));
            QCOMPARE(AccessibleName(dialog), dialog->windowTitle());
            QCOMPARE(AccessibleName(Child<QLineEdit>(dialog, "EditDescription")), "Description");
            for (const char* name : {"CheckBoxDefault", "ButtonOK", "ButtonCancel"}) {
                auto* button = Child<QAbstractButton>(dialog, name);
                QCOMPARE(AccessibleName(button), button->text());
            }
        }
        QCOMPARE(AccessibleName(&add), QStringLiteral("Add to Templates"));
        QCOMPARE(AccessibleName(&m.dialog), QStringLiteral("Manage Templates"));
        QCOMPARE(AccessibleName(m.Get<QPushButton>("ButtonRemove")), QStringLiteral("Remove"));

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
        QVERIFY(QFile::exists(cli));
        QProcess list;
        list.start(cli, {QStringLiteral("templates")});
        QVERIFY(list.waitForFinished(60000));
        QCOMPARE(list.exitCode(), 0);
        const QStringList lines =
            QString::fromUtf8(list.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
        QCOMPARE(lines,
                 (QStringList{"1\tTEMPLATE1\tWeb\t(Default)", "2\tTEMPLATE2\tC:\\Work\\Print"}));
        const QString section = lines.first().section('\t', 1, 1);

        const QString folder = home_.filePath(QStringLiteral("batch"));
        QProcess batch;
        batch.start(cli, {"batch", "--settings", TemplatesFile(), "--section", section, "--folder",
                          folder, "--type", "png", photo_});
        QVERIFY(batch.waitForFinished(120000));
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
