#include "forms/crop/FormCrop.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>
#include <future>

#include "forms/common/Controls.h"
#include "forms/crop/CropGeometry.h"
#include "photos/Photo.h"

namespace vellumora {
namespace {

// The two panels and the pictures inside them: a picture is at most its panel's width
// less 16 pixels on its longer side, centred, 4 pixels below the middle (the title).
constexpr QSize kPhotoPanel(449, 457);
constexpr QSize kPreviewPanel(133, 141);
constexpr int kPictureMax = kPhotoPanel.width() - 16;    // 433
constexpr int kPreviewMax = kPreviewPanel.width() - 16;  // 117

// The outline and its handles: pure red, bright enough against white and against black.
constexpr QRgb kOutline = qRgb(255, 0, 0);
constexpr int kHandleSize = 7;

// The buttons' captions in the order of their codes; their objectNames are RadioButton
// and the caption with " * " written "_" (RadioButton3_4).
QString RatioCaption(int code) {
    if (code == kRatioNone) return QStringLiteral("None");
    if (code == kRatioOriginal) return QStringLiteral("Original");
    return QLatin1String(kPrintRatios[code - kRatioFirstPrint].caption);
}

// Centres a picture of the given size in its panel.
void Place(QWidget* picture, QSize size, QSize panel) {
    picture->setGeometry((panel.width() - size.width()) / 2,
                         (panel.height() - size.height()) / 2 + 4, size.width(), size.height());
}

}  // namespace

// A picture, painted as it is, with the selection outlined on top when there is one. The
// photo's picture hands its pointer and arrow-key events to the dialog.
class TPictureBox : public QWidget {
public:
    TPictureBox(const char* name, const QString& accessibleName, TFormCrop* form, QWidget* parent)
        : QWidget(parent), form_(form) {
        setObjectName(QLatin1String(name));
        setAccessibleName(accessibleName);
        setAttribute(Qt::WA_OpaquePaintEvent);
        if (form_) {
            setFocusPolicy(Qt::StrongFocus);
            setMouseTracking(true);  // the pointer shape follows the zone under it
            setAccessibleDescription(
                QStringLiteral("Drag to draw the crop; drag its edges, corners or inside to "
                               "change it. Arrow keys move it, with Shift ten pixels."));
        }
    }

    // The picture is drawn to fill the box, however large the box is.
    void SetImage(const QImage& image) {
        image_ = image;
        dimmed_ = form_ ? DimmedPicture(image) : QImage();
        update();
    }
    void SetOutline(const TRect& selection) {
        outline_ = selection;
        update();
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::SmoothPixmapTransform, size() != image_.size());
        const QRect box = PictureToBox(outline_, image_.size(), size());
        if (!HasArea(outline_) || dimmed_.isNull()) {
            painter.drawImage(rect(), image_);
            return;
        }
        painter.drawImage(rect(), dimmed_);
        painter.save();
        painter.setClipRect(box);
        painter.drawImage(rect(), image_);
        painter.restore();
        const QColor red = QColor::fromRgb(kOutline);
        painter.fillRect(QRect(box.left(), box.top(), box.width(), 1), red);
        painter.fillRect(QRect(box.left(), box.bottom(), box.width(), 1), red);
        painter.fillRect(QRect(box.left(), box.top(), 1, box.height()), red);
        painter.fillRect(QRect(box.right(), box.top(), 1, box.height()), red);
        for (const QRect& handle : HandleRects(box, kHandleSize)) painter.fillRect(handle, red);
    }
    void mousePressEvent(QMouseEvent* event) override {
        if (form_) form_->ImagePhotoMouseDown(event);
    }
    void mouseMoveEvent(QMouseEvent* event) override {
        if (form_) form_->ImagePhotoMouseMove(event);
    }
    void mouseReleaseEvent(QMouseEvent* event) override {
        if (form_) form_->ImagePhotoMouseUp(event);
    }
    void keyPressEvent(QKeyEvent* event) override {
        if (!form_ || !form_->ImagePhotoKeyDown(event)) QWidget::keyPressEvent(event);
    }

private:
    TFormCrop* form_;
    QImage image_;
    QImage dimmed_;  // outside the selection
    TRect outline_;
};

