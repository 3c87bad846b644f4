#pragma once

// The user guide shipped with the program, and the project's home page.

#include <QString>
#include <QUrl>

class QWidget;

namespace vellumora {

class TPlatform;

// The guide's start page (HTML) in the shipped data; empty when it is not installed.
QString HelpIndexFile();
// The project's home page address.
QUrl HomepageUrl();

// Opens the guide's start page in the desktop's browser; a warning when it is missing.
bool OpenHelpContents(TPlatform& platform, QWidget* parent);

}  // namespace vellumora
