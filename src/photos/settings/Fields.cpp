#include "photos/settings/Fields.h"

#include <algorithm>

#include "photos/settings/IniFile.h"

namespace vellumora {

namespace {

// Values are reset, copied and compared as the record holds them; the font size as the
// character height, so that no rounding to points comes in.
template <class Value>
void ResetValue(const Value& value, TPhotoInfo& info) {
    value.at.in(info) = value.initial;
}
void ResetValue(const TFontSizeValue& value, TPhotoInfo& info) {
    value.font.in(info).SetSize(value.initialPoints);
}

template <class Value>
void CopyValue(const Value& value, const TPhotoInfo& source, TPhotoInfo& target) {
    value.at.in(target) = value.at.of(source);
}
void CopyValue(const TFontSizeValue& value, const TPhotoInfo& source, TPhotoInfo& target) {
    value.font.in(target).Height = value.font.of(source).Height;
}

template <class Value>
bool SameValue(const Value& value, const TPhotoInfo& a, const TPhotoInfo& b) {
    return value.at.of(a) == value.at.of(b);
}
bool SameValue(const TFontSizeValue& value, const TPhotoInfo& a, const TPhotoInfo& b) {
    return value.font.of(a).Height == value.font.of(b).Height;
}

// A key of one section of a file.
struct TPlace {
    const QString& section;
    QString key;
};

void ReadValue(const TIntegerValue& value, const TIniFile& file, const TPlace& place,
               TPhotoInfo& info) {
    value.at.in(info) = file.ReadInteger(place.section, place.key, value.initial);
}
void ReadValue(const TBooleanValue& value, const TIniFile& file, const TPlace& place,
               TPhotoInfo& info) {
    value.at.in(info) = file.ReadBool(place.section, place.key, value.initial);
}
void ReadValue(const TTextValue& value, const TIniFile& file, const TPlace& place,
               TPhotoInfo& info) {
    const QString text = file.ReadString(place.section, place.key, value.initial);
    value.at.in(info) = value.required && text.isEmpty() ? value.initial : text;
}
void ReadValue(const TColorValue& value, const TIniFile& file, const TPlace& place,
               TPhotoInfo& info) {
    TColor color = value.initial;
    value.at.in(info) =
        StringToColor(file.ReadString(place.section, place.key), &color) ? color : value.initial;
}
void ReadValue(const TFontSizeValue& value, const TIniFile& file, const TPlace& place,
               TPhotoInfo& info) {
    value.font.in(info).SetSize(file.ReadInteger(place.section, place.key, value.initialPoints));
}

void WriteValue(const TIntegerValue& value, TIniFile& file, const TPlace& place,
                const TPhotoInfo& info) {
    file.WriteInteger(place.section, place.key, value.at.of(info));
}
void WriteValue(const TBooleanValue& value, TIniFile& file, const TPlace& place,
                const TPhotoInfo& info) {
    file.WriteBool(place.section, place.key, value.at.of(info));
}
void WriteValue(const TTextValue& value, TIniFile& file, const TPlace& place,
                const TPhotoInfo& info) {
    file.WriteString(place.section, place.key, value.at.of(info));
}
void WriteValue(const TColorValue& value, TIniFile& file, const TPlace& place,
                const TPhotoInfo& info) {
    file.WriteString(place.section, place.key, ColorToString(value.at.of(info)));
}
void WriteValue(const TFontSizeValue& value, TIniFile& file, const TPlace& place,
                const TPhotoInfo& info) {
    file.WriteInteger(place.section, place.key, value.font.of(info).Size());
}

TKey IntegerKey(const char* name, TAt<int> at, int initial = 0) {
    return {name, TIntegerValue{at, initial}};
}
TKey BooleanKey(const char* name, TAt<bool> at, bool initial = false) {
    return {name, TBooleanValue{at, initial}};
}
TKey TextKey(const char* name, TAt<QString> at) {
    return {name, TTextValue{at, {}, false}};
}
// A font needs a face name: an empty one counts as missing.
TKey RequiredTextKey(const char* name, TAt<QString> at, const char* initial) {
    return {name, TTextValue{at, QLatin1String(initial), true}};
}
TKey ColorKey(const char* name, TAt<TColor> at, TColor initial) {
    return {name, TColorValue{at, initial}};
}
TKey FontSizeKey(const char* name, TAt<TFont> font, int initialPoints) {
    return {name, TFontSizeValue{font, initialPoints}};
}

// Per-photo fields first, then template fields, each in the order of its keys in files.
std::vector<TField> MakeFields() {
    using enum TScope;
    using enum TFieldGroup;
    using P = TPhotoInfo;
    // clang-format off
    return {
        {File, std::nullopt, {TextKey("FILENAME", At<&P::FileName>())}},
        {Edit, Crop,
         {IntegerKey("LEFT", At<&P::Crop, &TRect::Left>()),
          IntegerKey("TOP", At<&P::Crop, &TRect::Top>()),
          IntegerKey("RIGHT", At<&P::Crop, &TRect::Right>()),
          IntegerKey("BOTTOM", At<&P::Crop, &TRect::Bottom>())}},
        {Photo, Crop, {IntegerKey("RATIO", At<&P::Ratio>())}},
        {Edit, std::nullopt, {IntegerKey("ROTATE", At<&P::Rotate>())}},
        {Edit, Color, {IntegerKey("CONTRAST", At<&P::Contrast>())}},
        {Edit, Color, {IntegerKey("BRIGHTNESS", At<&P::Brightness>())}},
        {Edit, Color, {IntegerKey("RED", At<&P::Red>())}},
        {Edit, Color, {IntegerKey("GREEN", At<&P::Green>())}},
        {Edit, Color, {IntegerKey("BLUE", At<&P::Blue>())}},
        {Edit, Color, {BooleanKey("GRAYSCALE", At<&P::Grayscale>())}},
        {Edit, Color, {BooleanKey("NEGATIVE", At<&P::Negative>())}},

        {Template, Resize, {IntegerKey("MAX", At<&P::Max>(), 640)}},
        {Template, Resize, {BooleanKey("KEEP", At<&P::Keep>(), true)}},
        {Template, Watermark, {TextKey("WATERMARK", At<&P::Watermark>())}},
        {Template, Watermark,
         {RequiredTextKey("FONTNAME", At<&P::Font, &TFont::Name>(), "Arial"),
          FontSizeKey("FONTSIZE", At<&P::Font>(), 12),
          ColorKey("FONTCOLOR", At<&P::Font, &TFont::Color>(), clWhite),
          BooleanKey("BOLD", At<&P::Font, &TFont::Bold>()),
          BooleanKey("ITALIC", At<&P::Font, &TFont::Italic>()),
          BooleanKey("UNDERLINE", At<&P::Font, &TFont::Underline>()),
          BooleanKey("STRIKEOUT", At<&P::Font, &TFont::StrikeOut>())}},
        {Template, Watermark, {IntegerKey("POSITION", At<&P::Position>(), 6)}},
        {Template, Watermark, {IntegerKey("X", At<&P::X>(), 8)}},
        {Template, Watermark, {IntegerKey("Y", At<&P::Y>(), 8)}},
        {Template, Watermark, {IntegerKey("OPACITY", At<&P::Opacity>(), 128)}},
        {Template, Border, {TextKey("MASK", At<&P::MaskName>())}},
        {Template, Border, {ColorKey("COLOR", At<&P::MaskColor>(), clWhite)}},
        {Template, Border,
         {IntegerKey("OUTSIDE.WIDTH", At<&P::Outside, &TBorder::Width>()),
          ColorKey("OUTSIDE.COLOR", At<&P::Outside, &TBorder::Color>(), clBlack)}},
        {Template, Border,
         {IntegerKey("INSIDE.WIDTH", At<&P::Inside, &TBorder::Width>()),
          ColorKey("INSIDE.COLOR", At<&P::Inside, &TBorder::Color>(), clWhite)}},
        {Template, Border, {IntegerKey("RADIUS", At<&P::Radius>())}},
        {Template, Border, {IntegerKey("OFFSET", At<&P::Offset>())}},
        {Template, Border, {ColorKey("SHADOW", At<&P::Shadow>(), clGray)}},
        {Template, Border, {ColorKey("BACKGROUND", At<&P::Background>(), clWhite)}},
    };
    // clang-format on
}

}  // namespace

void TField::Reset(TPhotoInfo& info) const {
    for (const TKey& key : keys) std::visit([&](const auto& v) { ResetValue(v, info); }, key.value);
}

void TField::Copy(const TPhotoInfo& source, TPhotoInfo& target) const {
    for (const TKey& key : keys)
        std::visit([&](const auto& v) { CopyValue(v, source, target); }, key.value);
}

bool TField::Same(const TPhotoInfo& a, const TPhotoInfo& b) const {
    return std::all_of(keys.begin(), keys.end(), [&](const TKey& key) {
        return std::visit([&](const auto& v) { return SameValue(v, a, b); }, key.value);
    });
}

void TField::Read(const TIniFile& file, const QString& section, TPhotoInfo& info) const {
    for (const TKey& key : keys) {
        const TPlace place{section, QLatin1String(key.name)};
        std::visit([&](const auto& v) { ReadValue(v, file, place, info); }, key.value);
    }
}

void TField::Write(TIniFile& file, const QString& section, const TPhotoInfo& info) const {
    for (const TKey& key : keys) {
        const TPlace place{section, QLatin1String(key.name)};
        std::visit([&](const auto& v) { WriteValue(v, file, place, info); }, key.value);
    }
}

std::span<const TField> Fields() {
    static const std::vector<TField> fields = MakeFields();
    return fields;
}

}  // namespace vellumora
