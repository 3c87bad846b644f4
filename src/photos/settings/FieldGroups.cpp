#include "photos/settings/FieldGroups.h"

namespace vellumora {

void CopyFieldGroup(TFieldGroup group, const TPhotoInfo& source, TPhotoInfo& target) {
    switch (group) {
        case TFieldGroup::Resize:
            target.Max = source.Max;
            target.Keep = source.Keep;
            break;
        case TFieldGroup::Crop:
            target.Crop = source.Crop;
            target.Ratio = source.Ratio;
            break;
        case TFieldGroup::Color:
            target.Contrast = source.Contrast;
            target.Brightness = source.Brightness;
            target.Red = source.Red;
            target.Green = source.Green;
            target.Blue = source.Blue;
            target.Grayscale = source.Grayscale;
            target.Negative = source.Negative;
            break;
        case TFieldGroup::Watermark:
            target.Watermark = source.Watermark;
            target.SetFont(&source.Font);
            target.Position = source.Position;
            target.X = source.X;
            target.Y = source.Y;
            target.Opacity = source.Opacity;
            break;
        case TFieldGroup::Border:
            target.MaskColor = source.MaskColor;
            target.Outside = source.Outside;
            target.Inside = source.Inside;
            target.Radius = source.Radius;
            target.Offset = source.Offset;
            target.Shadow = source.Shadow;
            target.Background = source.Background;
            // Last: the photo showing target reloads its mask, with the rest in place.
            target.SetMaskName(source.MaskName);
            break;
    }
}

void ResetPerPhotoEdits(TPhotoInfo& info) {
    info.Crop = TRect{};
    info.Rotate = 0;
    info.Contrast = info.Brightness = info.Red = info.Green = info.Blue = 0;
    info.Grayscale = info.Negative = false;
}

}  // namespace vellumora
