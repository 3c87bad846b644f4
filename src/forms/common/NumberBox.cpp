#include "forms/common/NumberBox.h"

#include <QFocusEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QSlider>
#include <QToolButton>
#include <QVBoxLayout>
#include <QValidator>
#include <QWheelEvent>
#include <algorithm>
#include <limits>

#include "photos/settings/Names.h"

namespace vellumora {
namespace {

// Accepts every edit that leaves the box within the limit or no longer than it was, and
// the text the program last wrote however long it is. Everything the user does to the
// text (typing, pasting, dropping, an input method) passes through here; setText does not,
// so the program's values are never cut, and text longer than the limit can be shortened
// a character at a time. A paste that would go past the limit is refused as a whole.
class TTypingLimit : public QValidator {
public:
    TTypingLimit(int limit, QLineEdit* box)
        : QValidator(box), limit_(limit), shown_(box->text().size()) {
        // The box already holds the edited text when it asks: the length before comes
        // from here.
        connect(box, &QLineEdit::textChanged, this,
                [this](const QString& text) { shown_ = text.size(); });
    }

    State validate(QString& input, int&) const override {
        const bool fits = input.size() <= std::max<qsizetype>(limit_, shown_);
        return fits || input == written_ ? Acceptable : Invalid;
    }

    // Must be set before the text goes in: QLineEdit judges the text it is given against
    // the validator, and an edit is only undone when the text before it was acceptable.
    void SetWritten(const QString& text) { written_ = text; }

private:
    int limit_;
    qsizetype shown_;
    QString written_;
};

// Focus leaving the box for another control of the window, or Enter. Focus that goes to a
// popup (the box's own context menu) or to another window is not leaving: the user comes
// back to the same text.
bool LeavesBox(QEvent* event) {
    if (event->type() == QEvent::FocusOut) {
        const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
        return reason != Qt::PopupFocusReason && reason != Qt::ActiveWindowFocusReason;
    }
    if (event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        return key == Qt::Key_Return || key == Qt::Key_Enter;
    }
    return false;
}

QToolButton* MakeArrow(Qt::ArrowType arrow, QWidget* parent) {
    auto* button = new QToolButton(parent);
    button->setArrowType(arrow);
    button->setAutoRepeat(true);
    button->setFocusPolicy(Qt::NoFocus);
    button->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    button->setMinimumSize(8, 6);
    return button;
}

}  // namespace

std::optional<int> ParseWholeNumber(const QString& typed) {
    const QString text = TrimBlanks(typed);
    qsizetype begin = 0;
    const qsizetype end = text.size();

    const bool negative = begin < end && text[begin] == QLatin1Char('-');
    if (negative) ++begin;
    if (begin == end) return std::nullopt;

    // Magnitude up to one past INT_MAX, so that INT_MIN itself reads.
    const qint64 limit = qint64(std::numeric_limits<int>::max()) + (negative ? 1 : 0);
    qint64 magnitude = 0;
    for (qsizetype i = begin; i < end; ++i) {
        const char16_t c = text[i].unicode();
        if (c < u'0' || c > u'9') return std::nullopt;
        magnitude = magnitude * 10 + (c - u'0');
        if (magnitude > limit) return std::nullopt;
    }
    return int(negative ? -magnitude : magnitude);
}

TNumberRule::TNumberRule(int minimum, int maximum, TNotANumber notANumber)
    : minimum_(minimum), maximum_(std::max(minimum, maximum)), notANumber_(notANumber) {}

int TNumberRule::Clamp(int value) const {
    return std::clamp(value, minimum_, maximum_);
}

TNumberLeave TNumberRule::Leave(const QString& text, int value) const {
    TNumberLeave result;
    const std::optional<int> number = ParseWholeNumber(text);
    result.value = number ? Clamp(*number) : value;
    if (number || notANumber_ == TNotANumber::ShowValue)
        result.text = QString::number(result.value);
    return result;
}

TUpDown::TUpDown(QWidget* parent) : QWidget(parent) {
    up_ = MakeArrow(Qt::UpArrow, this);
    down_ = MakeArrow(Qt::DownArrow, this);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(up_);
    layout->addWidget(down_);
    setFixedWidth(17);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Preferred);
    connect(up_, &QToolButton::clicked, this, [this] { StepBy(1); });
    connect(down_, &QToolButton::clicked, this, [this] { StepBy(-1); });
}

void TUpDown::SetRange(int minimum, int maximum) {
    minimum_ = minimum;
    maximum_ = std::max(minimum, maximum);
    SetValue(value_);
}

void TUpDown::SetValue(int value) {
    value = std::clamp(value, minimum_, maximum_);
    if (value == value_) return;
    value_ = value;
    emit ValueChanged(value_);
}

