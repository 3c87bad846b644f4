#pragma once

// The icons of the window's commands, drawn for the program (data/artwork/MakeArtwork.cpp)
// in a set for light windows and one for dark ones, and compiled into the forms library.

#include <QIcon>
#include <QImage>

class QPalette;

namespace vellumora {

enum class TIconSet { Light, Dark };

// Registers the forms library's resources (the icons, the about picture) once. The library
// is static, so they are linked in only when something refers to them.
void UseFormsResources();

// The set that stands out on the palette's window colour.
TIconSet IconSetFor(const QPalette& palette);

// The command icon of that name ("resize", "crop", ...) at 16, 32 and 64 pixels, each
// with its disabled look; a null icon when there is no such icon.
QIcon CommandIcon(const QString& name, TIconSet set);

// How a disabled command's icon looks: grey, at 40% of its opacity. Qt's own disabled look
// is too faint on some styles and too close to the enabled one on others.
QImage DisabledLook(const QImage& image);

}  // namespace vellumora
