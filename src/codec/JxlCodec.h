#pragma once

// JPEG XL through libjxl: 8 and 16 bits and float, alpha, its colour encoding converted to
// sRGB, upright by its own orientation; written with the metadata. The content check is
// the core's; the rest is the JPEG XL module (modules/JxlCodec.cpp), loaded on first use.

#include <QByteArray>
#include <QImage>
#include <QString>

#include "codec/Codec.h"
#include "codec/CodecUtil.h"
#include "codec/MetadataIo.h"

namespace vellumora::codec {

// True when the data starts like a JPEG XL file (bare codestream or container).
bool LooksLikeJxl(const QByteArray& data);

// Decodes a JPEG XL file held in memory; its own orientation applies, never the EXIF one.
TDecoded DecodeJxl(const QByteArray& data, const TLoadOptions& options);

// The upright size from the file's header; invalid when the header cannot be read.
TImageHeader ReadJxlHeader(const QString& path);

// The EXIF (from its TIFF header on) and XMP of a JPEG XL container's boxes, Brotli-
// compressed or not; empty where there are none or they cannot be read.
void ReadJxlMetadataBoxes(const QByteArray& data, QByteArray* exif, QByteArray* xmp);

// Encodes a kPixelFormat image as JPEG XL with the metadata given.
bool EncodeJxl(const QImage& image, const TMetadataBlobs& metadata, QByteArray* out,
               QString* error);

}  // namespace vellumora::codec
