#pragma once

// The fields of the settings record in one table: the keys that store each field, how a
// key's value is written, its built-in default, whether the field belongs to templates,
// and the group an edit dialog copies it with. Making, reading, writing, copying and
// comparing records all walk this table, so a field listed here takes part in each.

#include <QString>
#include <optional>
#include <span>
#include <type_traits>
#include <utility>
#include <variant>
#include <vector>

#include "photos/settings/FieldGroups.h"
#include "photos/settings/PhotoInfo.h"

namespace vellumora {

class TIniFile;

// Where a value lives in a record, for records that change and records that are only read.
template <class T>
struct TAt {
    T& (*in)(TPhotoInfo&);
    const T& (*of)(const TPhotoInfo&);
};

// A member of the record, or a member of one of its parts: At<&TPhotoInfo::Max>(),
// At<&TPhotoInfo::Crop, &TRect::Left>().
// clang-format off
template <auto... Path>
constexpr auto At() {
    using T = std::remove_reference_t<decltype((std::declval<TPhotoInfo&>() .* ... .* Path))>;
    return TAt<T>{[](TPhotoInfo& info) -> T& { return (info .* ... .* Path); },
                  [](const TPhotoInfo& info) -> const T& { return (info .* ... .* Path); }};
}
// clang-format on

// The encodings of a key's value in a settings file. Each holds where the value lives
// and the built-in default, which a missing or unreadable key also gives.

// Signed decimal.
struct TIntegerValue {
    TAt<int> at;
    int initial;
};
// "1" or "0"; any non-zero number reads as true.
struct TBooleanValue {
    TAt<bool> at;
    bool initial;
};
// The text as it stands. When required, an empty text counts as missing.
struct TTextValue {
    TAt<QString> at;
    QString initial;
    bool required;
};
// A colour identifier, or "$" and eight hexadecimal digits (ColorToString).
struct TColorValue {
    TAt<TColor> at;
    TColor initial;
};
// The font's character height, in the file as whole points (TFont::Size, SetSize).
struct TFontSizeValue {
    TAt<TFont> font;
    int initialPoints;
};

// One key of a settings section.
struct TKey {
    const char* name;
    std::variant<TIntegerValue, TBooleanValue, TTextValue, TColorValue, TFontSizeValue> value;
};

// What a field is to the record.
enum class TScope {
    File,      // FileName: which photo the record is for; never copied
    Edit,      // an edit of this photo alone, which a record copied for another photo drops
    Photo,     // per photo, but a record copied for another photo keeps it (the crop ratio)
    Template,  // stored in templates as well
};

// A field of the record: what Assign copies as one, stored under one or more keys.
struct TField {
    TScope scope;
    std::optional<TFieldGroup> group;  // none for FileName and Rotate
    std::vector<TKey> keys;

    bool PerPhoto() const { return scope != TScope::Template; }

    // Each walks the keys in their order.
    void Reset(TPhotoInfo& info) const;  // to the built-in default
    void Copy(const TPhotoInfo& source, TPhotoInfo& target) const;
    bool Same(const TPhotoInfo& a, const TPhotoInfo& b) const;
    void Read(const TIniFile& file, const QString& section, TPhotoInfo& info) const;
    void Write(TIniFile& file, const QString& section, const TPhotoInfo& info) const;
};

// Every field of TPhotoInfo, in the order settings files hold their keys: the per-photo
// fields, then the template fields.
std::span<const TField> Fields();

}  // namespace vellumora
