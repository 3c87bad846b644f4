#include "forms/templates/TemplateWidgets.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "forms/common/Controls.h"
#include "photos/settings/IniFile.h"

namespace vellumora {

TDescriptionGroup NewDescriptionGroup(QWidget* parent) {
    QGroupBox* box = MakeGroup("GroupBoxTemplate", QStringLiteral(" Template "), parent);
    auto* label = new QLabel(QStringLiteral("Description:"), box);
    label->setObjectName(QStringLiteral("LabelDescription"));
    auto* edit = new QLineEdit(box);
    edit->setObjectName(QStringLiteral("EditDescription"));
    // The label's text would be read with its colon.
    edit->setAccessibleName(QStringLiteral("Description"));
    // A longer value would come back cut from the settings file.
    edit->setMaxLength(TIniFile::kMaxValueLength);
    label->setBuddy(edit);
    auto* check = new QCheckBox(QStringLiteral("Set as Default"), box);
    check->setObjectName(QStringLiteral("CheckBoxDefault"));

    auto* layout = new QGridLayout(box);
    layout->addWidget(label, 0, 0);
    layout->addWidget(edit, 0, 1);
    layout->addWidget(check, 1, 1);
    layout->setColumnStretch(1, 1);
    return {box, edit, check};
}

QPushButton* NewButton(const char* name, const QString& caption, QWidget* parent) {
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(QLatin1String(name));
    return button;
}

}  // namespace vellumora
