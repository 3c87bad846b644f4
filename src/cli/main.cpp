// vellumora-cli: the program's headless face for scripts, benchmarks and tests.

#include <QGuiApplication>
#include <QTextStream>
#include <cstdio>

#include "cli/Commands.h"

int main(int argc, char** argv) {
    // Text drawing needs a GUI application, but never a display.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    QGuiApplication::setApplicationName(QStringLiteral("Vellumora"));

    QTextStream out(stdout);
    QTextStream err(stderr);
    QStringList args = QCoreApplication::arguments();
    args.removeFirst();
    return vellumora::cli::Run(args, out, err);
}
