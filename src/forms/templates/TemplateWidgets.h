#pragma once

// What the two template dialogs share: the " Template " group with the description box
// and "Set as Default", and their buttons.

#include <QString>

class QCheckBox;
class QGroupBox;
class QLineEdit;
class QPushButton;
class QWidget;

namespace vellumora {

struct TDescriptionGroup {
    QGroupBox* box;
    QLineEdit* edit;          // EditDescription, named "Description" through its label
    QCheckBox* checkDefault;  // CheckBoxDefault
};
TDescriptionGroup NewDescriptionGroup(QWidget* parent);

QPushButton* NewButton(const char* name, const QString& caption, QWidget* parent);

}  // namespace vellumora
