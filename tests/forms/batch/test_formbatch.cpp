// The batch dialog driven as a user drives it: adding (by Add and by dropping), the list's
// buttons, runs on worker threads with their results and messages, Stop and Close during a
// run, the folder rules, the same files as the command-line tool, and what assistive tools
// see. Runs are awaited event by event, never by the clock.

#include <QAccessible>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QDropEvent>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMimeData>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTextDocument>

#include "codec/Codec.h"
#include "forms/batch/FormBatch.h"
#include "photos/Photo.h"
#include "photos/settings/IniFile.h"
#include "support/FakePlatform.h"
#include "support/Modal.h"
#include "support/TestSupport.h"

using namespace vellumora;
using namespace vellumora::test;

namespace {

QByteArray Bytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Every entry of a folder, hidden ones included, sorted.
QStringList Entries(const QString& folder) {
    return QDir(folder).entryList(
        QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
}

// As a screen reader names the control. On this desktop a list's name is its current
// item and the reader names it by the label the list is labelled by.
QString AccessibleName(QObject* object) {
    QAccessibleInterface* face = QAccessible::queryAccessibleInterface(object);
    if (!face) return QStringLiteral("(none)");
    if (face->role() == QAccessible::ComboBox) {
        const auto labels = face->relations(QAccessible::Label);
        return labels.isEmpty() ? QStringLiteral("(no label)")
                                : labels.first().first->text(QAccessible::Name).remove(':');
    }
    return face->text(QAccessible::Name);
}

// The current photo (its record gives the entries their settings) and the dialog on it.
struct TBatchRig {
    TFakePlatform platform;
    TPhotoInfo info;
    TPhoto photo;
    TFormBatch dialog{photo, platform};
    int finished = 0;

    explicit TBatchRig(const QString& current) : info(current) {
        info.Max = 0;  // outputs at the size of their crop
        photo.AssignInfo(&info);
        QObject::connect(&dialog, &TFormBatch::BuildFinished, [this] { ++finished; });
    }
    bool Show() { return ShowActive(&dialog); }
    template <class T = QWidget>
    T* Child(const char* name) const {
        return dialog.findChild<T*>(QLatin1String(name));
    }
    QPushButton* Button(const char* name) const { return Child<QPushButton>(name); }
    QListView* View() const { return Child<QListView>("ListView"); }
    void SetText(const char* box, const QString& text) const {
        Child<QLineEdit>(box)->setText(text);
    }
    void SetIndex(const char* list, int index) const {
        Child<QComboBox>(list)->setCurrentIndex(index);
    }

    // Adds through "Add" and waits until every thumbnail came back.
    bool Add(const QStringList& files) {
        platform.openFileLists.push_back(files);
        Button("ButtonAdd")->click();
        return AwaitEventsUntil("every thumbnail added", [this] { return !dialog.Adding(); });
    }
    void Select(const QList<int>& rows) const {
        View()->clearSelection();
        for (int row : rows)
            View()->selectionModel()->select(View()->model()->index(row, 0),
                                             QItemSelectionModel::Select);
    }
    // Clicks Build and waits for the run's end message; false when it never came.
    bool Build(const QString& folder) {
        SetText("EditFolder", folder);
        const int before = finished;
        Button("ButtonBuild")->click();
        return AwaitEventsUntil("the batch's end message", [&] { return finished > before; });
    }
    QString LastLog() const { return platform.log.isEmpty() ? QString() : platform.log.last(); }
};

}  // namespace

class TestFormBatch : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    QString current_;

    QString Photo(const QString& name, const QImage& image, const char* format = nullptr) {
        const QString path = dir_.filePath(name);
        QDir().mkpath(QFileInfo(path).path());
        return image.save(path, format, 92) ? path : QString();
    }
    QString Folder(const QString& name) const {
        return dir_.filePath(QStringLiteral("out/") + name);
    }

private slots:
    void initTestCase() {
        QVERIFY(dir_.isValid());
        current_ = Photo(QStringLiteral("current.png"), PatternImage(40, 30));
        QVERIFY(!current_.isEmpty());
    }

