#pragma once

// The Border dialog: the mask laid over the photo and its colour, the outer and inner
// border bands, the drop shadow and the background colour of the current photo. The
// masks are the image files of the photo's Masks folder, shown as 64 x 64 thumbnails.
// It has no preview: Apply shows the result in the main window.

#include <array>

#include "forms/border/MaskList.h"
#include "forms/common/EditDialog.h"
#include "photos/settings/Color.h"

class QListWidget;
class QPushButton;

namespace vellumora {

class TPlatform;
class TSpinnerBox;

class TFormBorder : public TEditDialog {
    Q_OBJECT

public:
    // The five colours, in the order of their buttons on screen.
    enum TColorRole { MaskColor, OutsideColor, InsideColor, ShadowColor, BackgroundColor };
    static constexpr int kColorCount = 5;

    // The masks are listed now and again on every show; platform opens the colour chooser.
    TFormBorder(TPhoto& photo, TPlatform& platform, QWidget* parent = nullptr);

    const TMaskList& MaskList() const { return masks_; }
    // The working colour of a button: what commit writes.
    TColor WorkingColor(TColorRole role) const { return colors_[role]; }

public slots:
    // A colour button: the chooser, preset to the button's colour; a confirmed colour
    // becomes the working colour and repaints the swatch, a cancelled one changes nothing.
    void ColorButtonClick(int role);

protected:
    void FillControls(const TPhotoInfo& backup) override;
    void WriteControls(TPhotoInfo& info) override;
    QWidget* InitialFocus() override;

private:
    // Lists the Masks folder again and rebuilds the list's items when the masks changed.
    void ListMasks();
    void PaintColor(TColorRole role);

    TPlatform& platform_;
    TMaskList masks_;
    QListWidget* listView_ = nullptr;
    // Outside, Inside, Radius, Offset.
    std::array<TSpinnerBox*, 4> spinners_{};
    std::array<QPushButton*, kColorCount> colorButtons_{};
    std::array<TColor, kColorCount> colors_{};
    // Whether the user has changed the list's selection since show: until then commit keeps
    // the mask name of the backup, whose file may be missing from the folder just now.
    bool maskChosen_ = false;
    bool filling_ = false;
};

}  // namespace vellumora