TFormCrop::TFormCrop(TPhoto& photo, QWidget* parent)
    : TEditDialog(photo, TFieldGroup::Crop, false, parent) {
    setObjectName(QStringLiteral("FormCrop"));
    setWindowTitle(QStringLiteral("Crop"));

    groupPhoto_ = MakeGroup("GroupBoxPhoto", QStringLiteral(" Photo "), this);
    // The panel is the smallest size; it grows with the dialog and the picture with it.
    groupPhoto_->setMinimumSize(kPhotoPanel);
    groupPhoto_->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    groupPhoto_->installEventFilter(this);
    imagePhoto_ = new TPictureBox("ImagePhoto", QStringLiteral("Photo"), this, groupPhoto_);
    imagePhoto_->setCursor(Qt::ArrowCursor);

    groupPreview_ = MakeGroup("GroupBoxPreview", QStringLiteral(" Preview "), this);
    groupPreview_->setFixedSize(kPreviewPanel);
    imagePreview_ =
        new TPictureBox("ImagePreview", QStringLiteral("Preview"), nullptr, groupPreview_);

    groupRatio_ = MakeGroup("GroupBoxRatio", QStringLiteral(" Ratio "), this);
    auto* ratioLayout = new QVBoxLayout(groupRatio_);
    for (int code = 0; code < kRatioCount; ++code) {
        auto* button = new QRadioButton(RatioCaption(code), groupRatio_);
        button->setObjectName(
            QStringLiteral("RadioButton") +
            QString(RatioCaption(code)).replace(QStringLiteral(" * "), QStringLiteral("_")));
        ratios_[code] = button;
        ratioLayout->addWidget(button);
        connect(button, &QRadioButton::toggled, this, [this](bool on) {
            if (on && !filling_) RadioButtonRatioClick();
        });
    }

    groupSmart_ = MakeGroup("GroupBoxSmart", QStringLiteral(" Smart "), this);
    buttonAuto_ = new QPushButton(QStringLiteral("Auto Crop"), groupSmart_);
    buttonAuto_->setObjectName(QStringLiteral("ButtonAuto"));
    buttonSelectAll_ = new QPushButton(QStringLiteral("Select All"), groupSmart_);
    buttonSelectAll_->setObjectName(QStringLiteral("ButtonAll"));
    auto* smartLayout = new QVBoxLayout(groupSmart_);
    smartLayout->addWidget(buttonAuto_);
    smartLayout->addWidget(buttonSelectAll_);
    connect(buttonAuto_, &QPushButton::clicked, this, &TFormCrop::ButtonAutoClick);
    connect(buttonSelectAll_, &QPushButton::clicked, this, &TFormCrop::ButtonAllClick);

    labelSelection_ = new QLabel(this);
    labelSelection_->setObjectName(QStringLiteral("LabelSelection"));
    labelSelection_->setAccessibleName(QStringLiteral("Selection size"));

    auto* side = new QVBoxLayout;
    side->addWidget(groupPreview_);
    side->addWidget(groupRatio_);
    side->addWidget(groupSmart_);
    side->addStretch(1);
    groupRatio_->setFixedWidth(kPreviewPanel.width());
    groupSmart_->setFixedWidth(kPreviewPanel.width());

    // The selection's size goes under the photo, where the eye already is while dragging.
    auto* photoColumn = new QVBoxLayout;
    photoColumn->addWidget(groupPhoto_, 1);
    photoColumn->addWidget(labelSelection_);
    auto* panels = new QHBoxLayout;
    panels->addLayout(photoColumn, 1);
    panels->addLayout(side);

    LayOutAboveButtons(panels);
    // Unlike the other edit dialogs this one can be enlarged; its smallest size is the
    // one it opens at.
    layout()->setSizeConstraint(QLayout::SetMinimumSize);
    setSizeGripEnabled(true);
    static_assert(kRatioCount == 10, "the tab order names every ratio button");
    SetTabOrderBeforeButtons({imagePhoto_, ratios_[0], ratios_[1], ratios_[2], ratios_[3],
                              ratios_[4], ratios_[5], ratios_[6], ratios_[7], ratios_[8],
                              ratios_[9], buttonAuto_, buttonSelectAll_});
}

TRect TFormCrop::CommittedCrop() const {
    return CropOnPicture(workImage_.size());
}

TRect TFormCrop::CropOnPicture(QSize picture) const {
    if (HasArea(selection_) && selection_ == shown_) return Backup().Crop;
    return MapRect(selection_, picture, kTurnNone, PreviewInfo().Rotate, Photo().Original().size());
}

const TPhotoInfo& TFormCrop::PreviewInfo() const {
    return Photo().Info() ? *Photo().Info() : Backup();
}

void TFormCrop::FillControls(const TPhotoInfo& backup) {
    // A drag cut short by closing the dialog must not go on in the next showing.
    dragging_ = false;
    SetHitZone(-1);

    // Choosing the ratio here leaves the selection as it was stored.
    filling_ = true;
    ratios_[kRatioNone]->setChecked(true);
    if (backup.Ratio > kRatioNone && backup.Ratio < kRatioCount)
        ratios_[backup.Ratio]->setChecked(true);
    filling_ = false;

    // The picture and the preview each take a pass over every pixel of the original, which
    // on a big photo is most of the time the dialog takes to open, and waits mostly on
    // memory. The preview is made on another thread meanwhile: both read the same rows at
    // about the same time, so together they take less than twice as long as one pass
    // alone, often less than one. Both only read the original.
    const QImage& original = Photo().Original();
    const QSize picture = CropPictureSize(original.size(), backup, kPictureMax);
    selection_ = MapRect(backup.Crop, original.size(), backup.Rotate, kTurnNone, picture);
    shown_ = selection_;
    std::future<QImage> preview =
        std::async(std::launch::async | std::launch::deferred, MakeCropPreview, original,
                   PreviewInfo(), CropOnPicture(picture), kPreviewMax);
    workImage_ = MakeCropPicture(original, backup, kPictureMax);
    imagePhoto_->SetImage(workImage_);
    PlacePicture();
    imagePhoto_->SetOutline(selection_);
    UpdateSelectionLabel();
    ShowPreview(preview.get());
}

