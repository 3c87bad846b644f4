// The web album dialog: what every showing sets, the fonts that keep colour and style, the
// encoding list, the typing rules, the swatch, builds on worker threads with their progress,
// cancelling and messages, the same bytes as vellumora-cli album, the main window's hand-off,
// and what assistive tools see.

#include <QAccessible>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QImageReader>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <optional>

#include "forms/album/FormWebpage.h"
#include "forms/album/WebpageRules.h"
#include "forms/main/FormMain.h"
#include "forms/main/PhotoView.h"
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

struct TWebpageRig {
    TFakePlatform platform;
    TFormWebpage dialog{platform};
    std::optional<TAlbumResult> ended;

    TWebpageRig() {
        QObject::connect(&dialog, &TFormWebpage::BuildEnded,
                         [this](const TAlbumResult& result) { ended = result; });
    }
    bool Show() { return ShowActive(&dialog); }
    template <class T = QWidget>
    T* Child(const QString& name) const {
        T* child = dialog.findChild<T*>(name);
        if (!child) qWarning("no child %s", qPrintable(name));
        return child;
    }
    QLineEdit* Box(const QString& name) const { return Child<QLineEdit>(name); }
    QPushButton* Button(const QString& name) const { return Child<QPushButton>(name); }
    QString Text(const QString& name) const { return Box(name)->text(); }
    void Type(const QString& box, const QString& text) const {
        Box(box)->setFocus();
        Box(box)->selectAll();
        QTest::keyClick(Box(box), Qt::Key_Delete);
        QTest::keyClicks(Box(box), text);
    }
    void Click(const QString& button) const { QTest::mouseClick(Button(button), Qt::LeftButton); }
    // Clicks Build and delivers the worker's events until the build has ended.
    bool Build() {
        ended.reset();
        Click(QStringLiteral("ButtonBuild"));
        return AwaitEventsUntil("the end of the build", [this] { return ended.has_value(); });
    }
    void Close() { Click(QStringLiteral("ButtonCancel")); }
};

}  // namespace

class TestFormWebpage : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    QStringList photos_;  // photo n (from 1) is (30 + 10 n) x 20 pixels

    // Hands the first count test photos over as the main window would.
    void HandOver(int count) const {
        std::vector<TPhotoInfo> records;
        for (int i = 0; i < count; ++i) {
            records.emplace_back(photos_[i]);
            records.back().Max = 0;
        }
        records.front().Rotate = 90;
        std::vector<const TPhotoInfo*> open;
        for (const TPhotoInfo& record : records) open.push_back(&record);
        WriteOpenPhotos(OpenPhotosFile(), open);
    }
    QString Folder(const QString& name) const { return dir_.filePath(name); }

