#pragma once

// Small makers of the plain controls the dialogs share, each named for tests and screen
// readers.

#include <QString>
#include <QStringList>

class QComboBox;
class QGroupBox;
class QLabel;
class QPushButton;
class QWidget;

namespace vellumora {

// A push button that Enter does not press unless it has the focus (the dialog's own
// default button keeps Enter).
QPushButton* MakeButton(const char* name, const QString& caption, QWidget* parent);
// A label; with a buddy, the label's text is the buddy's name for screen readers and
// its underlined letter moves the focus there.
QLabel* MakeLabel(const char* name, const QString& text, QWidget* parent, QWidget* buddy = nullptr);
// A group box. Its title keeps the blanks that set it off from the frame (" Size "); screen
// readers hear it without them ("Size").
QGroupBox* MakeGroup(const char* name, const QString& title, QWidget* parent);
// A drop-down list of fixed items.
QComboBox* MakeList(const char* name, const QString& accessibleName, const QStringList& items,
                    QWidget* parent);

}  // namespace vellumora
