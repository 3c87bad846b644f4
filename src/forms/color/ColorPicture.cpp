#include "forms/color/ColorPicture.h"

#include "photos/stages/Geometry.h"

namespace vellumora {

QImage ColorPicture(const QImage& original, const TPhotoInfo& info, int side) {
    return PreviewGeometry(original, info.Crop, side, info.Keep, info.Rotate);
}

QRect CentredPicture(int side, QSize picture) {
    return QRect(QPoint((side - picture.width()) / 2, (side - picture.height()) / 2), picture);
}

}  // namespace vellumora
