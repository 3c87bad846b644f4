#include "forms/main/Actions.h"

#include <QAction>
#include <QActionGroup>
#include <QIcon>
#include <QMenu>
#include <QMenuBar>
#include <QToolBar>
#include <QToolButton>
#include <algorithm>
#include <optional>
#include <type_traits>

#include "forms/album/FormWebpage.h"
#include "forms/batch/FormBatch.h"
#include "forms/border/FormBorder.h"
#include "forms/color/FormColor.h"
#include "forms/crop/FormCrop.h"
#include "forms/main/FormAbout.h"
#include "forms/main/FormMain.h"
#include "forms/resize/FormResize.h"
#include "forms/templates/FormAdd.h"
#include "forms/templates/FormManage.h"
#include "forms/watermark/FormWatermark.h"
#include "photos/stages/Stages.h"

namespace vellumora {
namespace {

// A dialog on the window's photo; one that asks the desktop (font or colour choosers)
// gets the window's platform too.
template <class TDialog>
QDialog* PhotoDialog(TFormMain& form) {
    if constexpr (std::is_constructible_v<TDialog, TPhoto&, TPlatform&, QWidget*>)
        return new TDialog(form.Photo(), form.Platform(), &form);
    else
        return new TDialog(form.Photo(), &form);
}

QDialog* AboutDialog(TFormMain& form) {
    return new TFormAbout(&form);
}

QDialog* AddDialog(TFormMain& form) {
    return new TFormAdd(&form);
}

QDialog* ManageDialog(TFormMain& form) {
    return new TFormManage(form.Platform(), &form);
}

QDialog* WebpageDialog(TFormMain& form) {
    return new TFormWebpage(form.Platform(), &form);
}

struct TMenuRow {
    const char* name;
    const char* caption;
    std::optional<TMenu> parent;  // none: the menu bar
};

// By TMenu.
const TMenuRow kMenus[] = {
    {"MenuFile", "&File", std::nullopt},       {"MenuGo", "&Go To", TMenu::File},
    {"MenuZoom", "&Zoom", TMenu::File},        {"MenuEdit", "&Edit", std::nullopt},
    {"MenuActions", "&Actions", std::nullopt}, {"MenuTemplates", "&Templates", std::nullopt},
    {"MenuTools", "T&ools", std::nullopt},     {"MenuHelp", "&Help", std::nullopt},
};
static_assert(std::size(kMenus) == size_t(TMenu::Count));

// A tool button that clicks its command and so is enabled exactly when the command is; its
// hint becomes the command's tool tip. The drop-down button shows the command's icon and
// opens the drop-down menu instead.
struct TToolButtonRow {
    const char* bar;
    const char* name;
    TCommand command;
    const char* hint;
    bool dropDown = false;
};

const TToolButtonRow kToolButtons[] = {
    {"ToolBarButtons", "ToolButtonOpen", TCommand::Open, "Open"},
    {"ToolBarButtons", "ToolButtonSave", TCommand::Save, "Save As"},
    {"ToolBarButtons", "ToolButtonResize", TCommand::Resize, "Resize"},
    {"ToolBarButtons", "ToolButtonRotate", TCommand::Clockwise, "Rotate", true},
    {"ToolBarButtons", "ToolButtonWatermark", TCommand::Watermark, "Watermark"},
    {"ToolBarButtons", "ToolButtonBorder", TCommand::Border, "Border"},
    {"ToolBarTools", "ToolButtonWebpage", TCommand::Webpage, "HTML Webpage Maker"},
};

// A key that stands for a sign rather than a letter, a digit or a named key.
bool IsSign(Qt::Key key) {
    const auto in = [key](Qt::Key first, Qt::Key last) { return key >= first && key <= last; };
    return in(Qt::Key_Exclam, Qt::Key_Slash) || in(Qt::Key_Colon, Qt::Key_At) ||
           in(Qt::Key_BracketLeft, Qt::Key_QuoteLeft) || in(Qt::Key_BraceLeft, Qt::Key_AsciiTilde);
}

// The key, and the key with Shift, Alt or both where they do not count.
QList<QKeySequence> Shortcuts(QKeyCombination key, Qt::KeyboardModifiers ignored) {
    if (IsSign(key.key())) ignored &= ~Qt::ShiftModifier;
    QList<QKeySequence> keys;
    for (const Qt::KeyboardModifiers extra :
         {Qt::KeyboardModifiers(), Qt::KeyboardModifiers(Qt::ShiftModifier),
          Qt::KeyboardModifiers(Qt::AltModifier), Qt::ShiftModifier | Qt::AltModifier})
        if ((extra & ignored) == extra)
            keys << QKeySequence(QKeyCombination(key.keyboardModifiers() | extra, key.key()));
    return keys;
}

bool Holds(TEnable rule, const TCommandState& state) {
    switch (rule) {
        case TEnable::Always:
            return true;
        case TEnable::WithPhoto:
            return state.photo;
        case TEnable::WithPixels:
            return state.photo && !state.failed;
        case TEnable::WithPrevious:
            return state.photo && state.previous;
        case TEnable::WithNext:
            return state.photo && state.next;
        case TEnable::WithUndo:
            return state.photo && state.undo;
        case TEnable::WithRedo:
            return state.photo && state.redo;
        case TEnable::WithClosed:
            return state.closed;
    }
    return false;
}

// An item of the popup or drop-down menu that clicks the command's action.
QAction* NewTwin(QObject* owner, const char* prefix, const TCommandRow& row, QAction* target) {
    auto* twin = new QAction(target->text(), owner);
    // The command's role, after "Menu".
    twin->setObjectName(QLatin1String(prefix) + QLatin1String(row.name).mid(4));
    QObject::connect(twin, &QAction::triggered, target, &QAction::trigger);
    return twin;
}

}  // namespace

QList<QKeySequence> CommandKeys(const TCommandRow& row) {
    const Qt::KeyboardModifiers ignored = row.flags & kShiftCounts
                                              ? Qt::KeyboardModifiers(Qt::AltModifier)
                                              : Qt::ShiftModifier | Qt::AltModifier;
    QList<QKeySequence> keys;
    for (const QKeyCombination key : {row.key, row.key2})
        if (key != QKeyCombination()) keys << Shortcuts(key, ignored);
    return keys;
}

const std::vector<TCommandRow>& TActions::Rows() {
    using TForm = TFormMain;
    const auto orient = [](TCommand command, int (*turn)(int)) {
        return [command, turn](TFormMain& form) { form.Orient(command, turn); };
    };
    // clang-format off
    static const std::vector<TCommandRow> rows = {
        {.id = TCommand::Open, .name = "MenuOpen", .caption = "Open...", .menu = TMenu::File,
         .key = Qt::CTRL | Qt::Key_O, .flags = kShiftCounts,
         .icon = "open", .themeIcon = "document-open",
         .click = &TForm::MenuOpenClick},
        {.id = TCommand::Current, .name = "MenuCurrent", .caption = "Open with Current Settings...",
         .menu = TMenu::File, .key = Qt::CTRL | Qt::SHIFT | Qt::Key_O,
         .flags = kShiftCounts | kSeparatorAfter, .enable = TEnable::WithPhoto,
         .click = &TForm::MenuCurrentClick},
        {.id = TCommand::Save, .name = "MenuSave", .caption = "Save As...", .menu = TMenu::File,
         .key = Qt::CTRL | Qt::Key_S, .flags = kInPopup, .enable = TEnable::WithPixels,
         .icon = "save", .themeIcon = "document-save-as",
         .click = &TForm::MenuSaveClick},
        {.id = TCommand::Email, .name = "MenuEmail", .caption = "Send Email To...",
         .menu = TMenu::File, .key = Qt::CTRL | Qt::Key_E, .flags = kInPopup,
         .enable = TEnable::WithPixels, .click = &TForm::MenuEmailClick},
        {.id = TCommand::Clipboard, .name = "MenuClipboard", .caption = "Copy to Clipboard",
         .menu = TMenu::File, .flags = kInPopup, .enable = TEnable::WithPixels,
         .click = &TForm::MenuClipboardClick},
        {.id = TCommand::Close, .name = "MenuClose", .caption = "Close", .menu = TMenu::File,
         .key = Qt::Key_Delete, .flags = kInPopup | kPopupSeparatorAfter,
         .enable = TEnable::WithPhoto, .click = &TForm::MenuCloseClick},
        {.id = TCommand::All, .name = "MenuAll", .caption = "Close All", .menu = TMenu::File,
         .key = Qt::CTRL | Qt::Key_Delete, .flags = kSeparatorAfter,
         .enable = TEnable::WithPhoto, .click = &TForm::MenuAllClick},
        {.id = TCommand::Batch, .name = "MenuBatch", .caption = "Batch with Current Settings...",
         .menu = TMenu::File, .key = Qt::CTRL | Qt::Key_T,
         .flags = kShiftCounts | kSeparatorAfter, .enable = TEnable::WithPhoto,
         .dialog = PhotoDialog<TFormBatch>},

        {.id = TCommand::First, .name = "MenuFirst", .caption = "First", .menu = TMenu::Go,
         .key = Qt::Key_Home, .enable = TEnable::WithPhoto, .click = &TForm::MenuFirstClick},
        {.id = TCommand::Previous, .name = "MenuPrevious", .caption = "Previous", .menu = TMenu::Go,
         .key = Qt::Key_PageUp, .enable = TEnable::WithPrevious,
         .click = &TForm::MenuPreviousClick},
        {.id = TCommand::Next, .name = "MenuNext", .caption = "Next", .menu = TMenu::Go,
         .key = Qt::Key_PageDown, .enable = TEnable::WithNext, .click = &TForm::MenuNextClick},
        {.id = TCommand::Last, .name = "MenuLast", .caption = "Last", .menu = TMenu::Go,
         .key = Qt::Key_End, .enable = TEnable::WithPhoto, .click = &TForm::MenuLastClick},

        {.id = TCommand::Zoom33, .name = "Menu33", .caption = "33%", .menu = TMenu::Zoom, .zoom = 33},
        {.id = TCommand::Zoom50, .name = "Menu50", .caption = "50%", .menu = TMenu::Zoom, .zoom = 50},
        {.id = TCommand::Zoom67, .name = "Menu67", .caption = "67%", .menu = TMenu::Zoom, .zoom = 67},
        {.id = TCommand::Zoom100, .name = "Menu100", .caption = "Actual Size", .menu = TMenu::Zoom,
         .zoom = 100},
        {.id = TCommand::Zoom150, .name = "Menu150", .caption = "150%", .menu = TMenu::Zoom,
         .zoom = 150},
        {.id = TCommand::Zoom200, .name = "Menu200", .caption = "200%", .menu = TMenu::Zoom,
         .zoom = 200},
        {.id = TCommand::Zoom300, .name = "Menu300", .caption = "300%", .menu = TMenu::Zoom,
         .flags = kSeparatorAfter, .zoom = 300},
        {.id = TCommand::ZoomIn, .name = "MenuZoomIn", .caption = "Zoom In", .menu = TMenu::Zoom,
         .key = Qt::CTRL | Qt::Key_Plus, .key2 = Qt::CTRL | Qt::Key_Equal,
         .click = &TForm::MenuZoomInClick},
        {.id = TCommand::ZoomOut, .name = "MenuZoomOut", .caption = "Zoom Out",
         .menu = TMenu::Zoom, .key = Qt::CTRL | Qt::Key_Minus, .click = &TForm::MenuZoomOutClick},
        {.id = TCommand::Fit, .name = "MenuFit", .caption = "Fit to Window", .menu = TMenu::Zoom,
         .key = Qt::CTRL | Qt::Key_0, .flags = kSeparatorAfter, .enable = TEnable::WithPhoto,
         .click = &TForm::MenuFitClick},
        {.id = TCommand::FullScreen, .name = "MenuFullScreen", .caption = "Full Screen",
         .menu = TMenu::Zoom, .key = Qt::Key_F11, .click = &TForm::MenuFullScreenClick},

        {.id = TCommand::Background, .name = "MenuBackground", .caption = "Background Color...",
         .menu = TMenu::File, .flags = kSeparatorAfter, .click = &TForm::MenuBackgroundClick},
        {.id = TCommand::Exit, .name = "MenuExit", .caption = "Exit", .menu = TMenu::File,
         .key = Qt::CTRL | Qt::Key_Q, .click = &QWidget::close},

        // Their captions name the step: "Undo Resize".
        {.id = TCommand::Undo, .name = "MenuUndo", .caption = "Undo", .menu = TMenu::Edit,
         .key = Qt::CTRL | Qt::Key_Z, .flags = kShiftCounts, .enable = TEnable::WithUndo,
         .click = &TForm::MenuUndoClick},
        {.id = TCommand::Redo, .name = "MenuRedo", .caption = "Redo", .menu = TMenu::Edit,
         .key = Qt::CTRL | Qt::SHIFT | Qt::Key_Z, .key2 = Qt::CTRL | Qt::Key_Y,
         .flags = kShiftCounts | kSeparatorAfter, .enable = TEnable::WithRedo,
         .click = &TForm::MenuRedoClick},
        // The photos of the last Close or Close All, as they were; the key of reopening
        // a closed tab in web browsers.
        {.id = TCommand::UndoClose, .name = "MenuUndoClose", .caption = "Undo Close",
         .menu = TMenu::Edit, .key = Qt::CTRL | Qt::SHIFT | Qt::Key_T, .flags = kShiftCounts,
         .enable = TEnable::WithClosed, .click = &TForm::MenuUndoCloseClick},

        {.id = TCommand::Resize, .name = "MenuResize", .caption = "Resize...",
         .menu = TMenu::Actions, .key = Qt::CTRL | Qt::Key_R, .flags = kInPopup,
         .enable = TEnable::WithPixels, .icon = "resize", .dialog = PhotoDialog<TFormResize>},
        {.id = TCommand::Crop, .name = "MenuCrop", .caption = "Crop...", .menu = TMenu::Actions,
         .key = Qt::CTRL | Qt::Key_C, .flags = kSeparatorAfter | kInPopup | kPopupSeparatorAfter,
         .enable = TEnable::WithPixels, .icon = "crop", .dialog = PhotoDialog<TFormCrop>},
        {.id = TCommand::Clockwise, .name = "MenuClockwise", .caption = "Rotate Clockwise",
         .menu = TMenu::Actions, .key = Qt::CTRL | Qt::Key_Right,
         .flags = kInPopup | kInDropMenu, .enable = TEnable::WithPhoto,
         .icon = "rotate",
         .click = orient(TCommand::Clockwise, RotateClockwise)},
        {.id = TCommand::Counter, .name = "MenuCounter", .caption = "Rotate Counter Clockwise",
         .menu = TMenu::Actions, .key = Qt::CTRL | Qt::Key_Left,
         .flags = kInPopup | kInDropMenu, .enable = TEnable::WithPhoto,
         .click = orient(TCommand::Counter, RotateCounterClockwise)},
        {.id = TCommand::Horizontally, .name = "MenuHorizontally", .caption = "Flip Horizontally",
         .menu = TMenu::Actions, .flags = kInPopup | kInDropMenu, .enable = TEnable::WithPhoto,
         .click = orient(TCommand::Horizontally, FlipHorizontally)},
        {.id = TCommand::Vertically, .name = "MenuVertically", .caption = "Flip Vertically",
         .menu = TMenu::Actions,
         .flags = kSeparatorAfter | kInPopup | kPopupSeparatorAfter | kInDropMenu,
         .enable = TEnable::WithPhoto, .click = orient(TCommand::Vertically, FlipVertically)},
        {.id = TCommand::Color, .name = "MenuColor", .caption = "Color Balance...",
         .menu = TMenu::Actions, .flags = kSeparatorAfter | kInPopup | kPopupSeparatorAfter,
         .enable = TEnable::WithPixels, .icon = "color", .dialog = PhotoDialog<TFormColor>},
        {.id = TCommand::Watermark, .name = "MenuWatermark", .caption = "Watermark...",
         .menu = TMenu::Actions, .key = Qt::CTRL | Qt::Key_W, .flags = kInPopup,
         .enable = TEnable::WithPixels, .icon = "watermark", .dialog = PhotoDialog<TFormWatermark>},
        {.id = TCommand::Border, .name = "MenuBorder", .caption = "Border...",
         .menu = TMenu::Actions, .key = Qt::CTRL | Qt::Key_B, .flags = kInPopup,
         .enable = TEnable::WithPixels, .icon = "border", .dialog = PhotoDialog<TFormBorder>},

        // The stored templates follow these two, after a separator.
        {.id = TCommand::Add, .name = "MenuAdd", .caption = "Add to Templates...",
         .menu = TMenu::Templates, .key = Qt::CTRL | Qt::Key_A, .enable = TEnable::WithPhoto,
         .click = &TForm::MenuAddClick, .dialog = AddDialog},
        {.id = TCommand::Manage, .name = "MenuManage", .caption = "Manage Templates...",
         .menu = TMenu::Templates, .flags = kSeparatorAfter, .click = &TForm::MenuManageClick,
         .dialog = ManageDialog},

        {.id = TCommand::Webpage, .name = "MenuWebpage", .caption = "HTML Webpage Maker...",
         .menu = TMenu::Tools, .enable = TEnable::WithPhoto, .icon = "webpage",
         .click = &TForm::MenuWebpageClick,
         .dialog = WebpageDialog},

        {.id = TCommand::Contents, .name = "MenuContents", .caption = "Help Contents and Index",
         .menu = TMenu::Help, .key = Qt::Key_F1, .flags = kSeparatorAfter,
         .click = &TForm::MenuContentsClick},
        {.id = TCommand::Homepage, .name = "MenuHomepage", .caption = "Vellumora Homepage",
         .menu = TMenu::Help, .flags = kSeparatorAfter, .click = &TForm::MenuHomepageClick},
        {.id = TCommand::About, .name = "MenuAbout", .caption = "About...", .menu = TMenu::Help,
         .dialog = AboutDialog},
    };
    // clang-format on
    return rows;
}

const TCommandRow& TActions::Row(TCommand command) {
    static const std::array<const TCommandRow*, size_t(TCommand::Count)> byCommand = [] {
        std::array<const TCommandRow*, size_t(TCommand::Count)> index{};
        for (const TCommandRow& row : Rows()) index[size_t(row.id)] = &row;
        Q_ASSERT(std::find(index.begin(), index.end(), nullptr) == index.end());
        return index;
    }();
    return *byCommand[size_t(command)];
}

void TActions::Build(TFormMain& form) {
    const auto menu = [this, &form](TMenu id, const auto& self) -> QMenu* {
        QMenu*& made = menus_[size_t(id)];
        if (made) return made;
        const TMenuRow& row = kMenus[size_t(id)];
        made = new QMenu(QLatin1String(row.caption), &form);
        made->setObjectName(QLatin1String(row.name));
        if (row.parent)
            self(*row.parent, self)->addMenu(made);
        else
            form.menuBar()->addMenu(made);
        return made;
    };

    auto* zoomGroup = new QActionGroup(&form);
    for (const TCommandRow& row : Rows()) {
        auto* action = new QAction(QLatin1String(row.caption), &form);
        action->setObjectName(QLatin1String(row.name));
        // Shortcuts work from anywhere in the window, whichever widget has the focus.
        form.addAction(action);
        actions_[size_t(row.id)] = action;

        if (row.key != QKeyCombination()) action->setShortcuts(CommandKeys(row));
        if (row.zoom) {
            action->setCheckable(true);
            zoomGroup->addAction(action);
            QObject::connect(action, &QAction::triggered, &form,
                             [&form, zoom = row.zoom] { form.ZoomKeepingCentre(zoom); });
        }
        if (row.click)
            QObject::connect(action, &QAction::triggered, &form,
                             [&form, &click = row.click] { click(form); });
        // A row with both a handler and a dialog opens the dialog from its handler.
        if (row.dialog && !row.click)
            QObject::connect(action, &QAction::triggered, &form,
                             [&form, id = row.id] { form.ShowDialogOf(id); });

        QMenu* parent = menu(row.menu, menu);
        parent->addAction(action);
        if (row.flags & kSeparatorAfter) parent->addSeparator();
    }
    fixedTemplateItems_ = Menu(TMenu::Templates)->actions().size();

    popupMenu_ = new QMenu(&form);
    popupMenu_->setObjectName(QStringLiteral("PopupMenu"));
    for (const TCommandRow& row : Rows()) {
        if (!(row.flags & kInPopup)) continue;
        QAction* twin = NewTwin(&form, "Popup", row, Action(row.id));
        twins_.emplace_back(twin, Action(row.id));
        popupMenu_->addAction(twin);
        if (row.flags & kPopupSeparatorAfter) popupMenu_->addSeparator();
    }

    // Always enabled: with no photo they reach disabled items, which do nothing.
    dropMenu_ = new QMenu(&form);
    dropMenu_->setObjectName(QStringLiteral("DropMenu"));
    for (const TCommandRow& row : Rows()) {
        if (!(row.flags & kInDropMenu)) continue;
        QAction* twin = NewTwin(&form, "Drop", row, Action(row.id));
        dropTwins_.emplace_back(twin, Action(row.id));
        dropMenu_->addAction(twin);
    }
    SetIconSet(IconSetFor(form.palette()));
}

void TActions::AddToolButtons(QToolBar* bar) {
    for (const TToolButtonRow& row : kToolButtons) {
        if (bar->objectName() != QLatin1String(row.bar)) continue;
        QAction* command = Action(row.command);
        auto* button = new QToolButton(bar);
        button->setObjectName(QLatin1String(row.name));
        button->setAutoRaise(true);
        button->setIconSize(bar->iconSize());
        button->setToolButtonStyle(bar->toolButtonStyle());
        bar->addWidget(button);
        if (row.dropDown) {
            button->setIcon(command->icon());
            button->setToolTip(QLatin1String(row.hint));
            // An icon and no text: a screen reader says the hint.
            button->setAccessibleName(QLatin1String(row.hint));
            button->setMenu(dropMenu_);
            // The face opens the menu too: the button has no command of its own.
            button->setPopupMode(QToolButton::InstantPopup);
            buttonTwins_.emplace_back(button, command);
        } else {
            if (bar->toolButtonStyle() != Qt::ToolButtonIconOnly)
                command->setIconText(QLatin1String(row.hint));
            command->setToolTip(QLatin1String(row.hint));
            button->setDefaultAction(command);
        }
    }
}

void TActions::CreateDialogs(TFormMain& form) {
    for (const TCommandRow& row : Rows())
        if (row.dialog) dialogs_[size_t(row.id)] = row.dialog(form);
}

QList<QAction*> TActions::TemplateItems() const {
    return Menu(TMenu::Templates)->actions().mid(fixedTemplateItems_);
}

void TActions::Update(const TCommandState& state) {
    for (const TCommandRow& row : Rows()) {
        if (row.enable != TEnable::Always) Action(row.id)->setEnabled(Holds(row.enable, state));
        if (row.zoom) Action(row.id)->setChecked(state.zoom == row.zoom);
    }
    for (QAction* item : TemplateItems()) item->setEnabled(state.photo);
    for (const auto& [twin, item] : twins_) twin->setEnabled(item->isEnabled());
    for (const auto& [button, item] : buttonTwins_) button->setEnabled(item->isEnabled());
}

void TActions::SetIconSet(TIconSet set) {
    if (iconSet_ == set || !Action(TCommand::Open)) return;  // the same set, or not built yet
    iconSet_ = set;
    for (const TCommandRow& row : Rows()) {
        if (!row.icon) continue;
        const QString themed = QLatin1String(row.themeIcon);
        Action(row.id)->setIcon(row.themeIcon && QIcon::hasThemeIcon(themed)
                                    ? QIcon::fromTheme(themed)
                                    : CommandIcon(QLatin1String(row.icon), set));
    }
    for (const auto& [twin, item] : twins_) twin->setIcon(item->icon());
    for (const auto& [twin, item] : dropTwins_) twin->setIcon(item->icon());
    for (const auto& [button, item] : buttonTwins_) button->setIcon(item->icon());
}

}  // namespace vellumora
