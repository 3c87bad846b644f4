// The keys and pointer gestures of the main window beyond its menu table's own: zoom steps
// and fitting, zoom about a point, dragging a zoomed photo, full screen, Space and
// Backspace, the menus' Alt letters and opening several files at once.

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QScrollArea>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <QWheelEvent>
#include <memory>

#include "forms/main/FormMain.h"
#include "forms/main/PhotoView.h"
#include "forms/main/Zoom.h"
#include "photos/settings/ProgramFolder.h"
#include "support/FakePlatform.h"
#include "support/MainWindow.h"
#include "support/Modal.h"
#include "support/TestSupport.h"

using namespace vellumora;
using namespace vellumora::test;

namespace {

struct TWindow : TMainWindow {
    QScrollArea* Box() const { return form.findChild<QScrollArea*>(QStringLiteral("ScrollBox")); }
    QWidget* Area() const { return Box()->viewport(); }
    QPoint Scroll() const {
        return {Box()->horizontalScrollBar()->value(), Box()->verticalScrollBar()->value()};
    }
    // The point of the picture, in rendered pixels, shown at p of the photo area.
    QPointF PictureAt(QPoint p) const {
        const QWidget* view = form.View();
        const QSize rendered = const_cast<TFormMain&>(form).Photo().Rendered().size();
        return {double(p.x() - view->x()) * rendered.width() / view->width(),
                double(p.y() - view->y()) * rendered.height() / view->height()};
    }
};

// Close enough that the point is the same one once the zoom has rounded the sizes.
bool Near(QPointF a, QPointF b) {
    return std::abs(a.x() - b.x()) <= 2 && std::abs(a.y() - b.y()) <= 2;
}

}  // namespace

class TestKeys : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    QTemporaryDir home_;

    QString Photo(const QString& name, QSize size = {1000, 500}) {
        return SavePng(dir_.path(), name, PatternImage(size.width(), size.height()));
    }
    std::unique_ptr<TWindow> NewWindow(int photos = 0) {
        auto w = NewShownWindow<TWindow>();
        if (!w) return nullptr;
        for (int i = 0; i < photos; ++i) w->Open(Photo(QStringLiteral("k%1.png").arg(i)));
        return w;
    }

