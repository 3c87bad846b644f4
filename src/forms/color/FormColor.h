#pragma once

// The Color Balance dialog: contrast, brightness, the three channel offsets and the
// grayscale and negative switches of the current photo, with the photo shown small before
// and after the change.

#include <QImage>
#include <array>

#include "forms/common/EditDialog.h"

class QCheckBox;
class QLabel;

namespace vellumora {

class TTrackBarBox;

class TFormColor : public TEditDialog {
    Q_OBJECT

public:
    explicit TFormColor(TPhoto& photo, QWidget* parent = nullptr);

    // The photo as the photo picture shows it (made on every show), and the preview: that
    // picture with the controls' values applied.
    const QImage& WorkImage() const { return work_; }
    const QImage& PreviewImage() const { return preview_; }

public slots:
    // Applies the controls' values to the photo picture and shows the result.
    void UpdatePreview();

protected:
    void FillControls(const TPhotoInfo& backup) override;
    void WriteControls(TPhotoInfo& info) override;
    QWidget* InitialFocus() override;

private:
    // Contrast, brightness, red, green, blue: the order of kColorControls.
    std::array<TTrackBarBox*, 5> bars_{};
    QCheckBox* checkGrayscale_ = nullptr;
    QCheckBox* checkNegative_ = nullptr;
    QLabel* imagePhoto_ = nullptr;
    QLabel* imagePreview_ = nullptr;
    QImage work_;
    QImage preview_;
};

}  // namespace vellumora
