// Save As, e-mail and clipboard against a scripted desktop; the real desktop's save
// dialog and mail hand-off; the about box and the shipped guide.

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QApplication>
#include <QDirIterator>
#include <QFileDialog>
#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>
#include <cerrno>
#include <cstring>
#include <exiv2/exiv2.hpp>
#include <memory>
#include <utility>

#include "codec/Codec.h"
#include "forms/main/FormAbout.h"
#include "forms/main/Help.h"
#include "forms/main/SaveAs.h"
#include "photos/Photo.h"
#include "photos/settings/PhotoInfo.h"
#include "photos/settings/ProgramFolder.h"
#include "support/FakePlatform.h"
#include "support/Modal.h"
#include "support/TestSupport.h"

using namespace vellumora;
using vellumora::test::TFakePlatform;

namespace {

// A record with the built-in settings (longest side 640) and the photo showing it.
struct TShown {
    std::unique_ptr<TPhotoInfo> info;
    std::unique_ptr<TPhoto> photo;
};

TShown Show(const QString& path) {
    TShown shown{std::make_unique<TPhotoInfo>(path), std::make_unique<TPhoto>()};
    shown.photo->AssignInfo(shown.info.get());
    return shown;
}

// A stand-in mail program: it keeps running until the test opens the gate (a lock the test
// holds), then says so on its end pipe and exits. It gives up after a minute, so that it
// ends whatever the test does. (PATH holds only the stand-in's folder while it runs.)
const QString kMailProgram = QStringLiteral(
    "exec 3> \"$0.end\"\n"
    "if /usr/bin/flock -w 60 \"$0.gate\" /bin/true; then echo 'let go'; "
    "else echo \"gave up waiting ($?)\"; fi >&3");

// The test's side of that: the lock, and the reading end of the pipe. Both are closed on
// exec, so the stand-in shares neither with the test.
class TMailProgramGate {
public:
    QString problem;

    ~TMailProgramGate() {
        for (int fd : {gate_, end_})
            if (fd >= 0) ::close(fd);
    }
    // Before the hand-off: the gate is shut and the pipe is open for the stand-in to write to.
    bool Shut(const QString& tool) {
        const QByteArray gate = QFile::encodeName(tool + QStringLiteral(".gate"));
        const QByteArray end = QFile::encodeName(tool + QStringLiteral(".end"));
        gate_ = ::open(gate.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
        if (gate_ < 0 || ::flock(gate_, LOCK_EX) != 0) return Failed("cannot lock the gate");
        if (::mkfifo(end.constData(), 0600) != 0) return Failed("cannot make the end pipe");
        end_ = ::open(end.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
        return end_ >= 0 || Failed("cannot open the end pipe");
    }
    // After the hand-off returned: lets the stand-in go and reads what it says until it
    // closes the pipe, which it does as it exits.
    QByteArray LetGo() {
        ::close(std::exchange(gate_, -1));
        QByteArray said;
        // The stand-in ends within its own minute; the bound here is only for one that
        // never started.
        for (;;) {
            pollfd wait{end_, POLLIN, 0};
            const int ready = ::poll(&wait, 1, test::kHangBoundMs);
            if (ready < 0 && errno == EINTR) continue;
            if (ready <= 0) return said + "(no end from the mail program)";
            char buffer[256];
            const ssize_t got = ::read(end_, buffer, sizeof buffer);
            if (got == 0) return said;
            if (got > 0)
                said.append(buffer, got);
            else if (errno != EAGAIN && errno != EINTR)
                return said + "(unreadable end pipe)";
        }
    }

private:
    bool Failed(const char* what) {
        problem = QString::fromLatin1(what) + QStringLiteral(": ") +
                  QString::fromLocal8Bit(std::strerror(errno));
        return false;
    }

    int gate_ = -1;
    int end_ = -1;
};

}  // namespace

class TestSaveAs : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    QString beach_;    // 900 x 600, rendered at 640 x 427 by the built-in settings
    QString missing_;  // a photo file that does not exist

private slots:
    void initTestCase() {
        QVERIFY(dir_.isValid());
        beach_ = dir_.filePath(QStringLiteral("beach.png"));
        QVERIFY(test::PatternImage(900, 600).save(beach_));
        missing_ = dir_.filePath(QStringLiteral("gone.jpg"));
    }