private slots:
    void initTestCase() {
        QVERIFY(dir_.isValid());
        QVERIFY(home_.isValid());
        qputenv("XDG_DATA_HOME", home_.path().toUtf8());
        QVERIFY(PrepareProgramFolder(QString()));
    }

    void zoomRules_data() {
        QTest::addColumn<int>("zoom");
        QTest::addColumn<int>("in");
        QTest::addColumn<int>("out");
        QTest::newRow("actual size") << 100 << 150 << 67;
        QTest::newRow("smallest") << 33 << 50 << 33;
        QTest::newRow("largest") << 300 << 300 << 200;
        QTest::newRow("between levels") << 80 << 100 << 67;
    }
    void zoomRules() {
        QFETCH(int, zoom);
        QFETCH(int, in);
        QFETCH(int, out);
        QCOMPARE(StepZoom(zoom, 1), in);
        QCOMPARE(StepZoom(zoom, -1), out);
    }

    void fitPicksTheLargestLevelThatFits_data() {
        QTest::addColumn<QSize>("picture");
        QTest::addColumn<QSize>("area");
        QTest::addColumn<int>("zoom");
        QTest::newRow("small photo") << QSize(200, 100) << QSize(800, 400) << 300;
        QTest::newRow("exactly at 200%") << QSize(400, 200) << QSize(800, 400) << 200;
        QTest::newRow("one pixel short of 200%") << QSize(400, 200) << QSize(799, 400) << 150;
        QTest::newRow("tall photo") << QSize(300, 1200) << QSize(800, 600) << 50;
        // 1001 * 67 / 100 truncates to 670.
        QTest::newRow("truncated as the photo sizes itself")
            << QSize(1001, 100) << QSize(670, 400) << 67;
        QTest::newRow("too large even at 33%") << QSize(9000, 9000) << QSize(800, 600) << 33;
        QTest::newRow("no picture") << QSize() << QSize(800, 600) << 100;
    }
    void fitPicksTheLargestLevelThatFits() {
        QFETCH(QSize, picture);
        QFETCH(QSize, area);
        QFETCH(int, zoom);
        QCOMPARE(FitZoom(picture, area), zoom);
    }

    // The keys of the commands added to the table, each firing its command alone.
    void newKeys_data() {
        QTest::addColumn<QKeyCombination>("key");
        QTest::addColumn<QString>("command");
        QTest::newRow("Ctrl+Z") << (Qt::CTRL | Qt::Key_Z) << "MenuUndo";
        QTest::newRow("Ctrl+Shift+Z") << (Qt::CTRL | Qt::SHIFT | Qt::Key_Z) << "MenuRedo";
        QTest::newRow("Ctrl+Y") << (Qt::CTRL | Qt::Key_Y) << "MenuRedo";
        QTest::newRow("Ctrl++") << (Qt::CTRL | Qt::Key_Plus) << "MenuZoomIn";
        QTest::newRow("Ctrl+=") << (Qt::CTRL | Qt::Key_Equal) << "MenuZoomIn";
        QTest::newRow("Ctrl+keypad +")
            << QKeyCombination(Qt::ControlModifier | Qt::KeypadModifier, Qt::Key_Plus)
            << "MenuZoomIn";
        QTest::newRow("Ctrl+Alt++") << (Qt::CTRL | Qt::ALT | Qt::Key_Plus) << "MenuZoomIn";
        QTest::newRow("Ctrl+-") << (Qt::CTRL | Qt::Key_Minus) << "MenuZoomOut";
        QTest::newRow("Ctrl+keypad -")
            << QKeyCombination(Qt::ControlModifier | Qt::KeypadModifier, Qt::Key_Minus)
            << "MenuZoomOut";
        QTest::newRow("Ctrl+0") << (Qt::CTRL | Qt::Key_0) << "MenuFit";
        QTest::newRow("F11") << QKeyCombination(Qt::Key_F11) << "MenuFullScreen";
        QTest::newRow("Ctrl+Q") << (Qt::CTRL | Qt::Key_Q) << "MenuExit";
        QTest::newRow("Space") << QKeyCombination(Qt::Key_Space) << "MenuNext";
        QTest::newRow("Backspace") << QKeyCombination(Qt::Key_Backspace) << "MenuPrevious";
    }
    void newKeys() {
        QFETCH(QKeyCombination, key);
        QFETCH(QString, command);
        auto w = NewWindow(3);
        QVERIFY(w);
        w->form.SelectPhoto(1);
        // A step to undo and one to redo.
        w->Key(Qt::CTRL | Qt::Key_Right);
        w->Key(Qt::CTRL | Qt::Key_Right);
        w->Action(QStringLiteral("MenuUndo"))->trigger();
        QStringList fired;
        for (QAction* action : w->form.findChildren<QAction*>())
            if (action->objectName().startsWith(QLatin1String("Menu")))
                connect(action, &QAction::triggered, &w->form,
                        [&fired, action] { fired << action->objectName(); });

        w->platform.log.clear();
        w->Key(key);

        QCOMPARE(fired, QStringList{command});
        // Quitting asks first; the prompt's cancel keeps the window.
        if (command == QLatin1String("MenuExit")) {
            QCOMPARE(w->platform.log.filter(QStringLiteral("ask:")).size(), 1);
            QVERIFY(w->form.isVisible());
        }
    }

    void spaceAndBackspaceStepThroughThePhotos() {
        auto w = NewWindow(3);
        QVERIFY(w);
        w->form.SelectPhoto(0);
        const auto current = [&] {
            const int index = w->form.Photos().Current();
            return w->form.Strip()->IsPressed(index) &&
                           w->form.Photos().Record(index) == w->form.Photo().Info()
                       ? index
                       : -2;
        };
        // Typed in the photo area, which leaves them to the window.
        w->Box()->setFocus();
        const auto type = [&](Qt::Key key) {
            QVERIFY(QApplication::focusWidget() == w->Box());
            QTest::keyClick(w->Box(), key);
        };
        type(Qt::Key_Space);
        type(Qt::Key_Space);
        QCOMPARE(current(), 2);
        type(Qt::Key_Space);  // stays at the last
        QCOMPARE(current(), 2);
        type(Qt::Key_Backspace);
        QCOMPARE(current(), 1);
    }

    // Zooming keeps the point at the area's centre (the keys and the menu) or under the
    // pointer (Ctrl+wheel) where it was.
    void zoomingKeepsThePointInView() {
        auto w = NewWindow(1);
        QVERIFY(w);
        w->Action(QStringLiteral("Menu200"))->trigger();
        QVERIFY(ProcessPendingEvents());
        // Away from the middle, so that keeping the point is not re-centring.
        w->Box()->horizontalScrollBar()->setValue(300);
        w->Box()->verticalScrollBar()->setValue(100);
        const QPoint centre = w->Area()->rect().center();
        const QPointF atCentre = w->PictureAt(centre);

        w->Key(Qt::CTRL | Qt::Key_Plus);
        QVERIFY(ProcessPendingEvents());
        QCOMPARE(w->form.Photo().Zoom(), 300);
        QVERIFY(Near(w->PictureAt(centre), atCentre));
        w->Key(Qt::CTRL | Qt::Key_Minus);
        QVERIFY(ProcessPendingEvents());
        QCOMPARE(w->form.Photo().Zoom(), 200);
        QVERIFY(Near(w->PictureAt(centre), atCentre));

        const QPoint pointer(100, 80);
        const QPointF underPointer = w->PictureAt(pointer);
        QWheelEvent wheel(pointer, w->Area()->mapToGlobal(pointer), {}, {0, 120}, Qt::NoButton,
                          Qt::ControlModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(w->Area(), &wheel);
        QVERIFY(ProcessPendingEvents());
        QCOMPARE(w->form.Photo().Zoom(), 300);
        QVERIFY(Near(w->PictureAt(pointer), underPointer));
        // Half a notch does nothing yet; the other half zooms back.
        QWheelEvent half(pointer, w->Area()->mapToGlobal(pointer), {}, {0, -60}, Qt::NoButton,
                         Qt::ControlModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(w->Area(), &half);
        QCOMPARE(w->form.Photo().Zoom(), 300);
        QApplication::sendEvent(w->Area(), &half);
        QCOMPARE(w->form.Photo().Zoom(), 200);
    }

    void fitToWindowShowsTheWholePhoto() {
        auto w = NewWindow(1);
        QVERIFY(w);
        const auto scrolls = [&] {
            return w->Box()->horizontalScrollBar()->maximum() > 0 ||
                   w->Box()->verticalScrollBar()->maximum() > 0;
        };
        w->Action(QStringLiteral("Menu300"))->trigger();
        QVERIFY(ProcessPendingEvents());
        QVERIFY(scrolls());
        w->Key(Qt::CTRL | Qt::Key_0);
        QVERIFY(ProcessPendingEvents());
        QVERIFY(!scrolls());
        // The next level up would not fit.
        const int fitted = w->form.Photo().Zoom();
        w->Key(Qt::CTRL | Qt::Key_Plus);
        QVERIFY(w->form.Photo().Zoom() > fitted);
        QVERIFY(ProcessPendingEvents());
        QVERIFY(scrolls());
    }

    // A left-button drag moves a photo larger than the area with the pointer.
    void aZoomedPhotoIsDragged() {
        auto w = NewWindow(1);
        QVERIFY(w);
        w->Action(QStringLiteral("Menu300"))->trigger();
        QVERIFY(ProcessPendingEvents());
        w->Box()->horizontalScrollBar()->setValue(500);
        w->Box()->verticalScrollBar()->setValue(300);
        QWidget* view = w->form.View();
        const auto send = [&](QEvent::Type type, QPoint at, Qt::MouseButton button,
                              Qt::MouseButtons held) {
            QMouseEvent event(type, at, view->mapToGlobal(at), button, held, Qt::NoModifier);
            QApplication::sendEvent(view, &event);
        };
        const QPoint from = view->mapFrom(w->Area(), QPoint(300, 200));
        send(QEvent::MouseButtonPress, from, Qt::LeftButton, Qt::LeftButton);
        send(QEvent::MouseMove, from + QPoint(-40, 25), Qt::NoButton, Qt::LeftButton);
        send(QEvent::MouseButtonRelease, from + QPoint(-40, 25), Qt::LeftButton, Qt::NoButton);
        QCOMPARE(w->Scroll(), QPoint(540, 275));
        // Once released, moving the pointer moves nothing.
        send(QEvent::MouseMove, from, Qt::NoButton, Qt::NoButton);
        QCOMPARE(w->Scroll(), QPoint(540, 275));
    }

    void f11TogglesFullScreen() {
        auto w = NewWindow();
        QVERIFY(w);
        w->Key(QKeyCombination(Qt::Key_F11));
        QVERIFY(w->form.windowState() & Qt::WindowFullScreen);
        w->Key(QKeyCombination(Qt::Key_F11));
        QVERIFY(!(w->form.windowState() & Qt::WindowFullScreen));
    }

    // Every menu of the menu bar, and every submenu of a menu, has an Alt letter of its
    // own, which no command's key takes.
    void menusHaveAltLettersOfTheirOwn() {
        auto w = NewWindow();
        QVERIFY(w);
        QSet<QKeySequence> keys;
        for (const QAction* action : w->form.actions())
            for (const QKeySequence& key : action->shortcuts()) keys.insert(key);
        const auto check = [&](const QList<QAction*>& items) {
            QSet<QKeySequence> letters;
            for (const QAction* item : items) {
                if (!item->menu()) continue;
                const QKeySequence letter = QKeySequence::mnemonic(item->text());
                QVERIFY2(!letter.isEmpty(), qPrintable(item->text()));
                QVERIFY2(!letters.contains(letter), qPrintable(item->text()));
                QVERIFY2(!keys.contains(letter), qPrintable(item->text()));
                letters.insert(letter);
            }
            QVERIFY(!letters.isEmpty());
        };
        check(w->form.menuBar()->actions());
        check(w->form.findChild<QMenu*>(QStringLiteral("MenuFile"))->actions());
    }

    // Several files chosen at once open in the order chosen, the last one current.
    void openTakesSeveralFiles() {
        auto w = NewWindow();
        QVERIFY(w);
        const QStringList chosen{Photo(QStringLiteral("c.png"), {40, 30}),
                                 Photo(QStringLiteral("a.png"), {30, 40}),
                                 Photo(QStringLiteral("b.png"), {50, 20})};
        w->platform.openFileLists.push_back(chosen);
        w->Key(Qt::CTRL | Qt::Key_O);
        QCOMPARE(w->form.Strip()->Count(), 3);
        for (int i = 0; i < 3; ++i) QCOMPARE(w->form.Photos().Record(i)->FileName, chosen[i]);
        QCOMPARE(w->form.Photo().Info(), w->form.Photos().Record(2));
        QCOMPARE(w->form.Photo().Rendered().size(), QSize(50, 20));
    }
};

QTEST_MAIN(TestKeys)
#include "test_keys.moc"
