#include "forms/border/FormBorder.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QPushButton>
#include <QStyledItemDelegate>
#include <QVBoxLayout>
#include <utility>

#include "forms/common/ColorSwatch.h"
#include "forms/common/Controls.h"
#include "forms/common/NumberBox.h"
#include "forms/common/Platform.h"
#include "photos/Photo.h"

namespace vellumora {
namespace {

constexpr int kThumbnailRole = Qt::UserRole + 1;
constexpr int kPathRole = Qt::UserRole;

// A selected mask shows as its thumbnail in a frame of the selection colour this wide.
constexpr int kFrame = 3;
// Each item's cell: the framed thumbnail and a little room around it for the focus mark.
constexpr QSize kCell(kMaskThumbnailSize.width() + 4 * kFrame,
                      kMaskThumbnailSize.height() + 4 * kFrame);
constexpr QSize kColorButton(149, 23);

struct TSpinnerText {
    const char* role;  // objectNames Edit<role>, UpDown<role>, Label<role>, Label<role>Pixels
    int maximum;
    int typing;
};

// Outside, Inside, Radius, Offset.
constexpr TSpinnerText kSpinners[] = {
    {"Outside", 100, 3},
    {"Inside", 100, 3},
    {"Radius", 20, 2},
    {"Offset", 20, 2},
};

struct TColorText {
    const char* name;
    const char* accessibleName;
};

// By TFormBorder::TColorRole.
constexpr TColorText kColors[] = {
    {"BitBtnColor", "Mask colour"},
    {"BitBtnOutside", "Outside colour"},
    {"BitBtnInside", "Inside colour"},
    {"BitBtnShadow", "Shadow colour"},
    {"BitBtnBackground", "Background colour"},
};
static_assert(std::size(kColors) == TFormBorder::kColorCount);

// Draws each mask as its thumbnail centred in the item, on a square kFrame pixels larger
// on every side, in the selection colour when the item is selected and the list's own
// colour otherwise. No caption: the file name is the item's tool tip and accessible name.
class TMaskDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        const QRect r = option.rect;
        const QSize side = kMaskThumbnailSize;
        // Right and bottom exclusive.
        const int x = (2 * r.left() + r.width() - side.width()) / 2;
        const int y = (2 * r.top() + r.height() - side.height()) / 2;
        const bool selected = option.state & QStyle::State_Selected;
        const QRect square(x - kFrame, y - kFrame, side.width() + 2 * kFrame,
                           side.height() + 2 * kFrame);
        painter->fillRect(square,
                          option.palette.color(selected ? QPalette::Highlight : QPalette::Base));
        painter->drawImage(x, y, index.data(kThumbnailRole).value<QImage>());
        // The keyboard's place in the list, also when it holds no selection: a dotted
        // rectangle just outside the frame.
        if (option.state & QStyle::State_HasFocus) {
            painter->setPen(QPen(option.palette.color(QPalette::Text), 1, Qt::DotLine));
            painter->setBrush(Qt::NoBrush);
            painter->drawRect(square.adjusted(-2, -2, 1, 1));
        }
    }

    QSize sizeHint(const QStyleOptionViewItem&, const QModelIndex&) const override { return kCell; }
};

QLabel* NewLabel(const QString& name, const QString& caption, QWidget* parent) {
    auto* label = new QLabel(caption, parent);
    label->setObjectName(name);
    return label;
}

}  // namespace

