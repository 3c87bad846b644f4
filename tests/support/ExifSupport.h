#pragma once

// EXIF and TIFF bytes made by hand, for files whose metadata a test sets exactly (an
// orientation, damage at a chosen place).

#include <QByteArray>
#include <QtGlobal>
#include <array>
#include <initializer_list>

namespace vellumora::test {

// Bytes with integers written over them: {offset, value, size, big endian}.
inline QByteArray Patched(QByteArray bytes, std::initializer_list<std::array<quint32, 4>> edits) {
    for (const auto& [at, value, size, big] : edits)
        for (quint32 i = 0; i < size; ++i)
            bytes[at + i] = char(value >> (8 * (big ? size - 1 - i : i)));
    return bytes;
}

// A TIFF structure with one IFD of {tag, type, value} entries, followed by `tail`.
inline QByteArray Tiff(bool big, std::initializer_list<std::array<quint32, 3>> entries,
                       const QByteArray& tail = {}) {
    const quint32 n = quint32(entries.size());
    QByteArray t = Patched(
        QByteArray(int(14 + 12 * n), '\0'),
        {{0, big ? 0x4D4Du : 0x4949u, 2, 0}, {2, 42, 2, big}, {4, 8, 4, big}, {8, n, 2, big}});
    quint32 at = 10;
    for (const auto& [tag, type, value] : entries) {
        // clang-format off
        t = Patched(t, {{at, tag, 2, big}, {at + 2, type, 2, big},
                        {at + 4, type == 1 ? 4u : 1u, 4, big},  // four BYTEs, else one value
                        {at + 8, value, type == 3 ? 2u : 4u, big && type != 1}});
        // clang-format on
        at += 12;
    }
    return t + tail;
}

// The JPEG with the TIFF structure as its EXIF segment, right after the start marker.
inline QByteArray WithExif(const QByteArray& jpeg, const QByteArray& tiff) {
    const QByteArray payload = QByteArray("Exif\0\0", 6) + tiff;
    return jpeg.left(2) + Patched("\xFF\xE1..", {{2, quint32(payload.size() + 2), 2, 1}}) +
           payload + jpeg.mid(2);
}

}  // namespace vellumora::test
