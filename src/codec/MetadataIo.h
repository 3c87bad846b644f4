#pragma once

// The codec's side of metadata: reading it from bytes already in memory and embedding it
// into freshly encoded files. Not for use outside src/codec.

#include <QByteArray>
#include <QSize>

#include "codec/Metadata.h"

namespace vellumora::codec {

// The metadata of a whole file held in memory.
TMetadata ReadMetadata(const QByteArray& file);

// Returns `encoded` (a complete JPEG, PNG or TIFF file of `size` pixels, upright) with the
// metadata written into it: Orientation 1, the pixel dimensions of `size`, no preview
// thumbnail and no colour profile of the source. Parts that cannot be written are left
// out; when nothing can be written, `encoded` comes back as it was.
QByteArray EmbedMetadata(const QByteArray& encoded, const TMetadata& metadata, QSize size);

// Metadata from EXIF (a TIFF structure, from its byte-order mark on) and an XMP packet
// taken out of a file by its own library; either may be empty.
TMetadata MetadataFromBlobs(const QByteArray& exif, const QByteArray& xmp);

// Metadata as the formats that carry it in boxes or chunks of their own take it (WebP,
// AVIF, JPEG XL): EXIF as a TIFF structure (from its byte-order mark on) and XMP as a
// packet, prepared as EmbedMetadata prepares them; what only the IPTC says is carried
// over into the XMP. Empty parts are absent.
struct TMetadataBlobs {
    QByteArray exif;
    QByteArray xmp;
};
TMetadataBlobs MetadataBlobs(const TMetadata& metadata, QSize size);

}  // namespace vellumora::codec
