#pragma once

// The per-user folder that holds the program's settings files and its Masks folder.

#include <QString>

namespace vellumora {

// $XDG_DATA_HOME/Vellumora (~/.local/share/Vellumora), created when missing.
QString ProgramFolder();
// ProgramFolder() + "/Masks".
QString MasksFolder();
// ProgramFolder() + "/Templates.dat".
QString TemplatesFile();

// Where the shipped data (masks, help) is found: ShippedDataFolderOf the running
// executable's folder and the install prefix this build was configured with.
QString ShippedDataFolder();
// The rule behind it: share/vellumora beside the executable's folder (programFolder +
// "/../share/vellumora": the build tree, and any installed prefix, /usr for the package,
// wherever it was moved), else installedFolder (for callers without an executable's
// folder, programFolder empty). The first that is a folder, absolute and clean; empty
// when neither is.
QString ShippedDataFolderOf(const QString& programFolder, const QString& installedFolder);

// Creates the program folder and, when the Masks folder does not exist yet, fills it
// with the shipped masks. Returns false when the folder cannot be created.
bool PrepareProgramFolder();
// The same with the shipped data taken from the given folder (its "masks" subfolder);
// an empty folder name copies nothing.
bool PrepareProgramFolder(const QString& shippedDataFolder);

}  // namespace vellumora
