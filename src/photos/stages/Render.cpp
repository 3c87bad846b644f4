#include "photos/stages/Render.h"

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
