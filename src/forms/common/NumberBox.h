#pragma once

// Number boxes: a text box paired with a spinner or a track bar. The user may type
// anything; leaving the box reads a decimal whole number, clamps it to the control's range
// and ignores text that is not a number. Whatever a dialog commits is read from the
// spinner or track bar, never from the text.
//
// The rules themselves are plain functions and a small value type (TNumberRule) so that
// they can be checked without widgets; TSpinnerBox and TTrackBarBox bind them to a
// QLineEdit and its control.

#include <QObject>
#include <QPointer>
#include <QSlider>
#include <QString>
#include <QWidget>
#include <optional>

class QLineEdit;
class QToolButton;

namespace vellumora {

// An optional minus sign, then one or more decimal digits 0-9, with nothing else in
// between. Characters of code 32 or below around the number are ignored (they are
// invisible in a box, and a stray space should not throw a typed value away); a plus
// sign, inner spaces, other scripts' digits, and values outside the range of int are not
// numbers.
std::optional<int> ParseWholeNumber(const QString& text);

// What a box does with text that is not a number when it is left.
enum class TNotANumber {
    ShowValue,  // the box is rewritten with the control's value
    KeepText,   // the text stays until the control's value next changes
};

// The outcome of leaving a number box.
struct TNumberLeave {
    int value = 0;                // the control's value afterwards
    std::optional<QString> text;  // what the box shows afterwards; none: leave the text as is
    bool operator==(const TNumberLeave&) const = default;
};

// The leave rule for one control's range. The range is normalised so that minimum <=
// maximum.
class TNumberRule {
public:
    TNumberRule(int minimum, int maximum, TNotANumber notANumber = TNotANumber::ShowValue);

    int Minimum() const { return minimum_; }
    int Maximum() const { return maximum_; }
    int Clamp(int value) const;
    // Leaving the box with text while the control holds value: a number sets the value,
    // clamped; text that is not a number leaves it. The box then shows the value, unless
    // this rule keeps text that is not a number.
    TNumberLeave Leave(const QString& text, int value) const;

private:
    int minimum_;
    int maximum_;
    TNotANumber notANumber_;
};

// The spinner's up and down arrows, without a text of their own. It holds a value within
// a range. The arrows, the mouse wheel over them and StepBy move the value; SetValue sets
// it. The arrows never take the keyboard focus, so clicking them does not leave the box.
class TUpDown : public QWidget {
    Q_OBJECT

public:
    explicit TUpDown(QWidget* parent = nullptr);

    int Value() const { return value_; }
    int Minimum() const { return minimum_; }
    int Maximum() const { return maximum_; }
    // Clamps the value into the new range (ValueChanged when that moves it).
    void SetRange(int minimum, int maximum);
    // Clamped to the range; ValueChanged when the value changes.
    void SetValue(int value);
    // A user's step: Stepping first, then the value moves by steps, clamped; Stepped
    // whether or not it moved (at the end of the range it cannot).
    void StepBy(int steps);

    QToolButton* UpButton() const { return up_; }
    QToolButton* DownButton() const { return down_; }

signals:
    void ValueChanged(int value);
    // Just before a user's step reads the value, so that a bound box can take its text.
    void Stepping();
    void Stepped(int value);

protected:
    void wheelEvent(QWheelEvent* event) override;

private:
    QToolButton* up_;
    QToolButton* down_;
    int minimum_ = 0;
    int maximum_ = 100;
    int value_ = 0;
    int wheelRemainder_ = 0;
};

// A box paired with an up-down spinner.
//  - The spinner's value changing, or any SetValue, shows the value in the box.
//  - Leaving the box (focus moving elsewhere in the window, or Enter) runs the spinner's
//    leave rule over its range.
//  - Up and Down in the box, and the arrows, first take the box's text as if it were left,
//    then step the spinner, so a typed value is stepped from and not lost.
//  - The box takes at most typingLimit typed characters; text the program writes may be
//    longer.
// The binding is a child of the box and lives as long as it does.
class TSpinnerBox : public QObject {
    Q_OBJECT

public:
    TSpinnerBox(QLineEdit* box, TUpDown* upDown, int typingLimit,
                TNotANumber notANumber = TNotANumber::ShowValue);

    QLineEdit* Box() const { return box_; }
    TUpDown* UpDown() const { return upDown_; }
    TNumberRule Rule() const;

    // The spinner's value: what a dialog commits.
    int Value() const;
    // Sets the spinner (clamped) and shows its value in the box.
    void SetValue(int value);
    // Enables or disables the box and the spinner together.
    void SetEnabled(bool enabled);
    // The leave rule, as focus leaving the box runs it.
    void LeaveBox();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void ShowValue();

    QLineEdit* box_;
    // The spinner may be destroyed before the box that owns this binding.
    QPointer<TUpDown> upDown_;
    TNotANumber notANumber_;
};

// A box paired with a track bar.
//  - The user moving the track bar writes its position into the box and raises Changed,
//    on which the dialog refreshes its preview.
//  - Leaving the box runs the track-bar rule: a number sets the position, clamped; then
//    the box is rewritten with the position whatever the text was, and Changed is raised.
//  - SetPosition (the program setting the bar, as on show) writes the box but does not
//    raise Changed: the dialog refreshes its preview once when it has set all its bars.
//  - The box takes at most typingLimit typed characters; text the program writes may be
//    longer.
// The binding is a child of the box and lives as long as it does.
class TTrackBarBox : public QObject {
    Q_OBJECT

public:
    TTrackBarBox(QSlider* trackBar, QLineEdit* box, int typingLimit);

    QSlider* TrackBar() const { return trackBar_; }
    QLineEdit* Box() const { return box_; }
    TNumberRule Rule() const;

    int Position() const;
    void SetPosition(int position);
    void SetEnabled(bool enabled);
    void LeaveBox();

signals:
    void Changed(int position);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void ShowPosition();

    QPointer<QSlider> trackBar_;
    QLineEdit* box_;
    bool settingPosition_ = false;
};

// Limits what the user can type into box to limit characters. Text the program puts in
// with WriteNumberBox stays whole even when longer, and may be shortened by the user.
// The box needs no setMaxLength (which would cut the program's text too).
void SetTypingLimit(QLineEdit* box, int limit);
// Writes text into a box limited by SetTypingLimit, past the limit if need be.
void WriteNumberBox(QLineEdit* box, const QString& text);

}  // namespace vellumora
