// Vellumora start-up: the program folder, the main window (which makes its dialogs), the
// about box once, then the photos named on the command line.

#include <QApplication>
#include <QFileInfo>
#include <QIcon>
#include <QUrl>

#include "forms/common/Platform.h"
#include "forms/main/FormMain.h"
#include "photos/settings/ProgramFolder.h"

namespace {

// Paths as the caption and messages show them: absolute. Desktop launchers may pass
// file:// addresses instead of paths.
QStringList PhotoPaths(const QStringList& arguments) {
    QStringList paths;
    for (const QString& argument : arguments) {
        const QUrl url(argument);
        const QString path = url.isLocalFile() ? url.toLocalFile() : argument;
        paths << QFileInfo(path).absoluteFilePath();
    }
    return paths;
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    // The program folder is named after the application.
    QApplication::setApplicationName(QStringLiteral("Vellumora"));

    vellumora::TPlatform& platform = vellumora::DesktopPlatform();
    if (!vellumora::PrepareProgramFolder())
        platform.ShowWarning(nullptr, QStringLiteral("Can not create folder ") +
                                          vellumora::ProgramFolder() + QStringLiteral("!"));

    // The open photos outlive the window that shows them.
    vellumora::TOpenPhotos photos;
    vellumora::TFormMain formMain(platform, photos);
    // The forms library's resources are registered once the window has made its dialogs.
    QApplication::setWindowIcon(
        QIcon::fromTheme(QStringLiteral("vellumora"), QIcon(QStringLiteral(":/vellumora.png"))));
    formMain.SetAboutAtStart(true);
    formMain.SetStartupPhotos(PhotoPaths(QApplication::arguments().mid(1)));
    formMain.ShowAtStoredPlace();
    return app.exec();
}
