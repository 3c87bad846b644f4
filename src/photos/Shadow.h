#pragma once

// The drop shadow: the picture on a larger background, over a blurred copy of its
// rectangle in the shadow colour, moved right and down by the offset.

#include <QImage>
#include <array>

#include "PhotoInfo.h"

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

}  // namespace vellumora
