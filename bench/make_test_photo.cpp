// Writes a photo-like picture (smooth shapes, fine texture and noise, so that it compresses
// and decodes like a camera picture) for the benchmarks: make_test_photo OUT W H [SEED].
// The type follows OUT's extension: JPEG as a camera writes it, PNG as a lossless source,
// a HEIC with a 320-pixel thumbnail as phones write one, a DNG with a JPEG preview, and
// every type the program writes. Usage: make_test_photo OUT W H [SEED [PREVIEW_SIDE]].

#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QImageWriter>
#include <cmath>
#include <cstdio>

#include "codec/Codec.h"
#include "support/MadeFiles.h"

int main(int argc, char** argv) {
    if (argc < 4) {
        std::fprintf(stderr, "usage: make_test_photo OUT WIDTH HEIGHT [SEED [PREVIEW_SIDE]]\n");
        return 2;
    }
    const int w = std::atoi(argv[2]);
    const int h = std::atoi(argv[3]);
    quint32 seed = argc > 4 ? quint32(std::atoi(argv[4])) : 1u;
    QImage image(w, h, QImage::Format_RGB32);
    const double phase = seed * 0.7;
    for (int y = 0; y < h; ++y) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < w; ++x) {
            seed = seed * 1664525u + 1013904223u;
            const int noise = int(seed >> 28) - 8;
            const double u = double(x) / w, v = double(y) / h;
            const double sky = 0.5 + 0.5 * std::sin(6.0 * u + phase) * std::cos(4.0 * v);
            const double detail = 0.5 + 0.5 * std::sin(x * 0.05 + std::sin(y * 0.03) * 3.0);
            const int r = int(40 + 150 * sky + 50 * detail) + noise;
            const int g = int(60 + 120 * v + 60 * detail * sky) + noise;
            const int b = int(90 + 140 * (1 - v) * sky) + noise;
            row[x] = qRgb(std::clamp(r, 0, 255), std::clamp(g, 0, 255), std::clamp(b, 0, 255));
        }
    }
    const QString out = QString::fromLocal8Bit(argv[1]);
    const QString suffix = QFileInfo(out).suffix().toLower();
    QByteArray made;
    if (suffix == QLatin1String("heic")) {
        vellumora::test::THeifMaking making;
        making.quality = 60;  // about 2 bits a pixel on this picture, as phones store theirs
        making.thumbnail = image;
        making.thumbnailBox = 320;
        made = vellumora::test::MakeHeif(image, making);
    } else if (suffix == QLatin1String("dng")) {
        // With a JPEG preview of this long side (5th argument), as cameras embed one.
        const int previewSide = argc > 5 ? std::atoi(argv[5]) : 1620;
        vellumora::test::TDngMaking making;
        making.scene = image;
        making.preview =
            image.scaled(previewSide, previewSide, Qt::KeepAspectRatio, Qt::SmoothTransformation);
        made = vellumora::test::MakeDng(making);
    }
    if (suffix == QLatin1String("heic") || suffix == QLatin1String("dng")) {
        QFile file(out);
        if (made.isEmpty() || !file.open(QIODevice::WriteOnly) || file.write(made) != made.size()) {
            std::fprintf(stderr, "cannot write %s\n", argv[1]);
            return 1;
        }
        return 0;
    }
    if (suffix == QLatin1String("jpg") || suffix == QLatin1String("png")) {
        QImageWriter writer(out);
        writer.setQuality(92);
        if (!writer.write(image)) {
            std::fprintf(stderr, "cannot write %s\n", argv[1]);
            return 1;
        }
        return 0;
    }
    QString error;
    if (!vellumora::DoSave(image, out, &error)) {
        std::fprintf(stderr, "cannot write %s: %s\n", argv[1], qPrintable(error));
        return 1;
    }
    return 0;
}
