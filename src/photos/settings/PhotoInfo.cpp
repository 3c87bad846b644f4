#include "photos/settings/PhotoInfo.h"

#include <QtGlobal>
#include <algorithm>
#include <tuple>

#include "photos/settings/IniFile.h"

namespace vellumora {

namespace {

// Font sizes beyond this many points are taken as this many: far above anything a
// watermark can use, and small enough that no pixel height computed from it overflows.
constexpr qint64 kMaxFontPoints = 10000;

// n / d rounded half away from zero, d > 0.
qint64 DivideRounded(qint64 n, qint64 d) {
    const qint64 magnitude = ((n < 0 ? -n : n) + d / 2) / d;
    return n < 0 ? -magnitude : magnitude;
}

// The fields each group consists of, in one place, so that copying and comparing can
// never miss one.
template <class Info>
auto TemplateFields(Info& p) {
    return std::tie(p.Max, p.Keep, p.Watermark, p.Position, p.Font, p.X, p.Y, p.Opacity, p.MaskName,
                    p.MaskColor, p.Outside, p.Inside, p.Radius, p.Offset, p.Shadow, p.Background);
}

template <class Info>
auto PhotoFields(Info& p) {
    return std::tie(p.Crop, p.Ratio, p.Rotate, p.Contrast, p.Brightness, p.Red, p.Green, p.Blue,
                    p.Grayscale, p.Negative);
}

// The record as the header's initialisers make it.
const TPhotoInfo& BuiltInDefaults() {
    static const TPhotoInfo defaults;
    return defaults;
}

TColor ReadColor(const TIniFile& file, const QString& section, const QString& key,
                 TColor defaultValue) {
    TColor color = defaultValue;
    return StringToColor(file.ReadString(section, key), &color) ? color : defaultValue;
}

void WriteColor(TIniFile& file, const QString& section, const QString& key, TColor color) {
    file.WriteString(section, key, ColorToString(color));
}

}  // namespace

int TFont::Size() const {
    return int(-DivideRounded(qint64(Height) * 72, kPixelsPerInch));
}

// Negative sizes stay negative (a positive height: the cell rather than the character);
// only the magnitude is limited.
void TFont::SetSize(int points) {
    const qint64 clamped = std::clamp<qint64>(points, -kMaxFontPoints, kMaxFontPoints);
    Height = int(-DivideRounded(clamped * kPixelsPerInch, 72));
}

TPhotoInfo::TPhotoInfo(const QString& fileName) : FileName(fileName) {}

TPhotoInfo TPhotoInfo::WithDefaultTemplate(const QString& fileName, const QString& templatesFile) {
    TPhotoInfo info(fileName);
    if (templatesFile.isEmpty()) return info;
    const TIniFile file(templatesFile);
    info.ReadTemplate(file, file.ReadString(QStringLiteral("DEFAULT"), QStringLiteral("DEFAULT"),
                                            QStringLiteral("NONE")));
    return info;
}

void TPhotoInfo::ResetTemplateFields() {
    TemplateFields(*this) = TemplateFields(BuiltInDefaults());
}

void TPhotoInfo::Assign(const TPhotoInfo* source) {
    if (!source || source == this) return;
    PhotoFields(*this) = PhotoFields(*source);
    TemplateFields(*this) = TemplateFields(*source);
}

void TPhotoInfo::SetFont(const TFont* font) {
    if (font) Font = *font;
}

QString FileNamePart(const QString& path) {
    const qsizetype cut =
        std::max({path.lastIndexOf(QLatin1Char('/')), path.lastIndexOf(QLatin1Char('\\')),
                  path.lastIndexOf(QLatin1Char(':'))});
    return path.mid(cut + 1);
}

void TPhotoInfo::SetMaskName(const QString& path) {
    // Masks live in the Masks folder, so only the file name is kept; paths may come
    // from either platform's file dialogs, drive letter included.
    MaskName = FileNamePart(path);
    if (OnMaskChange) OnMaskChange(*this);
}

bool TPhotoInfo::SameTemplate(const TPhotoInfo& other) const {
    return TemplateFields(*this) == TemplateFields(other);
}

// Every field falls back to its built-in default when its key is missing or unreadable,
// whatever the record held before.
void TPhotoInfo::ReadTemplate(const TIniFile& file, const QString& section) {
    ResetTemplateFields();
    const auto readInt = [&](const char* key, int& field) {
        field = file.ReadInteger(section, QLatin1String(key), field);
    };
    const auto readBool = [&](const char* key, bool& field) {
        field = file.ReadBool(section, QLatin1String(key), field);
    };
    const auto readColor = [&](const char* key, TColor& field) {
        field = ReadColor(file, section, QLatin1String(key), field);
    };

    readInt("MAX", Max);
    readBool("KEEP", Keep);
    Watermark = file.ReadString(section, QStringLiteral("WATERMARK"), Watermark);
    // A font needs a name; an empty one counts as missing.
    const QString fontName = file.ReadString(section, QStringLiteral("FONTNAME"));
    if (!fontName.isEmpty()) Font.Name = fontName;
    Font.SetSize(file.ReadInteger(section, QStringLiteral("FONTSIZE"), Font.Size()));
    readColor("FONTCOLOR", Font.Color);
    readBool("BOLD", Font.Bold);
    readBool("ITALIC", Font.Italic);
    readBool("UNDERLINE", Font.Underline);
    readBool("STRIKEOUT", Font.StrikeOut);
    readInt("POSITION", Position);
    readInt("X", X);
    readInt("Y", Y);
    readInt("OPACITY", Opacity);
    // Stored as it stands: reading a template does not reload the photo's mask.
    MaskName = file.ReadString(section, QStringLiteral("MASK"), MaskName);
    readColor("COLOR", MaskColor);
    readInt("OUTSIDE.WIDTH", Outside.Width);
    readColor("OUTSIDE.COLOR", Outside.Color);
    readInt("INSIDE.WIDTH", Inside.Width);
    readColor("INSIDE.COLOR", Inside.Color);
    readInt("RADIUS", Radius);
    readInt("OFFSET", Offset);
    readColor("SHADOW", Shadow);
    readColor("BACKGROUND", Background);
}

void TPhotoInfo::WriteTemplate(TIniFile& file, const QString& section) const {
    const auto writeInt = [&](const char* key, int value) {
        file.WriteInteger(section, QLatin1String(key), value);
    };
    const auto writeBool = [&](const char* key, bool value) {
        file.WriteBool(section, QLatin1String(key), value);
    };
    const auto writeColor = [&](const char* key, TColor value) {
        WriteColor(file, section, QLatin1String(key), value);
    };

    writeInt("MAX", Max);
    writeBool("KEEP", Keep);
    file.WriteString(section, QStringLiteral("WATERMARK"), Watermark);
    file.WriteString(section, QStringLiteral("FONTNAME"), Font.Name);
    writeInt("FONTSIZE", Font.Size());
    writeColor("FONTCOLOR", Font.Color);
    writeBool("BOLD", Font.Bold);
    writeBool("ITALIC", Font.Italic);
    writeBool("UNDERLINE", Font.Underline);
    writeBool("STRIKEOUT", Font.StrikeOut);
    writeInt("POSITION", Position);
    writeInt("X", X);
    writeInt("Y", Y);
    writeInt("OPACITY", Opacity);
    file.WriteString(section, QStringLiteral("MASK"), MaskName);
    writeColor("COLOR", MaskColor);
    writeInt("OUTSIDE.WIDTH", Outside.Width);
    writeColor("OUTSIDE.COLOR", Outside.Color);
    writeInt("INSIDE.WIDTH", Inside.Width);
    writeColor("INSIDE.COLOR", Inside.Color);
    writeInt("RADIUS", Radius);
    writeInt("OFFSET", Offset);
    writeColor("SHADOW", Shadow);
    writeColor("BACKGROUND", Background);
}

void TPhotoInfo::ReadSettings(const TIniFile& file, const QString& section) {
    const auto readInt = [&](const char* key) {
        return file.ReadInteger(section, QLatin1String(key), 0);
    };
    FileName = file.ReadString(section, QStringLiteral("FILENAME"));
    Crop = TRect{readInt("LEFT"), readInt("TOP"), readInt("RIGHT"), readInt("BOTTOM")};
    Ratio = readInt("RATIO");
    Rotate = readInt("ROTATE");
    Contrast = readInt("CONTRAST");
    Brightness = readInt("BRIGHTNESS");
    Red = readInt("RED");
    Green = readInt("GREEN");
    Blue = readInt("BLUE");
    Grayscale = file.ReadBool(section, QStringLiteral("GRAYSCALE"), false);
    Negative = file.ReadBool(section, QStringLiteral("NEGATIVE"), false);
    ReadTemplate(file, section);
}

void TPhotoInfo::WriteSettings(TIniFile& file, const QString& section) const {
    const auto writeInt = [&](const char* key, int value) {
        file.WriteInteger(section, QLatin1String(key), value);
    };
    file.WriteString(section, QStringLiteral("FILENAME"), FileName);
    writeInt("LEFT", Crop.Left);
    writeInt("TOP", Crop.Top);
    writeInt("RIGHT", Crop.Right);
    writeInt("BOTTOM", Crop.Bottom);
    writeInt("RATIO", Ratio);
    writeInt("ROTATE", Rotate);
    writeInt("CONTRAST", Contrast);
    writeInt("BRIGHTNESS", Brightness);
    writeInt("RED", Red);
    writeInt("GREEN", Green);
    writeInt("BLUE", Blue);
    file.WriteBool(section, QStringLiteral("GRAYSCALE"), Grayscale);
    file.WriteBool(section, QStringLiteral("NEGATIVE"), Negative);
    WriteTemplate(file, section);
}

void TPhotoInfo::ReadTemplate(const QString& fileName, const QString& section) {
    ReadTemplate(TIniFile(fileName), section);
}

void TPhotoInfo::WriteTemplate(const QString& fileName, const QString& section) const {
    TIniFile file(fileName);
    WriteTemplate(file, section);
    file.UpdateFile();
}

void TPhotoInfo::ReadSettings(const QString& fileName, const QString& section) {
    ReadSettings(TIniFile(fileName), section);
}

void TPhotoInfo::WriteSettings(const QString& fileName, const QString& section) const {
    TIniFile file(fileName);
    WriteSettings(file, section);
    file.UpdateFile();
}

}  // namespace vellumora
