#pragma once

// The colour of settings records and its other forms: the text of settings files, the
// bytes the render stages use, and the colour it stands for on this desktop.

#include <QColor>
#include <QRgb>
#include <QString>
#include <QtGlobal>

class QPalette;

namespace vellumora {

// 0x00BBGGRR, red in the low byte. 0xFF0000nn names a system colour.
using TColor = quint32;

inline constexpr TColor clBlack = 0x000000;
inline constexpr TColor clGray = 0x808080;
inline constexpr TColor clWhite = 0xFFFFFF;

// The colour's three bytes as an opaque Qt colour value; the high byte (which names a
// system colour or none) is ignored, as the render stages use the bytes as they stand.
inline QRgb ColorToRgb(TColor color) {
    return qRgb(int(color & 0xFF), int((color >> 8) & 0xFF), int((color >> 16) & 0xFF));
}

// The colour-name form of settings files: a colour identifier ("clWhite") or "$" and
// eight upper-case hexadecimal digits.
QString ColorToString(TColor color);
// Accepts a colour identifier (any case) or an integer as ReadInteger reads it.
bool StringToColor(const QString& text, TColor* color);

// The colour a settings colour stands for on this desktop: system colours (0xFF0000nn)
// through the palette's matching role, others from their red, green and blue bytes.
// Invalid for values that name no colour (clNone, clDefault and the like).
QColor ColorOf(TColor color, const QPalette& palette);
// A chosen colour as a settings colour (0x00BBGGRR).
TColor ToTColor(const QColor& color);

}  // namespace vellumora