void TFormCrop::WriteControls(TPhotoInfo& info) {
    info.Crop = CommittedCrop();
    info.Ratio = RatioCode();
}

QWidget* TFormCrop::InitialFocus() {
    return imagePhoto_;
}

bool TFormCrop::eventFilter(QObject* watched, QEvent* event) {
    if (watched == groupPhoto_ && event->type() == QEvent::Resize) PlacePicture();
    return TEditDialog::eventFilter(watched, event);
}

void TFormCrop::PlacePicture() {
    imagePhoto_->setGeometry(PictureBox(workImage_.size(), groupPhoto_->size(), kPictureMax));
}

QPoint TFormCrop::PicturePoint(const QMouseEvent* event) const {
    return BoxToPicture(event->position().toPoint(), workImage_.size(), imagePhoto_->size());
}

void TFormCrop::UpdateSelectionLabel() {
    // While the pointer drags, the selection may be inverted; its size is the same.
    const TRect crop = HasArea(selection_) && selection_ == shown_
                           ? Backup().Crop
                           : MapRect(Normalised(selection_), workImage_.size(), kTurnNone,
                                     PreviewInfo().Rotate, Photo().Original().size());
    labelSelection_->setText(SelectionText(crop, Photo().Original().size(), PreviewInfo().Rotate));
}

void TFormCrop::ImagePhotoMouseDown(QMouseEvent* event) {
    if (dragging_) return;  // another button during a drag
    const QPoint point = PicturePoint(event);
    // The zone is taken where the button goes down: a click that no pointer move came
    // before (the first of a showing, or from a touch screen) must not act on the zone of
    // some earlier position.
    SetHitZone(HitTest(selection_, point));
    dragging_ = true;
    if (hitZone_ == -1) SetSelection({point.x(), point.y(), point.x(), point.y()});
    lastPoint_ = point;
}

void TFormCrop::ImagePhotoMouseMove(QMouseEvent* event) {
    const QPoint point = PicturePoint(event);
    if (!dragging_) {
        SetHitZone(HitTest(selection_, point));
        return;
    }
    SetSelection(DragSelection(selection_, hitZone_, lastPoint_, point, Units()));
    lastPoint_ = point;
}

void TFormCrop::ImagePhotoMouseUp(QMouseEvent* event) {
    if (!dragging_ || event->buttons() != Qt::NoButton) return;
    SetSelection(Normalised(selection_));
    dragging_ = false;
    UpdatePreview();
    SetHitZone(HitTest(selection_, PicturePoint(event)));
}

bool TFormCrop::ImagePhotoKeyDown(QKeyEvent* event) {
    int dx = 0;
    int dy = 0;
    switch (event->key()) {
        case Qt::Key_Left:
            dx = -1;
            break;
        case Qt::Key_Right:
            dx = 1;
            break;
        case Qt::Key_Up:
            dy = -1;
            break;
        case Qt::Key_Down:
            dy = 1;
            break;
        default:
            return false;
    }
    if (dragging_ || !HasArea(selection_)) return false;
    const int step = event->modifiers() & Qt::ShiftModifier ? 10 : 1;
    SetSelection(MoveSelection(selection_, dx * step, dy * step));
    UpdatePreview();
    return true;
}

void TFormCrop::RadioButtonRatioClick() {
    SetSelection(ApplyRatio(selection_, 4, Units()));
    UpdatePreview();
}

void TFormCrop::ButtonAutoClick() {
    SetSelection(AutoCrop(selection_, workImage_.size()));
    UpdatePreview();
}

void TFormCrop::ButtonAllClick() {
    SetSelection({});
    filling_ = true;
    ratios_[kRatioNone]->setChecked(true);
    filling_ = false;
    UpdatePreview();
}

void TFormCrop::SetHitZone(int zone) {
    hitZone_ = zone;
    imagePhoto_->setCursor(ZoneCursor(zone));
}

void TFormCrop::SetSelection(const TRect& selection) {
    if (selection == selection_) return;
    selection_ = selection;
    imagePhoto_->SetOutline(selection_);
    UpdateSelectionLabel();
}

int TFormCrop::RatioCode() const {
    for (int code = kRatioOriginal; code < kRatioCount; ++code)
        if (ratios_[code]->isChecked()) return code;
    return kRatioNone;
}

QSize TFormCrop::Units() const {
    return RatioUnits(RatioCode(), workImage_.size());
}

void TFormCrop::UpdatePreview() {
    ShowPreview(MakeCropPreview(Photo().Original(), PreviewInfo(), CommittedCrop(), kPreviewMax));
}

void TFormCrop::ShowPreview(const QImage& preview) {
    preview_ = preview;
    imagePreview_->SetImage(preview_);
    Place(imagePreview_, preview_.size(), kPreviewPanel);
}

}  // namespace vellumora
