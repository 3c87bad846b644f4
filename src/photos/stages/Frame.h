#pragma once

// The mask and border stages: a grey-scale mask that fades the picture into one colour,
// and two bands of solid colour around it.

#include <QImage>

#include "photos/settings/PhotoInfo.h"

namespace vellumora {

// Stretches the whole mask onto the picture, nearest pixel, without keeping the mask's
// proportions. Where the mask is black the picture stays, where it is white the picture
// becomes maskColor, grey mixes the two by its brightness (the mean of red, green and
// blue). The mask may be of any format. Nothing happens when the mask is null.
QImage ApplyMask(QImage image, const QImage& mask, TColor maskColor);

// What AddBorders adds to the width and to the height: twice the two band widths.
// Negative widths count as 0; computed in 64 bits.
qint64 BorderGrowth(int outside, int inside);

// Surrounds the picture with a band inside pixels wide in insideColor and, around that,
// a band outside pixels wide in outsideColor. Negative widths (only from hand-edited
// files) count as 0; when both are 0 the picture is returned as it is. Returns a null
// image when the result would exceed kMaxRenderPixels or cannot be allocated.
QImage AddBorders(QImage image, int outside, int inside, TColor outsideColor, TColor insideColor);

}  // namespace vellumora
