#include "forms/common/EditDialog.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QFocusEvent>
#include <QHBoxLayout>
#include <QPushButton>
#include <QShowEvent>
#include <QVBoxLayout>

#include "photos/Photo.h"

namespace vellumora {
namespace {

QPushButton* MakeButton(const char* name, const QString& caption, QWidget* parent) {
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(QLatin1String(name));
    return button;
}

}  // namespace

TEditDialog::TEditDialog(TPhoto& photo, TFieldGroup group, bool hasOkForAll, QWidget* parent)
    : QDialog(parent), photo_(photo), group_(group) {
    buttonRow_ = new QWidget(this);
    buttonRow_->setObjectName(QStringLiteral("ButtonRow"));
    ok_ = MakeButton("ButtonOK", QStringLiteral("OK"), buttonRow_);
    if (hasOkForAll) all_ = MakeButton("ButtonAll", QStringLiteral("OK for All"), buttonRow_);
    cancel_ = MakeButton("ButtonCancel", QStringLiteral("Cancel"), buttonRow_);
    apply_ = MakeButton("ButtonApply", QStringLiteral("Apply"), buttonRow_);
    ok_->setDefault(true);

    auto* row = new QHBoxLayout(buttonRow_);
    row->setContentsMargins(0, 0, 0, 0);
    row->addStretch(1);
    for (QPushButton* button : {ok_, all_, cancel_, apply_})
        if (button) row->addWidget(button);

    connect(ok_, &QPushButton::clicked, this, &TEditDialog::ButtonOKClick);
    if (all_) connect(all_, &QPushButton::clicked, this, &TEditDialog::ButtonAllClick);
    connect(cancel_, &QPushButton::clicked, this, &TEditDialog::ButtonCancelClick);
    connect(apply_, &QPushButton::clicked, this, &TEditDialog::ButtonApplyClick);
}

void TEditDialog::LayOutAboveButtons(QLayout* controls) {
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(controls);
    layout->addSpacing(4);
    layout->addWidget(buttonRow_);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

void TEditDialog::SetTabOrderBeforeButtons(std::initializer_list<QWidget*> controls) {
    QWidget* previous = nullptr;
    auto chain = [&previous](QWidget* next) {
        if (!next) return;
        if (previous) setTabOrder(previous, next);
        previous = next;
    };
    for (QWidget* control : controls) chain(control);
    for (QWidget* button : {ok_, all_, cancel_, apply_}) chain(button);
}

void TEditDialog::ButtonOKClick() {
    Commit();
    done(ResultOk);
}

void TEditDialog::ButtonAllClick() {
    Commit();
    done(ResultAll);
}

void TEditDialog::ButtonApplyClick() {
    Commit();
}

void TEditDialog::ButtonCancelClick() {
    if (TPhotoInfo* info = photo_.Info()) {
        CopyFieldGroup(group_, backup_, *info);
        photo_.Render();
    }
    done(ResultCancel);
}

void TEditDialog::reject() {
    ButtonCancelClick();
}

void TEditDialog::Commit() {
    // Leaving a number box takes what was typed into it, so the focus moves first. Focus
    // events only reach the widgets of the active window; when the dialog is not active
    // (another program took the focus, or no window manager runs) the box is told by hand.
    QWidget* left = focusWidget();
    const bool delivered = isActiveWindow();
    ok_->setFocus(Qt::OtherFocusReason);
    if (left && left != ok_ && !delivered) {
        QFocusEvent leave(QEvent::FocusOut, Qt::OtherFocusReason);
        QCoreApplication::sendEvent(left, &leave);
    }

    TPhotoInfo* info = photo_.Info();
    if (!info) return;
    WriteControls(*info);
    photo_.Render();
}

void TEditDialog::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (event->spontaneous()) return;
    backup_.Assign(photo_.Info());
    FillControls(backup_);
    if (QWidget* focus = InitialFocus()) focus->setFocus(Qt::OtherFocusReason);
}

void TEditDialog::closeEvent(QCloseEvent* event) {
    // Neither commit nor restore: what an earlier Apply wrote stays.
    if (isVisible()) done(ResultCancel);
    event->accept();
}

}  // namespace vellumora