    // Every control by its name as a screen reader hears it; Tab reaches each in order.
    void controlsAndNames() {
        TBatchRig rig(current_);
        QVERIFY(rig.Show());
        QCOMPARE(AccessibleName(&rig.dialog), QStringLiteral("Batch with Current Settings"));
        // clang-format off
        const QList<std::pair<const char*, const char*>> named = {
            {"ButtonAdd", "Add"}, {"ButtonRemove", "Remove"}, {"ButtonRotate", "Rotate"},
            {"CheckBoxCrop", "Auto Crop"}, {"ButtonBuild", "Build"}, {"ButtonCancel", "Close"},
            {"ButtonBrowse", "Browse"}, {"EditPrefix", "Prefix"}, {"EditSuffix", "Suffix"},
            {"EditFolder", "Folder"}, {"ComboBoxRatio", "Ratio"}, {"ComboBoxType", "Type"},
            {"ComboBoxCase", "Case"}, {"ListView", "Photos"}};
        // clang-format on
        for (const auto& [object, expected] : named)
            QCOMPARE(AccessibleName(rig.Child(object)), QString(expected));

        // As shown: empty, the first item of each list, Ratio off with Auto Crop.
        QCOMPARE(QApplication::focusWidget(), rig.View());
        QCOMPARE(rig.Child<QLineEdit>("EditFolder")->text(), DefaultBatchFolder());
        for (const char* off : {"ButtonRemove", "ButtonRotate", "ButtonBuild", "ComboBoxRatio"})
            QVERIFY2(!rig.Child(off)->isEnabled(), off);
        QVERIFY(rig.Child<QProgressBar>("ProgressBar")->isHidden());

        QVERIFY(rig.Add({current_}));
        rig.Select({0});
        rig.Child<QCheckBox>("CheckBoxCrop")->setChecked(true);
        QStringList order;
        rig.View()->setFocus();
        for (int i = 0; i < 14; ++i) {
            order << QApplication::focusWidget()->objectName();
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        }
        QCOMPARE(order, (QStringList{"ListView", "ButtonAdd", "ButtonRemove", "ButtonRotate",
                                     "CheckBoxCrop", "ComboBoxRatio", "ComboBoxType", "EditPrefix",
                                     "ComboBoxCase", "EditSuffix", "EditFolder", "ButtonBrowse",
                                     "ButtonBuild", "ButtonCancel"}));
        // Each entry is named by its file.
        QAccessibleInterface* list = QAccessible::queryAccessibleInterface(rig.View());
        QVERIFY(list && list->childCount() >= 1);
        QCOMPARE(list->child(0)->text(QAccessible::Name), QStringLiteral("current.png"));

        // Typed text stops at 50 and 200 characters; a longer folder from Browse stays whole.
        QLineEdit* prefix = rig.Child<QLineEdit>("EditPrefix");
        prefix->setFocus();
        QTest::keyClicks(prefix, QString(60, QLatin1Char('p')));
        QCOMPARE(prefix->text().size(), 50);
        const QString deep = QStringLiteral("/tmp/") + QString(230, QLatin1Char('d'));
        rig.platform.folders.push_back(deep);
        rig.Button("ButtonBrowse")->click();
        QCOMPARE(rig.LastLog(), QStringLiteral("folder: Please choose a directory..."));
        QCOMPARE(rig.Child<QLineEdit>("EditFolder")->text(), deep);
    }