    // A typed writable extension wins and the entry follows it; any other is replaced.
    void extensionRule_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("entry");
        QTest::addColumn<QString>("written");
        QTest::addColumn<int>("writtenEntry");
        QTest::newRow("typed png, jpg entry") << "holiday.png" << 0 << "holiday.png" << 5;
        QTest::newRow("typed jpg, png entry") << "holiday.jpg" << 5 << "holiday.jpg" << 0;
        QTest::newRow("typed jpeg, jpg entry") << "/p/a.jpeg" << 0 << "/p/a.jpeg" << 1;
        QTest::newRow("typed in upper case") << "/p/holiday.JPG" << 1 << "/p/holiday.JPG" << 0;
        QTest::newRow("typed today's type") << "/p/x.avif" << 0 << "/p/x.avif" << 9;
        QTest::newRow("no extension, png entry") << "holiday" << 5 << "holiday.png" << 5;
        QTest::newRow("other extension replaced") << "my.trip" << 6 << "my.bmp" << 6;
        QTest::newRow("dot in a folder name") << "/a.b/photo" << 3 << "/a.b/photo.tif" << 3;
        QTest::newRow("writable type in a folder name")
            << "/a.png/photo" << 3 << "/a.png/photo.tif" << 3;
        QTest::newRow("trailing dot") << "/p/holiday." << 7 << "/p/holiday.tga" << 7;
        QTest::newRow("double extension") << "/p/a.tar.gz" << 4 << "/p/a.tar.pcx" << 4;
        QTest::newRow("writable type not last") << "/p/a.png.txt" << 8 << "/p/a.png.webp" << 8;
        QTest::newRow("last entry") << "/p/x.old" << 10 << "/p/x.jxl" << 10;
        QTest::newRow("entry out of range") << "/p/x.old" << 11 << "/p/x.jpg" << 0;
    }
    void extensionRule() {
        QFETCH(QString, typed);
        QFETCH(int, entry);
        QFETCH(QString, written);
        QFETCH(int, writtenEntry);
        const TSaveTarget target = SaveTarget(typed, entry);
        QCOMPARE(target.path, written);
        QCOMPARE(target.filterIndex, writtenEntry);
    }

    // Each entry's pattern names the extension written, and the codec writes it.
    void filtersMatchWriter() {
        const QStringList filters = SaveFilters();
        const QStringList extensions = WritableExtensions();
        QCOMPARE(filters, (QStringList{"JPEG Bitmap (*.jpg)", "JPEG Bitmap (*.jpeg)",
                                       "CompuServe Bitmap (*.gif)", "TIFF Bitmap (*.tif)",
                                       "PaintBrush (*.pcx)", "Portable Network Graphics (*.png)",
                                       "Windows Bitmap (*.bmp)", "Targa Bitmap (*.tga)",
                                       "WebP Image (*.webp)", "AV1 Image File (*.avif)",
                                       "JPEG XL Image (*.jxl)"}));
        QCOMPARE(extensions.size(), filters.size());
        for (int i = 0; i < filters.size(); ++i) {
            QVERIFY2(filters[i].endsWith(QStringLiteral("(*") + extensions[i] + QLatin1Char(')')),
                     qPrintable(filters[i]));
        }
    }

    void presetPath_data() {
        QTest::addColumn<QString>("photo");
        QTest::addColumn<QString>("preset");
        QTest::newRow("plain") << "/pics/beach.jpg"
                               << "/pics/Vellumora_beach";
        QTest::newRow("two dots") << "/pics/my.trip.jpg"
                                  << "/pics/Vellumora_my.trip";
        QTest::newRow("dotted folder") << "/a.b/photo"
                                       << "/a.b/Vellumora_photo";
    }
    void presetPath() {
        QFETCH(QString, photo);
        QFETCH(QString, preset);
        QCOMPARE(SavePresetPath(photo), preset);
    }

    // At zoom 33 the file still gets the full rendered picture, not the shown one.
    void saveWritesFullSizeAtZoom() {
        TShown shown = Show(beach_);
        shown.photo->SetZoom(33);
        QCOMPARE(shown.photo->Rendered().size(), QSize(640, 427));

        TFakePlatform platform;
        platform.saves.push_back({dir_.filePath(QStringLiteral("zoomed")), 5});
        TSaveAs saveAs;
        const QString written = saveAs.Run(platform, nullptr, *shown.photo);

        QCOMPARE(written, dir_.filePath(QStringLiteral("zoomed.png")));
        QCOMPARE(platform.lastSavePreset, dir_.filePath(QStringLiteral("Vellumora_beach")));
        QCOMPARE(platform.lastSaveFilters, SaveFilters());
        QCOMPARE(platform.log, QStringList{QStringLiteral("save: Save As")});
        QCOMPARE(DoLoad(written), shown.photo->Rendered());
    }

