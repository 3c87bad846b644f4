#include "support/Modal.h"

#include <QApplication>
#include <QDialog>
#include <QEvent>
#include <QPointer>
#include <QTest>
#include <QThread>
#include <QWidget>

#include "support/TestSupport.h"

namespace vellumora::test {
namespace {

// Rounds of the event loop between a modal window's show and the start of its own loop;
// none are expected, so this only bounds a wait that would otherwise never end.
constexpr int kLoopStartPasses = 1000;

void Dismiss(QWidget* window) {
    if (auto* dialog = qobject_cast<QDialog*>(window))
        dialog->reject();
    else
        window->close();
}

}  // namespace

bool ShowActive(QWidget* window) {
    window->show();
    window->activateWindow();
    const QString what =
        QStringLiteral("%1 \"%2\" to become the active window")
            .arg(QString::fromLatin1(window->metaObject()->className()), window->objectName());
    return ProcessEventsUntil(what, [window] { return window->isActiveWindow(); });
}

TWhenModal::TWhenModal(QString what, std::function<void(QWidget*)> act, TNeed need,
                       std::source_location where)
    : what_(std::move(what)), act_(std::move(act)), need_(need), where_(where) {
    qApp->installEventFilter(this);
}

TWhenModal::~TWhenModal() {
    qApp->removeEventFilter(this);
    if (!seen_ && need_ == Required) Fail(QStringLiteral("no modal window was shown"));
}

bool TWhenModal::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::Show || seen_ || !watched->isWidgetType()) return false;
    auto* window = static_cast<QWidget*>(watched);
    if (!window->isWindow() || !window->isModal()) return false;
    // exec() shows the window and only then starts its loop: act from inside that loop,
    // where closing the window ends it.
    seen_ = true;
    qApp->removeEventFilter(this);
    loopLevel_ = QThread::currentThread()->loopLevel();
    QPointer<QWidget> guarded(window);
    QMetaObject::invokeMethod(
        this, [this, guarded] { Run(guarded, kLoopStartPasses); }, Qt::QueuedConnection);
    return false;
}

void TWhenModal::Run(QWidget* window, int passesLeft) {
    if (!window) return Fail(QStringLiteral("the window went away before it could be driven"));
    if (QThread::currentThread()->loopLevel() <= loopLevel_) {
        if (passesLeft == 0) {
            Fail(QStringLiteral("the window's event loop did not start"));
            return Dismiss(window);
        }
        QPointer<QWidget> guarded(window);
        QMetaObject::invokeMethod(
            this, [this, guarded, passesLeft] { Run(guarded, passesLeft - 1); },
            Qt::QueuedConnection);
        return;
    }
    QPointer<QWidget> guarded(window);
    act_(window);
    if (guarded && guarded->isVisible()) {
        Fail(QStringLiteral("the window was still open after the test's actions; rejected it"));
        Dismiss(guarded);
    }
}

void TWhenModal::Fail(const QString& message) const {
    QTest::qFail(qPrintable(what_ + QStringLiteral(": ") + message), where_.file_name(),
                 int(where_.line()));
}

}  // namespace vellumora::test
