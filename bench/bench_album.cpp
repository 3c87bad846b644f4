// Times the web album dialog's Build on photos handed over in a Photos.dat-style file: from
// the click to the end of the build (every photo exported, the page written), as the user
// waits for it. One run: the photos are big and the point is the whole export.
// Usage: bench_album HANDOFF FOLDER   (run with QT_QPA_PLATFORM=offscreen)
// Prints "album dialog: N photos in T ms".

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <cstdio>

#include "forms/album/FormWebpage.h"
#include "photos/settings/ProgramFolder.h"
#include "support/FakePlatform.h"

using namespace vellumora;

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Vellumora"));
    if (argc < 3) {
        std::fprintf(stderr, "usage: bench_album HANDOFF FOLDER\n");
        return 2;
    }
    PrepareProgramFolder();
    // The dialog reads the program's own hand-off file, as after the main window wrote it.
    const QString handOff = OpenPhotosFile();
    QFile::remove(handOff);
    if (!QFile::copy(QString::fromLocal8Bit(argv[1]), handOff)) {
        std::fprintf(stderr, "cannot copy %s\n", argv[1]);
        return 1;
    }

    test::TFakePlatform platform;  // answers No to "Do you want to see your new webpage?"
    TFormWebpage dialog(platform);
    dialog.show();
    dialog.findChild<QLineEdit*>(QStringLiteral("EditFolder"))
        ->setText(QString::fromLocal8Bit(argv[2]));
    bool ended = false;
    TAlbumResult result;
    QObject::connect(&dialog, &TFormWebpage::BuildEnded, [&](const TAlbumResult& r) {
        result = r;
        ended = true;
    });

    QElapsedTimer timer;
    timer.start();
    dialog.findChild<QPushButton*>(QStringLiteral("ButtonBuild"))->click();
    while (!ended) QApplication::processEvents(QEventLoop::WaitForMoreEvents);
    const qint64 ms = timer.elapsed();
    std::printf("album dialog: %d photos in %lld ms (%d written, %d failed)\n", result.photos, ms,
                result.written, result.failed);
    return result.status == TAlbumResult::Status::Finished && result.failed == 0 ? 0 : 1;
}