TFormBorder::TFormBorder(TPhoto& photo, TPlatform& platform, QWidget* parent)
    : TEditDialog(photo, TFieldGroup::Border, true, parent), platform_(platform) {
    setObjectName(QStringLiteral("FormBorder"));
    setWindowTitle(QStringLiteral("Border"));

    listView_ = new QListWidget(this);
    listView_->setObjectName(QStringLiteral("ListView"));
    listView_->setAccessibleName(QStringLiteral("Masks"));
    listView_->setAccessibleDescription(
        QStringLiteral("Arrow keys choose a mask; Ctrl+Space takes the choice back, for no mask."));
    listView_->setViewMode(QListView::IconMode);
    listView_->setMovement(QListView::Static);
    listView_->setResizeMode(QListView::Adjust);
    listView_->setWrapping(true);
    listView_->setUniformItemSizes(true);
    listView_->setSelectionMode(QAbstractItemView::SingleSelection);
    listView_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    listView_->setDragEnabled(false);
    listView_->setIconSize(kMaskThumbnailSize);
    listView_->setGridSize(kCell);
    listView_->setSpacing(0);
    listView_->setItemDelegate(new TMaskDelegate(listView_));
    // Five masks a row, two rows in view; more scroll.
    listView_->setFixedSize(5 * kCell.width() + 2 * listView_->frameWidth() +
                                listView_->style()->pixelMetric(QStyle::PM_ScrollBarExtent) + 4,
                            2 * kCell.height() + 2 * listView_->frameWidth() + 4);
    connect(listView_, &QListWidget::itemSelectionChanged, this, [this] {
        if (!filling_) maskChosen_ = true;
    });

    QGroupBox* groupMask = MakeGroup("GroupBoxMask", QStringLiteral(" Mask "), this);
    QGroupBox* groupBorder = MakeGroup("GroupBoxBorder", QStringLiteral(" Border "), this);
    QGroupBox* groupShadow = MakeGroup("GroupBoxShadow", QStringLiteral(" Shadow "), this);
    QGroupBox* groupBackground =
        MakeGroup("GroupBoxBackground", QStringLiteral(" Background "), this);
    // By TColorRole.
    QGroupBox* colorGroups[] = {groupMask, groupBorder, groupBorder, groupShadow, groupBackground};
    for (int role = 0; role < kColorCount; ++role) {
        auto* button = new QPushButton(colorGroups[role]);
        button->setObjectName(QLatin1String(kColors[role].name));
        button->setAccessibleName(QLatin1String(kColors[role].accessibleName));
        button->setFixedSize(kColorButton);
        button->setAutoDefault(false);
        connect(button, &QPushButton::clicked, this, [this, role] { ColorButtonClick(role); });
        colorButtons_[role] = button;
    }

    QGroupBox* spinnerGroups[] = {groupBorder, groupBorder, groupShadow, groupShadow};
    auto* borderLayout = new QGridLayout(groupBorder);
    auto* shadowLayout = new QGridLayout(groupShadow);
    QGridLayout* spinnerLayouts[] = {borderLayout, borderLayout, shadowLayout, shadowLayout};
    for (size_t i = 0; i < spinners_.size(); ++i) {
        const QString role = QLatin1String(kSpinners[i].role);
        QGroupBox* group = spinnerGroups[i];
        auto* box = new QLineEdit(group);
        box->setObjectName(QStringLiteral("Edit") + role);
        box->setAccessibleName(role);
        // Room for the three digits the widest takes, plus a little.
        box->setFixedWidth(box->fontMetrics().horizontalAdvance(QStringLiteral("9999")) + 12);
        auto* upDown = new TUpDown(group);
        upDown->setObjectName(QStringLiteral("UpDown") + role);
        upDown->SetRange(0, kSpinners[i].maximum);
        spinners_[i] = new TSpinnerBox(box, upDown, kSpinners[i].typing);
        QLabel* label = NewLabel(QStringLiteral("Label") + role, role + QLatin1Char(':'), group);
        label->setBuddy(box);
        QLabel* pixels = NewLabel(QStringLiteral("Label") + role + QStringLiteral("Pixels"),
                                  QStringLiteral("pixels"), group);

        QGridLayout* grid = spinnerLayouts[i];
        const int row = int(i % 2);
        auto* number = new QHBoxLayout;
        number->setSpacing(0);
        number->addWidget(box);
        number->addWidget(upDown);
        grid->addWidget(label, row, 0);
        grid->addLayout(number, row, 1);
        grid->addWidget(pixels, row, 2);
    }
    borderLayout->addWidget(colorButtons_[OutsideColor], 0, 3);
    borderLayout->addWidget(colorButtons_[InsideColor], 1, 3);
    shadowLayout->addWidget(colorButtons_[ShadowColor], 2, 0, 1, 4, Qt::AlignLeft);
    for (QGridLayout* grid : {borderLayout, shadowLayout}) grid->setColumnStretch(2, 1);
    (new QVBoxLayout(groupMask))->addWidget(colorButtons_[MaskColor]);
    (new QVBoxLayout(groupBackground))->addWidget(colorButtons_[BackgroundColor]);

    auto* left = new QVBoxLayout;
    left->addWidget(groupMask);
    left->addWidget(groupBorder);
    left->addStretch(1);
    auto* right = new QVBoxLayout;
    right->addWidget(groupShadow);
    right->addWidget(groupBackground);
    right->addStretch(1);
    auto* columns = new QHBoxLayout;
    columns->addLayout(left);
    columns->addLayout(right);
    auto* controls = new QVBoxLayout;
    controls->addWidget(listView_);
    controls->addLayout(columns);
    LayOutAboveButtons(controls);

    // In screen order: the list, then each group's colour and widths.
    SetTabOrderBeforeButtons({listView_, colorButtons_[MaskColor], spinners_[0]->Box(),
                              colorButtons_[OutsideColor], spinners_[1]->Box(),
                              colorButtons_[InsideColor], spinners_[2]->Box(), spinners_[3]->Box(),
                              colorButtons_[ShadowColor], colorButtons_[BackgroundColor]});

    // The masks the folder holds at start-up; each show looks again.
    ListMasks();
    for (int role = 0; role < kColorCount; ++role) PaintColor(TColorRole(role));
}

