#include "codec/CodecModules.h"

#include <dlfcn.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QtEndian>
#include <algorithm>
#include <cstring>
#include <mutex>

#include "codec/HeifCodec.h"
#include "codec/JxlCodec.h"
#include "codec/MagickCodec.h"
#include "codec/RawCodec.h"

namespace vellumora::codec {
namespace {

// The path of the running program, as the kernel knows it (links resolved). Tools without
// an application object have no other way to it.
QString ExecutablePath() {
    char buffer[4096];
    const ssize_t length = ::readlink("/proc/self/exe", buffer, sizeof buffer);
    if (length <= 0 || size_t(length) >= sizeof buffer) return {};
    return QFile::decodeName(QByteArray(buffer, qsizetype(length)));
}

// One module, loaded at most once for the whole process and never unloaded: the images and
// buffers it made may outlive any caller.
struct TModuleSlot {
    const char* file;
    std::size_t tableSize;
    std::once_flag once;
    const void* table = nullptr;
    QString error;  // why it could not be loaded
};

const void* Load(TModuleSlot& slot) {
    std::call_once(slot.once, [&slot] {
        const QString path = ModuleFile(QString::fromLatin1(slot.file));
        void* handle = ::dlopen(QFile::encodeName(path).constData(), RTLD_NOW | RTLD_LOCAL);
        if (!handle) {
            const char* reason = ::dlerror();
            slot.error = reason ? QString::fromLocal8Bit(reason) : path;
            return;
        }
        using TEntry = const void* (*)();
        const auto entry = reinterpret_cast<TEntry>(::dlsym(handle, kModuleEntry));
        const void* table = entry ? entry() : nullptr;
        // Every table starts with its own size, which differs between builds that differ.
        if (!table || *static_cast<const std::size_t*>(table) != slot.tableSize) {
            slot.error = path + QStringLiteral(": not a module of this build");
            return;
        }
        slot.table = table;
    });
    return slot.table;
}

template <typename T>
const T* LoadModule(TModuleSlot& slot, const char* what, QString* reason) {
    const T* table = static_cast<const T*>(Load(slot));
    if (!table)
        *reason = QStringLiteral("cannot load the %1: %2").arg(QLatin1String(what), slot.error);
    return table;
}

TModuleSlot heifSlot{"heif.so", sizeof(THeifModule), {}, nullptr, {}};
TModuleSlot jxlSlot{"jxl.so", sizeof(TJxlModule), {}, nullptr, {}};
TModuleSlot rawSlot{"raw.so", sizeof(TRawModule), {}, nullptr, {}};
TModuleSlot magickSlot{"magick.so", sizeof(TMagickModule), {}, nullptr, {}};

bool IsHeifBrand(const char* brand) {
    static const char* const kBrands[] = {"heic", "heix", "hevc", "hevx", "heim",
                                          "heis", "hevm", "hevs", "mif1", "msf1",
                                          "mif2", "avif", "avis", "avio", "miaf"};
    for (const char* known : kBrands)
        if (std::memcmp(brand, known, 4) == 0) return true;
    return false;
}

bool Fail(QString* error, const QString& reason) {
    if (error) *error = reason;
    return false;
}

}  // namespace

QString ModuleFile(const QString& executable, const QString& fromBinaries, const QString& file) {
    const QString folder = QDir::isAbsolutePath(fromBinaries)
                               ? fromBinaries
                               : QFileInfo(executable).path() + QLatin1Char('/') + fromBinaries;
    return QDir::cleanPath(folder + QLatin1Char('/') + file);
}

QString ModuleFile(const QString& file) {
    return ModuleFile(ExecutablePath(), QStringLiteral(VELLUMORA_MODULE_DIR), file);
}

// The content checks stay here, so that a file's type is known without its library.

bool LooksLikeHeif(const QByteArray& data) {
    // An ftyp box first: size, "ftyp", major brand, minor version, compatible brands.
    if (data.size() < 16 || std::memcmp(data.constData() + 4, "ftyp", 4) != 0) return false;
    const quint32 boxSize = qFromBigEndian<quint32>(data.constData());
    if (boxSize < 16) return false;
    if (IsHeifBrand(data.constData() + 8)) return true;
    // Only the first bytes may be at hand: the brands that are there decide.
    const qsizetype end = std::min<qsizetype>(data.size(), qsizetype(boxSize));
    for (qsizetype at = 16; at + 4 <= end; at += 4)
        if (IsHeifBrand(data.constData() + at)) return true;
    return false;
}

bool LooksLikeJxl(const QByteArray& data) {
    // A bare codestream, or the container's signature box; as libjxl's signature check.
    static constexpr char kContainer[] = "\0\0\0\x0CJXL \x0D\x0A\x87\x0A";
    const char* bytes = data.constData();
    return (data.size() >= 2 && uchar(bytes[0]) == 0xFF && bytes[1] == 0x0A) ||
           (data.size() >= 12 && std::memcmp(bytes, kContainer, 12) == 0);
}

bool IsRawSuffix(const QString& suffix) {
    for (const TReadableType& type : ReadableTypes())
        if (type.raw && suffix == QLatin1String(type.suffix)) return true;
    return false;
}

// The rest loads the module of the family and calls it.

TDecoded DecodeHeif(const QByteArray& data, const TLoadOptions& options) {
    QString reason;
    const auto* module = LoadModule<THeifModule>(heifSlot, "HEIF reader", &reason);
    return module ? module->decode(data, options) : TDecoded::Failed(reason);
}

TImageHeader ReadHeifHeader(const QString& path) {
    QString reason;
    const auto* module = LoadModule<THeifModule>(heifSlot, "HEIF reader", &reason);
    return module ? module->readHeader(path) : TImageHeader();
}

bool EncodeAvif(const QImage& image, const TMetadataBlobs& metadata, QByteArray* out,
                QString* error) {
    QString reason;
    const auto* module = LoadModule<THeifModule>(heifSlot, "AVIF writer", &reason);
    return module ? module->encodeAvif(image, metadata, out, error) : Fail(error, reason);
}

TDecoded DecodeJxl(const QByteArray& data, const TLoadOptions& options) {
    QString reason;
    const auto* module = LoadModule<TJxlModule>(jxlSlot, "JPEG XL reader", &reason);
    return module ? module->decode(data, options) : TDecoded::Failed(reason);
}

TImageHeader ReadJxlHeader(const QString& path) {
    QString reason;
    const auto* module = LoadModule<TJxlModule>(jxlSlot, "JPEG XL reader", &reason);
    return module ? module->readHeader(path) : TImageHeader();
}

void ReadJxlMetadataBoxes(const QByteArray& data, QByteArray* exif, QByteArray* xmp) {
    exif->clear();
    xmp->clear();
    QString reason;
    if (const auto* module = LoadModule<TJxlModule>(jxlSlot, "JPEG XL reader", &reason))
        module->readMetadataBoxes(data, exif, xmp);
}

bool EncodeJxl(const QImage& image, const TMetadataBlobs& metadata, QByteArray* out,
               QString* error) {
    QString reason;
    const auto* module = LoadModule<TJxlModule>(jxlSlot, "JPEG XL writer", &reason);
    return module ? module->encode(image, metadata, out, error) : Fail(error, reason);
}

TDecoded DecodeRaw(const QString& path, const TLoadOptions& options) {
    QString reason;
    const auto* module = LoadModule<TRawModule>(rawSlot, "camera raw reader", &reason);
    return module ? module->decode(path, options) : TDecoded::Failed(reason);
}

TImageHeader ReadRawHeader(const QString& path) {
    QString reason;
    const auto* module = LoadModule<TRawModule>(rawSlot, "camera raw reader", &reason);
    return module ? module->readHeader(path) : TImageHeader();
}

TDecoded DecodeWithMagick(const QByteArray& data, const QString& suffix) {
    QString reason;
    const auto* module = LoadModule<TMagickModule>(magickSlot, "ImageMagick reader", &reason);
    return module ? module->decode(data, suffix) : TDecoded::Failed(reason);
}

bool EncodeWithMagick(const QImage& image, const char* coder, QByteArray* out, QString* error) {
    QString reason;
    const auto* module = LoadModule<TMagickModule>(magickSlot, "ImageMagick writer", &reason);
    return module ? module->encode(image, coder, out, error) : Fail(error, reason);
}

}  // namespace vellumora::codec
