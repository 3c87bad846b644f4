#pragma once

// The Crop dialog: a crop rectangle drawn, moved and reshaped on a picture of the whole
// photo (scaled down, turned by its orientation and colour-balanced), optionally held to
// an aspect ratio, with a small preview of the cropped result. It edits Crop, in pixels
// of the photo as loaded, and Ratio, which only this dialog reads back.

#include <QImage>
#include <QPoint>
#include <array>

#include "forms/common/EditDialog.h"
#include "forms/crop/CropGeometry.h"

class QGroupBox;
class QKeyEvent;
class QLabel;
class QMouseEvent;
class QRadioButton;

namespace vellumora {

class TPictureBox;

class TFormCrop : public TEditDialog {
    Q_OBJECT

public:
    explicit TFormCrop(TPhoto& photo, QWidget* parent = nullptr);

    // The photo as the picture shows it, built on every show.
    const QImage& WorkImage() const { return workImage_; }
    // The selection in pixels of the picture; (0, 0, 0, 0) is the whole photo.
    const TRect& Selection() const { return selection_; }
    // The part of the selection under the pointer (CropGeometry's HitTest).
    int HitZone() const { return hitZone_; }
    bool Dragging() const { return dragging_; }
    // What OK would store in Crop now.
    TRect CommittedCrop() const;
    const QImage& PreviewImage() const { return preview_; }

public slots:
    // "Auto Crop": the largest centred rectangle of the selection's proportion.
    void ButtonAutoClick();
    // "Select All": no crop, no ratio. (Not the "OK for All" of other dialogs: this dialog
    // has none, and this button of the same name only changes the selection.)
    void ButtonAllClick();

protected:
    void FillControls(const TPhotoInfo& backup) override;
    void WriteControls(TPhotoInfo& info) override;
    QWidget* InitialFocus() override;
    // Places the picture again when the photo panel changes size.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    friend class TPictureBox;

    // The pointer over and on the picture, and its arrow keys.
    void ImagePhotoMouseDown(QMouseEvent* event);
    void ImagePhotoMouseMove(QMouseEvent* event);
    void ImagePhotoMouseUp(QMouseEvent* event);
    bool ImagePhotoKeyDown(QKeyEvent* event);

    // The picture pixel under an event's point on the (maybe enlarged) picture.
    QPoint PicturePoint(const QMouseEvent* event) const;
    void PlacePicture();
    void UpdateSelectionLabel();
    void RadioButtonRatioClick();
    void SetHitZone(int zone);
    void SetSelection(const TRect& selection);
    int RatioCode() const;
    QSize Units() const;  // of the chosen ratio
    // What OK would store for the selection on a picture of that size.
    TRect CropOnPicture(QSize picture) const;
    // The record whose settings the preview shows.
    const TPhotoInfo& PreviewInfo() const;
    void UpdatePreview();
    void ShowPreview(const QImage& preview);

    QImage workImage_;
    QImage preview_;
    TRect selection_;
    int hitZone_ = -1;
    bool dragging_ = false;
    QPoint lastPoint_;
    // The selection as show drew it. While the selection is that one, OK keeps the crop it
    // was drawn from, to the pixel: mapping a crop to the smaller picture and back can
    // move its sides, and OK without a change must not change it.
    TRect shown_;
    bool filling_ = false;

    QGroupBox* groupPhoto_ = nullptr;
    QGroupBox* groupPreview_ = nullptr;
    QGroupBox* groupRatio_ = nullptr;
    QGroupBox* groupSmart_ = nullptr;
    TPictureBox* imagePhoto_ = nullptr;
    TPictureBox* imagePreview_ = nullptr;
    // None, Original, then the print sizes, in the order of their codes.
    std::array<QRadioButton*, kRatioCount> ratios_{};
    QPushButton* buttonAuto_ = nullptr;
    QPushButton* buttonSelectAll_ = nullptr;
    QLabel* labelSelection_ = nullptr;
};

}  // namespace vellumora
