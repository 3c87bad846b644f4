#include "forms/templates/FormAdd.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShowEvent>
#include <QVBoxLayout>

#include "forms/templates/TemplateWidgets.h"
#include "photos/settings/Names.h"

namespace vellumora {

TFormAdd::TFormAdd(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("FormAdd"));
    setWindowTitle(QStringLiteral("Add to Templates"));

    const TDescriptionGroup group = NewDescriptionGroup(this);
    editDescription_ = group.edit;
    checkDefault_ = group.checkDefault;
    ok_ = NewButton("ButtonOK", QStringLiteral("OK"), this);
    cancel_ = NewButton("ButtonCancel", QStringLiteral("Cancel"), this);
    ok_->setDefault(true);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(ok_);
    buttons->addWidget(cancel_);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(group.box);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    setMinimumWidth(320);

    connect(editDescription_, &QLineEdit::textChanged, this, &TFormAdd::EditDescriptionChange);
    connect(ok_, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel_, &QPushButton::clicked, this, &QDialog::reject);
    setTabOrder(editDescription_, checkDefault_);
    setTabOrder(checkDefault_, ok_);
    setTabOrder(ok_, cancel_);
}

QString TFormAdd::Description() const {
    return TrimBlanks(editDescription_->text());
}

bool TFormAdd::MakeDefault() const {
    return checkDefault_->isChecked();
}

void TFormAdd::EditDescriptionChange() {
    ok_->setEnabled(!Description().isEmpty());
}

// Every showing starts afresh: nothing typed, not the default, OK disabled.
void TFormAdd::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (event->spontaneous()) return;
    editDescription_->clear();
    checkDefault_->setChecked(false);
    EditDescriptionChange();
    editDescription_->setFocus(Qt::OtherFocusReason);
}

}  // namespace vellumora