    void replaceQuestion_data() {
        QTest::addColumn<bool>("replace");
        QTest::newRow("No keeps the file") << false;
        QTest::newRow("Yes replaces it") << true;
    }
    void replaceQuestion() {
        QFETCH(bool, replace);
        const QString target = test::WriteBytes(dir_.path(), QStringLiteral("old.bmp"),
                                                QByteArrayLiteral("old bytes"));
        TShown shown = Show(beach_);
        TFakePlatform platform;
        platform.saves.push_back({dir_.filePath(QStringLiteral("old")), 6});
        platform.answers.push_back(replace);

        const QString written = TSaveAs().Run(platform, nullptr, *shown.photo);

        QCOMPARE(platform.log.value(1),
                 QStringLiteral("ask: File old.bmp already exists. Do you want to replace it?"));
        QCOMPARE(platform.log.size(), 2);
        if (replace) {
            QCOMPARE(written, target);
            QCOMPARE(DoLoad(target).size(), QSize(640, 427));
        } else {
            QVERIFY(written.isEmpty());
            QCOMPARE(test::ReadBytes(target), QByteArrayLiteral("old bytes"));
        }
        QFile::remove(target);
    }

    // The entry chosen in the dialog opens the next dialog, whatever became of the file.
    void filterIndexRemembered() {
        TShown shown = Show(beach_);
        test::WriteBytes(dir_.path(), QStringLiteral("kept.gif"), QByteArrayLiteral("x"));
        TFakePlatform platform;
        TSaveAs saveAs;
        struct TStep {
            std::optional<TPlatform::TSaveChoice> choice;
            int offered;
        };
        const TStep steps[] = {
            {TPlatform::TSaveChoice{dir_.filePath(QStringLiteral("first")), 5}, 0},
            {std::nullopt, 5},  // cancelled: keeps png
            {TPlatform::TSaveChoice{dir_.filePath(QStringLiteral("kept")), 2}, 5},  // answered No
            {std::nullopt, 2},
            // A typed extension is followed by the type, which the next dialog offers.
            {TPlatform::TSaveChoice{dir_.filePath(QStringLiteral("typed.jpg")), 5}, 2},
            {std::nullopt, 0},
        };
        for (const TStep& step : steps) {
            if (step.choice) platform.saves.push_back(*step.choice);
            saveAs.Run(platform, nullptr, *shown.photo);
            QCOMPARE(platform.lastSaveFilterIndex, step.offered);
        }
        QCOMPARE(test::ReadBytes(dir_.filePath(QStringLiteral("kept.gif"))),
                 QByteArrayLiteral("x"));
        QVERIFY(test::ReadBytes(dir_.filePath(QStringLiteral("typed.jpg"))).startsWith("\xFF\xD8"));
    }

    void saveFailureReported() {
        TShown shown = Show(beach_);
        TFakePlatform platform;
        const QString path = dir_.filePath(QStringLiteral("no-such-folder/out"));
        platform.saves.push_back({path, 3});
        QVERIFY(TSaveAs().Run(platform, nullptr, *shown.photo).isEmpty());
        QCOMPARE(platform.log.last(), QStringLiteral("error: Cannot save ") + path + ".tif!");

        // On a full disk the system's own words say why, and the photo already under the
        // name stays whole.
        test::TSmallDisk disk;
        if (disk.Path().isEmpty()) QSKIP("no file system of its own can be mounted here");
        const QString kept = test::WriteBytes(disk.Path(), QStringLiteral("kept.png"), "old");
        QVERIFY(disk.Fill());
        platform.saves.push_back({kept, 5});
        platform.answers.push_back(true);  // replace it
        QVERIFY(TSaveAs().Run(platform, nullptr, *shown.photo).isEmpty());
        QCOMPARE(platform.log.last(), QStringLiteral("error: Cannot save ") + kept + "!");
        QCOMPARE(platform.details.last(),
                 QStringLiteral("Cannot write file: No space left on device."));
        QCOMPARE(test::ReadBytes(kept), QByteArray("old"));
        QCOMPARE(QDir(disk.Path()).entryList(QDir::Files | QDir::Hidden),
                 QStringList({"filler", "kept.png"}));
    }

