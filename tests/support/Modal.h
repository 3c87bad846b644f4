#pragma once

// Driving windows in widget tests without waiting on the clock.

#include <QObject>
#include <QString>
#include <functional>
#include <source_location>

class QWidget;

namespace vellumora::test {

// Shows a top-level window and makes it the active one, as a click on it would. False,
// naming the window, when it did not become active once the events that follow were
// delivered (a bounded number of rounds of the event loop, no clock).
bool ShowActive(QWidget* window);

// Drives the next modal window. Arm it before the command that opens the window, since
// that command does not return while the window is up. `act` runs on the window once the
// window's own event loop runs, however late the window is shown. A window that `act`
// leaves open is rejected, so that the command returns, and the test fails. When no modal
// window was shown by the time this goes out of scope, the test fails naming `what`,
// unless it was armed as Optional (a guard against a window that should not open).
class TWhenModal : public QObject {
public:
    enum TNeed { Required, Optional };

    TWhenModal(QString what, std::function<void(QWidget*)> act, TNeed need = Required,
               std::source_location where = std::source_location::current());
    ~TWhenModal() override;

    // Whether a modal window was shown and handed to act.
    bool Seen() const { return seen_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Run(QWidget* window, int passesLeft);
    void Fail(const QString& message) const;

    QString what_;
    std::function<void(QWidget*)> act_;
    TNeed need_;
    std::source_location where_;
    bool seen_ = false;
    int loopLevel_ = 0;  // the event-loop depth at which the window was shown
};

}  // namespace vellumora::test
