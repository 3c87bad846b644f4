#include "forms/resize/FormResize.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>
#include <iterator>

#include "forms/common/Controls.h"
#include "forms/common/NumberBox.h"

namespace vellumora {
namespace {

struct TPresetText {
    const char* name;
    const char* caption;
    int max;
};

constexpr TPresetText kPresets[] = {
    {"RadioButton160", "Small thumbnail size (160 pixels)", 160},
    {"RadioButton200", "Medium thumbnail size (200 pixels)", 200},
    {"RadioButton240", "Large thumbnail size (240 pixels)", 240},
    {"RadioButton400", "Small preview size (400 pixels, the best for 640 * 480 screen)", 400},
    {"RadioButton500", "Medium preview size (500 pixels, the best for 800 * 600 screen)", 500},
    {"RadioButton640", "Large preview size (640 pixels, the best for 1024 * 768 screen)", 640},
    {"RadioButton0", "Original size", 0},
};

constexpr int kMaxLimit = 9999;
constexpr int kMaxTyped = 4;

}  // namespace

TFormResize::TFormResize(TPhoto& photo, QWidget* parent)
    : TEditDialog(photo, TFieldGroup::Resize, true, parent) {
    setObjectName(QStringLiteral("FormResize"));
    setWindowTitle(QStringLiteral("Resize"));

    groupSize_ = MakeGroup("GroupBoxSize", QStringLiteral(" Size "), this);
    auto* sizeLayout = new QVBoxLayout(groupSize_);

    static_assert(std::size(kPresets) == std::tuple_size_v<decltype(presets_)>);
    for (size_t i = 0; i < presets_.size(); ++i) {
        auto* button = new QRadioButton(QString::fromLatin1(kPresets[i].caption), groupSize_);
        button->setObjectName(QLatin1String(kPresets[i].name));
        presets_[i] = {button, kPresets[i].max};
        sizeLayout->addWidget(button);
    }

    radioMax_ = new QRadioButton(QStringLiteral("User defined maximum size"), groupSize_);
    radioMax_->setObjectName(QStringLiteral("RadioButtonMax"));
    editMax_ = new QLineEdit(groupSize_);
    editMax_->setObjectName(QStringLiteral("EditMax"));
    // Room for the four digits it takes, plus a little.
    editMax_->setFixedWidth(editMax_->fontMetrics().horizontalAdvance(QStringLiteral("99999")) +
                            12);
    upDownMax_ = new TUpDown(groupSize_);
    upDownMax_->setObjectName(QStringLiteral("UpDownMax"));
    upDownMax_->SetRange(0, kMaxLimit);
    // The box and its spinner are one number, the user-defined maximum.
    editMax_->setAccessibleName(QStringLiteral("Max"));
    upDownMax_->setAccessibleName(QStringLiteral("Max"));
    labelPixels_ = new QLabel(QStringLiteral("pixels"), groupSize_);
    labelPixels_->setObjectName(QStringLiteral("LabelPixels"));
    // Text that is not a number stays in this box until the spinner next changes.
    spinner_ = new TSpinnerBox(editMax_, upDownMax_, kMaxTyped, TNotANumber::KeepText);

    auto* maxRow = new QHBoxLayout;
    maxRow->setSpacing(0);
    maxRow->addWidget(radioMax_);
    maxRow->addSpacing(8);
    maxRow->addWidget(editMax_);
    maxRow->addWidget(upDownMax_);
    maxRow->addSpacing(6);
    maxRow->addWidget(labelPixels_);
    maxRow->addStretch(1);
    sizeLayout->addLayout(maxRow);

    groupStretch_ = MakeGroup("GroupBoxStretch", QStringLiteral(" Stretch "), this);
    checkKeep_ =
        new QCheckBox(QStringLiteral("Keep original size if smaller than max size"), groupStretch_);
    checkKeep_->setObjectName(QStringLiteral("CheckBoxKeep"));
    auto* stretchLayout = new QVBoxLayout(groupStretch_);
    stretchLayout->addWidget(checkKeep_);

    auto* groups = new QVBoxLayout;
    groups->addWidget(groupSize_);
    groups->addWidget(groupStretch_);
    LayOutAboveButtons(groups);

    for (const TPreset& preset : presets_)
        connect(preset.button, &QRadioButton::toggled, this, [this](bool on) {
            if (on) RadioButtonClick();
        });
    connect(radioMax_, &QRadioButton::toggled, this, [this](bool on) {
        if (on) RadioButtonClick();
    });

    SetTabOrderBeforeButtons({presets_[0].button, presets_[1].button, presets_[2].button,
                              presets_[3].button, presets_[4].button, presets_[5].button,
                              presets_[6].button, radioMax_, editMax_, checkKeep_});
}

void TFormResize::RadioButtonClick() {
    for (const TPreset& preset : presets_)
        if (preset.button->isChecked()) spinner_->SetValue(preset.max);
    spinner_->SetEnabled(radioMax_->isChecked());
}

void TFormResize::FillControls(const TPhotoInfo& backup) {
    // A value that matches no preset leaves the user-defined size selected.
    radioMax_->setChecked(true);
    for (const TPreset& preset : presets_)
        if (preset.max == backup.Max) preset.button->setChecked(true);
    RadioButtonClick();
    spinner_->SetValue(backup.Max);
    checkKeep_->setChecked(backup.Keep);
}

void TFormResize::WriteControls(TPhotoInfo& info) {
    info.Max = spinner_->Value();
    for (const TPreset& preset : presets_)
        if (preset.button->isChecked()) info.Max = preset.max;
    info.Keep = checkKeep_->isChecked();
}

QWidget* TFormResize::InitialFocus() {
    return groupSize_;
}

}  // namespace vellumora
