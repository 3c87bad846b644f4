#include "forms/main/PhotoView.h"

#include <QButtonGroup>
#include <QCursor>
#include <QFileInfo>
#include <QFocusEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStyle>
#include <QToolButton>
#include <algorithm>

#include "photos/Photo.h"
#include "photos/stages/Thumbnail.h"

namespace vellumora {

TPhotoView::TPhotoView(const TPhoto& photo, QWidget* parent) : QWidget(parent), photo_(photo) {
    // Every pixel is painted from the picture; nothing to erase first.
    setAttribute(Qt::WA_OpaquePaintEvent);
}

QSize TPhotoView::sizeHint() const {
    return photo_.DisplaySize();
}

void TPhotoView::paintEvent(QPaintEvent* event) {
    const QImage& picture = photo_.Rendered();
    if (picture.isNull() || photo_.DisplaySize().isEmpty()) return;
    QPainter painter(this);
    // Nearest pixel: at a zoom above 100 every pixel shows as a block, as it is. A
    // preview, smaller than the photo to come, is smoothed instead.
    painter.setRenderHint(QPainter::SmoothPixmapTransform, !photo_.Exact());
    painter.setClipRegion(event->region());
    painter.drawImage(QRect(QPoint(0, 0), photo_.DisplaySize()), picture);
}

struct TPhotoStrip::TEntry {
    QToolButton* button = nullptr;
    int image = -1;
};

namespace {

// The buttons of the strip: 39 x 38 pixels around a 32 x 32 thumbnail.
constexpr QSize kButtonSize(39, 38);

// A photo button is never a Tab stop of its own: the strip is one, and hands the focus to
// its pressed button. (A button of an exclusive group makes itself a stop when it gets
// the focus; that is undone here.)
class TPhotoButton : public QToolButton {
public:
    using QToolButton::QToolButton;

protected:
    void focusInEvent(QFocusEvent* event) override {
        QToolButton::focusInEvent(event);
        setFocusPolicy(Qt::NoFocus);
    }
};

}  // namespace

TPhotoStrip::TPhotoStrip(QWidget* parent) : QScrollArea(parent) {
    row_ = new QWidget(this);
    layout_ = new QHBoxLayout(row_);
    layout_->setContentsMargins(0, 0, 0, 0);
    layout_->setSpacing(0);
    layout_->addStretch(1);
    group_ = new QButtonGroup(this);
    group_->setExclusive(true);
    connect(group_, &QButtonGroup::buttonClicked, this, [this](QAbstractButton* button) {
        for (int i = 0; i < Count(); ++i)
            if (entries_[size_t(i)]->button == button) emit Clicked(i);
    });

    setWidget(row_);
    setWidgetResizable(true);
    setFrameShape(QFrame::NoFrame);
    setAccessibleName(QStringLiteral("Photos"));
    setFocusPolicy(Qt::NoFocus);  // a Tab stop while it holds buttons
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    // Room for the scroll bar below the buttons, so that it never covers them.
    setFixedHeight(kButtonSize.height() + style()->pixelMetric(QStyle::PM_ScrollBarExtent));
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    // A button just added has its place only once the row is laid out, which changes the
    // scrolling range: the pressed button is brought into view again then.
    connect(horizontalScrollBar(), &QScrollBar::rangeChanged, this, [this] {
        if (QAbstractButton* pressed = group_->checkedButton()) ensureWidgetVisible(pressed, 0, 0);
    });
    // After the area has moved the row.
    connect(horizontalScrollBar(), &QScrollBar::valueChanged, this,
            &TPhotoStrip::ReleaseStaleHover);
}

TPhotoStrip::~TPhotoStrip() = default;

QToolButton* TPhotoStrip::Button(int index) const {
    return index >= 0 && index < Count() ? entries_[size_t(index)]->button : nullptr;
}

bool TPhotoStrip::IsPressed(int index) const {
    const QToolButton* button = Button(index);
    return button && button->isChecked();
}

int TPhotoStrip::ImageIndex(int index) const {
    return index >= 0 && index < Count() ? entries_[size_t(index)]->image : -1;
}

void TPhotoStrip::Insert(int index, const QString& path) {
    index = std::clamp(index, 0, Count());
    auto entry = std::make_unique<TEntry>();
    entry->image = int(images_.size());
    images_.append(MakeThumbnail(QImage(), kThumbnailSize));

    auto* button = new TPhotoButton(row_);
    button->setCheckable(true);
    button->setAutoRaise(true);
    button->setFixedSize(kButtonSize);
    button->setIconSize(kThumbnailSize);
    button->setIcon(QPixmap::fromImage(images_.last()));
    button->setToolTip(path);
    button->setAccessibleName(QFileInfo(path).fileName());
    button->setAccessibleDescription(path);
    button->installEventFilter(this);
    button->setFocusPolicy(Qt::NoFocus);
    group_->addButton(button);
    // Before the stretch that ends the row.
    layout_->insertWidget(index, button);

    entry->button = button;
    entries_.insert(entries_.begin() + index, std::move(entry));
    setFocusPolicy(Qt::TabFocus);
    if (index < Count() - 1) {
        layout_->activate();  // the buttons after it move to their new places now
        ReleaseStaleHover();
    }
}

void TPhotoStrip::SetThumbnail(int index, const QImage& thumbnail) {
    TEntry* entry = index >= 0 && index < Count() ? entries_[size_t(index)].get() : nullptr;
    if (!entry) return;
    images_[entry->image] = thumbnail;
    entry->button->setIcon(QPixmap::fromImage(thumbnail));
}

void TPhotoStrip::Press(int index) {
    QToolButton* button = Button(index);
    if (!button) return;
    const bool focused = FocusedButton() >= 0;
    button->setChecked(true);
    if (focused) button->setFocus(Qt::OtherFocusReason);
    ensureWidgetVisible(button, 0, 0);
}

void TPhotoStrip::Remove(int index) {
    if (index < 0 || index >= Count()) return;
    std::unique_ptr<TEntry> entry = std::move(entries_[size_t(index)]);
    entries_.erase(entries_.begin() + index);
    const bool focused = entry->button->hasFocus();
    group_->removeButton(entry->button);
    delete entry->button;
    if (index < Count()) {
        layout_->activate();  // the buttons after it move to their new places now
        ReleaseStaleHover();
    }
    if (entries_.empty()) {
        images_.clear();
        setFocusPolicy(Qt::NoFocus);
    }
    // The keyboard stays in the strip, on the neighbour that the window selects next.
    if (QToolButton* neighbour = Button(std::min(index, Count() - 1)); focused && neighbour)
        neighbour->setFocus(Qt::OtherFocusReason);
}

void TPhotoStrip::ReleaseStaleHover() {
    const QPoint pointer = QCursor::pos();
    for (const auto& entry : entries_) {
        QToolButton* button = entry->button;
        if (!button->underMouse() || button->rect().contains(button->mapFromGlobal(pointer)))
            continue;
        button->setAttribute(Qt::WA_UnderMouse, false);
        button->update();
    }
}

int TPhotoStrip::FocusedButton() const {
    for (int i = 0; i < Count(); ++i)
        if (Button(i)->hasFocus()) return i;
    return -1;
}

void TPhotoStrip::focusInEvent(QFocusEvent* event) {
    QScrollArea::focusInEvent(event);
    if (event->reason() != Qt::TabFocusReason && event->reason() != Qt::BacktabFocusReason) return;
    QAbstractButton* stop = group_->checkedButton();
    if (!stop) stop = Button(0);
    if (stop) stop->setFocus(event->reason());
}

// Tab from a button goes on from the strip's own place among the window's controls.
bool TPhotoStrip::focusNextPrevChild(bool next) {
    if (FocusedButton() >= 0) setFocus(Qt::OtherFocusReason);
    return QScrollArea::focusNextPrevChild(next);
}

// Left and Right on a focused button click its neighbour, as in a row of radio buttons.
bool TPhotoStrip::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        const int step = key->key() == Qt::Key_Left ? -1 : key->key() == Qt::Key_Right ? 1 : 0;
        const int index = FocusedButton();
        if (step != 0 && key->modifiers() == Qt::NoModifier && index >= 0 &&
            Button(index) == watched) {
            if (QToolButton* neighbour = Button(index + step)) {
                neighbour->setFocus(Qt::OtherFocusReason);
                neighbour->click();
            }
            return true;
        }
    }
    return QScrollArea::eventFilter(watched, event);
}

void TPhotoStrip::Clear() {
    while (Count() > 0) Remove(Count() - 1);
    images_.clear();
}

}  // namespace vellumora
