#pragma once

// The readers and writers built on the heavy libraries (libheif, libjxl, LibRaw, ImageMagick)
// live in loadable modules, one per library family, each loaded the first time a file or a
// write needs it. A program that only reads and writes JPEG never maps those libraries, and
// their loading and static set-up were most of its start-up. Not for use outside src/codec.
//
// Each module exports one C function, kModuleEntry, returning its table of functions. Both
// sides are built together, by the same compiler against the same Qt, so the C++ types of
// the codec cross as they are; the table's size catches a module of another build.

#include <QByteArray>
#include <QImage>
#include <QString>
#include <cstddef>

#include "codec/Codec.h"
#include "codec/CodecUtil.h"
#include "codec/MetadataIo.h"

namespace vellumora::codec {

// HEIF and AVIF through libheif (HeifCodec.h tells what each does).
struct THeifModule {
    std::size_t size = sizeof(THeifModule);
    TDecoded (*decode)(const QByteArray& data, const TLoadOptions& options);
    TImageHeader (*readHeader)(const QString& path);
    bool (*encodeAvif)(const QImage& image, const TMetadataBlobs& metadata, QByteArray* out,
                       QString* error);
};

// JPEG XL through libjxl (JxlCodec.h).
struct TJxlModule {
    std::size_t size = sizeof(TJxlModule);
    TDecoded (*decode)(const QByteArray& data, const TLoadOptions& options);
    TImageHeader (*readHeader)(const QString& path);
    void (*readMetadataBoxes)(const QByteArray& data, QByteArray* exif, QByteArray* xmp);
    bool (*encode)(const QImage& image, const TMetadataBlobs& metadata, QByteArray* out,
                   QString* error);
};

// Camera raw through LibRaw (RawCodec.h).
struct TRawModule {
    std::size_t size = sizeof(TRawModule);
    TDecoded (*decode)(const QString& path, const TLoadOptions& options);
    TImageHeader (*readHeader)(const QString& path);
};

// ImageMagick (MagickCodec.h).
struct TMagickModule {
    std::size_t size = sizeof(TMagickModule);
    TDecoded (*decode)(const QByteArray& data, const QString& suffix);
    bool (*encode)(const QImage& image, const char* coder, QByteArray* out, QString* error);
};

// The one symbol a module exports: extern "C" const void* VellumoraCodecModule(), its table.
inline constexpr const char* kModuleEntry = "VellumoraCodecModule";
#define VELLUMORA_MODULE_ENTRY extern "C" __attribute__((visibility("default")))

// Where a module's file lies: `fromBinaries` (the module folder as seen from the folder of
// the executables, "../lib/vellumora"; an absolute one as it is) taken from the folder of
// `executable`. The build tree lays out bin/ and the module folder as an install does, so
// the programs, tests, benchmarks and fuzz targets all find the modules by this one rule,
// wherever the tree or the install lies.
QString ModuleFile(const QString& executable, const QString& fromBinaries, const QString& file);
// The same for the running program and the module folder this build was configured with.
QString ModuleFile(const QString& file);

}  // namespace vellumora::codec
