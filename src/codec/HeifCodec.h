#pragma once

// HEIF (HEIC from phones, with HEVC inside) and AVIF (AV1 inside) through libheif: the
// primary image, upright by the file's own transforms, in sRGB; AVIF written. The content
// check is the core's; the rest is the HEIF module (modules/HeifCodec.cpp), loaded on first
// use (CodecModules.h): a call fails with "cannot load the HEIF reader: ..." without it.

#include <QByteArray>
#include <QImage>
#include <QString>

#include "codec/Codec.h"
#include "codec/CodecUtil.h"
#include "codec/MetadataIo.h"

namespace vellumora::codec {

// True when the data starts like a HEIF or AVIF file (an ftyp box with a brand of theirs).
bool LooksLikeHeif(const QByteArray& data);

// Decodes the primary image of a HEIF or AVIF file held in memory. The file's rotation and
// mirroring apply, never its EXIF orientation. With options.preview and a reduction allowed,
// the file's own thumbnail stands in when it meets the minimums.
TDecoded DecodeHeif(const QByteArray& data, const TLoadOptions& options);

// The upright size of the primary image and whether a reduced decode (the file's thumbnail)
// is possible; an invalid size when the header cannot be read.
TImageHeader ReadHeifHeader(const QString& path);

// Encodes a kPixelFormat image as AVIF with the metadata given.
bool EncodeAvif(const QImage& image, const TMetadataBlobs& metadata, QByteArray* out,
                QString* error);

}  // namespace vellumora::codec