    // A photo that did not load has nothing to give: each way out says so, with the
    // reason, and nothing leaves the program (no file dialog, no mail, no clipboard).
    void unloadedPhotoExportsNothing_data() {
        QTest::addColumn<int>("command");  // 0 Save As, 1 e-mail, 2 clipboard
        QTest::addColumn<QString>("message");
        QTest::newRow("save as") << 0 << "error: Cannot save %1!";
        QTest::newRow("e-mail") << 1 << "error: Cannot save %1!";
        QTest::newRow("clipboard") << 2 << "error: Nothing was copied to the clipboard!";
    }
    void unloadedPhotoExportsNothing() {
        QFETCH(int, command);
        QFETCH(QString, message);
        QFile::remove(ProgramFolder() + QStringLiteral("/Vellumora.jpg"));
        TShown shown = Show(missing_);
        QVERIFY(shown.photo->Original().isNull());
        TFakePlatform platform;
        platform.saves.push_back({dir_.filePath(QStringLiteral("out")), 0});
        if (command == 0) QVERIFY(TSaveAs().Run(platform, nullptr, *shown.photo).isEmpty());
        if (command == 1) QVERIFY(!SendPhotoByMail(platform, nullptr, *shown.photo));
        if (command == 2) CopyPhotoToClipboard(platform, nullptr, *shown.photo);

        QCOMPARE(platform.log, QStringList{message.arg(missing_)});
        QCOMPARE(platform.details, QStringList{"Its file did not load: no such file."});
        QVERIFY(platform.mailed.isEmpty());
        QVERIFY(platform.clipboard.isNull());
        QVERIFY(!QFileInfo::exists(ProgramFolder() + QStringLiteral("/Vellumora.jpg")));
    }

    // Without a mail program the photo is still written, and the message says where.
    void mailWithoutMailProgramSaysWhereThePhotoIs() {
        TShown shown = Show(beach_);
        TFakePlatform platform;
        platform.mailProgram = false;
        QVERIFY(!SendPhotoByMail(platform, nullptr, *shown.photo));
        const QString attachment = ProgramFolder() + QStringLiteral("/Vellumora.jpg");
        QCOMPARE(platform.log.last(),
                 "warning: No mail program could be started to send the photo.");
        QVERIFY2(platform.details.last().contains(attachment), qPrintable(platform.details.last()));
        QCOMPARE(DoLoad(attachment).size(), QSize(640, 427));
    }

    void mailTwiceRewritesAttachment() {
        TShown shown = Show(beach_);
        TFakePlatform platform;
        const QString attachment = ProgramFolder() + QStringLiteral("/Vellumora.jpg");

        QVERIFY(SendPhotoByMail(platform, nullptr, *shown.photo));
        QCOMPARE(DoLoad(attachment).size(), QSize(640, 427));
        test::WriteBytes(ProgramFolder(), QStringLiteral("Vellumora.jpg"),
                         QByteArrayLiteral("stale"));
        QVERIFY(SendPhotoByMail(platform, nullptr, *shown.photo));

        QCOMPARE(DoLoad(attachment).size(), QSize(640, 427));
        QCOMPARE(platform.mailed, (QStringList{attachment, attachment}));
    }

    // The attachment goes to other people: it keeps the camera, not the position.
    void mailLeavesPositionOut() {
        const QString camera = dir_.filePath(QStringLiteral("gps.jpg"));
        QVERIFY(test::PatternImage(90, 60).save(camera));
        auto source = Exiv2::ImageFactory::open(camera.toStdString());
        Exiv2::ExifData exif;
        exif["Exif.Image.Make"] = "Vellum Optics";
        exif["Exif.GPSInfo.GPSLatitude"] = "59/1 20/1 0/1";
        source->setExifData(exif);
        source->writeMetadata();
        TShown shown = Show(camera);
        TFakePlatform platform;
        QVERIFY(SendPhotoByMail(platform, nullptr, *shown.photo));

        auto sent = Exiv2::ImageFactory::open(platform.mailed.value(0).toStdString());
        sent->readMetadata();
        const Exiv2::ExifData& kept = sent->exifData();
        QVERIFY(kept.findKey(Exiv2::ExifKey("Exif.Image.Make")) != kept.end());
        QVERIFY(kept.findKey(Exiv2::ExifKey("Exif.GPSInfo.GPSLatitude")) == kept.end());
    }

