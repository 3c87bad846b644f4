// Weighs the writers of today's formats against JPEG at the quality the program writes:
// for one lossless source, each type's file size, its fidelity read back (PSNR over the
// three channels, and SSIM of the luma on 8 x 8 windows), and the time DoSave takes.
// Usage: bench_writers SOURCE OUT_DIR [REPEATS]   (SOURCE lossless, e.g. a PNG)

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

#include "codec/Codec.h"

using namespace vellumora;

namespace {

double Psnr(const QImage& a, const QImage& b) {
    double sum = 0;
    for (int y = 0; y < a.height(); ++y) {
        const auto* p = reinterpret_cast<const QRgb*>(a.constScanLine(y));
        const auto* q = reinterpret_cast<const QRgb*>(b.constScanLine(y));
        for (int x = 0; x < a.width(); ++x) {
            const int dr = qRed(p[x]) - qRed(q[x]), dg = qGreen(p[x]) - qGreen(q[x]),
                      db = qBlue(p[x]) - qBlue(q[x]);
            sum += dr * dr + dg * dg + db * db;
        }
    }
    const double mse = sum / (3.0 * a.width() * a.height());
    return mse == 0 ? 99 : 10 * std::log10(255.0 * 255.0 / mse);
}

// The mean structural similarity of the luma on 8 x 8 windows (no overlap), as the usual
// SSIM with its constants for 8-bit values.
double Ssim(const QImage& a, const QImage& b) {
    constexpr double c1 = 6.5025, c2 = 58.5225;
    const auto luma = [](QRgb p) { return 0.299 * qRed(p) + 0.587 * qGreen(p) + 0.114 * qBlue(p); };
    double total = 0;
    int windows = 0;
    for (int y0 = 0; y0 + 8 <= a.height(); y0 += 8)
        for (int x0 = 0; x0 + 8 <= a.width(); x0 += 8) {
            double sa = 0, sb = 0, saa = 0, sbb = 0, sab = 0;
            for (int y = y0; y < y0 + 8; ++y) {
                const auto* p = reinterpret_cast<const QRgb*>(a.constScanLine(y));
                const auto* q = reinterpret_cast<const QRgb*>(b.constScanLine(y));
                for (int x = x0; x < x0 + 8; ++x) {
                    const double u = luma(p[x]), v = luma(q[x]);
                    sa += u, sb += v, saa += u * u, sbb += v * v, sab += u * v;
                }
            }
            const double ma = sa / 64, mb = sb / 64;
            const double va = saa / 64 - ma * ma, vb = sbb / 64 - mb * mb, cov = sab / 64 - ma * mb;
            total +=
                (2 * ma * mb + c1) * (2 * cov + c2) / ((ma * ma + mb * mb + c1) * (va + vb + c2));
            ++windows;
        }
    return windows ? total / windows : 1;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() < 3) {
        std::fprintf(stderr, "usage: bench_writers SOURCE OUT_DIR [REPEATS]\n");
        return 2;
    }
    const int repeats = args.size() > 3 ? std::max(1, args[3].toInt()) : 3;
    QString error;
    const QImage source = DoLoad(args[1], &error);
    if (source.isNull()) {
        std::fprintf(stderr, "cannot load %s: %s\n", qPrintable(args[1]), qPrintable(error));
        return 1;
    }
    std::printf("source %s: %d x %d\n", qPrintable(QFileInfo(args[1]).fileName()), source.width(),
                source.height());
    std::printf("%-5s %10s %8s %9s %7s %10s\n", "type", "bytes", "of jpg", "PSNR dB", "SSIM",
                "save ms");
    qint64 jpegBytes = 0;
    for (const char* suffix : {"jpg", "webp", "avif", "jxl"}) {
        const QString out = args[2] + QStringLiteral("/writer.") + QLatin1String(suffix);
        std::vector<double> times;
        for (int i = 0; i < repeats; ++i) {
            QElapsedTimer timer;
            timer.start();
            if (!DoSave(source, out, &error)) {
                std::fprintf(stderr, "cannot save %s: %s\n", qPrintable(out), qPrintable(error));
                return 1;
            }
            times.push_back(timer.nsecsElapsed() / 1e6);
        }
        std::sort(times.begin(), times.end());
        const QImage back = DoLoad(out, &error);
        if (back.size() != source.size()) {
            std::fprintf(stderr, "cannot read back %s: %s\n", qPrintable(out), qPrintable(error));
            return 1;
        }
        const qint64 bytes = QFileInfo(out).size();
        if (!jpegBytes) jpegBytes = bytes;
        std::printf("%-5s %10lld %8.2f %9.2f %7.4f %10.0f\n", suffix, bytes,
                    double(bytes) / jpegBytes, Psnr(source, back), Ssim(source, back),
                    times[times.size() / 2]);
    }
    return 0;
}