    // Unreadable files are left out and counted; the list keeps the order chosen; each
    // entry takes the current photo's template settings, not its crop, turn or colours.
    void addingAndDropping() {
        TBatchRig rig(current_);
        rig.info.Crop = TRect{1, 1, 20, 20};
        rig.info.Rotate = 90;
        rig.info.Brightness = 30;
        rig.info.Ratio = 5;
        rig.info.Watermark = QStringLiteral("(c) me");
        QVERIFY(rig.Show());
        const QString wide = Photo(QStringLiteral("add/wide.png"), SolidImage(100, 50, 0x336699));
        const QString broken = WriteBytes(dir_.path(), QStringLiteral("broken.jpg"), "no photo");
        const QString big = Photo(QStringLiteral("add/big.jpg"), PatternImage(1600, 1200));
        QVERIFY(rig.Add({wide, broken, big}));
        QCOMPARE(rig.platform.log
                     .filter(QRegularExpression(
                         "^open files: Open \\| All Photos \\(\\*\\..*\\*\\.jpg .*\\)$"))
                     .size(),
                 1);
        const TBatchList& list = rig.dialog.List();
        QCOMPARE(list.Count(), 2);
        QCOMPARE(list.Record(0).FileName, wide);
        QCOMPARE(list.Record(1).FileName, big);
        for (int row : {0, 1}) {
            const TPhotoInfo& record = list.Record(row);
            QVERIFY(record.SameTemplate(rig.info));
            QCOMPARE(record.Crop, TRect{});
            QCOMPARE(record.Rotate + record.Brightness, 0);
            QCOMPARE(record.Ratio, 5);
        }
        QCOMPARE(rig.Child<QLabel>("LabelStatus")->text(),
                 QStringLiteral("1 file left out: it cannot be read as a photo."));
        QVERIFY(rig.Child<QProgressBar>("ProgressBar")->isHidden());
        QVERIFY(rig.Button("ButtonBuild")->isEnabled());
        QVERIFY(!rig.View()->selectionModel()->hasSelection());

        // A drop from a file manager: photos only, no folders or other files.
        auto* data = new QMimeData;
        data->setUrls({QUrl::fromLocalFile(current_), QUrl::fromLocalFile(dir_.path()),
                       QUrl::fromLocalFile(WriteBytes(dir_.path(), "notes.txt", "text"))});
        QWidget* viewport = rig.View()->viewport();
        const QPoint at = viewport->rect().center();
        QDragEnterEvent enter(at, Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(viewport, &enter);
        QVERIFY(enter.isAccepted());
        QDropEvent drop(at, Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(viewport, &drop);
        QVERIFY(AwaitEventsUntil("every thumbnail added", [&] { return !rig.dialog.Adding(); }));
        delete data;
        QCOMPARE(list.Count(), 3);
        QCOMPARE(list.Record(2).FileName, current_);

        // Shown again, it starts afresh.
        rig.SetText("EditPrefix", QStringLiteral("p"));
        rig.SetIndex("ComboBoxType", 3);
        rig.Child<QCheckBox>("CheckBoxCrop")->setChecked(true);
        rig.Button("ButtonCancel")->click();
        QVERIFY(rig.dialog.isHidden());
        QVERIFY(rig.Show());
        QCOMPARE(list.Count(), 0);
        QCOMPARE(rig.Child<QLineEdit>("EditPrefix")->text(), QString());
        QCOMPARE(rig.Child<QComboBox>("ComboBoxType")->currentIndex(), 0);
        QVERIFY(!rig.Child<QCheckBox>("CheckBoxCrop")->isChecked());
        QCOMPARE(rig.Child<QLabel>("LabelStatus")->text(), QString());
    }

    // The status line's tooltip and its description for screen readers name the files left
    // out, in the order chosen whichever thumbnail came back first, a name with markup as
    // typed; adding afresh clears them with the count. Files here ending in .png are
    // photos, the others are not.
    void leftOutNamed_data() {
        QTest::addColumn<QStringList>("files");
        QTest::addColumn<QString>("status");
        QTest::newRow("one among photos")
            << QStringList{"lo1/first.png", "lo1/broken.jpg", "lo1/last.png"}
            << "1 file left out: it cannot be read as a photo.";
        QTest::newRow("three, two folders, markup in a name")
            << QStringList{"lo3/more/<b>odd.jpg", "lo3/p.png", "lo3/a.jpg", "lo3/a.heic"}
            << "3 files left out: they cannot be read as photos.";
        QStringList many{"lo25/p.png"};
        for (int i = 0; i < 25; ++i) many << QStringLiteral("lo25/bad%1.jpg").arg(i);
        QTest::newRow("twenty-five: twenty named")
            << many << "25 files left out: they cannot be read as photos.";
    }
    void leftOutNamed() {
        QFETCH(QStringList, files);
        QFETCH(QString, status);
        QStringList paths;
        QStringList unreadable;
        for (const QString& name : files) {
            if (name.endsWith(QLatin1String(".png"))) {
                paths << Photo(name, PatternImage(16, 12));
                continue;
            }
            QDir().mkpath(QFileInfo(dir_.filePath(name)).path());
            paths << WriteBytes(dir_.path(), name, "no photo");
            unreadable << paths.last();
        }
        TBatchRig rig(current_);
        QVERIFY(rig.Show());
        QVERIFY(rig.Add(paths));
        QCOMPARE(rig.dialog.List().Count(), files.size() - unreadable.size());
        auto* label = rig.Child<QLabel>("LabelStatus");
        QCOMPARE(label->text(), status);
        // The tooltip as it is shown: what looks like markup is taken for it.
        QTextDocument shown;
        if (Qt::mightBeRichText(label->toolTip()))
            shown.setHtml(label->toolTip());
        else
            shown.setPlainText(label->toolTip());
        const QString named = LeftOutList(unreadable);
        QCOMPARE(shown.toPlainText(), named);
        QAccessibleInterface* face = QAccessible::queryAccessibleInterface(label);
        QVERIFY(face);
        QCOMPARE(face->text(QAccessible::Description), named);

        QVERIFY(rig.Add({current_}));
        QCOMPARE(label->text(), QString());
        QCOMPARE(label->toolTip(), QString());
        QCOMPARE(face->text(QAccessible::Description), QString());
    }

    // Remove and Rotate work on the selection and are enabled exactly while there is one;
    // Build while the list is not empty.
    void selectionRules() {
        TBatchRig rig(current_);
        QVERIFY(rig.Show());
        const QString a = Photo(QStringLiteral("sel/a.png"), PatternImage(30, 20));
        const QString b = Photo(QStringLiteral("sel/b.png"), PatternImage(20, 30));
        QVERIFY(rig.Add({a, b, current_}));
        const TBatchList& list = rig.dialog.List();
        const auto enabled = [&rig] {
            return std::pair(rig.Button("ButtonRemove")->isEnabled(),
                             rig.Button("ButtonRotate")->isEnabled());
        };
        QCOMPARE(enabled(), std::pair(false, false));
        rig.Select({1});
        QCOMPARE(enabled(), std::pair(true, true));
        rig.Button("ButtonRotate")->click();
        QCOMPARE(list.Record(1).Rotate, 270);
        QCOMPARE(list.Record(0).Rotate + list.Record(2).Rotate, 0);

        rig.Button("ButtonRemove")->click();
        QCOMPARE(list.Count(), 2);
        QCOMPARE(list.Record(1).FileName, current_);
        QCOMPARE(enabled(), std::pair(false, false));
        QVERIFY(rig.Button("ButtonBuild")->isEnabled());
        rig.Select({0, 1});
        rig.Button("ButtonRemove")->click();
        QCOMPARE(list.Count(), 0);
        QVERIFY(!rig.Button("ButtonBuild")->isEnabled());
    }

    void build_data() {
        QTest::addColumn<QString>("source");
        QTest::addColumn<QSize>("size");
        QTest::addColumn<QString>("ratio");  // empty: no Auto Crop
        QTest::addColumn<int>("rotations");
        QTest::addColumn<int>("type");
        QTest::addColumn<int>("nameCase");
        QTest::addColumn<QString>("prefix");
        QTest::addColumn<QString>("suffix");
        QTest::addColumn<QString>("output");
        QTest::addColumn<QSize>("written");
        QTest::newRow("3 * 4 on 3000 x 2000")
            << "crop/wide.png" << QSize(3000, 2000) << "3 * 4" << 0 << 6 << 0 << ""
            << ""
            << "wide.bmp" << QSize(2666, 2000);
        QTest::newRow("3 * 4 after one Rotate")
            << "crop/wide.png" << QSize(3000, 2000) << "3 * 4" << 1 << 6 << 0 << ""
            << ""
            << "wide.bmp" << QSize(2000, 1500);
        QTest::newRow("Holiday.Photo.JPG")
            << "name/Holiday.Photo.JPG" << QSize(64, 48) << "" << 0 << 5 << 2 << "x_"
            << "_web"
            << "x_holiday.photo_web.png" << QSize(64, 48);
    }
    void build() {
        QFETCH(QString, source);
        QFETCH(QSize, size);
        QFETCH(QString, ratio);
        QFETCH(int, rotations);
        QFETCH(int, type);
        QFETCH(int, nameCase);
        QFETCH(QString, prefix);
        QFETCH(QString, suffix);
        QFETCH(QString, output);
        QFETCH(QSize, written);
        const QString path = dir_.filePath(source);
        if (!QFile::exists(path))
            QVERIFY(
                !Photo(source, SolidImage(size.width(), size.height(), 0x804020), "PNG").isEmpty());
        TBatchRig rig(current_);
        QVERIFY(rig.Show());
        QVERIFY(rig.Add({path}));
        rig.Select({0});
        for (int i = 0; i < rotations; ++i) rig.Button("ButtonRotate")->click();
        rig.Child<QCheckBox>("CheckBoxCrop")->setChecked(!ratio.isEmpty());
        if (!ratio.isEmpty()) rig.Child<QComboBox>("ComboBoxRatio")->setCurrentText(ratio);
        rig.SetIndex("ComboBoxType", type);
        rig.SetIndex("ComboBoxCase", nameCase);
        rig.SetText("EditPrefix", prefix);
        rig.SetText("EditSuffix", suffix);
        const QString folder = Folder(QString::fromLatin1(QTest::currentDataTag()));
        QVERIFY(rig.Build(folder + QStringLiteral(" ")));
        QCOMPARE(rig.LastLog(),
                 QStringLiteral("ask: Finished! Do you want to see your new photos?"));
        QCOMPARE(Entries(folder), QStringList{output});
        QCOMPARE(DoLoad(folder + QLatin1Char('/') + output).size(), written);
        QVERIFY(rig.Child<QProgressBar>("ProgressBar")->isHidden());
        QVERIFY(rig.platform.opened.isEmpty());  // answered No
    }

    // The crop is made afresh by every run, never kept: unchecked, the next run is whole.
    // Of two sources with one base name, the later in the list wins.
    void laterRunsAndSameNames() {
        TBatchRig rig(current_);
        QVERIFY(rig.Show());
        const QString first = Photo(QStringLiteral("one/dup.png"), SolidImage(300, 200, 0xFF0000));
        const QString later = Photo(QStringLiteral("two/dup.png"), SolidImage(300, 200, 0x0000FF));
        QVERIFY(rig.Add({first, later}));
        rig.SetIndex("ComboBoxType", 6);
        const QString folder = Folder(QStringLiteral("dup"));
        const QString out = folder + QStringLiteral("/dup.bmp");
        rig.Child<QCheckBox>("CheckBoxCrop")->setChecked(true);
        QVERIFY(rig.Build(folder));
        QCOMPARE(DoLoad(out).size(), QSize(266, 200));
        QCOMPARE(PixelRgb(DoLoad(out), 0, 0), 0x0000FFu);
        rig.Child<QCheckBox>("CheckBoxCrop")->setChecked(false);
        QVERIFY(rig.Build(folder));
        QCOMPARE(DoLoad(out).size(), QSize(300, 200));
        QCOMPARE(rig.dialog.List().Record(0).Crop, TRect{});
    }

    void folderRules_data() {
        QTest::addColumn<QString>("folder");
        QTest::addColumn<QString>("message");
        const QString blocker = WriteBytes(dir_.path(), QStringLiteral("blocker"), "a file");
        QTest::newRow("empty") << " \t "
                               << "error: Unable to create directory";
        QTest::newRow("cannot be made") << blocker + "/sub "
                                        << "warning: Can not create folder " + blocker + "/sub!";
    }
    void folderRules() {
        QFETCH(QString, folder);
        QFETCH(QString, message);
        TBatchRig rig(current_);
        QVERIFY(rig.Show());
        QVERIFY(rig.Add({current_}));
        QVERIFY(rig.Build(folder));
        QCOMPARE(rig.platform.log.filter(QRegularExpression("^(error|warning|ask)")),
                 QStringList{message});
        QCOMPARE(QApplication::focusWidget(), rig.Child("EditFolder"));
        QVERIFY(!QFileInfo::exists(folder.trimmed()));
        QVERIFY(rig.Button("ButtonBuild")->isEnabled());
    }

    // The question names what failed; Yes opens the folder on the desktop.
    void endQuestion() {
        TBatchRig rig(current_);
        QVERIFY(rig.Show());
        const QString gone = Photo(QStringLiteral("gone/gone.png"), PatternImage(10, 10));
        QVERIFY(rig.Add({current_, gone}));
        QVERIFY(QFile::remove(gone));
        rig.platform.answers.push_back(true);
        const QString folder = Folder(QStringLiteral("asked"));
        QVERIFY(rig.Build(folder));
        QCOMPARE(rig.platform.log.filter(QStringLiteral("ask: ")),
                 QStringList{"ask: Finished! 1 written, 1 failed: gone.png (cannot open). "
                             "Do you want to see your new photos?"});
        QCOMPARE(rig.platform.opened, QList<QUrl>{QUrl::fromLocalFile(folder)});
    }

    // Stop during a run: the files in progress finish, no new one starts. What is in the
    // folder then is whole files, the same as a full run writes, and the inputs are as
    // they were. The dialog answers while the run goes.
    void stopDuringRun() {
        const QString source = Photo(QStringLiteral("stop/s.jpg"), PatternImage(1500, 1000));
        const QByteArray original = Bytes(source);
        QStringList files;
        for (int i = 0; i < 24; ++i) {
            files << dir_.filePath(QStringLiteral("stop/s%1.jpg").arg(i));
            QVERIFY(QFile::copy(source, files.last()));
        }
        TBatchRig rig(current_);
        rig.info.Max = 900;
        QVERIFY(rig.Show());
        QVERIFY(rig.Add(files));
        QPushButton* build = rig.Button("ButtonBuild");
        bool running = false;
        QObject::connect(&rig.dialog, &TFormBatch::BuildProgress, [&](int done) {
            if (done != 1) return;
            running = build->text() == QStringLiteral("Stop") && build->isEnabled() &&
                      !rig.Button("ButtonAdd")->isEnabled() &&
                      !rig.Child("EditFolder")->isEnabled() &&
                      rig.Child<QProgressBar>("ProgressBar")->isVisible();
            build->click();
            running = running && !build->isEnabled();
        });
        const QString folder = Folder(QStringLiteral("stopped"));
        QVERIFY(rig.Build(folder));
        QVERIFY(running);
        QCOMPARE(build->text(), QStringLiteral("Build"));
        QVERIFY(build->isEnabled() && rig.Button("ButtonAdd")->isEnabled());

        const QStringList written = Entries(folder);
        QVERIFY(!written.isEmpty());
        QVERIFY2(written.size() < files.size(), qPrintable(QString::number(written.size())));
        QCOMPARE(rig.LastLog(), QStringLiteral("ask: Stopped! %1 of 24 written. Do you want to "
                                               "see your new photos?")
                                    .arg(written.size()));
        TBatchOptions options;
        options.folder = Folder(QStringLiteral("whole"));
        QCOMPARE(RunBatch(rig.dialog.List().Records(), options).written, 24);
        for (const QString& name : written)
            QVERIFY2(Bytes(folder + QLatin1Char('/') + name) ==
                         Bytes(options.folder + QLatin1Char('/') + name),
                     qPrintable(name));
        for (const QString& file : files) QCOMPARE(Bytes(file), original);
    }

    // Closing during a run stops it and says nothing; shown again, the dialog is empty
    // and builds once that run's last files are done.
    void closeDuringRun() {
        QStringList files;
        for (int i = 0; i < 8; ++i)
            files << Photo(QStringLiteral("close/c%1.png").arg(i), PatternImage(600, 400));
        TBatchRig rig(current_);
        QVERIFY(rig.Show());
        QVERIFY(rig.Add(files));
        rig.SetText("EditFolder", Folder(QStringLiteral("closed")));
        rig.Button("ButtonBuild")->click();
        QVERIFY(rig.dialog.Building());
        rig.Button("ButtonCancel")->click();
        QVERIFY(rig.dialog.isHidden());
        QVERIFY(rig.Show());
        QCOMPARE(rig.dialog.List().Count(), 0);
        QVERIFY(AwaitEventsUntil("the end of the batch", [&] { return !rig.dialog.Building(); }));
        QCOMPARE(rig.platform.log.filter(QStringLiteral("ask: ")), QStringList());
        QCOMPARE(rig.finished, 0);
        QVERIFY(rig.Add({current_}));
        QVERIFY(rig.Button("ButtonBuild")->isEnabled());
    }

    // The dialog and `vellumora-cli batch` write the same bytes for the same settings.
    void sameAsCommandLine() {
        TBatchRig rig(current_);
        rig.info.Max = 320;
        rig.info.Watermark = QStringLiteral("(c) batch");
        rig.info.Outside = TBorder{6, 0x0000FF};
        rig.info.Radius = 4;
        rig.info.Offset = 3;
        const QString ini = dir_.filePath(QStringLiteral("cli.ini"));
        TIniFile settings(ini);
        rig.info.WriteTemplate(settings, QStringLiteral("T"));
        settings.UpdateFile();

        const QString straight = Photo(QStringLiteral("cli/p1.jpg"), PatternImage(900, 600));
        const QString turned = Photo(QStringLiteral("cli/p2.png"), PatternImage(500, 700));
        QVERIFY(rig.Show());
        QVERIFY(rig.Add({straight, turned}));
        rig.Select({1});
        rig.Button("ButtonRotate")->click();
        rig.Child<QCheckBox>("CheckBoxCrop")->setChecked(true);
        rig.Child<QComboBox>("ComboBoxRatio")->setCurrentText(QStringLiteral("4 * 6"));
        rig.SetIndex("ComboBoxCase", 1);
        rig.SetText("EditPrefix", QStringLiteral("b_"));
        const QString folder = Folder(QStringLiteral("dialog"));
        QVERIFY(rig.Build(folder));
        QCOMPARE(Entries(folder), (QStringList{"B_P1.JPG", "B_P2.JPG"}));

        const QString cliFolder = Folder(QStringLiteral("cli"));
        for (const auto& [file, rotate] : {std::pair(straight, 0), std::pair(turned, 270)}) {
            QProcess cli;
            cli.start(qEnvironmentVariable("VELLUMORA_CLI"),
                      {"batch", "--settings", ini, "--section", "T", "--folder", cliFolder,
                       "--auto-crop", "4 * 6", "--case", "upper", "--prefix", "b_", "--rotate",
                       QString::number(rotate), file});
            QVERIFY(cli.waitForFinished(kHangBoundMs));
            QCOMPARE(cli.exitCode(), 0);
        }
        for (const QString& name : Entries(folder)) {
            const QByteArray bytes = Bytes(folder + QLatin1Char('/') + name);
            QVERIFY(!bytes.isEmpty());
            QVERIFY2(bytes == Bytes(cliFolder + QLatin1Char('/') + name), qPrintable(name));
        }
    }
};

QTEST_MAIN(TestFormBatch)
#include "test_formbatch.moc"
