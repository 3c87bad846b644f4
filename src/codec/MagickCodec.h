#pragma once

// ImageMagick for the formats Qt has no reader or writer for (PCX, DCX, fax, JPEG 2000,
// Windows metafiles, the TGA family's odd members ...) and as a second opinion on files
// Qt refuses. Its module (modules/MagickCodec.cpp) is loaded on first use.

#include <QByteArray>
#include <QImage>
#include <QString>

#include "codec/CodecUtil.h"

namespace vellumora::codec {

// Decodes the first image of a file held in memory. Only formats we list as readable
// are tried: the coder comes from the signature when the data has one we know, from
// the suffix (lower case) otherwise, and never from anything a file could name itself.
TDecoded DecodeWithMagick(const QByteArray& data, const QString& suffix);

// Encodes a kPixelFormat image without alpha. coder is ImageMagick's name of the
// format ("GIF", "PCX", "TGA"); GIF is reduced to 256 colours, the others keep 24 bits.
bool EncodeWithMagick(const QImage& image, const char* coder, QByteArray* out, QString* error);

}  // namespace vellumora::codec
