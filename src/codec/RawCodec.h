#pragma once

// Camera raw files through LibRaw: demosaiced with the camera's white balance into
// 8-bit sRGB, turned as the camera recorded. The suffix check is the core's; the rest is the
// camera raw module (modules/RawCodec.cpp), loaded on first use.

#include <QString>

#include "codec/Codec.h"
#include "codec/CodecUtil.h"

namespace vellumora::codec {

// Whether an extension (lower case) is one of the raw formats we offer to open.
bool IsRawSuffix(const QString& suffix);

// The upright size LibRaw will give and whether a reduced decode is possible (half size, or
// the camera's embedded preview); an invalid size when the file does not open as raw.
TImageHeader ReadRawHeader(const QString& path);

// Decodes a raw file. With options.minimumLongSide > 0 it may decode at half size
// (one pixel per colour filter block, much faster) when that is still large enough; with
// options.preview as well it may return the camera's embedded preview instead.
// Failed without reason when LibRaw does not identify the file (another reader may), with
// "damaged file" when it does but the data is cut short or reported damaged.
TDecoded DecodeRaw(const QString& path, const TLoadOptions& options);

}  // namespace vellumora::codec
