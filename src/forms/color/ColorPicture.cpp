#include "forms/color/ColorPicture.h"

#include "codec/Codec.h"
#include "photos/stages/Geometry.h"
#include "photos/stages/Resize.h"

namespace vellumora {

QImage ColorPicture(const QImage& original, const TPhotoInfo& info, int side) {
    if (original.isNull()) return {};
    // Loaded photos are always in the program's layout; anything else is converted once.
    const QImage source =
        original.format() == kPixelFormat ? original : original.convertToFormat(kPixelFormat);
    if (source.isNull()) return {};

    // A read-only view of the cropped area, on the original's own pixels.
    const QImage view = CroppedView(source, info.Crop);
    QImage small = ResampleBitmap(view, ResizedSize(view.size(), side, info.Keep));
    // Without resampling the result would still be the view, which must not outlive the
    // original it looks into.
    if (small.constBits() == view.constBits()) small = view.copy();
    return OrientBitmap(std::move(small), info.Rotate);
}

QRect CentredPicture(int side, QSize picture) {
    return QRect(QPoint((side - picture.width()) / 2, (side - picture.height()) / 2), picture);
}

}  // namespace vellumora
