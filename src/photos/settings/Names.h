#pragma once

// Rules for typed text and file names that several features share: one definition each, so
// a batch, Save As and the settings files always cut names the same way.

#include <QString>

namespace vellumora {

// The text without the blanks and control characters (code 32 and below) at either end,
// as typed boxes and settings values are read. Other white space, such as a no-break
// space, is kept: it may be part of the name the user meant.
QString TrimBlanks(const QString& text);

// The last component of a path on this system: everything after the last "/".
QString LocalFileName(const QString& path);
// The path without the extension of its last component; a dot inside a folder name
// ("/a.b/photo") is not an extension.
QString WithoutExtension(const QString& path);
// The last component of a path written on either platform: everything after the last
// "/", "\" or drive colon. For names read from settings files, which may come from
// another system and must never lead out of the folder they belong in.
QString FileNamePart(const QString& path);

}  // namespace vellumora