private slots:
    void initTestCase() {
        QVERIFY(dir_.isValid());
        for (int n = 1; n <= 5; ++n)
            photos_ << SavePng(dir_.path(), QStringLiteral("in/photo%1.png").arg(n),
                               SolidImage(30 + 10 * n, 20, 0x203040 * n));
    }

    // Every showing sets every control again, whatever the last one left.
    void showingSetsEveryControl() {
        TWebpageRig rig;
        QVERIFY(rig.Show());
        // The classic page at start, without the Modern page's camera line.
        QCOMPARE(rig.Child<QComboBox>("ComboBoxStyle")->currentIndex(), 0);
        QVERIFY(!rig.Child("CheckBoxDetails")->isEnabled());
        QCOMPARE(rig.dialog.Options().style, TAlbumStyle::Classic);
        rig.Child<QComboBox>("ComboBoxStyle")->setCurrentIndex(1);
        QVERIFY(rig.Child("CheckBoxDetails")->isEnabled());
        rig.Child<QCheckBox>("CheckBoxDetails")->setChecked(true);
        rig.Child<QComboBox>("ComboBoxWidth")->setCurrentIndex(3);
        rig.Child<QComboBox>("ComboBoxEncoding")->setCurrentIndex(2);
        rig.Type("EditCharset", "koi8-r");
        rig.Type("EditColumn", "7");
        rig.Type("EditMargin", "55");
        rig.Child<QCheckBox>("CheckBoxShuffle")->setChecked(true);
        rig.Type("EditTitle", "Mine");
        // The memo holds 9,999 characters at most, the line boxes 200.
        auto* memo = rig.Child<QPlainTextEdit>("MemoDescription");
        memo->setPlainText(QString(10000, QLatin1Char('x')));
        QCOMPARE(rig.dialog.Options().description.size(), 9999);
        for (const char* box : {"EditTitle", "EditCopyright", "EditFolder"})
            QCOMPARE(rig.Box(box)->maxLength(), 200);
        rig.Type("EditCopyright", "(c)");
        rig.Type("EditFolder", "/elsewhere");
        rig.platform.colors.push_back(QColor(10, 20, 30));
        rig.Click("BitBtnBackground");
        QCOMPARE(rig.dialog.PageColor(), TColor(0x1E140A));
        rig.Close();
        QVERIFY(!rig.dialog.isVisible());

        QVERIFY(rig.Show());
        QCOMPARE(rig.dialog.windowTitle(), QString("HTML Webpage Maker"));
        QCOMPARE(rig.Child<QComboBox>("ComboBoxWidth")->currentIndex(), 1);
        QCOMPARE(rig.Child<QComboBox>("ComboBoxEncoding")->currentIndex(), 1);
        QCOMPARE(rig.Text("EditCharset"), QString("UTF-8"));
        QVERIFY(!rig.Box("EditCharset")->isEnabled());
        QCOMPARE(rig.Text("EditColumn"), QString("1"));
        QCOMPARE(rig.Text("EditMargin"), QString("10"));
        QVERIFY(!rig.Child<QCheckBox>("CheckBoxShuffle")->isChecked());
        QCOMPARE(rig.Text("EditTitle"), QString("My Photo Album"));
        QCOMPARE(rig.Child<QPlainTextEdit>("MemoDescription")->toPlainText(), QString());
        QCOMPARE(rig.Text("EditCopyright"), QString());
        QCOMPARE(rig.Text("EditFolder"), DefaultAlbumFolder());
        QVERIFY(rig.Text("EditFolder").endsWith("/Vellumora Album"));
        QCOMPARE(rig.dialog.PageColor(), clWhite);
        QVERIFY(!rig.Child("ProgressBar")->isVisible());
        QCOMPARE(QApplication::focusWidget(), rig.Child("EditTitle"));
        QCOMPARE(rig.Button("ButtonCancel")->text(), QString("Close"));
        QCOMPARE(rig.Child<QLabel>("LabelHint")->text(),
                 QString("Create your own HTML web album page with opened photos."));
        QCOMPARE(rig.dialog.minimumSize(), rig.dialog.maximumSize());
        QCOMPARE(rig.dialog.Options().description, QString());
        // The style is the user's choice of page, kept like the fonts' colours.
        QCOMPARE(rig.dialog.Options().style, TAlbumStyle::Modern);
        QVERIFY(rig.dialog.Options().cameraDetails);
    }

    // Face and size come back on every showing; colour and style stay as last chosen. A
    // cancelled chooser changes nothing.
    void fontsKeepColourAndStyle_data() {
        QTest::addColumn<QString>("button");
        QTest::addColumn<int>("size");  // on every showing
        QTest::newRow("title") << "ButtonTitle" << 24;
        QTest::newRow("description") << "ButtonDescription" << 12;
        QTest::newRow("copyright") << "ButtonCopyright" << 12;
    }
    void fontsKeepColourAndStyle() {
        QFETCH(QString, button);
        QFETCH(int, size);
        TWebpageRig rig;
        const auto font = [&] {
            return button == "ButtonTitle"         ? rig.dialog.TitleFont()
                   : button == "ButtonDescription" ? rig.dialog.DescriptionFont()
                                                   : rig.dialog.CopyrightFont();
        };
        QVERIFY(rig.Show());
        QCOMPARE(font(), (TAlbumFont{.Size = size}));
        QCOMPARE(font().Color, kWindowTextColor);

        QFont chosen(QStringLiteral("DejaVu Serif"));
        chosen.setPointSize(30);
        chosen.setBold(true);
        chosen.setUnderline(true);
        rig.platform.fonts.push_back(chosen);
        rig.Click(button);
        rig.platform.colors.push_back(QColor(255, 128, 0));
        rig.Click(button + "Color");
        const TAlbumFont made{
            .Name = "DejaVu Serif", .Size = 30, .Color = 0x0080FF, .Bold = true, .Underline = true};
        QCOMPARE(font(), made);
        rig.Click(button);  // cancelled
        rig.Click(button + "Color");
        QCOMPARE(font(), made);

        rig.Close();
        QVERIFY(rig.Show());
        TAlbumFont shown = made;
        shown.Name = QStringLiteral("Verdana");
        shown.Size = size;
        QCOMPARE(font(), shown);
        QVERIFY(rig.platform.log.contains("font: DejaVu Serif"));  // the chooser starts there
    }

    void encodingList() {
        TWebpageRig rig;
        QVERIFY(rig.Show());
        auto* list = rig.Child<QComboBox>("ComboBoxEncoding");
        QCOMPARE(list->count(), 3);
        list->setCurrentIndex(2);
        QCOMPARE(rig.Text("EditCharset"), QString());
        QVERIFY(rig.Box("EditCharset")->isEnabled());
        rig.Type("EditCharset", "Shift_JIS");
        QCOMPARE(rig.dialog.Options().charset, QString("Shift_JIS"));
        list->setCurrentIndex(0);
        QCOMPARE(rig.Text("EditCharset"), QString("ISO-8859-1"));
        QVERIFY(!rig.Box("EditCharset")->isEnabled());
        list->setCurrentIndex(1);
        QCOMPARE(rig.dialog.Options().charset, QString("UTF-8"));
        QCOMPARE(rig.Box("EditCharset")->maxLength(), 50);
    }

    // What the number boxes make of typing, once left with Tab.
    void numberTyping_data() {
        QTest::addColumn<QString>("box");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("shown");
        QTest::newRow("margin: three characters at most") << "EditMargin"
                                                          << "1234"
                                                          << "123";
        QTest::newRow("margin: letters keep the value") << "EditMargin"
                                                        << "ab"
                                                        << "10";
        QTest::newRow("margin: -5 is the least") << "EditMargin"
                                                 << "-5"
                                                 << "0";
        QTest::newRow("column: two characters at most") << "EditColumn"
                                                        << "150"
                                                        << "15";
        QTest::newRow("column: -5 gives the least, 1") << "EditColumn"
                                                       << "-5"
                                                       << "1";
        QTest::newRow("column: 0 gives 1") << "EditColumn"
                                           << "0"
                                           << "1";
    }
    void numberTyping() {
        QFETCH(QString, box);
        QFETCH(QString, typed);
        QFETCH(QString, shown);
        TWebpageRig rig;
        QVERIFY(rig.Show());
        rig.Type(box, typed);
        QTest::keyClick(rig.Box(box), Qt::Key_Tab);
        QCOMPARE(rig.Text(box), shown);
        const TAlbumOptions options = rig.dialog.Options();
        QCOMPARE(box == "EditMargin" ? options.margin : options.columns, shown.toInt());
    }

    // The swatch: red columns at the sides for white, white ones for any other colour.
    void backgroundSwatch_data() {
        QTest::addColumn<QColor>("chosen");
        QTest::addColumn<uint>("side");  // 0xRRGGBB of the swatch's first column
        QTest::newRow("white") << QColor(Qt::white) << 0xFF0000u;
        QTest::newRow("orange") << QColor(255, 128, 0) << 0xFFFFFFu;
    }
    void backgroundSwatch() {
        QFETCH(QColor, chosen);
        QFETCH(uint, side);
        TWebpageRig rig;
        QVERIFY(rig.Show());
        rig.platform.colors.push_back(QColor(0, 0, 255));  // away from white first
        rig.Click("BitBtnBackground");
        rig.platform.colors.push_back(chosen);
        rig.Click("BitBtnBackground");
        QPushButton* button = rig.Button("BitBtnBackground");
        QCOMPARE(button->size(), QSize(133, 23));
        const QImage swatch = button->icon().pixmap(QSize(117, 15)).toImage();
        QCOMPARE(swatch.size(), QSize(117, 15));
        QCOMPARE(PixelRgb(swatch.convertToFormat(QImage::Format_RGB32), 0, 7), side);
        QCOMPARE(rig.dialog.PageColor(), ToTColor(chosen));
        QCOMPARE(rig.platform.log.last(), QString("color: #0000ff"));  // starts at the colour
    }

    void browse() {
        TWebpageRig rig;
        QVERIFY(rig.Show());
        rig.platform.folders.push_back(Folder("picked"));
        rig.Click("ButtonBrowse");
        QCOMPARE(rig.Text("EditFolder"), Folder("picked"));
        QCOMPARE(rig.platform.log.last(), QString("folder: Please choose a directory..."));
    }

    // A build on the worker threads: every photo numbered by its strip place, the progress
    // bar counting them, the question, and the page opened on Yes.
    void build() {
        HandOver(3);
        TWebpageRig rig;
        QVERIFY(rig.Show());
        rig.Type("EditFolder", Folder("built"));
        rig.platform.answers.push_back(true);
        QVERIFY(rig.Build());
        QCOMPARE(rig.ended->status, TAlbumResult::Status::Finished);
        for (int n = 1; n <= 3; ++n) {
            // Photo 1 is turned a quarter, as handed over.
            const QSize size = n == 1 ? QSize(20, 40) : QSize(30 + 10 * n, 20);
            QCOMPARE(QImageReader(Folder("built/Photo%1.jpg").arg(n)).size(), size);
        }
        const QString page = Folder("built/Vellumora.htm");
        QCOMPARE(Bytes(page), AlbumPage(rig.dialog.Options(), 3).toUtf8());
        QCOMPARE(rig.platform.log.filter("ask: "),
                 QStringList{"ask: Finished! Do you want to see your new webpage?"});
        QCOMPARE(rig.platform.opened, QList<QUrl>{QUrl::fromLocalFile(page)});
        auto* progress = rig.Child<QProgressBar>("ProgressBar");
        QCOMPARE(progress->maximum(), 3);
        QCOMPARE(progress->value(), 3);
        QVERIFY(!progress->isVisible());
        QVERIFY(rig.dialog.isVisible());
        QVERIFY(rig.Child("EditTitle")->isEnabled() && rig.Child("ButtonBuild")->isEnabled());
        QVERIFY(!rig.Box("EditCharset")->isEnabled());

        // No answered, and a photo gone: the question names it; nothing is opened.
        QVERIFY(QFile::rename(photos_[1], photos_[1] + ".away"));
        QVERIFY(rig.Build());
        QVERIFY(QFile::rename(photos_[1] + ".away", photos_[1]));
        QCOMPARE(rig.ended->failed, 1);
        QCOMPARE(rig.platform.log.last(),
                 "ask: Finished, but 1 of 3 photos could not be exported:\nCannot open " +
                     photos_[1] + "!\n\nDo you want to see your new webpage?");
        QCOMPARE(rig.platform.opened.size(), 1);
    }

    // Cancel (the button, Esc or the close box) during a build stops it after the photo
    // being exported; the dialog stays open and answers while the worker is held.
    void cancelWhileBuilding_data() {
        QTest::addColumn<QString>("how");
        QTest::newRow("Cancel button") << "button";
        QTest::newRow("Esc") << "esc";
        QTest::newRow("close box") << "close";
    }
    void cancelWhileBuilding() {
        QFETCH(QString, how);
        HandOver(3);
        TWebpageRig rig;
        // Whatever happens below, the worker is let go before the dialog waits for it.
        TGate gate("the second photo's export");
        rig.dialog.SetJobs(1);
        rig.dialog.SetPhotoStartHook([&gate](int number) {
            if (number == 2) gate.Pass();
        });
        QVERIFY(rig.Show());
        rig.Type("EditFolder", Folder("cancelled-" + how));
        rig.Click("ButtonBuild");
        QVERIFY(rig.dialog.Building());
        QCOMPARE(rig.Button("ButtonCancel")->text(), QString("Cancel"));
        QVERIFY(!rig.Child("EditTitle")->isEnabled() && !rig.Child("ButtonBuild")->isEnabled());
        auto* progress = rig.Child<QProgressBar>("ProgressBar");
        QVERIFY(progress->isVisible());
        QVERIFY(AwaitEventsUntil("the first photo's progress",
                                 [progress] { return progress->value() == 1; }));

        if (how == "button")
            rig.Close();
        else if (how == "esc")
            QTest::keyClick(&rig.dialog, Qt::Key_Escape);
        else
            rig.dialog.close();
        QVERIFY(rig.dialog.isVisible());
        QVERIFY(!rig.Button("ButtonCancel")->isEnabled());
        gate.Open();
        QVERIFY(AwaitEventsUntil("the end of the cancelled build",
                                 [&rig] { return rig.ended.has_value(); }));

        QCOMPARE(rig.ended->status, TAlbumResult::Status::Cancelled);
        QVERIFY(QFile::exists(Folder("cancelled-" + how + "/Photo1.jpg")));
        QVERIFY(!QFile::exists(Folder("cancelled-" + how + "/Photo2.jpg")));
        QVERIFY(!QFile::exists(Folder("cancelled-" + how + "/Vellumora.htm")));
        QVERIFY(rig.platform.log.filter("ask: ").isEmpty());
        QVERIFY(rig.dialog.isVisible());
        QCOMPARE(rig.Button("ButtonCancel")->text(), QString("Close"));
        QVERIFY(rig.Button("ButtonCancel")->isEnabled());
        rig.Close();
        QVERIFY(!rig.dialog.isVisible());
    }

    void folderRules_data() {
        QTest::addColumn<QString>("folder");  // FILE: a plain file in the way
        QTest::addColumn<QString>("message");
        QTest::newRow("empty") << "   "
                               << "error: Unable to create directory";
        QTest::newRow("cannot be made") << "FILE/album"
                                        << "warning: Can not create folder FILE/album!";
    }
    void folderRules() {
        QFETCH(QString, folder);
        QFETCH(QString, message);
        const QString file = WriteBytes(dir_.path(), "in-the-way", "x");
        TWebpageRig rig;
        QVERIFY(rig.Show());
        rig.Type("EditFolder", folder.replace("FILE", file));
        rig.Click("ButtonBuild");
        QVERIFY(!rig.dialog.Building());
        QCOMPARE(rig.platform.log, QStringList{message.replace("FILE", file)});
        if (message.startsWith("warning"))
            QCOMPARE(QApplication::focusWidget(), rig.Child("EditFolder"));
    }

    // The command-line tool builds the same files, byte for byte, from the same hand-off and
    // options.
    void sameBytesAsTheCli_data() {
        QTest::addColumn<bool>("modern");
        QTest::newRow("classic") << false;
        QTest::newRow("modern, with camera details") << true;
    }
    void sameBytesAsTheCli() {
        QFETCH(bool, modern);
        HandOver(3);
        TWebpageRig rig;
        QVERIFY(rig.Show());
        rig.Child<QComboBox>("ComboBoxStyle")->setCurrentIndex(modern ? 1 : 0);
        rig.Child<QCheckBox>("CheckBoxDetails")->setChecked(modern);
        rig.Child<QComboBox>("ComboBoxWidth")->setCurrentIndex(2);
        rig.Child<QComboBox>("ComboBoxEncoding")->setCurrentIndex(0);
        rig.Type("EditColumn", "2");
        rig.Type("EditMargin", "5");
        // Typed keys are ASCII only: the rest is put in as a paste would.
        rig.Box("EditTitle")->setText(QString::fromUtf8("Été <i>&</i> 日本"));
        rig.Child<QPlainTextEdit>("MemoDescription")->setFocus();
        QTest::keyClicks(rig.Child("MemoDescription"), "first");
        QTest::keyClick(rig.Child("MemoDescription"), Qt::Key_Return);
        QTest::keyClicks(rig.Child("MemoDescription"), "second");
        rig.Box("EditCopyright")->setText(QString::fromUtf8("© me"));
        rig.platform.colors.push_back(QColor(0x33, 0x66, 0x99));
        rig.Click("BitBtnBackground");
        const QString style = modern ? "-modern" : "";
        rig.Type("EditFolder", Folder("by-dialog" + style));
        QVERIFY(rig.Build());
        QCOMPARE(rig.ended->status, TAlbumResult::Status::Finished);
        QCOMPARE(rig.dialog.Options().description, QString("first\r\nsecond"));

        QProcess cli;
        const QStringList styleArguments =
            modern ? QStringList{"--style", "modern", "--camera-details"} : QStringList{};
        cli.start(qEnvironmentVariable("VELLUMORA_CLI"),
                  QStringList{"album",
                              "--photos",
                              OpenPhotosFile(),
                              "--folder",
                              Folder("by-cli" + style),
                              "--width",
                              "920",
                              "--charset",
                              "ISO-8859-1",
                              "--columns",
                              "2",
                              "--margin",
                              "5",
                              "--title",
                              QString::fromUtf8("Été <i>&</i> 日本"),
                              "--description",
                              "first\nsecond",
                              "--copyright",
                              QString::fromUtf8("© me"),
                              "--page-color",
                              "#336699"} +
                      styleArguments);
        QVERIFY(cli.waitForFinished(kHangBoundMs));
        QCOMPARE(cli.exitStatus(), QProcess::NormalExit);
        QCOMPARE(cli.exitCode(), 0);
        QStringList files{"Photo1.jpg", "Photo2.jpg", "Photo3.jpg", "Vellumora.htm"};
        if (modern)
            files << "Vellumora.css"
                  << "Vellumora.js";
        files.sort();
        QCOMPARE(QDir(Folder("by-cli" + style)).entryList(QDir::Files), files);
        for (const QString& name : files) {
            const QByteArray bytes = Bytes(Folder("by-dialog" + style + "/") + name);
            QVERIFY(!bytes.isEmpty());
            QVERIFY2(Bytes(Folder("by-cli" + style + "/") + name) == bytes, qPrintable(name));
        }
        const QByteArray page = Bytes(Folder("by-cli" + style + "/Vellumora.htm"));
        if (modern) {
            // UTF-8 whatever the charset, every markup character escaped.
            QVERIFY(
                page.contains("<h1>\xC3\x89t\xC3\xA9 &lt;i&gt;&amp;&lt;/i&gt; "
                              "\xE6\x97\xA5\xE6\x9C\xAC</h1>"));
            QVERIFY(page.contains("--accent:#336699"));
            return;
        }
        QVERIFY(page.contains("<title>\xC9t\xE9 <i>&</i> &#26085;&#26412;</title>"));
        QVERIFY(page.contains("<body bgcolor=\"#336699\">"));
    }

    // "HTML Webpage Maker..." and its tool button write Photos.dat, then show the dialog; a
    // refused write shows the message instead; with no photo the command is off.
    void mainWindowHandsOver() {
        TFakePlatform platform;
        TOpenPhotos photos;
        TFormMain form(platform, photos);
        QVERIFY(ShowActive(&form));
        for (int i = 0; i < 5; ++i) form.OpenPhoto(photos_[i], false);
        auto* menu = form.findChild<QAction*>("MenuWebpage");
        const auto sectionsWhenShown = [&](const std::function<void()>& command) {
            QStringList sections;
            QString shown;
            TWhenModal dialog(QStringLiteral("the web album dialog"), [&](QWidget* window) {
                shown = window->objectName();
                sections = TIniFile(OpenPhotosFile()).Sections();
                window->close();
            });
            command();
            return shown == "FormWebpage" ? sections : QStringList{"not shown"};
        };
        QCOMPARE(sectionsWhenShown([menu] { menu->trigger(); }),
                 (QStringList{"PHOTO1", "PHOTO2", "PHOTO3", "PHOTO4", "PHOTO5"}));
        form.SelectPhoto(4);
        form.findChild<QAction*>("MenuClose")->trigger();
        form.findChild<QAction*>("MenuClose")->trigger();
        auto* button = form.findChild<QToolButton*>("ToolButtonWebpage");
        QCOMPARE(sectionsWhenShown([button] { QTest::mouseClick(button, Qt::LeftButton); }),
                 (QStringList{"PHOTO1", "PHOTO2", "PHOTO3"}));
        QCOMPARE(TIniFile(OpenPhotosFile()).ReadString("PHOTO3", "FILENAME"), photos_[2]);

        const QString file = OpenPhotosFile();
        QVERIFY(QFile::remove(file) && QDir().mkpath(file));  // refused from now on
        {
            TWhenModal none(
                QStringLiteral("no dialog"), [](QWidget* w) { w->close(); }, TWhenModal::Optional);
            menu->trigger();
            QVERIFY(!none.Seen());
        }
        QCOMPARE(platform.log.last(), "error: Unable to write to " + file);

        form.findChild<QAction*>("MenuAll")->trigger();
        QVERIFY(QDir(file).removeRecursively());
        {
            TWhenModal none(
                QStringLiteral("no dialog"), [](QWidget* w) { w->close(); }, TWhenModal::Optional);
            QVERIFY(!menu->isEnabled() && !button->isEnabled());
            menu->trigger();
            QVERIFY(!none.Seen());
        }
        QVERIFY(!QFile::exists(file));
    }

    // Names as a screen reader hears them, and Tab through every control in order.
    void accessibility() {
        TWebpageRig rig;
        QVERIFY(rig.Show());
        const auto name = [](QObject* object) {
            QAccessibleInterface* face = QAccessible::queryAccessibleInterface(object);
            return face ? face->text(QAccessible::Name) : QStringLiteral("(none)");
        };
        QCOMPARE(name(&rig.dialog), QString("HTML Webpage Maker"));
        rig.Child<QComboBox>("ComboBoxEncoding")->setCurrentIndex(2);  // the charset box on
        rig.Child<QComboBox>("ComboBoxStyle")->setCurrentIndex(1);     // the details box on
        // clang-format off
        const QList<std::pair<const char*, const char*>> named = {
            {"ComboBoxStyle", "Style"}, {"CheckBoxDetails", "Camera details"},
            {"ComboBoxWidth", "Width"}, {"ComboBoxEncoding", "Encoding"},
            {"EditCharset", "Charset"}, {"BitBtnBackground", "Background colour"},
            {"EditColumn", "Column"}, {"EditMargin", "Margin"},
            {"CheckBoxShuffle", "Shuffle order"}, {"EditTitle", "Title"},
            {"ButtonTitle", "Font"}, {"ButtonTitleColor", "Title colour"},
            {"MemoDescription", "Description"}, {"ButtonDescription", "Font"},
            {"ButtonDescriptionColor", "Description colour"}, {"EditCopyright", "Copyright"},
            {"ButtonCopyright", "Font"}, {"ButtonCopyrightColor", "Copyright colour"},
            {"EditFolder", "Folder"}, {"ButtonBrowse", "Browse"}, {"ButtonBuild", "Build"},
            {"ButtonCancel", "Close"}};
        // clang-format on
        QStringList order;
        for (const auto& [object, expected] : named) {
            order << object;
            QWidget* widget = rig.Child(object);
            if (!qobject_cast<QComboBox*>(widget)) {
                QCOMPARE(name(widget), QString(expected));
                continue;
            }
            // On this desktop a list's name is its current item; it is labelled by its group.
            QCOMPARE(widget->accessibleName(), QString(expected));
            const auto labels =
                QAccessible::queryAccessibleInterface(widget)->relations(QAccessible::Label);
            QVERIFY(!labels.isEmpty());
            // Its group's title, or the label whose buddy it is ("Style:").
            QString label = labels.first().first->text(QAccessible::Name).trimmed();
            if (label.endsWith(':')) label.chop(1);
            QCOMPARE(label, QString(expected));
        }
        // The group boxes, by their titles without the blanks around them.
        for (const QString group : {"Style", "Width", "Encoding", "Background", "Photos", "Title",
                                    "Description", "Copyright", "Export"})
            QCOMPARE(name(rig.Child("GroupBox" + group)), group);
        rig.Child("ComboBoxStyle")->setFocus(Qt::TabFocusReason);
        QStringList walked;
        for (qsizetype i = 0; i <= order.size(); ++i) {
            walked << QApplication::focusWidget()->objectName();
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        }
        QCOMPARE(walked, order << "ComboBoxStyle");
    }
};

QTEST_MAIN(TestFormWebpage)
#include "test_formwebpage.moc"
