#pragma once

// Every limit the program sets on what it reads, in one place: beyond them a file is
// taken as damaged or hostile rather than allocated or parsed. The user guide's
// troubleshooting page lists them in words; tests try each at the limit and one past it.

#include <QtGlobal>

namespace vellumora {

// Pictures: the most pixels a decoded picture may have (268 MP, such as 16384 x 16384),
// so at most 1 GiB in memory in the program's 4-byte layout. A header that claims more is
// refused before anything is allocated: "image too large (W x H)".
inline constexpr qint64 kMaxLoadPixels = qint64(1) << 28;
inline constexpr qint64 kMaxImageBytes = kMaxLoadPixels * 4;
// The largest file read as a picture (2 GiB): "file too large".
inline constexpr qint64 kMaxFileBytes = qint64(2) << 30;
// Frames of a many-framed file (DCX, GIF, ICO) that ImageMagick lists; only the first is
// shown.
inline constexpr int kMaxFrames = 4096;
// A JPEG's extended XMP (the packet continued over further segments), whole.
inline constexpr quint32 kMaxExtendedXmpBytes = 16 * 1024 * 1024;

// Settings files (Vellumora.dat, Templates.dat, Photos.dat): the longest value of a key
// (a watermark, a description, a file name) in characters; longer ones are cut on reading.
inline constexpr int kMaxSettingsValueLength = 2047;
// A settings file beyond either of these is not one of ours: it reads as empty and is
// never replaced.
inline constexpr qint64 kMaxSettingsFileBytes = 16 * 1024 * 1024;
inline constexpr qint64 kMaxSettingsLines = 1024 * 1024;

// True when a size read from a header is beyond what we load (0 or negative sizes are
// the decoders' own business: they are damaged, not large).
inline bool ExceedsPixelLimit(qint64 width, qint64 height) {
    return width > 0 && height > 0 && width > kMaxLoadPixels / height;
}

}  // namespace vellumora
