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
#include <QStatusBar>
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
        QTest::newRow("smallest of the menu") << 33 << 50 << 25;
        QTest::newRow("smallest") << 5 << 10 << 5;
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
        QTest::newRow("one pixel short of 200%") << QSize(400, 200) << QSize(799, 400) << 199;
        QTest::newRow("tall photo") << QSize(300, 1200) << QSize(800, 600) << 50;
        // 1001 * 67 / 100 truncates to 670.
        QTest::newRow("truncated as the photo sizes itself")
            << QSize(1001, 100) << QSize(670, 400) << 67;
        // A 24-megapixel photo in the area of an 800 x 600 window, and in a smaller one.
        QTest::newRow("24 MP photo") << QSize(6000, 4000) << QSize(800, 470) << 11;
        QTest::newRow("24 MP photo, small window") << QSize(6000, 4000) << QSize(576, 300) << 7;
        QTest::newRow("too large even at 5%") << QSize(90000, 90000) << QSize(800, 600) << 5;
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
    // pointer (Ctrl+wheel) where it was, with the scroll bars the new size needs, at once
    // and after the events that follow.
    void zoomingKeepsThePointInView_data() {
        QTest::addColumn<QString>("from");   // the zoom item chosen first
        QTest::addColumn<QPoint>("scroll");  // then scrolled to
        QTest::addColumn<int>("notches");    // of the wheel at the pointer; 0: the keys
        QTest::addColumn<int>("step");       // Zoom In (1) or Out (-1) by key
        QTest::addColumn<int>("zoom");
        const QPoint none;
        // Of a 2000 x 1000 photo in an area of about 800 x 470: every point chosen can stay
        // within the scrolling range.
        QTest::newRow("key in, scrolled") << "Menu100" << QPoint(300, 100) << 0 << 1 << 150;
        QTest::newRow("key out, scrolled") << "Menu150" << QPoint(600, 300) << 0 << -1 << 100;
        QTest::newRow("key in, from a photo that fits") << "Menu33" << none << 0 << 1 << 50;
        QTest::newRow("key out, below the menu's levels") << "Menu33" << none << 0 << -1 << 25;
        QTest::newRow("wheel in, scrolled") << "Menu100" << QPoint(300, 100) << 1 << 0 << 150;
        QTest::newRow("wheel in, from a photo that fits") << "Menu33" << none << 1 << 0 << 50;
        QTest::newRow("wheel out, scrolled") << "Menu150" << QPoint(600, 300) << -1 << 0 << 100;
    }
    void zoomingKeepsThePointInView() {
        QFETCH(QString, from);
        QFETCH(QPoint, scroll);
        QFETCH(int, notches);
        QFETCH(int, step);
        QFETCH(int, zoom);
        auto w = NewWindow();
        QVERIFY(w);
        w->Open(Photo(QStringLiteral("anchor.png"), {2000, 1000}));
        w->form.Photo().Info()->Max = 0;  // at its own size, not the default template's
        w->form.Photo().Render();
        w->Action(from)->trigger();
        QVERIFY(ProcessPendingEvents());
        w->Box()->horizontalScrollBar()->setValue(scroll.x());
        w->Box()->verticalScrollBar()->setValue(scroll.y());
        // Off the middle, so that keeping the point is not re-centring; over the photo.
        const QWidget* view = w->form.View();
        const QPoint pointer(view->x() >= 0 ? view->x() + 200 : 100,
                             view->y() >= 0 ? view->y() + 165 : 80);
        const QPointF under = w->PictureAt(notches ? pointer : w->Area()->rect().center());

        if (notches) {
            QWheelEvent wheel(pointer, w->Area()->mapToGlobal(pointer), {}, {0, 120 * notches},
                              Qt::NoButton, Qt::ControlModifier, Qt::NoScrollPhase, false);
            QApplication::sendEvent(w->Area(), &wheel);
        } else {
            w->Key(Qt::CTRL | (step > 0 ? Qt::Key_Plus : Qt::Key_Minus));
        }

        QCOMPARE(w->form.Photo().Zoom(), zoom);
        // The centre of the area as it is now: scroll bars may have come.
        const auto kept = [&] {
            return Near(w->PictureAt(notches ? pointer : w->Area()->rect().center()), under);
        };
        const auto bars = [&] {
            const QSize photo = w->form.View()->size();
            const QSize area = w->Area()->size();
            const auto bar = [](QScrollBar* bar, int photo, int area) {
                return bar->isVisible() == (photo > area) &&
                       bar->maximum() == std::max(photo - area, 0);
            };
            return bar(w->Box()->horizontalScrollBar(), photo.width(), area.width()) &&
                   bar(w->Box()->verticalScrollBar(), photo.height(), area.height());
        };
        QVERIFY(kept());
        QVERIFY(bars());
        QVERIFY(ProcessPendingEvents());
        QVERIFY(kept());
        QVERIFY(bars());
    }

    // A notch is 120; parts of one add up.
    void wheelNotchesAddUp() {
        auto w = NewWindow(1);
        QVERIFY(w);
        w->Action(QStringLiteral("Menu300"))->trigger();
        const QPoint pointer(100, 80);
        QWheelEvent half(pointer, w->Area()->mapToGlobal(pointer), {}, {0, -60}, Qt::NoButton,
                         Qt::ControlModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(w->Area(), &half);
        QCOMPARE(w->form.Photo().Zoom(), 300);
        QApplication::sendEvent(w->Area(), &half);
        QCOMPARE(w->form.Photo().Zoom(), 200);
    }

    // Fit to Window fits the whole photo and goes on fitting through whatever changes the
    // photo or the area, until a zoom is chosen.
    void fitToWindowShowsTheWholePhoto_data() {
        QTest::addColumn<QString>("change");
        QTest::addColumn<bool>("fitting");  // afterwards
        QTest::newRow("nothing") << "" << true;
        QTest::newRow("a large photo opened") << "open" << true;
        QTest::newRow("turned") << "turn" << true;
        QTest::newRow("resized by an edit") << "edit" << true;
        QTest::newRow("a smaller window") << "window" << true;
        QTest::newRow("a zoom level chosen") << "Menu100" << false;
        QTest::newRow("zoomed in") << "MenuZoomIn" << false;
    }
    void fitToWindowShowsTheWholePhoto() {
        QFETCH(QString, change);
        QFETCH(bool, fitting);
        auto w = NewWindow(1);
        QVERIFY(w);
        const auto scrolls = [&] {
            return w->Box()->horizontalScrollBar()->maximum() > 0 ||
                   w->Box()->verticalScrollBar()->maximum() > 0;
        };
        const auto zoomPanel = [&] {
            return w->form.findChild<QLabel*>(QStringLiteral("StatusPanel3"))->text();
        };
        w->Action(QStringLiteral("Menu300"))->trigger();
        QVERIFY(ProcessPendingEvents());
        QVERIFY(scrolls());
        w->Key(Qt::CTRL | Qt::Key_0);
        QVERIFY(ProcessPendingEvents());
        QVERIFY(!scrolls());

        if (change == QLatin1String("open"))
            w->Open(Photo(QStringLiteral("fit3000.png"), {3000, 2000}));
        else if (change == QLatin1String("turn"))
            w->Key(Qt::CTRL | Qt::Key_Right);
        else if (change == QLatin1String("edit")) {
            w->form.Photo().Info()->Max = 200;
            w->form.Photo().Render();
        } else if (change == QLatin1String("window"))
            w->form.resize(500, 400);
        else if (!change.isEmpty())
            w->Action(change)->trigger();
        QVERIFY(ProcessPendingEvents());

        const int zoom = w->form.Photo().Zoom();
        QCOMPARE(w->Action(QStringLiteral("MenuFit"))->isChecked(), fitting);
        QCOMPARE(zoomPanel(), QStringLiteral("Zoom: %1%").arg(zoom));
        if (fitting) {
            QVERIFY(!scrolls());
            QCOMPARE(zoom, FitZoom(w->form.Photo().PictureSize(), w->Box()->maximumViewportSize()));
            // The next step up would not fit, where there is one.
            w->Key(Qt::CTRL | Qt::Key_Plus);
            if (zoom < ZoomLevels().back()) {
                QVERIFY(w->form.Photo().Zoom() > zoom);
                QVERIFY(ProcessPendingEvents());
                QVERIFY(scrolls());
            }
        } else {
            // The zoom chosen stays through a turn.
            w->Key(Qt::CTRL | Qt::Key_Right);
            QVERIFY(ProcessPendingEvents());
            QCOMPARE(w->form.Photo().Zoom(), zoom);
        }
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

    // Full screen shows the photo alone; the bars come back while the pointer is at the
    // top edge or over them, and on leaving. Steps: F11, Esc, "top" (the pointer on the
    // window's top edge), "photo" (the pointer over the middle of the photo area), "300%"
    // (the photo then covers the whole area, its top edge too). The pointer's moves go to
    // the widget under it, as the desktop's do: the photo's own, where it is.
    void fullScreenShowsOnlyThePhoto_data() {
        QTest::addColumn<QString>("steps");
        QTest::addColumn<bool>("full");
        QTest::addColumn<bool>("bars");
        QTest::newRow("F11 enters") << "F11" << true << false;
        QTest::newRow("F11 again leaves") << "F11 F11" << false << true;
        QTest::newRow("Esc leaves") << "F11 Esc" << false << true;
        QTest::newRow("Esc outside full screen") << "Esc" << false << true;
        QTest::newRow("pointer at the top edge") << "F11 top" << true << true;
        QTest::newRow("pointer back on the photo") << "F11 top photo" << true << false;
        QTest::newRow("leaving while the bars show") << "F11 top Esc" << false << true;
        QTest::newRow("entering again") << "F11 top Esc F11" << true << false;
        QTest::newRow("pointer on the photo outside full screen") << "photo" << false << true;
        QTest::newRow("top edge on a photo that covers it") << "F11 300% top" << true << true;
        QTest::newRow("and back down on it") << "F11 300% top photo" << true << false;
    }
    void fullScreenShowsOnlyThePhoto() {
        QFETCH(QString, steps);
        QFETCH(bool, full);
        QFETCH(bool, bars);
        auto w = NewWindow(1);
        QVERIFY(w);
        const auto pointAt = [&](QPoint inWindow) {
            QWidget* under = w->form.childAt(inWindow);
            QVERIFY(under);
            const QPoint at = under->mapFrom(&w->form, inWindow);
            QMouseEvent move(QEvent::MouseMove, at, under->mapToGlobal(at), Qt::NoButton,
                             Qt::NoButton, Qt::NoModifier);
            QApplication::sendEvent(under, &move);
        };
        for (const QString& step : steps.split(QLatin1Char(' '))) {
            if (step == QLatin1String("F11"))
                w->Key(QKeyCombination(Qt::Key_F11));
            else if (step == QLatin1String("300%")) {
                w->Action(QStringLiteral("Menu300"))->trigger();
                QVERIFY(w->form.View()->height() > w->Area()->height());
            } else if (step == QLatin1String("Esc"))
                w->Key(QKeyCombination(Qt::Key_Escape));
            else if (step == QLatin1String("top"))
                pointAt({w->form.width() / 2, 0});
            else
                pointAt(w->form.rect().center());
            QVERIFY(ProcessPendingEvents());
        }
        QCOMPARE(bool(w->form.windowState() & Qt::WindowFullScreen), full);
        QList<QWidget*> shownAlone{w->form.menuBar(), w->form.statusBar()};
        for (const char* name : {"ToolBarButtons", "ToolBarTools", "PageScroller"})
            shownAlone << w->form.findChild<QWidget*>(QLatin1String(name));
        for (QWidget* bar : shownAlone) {
            QVERIFY(bar);
            QVERIFY2(bar->isVisible() == bars, qPrintable(bar->objectName()));
        }
        QVERIFY(w->Area()->isVisible());
    }

    // Left and Right change the photo while it has nothing to scroll sideways, and scroll it
    // otherwise; typed in the photo area or left to the window. Three photos, the middle one
    // current, at 200% in an area 800 wide.
    void arrowsChangeThePhotoOrScroll_data() {
        QTest::addColumn<QSize>("size");
        QTest::addColumn<QKeyCombination>("key");
        QTest::addColumn<bool>("inArea");
        QTest::addColumn<int>("current");
        QTest::addColumn<int>("scrolled");  // the sign of the sideways scroll
        const QSize narrow(300, 200), wide(1000, 200);
        const QKeyCombination left(Qt::Key_Left), right(Qt::Key_Right);
        QTest::newRow("Right, narrow") << narrow << right << true << 2 << 0;
        QTest::newRow("Left, narrow") << narrow << left << true << 0 << 0;
        QTest::newRow("Right to the window") << narrow << right << false << 2 << 0;
        QTest::newRow("Right, wide, scrolls") << wide << right << true << 1 << 1;
        QTest::newRow("Left, wide, scrolls back") << wide << left << true << 1 << -1;
        QTest::newRow("Shift+Right, narrow")
            << narrow << (Qt::SHIFT | Qt::Key_Right) << true << 1 << 0;
        QTest::newRow("Home, wide") << wide << QKeyCombination(Qt::Key_Home) << true << 0 << 0;
        QTest::newRow("End, narrow") << narrow << QKeyCombination(Qt::Key_End) << true << 2 << 0;
    }
    void arrowsChangeThePhotoOrScroll() {
        QFETCH(QSize, size);
        QFETCH(QKeyCombination, key);
        QFETCH(bool, inArea);
        QFETCH(int, current);
        QFETCH(int, scrolled);
        auto w = NewWindow();
        QVERIFY(w);
        for (int i = 0; i < 3; ++i)
            w->Open(Photo(QStringLiteral("a%1x%2_%3.png").arg(size.width()).arg(i), size));
        w->form.SelectPhoto(1);
        w->Action(QStringLiteral("Menu200"))->trigger();
        QScrollBar* across = w->Box()->horizontalScrollBar();
        QVERIFY(ProcessPendingEvents());
        QCOMPARE(across->maximum() > 0, size.width() * 2 > 800);
        across->setValue(across->maximum() / 2);
        const int before = across->value();

        QWidget* target = inArea ? static_cast<QWidget*>(w->Box()) : &w->form;
        target->setFocus();
        QTest::keyClick(target, key.key(), key.keyboardModifiers());
        QVERIFY(ProcessPendingEvents());

        const int index = w->form.Photos().Current();
        QCOMPARE(index, current);
        QVERIFY(w->form.Strip()->IsPressed(index));
        QCOMPARE(w->form.Photos().Record(index), w->form.Photo().Info());
        if (index == 1) QCOMPARE((across->value() > before) - (across->value() < before), scrolled);
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

    // Several files chosen at once open in the order chosen, the first one current.
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
        QCOMPARE(w->form.Photo().Info(), w->form.Photos().Record(0));
        QCOMPARE(w->form.Photo().Rendered().size(), QSize(40, 30));
    }
};

QTEST_MAIN(TestKeys)
#include "test_keys.moc"
