#pragma once

// The Modern album page: a responsive grid of the exported photos, each offered in several
// widths so that the browser loads what the screen needs, and a full-window viewer with
// keys, swipe and buttons. Plain HTML5 and CSS with a little JavaScript beside the page
// ("Vellumora.css", "Vellumora.js"), nothing fetched from the network, working from a
// local folder. All the text of it lives here; the album's engine (Album.h) exports the
// photos and hands over what the page needs of each.

#include <QByteArray>
#include <QSize>
#include <QString>
#include <vector>

#include "codec/Metadata.h"
#include "photos/album/AlbumPage.h"

namespace vellumora {

// The widths, besides the photo's own, that a photo is offered in: each twice the one
// before, so that whatever width a photo is shown at (from half the smallest up), the
// browser finds one at most twice that. Only those narrower than the photo are made.
std::vector<int> ModernWidths(int photoWidth);
// The size of a photo of the given size scaled to width (height rounded, at least 1).
QSize ModernScaledSize(QSize photo, int width);
// "Photo" + number + "-" + width + ".jpg": the smaller files beside "Photo<n>.jpg".
QString ModernFileName(int number, int width);
// The candidate widths of every number's files, whatever the photo's width: what a build
// checks against its sources before it writes.
std::vector<int> ModernAllWidths();

// One photo of the page, as the export left it.
struct TModernPhoto {
    int number = 0;           // of "Photo<n>.jpg", from 1
    QSize size;               // of "Photo<n>.jpg"
    std::vector<int> widths;  // the smaller files made, ModernWidths(size.width())
    QString caption;          // the title, else the file name without its extension
    QString details;          // date taken, camera, exposure; may be empty
};

// The caption of a photo: its stored title, else the original's file name without the
// extension.
QString ModernCaption(const TPhotoFacts& facts, const QString& fileName);
// The camera details line: date taken, camera and exposure, those that are known.
QString ModernDetails(const TPhotoFacts& facts);

// The colour that reads on the accent: black or white, whichever contrasts more.
TColor AccentTextColor(TColor accent);

// The page for the photos given (in page order; photos that failed are left out). Every
// text of the user's is HTML-escaped. UTF-8, lines ending in LF.
QString ModernPage(const TAlbumOptions& options, const std::vector<TModernPhoto>& photos);

// The files the page loads beside it, by name.
struct TAlbumFile {
    QString name;
    QByteArray bytes;
};
std::vector<TAlbumFile> ModernPageFiles();

}  // namespace vellumora
