#pragma once

// The commands of vellumora-cli, callable without a process for tests and benchmarks.

#include <QStringList>
#include <QTextStream>
#include <functional>
#include <optional>

#include "photos/export/Export.h"

namespace vellumora::cli {

// The options that batch and album share.
struct TCommonArguments {
    QString settings;  // --settings FILE
    QString section;   // --section NAME
    QString folder;    // --folder DIR, required
    int jobs = 0;      // --jobs N (1 to 256); 0 when not given
    QStringList files;
};

// A command's own option: std::nullopt when name is not one of its options, else the error
// text for value (empty when the value is good).
using TOwnOption = std::function<std::optional<QString>(const QString& name, const QString& value)>;

// Reads the words of batch or album: plain words are files ("--" ends the options), the
// given flags stand alone, and every other option takes the next word as its value. The
// shared options fill *common; the rest go to own (value empty for a flag). Then the
// checks: --folder given, the command's own rules, --settings and --section together. On
// the first error prints "vellumora-cli COMMAND: " with it and the usage on err, and
// returns false.
bool ReadArguments(const QString& command, const QStringList& args, const QStringList& flags,
                   TCommonArguments* common, const TOwnOption& own,
                   const std::function<QString()>& rules, QTextStream& err);

// A whole number within [minimum, maximum], or none.
std::optional<int> NumberIn(const QString& text, int minimum, int maximum);

// Whether a settings file (and its section, when one is named) are there, saying why not
// on err.
bool SectionReadable(const QString& file, const QString& section, QTextStream& err);

// The line of a batch or album run for one file: "[done/total] SOURCE -> OUTPUT", or
// "FAILED SOURCE: why". True, so that the run goes on.
bool PrintProgress(QTextStream& err, const TExportItem& item, int done, int total);
// The end of a batch or album run: its message when it stopped before converting (then
// false), else "W written, F failed".
bool PrintOutcome(QTextStream& err, const QString& message, int written, int failed);

// Exit codes.
inline constexpr int kOk = 0;
inline constexpr int kFailed = 1;
inline constexpr int kUsage = 2;

QString UsageText();

// Dispatches on args[0] (the command name); args excludes the program name.
int Run(const QStringList& args, QTextStream& out, QTextStream& err);

// render SETTINGS SECTION OUTPUT
int RunRender(const QStringList& args, QTextStream& out, QTextStream& err);

// batch [--settings FILE --section NAME] --folder DIR [--type EXT] [--prefix TEXT]
//       [--suffix TEXT] [--case keep|upper|lower] [--auto-crop "A * B"] [--rotate CODE]
//       [--jobs N] FILE...
int RunBatchCommand(const QStringList& args, QTextStream& out, QTextStream& err);

// templates [FILE]: the templates of FILE (the program's Templates.dat when not given) in
// menu order, one a line: number, section, description and "(Default)" on the default,
// separated by tabs.
int RunTemplates(const QStringList& args, QTextStream& out, QTextStream& err);
// album --folder DIR (--photos FILE | [--settings FILE --section NAME] FILE...)
//       [--title TEXT] [--description TEXT] [--copyright TEXT] [--columns N] [--margin N]
//       [--width 580|720|920|100%] [--charset NAME] [--page-color COLOR] [--shuffle]
//       [--style classic|modern] [--camera-details] [--jobs N]
int RunAlbumCommand(const QStringList& args, QTextStream& out, QTextStream& err);

}  // namespace vellumora::cli
