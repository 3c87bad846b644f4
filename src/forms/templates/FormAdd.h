#pragma once

// The Add to Templates dialog: the description of a new template and whether it becomes
// the default. The main window stores the template after OK.

#include <QDialog>

class QCheckBox;
class QLineEdit;
class QPushButton;

namespace vellumora {

class TFormAdd : public QDialog {
    Q_OBJECT

public:
    explicit TFormAdd(QWidget* parent = nullptr);

    // The text typed, without blanks at its ends.
    QString Description() const;
    bool MakeDefault() const;

protected:
    void showEvent(QShowEvent* event) override;

private:
    // OK is enabled exactly when the description is not blank.
    void EditDescriptionChange();

    QLineEdit* editDescription_ = nullptr;
    QCheckBox* checkDefault_ = nullptr;
    QPushButton* ok_ = nullptr;
    QPushButton* cancel_ = nullptr;
};

}  // namespace vellumora
