#include "photos/stages/Render.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "photos/stages/Stages.h"

namespace vellumora {

TRenderSize RenderedSize(QSize original, const TPhotoInfo& info) {
    QSize size = CroppedSize(original, info.Crop);
    size = ResizedSize(size, info.Max, info.Keep);
    size = OrientedSize(size, info.Rotate);
    const qint64 growth = BorderGrowth(info.Outside.Width, info.Inside.Width) +
                          ShadowGrowth(info.Radius, info.Offset);
    return {size.width() + growth, size.height() + growth};
}

namespace {

// Lengths from hand-edited files can be absurd; scaled, they stay within int.
constexpr double kMaxPreviewLength = 1 << 30;

// The preview's long side where the chain keeps the picture's size: a screen's worth.
constexpr int kPreviewScreenSide = 1024;

int LongSide(QSize size) {
    return std::max(size.width(), size.height());
}

int Scaled(int length, double factor) {
    return int(
        std::clamp<double>(std::round(length * factor), -kMaxPreviewLength, kMaxPreviewLength));
}

}  // namespace

int PreviewMinimumLongSide(QSize original, const TPhotoInfo& info) {
    if (original.isEmpty()) return 0;
    const QSize cropped = CroppedSize(original, info.Crop);
    const QSize resized = ResizedSize(cropped, info.Max, info.Keep);
    // Shrinking: the cropped part must keep the resize's target; else a screen's worth.
    const qint64 need = LongSide(resized) < LongSide(cropped)
                            ? LongSide(resized)
                            : std::min(LongSide(cropped), kPreviewScreenSide);
    const qint64 minimum = (need * LongSide(original) + LongSide(cropped) - 1) / LongSide(cropped);
    return minimum < LongSide(original) ? int(minimum) : 0;
}

TPhotoInfo PreviewSettings(const TPhotoInfo& info, QSize original, QSize reduced) {
    TPhotoInfo preview;
    preview.Assign(&info);
    preview.FileName = info.FileName;
    if (original.isEmpty() || reduced.isEmpty()) return preview;
    const double fx = double(reduced.width()) / original.width();
    const double fy = double(reduced.height()) / original.height();
    const QRect area = CroppedArea(original, info.Crop);
    if (area == QRect(QPoint(0, 0), original)) {
        preview.Crop = {};
    } else {
        preview.Crop = {int(std::floor(area.left() * fx)), int(std::floor(area.top() * fy)),
                        int(std::ceil((area.right() + 1) * fx)),
                        int(std::ceil((area.bottom() + 1) * fy))};
    }
    const QSize exact = ResizedSize(area.size(), info.Max, info.Keep);
    const QSize cropped = CroppedSize(reduced, preview.Crop);
    const QSize small = ResizedSize(cropped, info.Max, info.Keep);
    if (std::abs(exact.width() - small.width()) <= 1 &&
        std::abs(exact.height() - small.height()) <= 1)
        return preview;
    // The whole picture at the reduced scale.
    const double f = double(LongSide(cropped)) / LongSide(area.size());
    if (preview.Max > 0) preview.Max = std::max(1, Scaled(preview.Max, f));
    preview.X = Scaled(preview.X, f);
    preview.Y = Scaled(preview.Y, f);
    preview.Font.Height = Scaled(preview.Font.Height, f);
    if (preview.Font.Height == 0) preview.Font.Height = info.Font.Height < 0 ? -1 : 1;
    preview.Outside.Width = Scaled(preview.Outside.Width, f);
    preview.Inside.Width = Scaled(preview.Inside.Width, f);
    preview.Radius = Scaled(preview.Radius, f);
    preview.Offset = Scaled(preview.Offset, f);
    return preview;
}

QImage RenderChain(const QImage& original, const TPhotoInfo& info, const QImage& mask,
                   QString* error) {
    if (original.isNull()) return {};
    const TRenderSize size = RenderedSize(original.size(), info);
    if (size.width <= 0 || size.height <= 0 || size.Pixels() > kMaxRenderPixels) {
        if (error)
            *error = QStringLiteral("The edited photo would be %1 x %2 pixels, too large to make.")
                         .arg(size.width)
                         .arg(size.height);
        return {};
    }

    // A shallow copy: the first stage that changes pixels works on its own buffer.
    QImage image = original;
    image = CropBitmap(std::move(image), info.Crop);
    image = ResizeBitmap(std::move(image), info.Max, info.Keep);
    return RenderAfterResize(std::move(image), info, mask, error);
}

QImage RenderAfterResize(QImage image, const TPhotoInfo& info, const QImage& mask, QString* error) {
    image = OrientBitmap(std::move(image), info.Rotate);
    image = AdjustColors(std::move(image), info.Contrast, info.Brightness, info.Red, info.Green,
                         info.Blue, info.Grayscale, info.Negative);
    image = DrawWatermark(std::move(image), info.Watermark, info.Font, info.Position, info.X,
                          info.Y, info.Opacity);
    image = ApplyMask(std::move(image), mask, info.MaskColor);
    image = AddBorders(std::move(image), info.Outside.Width, info.Inside.Width, info.Outside.Color,
                       info.Inside.Color);
    image = AddShadow(std::move(image), info.Radius, info.Offset, info.Shadow, info.Background);
    if (image.isNull() && error) *error = QStringLiteral("Not enough memory to render the photo.");
    return image;
}

}  // namespace vellumora
