#pragma once

// The commands of vellumora-cli, callable without a process for tests and benchmarks.

#include <QStringList>
#include <QTextStream>
#include <functional>

namespace vellumora::cli {

// The words of one subcommand: plain words are files ("--" ends the options), the given
// flags stand alone, and every other option takes the next word as its value. Calls
// option(name, value) for each option, value empty for a flag, and returns the first error
// text (an option missing its value, or what option returned).
QString WalkArguments(const QStringList& args, const QStringList& flags, QStringList* files,
                      const std::function<QString(const QString&, const QString&)>& option);

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
//       [--jobs N]
int RunAlbumCommand(const QStringList& args, QTextStream& out, QTextStream& err);

}  // namespace vellumora::cli