    // When the attachment cannot be written the mail program gets nothing.
    void mailWriteFailure() {
        TShown shown = Show(beach_);
        const QString attachment = ProgramFolder() + QStringLiteral("/Vellumora.jpg");
        QFile::remove(attachment);
        QVERIFY(QDir().mkpath(attachment));  // a folder where the file should go
        TFakePlatform platform;
        const bool sent = SendPhotoByMail(platform, nullptr, *shown.photo);
        QDir(attachment).removeRecursively();
        QVERIFY(!sent);
        QCOMPARE(platform.log,
                 QStringList{QStringLiteral("error: Cannot save ") + attachment + "!"});
    }

    void clipboardGetsFullSize() {
        TShown shown = Show(beach_);
        shown.photo->SetZoom(33);
        TFakePlatform platform;
        CopyPhotoToClipboard(platform, nullptr, *shown.photo);
        QCOMPARE(platform.clipboard.size(), QSize(640, 427));
        QCOMPARE(platform.clipboard, shown.photo->Rendered());
    }

    // The real hand-off, with a stand-in xdg-email on PATH.
    void desktopMail_data() {
        QTest::addColumn<QString>("script");  // empty: no xdg-email at all
        QTest::addColumn<bool>("result");
        QTest::newRow("hands over") << "exit 0" << true;
        QTest::newRow("fails at once") << "exit 3" << false;
        QTest::newRow("missing") << "" << false;
        QTest::newRow("stays running as the mail program") << kMailProgram << true;
    }
    void desktopMail() {
        QFETCH(QString, script);
        QFETCH(bool, result);
        QTemporaryDir bin;
        const QString tool = bin.filePath(QStringLiteral("xdg-email"));
        if (!script.isEmpty()) {
            test::WriteBytes(
                bin.path(), QStringLiteral("xdg-email"),
                ("#!/bin/sh\nprintf '%s\\n' \"$@\" > \"$0.args\"\n" + script + "\n").toUtf8());
            QFile::setPermissions(tool, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        }
        // The mail program runs until this test lets it go, which it can only do once the
        // hand-off returned: a hand-off that waited for it would never return.
        const bool mailProgram = script == kMailProgram;
        TMailProgramGate gate;
        if (mailProgram) QVERIFY2(gate.Shut(tool), qPrintable(gate.problem));

        const QByteArray path = qgetenv("PATH");
        qputenv("PATH", bin.path().toLocal8Bit());
        const bool sent = DesktopPlatform().SendMail(beach_);
        qputenv("PATH", path);

        QCOMPARE(sent, result);
        if (mailProgram) QCOMPARE(gate.LetGo(), QByteArray("let go\n"));
        if (!script.isEmpty())
            QCOMPARE(test::ReadBytes(tool + QStringLiteral(".args")),
                     ("--attach\n" + beach_ + "\n").toUtf8());
    }

    // The real save dialog opens at the preset with the remembered entry, does not ask
    // about an existing file itself, and reports the entry the user picked.
    void desktopSaveDialog() {
        const QString existing =
            test::WriteBytes(dir_.path(), QStringLiteral("trip.tif"), QByteArrayLiteral("x"));
        const QStringList filters = SaveFilters();
        QString openedIn, openedWith, openedFilter;
        bool askedItself = false;
        test::TWhenModal saveDialog(QStringLiteral("the save dialog"), [&](QWidget* modal) {
            auto* dialog = qobject_cast<QFileDialog*>(modal);
            QVERIFY(dialog);
            openedIn = QFileInfo(dialog->directory().absolutePath()).canonicalFilePath();
            openedWith = QFileInfo(dialog->selectedFiles().value(0)).fileName();
            openedFilter = dialog->selectedNameFilter();
            dialog->selectNameFilter(filters[5]);
            dialog->selectFile(QStringLiteral("trip.tif"));
            // An overwrite question of the dialog's own would wait here: answer it No.
            test::TWhenModal question(
                QStringLiteral("an overwrite question"),
                [&](QWidget* box) {
                    askedItself = true;
                    qobject_cast<QDialog*>(box)->reject();
                },
                test::TWhenModal::Optional);
            static_cast<QDialog*>(dialog)->accept();
            if (dialog->isVisible()) dialog->reject();
        });
        const auto choice = DesktopPlatform().SaveFile(
            nullptr, QStringLiteral("Save As"), dir_.filePath(QStringLiteral("Vellumora_beach")),
            filters, 3);

        QVERIFY(saveDialog.Seen());
        QCOMPARE(openedIn, QFileInfo(dir_.path()).canonicalFilePath());
        QCOMPARE(openedWith, QStringLiteral("Vellumora_beach"));
        QCOMPARE(openedFilter, filters[3]);
        QVERIFY(!askedItself);
        QVERIFY(choice.has_value());
        QCOMPARE(choice->filterIndex, 5);
        QCOMPARE(QFileInfo(choice->path).absolutePath(), QFileInfo(existing).absolutePath());
        QCOMPARE(QFileInfo(choice->path).completeBaseName(), QStringLiteral("trip"));
    }

    // The picture comes from the forms library's resources, which a static library only
    // links in when they are registered.
    void aboutShowsPicture() {
        TFormAbout about;
        auto* picture = about.findChild<QLabel*>(QStringLiteral("ImagePicture"));
        QVERIFY(picture);
        QCOMPARE(picture->pixmap().size(), QSize(320, 200));
        auto* ok = about.findChild<QPushButton*>(QStringLiteral("ButtonOK"));
        QVERIFY(ok);
        ok->click();
        QCOMPARE(about.result(), int(QDialog::Accepted));
    }

    // The guide is found beside the executables, every local link and anchor in it leads
    // somewhere, and every page's navigation bar leads to every page.
    void helpLinksResolve() {
        const QString index = HelpIndexFile();
        QVERIFY2(!index.isEmpty(), "no help/index.html in the shipped data");
        const QDir folder = QFileInfo(index).dir();
        const QRegularExpression link(QStringLiteral("(?:href|src)=\"([^\"]+)\""));
        const QRegularExpression nav(QStringLiteral("<nav>(.*)</nav>"),
                                     QRegularExpression::DotMatchesEverythingOption);
        const QStringList all = folder.entryList({QStringLiteral("*.html")}, QDir::Files);
        int checked = 0;
        QDirIterator pages(folder.path(), {QStringLiteral("*.html")}, QDir::Files);
        while (pages.hasNext()) {
            const QString page = pages.next();
            const QString text = QString::fromUtf8(test::ReadBytes(page));
            const QString bar = nav.match(text).captured(1);
            for (const QString& other : all)
                QVERIFY2(bar.contains("href=\"" + other + '"'), qPrintable(page + ": " + other));
            for (const auto& match : link.globalMatch(text)) {
                const QString target = match.captured(1);
                if (target.contains(QStringLiteral("://"))) continue;
                const QString file = target.section(QLatin1Char('#'), 0, 0);
                const QString anchor = target.section(QLatin1Char('#'), 1);
                const QString resolved = file.isEmpty() ? page : folder.filePath(file);
                QVERIFY2(QFileInfo::exists(resolved), qPrintable(page + ": " + target));
                if (!anchor.isEmpty())
                    QVERIFY2(test::ReadBytes(resolved).contains(("id=\"" + anchor + "\"").toUtf8()),
                             qPrintable(page + ": " + target));
                ++checked;
            }
        }
        QVERIFY(checked > 20);
    }

    // What the desktop offers to open with the program and what the guide lists follow
    // the codec's tables.
    void formatListsFollowTheCodec() {
        const QString index = HelpIndexFile();
        QVERIFY2(!index.isEmpty(), "no help/index.html in the shipped data");
        const QDir help = QFileInfo(index).dir();
        const QString desktop =
            help.filePath(QStringLiteral("../../applications/vellumora.desktop"));
        const QRegularExpression mimeLine(QStringLiteral("^MimeType=(.*);$"),
                                          QRegularExpression::MultilineOption);
        const auto match = mimeLine.match(QString::fromUtf8(test::ReadBytes(desktop)));
        QVERIFY2(match.hasMatch(), qPrintable(desktop));
        QStringList offered = match.captured(1).split(QLatin1Char(';'));
        QStringList read = ReadableMimeTypes();
        offered.sort();
        read.sort();
        QCOMPARE(offered.join(QLatin1Char(' ')), read.join(QLatin1Char(' ')));

        const QString page = QString::fromUtf8(test::ReadBytes(help.filePath("formats.html")));
        QStringList missing;
        for (const QString& suffix : ReadableSuffixes())
            if (!page.contains("<code>." + suffix + "</code>")) missing << suffix;
        for (const TWritableType& type : WritableTypes()) {
            // The type's row: its name, then a cell that names the extension.
            const QRegularExpression row(
                QStringLiteral("<td>%1</td><td>(<code>[^<]*</code>\\s*)*<code>\\.%2</code>")
                    .arg(QLatin1String(type.name), QLatin1String(type.suffix)));
            if (!row.match(page).hasMatch()) missing << type.Caption();
        }
        QCOMPARE(missing.join(QStringLiteral(", ")), QString());
    }
};

QTEST_MAIN(TestSaveAs)
#include "test_saveas.moc"
