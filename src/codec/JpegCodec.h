#pragma once

// JPEG through libjpeg-turbo: the format nearly every photo arrives in, so it gets a
// path that decodes straight into the final buffer, shrinks while decoding when the
// caller allows, and reads the colour profile itself.

#include <turbojpeg.h>

#include <QByteArray>
#include <QImage>
#include <QString>

#include "codec/Codec.h"
#include "codec/CodecUtil.h"

namespace vellumora::codec {

// True when the data starts like a JPEG file (FF D8 FF).
bool LooksLikeJpeg(const QByteArray& data);

// Decodes a whole JPEG file held in memory: turned upright by the EXIF orientation code
// given (1 to 8, read with the file's metadata) and in sRGB. Failed (without reason) for
// JPEGs it does not handle, such as CMYK ones, which other readers may try.
TDecoded DecodeJpeg(const QByteArray& data, const TLoadOptions& options, int orientation);

// The ICC profile of a JPEG file held in memory (reassembled from its APP2 segments);
// empty when it has none or its pieces do not fit together.
QByteArray ReadIccProfile(const uchar* data, size_t size);

// The smallest DCT scaling factor (at most 1) whose sides still reach the options'
// minimums; 1/1 when none does.
tjscalingfactor ChooseScale(int width, int height, const TLoadOptions& options);

// Encodes a kPixelFormat image as a baseline JPEG with 4:2:0 chroma subsampling, the
// kind every program and printer reads, without metadata.
bool EncodeJpeg(const QImage& image, int quality, QByteArray* out, QString* error);

}  // namespace vellumora::codec
