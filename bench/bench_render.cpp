// Times one photo through load, render and save, stage by stage, in one process:
// bench_render PHOTO.jpg OUT.jpg [REPEATS]. The default settings (Max 640, Keep) apply.

#include <QElapsedTimer>
#include <QGuiApplication>
#include <algorithm>
#include <cstdio>
#include <vector>

#include "Codec.h"
#include "PhotoInfo.h"
#include "Stages.h"

using namespace vellumora;

namespace {

struct Times {
    std::vector<double> load, crop, resize, orient, colors, save, total;
};

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc < 3) {
        std::fprintf(stderr, "usage: bench_render PHOTO OUT [REPEATS]\n");
        return 2;
    }
    const QString photo = QString::fromLocal8Bit(argv[1]);
    const QString out = QString::fromLocal8Bit(argv[2]);
    const int repeats = argc > 3 ? std::max(1, std::atoi(argv[3])) : 5;
    const TPhotoInfo info(photo, QString());

    Times t;
    for (int i = 0; i < repeats; ++i) {
        QElapsedTimer clock;
        clock.start();
        const auto lap = [&](std::vector<double>& into) {
            into.push_back(clock.nsecsElapsed() / 1e6);
            clock.restart();
        };
        QElapsedTimer whole;
        whole.start();
        QImage image = DoLoad(photo);
        lap(t.load);
        if (image.isNull()) {
            std::fprintf(stderr, "cannot open %s\n", argv[1]);
            return 1;
        }
        const QSize original = image.size();
        image = CropBitmap(std::move(image), info.Crop);
        lap(t.crop);
        image = ResizeBitmap(std::move(image), info.Max, info.Keep);
        lap(t.resize);
        image = OrientBitmap(std::move(image), info.Rotate);
        lap(t.orient);
        image = AdjustColors(std::move(image), info.Contrast, info.Brightness, info.Red, info.Green,
                             info.Blue, info.Grayscale, info.Negative);
        lap(t.colors);
        if (!DoSave(image, out)) {
            std::fprintf(stderr, "cannot save %s\n", argv[2]);
            return 1;
        }
        lap(t.save);
        t.total.push_back(whole.nsecsElapsed() / 1e6);
        if (i == 0)
            std::printf("%s: %dx%d -> %dx%d\n", argv[1], original.width(), original.height(),
                        image.width(), image.height());
    }
    std::printf("median of %d runs (ms): load %.1f  crop %.1f  resize %.1f  orient %.1f  "
                "colours %.1f  save %.1f  total %.1f\n",
                repeats, Median(t.load), Median(t.crop), Median(t.resize), Median(t.orient),
                Median(t.colors), Median(t.save), Median(t.total));
    return 0;
}
