#pragma once

// The Resize dialog: the longest side of the rendered photo (Max) and whether smaller
// photos are enlarged (Keep).

#include <array>

#include "forms/common/EditDialog.h"

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QRadioButton;

namespace vellumora {

class TSpinnerBox;
class TUpDown;

class TFormResize : public TEditDialog {
    Q_OBJECT

public:
    explicit TFormResize(TPhoto& photo, QWidget* parent = nullptr);

protected:
    void FillControls(const TPhotoInfo& backup) override;
    void WriteControls(TPhotoInfo& info) override;
    QWidget* InitialFocus() override;

private:
    struct TPreset {
        QRadioButton* button;
        int max;
    };

    // Run whenever a radio button becomes selected: a preset puts its value in the
    // spinner; the box and spinner are enabled only for the user-defined size.
    void RadioButtonClick();

    // 160, 200, 240, 400, 500, 640 and "Original size", in their order on screen.
    std::array<TPreset, 7> presets_{};
    QRadioButton* radioMax_ = nullptr;
    QLineEdit* editMax_ = nullptr;
    TUpDown* upDownMax_ = nullptr;
    TSpinnerBox* spinner_ = nullptr;
    QLabel* labelPixels_ = nullptr;
    QCheckBox* checkKeep_ = nullptr;
    QGroupBox* groupSize_ = nullptr;
    QGroupBox* groupStretch_ = nullptr;
};

}  // namespace vellumora
