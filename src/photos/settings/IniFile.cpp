#include "photos/settings/IniFile.h"

#include <QFile>

#include "codec/Codec.h"

namespace vellumora {

namespace {

bool SameName(const QString& a, const QString& b) {
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

// A line break inside a name or value would split it into lines of another meaning when
// the file is read back, so it is stored as a space.
QString OneLine(QString text) {
    text.replace(QLatin1Char('\r'), QLatin1Char(' '));
    text.replace(QLatin1Char('\n'), QLatin1Char(' '));
    return text;
}

bool IsBlank(const QString& line) {
    return line.trimmed().isEmpty();
}

// "[name]" with anything after the closing bracket ignored. A line with an opening
// bracket and no closing one is not a header and stays an ordinary line.
bool ParseSectionHeader(const QString& line, QString* name) {
    const QString text = line.trimmed();
    if (!text.startsWith(QLatin1Char('['))) return false;
    const qsizetype close = text.indexOf(QLatin1Char(']'));
    if (close < 0) return false;
    *name = text.mid(1, close - 1).trimmed();
    return true;
}

// The key of a "key=value" line; empty for comments (";..."), blank lines, lines
// without '=' and lines with nothing before it.
QString ParseKey(const QString& line) {
    const QString text = line.trimmed();
    if (text.startsWith(QLatin1Char(';'))) return QString();
    const qsizetype equals = text.indexOf(QLatin1Char('='));
    if (equals <= 0) return QString();
    return text.left(equals).trimmed();
}

int HexDigit(QChar c) {
    const char16_t u = c.unicode();
    if (u >= u'0' && u <= u'9') return u - u'0';
    if (u >= u'a' && u <= u'f') return u - u'a' + 10;
    if (u >= u'A' && u <= u'F') return u - u'A' + 10;
    return -1;
}

// Accumulates digits of the given base into *magnitude; false for no digits, a foreign
// character, or a magnitude beyond limit. Stops early so that long input cannot overflow.
bool ParseDigits(QStringView digits, int base, quint64 limit, quint64* magnitude) {
    if (digits.isEmpty()) return false;
    quint64 value = 0;
    for (const QChar c : digits) {
        const int digit = HexDigit(c);
        if (digit < 0 || digit >= base) return false;
        value = value * base + quint64(digit);
        if (value > limit) return false;
    }
    *magnitude = value;
    return true;
}

}  // namespace

TIniError::TIniError(const QString& path, const QString& reason)
    : std::runtime_error(QStringLiteral("Unable to write to %1").arg(path).toStdString()),
      reason_(reason) {}

// Forms: [-]decimal, [-]$hex, [-]0xhex. Hexadecimal is a 32-bit pattern: up to FFFFFFFF,
// wrapping into the signed range ("$FFFFFFFF" is -1), which is how colours are stored.
// A '-' before hexadecimal is only accepted while the result stays a true negative
// number ("-$80000000" at most), so "-$FFFFFFFF" is not a number rather than 1.
bool ParseIniInteger(const QString& text, int* value) {
    QStringView rest(text);
    const bool negative = rest.startsWith(u'-');
    if (negative) rest = rest.mid(1);

    bool hex = false;
    if (rest.size() > 2 && (rest.startsWith(u"0x") || rest.startsWith(u"0X"))) {
        rest = rest.mid(2);
        hex = true;
    } else if (rest.startsWith(u'$')) {
        rest = rest.mid(1);
        hex = true;
    }

    const quint64 limit = hex ? (negative ? 0x80000000ull : 0xFFFFFFFFull)
                              : (negative ? 0x80000000ull : 0x7FFFFFFFull);
    quint64 magnitude = 0;
    if (!ParseDigits(rest, hex ? 16 : 10, limit, &magnitude)) return false;

    // Two's complement in unsigned arithmetic, then the same bits as a signed int.
    const quint32 bits = negative ? quint32(0u - quint32(magnitude)) : quint32(magnitude);
    *value = static_cast<qint32>(bits);
    return true;
}

TIniFile::TIniFile(const QString& path) : path_(path) {
    QFile file(path);
    if (!file.exists()) return;
    if (!file.open(QIODevice::ReadOnly)) {
        unreadable_ = true;
        unreadableReason_ = file.errorString();
        return;
    }
    // One byte more than allowed tells an oversized file apart without reading it all,
    // which also keeps endless devices from filling memory.
    QByteArray data = file.read(kMaxFileSize + 1);
    if (file.error() != QFileDevice::NoError || data.size() > kMaxFileSize ||
        data.count('\n') >= kMaxLines) {
        unreadable_ = true;
        unreadableReason_ = file.error() != QFileDevice::NoError ? file.errorString()
                                                                 : QStringLiteral("file too large");
        return;
    }
    if (data.startsWith("\xEF\xBB\xBF")) data.remove(0, 3);  // editors' UTF-8 mark

    // Invalid UTF-8 becomes U+FFFD; such lines are kept and never match a name.
    const QString text = QString::fromUtf8(data);
    data.clear();

    Section* current = nullptr;
    qsizetype start = 0;
    while (start < text.size()) {
        qsizetype end = text.indexOf(QLatin1Char('\n'), start);
        if (end < 0) end = text.size();
        qsizetype stop = end;
        if (stop > start && text.at(stop - 1) == QLatin1Char('\r')) --stop;
        const QString line = text.mid(start, stop - start);
        start = end + 1;

        QString name;
        if (ParseSectionHeader(line, &name)) {
            sections_.append(Section{name, line, {}});
            current = &sections_.last();
        } else {
            (current ? current->lines : preamble_).append(Line{ParseKey(line), line});
        }
    }
}

// When a name appears twice, the first section and the first key of that name are the
// ones read and written; later copies are kept in the file untouched.
const TIniFile::Section* TIniFile::Find(const QString& section) const {
    for (const Section& s : sections_)
        if (SameName(s.name, section)) return &s;
    return nullptr;
}

TIniFile::Section* TIniFile::Find(const QString& section) {
    return const_cast<Section*>(std::as_const(*this).Find(section));
}

QStringList TIniFile::Sections() const {
    QStringList names;
    for (const Section& s : sections_)
        if (!names.contains(s.name, Qt::CaseInsensitive)) names.append(s.name);
    return names;
}

bool TIniFile::SectionExists(const QString& section) const {
    return Find(section) != nullptr;
}

QStringList TIniFile::Keys(const QString& section) const {
    QStringList keys;
    if (const Section* s = Find(section))
        for (const Line& line : s->lines)
            if (!line.key.isEmpty() && !keys.contains(line.key, Qt::CaseInsensitive))
                keys.append(line.key);
    return keys;
}

bool TIniFile::ValueExists(const QString& section, const QString& key) const {
    return Keys(section).contains(key, Qt::CaseInsensitive);
}

QString TIniFile::ReadString(const QString& section, const QString& key,
                             const QString& defaultValue) const {
    const Section* s = Find(section);
    if (!s) return defaultValue;
    for (const Line& line : s->lines) {
        if (line.key.isEmpty() || !SameName(line.key, key)) continue;
        // A lone CR reads as the space a written value stores it as, so that a value
        // written back reads the same.
        QString value = OneLine(line.text.mid(line.text.indexOf(QLatin1Char('=')) + 1)).trimmed();
        if (value.size() > kMaxValueLength) {
            qsizetype length = kMaxValueLength;
            // Never keep half of a surrogate pair.
            if (value.at(length - 1).isHighSurrogate()) --length;
            value.truncate(length);
        }
        return value;
    }
    return defaultValue;
}

int TIniFile::ReadInteger(const QString& section, const QString& key, int defaultValue) const {
    int value = 0;
    return ParseIniInteger(ReadString(section, key), &value) ? value : defaultValue;
}

bool TIniFile::ReadBool(const QString& section, const QString& key, bool defaultValue) const {
    return ReadInteger(section, key, defaultValue ? 1 : 0) != 0;
}

void TIniFile::WriteString(const QString& section, const QString& key, const QString& value) {
    const QString name = OneLine(section).trimmed();
    const QString keyName = OneLine(key).trimmed();
    const QString text = OneLine(value);

    Section* s = Find(name);
    if (!s) {
        // A blank line before a new section keeps the file readable by hand.
        QList<Line>& before = sections_.isEmpty() ? preamble_ : sections_.last().lines;
        if (!before.isEmpty() && !IsBlank(before.last().text)) before.append(Line{});
        sections_.append(Section{name, QLatin1Char('[') + name + QLatin1Char(']'), {}});
        s = &sections_.last();
    }

    for (Line& line : s->lines) {
        if (!line.key.isEmpty() && SameName(line.key, keyName)) {
            line.text = line.key + QLatin1Char('=') + text;
            return;
        }
    }
    // After the section's last non-blank line, so blank separators stay at its end.
    qsizetype at = s->lines.size();
    while (at > 0 && IsBlank(s->lines.at(at - 1).text)) --at;
    s->lines.insert(at, Line{keyName, keyName + QLatin1Char('=') + text});
}

void TIniFile::WriteInteger(const QString& section, const QString& key, int value) {
    WriteString(section, key, QString::number(value));
}

void TIniFile::WriteBool(const QString& section, const QString& key, bool value) {
    WriteString(section, key, value ? QStringLiteral("1") : QStringLiteral("0"));
}

// Removes every section of that name, so that afterwards the section is gone even from a
// file that held it twice.
void TIniFile::EraseSection(const QString& section) {
    sections_.removeIf([&](const Section& s) { return SameName(s.name, section); });
}

void TIniFile::UpdateFile() const {
    // A file that could not be read whole is not replaced by the part that was.
    if (unreadable_)
        throw TIniError(path_, QStringLiteral("it could not be read: ") + unreadableReason_);

    QString text;
    const auto append = [&](const QString& line) {
        text += line;
        text += QLatin1Char('\n');
    };
    for (const Line& line : preamble_) append(line.text);
    for (const Section& s : sections_) {
        append(s.text);
        for (const Line& line : s.lines) append(line.text);
    }

    if (QString reason; !WriteFileAtomically(path_, text.toUtf8(), &reason))
        throw TIniError(path_, reason);
}

}  // namespace vellumora
