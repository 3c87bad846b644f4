#include "photos/settings/Color.h"

#include <QPalette>
#include <iterator>
#include <optional>

#include "photos/settings/IniFile.h"

namespace vellumora {

namespace {

struct NamedColor {
    const char* name;
    TColor value;
};

constexpr TColor kSystemColor = 0xFF000000;

// The order matters when two names share a value: the first one is written.
constexpr NamedColor kNamedColors[] = {
    {"clBlack", 0x000000},
    {"clMaroon", 0x000080},
    {"clGreen", 0x008000},
    {"clOlive", 0x008080},
    {"clNavy", 0x800000},
    {"clPurple", 0x800080},
    {"clTeal", 0x808000},
    {"clGray", 0x808080},
    {"clSilver", 0xC0C0C0},
    {"clRed", 0x0000FF},
    {"clLime", 0x00FF00},
    {"clYellow", 0x00FFFF},
    {"clBlue", 0xFF0000},
    {"clFuchsia", 0xFF00FF},
    {"clAqua", 0xFFFF00},
    {"clWhite", 0xFFFFFF},
    {"clMoneyGreen", 0xC0DCC0},
    {"clSkyBlue", 0xF0CAA6},
    {"clCream", 0xF0FBFF},
    {"clMedGray", 0xA4A0A0},
    {"clNone", 0x1FFFFFFF},
    {"clDefault", 0x20000000},
    {"clScrollBar", kSystemColor + 0},
    {"clBackground", kSystemColor + 1},
    {"clActiveCaption", kSystemColor + 2},
    {"clInactiveCaption", kSystemColor + 3},
    {"clMenu", kSystemColor + 4},
    {"clWindow", kSystemColor + 5},
    {"clWindowFrame", kSystemColor + 6},
    {"clMenuText", kSystemColor + 7},
    {"clWindowText", kSystemColor + 8},
    {"clCaptionText", kSystemColor + 9},
    {"clActiveBorder", kSystemColor + 10},
    {"clInactiveBorder", kSystemColor + 11},
    {"clAppWorkSpace", kSystemColor + 12},
    {"clHighlight", kSystemColor + 13},
    {"clHighlightText", kSystemColor + 14},
    {"clBtnFace", kSystemColor + 15},
    {"clBtnShadow", kSystemColor + 16},
    {"clGrayText", kSystemColor + 17},
    {"clBtnText", kSystemColor + 18},
    {"clInactiveCaptionText", kSystemColor + 19},
    {"clBtnHighlight", kSystemColor + 20},
    {"cl3DDkShadow", kSystemColor + 21},
    {"cl3DLight", kSystemColor + 22},
    {"clInfoText", kSystemColor + 23},
    {"clInfoBk", kSystemColor + 24},
    {"clHotLight", kSystemColor + 26},
    {"clGradientActiveCaption", kSystemColor + 27},
    {"clGradientInactiveCaption", kSystemColor + 28},
    {"clMenuHighlight", kSystemColor + 29},
    {"clMenuBar", kSystemColor + 30},
};

struct TSystemRole {
    QPalette::ColorGroup group;
    QPalette::ColorRole role;
};

// What each system colour (by its low byte) is used for on the desktop the settings come
// from, as the palette entry that plays the same part here; "window" is the background of
// a document, the Base colour. Number 25 was never assigned.
// clang-format off
constexpr std::optional<TSystemRole> kSystemRoles[] = {
    TSystemRole{QPalette::Active, QPalette::Button},             // scroll bar
    TSystemRole{QPalette::Active, QPalette::Dark},               // desktop
    TSystemRole{QPalette::Active, QPalette::Highlight},          // active caption
    TSystemRole{QPalette::Active, QPalette::Mid},                // inactive caption
    TSystemRole{QPalette::Active, QPalette::Window},             // menu
    TSystemRole{QPalette::Active, QPalette::Base},               // window
    TSystemRole{QPalette::Active, QPalette::Shadow},             // window frame
    TSystemRole{QPalette::Active, QPalette::WindowText},         // menu text
    TSystemRole{QPalette::Active, QPalette::Text},               // window text
    TSystemRole{QPalette::Active, QPalette::HighlightedText},    // caption text
    TSystemRole{QPalette::Active, QPalette::Window},             // active border
    TSystemRole{QPalette::Active, QPalette::Window},             // inactive border
    TSystemRole{QPalette::Active, QPalette::Dark},               // application workspace
    TSystemRole{QPalette::Active, QPalette::Highlight},          // highlight
    TSystemRole{QPalette::Active, QPalette::HighlightedText},    // highlight text
    TSystemRole{QPalette::Active, QPalette::Button},             // button face
    TSystemRole{QPalette::Active, QPalette::Dark},               // button shadow
    TSystemRole{QPalette::Disabled, QPalette::Text},             // grey text
    TSystemRole{QPalette::Active, QPalette::ButtonText},         // button text
    TSystemRole{QPalette::Inactive, QPalette::WindowText},       // inactive caption text
    TSystemRole{QPalette::Active, QPalette::Light},              // button highlight
    TSystemRole{QPalette::Active, QPalette::Shadow},             // 3-D dark shadow
    TSystemRole{QPalette::Active, QPalette::Midlight},           // 3-D light
    TSystemRole{QPalette::Active, QPalette::ToolTipText},        // info text
    TSystemRole{QPalette::Active, QPalette::ToolTipBase},        // info background
    std::nullopt,
    TSystemRole{QPalette::Active, QPalette::Link},               // hot light
    TSystemRole{QPalette::Active, QPalette::Highlight},          // gradient active caption
    TSystemRole{QPalette::Active, QPalette::Mid},                // gradient inactive caption
    TSystemRole{QPalette::Active, QPalette::Highlight},          // menu highlight
    TSystemRole{QPalette::Active, QPalette::Window},             // menu bar
};
// clang-format on

}  // namespace

QString ColorToString(TColor color) {
    for (const NamedColor& named : kNamedColors)
        if (named.value == color) return QLatin1String(named.name);
    return QStringLiteral("$%1").arg(color, 8, 16, QLatin1Char('0')).toUpper();
}

bool StringToColor(const QString& text, TColor* color) {
    for (const NamedColor& named : kNamedColors) {
        if (text.compare(QLatin1String(named.name), Qt::CaseInsensitive) == 0) {
            *color = named.value;
            return true;
        }
    }
    int value = 0;
    if (!ParseIniInteger(text, &value)) return false;
    *color = static_cast<TColor>(static_cast<quint32>(value));
    return true;
}

QColor ColorOf(TColor color, const QPalette& palette) {
    if ((color & 0xFF000000u) == kSystemColor) {
        const quint32 index = color & 0xFFFFFFu;
        if (index >= std::size(kSystemRoles) || !kSystemRoles[index]) return QColor();
        return palette.color(kSystemRoles[index]->group, kSystemRoles[index]->role);
    }
    // The high byte of the other forms selects a palette entry on the original desktop;
    // here only the colour itself counts. clNone and clDefault name no colour at all.
    if (color > 0x02FFFFFFu) return QColor();
    return QColor(ColorToRgb(color));
}

TColor ToTColor(const QColor& color) {
    return TColor(color.red()) | TColor(color.green()) << 8 | TColor(color.blue()) << 16;
}

}  // namespace vellumora
