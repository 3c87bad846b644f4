#pragma once

// The main window on a scripted desktop, as the window tests drive it. A test's own rig
// derives from it for what only that test looks at.

#include <QAction>
#include <QTest>
#include <memory>

#include "forms/main/FormMain.h"
#include "support/FakePlatform.h"
#include "support/Modal.h"

namespace vellumora::test {

struct TMainWindow {
    TFakePlatform platform;
    TOpenPhotos photos;  // outlives the window, as in the program
    TFormMain form{platform, photos};

    QAction* Action(const QString& name) const { return form.findChild<QAction*>(name); }
    // "Open..." (or the command given) answered with path.
    void Open(const QString& path, const QString& command = QStringLiteral("MenuOpen")) {
        platform.openFiles.push_back(path);
        Action(command)->trigger();
    }
    void Key(QKeyCombination key) { QTest::keyClick(&form, key.key(), key.keyboardModifiers()); }
};

// A new window, 800 x 600, shown and active so that its keys work; null when the window
// system would not make it active.
template <class TWindow>
std::unique_ptr<TWindow> NewShownWindow() {
    auto window = std::make_unique<TWindow>();
    window->form.resize(800, 600);
    if (!ShowActive(&window->form)) return nullptr;
    return window;
}

}  // namespace vellumora::test
