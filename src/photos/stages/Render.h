#pragma once

// The render chain: the shown picture rebuilt from the untouched original and the
// settings record, one fixed sequence of stages.

#include <QImage>
#include <QSize>
#include <QString>
#include <limits>

#include "photos/settings/PhotoInfo.h"

namespace vellumora {

// The largest picture the chain makes. Hand-edited settings can ask for far more (a
// resize to 2^31 pixels, bands 2^30 wide); such a render is refused, not attempted.
inline constexpr qint64 kMaxRenderPixels = qint64(1) << 28;

struct TRenderSize {
    qint64 width = 0;
    qint64 height = 0;
    // Saturates instead of overflowing: bands of 2^30 pixels make sides beyond 2^32.
    qint64 Pixels() const {
        qint64 pixels = 0;
        return __builtin_mul_overflow(width, height, &pixels) ? std::numeric_limits<qint64>::max()
                                                              : pixels;
    }
};

// The size the chain gives an original of the given size, computed without wrapping.
TRenderSize RenderedSize(QSize original, const TPhotoInfo& info);

// A preview of the chain's result from a smaller decode of the original (JPEG DCT
// scaling), for the moment before the original itself is ready.
//
// The long side a reduced decode of an original of the given size should keep at least:
// enough for the resize to still make its full-size result from the cropped part, or,
// where the chain does not shrink, enough for a screen. 0 when no reduction can help.
int PreviewMinimumLongSide(QSize original, const TPhotoInfo& info);
// Settings that make, from a reduced decode (of size `reduced`) of an original of size
// `original`, the picture the chain makes from the original: the crop is scaled to the
// reduced picture. Where the resize then gives the same size as from the original, the
// preview has the full size; otherwise every other length in pixels (resize target,
// margins, font, bands, shadow) is scaled too, and the preview is the same picture,
// smaller.
TPhotoInfo PreviewSettings(const TPhotoInfo& info, QSize original, QSize reduced);

// Runs every stage on a copy of original (which is never changed). mask may be null.
// Returns a null image when the original is null; also when the result would exceed
// kMaxRenderPixels or memory runs out, with the reason in *error.
QImage RenderChain(const QImage& original, const TPhotoInfo& info, const QImage& mask,
                   QString* error = nullptr);
// The stages after the resize, for a picture already cropped and resized (null when
// that failed for memory): what RenderChain does with it, with the same messages.
QImage RenderAfterResize(QImage image, const TPhotoInfo& info, const QImage& mask,
                         QString* error = nullptr);

}  // namespace vellumora
