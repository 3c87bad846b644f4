// Times one photo through load, every stage of the chain and save, in one process:
//   bench_render PHOTO OUT_DIR [REPEATS]
// Four settings: the defaults (Max 640), the whole chain (watermark, mask, bands, shadow
// at radius 20) at 640 pixels, the whole chain at the photo's full size, and the photo at
// full size turned, with colours changed, bands and the shadow. Each is timed with the
// stages on one thread and split into bands over the cores, the two alternating run by
// run so that a machine busy with other work weighs on both alike.

#include <QElapsedTimer>
#include <QGuiApplication>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <map>
#include <vector>

#include "codec/Codec.h"
#include "photos/Photo.h"
#include "photos/settings/PhotoInfo.h"
#include "photos/settings/ProgramFolder.h"
#include "photos/stages/Bands.h"
#include "photos/stages/Stages.h"

using namespace vellumora;

namespace {

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

TPhotoInfo WholeChain(const QString& photo, int max) {
    TPhotoInfo info(photo);
    info.Max = max;
    info.Watermark = QStringLiteral("(c) Vellumora benchmark");
    info.Font.SetSize(24);
    info.MaskName = QStringLiteral("oval.png");
    info.Outside = {10, 0x202020};
    info.Inside = {4, 0xF0F0F0};
    info.Radius = 20;
    info.Offset = 10;
    return info;
}

TPhotoInfo TurnedAndColoured(const QString& photo) {
    TPhotoInfo info(photo);
    info.Max = 0;
    info.Rotate = kTurnRight;
    info.Contrast = 20;
    info.Brightness = 10;
    info.Outside = {10, 0x202020};
    info.Inside = {4, 0xF0F0F0};
    info.Radius = 20;
    info.Offset = 10;
    return info;
}

bool Run(const char* title, const QString& photo, const TPhotoInfo& info, const QString& out,
         int repeats) {
    using Stage = std::function<QImage(QImage)>;
    const QImage mask = LoadMaskFile(MasksFolder(), info.MaskName);
    const std::vector<std::pair<const char*, Stage>> stages = {
        {"crop", [&](QImage i) { return CropBitmap(std::move(i), info.Crop); }},
        {"resize", [&](QImage i) { return ResizeBitmap(std::move(i), info.Max, info.Keep); }},
        {"orient", [&](QImage i) { return OrientBitmap(std::move(i), info.Rotate); }},
        {"colours",
         [&](QImage i) {
             return AdjustColors(std::move(i), info.Contrast, info.Brightness, info.Red, info.Green,
                                 info.Blue, info.Grayscale, info.Negative);
         }},
        {"watermark",
         [&](QImage i) {
             return DrawWatermark(std::move(i), info.Watermark, info.Font, info.Position, info.X,
                                  info.Y, info.Opacity);
         }},
        {"mask", [&](QImage i) { return ApplyMask(std::move(i), mask, info.MaskColor); }},
        {"bands",
         [&](QImage i) {
             return AddBorders(std::move(i), info.Outside.Width, info.Inside.Width,
                               info.Outside.Color, info.Inside.Color);
         }},
        {"shadow",
         [&](QImage i) {
             return AddShadow(std::move(i), info.Radius, info.Offset, info.Shadow, info.Background);
         }},
    };
    const char* const modes[] = {"one thread", "threaded"};
    std::map<std::string, std::vector<double>> times[2];
    QSize in, result;
    // Two runs more than counted, one of each: the process's first big buffers cost far
    // more to touch than later ones.
    for (int run = -2; run < 2 * repeats; ++run) {
        const int mode = (run + 2) % 2;
        const bool counted = run >= 0;
        TBandSplitting splitting;
        if (mode == 0) splitting.threads = 1;
        SetBandSplitting(splitting);
        QElapsedTimer clock, whole;
        clock.start();
        whole.start();
        QImage image = DoLoad(photo);
        if (counted) times[mode]["load"].push_back(clock.nsecsElapsed() / 1e6);
        if (image.isNull()) return false;
        in = image.size();
        for (const auto& [name, stage] : stages) {
            clock.restart();
            image = stage(std::move(image));
            if (counted) times[mode][name].push_back(clock.nsecsElapsed() / 1e6);
        }
        result = image.size();
        clock.restart();
        if (!DoSave(image, out)) return false;
        if (counted) times[mode]["save"].push_back(clock.nsecsElapsed() / 1e6);
        if (counted) times[mode]["total"].push_back(whole.nsecsElapsed() / 1e6);
    }
    SetBandSplitting({});
    std::printf("%s: %dx%d -> %dx%d, median of %d runs (ms):\n", title, in.width(), in.height(),
                result.width(), result.height(), repeats);
    for (int mode = 0; mode < 2; ++mode) {
        std::printf("  %-10s", modes[mode]);
        double stages = 0;
        for (const char* name : {"load", "crop", "resize", "orient", "colours", "watermark", "mask",
                                 "bands", "shadow", "save", "total"}) {
            const double median = Median(times[mode][name]);
            std::printf(" %s %.1f", name, median);
            if (std::string(name) != "load" && std::string(name) != "save" &&
                std::string(name) != "total")
                stages += median;
        }
        std::printf(" | stages %.1f\n", stages);
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    QGuiApplication::setApplicationName(QStringLiteral("Vellumora"));
    if (argc < 3) {
        std::fprintf(stderr, "usage: bench_render PHOTO OUT_DIR [REPEATS]\n");
        return 2;
    }
    PrepareProgramFolder();
    const QString photo = QString::fromLocal8Bit(argv[1]);
    const QString dir = QString::fromLocal8Bit(argv[2]);
    const int repeats = argc > 3 ? std::max(1, std::atoi(argv[3])) : 5;
    const bool ok =
        Run("defaults", photo, TPhotoInfo(photo), dir + "/defaults.jpg", repeats) &&
        Run("whole chain, 640 px", photo, WholeChain(photo, 640), dir + "/chain640.jpg", repeats) &&
        Run("whole chain, full size", photo, WholeChain(photo, 0), dir + "/chainfull.jpg",
            std::max(1, repeats / 2)) &&
        Run("turned, colours, bands, shadow, full size", photo, TurnedAndColoured(photo),
            dir + "/turnedfull.jpg", std::max(1, repeats / 2));
    if (!ok) std::fprintf(stderr, "cannot open or save\n");
    return ok ? 0 : 1;
}
