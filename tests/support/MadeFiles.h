#pragma once

// Image files of today's formats made in the tests with the formats' own libraries, so
// that every reader is tried on files whose pixels, orientation and metadata are known.

#include <QByteArray>
#include <QImage>
#include <QString>

namespace vellumora::test {

// --- HEIF and AVIF (libheif) ---

// --- JPEG XL (libjxl) and WebP (libwebp) ---

// --- Camera raw (DNG through libtiff) ---

}  // namespace vellumora::test
