#pragma once

// The rules of the web album dialog that need no widgets: its lists and what each item
// sets, the fonts as each showing leaves them and as the font chooser shows them, the
// export folder it starts with, and the description as the page takes it.

#include <QFont>
#include <QString>
#include <QStringList>

#include "photos/album/AlbumPage.h"

namespace vellumora {

inline constexpr int kAlbumColumnsMin = 1;  // a row of no columns places no photo
inline constexpr int kAlbumColumnsMax = 99;
inline constexpr int kAlbumMarginMax = 999;
inline constexpr int kAlbumTitleLength = 200;
inline constexpr int kAlbumDescriptionLength = 9999;
inline constexpr int kAlbumCharsetLength = 50;
inline constexpr int kAlbumFolderLength = 200;
inline constexpr int kAlbumFontSizeMax = 999;

// Whether a page of the style shows camera details (only Modern has the line).
bool AlbumStyleHasDetails(TAlbumStyle style);

// The items of the width list, in the order of AlbumWidths().
QStringList AlbumWidthItems();
// The items of the encoding list: "Ansi", "UTF-8", "Other".
QStringList AlbumEncodingItems();
// The charset an encoding item sets: "ISO-8859-1", "UTF-8", or empty for "Other", the
// only one whose charset the user types.
QString AlbumCharsetOf(int encodingIndex);
bool AlbumCharsetTyped(int encodingIndex);

// A font on a new showing: face "Verdana" and the given size again, the colour and style
// kept from what the user last chose.
TAlbumFont AlbumFontOnShow(const TAlbumFont& kept, int size);
// The font as the font chooser shows it, and the chooser's choice as the page keeps it:
// face, size and style; the colour, which the chooser does not offer, stays kept's.
QFont AlbumChooserFont(const TAlbumFont& font);
TAlbumFont AlbumChosenFont(const QFont& chosen, const TAlbumFont& kept);

// The user's Pictures folder + "/Vellumora Album" (the home folder when there is none).
QString DefaultAlbumFolder();

// The memo's text with CR LF for every line break, however it was kept ("\n", "\r",
// CR LF or the Unicode paragraph and line separators).
QString AlbumDescription(const QString& memoText);

}  // namespace vellumora
