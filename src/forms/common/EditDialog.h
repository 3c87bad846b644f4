#pragma once

// The protocol every edit dialog follows. On show the dialog keeps a backup of the current
// photo's settings and fills its controls from it. OK, "OK for All" and Apply commit: the
// dialog's field group is written from the controls into the photo's record and the photo
// is rendered. Cancel restores the group from the backup and renders. The close box ends
// the dialog as Cancel without restoring, so an earlier Apply stays.

#include <QDialog>
#include <initializer_list>

#include "photos/settings/FieldGroups.h"
#include "photos/settings/PhotoInfo.h"

class QLayout;
class QPushButton;

namespace vellumora {

class TPhoto;

class TEditDialog : public QDialog {
    Q_OBJECT

public:
    // Dialog results; "OK for All" asks the main window to spread the field group.
    enum TResult { ResultOk = 1, ResultCancel = 2, ResultAll = 8 };

    TEditDialog(TPhoto& photo, TFieldGroup group, bool hasOkForAll, QWidget* parent = nullptr);

    TFieldGroup Group() const { return group_; }
    const TPhotoInfo& Backup() const { return backup_; }

    // The command buttons, objectNames ButtonOK, ButtonAll (may be null), ButtonCancel,
    // ButtonApply.
    QPushButton* ButtonOK() const { return ok_; }
    QPushButton* ButtonAll() const { return all_; }
    QPushButton* ButtonCancel() const { return cancel_; }
    QPushButton* ButtonApply() const { return apply_; }

public slots:
    void ButtonOKClick();
    void ButtonAllClick();
    void ButtonCancelClick();
    void ButtonApplyClick();

protected:
    // Fill the controls from the backup (on every show).
    virtual void FillControls(const TPhotoInfo& backup) = 0;
    // Write the group's fields from the controls into the record (commit).
    virtual void WriteControls(TPhotoInfo& info) = 0;
    // The control that gets the focus on show.
    virtual QWidget* InitialFocus() { return nullptr; }

    TPhoto& Photo() const { return photo_; }
    // The row of command buttons (right-aligned), for subclasses to place in their own
    // layout, below their controls.
    QWidget* ButtonRow() const { return buttonRow_; }
    // Lays the dialog out at a fixed size: the controls' layout above the command buttons.
    void LayOutAboveButtons(QLayout* controls);
    // The Tab order: the controls in the order given (null ones skipped), then the command
    // buttons. The buttons are made first, so without this Tab would reach them first.
    void SetTabOrderBeforeButtons(std::initializer_list<QWidget*> controls);

    // Show runs on the program's show only, not when the window manager shows the dialog
    // again (restoring it from minimised would otherwise take a new backup after an Apply).
    void showEvent(QShowEvent* event) override;
    // The close box: the result Cancel, without restoring.
    void closeEvent(QCloseEvent* event) override;
    void reject() override;  // Esc: the same as Cancel

private:
    // Takes a number typed into a box that still has the focus, writes the group and
    // renders. Without a record it does nothing.
    void Commit();

    TPhoto& photo_;
    TFieldGroup group_;
    TPhotoInfo backup_;
    QPushButton* ok_ = nullptr;
    QPushButton* all_ = nullptr;
    QPushButton* cancel_ = nullptr;
    QPushButton* apply_ = nullptr;
    QWidget* buttonRow_ = nullptr;
};

}  // namespace vellumora
