#pragma once

// Allocation of big pixel buffers. Fresh memory costs more to touch than to decode into
// on these machines (page faults of 4 KB pages), so large images live in 2 MB-aligned
// buffers that the kernel may back with transparent huge pages.

#include <QImage>
#include <functional>

namespace vellumora {

// A new, uninitialised image of the program's pixel layout (kPixelFormat), or a null
// image when the size is empty, negative, beyond kMaxLoadPixels or cannot be allocated.
QImage NewImage(int width, int height);

// NewImage filled with one colour (0xAARRGGBB as QRgb).
QImage NewFilledImage(int width, int height, QRgb fill);

}  // namespace vellumora

namespace vellumora {

// Turns or mirrors an image into one of the eight orientations numbered as EXIF tag
// 0x0112 numbers them: 1 as stored, 2 mirrored left to right, 3 half turn, 4 mirrored
// top to bottom, 5 mirrored across the main diagonal, 6 quarter turn clockwise,
// 7 mirrored across the other diagonal, 8 quarter turn counter-clockwise.
// Returns the image itself for 1 and for values outside 1..8; a null image when the
// result cannot be allocated.
//
// The result's rows are written by split(rows, costPerRow, rowsOf), which must call
// rowsOf(first, end) once for each row of [0, rows), in bands, possibly at once on other
// threads: every row comes out the same however they are divided. Without it, all rows
// are written here.
using TRowSplit = std::function<void(int rows, qint64 costPerRow,
                                     const std::function<void(int first, int end)>& rowsOf)>;
QImage OrientImage(const QImage& image, int exifOrientation, const TRowSplit& split = {});

}  // namespace vellumora
