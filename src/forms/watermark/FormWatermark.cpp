#include "forms/watermark/FormWatermark.h"

#include <QButtonGroup>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QSlider>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>

#include "forms/common/ColorSwatch.h"
#include "forms/common/Controls.h"
#include "forms/common/NumberBox.h"
#include "forms/common/Platform.h"
#include "photos/Photo.h"

namespace vellumora {
namespace {

constexpr int kSignatureTyping = 100;
constexpr int kOpacityTyping = 3;
constexpr int kMarginTyping = 4;
constexpr int kOpacityPage = 16;

// The position buttons in number order: row by row from the top left.
constexpr const char* kPositionNames[kPositionCount] = {"Top left",    "Top",    "Top right",
                                                        "Left",        "Centre", "Right",
                                                        "Bottom left", "Bottom", "Bottom right"};

QLineEdit* MakeBox(const char* name, const QString& accessibleName, const QString& widest,
                   QWidget* parent) {
    auto* box = new QLineEdit(parent);
    box->setObjectName(QLatin1String(name));
    box->setAccessibleName(accessibleName);
    box->setFixedWidth(box->fontMetrics().horizontalAdvance(widest) + 12);
    return box;
}

// A frame with a short bar where the text of that position stands.
QIcon PositionGlyph(int position) {
    constexpr QSize size(22, 16);
    constexpr QSize bar(8, 3);
    QPixmap pixmap(size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setPen(Qt::darkGray);
    painter.drawRect(0, 0, size.width() - 1, size.height() - 1);
    const int x = 3 + PositionColumn(position) * (size.width() - 6 - bar.width()) / 2;
    const int y = 3 + PositionRow(position) * (size.height() - 6 - bar.height()) / 2;
    painter.fillRect(QRect(QPoint(x, y), bar), Qt::black);
    return QIcon(pixmap);
}

}  // namespace

// The preview picture: shows the dialog's picture and hands the pointer to the dialog.
class TWatermarkPreviewBox : public QLabel {
public:
    TWatermarkPreviewBox(TFormWatermark* form, QWidget* parent) : QLabel(parent), form_(form) {
        setObjectName(QStringLiteral("ImagePreview"));
        setAccessibleName(QStringLiteral("Preview"));
        setAccessibleDescription(
            QStringLiteral("The signature at its size in photo pixels. Drag to set the margins."));
        setCursor(Qt::CrossCursor);
    }

protected:
    void mousePressEvent(QMouseEvent* event) override { form_->ImagePreviewMouseDown(event); }
    void mouseMoveEvent(QMouseEvent* event) override { form_->ImagePreviewMouseMove(event); }
    void mouseReleaseEvent(QMouseEvent* event) override { form_->ImagePreviewMouseUp(event); }

private:
    TFormWatermark* form_;
};

TFormWatermark::TFormWatermark(TPhoto& photo, TPlatform& platform, QWidget* parent)
    : TEditDialog(photo, TFieldGroup::Watermark, true, parent), platform_(platform) {
    setObjectName(QStringLiteral("FormWatermark"));
    setWindowTitle(QStringLiteral("Watermark"));

    QGroupBox* group = MakeGroup("GroupBoxWatermark", QStringLiteral(" Watermark "), this);

    editSignature_ = new QLineEdit(group);
    editSignature_->setObjectName(QStringLiteral("EditSignature"));
    editSignature_->setAccessibleName(QStringLiteral("Signature"));
    // Not setMaxLength: a longer signature from a settings file must survive OK whole.
    SetTypingLimit(editSignature_, kSignatureTyping);
    buttonFont_ = new QPushButton(QStringLiteral("Font"), group);
    buttonFont_->setObjectName(QStringLiteral("ButtonFont"));
    // The font chooser has no colour: the swatch beside it chooses the font's colour.
    buttonFontColor_ = new QPushButton(group);
    buttonFontColor_->setObjectName(QStringLiteral("ButtonFontColor"));
    buttonFontColor_->setAccessibleName(QStringLiteral("Font colour"));
    buttonFontColor_->setFixedSize(48, buttonFont_->sizeHint().height());

    auto* bar = new QSlider(Qt::Horizontal, group);
    bar->setObjectName(QStringLiteral("TrackBarOpacity"));
    bar->setAccessibleName(QStringLiteral("Opacity"));
    bar->setRange(0, kOpacityMax);
    bar->setPageStep(kOpacityPage);
    bar->setTickPosition(QSlider::TicksBelow);
    bar->setTickInterval(kOpacityPage);
    QLineEdit* editOpacity = MakeBox("EditOpacity", QStringLiteral("Opacity"), "2555", group);
    opacity_ = new TTrackBarBox(bar, editOpacity, kOpacityTyping);

    const auto spinner = [group](const char* edit, const char* upDown, const QString& name) {
        QLineEdit* box = MakeBox(edit, name, QStringLiteral("99999"), group);
        auto* arrows = new TUpDown(group);
        arrows->setObjectName(QLatin1String(upDown));
        arrows->SetRange(0, kMarginMax);
        return new TSpinnerBox(box, arrows, kMarginTyping);
    };
    spinnerX_ = spinner("EditX", "UpDownX", QStringLiteral("X"));
    spinnerY_ = spinner("EditY", "UpDownY", QStringLiteral("Y"));

    positions_ = new QButtonGroup(this);
    positions_->setExclusive(true);
    auto* grid = new QGridLayout;
    grid->setSpacing(2);
    for (int n = 0; n < kPositionCount; ++n) {
        auto* button = new QToolButton(group);
        button->setObjectName(QStringLiteral("SpeedButton%1").arg(n));
        button->setAccessibleName(QLatin1String(kPositionNames[n]));
        button->setToolTip(QLatin1String(kPositionNames[n]));
        button->setCheckable(true);
        // One tab stop for the grid, as for radio buttons; the arrow keys move through it
        // and press the button they reach.
        button->setAutoExclusive(true);
        button->setIcon(PositionGlyph(n));
        button->setIconSize(QSize(22, 16));
        positions_->addButton(button, n);
        grid->addWidget(button, PositionRow(n), PositionColumn(n));
        speedButtons_[n] = button;
    }

    auto* signatureRow = new QHBoxLayout;
    signatureRow->addWidget(editSignature_, 1);
    signatureRow->addWidget(buttonFont_);
    signatureRow->addWidget(buttonFontColor_);
    auto* opacityRow = new QHBoxLayout;
    // The ends of the bar say what they do: 0 lays the text on fully, 255 leaves the photo
    // as it is.
    const auto end = [group](const char* name, const QString& text, const QString& spoken) {
        auto* label = new QLabel(text, group);
        label->setObjectName(QLatin1String(name));
        label->setAccessibleName(spoken);
        return label;
    };
    opacityRow->addWidget(
        end("LabelOpacitySolid", QStringLiteral("solid"), QStringLiteral("Opacity 0: solid")));
    opacityRow->addWidget(bar, 1);
    opacityRow->addWidget(
        end("LabelOpacityClear", QStringLiteral("clear"), QStringLiteral("Opacity 255: clear")));
    opacityRow->addWidget(editOpacity);
    auto* marginRow = new QHBoxLayout;
    marginRow->setSpacing(0);
    const auto addMargin = [group, marginRow](TSpinnerBox* box, const char* label,
                                              const char* pixels, const QString& name) {
        marginRow->addWidget(MakeLabel(label, name, group, box->Box()));
        marginRow->addSpacing(6);
        marginRow->addWidget(box->Box());
        marginRow->addWidget(box->UpDown());
        marginRow->addSpacing(6);
        marginRow->addWidget(MakeLabel(pixels, QStringLiteral("pixels"), group));
        marginRow->addSpacing(16);
    };
    addMargin(spinnerX_, "LabelX", "LabelXPixels", QStringLiteral("X"));
    addMargin(spinnerY_, "LabelY", "LabelYPixels", QStringLiteral("Y"));
    marginRow->addStretch(1);

    auto* fields = new QGridLayout(group);
    const auto addRow = [group, fields](int row, const char* name, const QString& text,
                                        QWidget* buddy, QLayout* controls) {
        fields->addWidget(MakeLabel(name, text, group, buddy), row, 0,
                          Qt::AlignLeft | Qt::AlignVCenter);
        fields->addLayout(controls, row, 1);
    };
    addRow(0, "LabelSigature", QStringLiteral("Signature:"), editSignature_, signatureRow);
    addRow(1, "LabelPoacity", QStringLiteral("Opacity:"), editOpacity, opacityRow);
    addRow(2, "LabelMargin", QStringLiteral("Margin:"), spinnerX_->Box(), marginRow);
    auto* gridRow = new QHBoxLayout;
    gridRow->addLayout(grid);
    gridRow->addStretch(1);
    addRow(3, "LabelPosition", QStringLiteral("Position:"), speedButtons_[0], gridRow);

    QGroupBox* groupPreview = MakeGroup("GroupBoxPreview", QStringLiteral(" Preview "), this);
    // The preview area at its size; the picture inside scrolls where the signature reaches
    // past the area.
    scrollPreview_ = new QScrollArea(groupPreview);
    scrollPreview_->setObjectName(QStringLiteral("ScrollBoxPreview"));
    scrollPreview_->setAccessibleName(QStringLiteral("Preview area"));
    scrollPreview_->setFrameShape(QFrame::NoFrame);
    scrollPreview_->setFixedSize(kWatermarkPreviewSize);
    scrollPreview_->setFocusPolicy(Qt::NoFocus);
    scrollPreview_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    scrollPreview_->setStyleSheet(QStringLiteral("QScrollArea { background: black; }"));
    imagePreview_ = new TWatermarkPreviewBox(this, scrollPreview_);
    scrollPreview_->setWidget(imagePreview_);
    auto* previewLayout = new QVBoxLayout(groupPreview);
    previewLayout->addWidget(scrollPreview_, 0, Qt::AlignCenter);

    auto* groups = new QVBoxLayout;
    groups->addWidget(group);
    groups->addWidget(groupPreview);
    LayOutAboveButtons(groups);

    connect(editSignature_, &QLineEdit::textChanged, this, [this] {
        if (!filling_) UpdatePreview();
    });
    connect(buttonFont_, &QPushButton::clicked, this, &TFormWatermark::ButtonFontClick);
    connect(buttonFontColor_, &QPushButton::clicked, this, &TFormWatermark::ButtonFontColorClick);
    connect(opacity_, &TTrackBarBox::Changed, this, &TFormWatermark::UpdatePreview);
    // A margin that changed by its arrows, keys or box shows at once; one changed by a
    // drag waits for the pointer to be let go.
    for (TSpinnerBox* box : {spinnerX_, spinnerY_})
        connect(box->UpDown(), &TUpDown::ValueChanged, this, [this] {
            if (!filling_ && !dragging_) UpdatePreview();
        });
    connect(positions_, &QButtonGroup::idClicked, this, &TFormWatermark::SpeedButtonClick);

    // The position buttons form one exclusive group: Tab stops on the pressed one and
    // the arrow keys walk the grid.
    SetTabOrderBeforeButtons(
        {editSignature_, buttonFont_, buttonFontColor_, bar, editOpacity, spinnerX_->Box(),
         spinnerY_->Box(), speedButtons_[0], speedButtons_[1], speedButtons_[2], speedButtons_[3],
         speedButtons_[4], speedButtons_[5], speedButtons_[6], speedButtons_[7], speedButtons_[8]});
}

int TFormWatermark::PressedPosition() const {
    return positions_->checkedId();  // -1, kNoPosition, when none is down
}

int TFormWatermark::SelectedPosition() const {
    return vellumora::SelectedPosition(PressedPosition());
}

TMargins TFormWatermark::Margins() const {
    return {spinnerX_->Value(), spinnerY_->Value()};
}

void TFormWatermark::FillControls(const TPhotoInfo& backup) {
    // A drag cut short by closing the dialog must not go on in the next showing.
    dragging_ = false;
    filling_ = true;
    WriteNumberBox(editSignature_, backup.Watermark);
    font_ = backup.Font;
    opacity_->SetPosition(backup.Opacity);
    spinnerX_->SetValue(backup.X);
    spinnerY_->SetValue(backup.Y);
    // The group releases a button only by pressing another: a position off the grid
    // leaves the buttons as they were.
    if (backup.Position >= 0 && backup.Position < kPositionCount)
        speedButtons_[backup.Position]->setChecked(true);
    // Tab stops at the pressed button (the first when none is), as it would after a click.
    const int pressed = PressedPosition();
    for (int n = 0; n < kPositionCount; ++n)
        speedButtons_[n]->setFocusPolicy(n == std::max(pressed, 0) ? Qt::StrongFocus
                                                                   : Qt::ClickFocus);
    filling_ = false;
    ShowFontColor();
    UpdateMarginControls();
    UpdatePreview();
}

void TFormWatermark::WriteControls(TPhotoInfo& info) {
    info.Watermark = editSignature_->text();
    info.SetFont(&font_);
    info.Opacity = opacity_->Position();
    info.Position = SelectedPosition();
    info.X = spinnerX_->Value();
    info.Y = spinnerY_->Value();
}

QWidget* TFormWatermark::InitialFocus() {
    return editSignature_;
}

void TFormWatermark::SpeedButtonClick() {
    UpdateMarginControls();
    UpdatePreview();
}

void TFormWatermark::UpdateMarginControls() {
    const TMarginControls enabled = MarginControls(PressedPosition());
    spinnerX_->SetEnabled(enabled.x);
    spinnerY_->SetEnabled(enabled.y);
}

void TFormWatermark::showEvent(QShowEvent* event) {
    TEditDialog::showEvent(event);
    ScrollToSignature();  // the scroll bars know their ranges once shown
}

void TFormWatermark::UpdatePreview() {
    TPreviewCanvas canvas = PreviewCanvas(editSignature_->text(), font_, opacity_->Position(),
                                          SelectedPosition(), Margins());
    preview_ = std::move(canvas.picture);
    origin_ = canvas.origin;
    signature_ = canvas.signature;
    DrawGuides();
    ShowPreview();
    ScrollToSignature();
}

void TFormWatermark::DrawGuides() {
    vellumora::DrawGuides(
        preview_,
        GuidesOnCanvas(Guides(PressedPosition(), Margins(), kWatermarkPreviewSize), origin_));
}

void TFormWatermark::ShowPreview() {
    imagePreview_->setPixmap(QPixmap::fromImage(preview_));
    imagePreview_->setFixedSize(preview_.size());
}

void TFormWatermark::ScrollToSignature() {
    if (signature_.isEmpty()) return;
    QScrollBar* across = scrollPreview_->horizontalScrollBar();
    QScrollBar* down = scrollPreview_->verticalScrollBar();
    const QPoint at = ScrollToShow(signature_, scrollPreview_->viewport()->size(), preview_.size(),
                                   {across->value(), down->value()});
    across->setValue(at.x());
    down->setValue(at.y());
}

void TFormWatermark::ShowFontColor() {
    PaintColorGlyph(buttonFontColor_, font_.Color);
}

void TFormWatermark::ButtonFontClick() {
    if (const std::optional<QFont> chosen = platform_.ChooseFont(this, ChooserFont(font_)))
        font_ = ChosenFont(*chosen, font_);
    UpdatePreview();
}

void TFormWatermark::ButtonFontColorClick() {
    const std::optional<QColor> chosen =
        platform_.ChooseColor(this, QColor(ColorToRgb(font_.Color)));
    if (chosen && chosen->isValid()) {
        font_.Color = ToTColor(*chosen);
        ShowFontColor();
    }
    UpdatePreview();
}

void TFormWatermark::ImagePreviewMouseDown(QMouseEvent* event) {
    dragging_ = true;
    ImagePreviewMouseMove(event);
}

void TFormWatermark::ImagePreviewMouseMove(QMouseEvent* event) {
    if (!dragging_) return;
    DrawGuides();  // erased: the same guides drawn again
    // The pointer on the picture, measured from the preview area's corner.
    const TMargins margins = DragMargins(PressedPosition(), event->position().toPoint() - origin_,
                                         kWatermarkPreviewSize, Margins());
    spinnerX_->SetValue(margins.x);
    spinnerY_->SetValue(margins.y);
    DrawGuides();
    ShowPreview();
}

void TFormWatermark::ImagePreviewMouseUp(QMouseEvent*) {
    if (!dragging_) return;
    dragging_ = false;
    UpdatePreview();
}

}  // namespace vellumora
