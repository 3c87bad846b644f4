#pragma once

// The Watermark dialog: the signature blended into the photo, its font and colour, its
// opacity, its place on a 3 x 3 grid and its margins from the photo's edges. The preview
// shows the text at its size in photo pixels on a black area, with dotted guides at the
// margins; dragging on it sets the margins.

#include <QImage>
#include <array>

#include "forms/common/EditDialog.h"
#include "forms/watermark/WatermarkPreview.h"

class QButtonGroup;
class QLineEdit;
class QMouseEvent;
class QPushButton;
class QScrollArea;
class QToolButton;

namespace vellumora {

class TPlatform;
class TSpinnerBox;
class TTrackBarBox;
class TWatermarkPreviewBox;

class TFormWatermark : public TEditDialog {
    Q_OBJECT

public:
    TFormWatermark(TPhoto& photo, TPlatform& platform, QWidget* parent = nullptr);

    // The font the dialog edits, colour included: loaded on show, changed only through
    // the font and colour choosers.
    const TFont& WorkingFont() const { return font_; }
    // The number of the pressed position button, or kNoPosition.
    int PressedPosition() const;
    // The position OK would store.
    int SelectedPosition() const;
    bool Dragging() const { return dragging_; }
    // The picture the preview shows, guides included: the preview area, grown where the
    // signature reaches past it (PreviewCanvas).
    const QImage& PreviewImage() const { return preview_; }
    // Where the preview area's top-left corner lies on that picture.
    QPoint PreviewOrigin() const { return origin_; }

public slots:
    // Draws the text at the controls' settings on a fresh black picture, then the guides.
    void UpdatePreview();
    void ButtonFontClick();
    void ButtonFontColorClick();

protected:
    void FillControls(const TPhotoInfo& backup) override;
    void WriteControls(TPhotoInfo& info) override;
    QWidget* InitialFocus() override;
    void showEvent(QShowEvent* event) override;

private:
    friend class TWatermarkPreviewBox;

    void ImagePreviewMouseDown(QMouseEvent* event);
    void ImagePreviewMouseMove(QMouseEvent* event);
    void ImagePreviewMouseUp(QMouseEvent* event);

    // Enables the margin boxes that the pressed button uses.
    void UpdateMarginControls();
    void SpeedButtonClick();
    TMargins Margins() const;
    // The guides for the pressed button and the spinners' margins, drawn into (or, drawn a
    // second time, erased from) the preview picture.
    void DrawGuides();
    void ShowPreview();
    void ShowFontColor();
    // Scrolls the preview so that the signature is in view.
    void ScrollToSignature();

    TPlatform& platform_;
    TFont font_;
    QImage preview_;
    QPoint origin_;
    QRect signature_;
    bool dragging_ = false;
    bool filling_ = false;

    QLineEdit* editSignature_ = nullptr;
    QPushButton* buttonFont_ = nullptr;
    QPushButton* buttonFontColor_ = nullptr;
    TTrackBarBox* opacity_ = nullptr;
    TSpinnerBox* spinnerX_ = nullptr;
    TSpinnerBox* spinnerY_ = nullptr;
    QButtonGroup* positions_ = nullptr;
    std::array<QToolButton*, kPositionCount> speedButtons_{};
    TWatermarkPreviewBox* imagePreview_ = nullptr;
    QScrollArea* scrollPreview_ = nullptr;
};

}  // namespace vellumora
