#pragma once

// The Manage Templates dialog: the stored templates with a summary of their settings; the
// user renames them, moves or clears the default mark and removes them. Nothing reaches
// Templates.dat before OK, which rewrites it in one step; Cancel writes nothing.

#include <QDialog>

#include "photos/settings/Templates.h"

class QCheckBox;
class QLineEdit;
class QPushButton;
class QTreeWidget;

namespace vellumora {

class TPlatform;

class TFormManage : public QDialog {
    Q_OBJECT

public:
    // The store at path; empty: the program's Templates.dat, looked up at every showing.
    explicit TFormManage(TPlatform& platform, QWidget* parent = nullptr,
                         const QString& path = QString());

    const TTemplateEdits& Edits() const { return edits_; }
    QTreeWidget* ListView() const { return listView_; }

public slots:
    void ButtonRemoveClick();
    // Writes the edits and closes with the result OK. A refused write is reported and the
    // dialog stays open with the edits, to be tried again or cancelled.
    void ButtonOKClick();

protected:
    void showEvent(QShowEvent* event) override;

private:
    QString StorePath() const;
    void FormShow();
    // The selected row, or -1.
    int Selected() const;
    void ListViewSelectItem();
    void EditDescriptionChange();
    void CheckBoxDefaultClick();
    void SetCaptions();

    TPlatform& platform_;
    QString path_;
    TTemplateEdits edits_;
    QTreeWidget* listView_ = nullptr;
    QLineEdit* editDescription_ = nullptr;
    QCheckBox* checkDefault_ = nullptr;
    QPushButton* remove_ = nullptr;
    QPushButton* ok_ = nullptr;
    QPushButton* cancel_ = nullptr;
};

}  // namespace vellumora
