#include "codec/Metadata.h"

#include <QDateTime>
#include <QRegularExpression>
#include <QStringList>
#include <algorithm>
#include <exiv2/exiv2.hpp>
#include <mutex>
#include <utility>
#include <vector>

#include "codec/Limits.h"
#include "codec/MetadataIo.h"

namespace vellumora {

struct TMetadata::TData {
    Exiv2::ExifData exif;
    Exiv2::XmpData xmp;
    Exiv2::IptcData iptc;
};

namespace codec {
namespace {

using TData = TMetadata::TData;

void PrepareExiv2() {
    static std::once_flag once;
    static std::mutex xmpMutex;
    std::call_once(once, [] {
        // Damaged metadata is dropped quietly: the user cannot act on Exiv2's warnings.
        Exiv2::LogMsg::setLevel(Exiv2::LogMsg::mute);
        // HEIF, AVIF, JPEG XL and CR3 are ISO media files, read only when asked for.
        Exiv2::enableBMFF(true);
        // The XMP toolkit is shared by all threads (the batch and album convert in parallel).
        Exiv2::XmpParser::initialize(
            [](void* data, bool lock) {
                auto* m = static_cast<std::mutex*>(data);
                if (lock)
                    m->lock();
                else
                    m->unlock();
            },
            &xmpMutex);
    });
}

template <typename Data, typename Predicate>
void EraseIf(Data& data, Predicate predicate) {
    for (auto it = data.begin(); it != data.end();) it = predicate(*it) ? data.erase(it) : ++it;
}

bool ContainsNoCase(const std::string& text, const char* part) {
    return QString::fromStdString(text).contains(QLatin1String(part), Qt::CaseInsensitive);
}

// The whole file behind an opened image.
QByteArray FileBytes(Exiv2::Image& image) {
    Exiv2::BasicIo& io = image.io();
    if (io.open() != 0) return {};
    const long size = long(io.size());
    QByteArray bytes(size, Qt::Uninitialized);
    io.seek(0, Exiv2::BasicIo::beg);
    const long read = io.read(reinterpret_cast<Exiv2::byte*>(bytes.data()), size);
    io.close();
    return read == size ? bytes : QByteArray();
}

// A JPEG's XMP may go on in further APP1 segments (the "extended XMP" some editors write
// when the packet outgrows one segment), which Exiv2 does not read: the main packet then
// names them by the GUID of their content. The extension's properties join the main ones
// when every byte of it is there; either way the pointer goes, so that no written file
// points to segments it does not carry.
void MergeExtendedXmp(const QByteArray& jpeg, Exiv2::XmpData& xmp) {
    const auto pointer = xmp.findKey(Exiv2::XmpKey("Xmp.xmpNote.HasExtendedXMP"));
    if (pointer == xmp.end()) return;
    const QByteArray guid = QByteArray::fromStdString(pointer->toString());
    xmp.erase(pointer);
    if (guid.size() != 32) return;

    static const QByteArray kSignature("http://ns.adobe.com/xmp/extension/", 35);
    const auto number = [&](qsizetype at) {
        return quint32(quint8(jpeg[at])) << 24 | quint32(quint8(jpeg[at + 1])) << 16 |
               quint32(quint8(jpeg[at + 2])) << 8 | quint32(quint8(jpeg[at + 3]));
    };
    QByteArray packet;
    qint64 covered = 0;
    quint32 fullLength = 0;
    qsizetype at = 2;
    while (at + 4 <= jpeg.size() && quint8(jpeg[at]) == 0xFF) {
        const int marker = quint8(jpeg[at + 1]);
        if (marker == 0xDA || marker == 0xD9) break;  // the picture's data starts
        const qsizetype length = quint8(jpeg[at + 2]) << 8 | quint8(jpeg[at + 3]);
        if (length < 2 || at + 2 + length > jpeg.size()) return;
        const qsizetype payload = at + 4, end = at + 2 + length;
        constexpr qsizetype kHeader = 35 + 32 + 4 + 4;
        if (marker == 0xE1 && end - payload > kHeader && jpeg.mid(payload, 35) == kSignature &&
            jpeg.mid(payload + 35, 32) == guid) {
            const quint32 full = number(payload + 67), offset = number(payload + 71);
            const qsizetype chunk = end - payload - kHeader;
            if (full == 0 || full > kMaxExtendedXmpBytes ||
                (fullLength != 0 && full != fullLength) || offset > full ||
                chunk > qint64(full - offset))
                return;
            if (fullLength == 0) packet = QByteArray(qsizetype(fullLength = full), '\0');
            packet.replace(offset, chunk, jpeg.constData() + payload + kHeader, chunk);
            covered += chunk;
        }
        at = end;
    }
    // Chunks never overlap in a sound file, so a total of the full length means whole.
    if (fullLength == 0 || covered != fullLength) return;
    Exiv2::XmpData extension;
    if (Exiv2::XmpParser::decode(extension, packet.toStdString()) != 0) return;
    for (const Exiv2::Xmpdatum& datum : extension)
        if (xmp.findKey(Exiv2::XmpKey(datum.key())) == xmp.end()) xmp.add(datum);
}

// Reads what an opened image holds; each part on its own, so a damaged one loses only itself.
TMetadata ReadOpened(Exiv2::Image& image) {
    try {
        image.readMetadata();
    } catch (...) {
        // What was read before the damage is kept.
    }
    auto data = std::make_shared<TData>();
    try {
        data->exif = image.exifData();
    } catch (...) {
    }
    try {
        data->xmp = image.xmpData();
        if (image.mimeType() == "image/jpeg" &&
            data->xmp.findKey(Exiv2::XmpKey("Xmp.xmpNote.HasExtendedXMP")) != data->xmp.end())
            MergeExtendedXmp(FileBytes(image), data->xmp);
    } catch (...) {
    }
    try {
        data->iptc = image.iptcData();
    } catch (...) {
    }
    if (data->exif.empty() && data->xmp.empty() && data->iptc.empty()) return {};
    return TMetadata(std::move(data));
}

// Tags of the source's own picture (its layout, strips, profile): wrong for any other file.
bool IsStructureTag(const Exiv2::Exifdatum& datum) {
    static const char* const kTags[] = {"ImageWidth",
                                        "ImageLength",
                                        "BitsPerSample",
                                        "Compression",
                                        "PhotometricInterpretation",
                                        "StripOffsets",
                                        "SamplesPerPixel",
                                        "RowsPerStrip",
                                        "StripByteCounts",
                                        "PlanarConfiguration",
                                        "TileWidth",
                                        "TileLength",
                                        "TileOffsets",
                                        "TileByteCounts",
                                        "SubIFDs",
                                        "NewSubfileType",
                                        "SubfileType",
                                        "InterColorProfile",
                                        "JPEGInterchangeFormat",
                                        "JPEGInterchangeFormatLength",
                                        "Predictor",
                                        "ExtraSamples",
                                        "SampleFormat"};
    if (datum.groupName() != "Image") return false;
    const std::string name = datum.tagName();
    for (const char* tag : kTags)
        if (name == tag) return true;
    return false;
}

// Exif groups a written file keeps: the main picture's, the camera's, the position and the
// maker's notes; other groups describe sub-images of the source (raw previews and the like).
bool IsKeptGroup(const std::string& group) {
    return group == "Image" || group == "Photo" || group == "GPSInfo" || group == "Iop" ||
           group == "MakerNote" || Exiv2::ExifTags::isMakerGroup(group);
}

void PrepareForOutput(TData& data, QSize size) {
    if (!data.exif.empty()) {
        Exiv2::ExifThumb(data.exif).erase();
        EraseIf(data.exif, [](const Exiv2::Exifdatum& d) {
            return IsStructureTag(d) || !IsKeptGroup(d.groupName());
        });
        data.exif["Exif.Image.Orientation"] = uint16_t(1);
        data.exif["Exif.Photo.PixelXDimension"] = uint32_t(size.width());
        data.exif["Exif.Photo.PixelYDimension"] = uint32_t(size.height());
    }
    if (!data.xmp.empty()) {
        EraseIf(data.xmp, [](const Exiv2::Xmpdatum& d) {
            const std::string key = d.key();
            // Written files never carry an extension for the pointer to name.
            return key.rfind("Xmp.xmp.Thumbnails", 0) == 0 || key == "Xmp.photoshop.ICCProfile" ||
                   key == "Xmp.xmpNote.HasExtendedXMP" || key == "Xmp.tiff.ImageWidth" ||
                   key == "Xmp.tiff.ImageLength";
        });
        const auto set = [&](const char* key, long value) {
            if (data.xmp.findKey(Exiv2::XmpKey(key)) != data.xmp.end())
                data.xmp[key] = std::to_string(value);
        };
        set("Xmp.tiff.Orientation", 1);
        set("Xmp.exif.PixelXDimension", size.width());
        set("Xmp.exif.PixelYDimension", size.height());
    }
}

bool IsMakerNote(const Exiv2::Exifdatum& d) {
    return d.groupName() == "MakerNote" || Exiv2::ExifTags::isMakerGroup(d.groupName()) ||
           d.key() == "Exif.Photo.MakerNote";
}

// The maker's tags as Exiv2 decoded them, each with its value; not where the note lies
// (the MakerNote group), which moves with every writing.
std::vector<std::pair<std::string, std::string>> MakerTags(const Exiv2::ExifData& exif) {
    std::vector<std::pair<std::string, std::string>> tags;
    for (const Exiv2::Exifdatum& d : exif)
        if (Exiv2::ExifTags::isMakerGroup(d.groupName()) && d.groupName() != "MakerNote")
            tags.emplace_back(d.key(), d.toString());
    std::sort(tags.begin(), tags.end());
    return tags;
}

Exiv2::ExifData ReadWritten(const QByteArray& file) {
    try {
        auto image = Exiv2::ImageFactory::open(
            reinterpret_cast<const Exiv2::byte*>(file.constData()), long(file.size()));
        image->readMetadata();
        return image->exifData();
    } catch (...) {
        return {};
    }
}

bool TryEmbed(const QByteArray& encoded, const TData& data, QByteArray* out) {
    try {
        auto image = Exiv2::ImageFactory::open(
            reinterpret_cast<const Exiv2::byte*>(encoded.constData()), long(encoded.size()));
        if (!image.get()) return false;
        image->setExifData(data.exif);
        image->setXmpData(data.xmp);
        image->setIptcData(data.iptc);
        image->writeMetadata();
        Exiv2::BasicIo& io = image->io();
        if (io.open() != 0) return false;
        const long size = long(io.size());
        QByteArray bytes(size, Qt::Uninitialized);
        io.seek(0, Exiv2::BasicIo::beg);
        const long read = io.read(reinterpret_cast<Exiv2::byte*>(bytes.data()), size);
        io.close();
        if (read != size || size == 0) return false;
        *out = std::move(bytes);
        return true;
    } catch (...) {
        return false;
    }
}

}  // namespace

TMetadata ReadMetadata(const QByteArray& file) {
    if (file.isEmpty()) return {};
    try {
        PrepareExiv2();
        auto image = Exiv2::ImageFactory::open(
            reinterpret_cast<const Exiv2::byte*>(file.constData()), long(file.size()));
        return image.get() ? ReadOpened(*image) : TMetadata();
    } catch (...) {
        // Not a type Exiv2 knows, or damaged beyond reading: no metadata.
        return {};
    }
}

TMetadata MetadataFromBlobs(const QByteArray& exif, const QByteArray& xmp) {
    try {
        PrepareExiv2();
        auto data = std::make_shared<TData>();
        // Each part on its own, so a damaged one loses only itself.
        try {
            if (!exif.isEmpty())
                Exiv2::ExifParser::decode(data->exif,
                                          reinterpret_cast<const Exiv2::byte*>(exif.constData()),
                                          uint32_t(exif.size()));
        } catch (...) {
            data->exif.clear();
        }
        try {
            if (!xmp.isEmpty() && Exiv2::XmpParser::decode(data->xmp, xmp.toStdString()) != 0)
                data->xmp.clear();
        } catch (...) {
            data->xmp.clear();
        }
        if (data->exif.empty() && data->xmp.empty()) return {};
        return TMetadata(std::move(data));
    } catch (...) {
        return {};
    }
}

QByteArray EmbedMetadata(const QByteArray& encoded, const TMetadata& metadata, QSize size) {
    if (metadata.IsEmpty()) return encoded;
    try {
        PrepareExiv2();
        TData data = *metadata.Data();
        PrepareForOutput(data, size);
        // A part the target format cannot take (too large for a JPEG segment, say) is
        // dropped, the largest and least needed first, until the rest fits.
        QByteArray out;
        // A maker note Exiv2 could not place again reads back as less than was written (its
        // offsets point into the camera's file): then it goes whole rather than broken.
        const auto maker = MakerTags(data.exif);
        if (TryEmbed(encoded, data, &out) &&
            (maker.empty() || MakerTags(ReadWritten(out)) == maker))
            return out;
        EraseIf(data.exif, IsMakerNote);
        if (TryEmbed(encoded, data, &out)) return out;
        data.xmp.clear();
        if (TryEmbed(encoded, data, &out)) return out;
        data.iptc.clear();
        if (TryEmbed(encoded, data, &out)) return out;
    } catch (...) {
    }
    return encoded;
}

TMetadataBlobs MetadataBlobs(const TMetadata& metadata, QSize size) {
    TMetadataBlobs blobs;
    if (metadata.IsEmpty()) return blobs;
    try {
        PrepareExiv2();
        TData data = *metadata.Data();
        PrepareForOutput(data, size);
        if (!data.exif.empty()) {
            Exiv2::Blob blob;
            Exiv2::ExifParser::encode(blob, Exiv2::littleEndian, data.exif);
            blobs.exif =
                QByteArray(reinterpret_cast<const char*>(blob.data()), qsizetype(blob.size()));
        }
        // These formats have no place for IPTC: what it says goes into the XMP, as XMP
        // took it over, unless the XMP already says it (then the XMP is the newer word).
        if (!data.iptc.empty()) {
            Exiv2::XmpData fromIptc;
            Exiv2::copyIptcToXmp(data.iptc, fromIptc);
            for (const Exiv2::Xmpdatum& datum : fromIptc)
                if (data.xmp.findKey(Exiv2::XmpKey(datum.key())) == data.xmp.end())
                    data.xmp.add(datum);
        }
        std::string packet;
        if (!data.xmp.empty() && Exiv2::XmpParser::encode(packet, data.xmp) == 0)
            blobs.xmp = QByteArray::fromStdString(packet);
    } catch (...) {
        // What could be encoded before the failure is kept.
    }
    return blobs;
}

}  // namespace codec

int TMetadata::Orientation() const {
    if (!data_) return 1;
    try {
        long value = 0;
        const auto exif = data_->exif.findKey(Exiv2::ExifKey("Exif.Image.Orientation"));
        if (exif != data_->exif.end() && exif->count() > 0) {
            value = exif->toLong();
        } else {
            const auto xmp = data_->xmp.findKey(Exiv2::XmpKey("Xmp.tiff.Orientation"));
            if (xmp != data_->xmp.end() && xmp->count() > 0) value = xmp->toLong();
        }
        return value >= 1 && value <= 8 ? int(value) : 1;
    } catch (...) {
        return 1;
    }
}

namespace {

QString ExifText(const Exiv2::ExifData& exif, const char* key) {
    const auto it = exif.findKey(Exiv2::ExifKey(key));
    if (it == exif.end() || it->count() == 0) return {};
    return QString::fromStdString(it->toString()).simplified();
}

// A rational EXIF value as a number; 0 when absent or with a zero denominator.
double ExifNumber(const Exiv2::ExifData& exif, const char* key) {
    const auto it = exif.findKey(Exiv2::ExifKey(key));
    if (it == exif.end() || it->count() == 0) return 0;
    const Exiv2::Rational r = it->toRational();
    return r.second != 0 ? double(r.first) / r.second : double(it->toLong());
}

QString XmpTitle(const Exiv2::XmpData& xmp) {
    const auto it = xmp.findKey(Exiv2::XmpKey("Xmp.dc.title"));
    if (it == xmp.end()) return {};
    if (const auto* alt = dynamic_cast<const Exiv2::LangAltValue*>(&it->value())) {
        const auto fallback = alt->value_.find("x-default");
        if (fallback != alt->value_.end())
            return QString::fromStdString(fallback->second).simplified();
        if (!alt->value_.empty())
            return QString::fromStdString(alt->value_.begin()->second).simplified();
        return {};
    }
    return QString::fromStdString(it->toString()).simplified();
}

QString Trimmed(double value) {
    return QString::number(value, 'f', 1).remove(QRegularExpression(QStringLiteral("\\.0$")));
}

}  // namespace

TPhotoFacts TMetadata::Facts() const {
    TPhotoFacts facts;
    if (!data_) return facts;
    try {
        const Exiv2::ExifData& exif = data_->exif;
        facts.title = XmpTitle(data_->xmp);
        if (facts.title.isEmpty()) facts.title = ExifText(exif, "Exif.Image.ImageDescription");

        // "2024:05:01 14:03:27" as people write dates.
        const QString taken = ExifText(exif, "Exif.Photo.DateTimeOriginal");
        const QDateTime when = QDateTime::fromString(taken, QStringLiteral("yyyy:MM:dd HH:mm:ss"));
        if (when.isValid()) facts.taken = when.toString(QStringLiteral("yyyy-MM-dd HH:mm"));

        const QString make = ExifText(exif, "Exif.Image.Make");
        const QString model = ExifText(exif, "Exif.Image.Model");
        const QString firstWord = make.section(QLatin1Char(' '), 0, 0);
        facts.camera = !firstWord.isEmpty() && model.startsWith(firstWord, Qt::CaseInsensitive)
                           ? model
                           : QStringList{make, model}.join(QLatin1Char(' ')).trimmed();

        QStringList exposure;
        if (const double t = ExifNumber(exif, "Exif.Photo.ExposureTime"); t > 0)
            exposure << (t < 1 ? QStringLiteral("1/%1 s").arg(qRound(1 / t))
                               : Trimmed(t) + QStringLiteral(" s"));
        if (const double f = ExifNumber(exif, "Exif.Photo.FNumber"); f > 0)
            exposure << QStringLiteral("f/") + Trimmed(f);
        if (const double iso = ExifNumber(exif, "Exif.Photo.ISOSpeedRatings"); iso > 0)
            exposure << QStringLiteral("ISO %1").arg(qRound(iso));
        if (const double mm = ExifNumber(exif, "Exif.Photo.FocalLength"); mm > 0)
            exposure << Trimmed(mm) + QStringLiteral(" mm");
        facts.exposure = exposure.join(QStringLiteral(", "));
    } catch (...) {
        // What was read before the damage is kept.
    }
    return facts;
}

TMetadata TMetadata::ForUse(TMetadataUse use) const {
    if (!data_ || use == TMetadataUse::Keep) return *this;
    if (use == TMetadataUse::Strip) return {};
    try {
        auto data = std::make_shared<TData>(*data_);
        // The position, and the serial numbers that tie a picture to one camera or lens.
        // Makers' notes are dropped whole: they hold serial numbers under many names.
        codec::EraseIf(data->exif, [](const Exiv2::Exifdatum& d) {
            const std::string group = d.groupName();
            return group == "GPSInfo" || group == "MakerNote" ||
                   Exiv2::ExifTags::isMakerGroup(group) || d.key() == "Exif.Photo.MakerNote" ||
                   codec::ContainsNoCase(d.tagName(), "serial");
        });
        codec::EraseIf(data->xmp, [](const Exiv2::Xmpdatum& d) {
            const std::string name = d.tagName();
            return name.rfind("GPS", 0) == 0 || codec::ContainsNoCase(name, "serial");
        });
        return TMetadata(std::move(data));
    } catch (...) {
        return {};
    }
}

TMetadata ReadMetadata(const QString& path) {
    try {
        codec::PrepareExiv2();
        auto image = Exiv2::ImageFactory::open(path.toStdString());
        return image.get() ? codec::ReadOpened(*image) : TMetadata();
    } catch (...) {
        return {};
    }
}

}  // namespace vellumora
