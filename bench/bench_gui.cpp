// Times the main window on big photos, as the user waits for them: from "Open..." to the
// photo painted in the photo area, and from a click on another photo's button to that
// photo painted. The open dialog is answered by a scripted desktop.
// Usage: bench_gui PHOTO OTHER_PHOTO [RUNS]   (run with QT_QPA_PLATFORM=offscreen)

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QTemporaryDir>
#include <QToolButton>
#include <algorithm>
#include <cstdio>
#include <vector>

#include "PaintWatch.h"
#include "codec/Codec.h"
#include "forms/main/FormMain.h"
#include "forms/main/PhotoView.h"
#include "support/FakePlatform.h"

using namespace vellumora;
using bench::Report;
using bench::TPaintWatch;

namespace {

// Milliseconds from now until the view has painted, after running command.
template <class F>
double TimeUntilPainted(TPaintWatch& watch, F command) {
    QCoreApplication::processEvents();  // nothing of an earlier run left pending
    watch.Reset();
    QElapsedTimer timer;
    timer.start();
    command();
    while (!watch.exact) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    return timer.nsecsElapsed() / 1e6;
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Vellumora"));
    const QStringList args = QApplication::arguments();
    if (args.size() < 3) {
        std::fprintf(stderr, "usage: bench_gui PHOTO OTHER_PHOTO [RUNS]\n");
        return 2;
    }
    const QString first = args[1], second = args[2];
    const int runs = args.size() > 3 ? std::max(1, args[3].toInt()) : 9;

    // A program folder of its own: no templates, the built-in defaults (640 pixels).
    QTemporaryDir home;
    qputenv("XDG_DATA_HOME", home.path().toUtf8());

    test::TFakePlatform platform;
    TOpenPhotos photos;
    TFormMain form(platform, photos);
    form.resize(1280, 800);
    form.show();
    TPaintWatch watch(form.Photo());
    form.View()->installEventFilter(&watch);
    QAction* open = form.findChild<QAction*>(QStringLiteral("MenuOpen"));
    QAction* closeAll = form.findChild<QAction*>(QStringLiteral("MenuAll"));

    const QSize size = DoLoad(first).size();
    std::printf("photo %s: %d x %d\n", qPrintable(first), size.width(), size.height());

    std::vector<double> decode, opening, switching;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer timer;
        timer.start();
        const QImage loaded = DoLoad(first);
        decode.push_back(timer.nsecsElapsed() / 1e6);
    }
    for (int i = 0; i < runs; ++i) {
        closeAll->trigger();
        platform.openFiles.push_back(first);
        opening.push_back(TimeUntilPainted(watch, [&] { open->trigger(); }));
        if (form.Photo().Rendered().isNull()) {
            std::fprintf(stderr, "cannot open %s\n", qPrintable(first));
            return 1;
        }
    }

    closeAll->trigger();
    platform.openFiles.push_back(first);
    platform.openFiles.push_back(second);
    open->trigger();
    open->trigger();
    for (int i = 0; i < runs; ++i) {
        // The button of the photo that is not current.
        QToolButton* other = form.Strip()->Button(form.Strip()->IsPressed(0) ? 1 : 0);
        switching.push_back(TimeUntilPainted(watch, [&] { other->click(); }));
    }

    Report("decoding the photo alone (DoLoad)", decode);
    Report("Open... to the photo shown", opening);
    Report("click on another photo's button to shown", switching);
    return 0;
}
