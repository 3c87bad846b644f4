#pragma once

// The drop shadow: the picture on a larger background, over a blurred copy of its
// rectangle in the shadow colour, moved right and down by the offset.
//
// Only a small template of the shadow (at most (4k + 3) x (4k + 3) pixels, k the blur
// margin) is blurred; its corners and edges are cut into eight tiles and the whole shadow
// is put together from them, the edges stretched and the inside one plain fill. The
// result is the same, pixel for pixel, as blurring the full shadow rectangle, and the
// cost of the stage is about one pass over the result, whatever the radius.

#include <QImage>
#include <QSize>
#include <array>

#include "photos/settings/PhotoInfo.h"

namespace vellumora {

// A normalised Gaussian of half-width Size (1..100). Weights holds the taps -100..100 at
// index j + 100; only -Size..Size are used. Symmetric; the used taps, added in double,
// come to 1 or a hair above it (never below, so that a flat area stays flat after the
// truncating blur).
struct TBlurKernel {
    quint8 Size = 1;
    std::array<float, 201> Weights{};
    float Weight(int j) const { return Weights[j + 100]; }
};

// The kernel for a blur radius above 0: taps exp(-(j/radius)^2 / 2), cut where the two
// discarded tails reach 1/510 together (half a level of 255 spread over both sides).
// Size grows by about 3 per unit of radius and stops at 99. A radius that is not above
// 0 (or NaN) gives the kernel that changes nothing: Size 1, all weight on the centre.
TBlurKernel BuildBlurKernel(double radius);

// Blurs the image in place with the kernel, first along the rows, then along the
// columns. Each pass sums in double and truncates to 0..255; pixels beyond the border
// repeat the border pixel.
void BlurBitmap(QImage& image, const TBlurKernel& kernel);

// The eight pieces of a blurred shadow template, in reading order: 0 top-left corner,
// 1 top edge, 2 top-right corner, 3 left edge, 4 right edge, 5 bottom-left corner,
// 6 bottom edge, 7 bottom-right corner. A piece that is not needed is a null image.
// K is the blur margin, C0 the width of the left pieces, R0 the height of the top pieces.
struct TShadowTiles {
    std::array<QImage, 8> Tiles;
    int K = 0;
    int C0 = 0;
    int R0 = 0;
};

// The tiles for a picture of the given size. The template is the shadow rectangle with a
// margin of k background pixels on every side, blurred. A shadow pixel sees s = k + 1
// pixels each way, so along a side the first and last 2k + 1 template pixels (the margin
// and k + 1 pixels of shadow) are corners, and every pixel between them is like every
// other. A side whose whole template would be longer than two corners and one pixel
// (4k + 3) gets just that: the edge tiles are the one pixel between the corners, wide or
// high, stretched when the shadow is put together. A shorter side is blurred whole and
// only the first piece of that direction is used. With a radius below 1 there is no blur,
// k is 0 and every tile is null. All tiles null (K
// still set) when the template cannot be allocated.
TShadowTiles BuildShadowTiles(QSize picture, int radius, TColor shadow, TColor background);

// The blur margin k of a radius: the kernel's half-width less one; 0 for a radius below 1.
int ShadowMargin(int radius);

// What AddShadow adds to the width and to the height of a picture: the margin on the left
// and top, and the larger of the margin and the offset on the right and bottom. 0 when the
// stage changes nothing. A negative offset counts as 0.
qint64 ShadowGrowth(int radius, int offset);

// Puts the picture on a background grown by ShadowGrowth, over its shadow blurred with
// the radius and moved by offset pixels right and down. The picture sits at
// (max(k - offset, 0), max(k - offset, 0)).
// A radius below 1 gives a hard-edged shadow. A negative offset counts as 0: the picture
// cannot be pushed out of its own result. Returns the image itself when there is nothing
// to add (radius and offset both 0 or less), and a null image when the result would exceed
// kMaxRenderPixels or cannot be allocated.
QImage AddShadow(QImage image, int radius, int offset, TColor shadow, TColor background);

}  // namespace vellumora
