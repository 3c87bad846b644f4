#pragma once

// The web album's page: the options the album dialog collects, the page "Vellumora.htm"
// built from them line by line, and its bytes in the encoding the page declares. Plain
// functions, so that the dialog and the command-line tool write the same bytes.

#include <QByteArray>
#include <QString>
#include <QStringList>

#include "photos/settings/Color.h"

namespace vellumora {

// The platform's window-text colour, which a font never given a colour holds.
inline constexpr TColor kWindowTextColor = 0xFF000008;

// A font of the page: face, size in points (written as the CSS pixel size), colour and
// style. A new one has no style and the window-text colour.
struct TAlbumFont {
    QString Name = QStringLiteral("Verdana");
    int Size = 12;
    TColor Color = kWindowTextColor;
    bool Bold = false;
    bool Italic = false;
    bool Underline = false;
    bool StrikeOut = false;
    bool operator==(const TAlbumFont&) const = default;
};

// The layout table's width by the width choice 0 to 3: "580", "720", "920", "100%".
QStringList AlbumWidths();

// How the page looks. Classic is the page of every earlier version, byte for byte; Modern
// is a responsive page with a viewer (photos/album/ModernPage.h).
enum class TAlbumStyle { Classic, Modern };
// The style names as the command line and the dialog's list give them, in enum order:
// "Classic", "Modern".
QStringList AlbumStyleNames();

struct TAlbumOptions {
    QString folder;  // as typed; trimmed wherever it is used
    QString title = QStringLiteral("My Photo Album");
    QString description;  // lines separated by CR LF
    QString copyright;
    TAlbumFont titleFont{.Size = 24};
    TAlbumFont descriptionFont;
    TAlbumFont copyrightFont;
    TColor pageColor = clWhite;
    QString charset = QStringLiteral("UTF-8");  // declared as it stands
    int width = 1;                              // index into AlbumWidths()
    int columns = 1;                            // 0 lays the photos out as 1 column
    int margin = 10;                            // spacer row height and grid cell spacing
    bool shuffle = false;
    TAlbumStyle style = TAlbumStyle::Classic;
    // Modern only: a line of date taken, camera and exposure under each caption.
    bool cameraDetails = false;
};

// "#" and the colour's red, green and blue bytes as six upper-case hexadecimal digits; the
// high byte (a system-colour reference) is ignored, so the window-text colour 0xFF000008
// gives "#080000".
QString ColorToHtml(TColor color);

// The page for photoCount photos named "Photo1.jpg" onwards: its 42 lines, each ending
// in CR LF (the grid rows make line 33 several). Texts are written unchanged: markup typed
// into them is the user's to mean.
QString AlbumPage(const TAlbumOptions& options, int photoCount);

// The encoding a page declaring charset is written in: the named encoding when this
// system knows it, otherwise UTF-8 (also for an empty name). Its canonical name.
QString AlbumEncoding(const QString& charset);
// The page's bytes in AlbumEncoding(charset). Characters that encoding cannot hold are
// written as numeric character references ("&#8364;"), which a browser shows as the
// character whatever the encoding. UTF-16 and UTF-32 pages start with a byte-order mark,
// without which no browser could read the declaration.
QByteArray EncodeAlbumPage(const QString& page, const QString& charset);

}  // namespace vellumora
