// vellumora-cli: the program's headless face for scripts, benchmarks and tests.

#include <fcntl.h>
#include <unistd.h>

#include <QGuiApplication>
#include <QTextStream>
#include <cstdio>

#include "cli/Commands.h"

namespace {

FILE* ownErrors = stderr;

// The libraries under the codecs report on their own: libpng prints its errors straight to
// the standard error, and Qt's image plugins pass libjpeg's, libpng's and libtiff's notes
// about a file that still loads through Qt's message log, as Qt does its own. The tool's
// output is read by scripts, so all of it stays off unless a developer asks for it with
// VELLUMORA_DEBUG; the tool's own messages go to a copy of the standard error made
// before it was silenced.
void SilenceLibraries() {
    if (!qEnvironmentVariableIsEmpty("VELLUMORA_DEBUG")) return;
    const int copy = dup(STDERR_FILENO);
    const int nothing = open("/dev/null", O_WRONLY | O_CLOEXEC);
    if (copy < 0 || nothing < 0) return;
    fcntl(copy, F_SETFD, FD_CLOEXEC);
    FILE* own = fdopen(copy, "w");
    if (!own || dup2(nothing, STDERR_FILENO) < 0) return;
    close(nothing);
    ownErrors = own;
    qInstallMessageHandler(
        [](QtMsgType type, const QMessageLogContext& context, const QString& message) {
            if (type != QtFatalMsg) return;
            std::fprintf(ownErrors, "%s\n", qPrintable(qFormatLogMessage(type, context, message)));
            std::fflush(ownErrors);
        });
}

}  // namespace

int main(int argc, char** argv) {
    SilenceLibraries();
    // Text drawing needs a GUI application, but never a display.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    // The tool's words are its own: Qt's application object takes options of its own
    // (--style, --platform, --reverse, ...) out of what it is given, so that
    // "album --style modern" would lose the style. It is given the program's name only.
    QStringList args;
    for (int i = 1; i < argc; ++i) args << QString::fromLocal8Bit(argv[i]);
    int qtArgc = 1;
    QGuiApplication app(qtArgc, argv);
    QGuiApplication::setApplicationName(QStringLiteral("Vellumora"));

    int code = 0;
    {
        QTextStream out(stdout);
        QTextStream err(ownErrors);
        code = vellumora::cli::Run(args, out, err);
    }
    std::fflush(ownErrors);
    return code;
}