void TUpDown::StepBy(int steps) {
    emit Stepping();
    const qint64 target = qint64(value_) + steps;
    SetValue(int(std::clamp<qint64>(target, minimum_, maximum_)));
    emit Stepped(value_);
}

void TUpDown::wheelEvent(QWheelEvent* event) {
    if (!isEnabled()) return;
    wheelRemainder_ += event->angleDelta().y();
    const int steps = wheelRemainder_ / QWheelEvent::DefaultDeltasPerStep;
    wheelRemainder_ -= steps * QWheelEvent::DefaultDeltasPerStep;
    if (steps != 0) StepBy(steps);
    event->accept();
}

void SetTypingLimit(QLineEdit* box, int limit) {
    auto* validator = new TTypingLimit(limit, box);
    validator->SetWritten(box->text());
    box->setValidator(validator);
}

void WriteNumberBox(QLineEdit* box, const QString& text) {
    if (auto* limit = dynamic_cast<TTypingLimit*>(const_cast<QValidator*>(box->validator())))
        limit->SetWritten(text);
    box->setText(text);
}

TSpinnerBox::TSpinnerBox(QLineEdit* box, TUpDown* upDown, int typingLimit, TNotANumber notANumber)
    : QObject(box), box_(box), upDown_(upDown), notANumber_(notANumber) {
    SetTypingLimit(box_, typingLimit);
    // The arrows stand beside the box, as high as it is.
    upDown_->setFixedHeight(box_->sizeHint().height());
    box_->installEventFilter(this);
    connect(upDown_, &TUpDown::ValueChanged, this, &TSpinnerBox::ShowValue);
    connect(upDown_, &TUpDown::Stepping, this, &TSpinnerBox::LeaveBox);
    connect(upDown_, &TUpDown::Stepped, this, &TSpinnerBox::ShowValue);
    ShowValue();
}

TNumberRule TSpinnerBox::Rule() const {
    return TNumberRule(upDown_->Minimum(), upDown_->Maximum(), notANumber_);
}

int TSpinnerBox::Value() const {
    return upDown_->Value();
}

void TSpinnerBox::SetValue(int value) {
    upDown_->SetValue(value);
    // Also when the value stays: the box may still hold text the user typed.
    ShowValue();
}

void TSpinnerBox::SetEnabled(bool enabled) {
    box_->setEnabled(enabled);
    upDown_->setEnabled(enabled);
}

void TSpinnerBox::LeaveBox() {
    const TNumberLeave leave = Rule().Leave(box_->text(), upDown_->Value());
    upDown_->SetValue(leave.value);
    if (leave.text) WriteNumberBox(box_, *leave.text);
}

void TSpinnerBox::ShowValue() {
    WriteNumberBox(box_, QString::number(upDown_->Value()));
}

bool TSpinnerBox::eventFilter(QObject* watched, QEvent* event) {
    if (watched == box_ && upDown_) {
        if (LeavesBox(event)) {
            LeaveBox();
        } else if (event->type() == QEvent::KeyPress) {
            const int key = static_cast<QKeyEvent*>(event)->key();
            if (key == Qt::Key_Up || key == Qt::Key_Down) {
                upDown_->StepBy(key == Qt::Key_Up ? 1 : -1);
                return true;
            }
        }
    }
    return QObject::eventFilter(watched, event);
}

TTrackBarBox::TTrackBarBox(QSlider* trackBar, QLineEdit* box, int typingLimit)
    : QObject(box), trackBar_(trackBar), box_(box) {
    SetTypingLimit(box_, typingLimit);
    box_->installEventFilter(this);
    connect(trackBar_, &QSlider::valueChanged, this, [this] {
        if (settingPosition_) return;
        ShowPosition();
        emit Changed(trackBar_->value());
    });
    ShowPosition();
}

TNumberRule TTrackBarBox::Rule() const {
    return TNumberRule(trackBar_->minimum(), trackBar_->maximum(), TNotANumber::ShowValue);
}

int TTrackBarBox::Position() const {
    return trackBar_->value();
}

void TTrackBarBox::SetPosition(int position) {
    settingPosition_ = true;
    trackBar_->setValue(Rule().Clamp(position));
    settingPosition_ = false;
    ShowPosition();
}

void TTrackBarBox::SetEnabled(bool enabled) {
    trackBar_->setEnabled(enabled);
    box_->setEnabled(enabled);
}

void TTrackBarBox::LeaveBox() {
    const TNumberLeave leave = Rule().Leave(box_->text(), trackBar_->value());
    SetPosition(leave.value);
    emit Changed(trackBar_->value());
}

void TTrackBarBox::ShowPosition() {
    WriteNumberBox(box_, QString::number(trackBar_->value()));
}

bool TTrackBarBox::eventFilter(QObject* watched, QEvent* event) {
    if (watched == box_ && trackBar_ && LeavesBox(event)) LeaveBox();
    return QObject::eventFilter(watched, event);
}

}  // namespace vellumora
