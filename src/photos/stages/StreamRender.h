#pragma once

// The render chain straight from a JPEG decoded by rows: each band of rows is cut to the
// crop and summed into the resized picture as it arrives, so a big original is never
// held whole; the stages after the resize then run on the small picture as in
// RenderChain. The result equals RenderChain(DoLoad(file), ...) byte for byte.

#include <QImage>
#include <QString>

#include "codec/JpegStream.h"
#include "photos/settings/PhotoInfo.h"

namespace vellumora {

// Whether a file of this EXIF orientation streams. The resize sums rows first and
// columns second, with a rounding between; a file stored on its side would have its
// upright columns arrive as rows, so it is turned whole instead.
bool StreamsOrientation(int exifOrientation);

// Renders info from source at the size source decodes to. A null image when the source
// does not stream (see TJpegStream::Streamable, StreamsOrientation), when the render
// would be refused, or when the decode meets damage: the caller then renders the
// decoded original with RenderChain, which also says what went wrong. *error as
// RenderChain's, for a failure of the stages after the resize.
QImage RenderStreamed(const TJpegStream& source, const TPhotoInfo& info, const QImage& mask,
                      QString* error = nullptr);

}  // namespace vellumora
