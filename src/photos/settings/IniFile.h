#pragma once

// The program's settings files: plain INI text in UTF-8. Sections keep their file order,
// section and key names compare without case, unknown lines are kept as they stand, and
// a changed file is replaced in one step so that a crash or a full disk never leaves a
// half-written file behind.

#include <QList>
#include <QString>
#include <QStringList>
#include <stdexcept>

#include "codec/Limits.h"

namespace vellumora {

// A write the file system refused. what() is "Unable to write to <path>".
class TIniError : public std::runtime_error {
public:
    // reason: the system's words for what failed ("No space left on device").
    explicit TIniError(const QString& path, const QString& reason = {});
    QString Message() const { return QString::fromUtf8(what()); }
    const QString& Reason() const { return reason_; }

private:
    QString reason_;
};

class TIniFile {
public:
    // Reads the whole file; a missing or unreadable file reads as empty.
    explicit TIniFile(const QString& path);

    const QString& FileName() const { return path_; }

    QStringList Sections() const;  // in file order
    bool SectionExists(const QString& section) const;
    QStringList Keys(const QString& section) const;  // in file order
    bool ValueExists(const QString& section, const QString& key) const;

    // Values are cut to kMaxValueLength characters on reading.
    QString ReadString(const QString& section, const QString& key,
                       const QString& defaultValue = QString()) const;
    // Decimal, or hexadecimal after "0x", "0X" or "$"; anything else gives the default.
    int ReadInteger(const QString& section, const QString& key, int defaultValue) const;
    // An integer; non-zero is true.
    bool ReadBool(const QString& section, const QString& key, bool defaultValue) const;

    // Changes in memory; UpdateFile() stores them. An existing key is replaced where it
    // stands, a new key goes to the end of its section, a new section to the end of the file.
    void WriteString(const QString& section, const QString& key, const QString& value);
    void WriteInteger(const QString& section, const QString& key, int value);
    void WriteBool(const QString& section, const QString& key, bool value);
    void EraseSection(const QString& section);

    // Writes the file (creating it when missing). Throws TIniError when refused.
    void UpdateFile() const;

    static constexpr int kMaxValueLength = kMaxSettingsValueLength;
    // A file beyond either limit is not one of ours (settings files stay far below them):
    // it reads as empty and UpdateFile() refuses to replace it, so that neither memory
    // nor the file's contents are lost to it.
    static constexpr qint64 kMaxFileSize = kMaxSettingsFileBytes;
    static constexpr qsizetype kMaxLines = kMaxSettingsLines;

private:
    struct Line {
        QString key;   // empty for lines that are not "key=value"
        QString text;  // the whole line as it stands in the file
    };
    struct Section {
        QString name;
        QString text;  // the header line as it stands in the file
        QList<Line> lines;
    };

    const Section* Find(const QString& section) const;
    Section* Find(const QString& section);

    QString path_;
    QList<Line> preamble_;  // lines before the first section
    QList<Section> sections_;
    // The file exists but could not be read whole; UpdateFile() does not replace it.
    bool unreadable_ = false;
    QString unreadableReason_;
};

// Parses an integer the way every settings file of the program encodes it. Returns false
// for text that is not a 32-bit integer.
bool ParseIniInteger(const QString& text, int* value);

}  // namespace vellumora
