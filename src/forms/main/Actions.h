#pragma once

// The main window's commands as one table. Each row is a menu item: where it stands, its
// caption, key, icon, when it is enabled and what it does. The actions, the menus, the
// popup and drop-down menus, the tool buttons and the dialogs are all built from it, so a
// new dialog is one row here (and its folder under forms/).

#include <QKeyCombination>
#include <QKeySequence>
#include <QList>
#include <array>
#include <functional>
#include <optional>
#include <utility>
#include <vector>

#include "forms/main/Icons.h"

class QAction;
class QDialog;
class QMenu;
class QToolBar;
class QToolButton;
class QWidget;

namespace vellumora {

class TFormMain;

// One per row of the table, grouped as the menus are.
// clang-format off
enum class TCommand {
    Open, Current, Save, Email, Clipboard, Close, All, Batch,
    First, Previous, Next, Last,
    Zoom33, Zoom50, Zoom67, Zoom100, Zoom150, Zoom200, Zoom300, ZoomIn, ZoomOut, Fit, FullScreen,
    Background, Exit,
    Undo, Redo, UndoClose,
    Resize, Crop, Clockwise, Counter, Horizontally, Vertically, Color, Watermark, Border,
    Add, Manage,
    Webpage,
    Contents, Homepage, About,
    Count
};
// clang-format on

// The menus of the menu bar and the submenus of File.
enum class TMenu { File, Go, Zoom, Edit, Actions, Templates, Tools, Help, Count };

// When a command is enabled. Commands enabled always are never disabled.
enum class TEnable {
    Always,
    WithPhoto,     // a photo is current
    WithPixels,    // a photo is current and its file did not fail to load
    WithPrevious,  // a photo is current and its button is not the first
    WithNext,      // a photo is current and its button is not the last
    WithUndo,      // the current photo has a change to take back
    WithRedo,      // the current photo has a change taken back to make again
    WithClosed,    // a close of photos is kept that Undo Close can take back
};

// What the enabled and checked states follow.
struct TCommandState {
    bool photo = false;
    bool failed = false;    // the current photo's file did not load
    bool previous = false;  // the first photo button is there and not pressed
    bool next = false;      // the last photo button is there and not pressed
    int zoom = 0;
    bool undo = false;
    bool redo = false;
    bool closed = false;  // a close can be taken back
};

// Where a command shows besides its menu, and how its key is read.
enum TCommandFlags : unsigned {
    kSeparatorAfter = 1,       // a separator follows it in its menu
    kInPopup = 2,              // an item of the photo area's popup menu, enabled alike
    kPopupSeparatorAfter = 4,  // a separator follows that popup item
    kInDropMenu = 8,           // an item of the Rotate button's drop-down menu, always enabled
    kShiftCounts = 16,         // the key works with Alt held too, but not with Shift
};

// Makes a command's dialog, owned by the window; made once, with the window.
using TDialogMaker = QDialog* (*)(TFormMain& form);

struct TCommandRow {
    TCommand id;
    const char* name;  // objectName, "Menu" + role; the popup and drop items are named
                       // "Popup" and "Drop" + role
    const char* caption;
    TMenu menu;
    // Works with Shift and Alt held too, unless kShiftCounts.
    QKeyCombination key = QKeyCombination();
    // A second key, read as key is.
    QKeyCombination key2 = QKeyCombination();
    unsigned flags = 0;
    TEnable enable = TEnable::Always;
    // The program's own icon (CommandIcon). Where the command is one the desktop has a
    // standard icon for (open, save), that icon of the desktop's theme comes first.
    const char* icon = nullptr;
    const char* themeIcon = nullptr;
    // A zoom item: checkable, sets the photo's zoom, checked while the photo has it.
    int zoom = 0;
    // What a click does; or the dialog it opens, or neither while that dialog is not built.
    // With both, the handler runs and opens the dialog itself (Dialog(), ShowDialogOf).
    std::function<void(TFormMain&)> click = nullptr;
    TDialogMaker dialog = nullptr;
};

// The key sequences a command's action answers to: its keys, and each with Shift, Alt or
// both where they do not count. Shift never is ignored on a key of a sign (+, =, -): on
// most keyboards Shift makes that sign from another key, and Qt offers a press of Ctrl,
// Shift and = as Ctrl++ as well as Ctrl+Shift++, so binding both makes the press ambiguous
// and Qt drops it.
QList<QKeySequence> CommandKeys(const TCommandRow& row);

// The actions of the window's commands, their menus and dialogs.
class TActions {
public:
    // Every command in menu order.
    static const std::vector<TCommandRow>& Rows();
    static const TCommandRow& Row(TCommand command);

    // Makes an action of the window for every row (its key works wherever the focus is),
    // the menus of the window's menu bar, in which each menu stands where its first item
    // comes, and the popup and drop-down menus.
    void Build(TFormMain& form);
    // Adds the buttons of the tool bar, by its objectName, from the button list.
    void AddToolButtons(QToolBar* bar);
    // Makes every row's dialog, in table order.
    void CreateDialogs(TFormMain& form);

    QAction* Action(TCommand command) const { return actions_[size_t(command)]; }
    QMenu* Menu(TMenu menu) const { return menus_[size_t(menu)]; }
    QMenu* PopupMenu() const { return popupMenu_; }
    QDialog* Dialog(TCommand command) const { return dialogs_[size_t(command)]; }
    // The items of the Templates menu after its fixed items and their separator: one per
    // stored template.
    QList<QAction*> TemplateItems() const;

    // Every enabled and checked state, of the commands and of what mirrors them.
    void Update(const TCommandState& state);
    // Gives the commands, and what shows them, the icons of that set (light or dark
    // window); Build starts with the set of the window's palette.
    void SetIconSet(TIconSet set);

private:
    std::array<QAction*, size_t(TCommand::Count)> actions_{};
    std::array<QMenu*, size_t(TMenu::Count)> menus_{};
    std::array<QDialog*, size_t(TCommand::Count)> dialogs_{};
    QMenu* popupMenu_ = nullptr;
    QMenu* dropMenu_ = nullptr;
    qsizetype fixedTemplateItems_ = 0;
    // Popup items and tool buttons, and the command whose enabled state each shows; the
    // drop-down items, which show their command's icon only.
    std::vector<std::pair<QAction*, QAction*>> twins_;
    std::vector<std::pair<QToolButton*, QAction*>> buttonTwins_;
    std::vector<std::pair<QAction*, QAction*>> dropTwins_;
    std::optional<TIconSet> iconSet_;
};

}  // namespace vellumora
