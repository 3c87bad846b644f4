#include "forms/album/WebpageRules.h"

#include <QDir>
#include <QStandardPaths>
#include <algorithm>
#include <cmath>

#include "photos/settings/PhotoInfo.h"

namespace vellumora {

bool AlbumStyleHasDetails(TAlbumStyle style) {
    return style == TAlbumStyle::Modern;
}

QStringList AlbumWidthItems() {
    return {QStringLiteral("580 pixels (the best for 640 * 480 screen)"),
            QStringLiteral("720 pixels (the best for 800 * 600 screen)"),
            QStringLiteral("920 pixels (the best for 1024 * 768 screen)"), QStringLiteral("100%")};
}

QStringList AlbumEncodingItems() {
    return {QStringLiteral("Ansi"), QStringLiteral("UTF-8"), QStringLiteral("Other")};
}

QString AlbumCharsetOf(int encodingIndex) {
    switch (encodingIndex) {
        case 0:
            return QStringLiteral("ISO-8859-1");
        case 1:
            return QStringLiteral("UTF-8");
        default:
            return QString();
    }
}

bool AlbumCharsetTyped(int encodingIndex) {
    return encodingIndex == 2;
}

TAlbumFont AlbumFontOnShow(const TAlbumFont& kept, int size) {
    TAlbumFont font = kept;
    font.Name = QStringLiteral("Verdana");
    font.Size = size;
    return font;
}

QFont AlbumChooserFont(const TAlbumFont& font) {
    QFont chooser(font.Name);
    chooser.setPointSize(std::clamp(font.Size, 1, kAlbumFontSizeMax));
    chooser.setBold(font.Bold);
    chooser.setItalic(font.Italic);
    chooser.setUnderline(font.Underline);
    chooser.setStrikeOut(font.StrikeOut);
    return chooser;
}

TAlbumFont AlbumChosenFont(const QFont& chosen, const TAlbumFont& kept) {
    TAlbumFont font = kept;
    font.Name = chosen.family();
    // Points; a font given in pixels converts at the settings' pixels per inch.
    const double points = chosen.pointSizeF() > 0
                              ? chosen.pointSizeF()
                              : double(chosen.pixelSize()) * 72 / kPixelsPerInch;
    const qint64 rounded = std::isfinite(points) ? std::llround(points) : 0;
    font.Size = int(std::clamp<qint64>(rounded, 1, kAlbumFontSizeMax));
    font.Bold = chosen.bold();
    font.Italic = chosen.italic();
    font.Underline = chosen.underline();
    font.StrikeOut = chosen.strikeOut();
    return font;
}

QString DefaultAlbumFolder() {
    QString pictures = QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
    if (pictures.isEmpty()) pictures = QDir::homePath();
    return QDir::toNativeSeparators(pictures + QStringLiteral("/Vellumora Album"));
}

QString AlbumDescription(const QString& memoText) {
    QString text = memoText;
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    for (QChar separator :
         {QChar(u'\r'), QChar(QChar::ParagraphSeparator), QChar(QChar::LineSeparator)})
        text.replace(separator, QLatin1Char('\n'));
    return text.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
}

}  // namespace vellumora
