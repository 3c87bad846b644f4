#include "codec/CodecUtil.h"

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

void ConvertToSrgb(QImage& image, const QColorSpace& from) {
    if (image.isNull()) return;
    const QColorSpace srgb(QColorSpace::SRgb);
    // Comparing first is much cheaper than converting a big image to where it already is.
    if (from.isValid() && from != srgb) {
        image.setColorSpace(from);
        image.convertToColorSpace(srgb);
    }
    image.setColorSpace(QColorSpace());
}

}  // namespace vellumora::codec
