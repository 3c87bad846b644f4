#include "photos/album/AlbumPage.h"

#include <unicode/ucnv.h>

#include <QStringConverter>
#include <QStringDecoder>
#include <QStringEncoder>
#include <algorithm>

namespace vellumora {
namespace {

const QString kEnd = QStringLiteral("\r\n");

QString OpeningTags(const TAlbumFont& font) {
    QString tags;
    if (font.Bold) tags += QStringLiteral("<b>");
    if (font.Italic) tags += QStringLiteral("<i>");
    if (font.Underline) tags += QStringLiteral("<u>");
    if (font.StrikeOut) tags += QStringLiteral("<s>");
    return tags;
}

QString ClosingTags(const TAlbumFont& font) {
    QString tags;
    if (font.StrikeOut) tags += QStringLiteral("</s>");
    if (font.Underline) tags += QStringLiteral("</u>");
    if (font.Italic) tags += QStringLiteral("</i>");
    if (font.Bold) tags += QStringLiteral("</b>");
    return tags;
}

// The div of one text line: the font tag with its face, colour and class, the text in its
// style tags.
QString TextLine(const QString& div, const TAlbumFont& font, const char* cssClass,
                 const QString& text) {
    return div + QStringLiteral("<font face=\"") + font.Name + QStringLiteral("\" color=\"") +
           ColorToHtml(font.Color) + QStringLiteral("\" class=\"") + QLatin1String(cssClass) +
           QStringLiteral("\">") + OpeningTags(font) + text + ClosingTags(font) +
           QStringLiteral("</font></div>");
}

// An encoder for the encoding's canonical name; UTF-16 and UTF-32 with a byte-order mark.
QStringEncoder PageEncoder(const QString& name) {
    const bool wide = name.startsWith(QLatin1String("UTF-16"), Qt::CaseInsensitive) ||
                      name.startsWith(QLatin1String("UTF-32"), Qt::CaseInsensitive);
    return QStringEncoder(name.toLatin1().constData(), wide ? QStringConverter::Flag::WriteBom
                                                            : QStringConverter::Flag::Default);
}

// Whether the name is one that browsers and Qt know an encoding by: one with a MIME or an
// IANA name. ICU also knows its own names of other encodings ("ibm-964"): Qt's converters
// write nothing with some of them, which made an empty page reported as written, and
// crash on others, so those are never handed to Qt.
bool HasStandardName(const char* name) {
    UErrorCode status = U_ZERO_ERROR;
    if (ucnv_getStandardName(name, "MIME", &status) && U_SUCCESS(status)) return true;
    status = U_ZERO_ERROR;
    return ucnv_getStandardName(name, "IANA", &status) && U_SUCCESS(status);
}

// Whether the named encoding writes a page's markup and reads it back unchanged.
bool WritesAndReadsBack(const char* name) {
    if (!HasStandardName(name)) return false;
    static const QString probe = QStringLiteral("<!DOCTYPE html>\r\n<html lang=\"en\">");
    QStringEncoder encoder(name);
    QStringDecoder decoder(name);
    if (!encoder.isValid() || !decoder.isValid()) return false;
    const QByteArray bytes = encoder.encode(probe);
    const QString back = decoder.decode(bytes);
    return !encoder.hasError() && !decoder.hasError() && back == probe;
}

}  // namespace

QStringList AlbumWidths() {
    return {QStringLiteral("580"), QStringLiteral("720"), QStringLiteral("920"),
            QStringLiteral("100%")};
}

QStringList AlbumStyleNames() {
    return {QStringLiteral("Classic"), QStringLiteral("Modern")};
}

QString ColorToHtml(TColor color) {
    // Nibbles from the red byte up: high then low of each.
    static const char kDigits[] = "0123456789ABCDEF";
    QString html = QStringLiteral("#");
    for (int shift : {4, 0, 12, 8, 20, 16}) html += QLatin1Char(kDigits[(color >> shift) & 0xF]);
    return html;
}

QString AlbumPage(const TAlbumOptions& o, int photoCount) {
    const QStringList widths = AlbumWidths();
    const QString width = widths[std::clamp(o.width, 0, int(widths.size()) - 1)];
    const QString margin = QString::number(o.margin);
    // A row of no columns would never place a photo.
    const int columns = std::max(o.columns, 1);
    QString description = o.description;
    description.replace(kEnd, QStringLiteral("<br>"));

    QStringList lines = {
        QStringLiteral("<html>"),
        QStringLiteral("<head>"),
        QStringLiteral("<title>") + o.title + QStringLiteral("</title>"),
        QStringLiteral("<meta http-equiv=\"Content-Type\" content=\"text/html; charset=") +
            o.charset + QStringLiteral("\">"),
        QStringLiteral("<meta name=\"generator\" content=\"Vellumora\">"),
        QStringLiteral("<style type=\"text/css\">"),
        QStringLiteral("<!--"),
        QStringLiteral(".title{font-size:%1px}").arg(o.titleFont.Size),
        QStringLiteral(".description{font-size:%1px}").arg(o.descriptionFont.Size),
        QStringLiteral(".copyright{font-size:%1px}").arg(o.copyrightFont.Size),
        QStringLiteral("-->"),
        QStringLiteral("</style>"),
        QStringLiteral("</head>"),
        QStringLiteral("<body bgcolor=\"") + ColorToHtml(o.pageColor) + QStringLiteral("\">"),
        QStringLiteral("<table width=\"") + width +
            QStringLiteral("\" border=\"0\" cellspacing=\"0\" cellpadding=\"0\" align=\"center\">"),
        QStringLiteral("<tr>"),
        QStringLiteral("<td>"),
        TextLine(QStringLiteral("<div align=\"center\">"), o.titleFont, "title", o.title),
        QStringLiteral("</td>"),
        QStringLiteral("</tr>"),
        QStringLiteral("<tr>"),
        QStringLiteral("<td height=\"") + margin + QStringLiteral("\">"),
        QStringLiteral("</td>"),
        QStringLiteral("</tr>"),
        QStringLiteral("<tr>"),
        QStringLiteral("<td>"),
        TextLine(QStringLiteral("<div>"), o.descriptionFont, "description", description),
        QStringLiteral("</td>"),
        QStringLiteral("</tr>"),
        QStringLiteral("<tr>"),
        QStringLiteral("<td>"),
        QStringLiteral("<table border=\"0\" cellspacing=\"") + margin +
            QStringLiteral("\" cellpadding=\"0\" align=\"center\">"),
    };
    // The grid: rows of `columns` cells; the last holds the rest, unpadded. No photo at
    // all still makes one empty row.
    int placed = 0;
    do {
        lines << QStringLiteral("<tr>");
        for (int c = 0; c < columns && placed < photoCount; ++c) {
            ++placed;
            lines << QStringLiteral("<td>")
                  << QStringLiteral("<img src=\"Photo%1.jpg\" border=\"0\">").arg(placed)
                  << QStringLiteral("</td>");
        }
        lines << QStringLiteral("</tr>");
    } while (placed < photoCount);
    // The cell and row around the grid stay open: HTML ends them at the next row.
    lines << QStringLiteral("</table>") << QStringLiteral("<tr>") << QStringLiteral("<td>")
          << TextLine(QStringLiteral("<div align=\"center\">"), o.copyrightFont, "copyright",
                      o.copyright)
          << QStringLiteral("</td>") << QStringLiteral("</tr>") << QStringLiteral("</table>")
          << QStringLiteral("</body>") << QStringLiteral("</html>");
    return lines.join(kEnd) + kEnd;
}

QString AlbumEncoding(const QString& charset) {
    const QString name = charset.trimmed();
    if (!name.isEmpty()) {
        // Encoding names are ASCII; anything else names none.
        const bool ascii =
            std::all_of(name.begin(), name.end(), [](QChar c) { return c.unicode() < 128; });
        if (ascii && HasStandardName(name.toLatin1().constData())) {
            const QStringEncoder encoder(name.toLatin1().constData());
            if (encoder.isValid() && WritesAndReadsBack(encoder.name()))
                return QString::fromLatin1(encoder.name());
        }
    }
    return QStringLiteral("UTF-8");
}

QByteArray EncodeAlbumPage(const QString& page, const QString& charset) {
    const QString name = AlbumEncoding(charset);
    QStringEncoder encoder = PageEncoder(name);
    const QByteArray whole = encoder.encode(page);
    if (!encoder.hasError()) return whole;

    // Some characters do not fit: each becomes a reference, the rest is encoded as one
    // text so that stateful encodings shift only where they must.
    QString referenced;
    referenced.reserve(page.size());
    for (qsizetype i = 0; i < page.size();) {
        const bool pair =
            page[i].isHighSurrogate() && i + 1 < page.size() && page[i + 1].isLowSurrogate();
        const QStringView character(page.constData() + i, pair ? 2 : 1);
        QStringEncoder single(name.toLatin1().constData());
        const QByteArray bytes = single.encode(character);  // the encoding runs here
        Q_UNUSED(bytes);
        if (single.hasError() || (character.front().isSurrogate() && !pair))
            referenced += QStringLiteral("&#%1;").arg(
                pair ? QChar::surrogateToUcs4(character[0], character[1])
                     : char32_t(character[0].unicode()));
        else
            referenced += character;
        i += character.size();
    }
    QStringEncoder fresh = PageEncoder(name);
    return fresh.encode(referenced);
}

}  // namespace vellumora
