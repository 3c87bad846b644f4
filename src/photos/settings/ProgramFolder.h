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

// Where the shipped data (masks, help) is found: beside the executable in the build
// tree, else under the install prefix's share folder. Empty when neither exists.
QString ShippedDataFolder();

// Creates the program folder and, when the Masks folder does not exist yet, fills it
// with the shipped masks. Returns false when the folder cannot be created.
bool PrepareProgramFolder();
// The same with the shipped data taken from the given folder (its "masks" subfolder);
// an empty folder name copies nothing.
bool PrepareProgramFolder(const QString& shippedDataFolder);

}  // namespace vellumora
