#include "codec/CodecUtil.h"

#include <QColorTransform>
#include <cstdlib>

#include "codec/ImageBuffer.h"

namespace vellumora::codec {

TDecoded TDecoded::Ok(QImage image) {
    TDecoded result;
    result.status = EStatus::Ok;
    result.image = std::move(image);
    return result;
}

TDecoded TDecoded::Failed(QString reason) {
    TDecoded result;
    result.reason = std::move(reason);
    return result;
}

TDecoded TDecoded::TooLarge(qint64 width, qint64 height) {
    TDecoded result;
    result.status = EStatus::TooLarge;
    result.reason = QStringLiteral("image too large (%1 x %2)").arg(width).arg(height);
    return result;
}

QImage ToOpaquePixelFormat(QImage image) {
    if (image.isNull()) return {};
    if (image.format() == kPixelFormat) {
        // Conversions from other formats always give 0xFF; an RGB32 image handed over
        // as it is may carry anything in the unused byte.
        ForceOpaque(image);
        return image;
    }
    if (!image.hasAlphaChannel()) return image.convertToFormat(kPixelFormat);
    // With premultiplied alpha, "over white" is a plain sum per channel: c·a + 255·(1 − a).
    const QImage src = image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    if (src.isNull()) return {};
    QImage out = NewImage(src.width(), src.height());
    if (out.isNull()) return {};
    for (int y = 0; y < src.height(); ++y) {
        const auto* s = reinterpret_cast<const QRgb*>(src.constScanLine(y));
        auto* d = reinterpret_cast<QRgb*>(out.scanLine(y));
        for (int x = 0; x < src.width(); ++x) {
            const QRgb p = s[x];
            const int white = 255 - qAlpha(p);
            d[x] = qRgb(qRed(p) + white, qGreen(p) + white, qBlue(p) + white);
        }
    }
    out.setColorSpace(image.colorSpace());
    return out;
}

void CompositeOverWhiteInPlace(QImage& image) {
    for (int y = 0; y < image.height(); ++y) {
        auto* p = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const QRgb c = p[x];
            const int a = qAlpha(c);
            if (a == 255) continue;
            const int white = 255 * (255 - a);
            // Rounded (c·a + 255·(255 − a)) / 255.
            const auto over = [&](int v) { return (v * a + white + 127) / 255; };
            p[x] = qRgb(over(qRed(c)), over(qGreen(c)), over(qBlue(c)));
        }
    }
}

void ForceOpaque(QImage& image) {
    // Look before writing: writing would detach an image that is shared.
    bool opaque = true;
    for (int y = 0; y < image.height() && opaque; ++y) {
        const auto* p = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x) opaque &= qAlpha(p[x]) == 255;
    }
    if (opaque) return;
    for (int y = 0; y < image.height(); ++y) {
        auto* p = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) p[x] |= 0xFF000000u;
    }
}

namespace {

// Primaries read from a file (a PNG's cHRM) come out as Custom even when they are sRGB's
// own numbers, so they are compared by what they do to colours: the transform to the same
// curve with the sRGB primaries must move no colour by a visible fraction of a level.
bool HasSrgbPrimaries(const QColorSpace& space) {
    if (space.primaries() == QColorSpace::Primaries::SRgb) return true;
    const QColorSpace twin(QColorSpace::Primaries::SRgb, space.transferFunction(), space.gamma());
    if (!twin.isValid()) return false;
    const QColorTransform transform = space.transformationToColorSpace(twin);
    for (const QRgba64 probe :
         {QRgba64::fromRgba64(65535, 0, 0, 65535), QRgba64::fromRgba64(0, 65535, 0, 65535),
          QRgba64::fromRgba64(0, 0, 65535, 65535), QRgba64::fromRgba64(65535, 65535, 65535, 65535),
          QRgba64::fromRgba64(32768, 16384, 49152, 65535)}) {
        const QRgba64 mapped = transform.map(probe);
        // 64 in 16 bits is a quarter of an 8-bit level.
        if (std::abs(int(mapped.red()) - int(probe.red())) > 64 ||
            std::abs(int(mapped.green()) - int(probe.green())) > 64 ||
            std::abs(int(mapped.blue()) - int(probe.blue())) > 64)
            return false;
    }
    return true;
}

}  // namespace

bool IsSrgbEquivalent(const QColorSpace& space) {
    if (!space.isValid()) return false;
    if (space == QColorSpace(QColorSpace::SRgb)) return true;
    // Many programs describe plain sRGB as gamma 1/2.2 with the sRGB primaries (a PNG's
    // gAMA and cHRM). Converting from that near twin moves most pixels by a few levels
    // for nothing; libpng takes a file gamma of 0.45 to 0.46 as sRGB, and so do we.
    const QColorSpace::TransferFunction curve = space.transferFunction();
    const bool srgbCurve =
        curve == QColorSpace::TransferFunction::SRgb ||
        (curve == QColorSpace::TransferFunction::Gamma && space.gamma() >= 1.0f / 0.46f - 0.001f &&
         space.gamma() <= 1.0f / 0.45f + 0.001f);
    return srgbCurve && HasSrgbPrimaries(space);
}

void ConvertToSrgb(QImage& image, const QColorSpace& from) {
    if (image.isNull()) return;
    const QColorSpace srgb(QColorSpace::SRgb);
    // Comparing first is much cheaper than converting a big image to where it already is.
    if (from.isValid() && !IsSrgbEquivalent(from)) {
        image.setColorSpace(from);
        image.convertToColorSpace(srgb);
    }
    image.setColorSpace(QColorSpace());
}

}  // namespace vellumora::codec
