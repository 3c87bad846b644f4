// The main window driven as a user would: menus, keys, the photo strip, the photo area,
// dialogs and drops, against a scripted desktop. Every test makes its own window.

#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCursor>
#include <QDir>
#include <QDropEvent>
#include <QFile>
#include <QHash>
#include <QLabel>
#include <QMenu>
#include <QMimeData>
#include <QPushButton>
#include <QRadioButton>
#include <QScopeGuard>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QSignalSpy>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBrowser>
#include <QThread>
#include <QToolButton>
#include <functional>
#include <memory>
#include <utility>

#include "codec/Codec.h"
#include "forms/main/FormMain.h"
#include "forms/main/Help.h"
#include "forms/main/PhotoView.h"
#include "photos/settings/IniFile.h"
#include "photos/settings/ProgramFolder.h"
#include "photos/stages/Render.h"
#include "photos/stages/Thumbnail.h"
#include "support/FakePlatform.h"
#include "support/MainWindow.h"
#include "support/Modal.h"
#include "support/TestSupport.h"

using namespace vellumora;
using namespace vellumora::test;

namespace {

constexpr quint32 kRed = 0xFF0000;
constexpr quint32 kBlue = 0x0000FF;
constexpr quint32 kWhite = 0xFFFFFF;

// A window with a scripted desktop, shown and active so that its shortcuts work.
struct TWindow : TMainWindow {
    QLabel* PanelLabel(const QString& name) const {
        return form.findChild<QLabel*>(QStringLiteral("StatusPanel") + name);
    }
    QString Panel(int i) const { return PanelLabel(QString::number(i))->text(); }
    QString PanelOriginal() const {
        const QLabel* panel = PanelLabel(QStringLiteral("Original"));
        return panel ? panel->text() : QStringLiteral("no such panel");
    }
    TPhotoStrip* Strip() const { return form.Strip(); }
    // The current photo's index; -2 when the strip, the open photos and the photo shown
    // do not agree on it.
    int Current() {
        const int index = form.Photos().Current();
        if (index < 0) return form.Photo().Info() ? -2 : -1;
        return Strip()->IsPressed(index) && form.Photos().Record(index) == form.Photo().Info()
                   ? index
                   : -2;
    }
    QScrollArea* ScrollBox() const {
        return form.findChild<QScrollArea*>(QStringLiteral("ScrollBox"));
    }
    // The names of the main-menu items triggered from now on, in order.
    std::shared_ptr<QStringList> RecordCommands() {
        auto fired = std::make_shared<QStringList>();
        for (QAction* action : form.findChildren<QAction*>())
            if (action->objectName().startsWith(QLatin1String("Menu")))
                QObject::connect(action, &QAction::triggered, &form,
                                 [fired, action] { *fired << action->objectName(); });
        return fired;
    }
};

// Left half red, right half blue: shows where a thumbnail samples and that it does not blend.
QImage Halves(int width, int height) {
    QImage image = SolidImage(width, height, kRed);
    for (int y = 0; y < height; ++y)
        for (int x = width / 2; x < width; ++x) image.setPixel(x, y, 0xFF000000u | kBlue);
    return image;
}

}  // namespace

class TestFormMain : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    QTemporaryDir home_;

    QString SavePng(const QString& name, const QImage& image) {
        const QString path = dir_.filePath(name);
        return QFileInfo::exists(path) ? path : test::SavePng(dir_.path(), name, image);
    }
    QString Wide() { return SavePng(QStringLiteral("wide.png"), Halves(1000, 500)); }
    QString PhotoNamed(const QString& name) { return SavePng(name, Halves(1000, 500)); }

    std::unique_ptr<TWindow> NewWindow() { return NewShownWindow<TWindow>(); }

    // Three photos too big to decode at once, made once for the tests that open them
    // together; empty when they cannot be written.
    QStringList BigPhotos() {
        QStringList paths;
        for (int i = 0; i < 3; ++i) {
            paths << dir_.filePath(QStringLiteral("together%1.jpg").arg(i));
            if (!QFileInfo::exists(paths.last()) &&
                !Halves(2000 + 100 * i, 1500).save(paths.last(), "JPEG", 90))
                return {};
        }
        return paths;
    }

