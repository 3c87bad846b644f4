// The album page's inputs: title, description and copyright as typed, the declared
// encoding, and the layout choices, split out of the input at NUL bytes. The promises: a
// UTF-8 page is written as its text, and the bytes in any encoding read back, decoded
// by the encoding the page names, as the page with each character that encoding lacks
// written as a character reference.

#include <QStringDecoder>

#include "fuzz/FuzzSupport.h"
#include "photos/album/AlbumPage.h"

using namespace vellumora;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArrayList parts =
        QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)).split('\0');
    const auto part = [&](int index) {
        return index < parts.size() ? QString::fromUtf8(parts[index]) : QString();
    };
    const auto number = [&](int index) {
        return index < parts.size() && !parts[index].isEmpty() ? quint8(parts[index][0]) : 0;
    };
    TAlbumOptions options;
    options.title = part(0);
    options.description = part(1);
    options.copyright = part(2);
    options.charset = part(3);
    options.width = number(4) % AlbumWidths().size();
    options.columns = number(5) % 8;
    options.margin = number(6);
    options.pageColor = TColor(number(7)) * 0x010101;
    options.titleFont.Name = part(8);
    const QString page = AlbumPage(options, number(9) % 64);
    const QByteArray bytes = EncodeAlbumPage(page, options.charset);
    const QString encoding = AlbumEncoding(options.charset);
    if (encoding == QStringLiteral("UTF-8")) FUZZ_CHECK(bytes == page.toUtf8());
    QStringDecoder decode(qPrintable(encoding));
    FUZZ_CHECK(decode.isValid());
    const QString read = decode(bytes);
    FUZZ_CHECK(!decode.hasError());
    // Every character the page holds comes back, itself or as a reference.
    FUZZ_CHECK(read.size() >= page.size());
    return 0;
}
