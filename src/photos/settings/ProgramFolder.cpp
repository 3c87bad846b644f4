#include "photos/settings/ProgramFolder.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

namespace vellumora {

namespace {

QString ProgramFolderPath() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
           QStringLiteral("/Vellumora");
}

}  // namespace

QString ProgramFolder() {
    const QString folder = ProgramFolderPath();
    QDir().mkpath(folder);
    return folder;
}

QString MasksFolder() {
    return ProgramFolder() + QStringLiteral("/Masks");
}

QString TemplatesFile() {
    return ProgramFolder() + QStringLiteral("/Templates.dat");
}

QString ShippedDataFolder() {
    // Tools that run without an application object only know the install prefix.
    return ShippedDataFolderOf(
        QCoreApplication::instance() ? QCoreApplication::applicationDirPath() : QString(),
        QStringLiteral(VELLUMORA_INSTALL_DATADIR));
}

QString ShippedDataFolderOf(const QString& programFolder, const QString& installedFolder) {
    QStringList candidates;
    if (!programFolder.isEmpty())
        candidates << programFolder + QStringLiteral("/../share/vellumora");
    if (!installedFolder.isEmpty()) candidates << installedFolder;
    for (const QString& candidate : std::as_const(candidates))
        if (QFileInfo(candidate).isDir())
            return QDir::cleanPath(QFileInfo(candidate).absoluteFilePath());
    return QString();
}

bool PrepareProgramFolder() {
    return PrepareProgramFolder(ShippedDataFolder());
}

// The shipped masks are copied only when the Masks folder is first made: later starts
// find it present and copy nothing, so masks the user deleted stay deleted.
bool PrepareProgramFolder(const QString& shippedDataFolder) {
    const QString folder = ProgramFolderPath();
    if (!QDir().mkpath(folder)) return false;
    const QString masks = folder + QStringLiteral("/Masks");
    if (QFileInfo::exists(masks)) return true;
    if (!QDir().mkpath(masks)) return false;
    if (shippedDataFolder.isEmpty()) return true;

    const QDir source(shippedDataFolder + QStringLiteral("/masks"));
    const QStringList names = source.entryList(QDir::Files | QDir::Hidden);
    for (const QString& name : names)
        QFile::copy(source.filePath(name), masks + QLatin1Char('/') + name);  // never overwrites
    return true;
}

}  // namespace vellumora
