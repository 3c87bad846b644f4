// Times photo switching in the main window with three big photos open, as the user waits:
// from a click on a photo's button to the first picture painted and to the exact picture
// painted, for a photo whose neighbour was shown (prepared ahead) and one that was not,
// and the longest time the window's event loop was kept from answering meanwhile.
// Usage: bench_switch PHOTO1 PHOTO2 PHOTO3 [RUNS]   (run with QT_QPA_PLATFORM=offscreen)

#include <QApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QTemporaryDir>
#include <QToolButton>
#include <algorithm>
#include <cstdio>
#include <vector>

#include "PaintWatch.h"
#include "forms/main/FormMain.h"
#include "forms/main/PhotoView.h"
#include "photos/stages/Render.h"
#include "support/FakePlatform.h"

using namespace vellumora;
using bench::Report;
using bench::TPaintWatch;
using bench::TTimedApplication;

namespace {

struct TTimes {
    double firstPaint = 0;
    double exact = 0;
    double blocked = 0;
};

TTimes Click(TTimedApplication& app, TPaintWatch& watch, QToolButton* button) {
    QCoreApplication::processEvents();  // nothing of an earlier step left pending
    watch.Reset();
    TTimes times;
    QElapsedTimer timer;
    timer.start();
    app.longestMs = 0;
    button->click();
    // The click runs outside any event here; in the program it is one.
    times.blocked = timer.nsecsElapsed() / 1e6;
    while (!watch.picture) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    times.firstPaint = timer.nsecsElapsed() / 1e6;
    while (!watch.exact) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    times.exact = timer.nsecsElapsed() / 1e6;
    times.blocked = std::max(times.blocked, app.longestMs);
    return times;
}

}  // namespace

int main(int argc, char** argv) {
    TTimedApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Vellumora"));
    const QStringList args = QApplication::arguments();
    if (args.size() < 4) {
        std::fprintf(stderr, "usage: bench_switch PHOTO1 PHOTO2 PHOTO3 [RUNS]\n");
        return 2;
    }
    const QStringList photos = args.mid(1, 3);
    const int runs = args.size() > 4 ? std::max(1, args[4].toInt()) : 9;

    // A program folder of its own: no templates, the built-in defaults (640 pixels).
    QTemporaryDir home;
    qputenv("XDG_DATA_HOME", home.path().toUtf8());

    test::TFakePlatform platform;
    TOpenPhotos open;
    TFormMain form(platform, open);
    form.resize(1280, 800);
    form.show();
    TPaintWatch watch(form.Photo());
    form.View()->installEventFilter(&watch);

    // With sketches kept as first previews (the thumbnails' small decodes, shrunk copies
    // of originals once decoded), as the program runs, and without: then the first
    // picture waits for a reduced decode of its own.
    for (const bool sketches : {true, false}) {
        form.Loader().SetSketchBytes(sketches ? TPhotoLoader::kSketchBytes : 0);
        std::vector<double> firstCold, exactCold, exactPrepared, blocked;
        for (int i = 0; i < runs; ++i) {
            form.findChild<QAction*>(QStringLiteral("MenuAll"))->trigger();
            platform.openFileLists.push_back(photos);
            form.findChild<QAction*>(QStringLiteral("MenuOpen"))->trigger();
            // The third is shown, the second prepared beside it; the first, shown first on
            // opening and left at once, is neither, but its thumbnail is made.
            TPhotoStrip* strip = form.Strip();
            strip->Button(2)->click();
            const QImage blank = strip->Image(strip->ImageIndex(0));
            while (!form.Photo().Exact() || !form.Loader().Holds(form.Photos().Id(1)) ||
                   strip->Image(strip->ImageIndex(0)) == blank)
                QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
            if (form.Photo().Rendered().isNull()) {
                std::fprintf(stderr, "cannot open %s\n", qPrintable(photos[2]));
                return 1;
            }

            const TTimes cold = Click(app, watch, strip->Button(0));
            // Now the second is the first's neighbour: prepared once its decode is in.
            while (!form.Loader().Holds(form.Photos().Id(1)))
                QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
            const TTimes prepared = Click(app, watch, strip->Button(1));
            firstCold.push_back(cold.firstPaint);
            exactCold.push_back(cold.exact);
            exactPrepared.push_back(prepared.exact);
            blocked.push_back(std::max(cold.blocked, prepared.blocked));
        }
        std::printf(
            "three %s-sized photos open, %s\n", qPrintable(photos[0]),
            sketches ? "sketches kept as first previews (as the program runs)" : "no sketch kept");
        Report("click, photo not prepared: first picture painted", firstCold);
        Report("click, photo not prepared: exact picture painted", exactCold);
        Report("click, prepared neighbour: exact picture painted", exactPrepared);
        Report("longest the event loop was blocked, both clicks", blocked);
    }

    // What needs the pixels at once: the three opened, the first clicked and copied right
    // away, while the workers are still busy with the others. The copy takes the first's
    // decode out of the queue, so the window waits for that one decode and its render,
    // never for the others' (the reference: the same decode and render alone).
    form.Loader().SetSketchBytes(TPhotoLoader::kSketchBytes);
    std::vector<double> copyBlocked, alone;
    for (int i = 0; i < runs; ++i) {
        form.findChild<QAction*>(QStringLiteral("MenuAll"))->trigger();
        QCoreApplication::processEvents();
        QElapsedTimer reference;
        reference.start();
        const TOriginal original = DecodeOriginal(photos[0]);
        const QImage rendered = RenderChain(original.image, TPhotoInfo(photos[0]), QImage());
        alone.push_back(reference.nsecsElapsed() / 1e6);

        platform.openFileLists.push_back(photos);
        platform.clipboard = QImage();
        form.findChild<QAction*>(QStringLiteral("MenuOpen"))->trigger();
        form.Strip()->Button(0)->click();
        QElapsedTimer timer;
        timer.start();
        form.findChild<QAction*>(QStringLiteral("MenuClipboard"))->trigger();
        copyBlocked.push_back(timer.nsecsElapsed() / 1e6);
        if (platform.clipboard.size() != rendered.size()) {
            std::fprintf(stderr, "the copy is not the exact picture of %s\n",
                         qPrintable(photos[0]));
            return 1;
        }
        while (form.Loader().HeldNeighbours() < 1)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    std::printf("three opened together, the first clicked and copied at once\n");
    Report("copy: the window waits", copyBlocked);
    Report("the same decode and render alone", alone);
    return 0;
}