private slots:
    void initTestCase() {
        QVERIFY(dir_.isValid());
        QVERIFY(home_.isValid());
        // A program folder of our own, whatever the environment says.
        qputenv("XDG_DATA_HOME", home_.path().toUtf8());
        QVERIFY(PrepareProgramFolder(QString()));
    }

    void init() {
        QFile::remove(TemplatesFile());
        QFile::remove(ApplicationSettingsFile());
        QDir(ApplicationSettingsFile()).removeRecursively();
    }

    void closeSelectsTheNeighbour_data() {
        QTest::addColumn<int>("open");
        QTest::addColumn<int>("closed");
        QTest::addColumn<QString>("current");  // file name of the photo current afterwards
        QTest::newRow("middle of three") << 3 << 1 << "p2.png";
        QTest::newRow("last of three") << 3 << 2 << "p1.png";
        QTest::newRow("first of three") << 3 << 0 << "p1.png";
        QTest::newRow("the only one") << 1 << 0 << "";
    }
    void closeSelectsTheNeighbour() {
        QFETCH(int, open);
        QFETCH(int, closed);
        QFETCH(QString, current);
        auto w = NewWindow();
        QVERIFY(w);
        for (int i = 0; i < open; ++i) w->Open(PhotoNamed(QStringLiteral("p%1.png").arg(i)));
        w->form.SelectPhoto(closed);
        QCOMPARE(w->Current(), closed);

        w->Action(QStringLiteral("MenuClose"))->trigger();

        QCOMPARE(w->Strip()->Count(), open - 1);
        if (current.isEmpty()) {
            QVERIFY(!w->form.Photo().Info());
            QCOMPARE(w->Strip()->ImageCount(), 0);
            QCOMPARE(w->form.windowTitle(), QStringLiteral("Vellumora"));
            QCOMPARE(w->Panel(1), QString());
            QVERIFY(!w->Action(QStringLiteral("MenuClose"))->isEnabled());
        } else {
            QVERIFY(w->form.Photo().Info());
            QCOMPARE(QFileInfo(w->form.Photo().Info()->FileName).fileName(), current);
            QVERIFY(w->Strip()->IsPressed(w->Current()));
            QVERIFY(!w->form.Photo().Rendered().isNull());
            QCOMPARE(w->Panel(1), QStringLiteral("%1 photo(s)").arg(open - 1));
            // Closed entries keep their place in the image list while photos are open.
            QCOMPARE(w->Strip()->ImageCount(), open);
        }
    }

    void thumbnailIndexesAreNotReusedUntilTheStripEmpties() {
        auto w = NewWindow();
        QVERIFY(w);
        for (const char* name : {"a.png", "b.png", "c.png"})
            w->Open(PhotoNamed(QLatin1String(name)));
        w->form.SelectPhoto(1);
        w->Action(QStringLiteral("MenuClose"))->trigger();
        QCOMPARE(w->Strip()->ImageIndex(0), 0);
        QCOMPARE(w->Strip()->ImageIndex(1), 2);

        w->Open(PhotoNamed(QStringLiteral("d.png")));
        QCOMPARE(w->Strip()->Count(), 3);
        QCOMPARE(w->Strip()->ImageIndex(2), 3);
        // The new photo's own thumbnail, not the one of the photo closed before it.
        QCOMPARE(PixelRgb(w->Strip()->Image(3), 4, 16), kRed);

        w->Action(QStringLiteral("MenuAll"))->trigger();
        QCOMPARE(w->Strip()->Count(), 0);
        QCOMPARE(w->Strip()->ImageCount(), 0);
        w->Open(PhotoNamed(QStringLiteral("e.png")));
        QCOMPARE(w->Strip()->ImageIndex(0), 0);
    }

    void stripScrollsToTheCurrentPhoto() {
        auto w = NewWindow();
        QVERIFY(w);
        TPhotoStrip* strip = w->Strip();
        const QString path = SavePng(QStringLiteral("dot.png"), SolidImage(8, 8, kBlue));
        for (int i = 0; i < 40; ++i) w->Open(path);
        // Wider than the window: the strip scrolls, and the current button is in view.
        const auto inView = [strip](int index) {
            const QRect shown(strip->Button(index)->mapTo(strip->viewport(), QPoint(0, 0)),
                              strip->Button(index)->size());
            return strip->viewport()->rect().contains(shown);
        };
        QVERIFY(ProcessEventsUntil("the strip scrolled to the current button",
                                   [strip] { return strip->horizontalScrollBar()->value() > 0; }));
        QVERIFY(inView(39));
        QVERIFY(!inView(0));
        w->Action(QStringLiteral("MenuFirst"))->trigger();
        QVERIFY(ProcessEventsUntil("the strip scrolled back to the first button",
                                   [strip] { return strip->horizontalScrollBar()->value() == 0; }));
        QVERIFY(inView(0));
    }

    // A photo button looks pressed while it is pressed, held down, or raised under the
    // pointer. After a close the buttons move along under a pointer that stands still.
    void oneButtonLooksPressedAfterAClose_data() {
        QTest::addColumn<int>("closed");   // of four, current when closed
        QTest::addColumn<int>("pointer");  // the button under the pointer before
        QTest::newRow("the first, the pointer on the third") << 0 << 2;
        QTest::newRow("the second, the pointer on the last") << 1 << 3;
        QTest::newRow("the pointer on the one closed") << 1 << 1;
        QTest::newRow("the last, the pointer on the one before") << 3 << 2;
    }
    void oneButtonLooksPressedAfterAClose() {
        QFETCH(int, closed);
        QFETCH(int, pointer);
        QCursor::setPos(799, 799);  // away from where the window opens
        auto w = NewWindow();
        QVERIFY(w);
        for (const char* name : {"h0.png", "h1.png", "h2.png", "h3.png"})
            w->Open(PhotoNamed(QLatin1String(name)));
        w->form.SelectPhoto(closed);
        QVERIFY(ProcessPendingEvents());
        QToolButton* hovered = w->Strip()->Button(pointer);
        QTest::mouseMove(hovered, hovered->rect().center());
        QVERIFY(ProcessEventsUntil("the pointer over the photo button",
                                   [hovered] { return hovered->underMouse(); }));

        QTest::keyClick(&w->form, Qt::Key_Delete);
        QVERIFY(ProcessPendingEvents());

        QCOMPARE(w->Strip()->Count(), 3);
        for (int i = 0; i < 3; ++i) {
            QToolButton* button = w->Strip()->Button(i);
            const bool current = i == w->Current();
            const bool underPointer =
                button->rect().contains(button->mapFromGlobal(QCursor::pos()));
            QCOMPARE(button->isChecked(), current);
            QVERIFY(!button->isDown());
            QVERIFY2(!button->underMouse() || underPointer,
                     qPrintable(QStringLiteral("button %1 raised away from the pointer").arg(i)));
        }
    }

    void thumbnailShowsTheOriginal_data() {
        QTest::addColumn<QSize>("size");
        QTest::addColumn<QRect>("covered");
        QTest::newRow("1000 x 500") << QSize(1000, 500) << QRect(0, 8, 32, 16);
        QTest::newRow("500 x 1000") << QSize(500, 1000) << QRect(8, 0, 16, 32);
        QTest::newRow("square") << QSize(300, 300) << QRect(0, 0, 32, 32);
        QTest::newRow("odd height") << QSize(100, 47) << QRect(0, 8, 32, 15);
        QTest::newRow("smaller than the square") << QSize(20, 10) << QRect(0, 8, 32, 16);
        QTest::newRow("too thin to show") << QSize(1000, 20) << QRect();
    }
    void thumbnailShowsTheOriginal() {
        QFETCH(QSize, size);
        QFETCH(QRect, covered);
        // A default template that rotates nothing but frames the photo in black and
        // shrinks it: neither may reach the thumbnail.
        QFile templates(TemplatesFile());
        QVERIFY(templates.open(QIODevice::WriteOnly));
        templates.write(
            "[DEFAULT]\nDEFAULT=T\n[T]\nMAX=100\nOUTSIDE.WIDTH=40\nOUTSIDE.COLOR=clBlack\n");
        templates.close();

        if (covered.isNull())
            QVERIFY(ThumbnailRect(size, QSize(32, 32)).isEmpty());
        else
            QCOMPARE(ThumbnailRect(size, QSize(32, 32)), covered);
        auto w = NewWindow();
        QVERIFY(w);
        w->Open(SavePng(QStringLiteral("thumb%1x%2.png").arg(size.width()).arg(size.height()),
                        Halves(size.width(), size.height())));
        QCOMPARE(w->form.Photo().Info()->Outside.Width, 40);
        QImage expected = SolidImage(32, 32, kWhite);
        for (int y = covered.top(); y <= covered.bottom(); ++y)
            for (int x = covered.left(); x <= covered.right(); ++x)
                expected.setPixel(
                    x, y, 0xFF000000u | (x - covered.left() < covered.width() / 2 ? kRed : kBlue));
        QCOMPARE(CompareImages(w->Strip()->Image(w->Strip()->ImageIndex(0)), expected), QString());
    }

    void unreadablePhotoStaysWithABlankThumbnail() {
        const QString broken =
            WriteBytes(dir_.path(), QStringLiteral("broken.jpg"), "not a picture");
        auto w = NewWindow();
        QVERIFY(w);
        w->Open(Wide());
        w->Open(broken);

        QCOMPARE(w->platform.log.count(QStringLiteral("error: Cannot open ") + broken +
                                       QStringLiteral("!")),
                 1);
        QCOMPARE(w->platform.log.filter(QStringLiteral("error:")).size(), 1);
        QCOMPARE(w->platform.details, QStringList{"Not an image this program reads."});
        QCOMPARE(w->Strip()->Count(), 2);
        QCOMPARE(w->Current(), 1);
        QCOMPARE(w->Strip()->Button(1)->toolTip(), broken);
        const QImage blank = w->Strip()->Image(w->Strip()->ImageIndex(1));
        QCOMPARE(blank, MakeThumbnail(QImage(), QSize(32, 32)));
        QCOMPARE(w->Panel(2), QStringLiteral("0 * 0"));
        QCOMPARE(w->form.windowTitle(), QStringLiteral("Vellumora - ") + broken);
        // Nothing that needs its pixels can be asked for; the rest still can.
        const QStringList pixels{"MenuSave", "MenuEmail", "MenuClipboard", "MenuResize",
                                 "MenuCrop", "MenuColor", "MenuWatermark", "MenuBorder"};
        for (const QString& name : pixels)
            QVERIFY2(!w->Action(name)->isEnabled(), qPrintable(name));
        for (const char* name : {"MenuClose", "MenuClockwise", "MenuPrevious"})
            QVERIFY2(w->Action(name)->isEnabled(), name);

        w->Action(QStringLiteral("MenuClose"))->trigger();
        QCOMPARE(w->Strip()->Count(), 1);
        QCOMPARE(w->form.Photo().Info()->FileName, Wide());
        for (const QString& name : pixels) QVERIFY2(w->Action(name)->isEnabled(), qPrintable(name));
    }

    // A photo too big to decode at once shows a preview at its final size, with that size
    // in the status bar, while a worker decodes it, and again while a worker renders an
    // edit of it; what needs its pixels waits for them.
    void bigPhotoShowsBeforeItsOriginalArrives() {
        const QString path = dir_.filePath(QStringLiteral("big.jpg"));
        QVERIFY(QFileInfo::exists(path) || Halves(2000, 1500).save(path, "JPEG", 90));
        auto w = NewWindow();
        QVERIFY(w);
        TGate gate(
            "the exact decode");  // the worker waits here until the preview has been looked at
        w->form.Loader().SetDecoder([&gate](const QString& file, const TLoadOptions& options) {
            if (!options.AllowsReduction()) gate.Pass();  // the preview passes
            return DecodeOriginal(file, options);
        });
        w->Open(path);
        TPhoto& photo = w->form.Photo();
        QVERIFY(photo.Pending());
        QCOMPARE(w->Panel(2), QStringLiteral("640 * 480"));
        // The file's own size is known from its header before its pixels.
        QCOMPARE(w->PanelOriginal(), QStringLiteral("Original: 2000 x 1500"));
        QCOMPARE(w->form.View()->size(), QSize(640, 480));
        QVERIFY(AwaitEventsUntil("the preview", [&] { return !photo.Rendered().isNull(); }));
        QVERIFY(photo.Pending());

        gate.Open();
        w->Action(QStringLiteral("MenuClipboard"))->trigger();
        QVERIFY(!photo.Pending());
        const QImage exact = RenderChain(DoLoad(path), *photo.Info(), QImage());
        QCOMPARE(CompareImages(w->platform.clipboard, exact), QString());
        QCOMPARE(w->Strip()->Image(w->Strip()->ImageIndex(0)),
                 MakeThumbnail(DoLoad(path), QSize(32, 32)));

        // An edit of it renders on a worker (as an edit of a photo six times its size
        // would): the window shows a preview at the size to come at once, and the copy
        // waits for the exact picture.
        w->form.Photo().RenderElsewhere(0);
        w->Action(QStringLiteral("MenuClockwise"))->trigger();
        QVERIFY(photo.Rendering());
        QCOMPARE(w->Panel(2), QStringLiteral("480 * 640"));
        QCOMPARE(w->form.View()->size(), QSize(480, 640));
        w->Action(QStringLiteral("MenuClipboard"))->trigger();
        QVERIFY(photo.Exact());
        const QImage turned = RenderChain(DoLoad(path), *photo.Info(), QImage());
        QCOMPARE(turned.size(), QSize(480, 640));
        QCOMPARE(CompareImages(w->platform.clipboard, turned), QString());
    }

    // Copy on a photo whose decode is queued behind others that hold both workers: its
    // decode runs at once on the window's thread, under a busy pointer and a word in the
    // status bar, and the others still hold.
    void waitingForPixelsShowsAndSkipsTheQueue() {
        const QStringList paths = BigPhotos();
        QVERIFY(!paths.isEmpty());
        auto w = NewWindow();
        QVERIFY(w);
        TGate others("the other photos' decodes");
        QThread* window = QThread::currentThread();
        QString message;
        bool busy = false;
        bool decodedHere = false;
        w->form.Loader().SetDecoder([&](const QString& file, const TLoadOptions& options) {
            if (file != paths[2]) {
                others.Pass();
            } else if (!options.AllowsReduction() && QThread::currentThread() == window) {
                decodedHere = true;
                busy = QGuiApplication::overrideCursor() &&
                       QGuiApplication::overrideCursor()->shape() == Qt::WaitCursor;
                message = w->form.statusBar()->currentMessage();
            }
            return DecodeOriginal(file, options);
        });
        w->platform.openFileLists.push_back(paths);
        w->Action(QStringLiteral("MenuOpen"))->trigger();
        QTest::mouseClick(w->Strip()->Button(2), Qt::LeftButton);
        QCOMPARE(w->form.Photo().Info()->FileName, paths[2]);
        QVERIFY(w->form.Photo().Pending());
        w->Action(QStringLiteral("MenuClipboard"))->trigger();
        QVERIFY(decodedHere);
        QVERIFY(busy);
        QCOMPARE(message, QStringLiteral("Loading together2.jpg..."));
        QVERIFY(!QGuiApplication::overrideCursor());
        QCOMPARE(w->form.statusBar()->currentMessage(), QString());
        const QImage exact = RenderChain(DoLoad(paths[2]), *w->form.Photo().Info(), QImage());
        QCOMPARE(CompareImages(w->platform.clipboard, exact), QString());
        others.Open();
    }

    // Big photos opened together each get a thumbnail, the ones not looked at too.
    void photosOpenedTogetherAllGetThumbnails() {
        const QStringList paths = BigPhotos();
        QVERIFY(!paths.isEmpty());
        auto w = NewWindow();
        QVERIFY(w);
        w->platform.openFileLists.push_back(paths);
        w->Action(QStringLiteral("MenuOpen"))->trigger();
        QCOMPARE(w->Strip()->Count(), 3);
        QCOMPARE(w->form.Photo().Info()->FileName, paths[0]);  // the first picked is shown
        QCOMPARE(w->Current(), 0);
        const QImage blank = MakeThumbnail(QImage(), QSize(32, 32));
        const auto thumbnail = [&](int i) { return w->Strip()->Image(w->Strip()->ImageIndex(i)); };
        QVERIFY(AwaitEventsUntil("the three thumbnails", [&] {
            return thumbnail(0) != blank && thumbnail(1) != blank && thumbnail(2) != blank;
        }));
        // Red on the left, blue on the right, as the photos are.
        for (int i = 0; i < 3; ++i) {
            QCOMPARE(PixelRgb(thumbnail(i), 2, 16) & 0xF0F0F0, kRed & 0xF0F0F0);
            QCOMPARE(PixelRgb(thumbnail(i), 29, 16) & 0xF0F0F0, kBlue & 0xF0F0F0);
        }
    }

    // The size shown is the picture's as Save As writes it, at every zoom, and beside it
    // the original's own.
    void statusBarShowsTheUnzoomedSize_data() {
        QTest::addColumn<QString>("item");
        QTest::addColumn<int>("zoom");
        QTest::addColumn<int>("max");  // of Resize; 0 keeps the original's size
        QTest::addColumn<QString>("size");
        QTest::newRow("33%") << "Menu33" << 33 << 0 << "1001 * 500";
        QTest::newRow("50%") << "Menu50" << 50 << 0 << "1001 * 500";
        QTest::newRow("67%") << "Menu67" << 67 << 0 << "1001 * 500";
        QTest::newRow("actual size") << "Menu100" << 100 << 0 << "1001 * 500";
        QTest::newRow("150%") << "Menu150" << 150 << 0 << "1001 * 500";
        QTest::newRow("300%") << "Menu300" << 300 << 0 << "1001 * 500";
        QTest::newRow("resized, 67%") << "Menu67" << 67 << 640 << "640 * 320";
        QTest::newRow("resized, 33%") << "Menu33" << 33 << 640 << "640 * 320";
    }
    void statusBarShowsTheUnzoomedSize() {
        QFETCH(QString, item);
        QFETCH(int, zoom);
        QFETCH(int, max);
        QFETCH(QString, size);
        auto w = NewWindow();
        QVERIFY(w);
        const QString path = SavePng(QStringLiteral("w1001.png"), SolidImage(1001, 500, kBlue));
        w->Open(path);
        w->form.Photo().Info()->Max = max;
        w->form.Photo().Render();
        QCOMPARE(w->form.Photo().Rendered().width(), max ? max : 1001);

        w->Action(item)->trigger();

        QCOMPARE(w->form.Photo().Zoom(), zoom);
        QCOMPARE(w->Panel(2), size);
        // What Save As writes.
        const QString saved = dir_.filePath(QStringLiteral("status-size.png"));
        QVERIFY(w->form.Photo().SaveToFile(saved));
        const QImage written(saved);
        QCOMPARE(w->Panel(2), QStringLiteral("%1 * %2").arg(written.width()).arg(written.height()));
        QCOMPARE(w->PanelOriginal(), QStringLiteral("Original: 1001 x 500"));
        QCOMPARE(w->PanelLabel(QStringLiteral("2"))->toolTip(), w->PanelOriginal());
        QCOMPARE(w->Panel(3), QStringLiteral("Zoom: %1%").arg(zoom));
        QCOMPARE(w->Panel(1), QStringLiteral("1 photo(s)"));
        QCOMPARE(w->form.windowTitle(), QStringLiteral("Vellumora - ") + path);
        QCOMPARE(w->form.View()->size(), w->form.Photo().DisplaySize());
        for (const char* name :
             {"Menu33", "Menu50", "Menu67", "Menu100", "Menu150", "Menu200", "Menu300"})
            QCOMPARE(w->Action(QLatin1String(name))->isChecked(), item == QLatin1String(name));

        // The zoom belongs to the photo object and stays for the next photo.
        w->Open(Wide());
        QCOMPARE(w->form.Photo().Zoom(), zoom);
        QVERIFY(w->Action(item)->isChecked());
    }

    void quitPrompt_data() {
        QTest::addColumn<int>("photos");
        QTest::addColumn<bool>("answer");
        QTest::addColumn<bool>("closes");
        QTest::newRow("three photos, cancel") << 3 << false << false;
        QTest::newRow("three photos, ok") << 3 << true << true;
        QTest::newRow("no photo") << 0 << false << true;
    }
    void quitPrompt() {
        QFETCH(int, photos);
        QFETCH(bool, answer);
        QFETCH(bool, closes);
        auto w = NewWindow();
        QVERIFY(w);
        for (int i = 0; i < photos; ++i) w->Open(PhotoNamed(QStringLiteral("q%1.png").arg(i)));
        w->platform.log.clear();
        w->platform.answers.push_back(answer);

        w->Action(QStringLiteral("MenuExit"))->trigger();

        const QStringList asked = w->platform.log.filter(QStringLiteral("ask:"));
        if (photos > 0)
            QCOMPARE(
                asked,
                QStringList{QStringLiteral("ask: 3 photo(s) still opened, quit Vellumora now?")});
        else
            QVERIFY(asked.isEmpty());
        QCOMPARE(!w->form.isVisible(), closes);
        QCOMPARE(w->Strip()->Count(), closes ? 0 : photos);
        QCOMPARE(w->form.Photo().Info() != nullptr, !closes);
    }

    void previousAndNextStopAtTheEnds() {
        auto w = NewWindow();
        QVERIFY(w);
        for (const char* name : {"n0.png", "n1.png", "n2.png"})
            w->Open(PhotoNamed(QLatin1String(name)));
        QCOMPARE(w->Current(), 2);
        QVERIFY(!w->Action(QStringLiteral("MenuNext"))->isEnabled());
        QVERIFY(w->Action(QStringLiteral("MenuPrevious"))->isEnabled());
        QSignalSpy changed(&w->form.Photo(), &TPhoto::Changed);
        QTest::keyClick(&w->form, Qt::Key_PageDown);
        w->Action(QStringLiteral("MenuNext"))->trigger();
        QCOMPARE(w->Current(), 2);
        QCOMPARE(changed.count(), 0);

        // A click on a photo button makes that photo current, with its own settings.
        w->form.Photo().Info()->Rotate = 90;
        QTest::mouseClick(w->Strip()->Button(0), Qt::LeftButton);
        QCOMPARE(w->Current(), 0);
        QCOMPARE(w->form.Photo().Rendered().size(), QSize(640, 320));
        QVERIFY(w->Strip()->IsPressed(0));
        QVERIFY(!w->Strip()->IsPressed(2));
        QVERIFY(!w->Action(QStringLiteral("MenuPrevious"))->isEnabled());
        changed.clear();
        QTest::keyClick(&w->form, Qt::Key_PageUp);
        w->Action(QStringLiteral("MenuPrevious"))->trigger();
        QCOMPARE(w->Current(), 0);
        QCOMPARE(changed.count(), 0);
    }

    // The name a screen reader says for a control, and where a key moves the focus from it.
    // Three photos are open, the middle one current.
    void accessibleNamesAndFocusOrder_data() {
        QTest::addColumn<QString>("object");  // objectName, or "photo N" for a strip button
        QTest::addColumn<QString>("name");
        QTest::addColumn<QKeyCombination>("key");
        QTest::addColumn<QString>("focused");  // its name afterwards; empty: takes no focus
        QTest::addColumn<QString>("current");
        const auto row = [](const char* what, const char* object, const char* name,
                            QKeyCombination key, const char* focused, const char* current) {
            QTest::newRow(what) << object << name << key << focused << current;
        };
        const QKeyCombination tab(Qt::Key_Tab), backtab = Qt::SHIFT | Qt::Key_Tab;
        row("rotate button", "ToolButtonRotate", "Rotate", tab, "Watermark", "b.png");
        row("last tool to the current photo", "ToolButtonWebpage", "HTML Webpage Maker", tab,
            "b.png", "b.png");
        row("photo button to the photo area", "photo 1", "b.png", tab, "Photo area", "b.png");
        row("Right selects the next photo", "photo 1", "b.png", QKeyCombination(Qt::Key_Right),
            "c.png", "c.png");
        row("Left at the first stays", "photo 0", "a.png", QKeyCombination(Qt::Key_Left), "a.png",
            "b.png");
        row("closing keeps the focus in the strip", "photo 1", "b.png",
            QKeyCombination(Qt::Key_Delete), "c.png", "c.png");
        row("photo", "Photo", "Photo", tab, "", "b.png");
        row("photo area round to Open", "ScrollBox", "Photo area", tab, "Open", "b.png");
        row("photo area back to the current photo", "ScrollBox", "Photo area", backtab, "b.png",
            "b.png");
    }
    void accessibleNamesAndFocusOrder() {
        QFETCH(QString, object);
        QFETCH(QString, name);
        QFETCH(QKeyCombination, key);
        QFETCH(QString, focused);
        QFETCH(QString, current);
        auto w = NewWindow();
        QVERIFY(w);
        for (const char* file : {"a.png", "b.png", "c.png"}) w->Open(PhotoNamed(file));
        w->form.SelectPhoto(1);
        QVERIFY(ProcessPendingEvents());    // the buttons added are shown
        w->Strip()->Button(1)->setFocus();  // the keyboard has been in the strip
        QWidget* widget = object.startsWith("photo ") ? w->Strip()->Button(object.mid(6).toInt())
                                                      : w->form.findChild<QWidget*>(object);
        QVERIFY(widget);
        const auto spoken = [](QObject* o) {
            QAccessibleInterface* face = QAccessible::queryAccessibleInterface(o);
            return face ? face->text(QAccessible::Name) : QStringLiteral("(none)");
        };
        QCOMPARE(spoken(widget), name);
        if (focused.isEmpty()) {
            QCOMPARE(widget->focusPolicy(), Qt::NoFocus);
        } else {
            widget->setFocus();
            QTest::keyClick(widget, key.key(), key.keyboardModifiers());
            QVERIFY(QApplication::focusWidget());
            QCOMPARE(spoken(QApplication::focusWidget()), focused);
        }
        QCOMPARE(QFileInfo(w->form.Photo().Info()->FileName).fileName(), current);
    }

    void keyboardTable_data() {
        QTest::addColumn<QKeyCombination>("key");
        QTest::addColumn<QString>("command");
        QTest::addColumn<bool>("opensDialog");
        const auto row = [](const char* name, QKeyCombination key, const char* command,
                            bool dialog = false) {
            QTest::newRow(name) << key << QString::fromLatin1(command) << dialog;
        };
        row("PgUp", QKeyCombination(Qt::Key_PageUp), "MenuPrevious");
        row("PgDn", QKeyCombination(Qt::Key_PageDown), "MenuNext");
        row("Shift+PgDn", Qt::SHIFT | Qt::Key_PageDown, "MenuNext");
        row("Home", QKeyCombination(Qt::Key_Home), "MenuFirst");
        row("End", QKeyCombination(Qt::Key_End), "MenuLast");
        row("Del", QKeyCombination(Qt::Key_Delete), "MenuClose");
        row("Ctrl+Del", Qt::CTRL | Qt::Key_Delete, "MenuAll");
        row("F1", QKeyCombination(Qt::Key_F1), "MenuContents");
        row("Ctrl+Left", Qt::CTRL | Qt::Key_Left, "MenuCounter");
        row("Ctrl+Right", Qt::CTRL | Qt::Key_Right, "MenuClockwise");
        row("Ctrl+Shift+Right", Qt::CTRL | Qt::SHIFT | Qt::Key_Right, "MenuClockwise");
        row("Ctrl+A", Qt::CTRL | Qt::Key_A, "MenuAdd", true);
        row("Ctrl+B", Qt::CTRL | Qt::Key_B, "MenuBorder", true);
        row("Ctrl+C", Qt::CTRL | Qt::Key_C, "MenuCrop", true);
        row("Ctrl+E", Qt::CTRL | Qt::Key_E, "MenuEmail");
        row("Ctrl+O", Qt::CTRL | Qt::Key_O, "MenuOpen");
        row("Ctrl+Shift+O", Qt::CTRL | Qt::SHIFT | Qt::Key_O, "MenuCurrent");
        row("Ctrl+R", Qt::CTRL | Qt::Key_R, "MenuResize", true);
        row("Ctrl+S", Qt::CTRL | Qt::Key_S, "MenuSave");
        row("Ctrl+T", Qt::CTRL | Qt::Key_T, "MenuBatch", true);
        row("Ctrl+Alt+T", Qt::CTRL | Qt::ALT | Qt::Key_T, "MenuBatch", true);
        row("Ctrl+Shift+T", Qt::CTRL | Qt::SHIFT | Qt::Key_T, "MenuUndoClose");
        row("Ctrl+W", Qt::CTRL | Qt::Key_W, "MenuWatermark", true);
    }
    void keyboardTable() {
        QFETCH(QKeyCombination, key);
        QFETCH(QString, command);
        QFETCH(bool, opensDialog);
        auto w = NewWindow();
        QVERIFY(w);
        // A fourth photo was closed, so that Undo Close has one to bring back.
        for (const char* name : {"t0.png", "t1.png", "t2.png", "t3.png"})
            w->Open(PhotoNamed(QLatin1String(name)));
        w->Action(QStringLiteral("MenuClose"))->trigger();
        w->form.SelectPhoto(1);
        const auto fired = w->RecordCommands();
        // Any dialog the key opens is closed again, and noted.
        TWhenModal dialog(
            command, [](QWidget* shown) { shown->close(); },
            opensDialog ? TWhenModal::Required : TWhenModal::Optional);

        QTest::keyClick(&w->form, key.key(), key.keyboardModifiers());

        QCOMPARE(*fired, QStringList{command});
        QCOMPARE(dialog.Seen(), opensDialog);
    }

    // The guide's table of keys names every key of the command table, as the menus show it.
    void keysPageListsEveryKey() {
        const QString page = QFileInfo(HelpIndexFile()).dir().filePath(QStringLiteral("keys.html"));
        const QString text = QString::fromUtf8(test::ReadBytes(page));
        QVERIFY2(!text.isEmpty(), qPrintable(page));
        for (const TCommandRow& row : TActions::Rows())
            for (const QKeyCombination key : {row.key, row.key2}) {
                if (key == QKeyCombination()) continue;
                const QString shown = QKeySequence(key).toString(QKeySequence::NativeText);
                QVERIFY2(text.contains("<kbd>" + shown.toHtmlEscaped() + "</kbd>"),
                         qPrintable(QLatin1String(row.name) + ": " + shown));
            }
    }

    // Two key sequences that one press on a US keyboard can make (Ctrl+Shift+= is offered as
    // Ctrl++ and as Ctrl+Shift++ alike) reach two shortcuts, and Qt drops such a press as
    // ambiguous; so no two sequences of the table, of one command or of two, may be one
    // press. Keypad keys fall back to their plain twins, and so are one press with them.
    void everyKeyBelongsToOneCommand() {
        // The signs a US keyboard makes with Shift, and the key each is made from.
        static const QHash<int, int> shifted{{Qt::Key_Plus, Qt::Key_Equal},
                                             {Qt::Key_Underscore, Qt::Key_Minus},
                                             {Qt::Key_Exclam, Qt::Key_1},
                                             {Qt::Key_At, Qt::Key_2},
                                             {Qt::Key_NumberSign, Qt::Key_3},
                                             {Qt::Key_Dollar, Qt::Key_4},
                                             {Qt::Key_Percent, Qt::Key_5},
                                             {Qt::Key_AsciiCircum, Qt::Key_6},
                                             {Qt::Key_Ampersand, Qt::Key_7},
                                             {Qt::Key_Asterisk, Qt::Key_8},
                                             {Qt::Key_ParenLeft, Qt::Key_9},
                                             {Qt::Key_ParenRight, Qt::Key_0},
                                             {Qt::Key_BraceLeft, Qt::Key_BracketLeft},
                                             {Qt::Key_BraceRight, Qt::Key_BracketRight},
                                             {Qt::Key_Bar, Qt::Key_Backslash},
                                             {Qt::Key_Colon, Qt::Key_Semicolon},
                                             {Qt::Key_QuoteDbl, Qt::Key_Apostrophe},
                                             {Qt::Key_Less, Qt::Key_Comma},
                                             {Qt::Key_Greater, Qt::Key_Period},
                                             {Qt::Key_Question, Qt::Key_Slash},
                                             {Qt::Key_AsciiTilde, Qt::Key_QuoteLeft}};
        const auto press = [](QKeyCombination key) {
            Qt::KeyboardModifiers held = key.keyboardModifiers() & ~Qt::KeypadModifier;
            int made = key.key();
            if (shifted.contains(made)) {
                made = shifted.value(made);
                held |= Qt::ShiftModifier;
            }
            return QKeySequence(QKeyCombination(held, Qt::Key(made)));
        };
        QHash<QKeySequence, QString> owners;
        for (const TCommandRow& row : TActions::Rows())
            for (const QKeySequence& key : CommandKeys(row)) {
                const QKeySequence pressed = press(key[0]);
                QVERIFY2(!owners.contains(pressed),
                         qPrintable(key.toString() + QLatin1Char(' ') + row.name +
                                    QStringLiteral(" and ") + owners.value(pressed)));
                owners.insert(pressed, QLatin1String(row.name));
            }
        QCOMPARE(owners.value(QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_O)),
                 QStringLiteral("MenuOpen"));
        // What the table gives is what the window's actions answer to.
        TWindow w;
        for (const TCommandRow& row : TActions::Rows())
            QCOMPARE(w.Action(QLatin1String(row.name))->shortcuts(), CommandKeys(row));
    }

    // With no photo open, keys of commands that need one do nothing at all.
    void keysOfDisabledCommandsDoNothing_data() {
        QTest::addColumn<QKeyCombination>("key");
        QTest::newRow("Del") << QKeyCombination(Qt::Key_Delete);
        QTest::newRow("Ctrl+Del") << (Qt::CTRL | Qt::Key_Delete);
        QTest::newRow("Ctrl+Shift+O") << (Qt::CTRL | Qt::SHIFT | Qt::Key_O);
        QTest::newRow("PgUp") << QKeyCombination(Qt::Key_PageUp);
        QTest::newRow("PgDn") << QKeyCombination(Qt::Key_PageDown);
        QTest::newRow("Home") << QKeyCombination(Qt::Key_Home);
        QTest::newRow("End") << QKeyCombination(Qt::Key_End);
        QTest::newRow("Ctrl+Right") << (Qt::CTRL | Qt::Key_Right);
        QTest::newRow("Ctrl+R") << (Qt::CTRL | Qt::Key_R);
        QTest::newRow("Ctrl+S") << (Qt::CTRL | Qt::Key_S);
        QTest::newRow("Ctrl+E") << (Qt::CTRL | Qt::Key_E);
        QTest::newRow("Ctrl+W") << (Qt::CTRL | Qt::Key_W);
        QTest::newRow("Ctrl+Shift+T") << (Qt::CTRL | Qt::SHIFT | Qt::Key_T);
    }
    void keysOfDisabledCommandsDoNothing() {
        QFETCH(QKeyCombination, key);
        auto w = NewWindow();
        QVERIFY(w);
        const auto fired = w->RecordCommands();
        // A dialog that opened anyway is closed again, and noted.
        TWhenModal dialog(
            QStringLiteral("a dialog"), [](QWidget* shown) { shown->close(); },
            TWhenModal::Optional);

        QTest::keyClick(&w->form, key.key(), key.keyboardModifiers());
        // Whatever the key started, posted or timed to run at once, has run.
        QVERIFY(ProcessPendingEvents());

        QCOMPARE(*fired, QStringList());
        QCOMPARE(w->platform.log, QStringList());
        QVERIFY(!dialog.Seen());
        QCOMPARE(w->Strip()->Count(), 0);
    }

    // Enabled always, with a photo, or with a close to take back.
    void enabledStatesFollowTheCurrentPhoto_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("rule");
        const QString always = QStringLiteral(
            "MenuOpen MenuBackground MenuExit MenuManage MenuContents MenuHomepage MenuAbout "
            "Menu100 ToolButtonOpen DropClockwise DropCounter DropHorizontally DropVertically");
        const QString withPhoto = QStringLiteral(
            "MenuCurrent MenuSave MenuEmail MenuClipboard MenuClose MenuAll MenuBatch MenuFirst "
            "MenuLast MenuPrevious MenuResize MenuCrop MenuClockwise MenuCounter MenuHorizontally "
            "MenuVertically MenuColor MenuWatermark MenuBorder MenuAdd MenuWebpage PopupSave "
            "PopupEmail PopupClipboard PopupClose PopupResize PopupCrop PopupClockwise "
            "PopupCounter PopupHorizontally PopupVertically PopupColor PopupWatermark "
            "PopupBorder ToolButtonSave ToolButtonResize ToolButtonRotate ToolButtonWatermark "
            "ToolButtonBorder ToolButtonWebpage");
        const QString withClosed = QStringLiteral("MenuUndoClose");
        for (const auto& [names, rule] :
             {std::pair{always, "always"}, std::pair{withPhoto, "photo"},
              std::pair{withClosed, "closed"}})
            for (const QString& name : names.split(QLatin1Char(' ')))
                QTest::newRow(qPrintable(name)) << name << QString::fromLatin1(rule);
    }
    void enabledStatesFollowTheCurrentPhoto() {
        QFETCH(QString, name);
        QFETCH(QString, rule);
        auto w = NewWindow();
        QVERIFY(w);
        const auto enabled = [&] {
            if (QAction* action = w->Action(name)) return action->isEnabled();
            QToolButton* button = w->form.findChild<QToolButton*>(name);
            if (!button) qFatal("no %s", qPrintable(name));
            return button->isEnabled();
        };
        QCOMPARE(enabled(), rule == "always");
        // Two photos with the second current: Previous is enabled, Next is not.
        w->Open(PhotoNamed(QStringLiteral("e0.png")));
        w->Open(PhotoNamed(QStringLiteral("e1.png")));
        QCOMPARE(enabled(), rule != "closed");
        w->Action(QStringLiteral("MenuAll"))->trigger();
        QCOMPARE(enabled(), rule != "photo");
        // Taken back: the photos are there again, and no close is left.
        w->Action(QStringLiteral("MenuUndoClose"))->trigger();
        QCOMPARE(enabled(), rule != "closed");
    }

    // The program's own icons, drawn for light and for dark windows, the same wherever the
    // command shows, and disabled plainly dimmed: grey and at most 40% as opaque.
    void commandIconsAreOursWithADimmedDisabledLook_data() {
        QTest::addColumn<QString>("command");
        QTest::addColumn<QString>("icon");
        QTest::addColumn<QString>("alsoOn");  // a tool button or popup item that shows it
        const auto row = [](const char* what, const char* command, const char* icon,
                            const char* alsoOn) {
            QTest::newRow(what) << QString::fromLatin1(command) << QString::fromLatin1(icon)
                                << QString::fromLatin1(alsoOn);
        };
        row("Resize", "MenuResize", "resize", "ToolButtonResize");
        row("Crop", "MenuCrop", "crop", "PopupCrop");
        row("Color Balance", "MenuColor", "color", "PopupColor");
        row("Watermark", "MenuWatermark", "watermark", "ToolButtonWatermark");
        row("Border", "MenuBorder", "border", "PopupBorder");
        row("web album", "MenuWebpage", "webpage", "ToolButtonWebpage");
    }
    void commandIconsAreOursWithADimmedDisabledLook() {
        QFETCH(QString, command);
        QFETCH(QString, icon);
        QFETCH(QString, alsoOn);
        TWindow w;
        QVERIFY(!w.Action(command)->isEnabled());  // no photo
        const QPalette light = QApplication::palette();
        const QPalette dark(QColor(0x35, 0x35, 0x35), QColor(0x2A, 0x2A, 0x2A));
        const auto restore = qScopeGuard([&light] { QApplication::setPalette(light); });
        const auto pixels = [](const QIcon& i, QIcon::Mode mode) {
            return i.pixmap(32, mode).toImage().convertToFormat(
                QImage::Format_ARGB32_Premultiplied);
        };
        for (const QString set : {"light", "dark"}) {
            QApplication::setPalette(set == QLatin1String("dark") ? dark : light);
            QVERIFY(ProcessPendingEvents());  // the windows take it on
            const QImage drawn = QImage(QStringLiteral(":/toolbar/%1/%2-32.png").arg(set, icon))
                                     .convertToFormat(QImage::Format_ARGB32_Premultiplied);
            QVERIFY(!drawn.isNull());
            const QImage normal = pixels(w.Action(command)->icon(), QIcon::Normal);
            QCOMPARE(CompareImages(normal, drawn), QString());
            QObject* other = w.form.findChild<QObject*>(alsoOn);
            QVERIFY(other);
            const auto* item = qobject_cast<QAction*>(other);
            const QIcon shown = item ? item->icon() : qobject_cast<QToolButton*>(other)->icon();
            QCOMPARE(CompareImages(pixels(shown, QIcon::Normal), drawn), QString());

            const QImage disabled = pixels(w.Action(command)->icon(), QIcon::Disabled);
            QCOMPARE(disabled.size(), normal.size());
            QVERIFY(disabled != normal);
            int bright = 0;
            for (int y = 0; y < normal.height(); ++y)
                for (int x = 0; x < normal.width(); ++x) {
                    const QRgb on = normal.pixel(x, y), off = disabled.pixel(x, y);
                    bright += qAlpha(off) > qAlpha(on) * 2 / 5 || qRed(off) != qGreen(off) ||
                              qGreen(off) != qBlue(off);
                }
            QCOMPARE(bright, 0);
        }
    }

    void popupAndDropItemsClickTheirMenuItems_data() {
        QTest::addColumn<QString>("item");
        QTest::addColumn<QString>("command");
        const char* pairs[][2] = {{"PopupSave", "MenuSave"},
                                  {"PopupEmail", "MenuEmail"},
                                  {"PopupClipboard", "MenuClipboard"},
                                  {"PopupClose", "MenuClose"},
                                  {"PopupResize", "MenuResize"},
                                  {"PopupCrop", "MenuCrop"},
                                  {"PopupClockwise", "MenuClockwise"},
                                  {"PopupCounter", "MenuCounter"},
                                  {"PopupHorizontally", "MenuHorizontally"},
                                  {"PopupVertically", "MenuVertically"},
                                  {"PopupColor", "MenuColor"},
                                  {"PopupWatermark", "MenuWatermark"},
                                  {"PopupBorder", "MenuBorder"},
                                  {"DropClockwise", "MenuClockwise"},
                                  {"DropCounter", "MenuCounter"},
                                  {"DropHorizontally", "MenuHorizontally"},
                                  {"DropVertically", "MenuVertically"}};
        for (const auto& pair : pairs)
            QTest::newRow(pair[0]) << QString::fromLatin1(pair[0]) << QString::fromLatin1(pair[1]);
    }
    void popupAndDropItemsClickTheirMenuItems() {
        QFETCH(QString, item);
        QFETCH(QString, command);
        auto w = NewWindow();
        QVERIFY(w);
        const auto fired = w->RecordCommands();
        // No photo: the drop-down items are enabled but reach a disabled item.
        w->Action(item)->trigger();
        QCOMPARE(*fired, QStringList());
        QVERIFY(w->platform.log.isEmpty());

        w->Open(Wide());
        fired->clear();
        TWhenModal dialog(
            command, [](QWidget* shown) { shown->close(); },
            command == QLatin1String("MenuResize") ? TWhenModal::Required : TWhenModal::Optional);
        w->Action(item)->trigger();
        QCOMPARE(*fired, QStringList{command});
    }

    void rightClickInThePhotoAreaOpensThePopup() {
        auto w = NewWindow();
        QVERIFY(w);
        auto* popup = w->form.findChild<QMenu*>(QStringLiteral("PopupMenu"));
        // Anywhere in the area: on the photo as well as beside it.
        w->Open(SavePng(QStringLiteral("small.png"), SolidImage(100, 50, kBlue)));
        QWidget* viewport = w->ScrollBox()->viewport();
        for (QWidget* target : {static_cast<QWidget*>(w->form.View()), viewport}) {
            const QPoint at = target == viewport ? QPoint(2, 2) : QPoint(10, 10);
            QContextMenuEvent event(QContextMenuEvent::Mouse, at, target->mapToGlobal(at));
            QApplication::sendEvent(target, &event);
            QVERIFY(ProcessEventsUntil("the context menu", [popup] { return popup->isVisible(); }));
            popup->hide();
        }
    }

    void rotatingRecentresThePhoto() {
        auto w = NewWindow();
        QVERIFY(w);
        QScrollArea* box = w->ScrollBox();
        QWidget* view = w->form.View();
        // Centred where smaller than the area, at the top-left corner where larger, with
        // the scroll bars at 0.
        const auto placed = [&] {
            const QSize area = box->viewport()->size();
            const QSize size = view->size();
            const int x = size.width() < area.width() ? (area.width() - size.width()) / 2 : 0;
            const int y = size.height() < area.height() ? (area.height() - size.height()) / 2 : 0;
            // Scroll bars where the photo is larger than the area, with its overhang as range.
            const auto bar = [](QScrollBar* bar, int photo, int area) {
                return bar->value() == 0 && bar->isVisible() == (photo > area) &&
                       bar->maximum() == std::max(photo - area, 0);
            };
            return size == w->form.Photo().DisplaySize() && view->pos() == QPoint(x, y) &&
                   bar(box->horizontalScrollBar(), size.width(), area.width()) &&
                   bar(box->verticalScrollBar(), size.height(), area.height());
        };
        // In place at once, and still after the events that follow.
        const auto placedNowAndLater = [&] {
            return placed() && ProcessPendingEvents() && placed();
        };
        w->Open(SavePng(QStringLiteral("r300.png"), SolidImage(300, 100, kBlue)));
        QCOMPARE(view->size(), QSize(300, 100));
        QVERIFY(placedNowAndLater());

        QTest::keyClick(&w->form, Qt::Key_Right, Qt::ControlModifier);
        QCOMPARE(w->form.Photo().Info()->Rotate, 270);
        QCOMPARE(view->size(), QSize(100, 300));
        QVERIFY(placedNowAndLater());

        // Larger than the area: scrolled away, then rendered again.
        w->Action(QStringLiteral("Menu300"))->trigger();
        QCOMPARE(view->size(), QSize(300, 900));
        // The zoom keeps the centre, but the scroll bar is there at once.
        QVERIFY(box->verticalScrollBar()->isVisible());
        QCOMPARE(box->verticalScrollBar()->maximum(), 900 - box->viewport()->height());
        box->verticalScrollBar()->setValue(box->verticalScrollBar()->maximum());
        QVERIFY(view->pos().y() < 0);
        w->Action(QStringLiteral("DropCounter"))->trigger();
        QCOMPARE(w->form.Photo().Info()->Rotate, 0);
        QCOMPARE(view->size(), QSize(900, 300));
        QVERIFY(placedNowAndLater());
        QCOMPARE(view->pos().x(), 0);
        QVERIFY(view->pos().y() > 0);

        // Apply in an edit dialog renders again: the same.
        box->horizontalScrollBar()->setValue(box->horizontalScrollBar()->maximum());
        w->form.Photo().Info()->Rotate = 90;
        w->form.Photo().Render();
        QCOMPARE(view->size(), QSize(300, 900));
        QVERIFY(placedNowAndLater());
    }

    // With no photo the area says how to begin; a photo covers nothing but itself.
    void emptyAreaSaysHowToBegin() {
        auto w = NewWindow();
        QVERIFY(w);
        QScrollArea* box = w->ScrollBox();
        const auto foreign = [&] {  // pixels of the area outside the photo not in its colour
            const QImage shown = box->viewport()->grab().toImage();
            const QRgb background = box->viewport()->palette().color(QPalette::Window).rgb();
            const QRect photo = w->form.Photo().Info() ? w->form.View()->geometry() : QRect();
            int count = 0;
            for (int y = 0; y < shown.height(); ++y)
                for (int x = 0; x < shown.width(); ++x)
                    count += !photo.contains(x, y) && shown.pixel(x, y) != background;
            return count;
        };
        QVERIFY(foreign() > 0);
        QVERIFY(box->accessibleDescription().contains(QLatin1String("Open")));
        QVERIFY(box->accessibleDescription().contains(QLatin1String("drop")));

        w->Open(SavePng(QStringLiteral("small.png"), SolidImage(30, 20, kRed)));
        QCOMPARE(foreign(), 0);
        QCOMPARE(box->accessibleDescription(), QString());

        w->Action(QStringLiteral("MenuClose"))->trigger();
        QVERIFY(foreign() > 0);
    }

    void viewPaintsTheRenderedPhotoByNearestPixel() {
        auto w = NewWindow();
        QVERIFY(w);
        w->Open(SavePng(QStringLiteral("pattern.png"), PatternImage(40, 30)));
        w->Action(QStringLiteral("Menu300"))->trigger();
        const QImage shown = w->form.View()->grab().toImage();
        QCOMPARE(shown.size(), QSize(120, 90));
        const QImage& rendered = w->form.Photo().Rendered();
        for (int y = 0; y < 90; y += 7)
            for (int x = 0; x < 120; x += 5)
                QCOMPARE(PixelRgb(shown, x, y), PixelRgb(rendered, x / 3, y / 3));
    }

    void okForAllSpreadsTheResizeSettings_data() {
        QTest::addColumn<QStringList>("clicks");  // in the dialog, in order
        QTest::addColumn<int>("currentMax");
        QTest::addColumn<int>("othersMax");
        QTest::addColumn<bool>("othersKeep");
        QTest::newRow("OK for All")
            << QStringList{"RadioButton400", "CheckBoxKeep", "ButtonAll"} << 400 << 400 << false;
        QTest::newRow("OK") << QStringList{"RadioButton400", "CheckBoxKeep", "ButtonOK"} << 400
                            << 640 << true;
        QTest::newRow("Cancel after Apply")
            << QStringList{"RadioButton200", "ButtonApply", "ButtonCancel"} << 640 << 640 << true;
        QTest::newRow("close box after Apply")
            << QStringList{"RadioButton200", "ButtonApply", "close"} << 200 << 640 << true;
    }
    void okForAllSpreadsTheResizeSettings() {
        QFETCH(QStringList, clicks);
        QFETCH(int, currentMax);
        QFETCH(int, othersMax);
        QFETCH(bool, othersKeep);
        auto w = NewWindow();
        QVERIFY(w);
        for (const char* name : {"s0.png", "s1.png", "s2.png"})
            w->Open(PhotoNamed(QLatin1String(name)));
        w->form.SelectPhoto(1);
        TPhotoInfo* current = w->form.Photo().Info();
        QCOMPARE(current->Max, 640);

        QString dialogName;
        QList<int> widthsSeen;  // the current photo's rendered width after each click
        TWhenModal resize(QStringLiteral("the Resize dialog"), [&](QWidget* dialog) {
            dialogName = dialog->objectName();
            for (const QString& name : clicks) {
                if (name == QLatin1String("close")) {
                    dialog->close();
                } else {
                    auto* button = dialog->findChild<QAbstractButton*>(name);
                    QVERIFY(button);
                    button->click();
                }
                widthsSeen << w->form.Photo().Rendered().width();
            }
        });
        QTest::mouseClick(w->form.findChild<QToolButton*>(QStringLiteral("ToolButtonResize")),
                          Qt::LeftButton);

        QCOMPARE(dialogName, QStringLiteral("FormResize"));
        QCOMPARE(widthsSeen.size(), clicks.size());
        if (clicks.contains(QStringLiteral("ButtonApply")))
            QCOMPARE(widthsSeen[clicks.indexOf(QStringLiteral("ButtonApply"))], 200);
        QCOMPARE(w->form.Photo().Info(), current);
        QCOMPARE(current->Max, currentMax);
        QCOMPARE(current->Keep, !clicks.contains(QStringLiteral("CheckBoxKeep")));
        QCOMPARE(w->form.Photo().Rendered().width(), currentMax);
        for (int i : {0, 2}) {
            QCOMPARE(w->form.Photos().Record(i)->Max, othersMax);
            QCOMPARE(w->form.Photos().Record(i)->Keep, othersKeep);
        }
        // Another photo shows its settings when it is next selected.
        w->Action(QStringLiteral("MenuFirst"))->trigger();
        QCOMPARE(w->Current(), 0);
        QCOMPARE(w->form.Photo().Rendered().width(), othersMax);
    }

    // Where the screen has room, so that Apply shows its result on the photo.
    void editDialogsOpenBesideThePhoto_data() {
        QTest::addColumn<QString>("command");
        for (const char* command :
             {"MenuResize", "MenuCrop", "MenuColor", "MenuWatermark", "MenuBorder"})
            QTest::newRow(command) << QString::fromLatin1(command);
    }
    void editDialogsOpenBesideThePhoto() {
        QFETCH(QString, command);
        TWindow w;
        w.form.setGeometry(0, 0, 300, 300);
        QVERIFY(ShowActive(&w.form));
        w.Open(SavePng(QStringLiteral("beside.png"), SolidImage(120, 90, kBlue)));
        QVERIFY(ProcessPendingEvents());
        QWidget* view = w.form.View();
        const QPoint middle = view->mapToGlobal(view->rect().center());
        const QRect screen = w.form.screen()->availableGeometry();
        QRect placed;
        TWhenModal dialog(command, [&](QWidget* shown) {
            placed = shown->frameGeometry();
            shown->close();
        });
        w.Action(command)->trigger();
        QVERIFY(!placed.contains(middle));
        QVERIFY(screen.contains(placed));
    }

    void openingCarriesSettingsOnlyWithCurrentSettings_data() {
        QTest::addColumn<QString>("command");
        QTest::addColumn<bool>("carried");
        QTest::newRow("Open with Current Settings") << "MenuCurrent" << true;
        QTest::newRow("Open") << "MenuOpen" << false;
    }
    void openingCarriesSettingsOnlyWithCurrentSettings() {
        QFETCH(QString, command);
        QFETCH(bool, carried);
        auto w = NewWindow();
        QVERIFY(w);
        w->Open(Wide());
        TPhotoInfo& first = *w->form.Photo().Info();
        first.Crop = TRect{10, 10, 200, 100};
        first.Ratio = 2;
        first.Rotate = 90;
        first.Contrast = 20;
        first.Red = -5;
        first.Grayscale = true;
        first.Negative = true;
        first.Max = 300;
        first.Watermark = QStringLiteral("(c) me");
        first.Outside = TBorder{7, 0x0000FF};
        first.MaskName = QStringLiteral("oval.png");
        w->form.Photo().Render();

        const QString second = PhotoNamed(QStringLiteral("second.png"));
        w->platform.openFiles.push_back(second);
        w->Action(command)->trigger();

        QCOMPARE(w->Strip()->Count(), 2);
        const TPhotoInfo& added = *w->form.Photo().Info();
        QCOMPARE(added.FileName, second);
        QCOMPARE(added.Crop, TRect{});
        QCOMPARE(added.Rotate, 0);
        QCOMPARE(added.Contrast, 0);
        QCOMPARE(added.Red, 0);
        QCOMPARE(added.Grayscale, false);
        QCOMPARE(added.Negative, false);
        const TPhotoInfo defaults;
        QCOMPARE(added.Ratio, carried ? 2 : 0);
        QCOMPARE(added.Max, carried ? 300 : defaults.Max);
        QCOMPARE(added.Watermark, carried ? QStringLiteral("(c) me") : defaults.Watermark);
        QCOMPARE(added.Outside, carried ? (TBorder{7, 0x0000FF}) : defaults.Outside);
        QCOMPARE(added.MaskName, carried ? QStringLiteral("oval.png") : defaults.MaskName);
        // The first photo keeps its own edits.
        QCOMPARE(w->form.Photos().Record(0)->Rotate, 90);
        QCOMPARE(w->form.Photos().Record(0)->Grayscale, true);
    }

    void backgroundIsReadAtStart_data() {
        QTest::addColumn<QByteArray>("file");
        // A fixed colour, or else a system colour: the palette entry that stands for it.
        QTest::addColumn<QColor>("expected");
        QTest::addColumn<int>("role");
        const auto row = [](const char* name, const char* value, QColor expected,
                            QPalette::ColorRole role = QPalette::Base) {
            const QByteArray file =
                value ? QByteArray("[OTHER]\nBACKGROUND=clLime\n[APPLICAITON]\nBACKGROUND=") +
                            value + '\n'
                      : QByteArray();
            QTest::newRow(name) << file << expected << int(role);
        };
        row("no file", nullptr, QColor());
        row("named colour", "clRed", QColor(Qt::red));
        row("any case", "CLNAVY", QColor(0, 0, 0x80));
        row("hexadecimal, blue green red", "$00FF8000", QColor(0, 0x80, 0xFF));
        row("system window colour", "clWindow", QColor());
        row("system button face", "clBtnFace", QColor(), QPalette::Button);
        row("not a colour", "sky", QColor());
        row("no colour at all", "clNone", QColor());
    }
    void backgroundIsReadAtStart() {
        QFETCH(QByteArray, file);
        QFETCH(QColor, expected);
        QFETCH(int, role);
        if (!file.isEmpty()) WriteBytes(ProgramFolder(), QStringLiteral("Vellumora.dat"), file);
        auto w = NewWindow();
        QVERIFY(w);
        if (!expected.isValid()) expected = w->form.palette().color(QPalette::ColorRole(role));
        QCOMPARE(w->form.Background(), expected);
        // The area shows it around a photo smaller than itself.
        w->Open(SavePng(QStringLiteral("tiny.png"), SolidImage(10, 10, kBlue)));
        const QImage area = w->ScrollBox()->viewport()->grab().toImage();
        QCOMPARE(area.pixelColor(1, 1), expected);
    }

    void backgroundIsChosenAndStored_data() {
        QTest::addColumn<bool>("choose");
        QTest::addColumn<bool>("refused");
        QTest::newRow("chosen") << true << false;
        QTest::newRow("cancelled") << false << false;
        QTest::newRow("file refused") << true << true;
    }
    void backgroundIsChosenAndStored() {
        QFETCH(bool, choose);
        QFETCH(bool, refused);
        const QString settings = ApplicationSettingsFile();
        if (refused)
            QVERIFY(QDir().mkpath(settings));  // a folder where the file should be
        else
            WriteBytes(ProgramFolder(), QStringLiteral("Vellumora.dat"),
                       "[OTHER]\nKEY=kept\n[APPLICAITON]\nBACKGROUND=clRed\n");
        auto w = NewWindow();
        QVERIFY(w);
        const QColor before = w->form.Background();
        const QColor chosen(0x12, 0x34, 0x56);
        if (choose) w->platform.colors.push_back(chosen);

        w->Action(QStringLiteral("MenuBackground"))->trigger();

        QCOMPARE(w->platform.log.value(0), QStringLiteral("color: ") + before.name());
        QCOMPARE(w->form.Background(), choose ? chosen : before);
        if (refused) {
            QCOMPARE(w->platform.log.value(1),
                     QStringLiteral("error: Unable to write to ") + settings);
            return;
        }
        QCOMPARE(w->platform.log.size(), 1);
        const TIniFile file(settings);
        QCOMPARE(file.ReadString(QStringLiteral("APPLICAITON"), QStringLiteral("BACKGROUND")),
                 choose ? QStringLiteral("$00563412") : QStringLiteral("clRed"));
        QCOMPARE(file.ReadString(QStringLiteral("OTHER"), QStringLiteral("KEY")),
                 QStringLiteral("kept"));
        // The next start reads it back.
        w.reset();
        auto again = NewWindow();
        QVERIFY(again);
        QCOMPARE(again->form.Background(), choose ? chosen : QColor(Qt::red));
    }

    void windowPlaceIsKeptForTheNextStart_data() {
        QTest::addColumn<bool>("maximised");
        QTest::addColumn<bool>("refused");
        QTest::newRow("normal") << false << false;
        QTest::newRow("maximised") << true << false;
        QTest::newRow("file refused") << false << true;
    }
    void windowPlaceIsKeptForTheNextStart() {
        QFETCH(bool, maximised);
        QFETCH(bool, refused);
        const QString settings = ApplicationSettingsFile();
        if (refused)
            QVERIFY(QDir().mkpath(settings));  // a folder where the file should be
        else
            WriteBytes(ProgramFolder(), QStringLiteral("Vellumora.dat"),
                       "[APPLICAITON]\nBACKGROUND=clRed\n");
        const QRect place(120, 90, 500, 380);
        {
            TWindow w;
            w.form.setGeometry(place);
            if (maximised) w.form.setWindowState(Qt::WindowMaximized);
            QVERIFY(ShowActive(&w.form));
            w.Open(Wide());
            w.platform.answers.push_back(true);  // the quit prompt
            w.Action(QStringLiteral("MenuExit"))->trigger();
            QVERIFY(!w.form.isVisible());
            QCOMPARE(w.platform.log.filter(QStringLiteral("error:")), QStringList());
        }
        if (refused) return;
        const TIniFile file(settings);
        QCOMPARE(file.ReadString(QStringLiteral("APPLICAITON"), QStringLiteral("BACKGROUND")),
                 QStringLiteral("clRed"));
        QStringList stored;
        for (const char* key : {"LEFT", "TOP", "WIDTH", "HEIGHT", "MAXIMIZED"})
            stored << file.ReadString(QStringLiteral("WINDOW"), QLatin1String(key));
        QCOMPARE(stored.join(QLatin1Char(' ')),
                 QStringLiteral("120 90 500 380 %1").arg(int(maximised)));

        TWindow again;
        again.form.ShowAtStoredPlace();
        QCOMPARE(again.form.isMaximized(), maximised);
        QCOMPARE(again.form.normalGeometry(), place);
    }

    void exportAndHelpCommandsReachTheDesktop_data() {
        QTest::addColumn<QString>("command");
        QTest::addColumn<QString>("logged");  // the start of the desktop request expected
        QTest::newRow("Save As") << "MenuSave"
                                 << "save: Save As";
        QTest::newRow("Send Email To") << "MenuEmail"
                                       << "mail: ";
        QTest::newRow("Copy to Clipboard") << "MenuClipboard"
                                           << "clipboard";
        QTest::newRow("Homepage") << "MenuHomepage"
                                  << "url: " + HomepageUrl().toString();
    }
    void exportAndHelpCommandsReachTheDesktop() {
        QFETCH(QString, command);
        QFETCH(QString, logged);
        auto w = NewWindow();
        QVERIFY(w);
        w->Open(Wide());
        w->platform.log.clear();
        w->Action(command)->trigger();
        QCOMPARE(w->platform.log.size(), 1);
        if (command == QLatin1String("MenuEmail"))
            QCOMPARE(w->platform.mailed,
                     QStringList{ProgramFolder() + QStringLiteral("/Vellumora.jpg")});
        else
            QVERIFY2(w->platform.log[0].startsWith(logged), qPrintable(w->platform.log[0]));
        if (command == QLatin1String("MenuClipboard"))
            QCOMPARE(w->platform.clipboard.size(), QSize(640, 320));
        if (command == QLatin1String("MenuSave"))
            QCOMPARE(w->platform.lastSavePreset, dir_.filePath(QStringLiteral("Vellumora_wide")));
    }

    // F1 shows the guide in a window of the program: its pages are followed there, web
    // addresses go to the desktop, and F1 again brings back the same window.
    void helpWindowShowsTheGuide() {
        QVERIFY2(!HelpIndexFile().isEmpty(), "no help/index.html in the shipped data");
        auto w = NewWindow();
        QVERIFY(w);
        QTest::keyClick(&w->form, Qt::Key_F1);
        TFormHelp* help = w->form.Help();
        QVERIFY(help && help->isVisible());
        QTextBrowser* browser = help->Browser();
        QCOMPARE(browser->source(), QUrl::fromLocalFile(HelpIndexFile()));
        QVERIFY(browser->toPlainText().contains(QStringLiteral("Vellumora")));
        QVERIFY(w->platform.log.isEmpty());

        emit browser->anchorClicked(QUrl(QStringLiteral("keys.html")));
        QCOMPARE(browser->source().fileName(), QStringLiteral("keys.html"));
        const auto button = [help](const char* name) {
            return help->findChild<QPushButton*>(QLatin1String(name));
        };
        QVERIFY(button("ButtonBack")->isEnabled());
        const QUrl web(QStringLiteral("https://example.org/page"));
        emit browser->anchorClicked(web);
        QCOMPARE(w->platform.opened, QList<QUrl>{web});
        QCOMPARE(browser->source().fileName(), QStringLiteral("keys.html"));

        button("ButtonBack")->click();
        QCOMPARE(browser->source().fileName(), QStringLiteral("index.html"));
        for (const char* name :
             {"ButtonBack", "ButtonForward", "ButtonContents", "ButtonBrowser", "ButtonClose"}) {
            QAccessibleInterface* face = QAccessible::queryAccessibleInterface(button(name));
            QVERIFY2(face && !face->text(QAccessible::Name).isEmpty(), name);
            QCOMPARE(button(name)->focusPolicy() & Qt::TabFocus, Qt::TabFocus);
        }
        button("ButtonClose")->click();
        QVERIFY(!help->isVisible());
        QTest::keyClick(&w->form, Qt::Key_F1);
        QCOMPARE(w->form.Help(), help);
        QVERIFY(help->isVisible());
    }

    // The box at start offers "Show at start", ticked; untick it and the next start opens
    // no box. The choice stays in the settings file beside what else the file holds; the
    // box from the Help menu offers no such choice.
    void startUpShowsTheAboutBoxThenOpensThePhotos_data() {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<bool>("untick");
        QTest::addColumn<bool>("shown");
        QTest::addColumn<QString>("stored");  // SHOWABOUT afterwards, "-" when absent
        const QByteArray other = "[APPLICAITON]\r\nBACKGROUND=clRed\r\n";
        QTest::newRow("first start") << QByteArray() << false << true << "-";
        QTest::newRow("unticked") << QByteArray() << true << true << "0";
        QTest::newRow("unticked beside the colour") << other << true << true << "0";
        QTest::newRow("turned off before") << (other + "SHOWABOUT=0\r\n") << false << false << "0";
        QTest::newRow("left on") << (other + "SHOWABOUT=1\r\n") << false << true << "1";
    }
    void startUpShowsTheAboutBoxThenOpensThePhotos() {
        QFETCH(QByteArray, file);
        QFETCH(bool, untick);
        QFETCH(bool, shown);
        QFETCH(QString, stored);
        if (!file.isEmpty()) WriteBytes(ProgramFolder(), QStringLiteral("Vellumora.dat"), file);
        TFakePlatform platform;
        TOpenPhotos open;
        TFormMain form(platform, open);
        const QStringList photos{PhotoNamed(QStringLiteral("cmd1.png")),
                                 PhotoNamed(QStringLiteral("cmd2.png"))};
        form.SetAboutAtStart(true);
        form.SetStartupPhotos(photos);
        QString seen;
        int openWhileAbout = -1;
        bool offered = false;
        QString spoken;
        TWhenModal about(
            QStringLiteral("the about box"),
            [&](QWidget* dialog) {
                seen = dialog->objectName();
                openWhileAbout = form.Strip()->Count();
                auto* box = dialog->findChild<QCheckBox*>(QStringLiteral("CheckBoxShowAtStart"));
                offered = box && box->isVisible() && box->isChecked() &&
                          box->focusPolicy() & Qt::TabFocus;
                if (QAccessibleInterface* face = QAccessible::queryAccessibleInterface(box))
                    spoken = face->text(QAccessible::Name);
                if (box && untick) box->click();
                dialog->close();
            },
            shown ? TWhenModal::Required : TWhenModal::Optional);
        form.show();
        QVERIFY(ProcessEventsUntil("the two startup photos",
                                   [&form] { return form.Strip()->Count() == 2; }));
        QCOMPARE(about.Seen(), shown);
        if (shown) {
            QCOMPARE(seen, QStringLiteral("FormAbout"));
            QCOMPARE(openWhileAbout, 0);
            QVERIFY(offered);
            QCOMPARE(spoken, QStringLiteral("Show at start"));
        }
        QCOMPARE(form.Photo().Info()->FileName, photos[1]);
        QCOMPARE(form.Strip()->Button(0)->toolTip(), photos[0]);
        const TIniFile settings(ApplicationSettingsFile());
        QCOMPARE(settings.ReadString(QStringLiteral("APPLICAITON"), QStringLiteral("SHOWABOUT"),
                                     QStringLiteral("-")),
                 stored);
        if (!file.isEmpty())
            QCOMPARE(settings.ReadString(QStringLiteral("APPLICAITON"),
                                         QStringLiteral("BACKGROUND"), QString()),
                     QStringLiteral("clRed"));
        // Shown again (restored from minimised, say): nothing happens a second time.
        TWhenModal again(
            QStringLiteral("a second about box"), [](QWidget* dialog) { dialog->close(); },
            TWhenModal::Optional);
        form.hide();
        form.show();
        QVERIFY(ProcessPendingEvents());
        QVERIFY(!again.Seen());
        QCOMPARE(form.Strip()->Count(), 2);
        // From the Help menu: the plain box, whatever was chosen at start.
        bool offeredThere = true;
        TWhenModal help(QStringLiteral("the about box from the menu"), [&](QWidget* dialog) {
            auto* box = dialog->findChild<QCheckBox*>(QStringLiteral("CheckBoxShowAtStart"));
            offeredThere = box && box->isVisible();
            dialog->close();
        });
        form.findChild<QAction*>(QStringLiteral("MenuAbout"))->trigger();
        QVERIFY(!offeredThere);
    }

    // Also when the window gets its place only after the box has opened, as at start.
    void aboutBoxStandsCentredOverTheWindow() {
        TWindow w;
        w.form.setGeometry(60, 40, 500, 400);
        QVERIFY(ShowActive(&w.form));
        const auto offCentre = [&w](QWidget* box) {
            return (box->frameGeometry().center() - w.form.frameGeometry().center())
                .manhattanLength();
        };
        QList<int> seen;
        TWhenModal about(QStringLiteral("the about box"), [&](QWidget* box) {
            seen << offCentre(box);
            w.form.setGeometry(200, 120, 560, 440);
            QVERIFY(ProcessPendingEvents());
            seen << offCentre(box);
            box->close();
        });
        w.Action(QStringLiteral("MenuAbout"))->trigger();
        QCOMPARE(seen.size(), 2);
        QVERIFY2(seen[0] <= 1 && seen[1] <= 1,
                 qPrintable(QStringLiteral("%1 and %2 pixels off").arg(seen[0]).arg(seen[1])));
    }

    void droppedFilesOpen_data() {
        QTest::addColumn<QStringList>("names");
        QTest::addColumn<QStringList>("opened");
        QTest::newRow("two photos and a text") << QStringList{"drop1.png", "notes.txt", "drop2.png"}
                                               << QStringList{"drop1.png", "drop2.png"};
        QTest::newRow("upper-case suffix") << QStringList{"DROP3.PNG"} << QStringList{"DROP3.PNG"};
        QTest::newRow("no photo") << QStringList{"notes.txt"} << QStringList{};
    }
    void droppedFilesOpen() {
        QFETCH(QStringList, names);
        QFETCH(QStringList, opened);
        WriteBytes(dir_.path(), QStringLiteral("notes.txt"), "hello");
        QList<QUrl> urls;
        for (const QString& name : names) {
            if (!name.endsWith(QLatin1String(".txt"))) PhotoNamed(name);
            urls << QUrl::fromLocalFile(dir_.filePath(name));
        }
        auto w = NewWindow();
        QVERIFY(w);
        QMimeData data;
        data.setUrls(urls);
        const QPoint at = w->ScrollBox()->geometry().center();
        QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&w->form, &enter);
        QCOMPARE(enter.isAccepted(), !opened.isEmpty());
        QDropEvent drop(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&w->form, &drop);

        QStringList shown;
        for (int i = 0; i < w->Strip()->Count(); ++i)
            shown << QFileInfo(w->form.Photos().Record(i)->FileName).fileName();
        QCOMPARE(shown, opened);
        if (!opened.isEmpty()) QCOMPARE(w->Current(), opened.size() - 1);
    }
};

QTEST_MAIN(TestFormMain)
#include "test_formmain.moc"
