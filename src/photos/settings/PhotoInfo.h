#pragma once

// The settings record of one photo: everything the render chain needs to rebuild the
// shown picture from the untouched original, and its form in settings files. It is plain
// data: a copy holds the values and nothing else, so copies go to other threads freely.

#include <QString>

#include "photos/settings/Color.h"
#include "photos/settings/ProgramFolder.h"

namespace vellumora {

class TIniFile;

// Screen resolution at which font points and pixel heights convert.
inline constexpr int kPixelsPerInch = 96;

struct TFont {
    QString Name = QStringLiteral("Arial");
    // Character height in pixels, negative as the platform keeps it (-16 is 12 points).
    int Height = -16;
    TColor Color = clWhite;
    bool Bold = false;
    bool Italic = false;
    bool Underline = false;
    bool StrikeOut = false;

    int Size() const;          // points, rounded half away from zero
    void SetSize(int points);  // sets Height
    bool operator==(const TFont&) const = default;
};

struct TBorder {
    int Width = 0;
    TColor Color = clBlack;
    bool operator==(const TBorder&) const = default;
};

// Right and bottom are exclusive. All zero means no crop.
struct TRect {
    int Left = 0;
    int Top = 0;
    int Right = 0;
    int Bottom = 0;
    bool operator==(const TRect&) const = default;
};

class TPhotoInfo {
public:
    // A record for the photo at fileName with every field at its built-in default.
    explicit TPhotoInfo(const QString& fileName = QString());
    // The same, its template fields from the default template that templatesFile names
    // in key DEFAULT of section DEFAULT ("NONE" when missing). An empty path, or a missing
    // file or section, leaves the built-in defaults.
    static TPhotoInfo WithDefaultTemplate(const QString& fileName,
                                          const QString& templatesFile = TemplatesFile());

    // Every field below is listed in the field table (Fields.cpp) with its keys and
    // built-in default; the constructor sets each from there.

    // Per-photo fields.
    QString FileName;
    TRect Crop;
    int Ratio;
    int Rotate;
    int Contrast;
    int Brightness;
    int Red;
    int Green;
    int Blue;
    bool Grayscale;
    bool Negative;

    // Template fields.
    int Max;
    bool Keep;
    QString Watermark;
    int Position;
    TFont Font;
    int X;
    int Y;
    int Opacity;
    QString MaskName;
    TColor MaskColor;
    TBorder Outside;
    TBorder Inside;
    int Radius;
    int Offset;
    TColor Shadow;
    TColor Background;

    // Copies every field but FileName; nothing when source is null.
    void Assign(const TPhotoInfo* source);
    // Copies the whole font description; nothing when font is null.
    void SetFont(const TFont* font);
    // Stores the last component of path (a mask is named without its folder). The photo
    // showing the record loads the mask anew at its next render.
    void SetMaskName(const QString& path);

    // The template fields as keys of one section.
    void ReadTemplate(const TIniFile& file, const QString& section);
    void WriteTemplate(TIniFile& file, const QString& section) const;  // in memory
    // The per-photo keys, then the template keys, in one section.
    void ReadSettings(const TIniFile& file, const QString& section);
    void WriteSettings(TIniFile& file, const QString& section) const;  // in memory

    // Same, opening the file afresh; the writes store it at once and throw TIniError.
    void ReadTemplate(const QString& fileName, const QString& section);
    void WriteTemplate(const QString& fileName, const QString& section) const;
    void ReadSettings(const QString& fileName, const QString& section);
    void WriteSettings(const QString& fileName, const QString& section) const;

    // The template fields of this record equal those of other.
    bool SameTemplate(const TPhotoInfo& other) const;
};

}  // namespace vellumora
