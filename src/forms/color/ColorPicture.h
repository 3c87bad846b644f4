#pragma once

// The rules of the Color Balance dialog that need no widgets: its five value controls,
// and the small picture of the photo that it shows before and after the change.

#include <QImage>
#include <QRect>
#include <QSize>
#include <array>

#include "photos/settings/PhotoInfo.h"

namespace vellumora {

// One track bar with its box, and the record field it edits.
struct TColorControl {
    // "Contrast": the accessible name of the bar and the box, whose objectNames are
    // TrackBarContrast and EditContrast.
    const char* label;
    int minimum;
    int maximum;
    int pageStep;
    int TPhotoInfo::*field;
};

// In their order on screen (and in the tab order).
inline constexpr std::array<TColorControl, 5> kColorControls{{
    {"Contrast", -100, 100, 10, &TPhotoInfo::Contrast},
    {"Brightness", -100, 100, 10, &TPhotoInfo::Brightness},
    {"Red", -255, 255, 16, &TPhotoInfo::Red},
    {"Green", -255, 255, 16, &TPhotoInfo::Green},
    {"Blue", -255, 255, 16, &TPhotoInfo::Blue},
}};

// Characters the user may type into each box: -99 is the lowest value that can be typed,
// while the bars reach -100 and -255.
inline constexpr int kColorBoxTyping = 3;

// The longer side of the two pictures, at most.
inline constexpr int kColorPictureSide = 97;

// The photo as the render chain has it just before the colour stage, with side in place
// of the record's Max: cropped, resized with the record's Keep, and turned
// (PreviewGeometry), so a big photo is never copied at full size. Null without an
// original.
QImage ColorPicture(const QImage& original, const TPhotoInfo& info, int side = kColorPictureSide);

// Where a picture of the given size stands in a square frame of side pixels: centred,
// halves dropped toward the top left.
QRect CentredPicture(int side, QSize picture);

}  // namespace vellumora
