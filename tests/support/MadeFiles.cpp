#include "support/MadeFiles.h"

namespace vellumora::test {

// --- HEIF and AVIF (libheif) ---

// --- JPEG XL (libjxl) and WebP (libwebp) ---

// --- Camera raw (DNG through libtiff) ---

}  // namespace vellumora::test
