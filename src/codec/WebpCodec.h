#pragma once

// WebP through libwebp: still and animated files (their first frame), written lossy with
// the metadata in its EXIF and XMP chunks.

#include <QByteArray>
#include <QImage>
#include <QString>

#include "codec/Codec.h"
#include "codec/CodecUtil.h"
#include "codec/MetadataIo.h"

namespace vellumora::codec {

// True when the data starts like a WebP file (RIFF....WEBP).
bool LooksLikeWebp(const QByteArray& data);

// Decodes a WebP file held in memory, turned by the EXIF orientation code given.
TDecoded DecodeWebp(const QByteArray& data, const TLoadOptions& options, int orientation);

// Encodes a kPixelFormat image as WebP with the metadata given.
bool EncodeWebp(const QImage& image, const TMetadataBlobs& metadata, QByteArray* out,
                QString* error);

}  // namespace vellumora::codec
