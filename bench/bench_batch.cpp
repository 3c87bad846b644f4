// Times the batch dialog on many big photos, as the user waits for it: adding them (until
// every thumbnail is in the list), building them (from Build to the end message) and
// stopping a run (from Stop to the end of the run). While a run goes it also notes the
// longest time the window's event loop could not answer a 10 ms timer: how long the window
// would have been unable to paint or take a click.
// Usage: bench_batch SETTINGS SECTION OUT_FOLDER RUNS PHOTO...
//        (run with QT_QPA_PLATFORM=offscreen; the files get the template of SECTION)
// Prints one line per measurement, "name: median N ms (min, max)", in milliseconds.

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <vector>

#include "forms/batch/FormBatch.h"
#include "photos/Photo.h"
#include "photos/settings/IniFile.h"
#include "support/FakePlatform.h"

using namespace vellumora;

namespace {

void Report(const char* what, std::vector<double> ms, const char* extra = "") {
    std::sort(ms.begin(), ms.end());
    std::printf("%s: median %.0f ms (min %.0f, max %.0f, %zu runs)%s\n", what, ms[ms.size() / 2],
                ms.front(), ms.back(), ms.size(), extra);
}

template <class F>
void RunUntil(F done) {
    while (!done()) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Vellumora"));
    const QStringList args = QApplication::arguments();
    if (args.size() < 6) {
        std::fprintf(stderr, "usage: bench_batch SETTINGS SECTION OUT_FOLDER RUNS PHOTO...\n");
        return 2;
    }
    const QString folder = args[3];
    const int runs = std::max(1, args[4].toInt());
    const QStringList photos = args.mid(5);

    // The current photo: the first file with the section's template, as the command-line
    // tool takes it.
    TPhotoInfo info(photos.first());
    info.ReadTemplate(TIniFile(args[1]), args[2]);
    TPhoto photo;
    photo.AssignInfo(&info);
    if (photo.Original().isNull()) {
        std::fprintf(stderr, "cannot open %s\n", qPrintable(photos.first()));
        return 1;
    }
    test::TFakePlatform platform;
    TFormBatch dialog(photo, platform);
    auto* build = dialog.findChild<QPushButton*>(QStringLiteral("ButtonBuild"));
    int finished = 0;
    QObject::connect(&dialog, &TFormBatch::BuildFinished, [&] { ++finished; });

    std::vector<double> adding, building, stopping, gaps;
    for (int run = 0; run < runs; ++run) {
        dialog.hide();
        dialog.show();  // empty again
        QCoreApplication::processEvents();
        QElapsedTimer timer;
        timer.start();
        dialog.AddFiles(photos);
        RunUntil([&] { return !dialog.Adding(); });
        adding.push_back(timer.nsecsElapsed() / 1e6);
        if (dialog.List().Count() != photos.size()) {
            std::fprintf(stderr, "only %d of %d photos added\n", dialog.List().Count(),
                         int(photos.size()));
            return 1;
        }
        dialog.findChild<QLineEdit*>(QStringLiteral("EditFolder"))->setText(folder);

        // The window's answer time: the longest wait of a 10 ms timer during the run.
        QElapsedTimer tick;
        double longest = 0;
        QTimer ticker;
        ticker.setTimerType(Qt::PreciseTimer);
        QObject::connect(&ticker, &QTimer::timeout, [&] {
            longest = std::max(longest, tick.nsecsElapsed() / 1e6);
            tick.restart();
        });
        const int before = finished;
        timer.restart();
        tick.start();
        ticker.start(10);
        build->click();
        RunUntil([&] { return finished > before; });
        building.push_back(timer.nsecsElapsed() / 1e6);
        ticker.stop();
        gaps.push_back(longest);
    }

    // Stop after the first file: the files in progress finish, no new one starts.
    int written = 0;
    for (int run = 0; run < runs; ++run) {
        QDir(folder).removeRecursively();
        QElapsedTimer timer;
        bool stopped = false;
        const auto connection = QObject::connect(&dialog, &TFormBatch::BuildProgress, [&] {
            if (std::exchange(stopped, true)) return;
            timer.start();
            build->click();
        });
        const int before = finished;
        build->click();
        RunUntil([&] { return finished > before; });
        stopping.push_back(timer.nsecsElapsed() / 1e6);
        QObject::disconnect(connection);
        written = int(QDir(folder).entryList(QDir::Files).size());
    }

    const QByteArray count = QByteArray::number(int(photos.size()));
    Report(("add " + count + " photos").constData(), adding);
    Report(("build " + count + " photos").constData(), building);
    const QByteArray note = " (" + QByteArray::number(written) + " of " + count + " written)";
    Report("stop after the first file", stopping, note.constData());
    Report("longest wait of a 10 ms timer during a build", gaps);
    return 0;
}
