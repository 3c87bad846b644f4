#pragma once

// Pieces the decoders and encoders of this module share. Not for use outside src/codec.

#include <QColorSpace>
#include <QImage>
#include <QString>

#include "codec/Codec.h"

namespace vellumora::codec {

// What one decoder made of a file. Failed lets the caller try the next decoder;
// TooLarge stops the search, since every other decoder would have to allocate the same.
struct TDecoded {
    enum class EStatus { Failed, Ok, TooLarge };
    EStatus status = EStatus::Failed;
    QImage image;
    QString reason;

    static TDecoded Ok(QImage image);
    static TDecoded Failed(QString reason = {});
    static TDecoded TooLarge(qint64 width, qint64 height);
};

// Any QImage as kPixelFormat with every 4th byte 0xFF; images with transparency are
// laid over white, the way a print on paper shows them. Keeps the colour space tag.
// Pass an image nobody else holds (std::move) to spare a copy of one already in
// kPixelFormat.
QImage ToOpaquePixelFormat(QImage image);

// Pixels stored as B, G, R, A with straight (not premultiplied) alpha, laid over white
// in place; afterwards every 4th byte is 0xFF.
void CompositeOverWhiteInPlace(QImage& image);

// Sets the 4th byte of every pixel of a kPixelFormat image to 0xFF.
void ForceOpaque(QImage& image);

// True for sRGB and the descriptions that mean it: gamma 1/2.2 (within libpng's
// tolerance) with the sRGB primaries.
bool IsSrgbEquivalent(const QColorSpace& space);

// Converts pixels described by `from` to sRGB when `from` is a valid colour space other
// than sRGB or its equivalents. The image is left without a colour space tag: everything this
// program holds in memory is sRGB, and untagged images make writers embed no profile.
void ConvertToSrgb(QImage& image, const QColorSpace& from);

}  // namespace vellumora::codec
