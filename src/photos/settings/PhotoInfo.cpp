#include "photos/settings/PhotoInfo.h"

#include <QtGlobal>
#include <algorithm>

#include "photos/settings/Fields.h"
#include "photos/settings/IniFile.h"
#include "photos/settings/Names.h"

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

TPhotoInfo::TPhotoInfo(const QString& fileName) {
    for (const TField& field : Fields()) field.Reset(*this);
    FileName = fileName;
}

TPhotoInfo TPhotoInfo::WithDefaultTemplate(const QString& fileName, const QString& templatesFile) {
    TPhotoInfo info(fileName);
    if (templatesFile.isEmpty()) return info;
    const TIniFile file(templatesFile);
    info.ReadTemplate(file, file.ReadString(QStringLiteral("DEFAULT"), QStringLiteral("DEFAULT"),
                                            QStringLiteral("NONE")));
    return info;
}

void TPhotoInfo::Assign(const TPhotoInfo* source) {
    if (!source || source == this) return;
    for (const TField& field : Fields())
        if (field.scope != TScope::File) field.Copy(*source, *this);
}

void TPhotoInfo::SetFont(const TFont* font) {
    if (font) Font = *font;
}

void TPhotoInfo::SetMaskName(const QString& path) {
    // Masks live in the Masks folder, so only the file name is kept; paths may come
    // from either platform's file dialogs, drive letter included.
    MaskName = FileNamePart(path);
}

bool TPhotoInfo::SameTemplate(const TPhotoInfo& other) const {
    const auto fields = Fields();
    return std::all_of(fields.begin(), fields.end(), [&](const TField& field) {
        return field.PerPhoto() || field.Same(*this, other);
    });
}

// Every key falls back to its built-in default when missing or unreadable, whatever the
// record held before; the mask name is stored as the file has it.
void TPhotoInfo::ReadTemplate(const TIniFile& file, const QString& section) {
    for (const TField& field : Fields())
        if (!field.PerPhoto()) field.Read(file, section, *this);
}

void TPhotoInfo::WriteTemplate(TIniFile& file, const QString& section) const {
    for (const TField& field : Fields())
        if (!field.PerPhoto()) field.Write(file, section, *this);
}

void TPhotoInfo::ReadSettings(const TIniFile& file, const QString& section) {
    for (const TField& field : Fields())
        if (field.PerPhoto()) field.Read(file, section, *this);
    ReadTemplate(file, section);
}

void TPhotoInfo::WriteSettings(TIniFile& file, const QString& section) const {
    for (const TField& field : Fields())
        if (field.PerPhoto()) field.Write(file, section, *this);
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