void TFormBorder::ListMasks() {
    if (!masks_.Refresh(Photo().MaskFolder())) return;
    const bool filling = std::exchange(filling_, true);
    listView_->clear();
    for (const TMask& mask : masks_.Masks()) {
        auto* item = new QListWidgetItem(listView_);
        item->setData(kPathRole, mask.path);
        item->setData(kThumbnailRole, mask.thumbnail);
        item->setData(Qt::AccessibleTextRole, mask.fileName);
        item->setToolTip(mask.fileName);
    }
    filling_ = filling;
}

void TFormBorder::FillControls(const TPhotoInfo& backup) {
    ListMasks();
    filling_ = true;
    listView_->selectionModel()->clear();
    const int index = masks_.IndexOf(backup.MaskName);
    if (index >= 0) {
        listView_->setCurrentRow(index, QItemSelectionModel::ClearAndSelect);
        listView_->scrollToItem(listView_->item(index));
    }
    maskChosen_ = false;
    filling_ = false;

    colors_ = {backup.MaskColor, backup.Outside.Color, backup.Inside.Color, backup.Shadow,
               backup.Background};
    for (int role = 0; role < kColorCount; ++role) PaintColor(TColorRole(role));
    const int values[] = {backup.Outside.Width, backup.Inside.Width, backup.Radius, backup.Offset};
    for (size_t i = 0; i < spinners_.size(); ++i) spinners_[i]->SetValue(values[i]);
}

void TFormBorder::WriteControls(TPhotoInfo& info) {
    info.MaskColor = colors_[MaskColor];
    info.Outside = {spinners_[0]->Value(), colors_[OutsideColor]};
    info.Inside = {spinners_[1]->Value(), colors_[InsideColor]};
    info.Radius = spinners_[2]->Value();
    info.Offset = spinners_[3]->Value();
    info.Shadow = colors_[ShadowColor];
    info.Background = colors_[BackgroundColor];

    // The list's items hold paths; the record keeps the file name (SetMaskName).
    QString mask = Backup().MaskName;
    if (maskChosen_) {
        const QList<QListWidgetItem*> selected = listView_->selectedItems();
        mask = selected.isEmpty() ? QString() : selected.front()->data(kPathRole).toString();
    }
    info.SetMaskName(mask);
}

QWidget* TFormBorder::InitialFocus() {
    return listView_;
}

void TFormBorder::ColorButtonClick(int role) {
    if (role < 0 || role >= kColorCount) return;
    const std::optional<QColor> chosen =
        platform_.ChooseColor(this, QColor(ColorToRgb(colors_[role])));
    if (!chosen || !chosen->isValid()) return;
    colors_[role] = ToTColor(*chosen);
    PaintColor(TColorRole(role));
}

void TFormBorder::PaintColor(TColorRole role) {
    PaintColorGlyph(colorButtons_[role], colors_[role]);
}

}  // namespace vellumora
