#include "forms/main/FormMain.h"

#include <QAction>
#include <QActionGroup>
#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QIcon>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QScrollArea>
#include <QScrollBar>
#include <QStatusBar>
#include <QStyle>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QUrl>
#include <optional>

#include "codec/Codec.h"
#include "forms/common/EditDialog.h"
#include "forms/main/FormAbout.h"
#include "forms/resize/FormResize.h"
#include "forms/main/Help.h"
#include "photos/settings/Color.h"
#include "photos/settings/IniFile.h"
#include "forms/main/PhotoView.h"
#include "forms/common/Platform.h"
#include "photos/settings/ProgramFolder.h"
#include "photos/stages/Stages.h"

namespace vellumora {
namespace {

const QString kTitle = QStringLiteral("Vellumora");
const QString kSettingsSection = QStringLiteral("APPLICAITON");  // sic: the file's own spelling
const QString kBackgroundKey = QStringLiteral("BACKGROUND");
constexpr TColor kClWindow = 0xFF000005;
constexpr int kZooms[] = {33, 50, 67, 100, 150, 200, 300};

// The keys of the keyboard table do the same with Shift or Alt held.
QList<QKeySequence> IgnoringShiftAlt(QKeyCombination key) {
    const Qt::KeyboardModifiers base = key.keyboardModifiers();
    const Qt::Key code = key.key();
    return {QKeySequence(QKeyCombination(base, code)),
            QKeySequence(QKeyCombination(base | Qt::ShiftModifier, code)),
            QKeySequence(QKeyCombination(base | Qt::AltModifier, code)),
            QKeySequence(QKeyCombination(base | Qt::ShiftModifier | Qt::AltModifier, code))};
}

// One filter entry with every pattern the codec reads.
QString OpenFilter() {
    QStringList patterns;
    for (const QString& suffix : ReadableSuffixes()) patterns << QStringLiteral("*.") + suffix;
    return QStringLiteral("All Photos (") + patterns.join(QLatin1Char(' ')) + QLatin1Char(')');
}

// A theme icon where the desktop has one, else one of the style's own.
QIcon ToolIcon(const QWidget* widget, const char* themeName, QStyle::StandardPixmap fallback) {
    return QIcon::fromTheme(QLatin1String(themeName), widget->style()->standardIcon(fallback));
}

}  // namespace

QString ApplicationSettingsFile() {
    return ProgramFolder() + QStringLiteral("/Vellumora.dat");
}

TFormMain::TFormMain(TPlatform& platform, QWidget* parent)
    : QMainWindow(parent), platform_(platform) {
    setObjectName(QStringLiteral("FormMain"));
    setWindowTitle(kTitle);
    resize(576, 395);
    setAcceptDrops(true);

    CreateActions();
    CreateMenus();
    CreateToolBars();
    CreatePhotoArea();
    CreateStatusBar();
    CreateDialogs();

    connect(&photo_, &TPhoto::Changed, this, &TFormMain::PhotoChange);
    connect(&photo_, &TPhoto::ErrorReported, this,
            [this](const QString& message) { platform_.ShowError(this, message); });
    ReadBackground();
    UpdateControls();
}

// The dialogs and the view hold references to the photo, a member that would otherwise
// go before the base class frees them.
TFormMain::~TFormMain() {
    photo_.disconnect(this);
    scrollBox_->viewport()->removeEventFilter(this);
    const auto children = findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
    for (QWidget* child : children) delete child;
}

QAction* TFormMain::NewAction(const char* name, const QString& caption) {
    auto* action = new QAction(caption, this);
    action->setObjectName(QLatin1String(name));
    // Shortcuts work from anywhere in the window, whichever widget has the focus.
    addAction(action);
    return action;
}

QAction* TFormMain::NewForwarder(const char* name, QAction* target, bool mirrorEnabled) {
    auto* action = new QAction(target->text(), this);
    action->setObjectName(QLatin1String(name));
    action->setIcon(target->icon());
    connect(action, &QAction::triggered, target, &QAction::trigger);
    if (mirrorEnabled) twins_.emplace_back(action, target);
    return action;
}

void TFormMain::CreateActions() {
    const auto command = [this](const char* name, const QString& caption, auto handler) {
        QAction* action = NewAction(name, caption);
        connect(action, &QAction::triggered, this, handler);
        return action;
    };

    menuOpen_ = command("MenuOpen", QStringLiteral("Open..."), &TFormMain::MenuOpenClick);
    // Shift is what tells the two Ctrl+O commands apart; Alt still does not count.
    menuOpen_->setShortcuts(
        {QKeySequence(Qt::CTRL | Qt::Key_O), QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_O)});
    menuCurrent_ = command("MenuCurrent", QStringLiteral("Open with Current Settings..."),
                           &TFormMain::MenuCurrentClick);
    menuCurrent_->setShortcuts({QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_O),
                                QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::ALT | Qt::Key_O)});
    menuSave_ = command("MenuSave", QStringLiteral("Save As..."), &TFormMain::MenuSaveClick);
    menuSave_->setShortcuts(IgnoringShiftAlt(Qt::CTRL | Qt::Key_S));
    menuEmail_ =
        command("MenuEmail", QStringLiteral("Send Email To..."), &TFormMain::MenuEmailClick);
    menuEmail_->setShortcuts(IgnoringShiftAlt(Qt::CTRL | Qt::Key_E));
    menuClipboard_ = command("MenuClipboard", QStringLiteral("Copy to Clipboard"),
                             &TFormMain::MenuClipboardClick);
    menuClose_ = command("MenuClose", QStringLiteral("Close"), &TFormMain::MenuCloseClick);
    menuClose_->setShortcuts(IgnoringShiftAlt(QKeyCombination(Qt::Key_Delete)));
    menuAll_ = command("MenuAll", QStringLiteral("Close All"), &TFormMain::MenuAllClick);
    menuAll_->setShortcuts(IgnoringShiftAlt(Qt::CTRL | Qt::Key_Delete));
    menuBatch_ = NewAction("MenuBatch", QStringLiteral("Batch with Current Settings..."));
    menuBatch_->setShortcuts(IgnoringShiftAlt(Qt::CTRL | Qt::Key_T));
    menuBackground_ = command("MenuBackground", QStringLiteral("Background Color..."),
                              &TFormMain::MenuBackgroundClick);
    menuExit_ = command("MenuExit", QStringLiteral("Exit"), &QWidget::close);

    menuFirst_ = command("MenuFirst", QStringLiteral("First"), &TFormMain::MenuFirstClick);
    menuFirst_->setShortcuts(IgnoringShiftAlt(QKeyCombination(Qt::Key_Home)));
    menuPrevious_ =
        command("MenuPrevious", QStringLiteral("Previous"), &TFormMain::MenuPreviousClick);
    menuPrevious_->setShortcuts(IgnoringShiftAlt(QKeyCombination(Qt::Key_PageUp)));
    menuNext_ = command("MenuNext", QStringLiteral("Next"), &TFormMain::MenuNextClick);
    menuNext_->setShortcuts(IgnoringShiftAlt(QKeyCombination(Qt::Key_PageDown)));
    menuLast_ = command("MenuLast", QStringLiteral("Last"), &TFormMain::MenuLastClick);
    menuLast_->setShortcuts(IgnoringShiftAlt(QKeyCombination(Qt::Key_End)));

    zoomGroup_ = new QActionGroup(this);
    const std::pair<const char*, const char*> zoomNames[] = {
        {"Menu33", "33%"},   {"Menu50", "50%"},   {"Menu67", "67%"},  {"Menu100", "Actual Size"},
        {"Menu150", "150%"}, {"Menu200", "200%"}, {"Menu300", "300%"}};
    for (size_t i = 0; i < std::size(kZooms); ++i) {
        QAction* item = NewAction(zoomNames[i].first, QLatin1String(zoomNames[i].second));
        item->setCheckable(true);
        zoomGroup_->addAction(item);
        connect(item, &QAction::triggered, this,
                [this, zoom = kZooms[i]] { photo_.SetZoom(zoom); });
        zoomItems_.push_back(item);
    }

    menuResize_ = NewAction("MenuResize", QStringLiteral("Resize..."));
    menuResize_->setShortcuts(IgnoringShiftAlt(Qt::CTRL | Qt::Key_R));
    menuCrop_ = NewAction("MenuCrop", QStringLiteral("Crop..."));
    menuCrop_->setShortcuts(IgnoringShiftAlt(Qt::CTRL | Qt::Key_C));
    menuClockwise_ = command("MenuClockwise", QStringLiteral("Rotate Clockwise"),
                             [this] { Orient(RotateClockwise); });
    menuClockwise_->setShortcuts(IgnoringShiftAlt(Qt::CTRL | Qt::Key_Right));
    menuCounter_ = command("MenuCounter", QStringLiteral("Rotate Counter Clockwise"),
                           [this] { Orient(RotateCounterClockwise); });
    menuCounter_->setShortcuts(IgnoringShiftAlt(Qt::CTRL | Qt::Key_Left));
    menuHorizontally_ = command("MenuHorizontally", QStringLiteral("Flip Horizontally"),
                                [this] { Orient(FlipHorizontally); });
    menuVertically_ = command("MenuVertically", QStringLiteral("Flip Vertically"),
                              [this] { Orient(FlipVertically); });
    menuColor_ = NewAction("MenuColor", QStringLiteral("Color Balance..."));
    menuWatermark_ = NewAction("MenuWatermark", QStringLiteral("Watermark..."));
    menuWatermark_->setShortcuts(IgnoringShiftAlt(Qt::CTRL | Qt::Key_W));
    menuBorder_ = NewAction("MenuBorder", QStringLiteral("Border..."));
    menuBorder_->setShortcuts(IgnoringShiftAlt(Qt::CTRL | Qt::Key_B));

    menuAdd_ = NewAction("MenuAdd", QStringLiteral("Add to Templates..."));
    menuAdd_->setShortcuts(IgnoringShiftAlt(Qt::CTRL | Qt::Key_A));
    menuManage_ = NewAction("MenuManage", QStringLiteral("Manage Templates..."));
    menuWebpage_ = NewAction("MenuWebpage", QStringLiteral("HTML Webpage Maker..."));

    menuContents_ = command("MenuContents", QStringLiteral("Help Contents and Index"),
                            &TFormMain::MenuContentsClick);
    menuContents_->setShortcuts(IgnoringShiftAlt(QKeyCombination(Qt::Key_F1)));
    menuHomepage_ = command("MenuHomepage", QStringLiteral("Vellumora Homepage"),
                            &TFormMain::MenuHomepageClick);
    menuAbout_ = command("MenuAbout", QStringLiteral("About..."), &TFormMain::MenuAboutClick);

    // Commands that open a dialog; which dialog, CreateDialogs decides.
    for (QAction* action : {menuResize_, menuCrop_, menuColor_, menuWatermark_, menuBorder_,
                            menuBatch_, menuAdd_, menuManage_, menuWebpage_})
        connect(action, &QAction::triggered, this, [this, action] { ShowDialogOf(action); });

    menuOpen_->setIcon(ToolIcon(this, "document-open", QStyle::SP_DialogOpenButton));
    menuSave_->setIcon(ToolIcon(this, "document-save-as", QStyle::SP_DialogSaveButton));
    menuResize_->setIcon(ToolIcon(this, "transform-scale", QStyle::SP_TitleBarMaxButton));
    menuClockwise_->setIcon(ToolIcon(this, "object-rotate-right", QStyle::SP_BrowserReload));
    menuWatermark_->setIcon(ToolIcon(this, "insert-text", QStyle::SP_FileDialogDetailedView));
    menuBorder_->setIcon(ToolIcon(this, "format-border-set-all", QStyle::SP_FileDialogListView));
    menuWebpage_->setIcon(ToolIcon(this, "text-html", QStyle::SP_DriveNetIcon));

    photoCommands_ = {menuCurrent_,   menuSave_,         menuEmail_,      menuClipboard_,
                      menuClose_,     menuAll_,          menuBatch_,      menuFirst_,
                      menuLast_,      menuResize_,       menuCrop_,       menuClockwise_,
                      menuCounter_,   menuHorizontally_, menuVertically_, menuColor_,
                      menuWatermark_, menuBorder_,       menuAdd_,        menuWebpage_};
}

void TFormMain::CreateMenus() {
    const auto newSubmenu = [this](QMenu* parent, const char* name, const QString& caption) {
        auto* menu = new QMenu(caption, this);
        menu->setObjectName(QLatin1String(name));
        if (parent)
            parent->addMenu(menu);
        else
            menuBar()->addMenu(menu);
        return menu;
    };
    const auto newMenu = [&newSubmenu](const char* name, const QString& caption) {
        return newSubmenu(nullptr, name, caption);
    };

    QMenu* file = newMenu("MenuFile", QStringLiteral("File"));
    file->addActions({menuOpen_, menuCurrent_});
    file->addSeparator();
    file->addActions({menuSave_, menuEmail_, menuClipboard_, menuClose_, menuAll_});
    file->addSeparator();
    file->addAction(menuBatch_);
    file->addSeparator();
    QMenu* go = newSubmenu(file, "MenuGo", QStringLiteral("Go To"));
    go->addActions({menuFirst_, menuPrevious_, menuNext_, menuLast_});
    QMenu* zoom = newSubmenu(file, "MenuZoom", QStringLiteral("Zoom"));
    for (QAction* item : zoomItems_) zoom->addAction(item);
    file->addAction(menuBackground_);
    file->addSeparator();
    file->addAction(menuExit_);

    QMenu* actions = newMenu("MenuActions", QStringLiteral("Actions"));
    actions->addActions({menuResize_, menuCrop_});
    actions->addSeparator();
    actions->addActions({menuClockwise_, menuCounter_, menuHorizontally_, menuVertically_});
    actions->addSeparator();
    actions->addAction(menuColor_);
    actions->addSeparator();
    actions->addActions({menuWatermark_, menuBorder_});

    menuTemplates_ = newMenu("MenuTemplates", QStringLiteral("Templates"));
    menuTemplates_->addActions({menuAdd_, menuManage_});
    menuTemplates_->addSeparator();

    QMenu* tools = newMenu("MenuTools", QStringLiteral("Tools"));
    tools->addAction(menuWebpage_);

    QMenu* help = newMenu("MenuHelp", QStringLiteral("Help"));
    help->addAction(menuContents_);
    help->addSeparator();
    help->addAction(menuHomepage_);
    help->addSeparator();
    help->addAction(menuAbout_);

    popupMenu_ = new QMenu(this);
    popupMenu_->setObjectName(QStringLiteral("PopupMenu"));
    popupMenu_->addActions({NewForwarder("PopupSave", menuSave_, true),
                            NewForwarder("PopupEmail", menuEmail_, true),
                            NewForwarder("PopupClipboard", menuClipboard_, true),
                            NewForwarder("PopupClose", menuClose_, true)});
    popupMenu_->addSeparator();
    popupMenu_->addActions({NewForwarder("PopupResize", menuResize_, true),
                            NewForwarder("PopupCrop", menuCrop_, true)});
    popupMenu_->addSeparator();
    popupMenu_->addActions({NewForwarder("PopupClockwise", menuClockwise_, true),
                            NewForwarder("PopupCounter", menuCounter_, true),
                            NewForwarder("PopupHorizontally", menuHorizontally_, true),
                            NewForwarder("PopupVertically", menuVertically_, true)});
    popupMenu_->addSeparator();
    popupMenu_->addAction(NewForwarder("PopupColor", menuColor_, true));
    popupMenu_->addSeparator();
    popupMenu_->addActions({NewForwarder("PopupWatermark", menuWatermark_, true),
                            NewForwarder("PopupBorder", menuBorder_, true)});

    // Always enabled: with no photo they reach disabled items, which do nothing.
    dropMenu_ = new QMenu(this);
    dropMenu_->setObjectName(QStringLiteral("DropMenu"));
    dropMenu_->addActions({NewForwarder("DropClockwise", menuClockwise_, false),
                           NewForwarder("DropCounter", menuCounter_, false),
                           NewForwarder("DropHorizontally", menuHorizontally_, false),
                           NewForwarder("DropVertically", menuVertically_, false)});
}

void TFormMain::CreateToolBars() {
    const auto newToolBar = [this](const char* name) {
        auto* bar = new QToolBar(this);
        bar->setObjectName(QLatin1String(name));
        bar->setMovable(false);
        addToolBar(Qt::TopToolBarArea, bar);
        return bar;
    };
    const auto newButton = [](QToolBar* bar, const char* name) {
        auto* button = new QToolButton(bar);
        button->setObjectName(QLatin1String(name));
        button->setAutoRaise(true);
        button->setIconSize(bar->iconSize());
        button->setToolButtonStyle(bar->toolButtonStyle());
        bar->addWidget(button);
        return button;
    };
    // A tool button that clicks a menu item, and so is enabled exactly when that item is.
    // Its hint is the item's tool tip.
    const auto newCommandButton = [&newButton](QToolBar* bar, const char* name, QAction* target,
                                               const char* hint) {
        target->setToolTip(QLatin1String(hint));
        QToolButton* button = newButton(bar, name);
        button->setDefaultAction(target);
        return button;
    };

    QToolBar* buttons = newToolBar("ToolBarButtons");
    buttons->setIconSize(QSize(32, 32));
    buttons->setToolButtonStyle(Qt::ToolButtonIconOnly);
    newCommandButton(buttons, "ToolButtonOpen", menuOpen_, "Open");
    newCommandButton(buttons, "ToolButtonSave", menuSave_, "Save As");
    newCommandButton(buttons, "ToolButtonResize", menuResize_, "Resize");
    toolButtonRotate_ = newButton(buttons, "ToolButtonRotate");
    toolButtonRotate_->setIcon(menuClockwise_->icon());
    toolButtonRotate_->setToolTip(QStringLiteral("Rotate"));
    toolButtonRotate_->setMenu(dropMenu_);
    // The face opens the menu too: the button has no command of its own.
    toolButtonRotate_->setPopupMode(QToolButton::InstantPopup);
    newCommandButton(buttons, "ToolButtonWatermark", menuWatermark_, "Watermark");
    newCommandButton(buttons, "ToolButtonBorder", menuBorder_, "Border");

    QToolBar* tools = newToolBar("ToolBarTools");
    tools->setToolButtonStyle(Qt::ToolButtonTextOnly);
    menuWebpage_->setIconText(QStringLiteral("HTML Webpage Maker"));
    newCommandButton(tools, "ToolButtonWebpage", menuWebpage_, "HTML Webpage Maker");

    // The photo strip has a row of its own, as wide as the window.
    addToolBarBreak(Qt::TopToolBarArea);
    QToolBar* scroller = newToolBar("PageScroller");
    scroller->addWidget(new QLabel(QStringLiteral(" Photos "), scroller));
    strip_ = new TPhotoStrip(scroller);
    strip_->setObjectName(QStringLiteral("ToolBarPhotos"));
    scroller->addWidget(strip_);
    connect(strip_, &TPhotoStrip::Clicked, this, &TFormMain::PhotoButtonClick);
}

void TFormMain::CreatePhotoArea() {
    scrollBox_ = new QScrollArea(this);
    scrollBox_->setObjectName(QStringLiteral("ScrollBox"));
    scrollBox_->setFrameShape(QFrame::NoFrame);
    // A photo smaller than the area stands in its middle; a larger one starts at the
    // top-left corner and is reached by scrolling.
    scrollBox_->setAlignment(Qt::AlignCenter);
    scrollBox_->setWidgetResizable(false);
    scrollBox_->viewport()->setAutoFillBackground(true);
    scrollBox_->viewport()->setBackgroundRole(QPalette::Window);
    view_ = new TPhotoView(photo_);
    view_->setObjectName(QStringLiteral("Photo"));
    scrollBox_->setWidget(view_);
    scrollBox_->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(scrollBox_, &QWidget::customContextMenuRequested, this, [this](const QPoint& pos) {
        popupMenu_->popup(scrollBox_->viewport()->mapToGlobal(pos));
    });
    scrollBox_->viewport()->installEventFilter(this);
    setCentralWidget(scrollBox_);
}

void TFormMain::CreateStatusBar() {
    statusBar()->setObjectName(QStringLiteral("StatusBar"));
    for (int i = 0; i < 4; ++i) {
        panels_[i] = new QLabel(statusBar());
        panels_[i]->setObjectName(QStringLiteral("StatusPanel%1").arg(i));
        if (i == 0) {
            panels_[i]->setMinimumWidth(50);
            statusBar()->addWidget(panels_[i], 1);
        } else {
            panels_[i]->setFixedWidth(160);
            statusBar()->addWidget(panels_[i]);
        }
    }
}

void TFormMain::CreateDialogs() {
    formAbout_ = new TFormAbout(this);
    formResize_ = new TFormResize(photo_, this);
    dialogs_.insert(menuResize_, formResize_);
    // Crop, colour balance, watermark, border, batch, templates and the web album take
    // their places here as they are built.
}

void TFormMain::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (shown_) return;
    shown_ = true;
    // Once the window is on the screen, so that the about box opens over it.
    QTimer::singleShot(0, this, &TFormMain::FormShow);
}

void TFormMain::FormShow() {
    if (aboutAtStart_) MenuAboutClick();
    const QStringList photos = std::exchange(startupPhotos_, {});
    for (const QString& path : photos) OpenPhoto(path, false);
    UpdateControls();
}

void TFormMain::closeEvent(QCloseEvent* event) {
    if (photo_.Info() &&
        platform_.AskOkCancel(this,
                              QString::number(strip_->Count()) +
                                  QStringLiteral(" photo(s) still opened, quit Vellumora now?")))
        MenuAllClick();
    if (photo_.Info())
        event->ignore();
    else
        event->accept();
}

QStringList TFormMain::DroppedPhotos(const QMimeData* data) const {
    QStringList photos;
    if (!data || !data->hasUrls()) return photos;
    const QStringList readable = ReadableSuffixes();
    for (const QUrl& url : data->urls()) {
        if (!url.isLocalFile()) continue;
        const QFileInfo file(url.toLocalFile());
        if (file.isFile() && readable.contains(file.suffix().toLower()))
            photos << file.absoluteFilePath();
    }
    return photos;
}

void TFormMain::dragEnterEvent(QDragEnterEvent* event) {
    if (!DroppedPhotos(event->mimeData()).isEmpty()) event->acceptProposedAction();
}

void TFormMain::dropEvent(QDropEvent* event) {
    const QStringList photos = DroppedPhotos(event->mimeData());
    if (photos.isEmpty()) return;
    event->acceptProposedAction();
    for (const QString& path : photos) OpenPhoto(path, false);
}

bool TFormMain::eventFilter(QObject* watched, QEvent* event) {
    if (watched == scrollBox_->viewport() && event->type() == QEvent::Resize) ScrollBoxResize();
    return QMainWindow::eventFilter(watched, event);
}

void TFormMain::OpenPhoto(const QString& path, bool withCurrentSettings) {
    auto info = std::make_unique<TPhotoInfo>(TPhotoInfo::WithDefaultTemplate(path));
    if (withCurrentSettings && photo_.Info()) {
        info->Assign(photo_.Info());
        ResetPerPhotoEdits(*info);
    }
    const int index = strip_->Add(std::move(info));
    SelectPhoto(index);
    // The unedited original, drawn once: later edits do not change the thumbnail.
    if (!photo_.Original().isNull() && photo_.Info() == strip_->Info(index))
        strip_->SetThumbnail(index, MakeThumbnail(photo_.Original()));
}

void TFormMain::SelectPhoto(int index) {
    if (index < 0 || index >= strip_->Count()) return;
    strip_->Press(index);
    PhotoButtonClick(index);
}

void TFormMain::PhotoButtonClick(int index) {
    photo_.AssignInfo(strip_->Info(index));
    UpdateControls();
}

void TFormMain::PhotoChange() {
    ScrollBoxResize();
    view_->update();
    UpdateControls();
}

void TFormMain::ScrollBoxResize() {
    view_->resize(photo_.DisplaySize());
    scrollBox_->horizontalScrollBar()->setValue(0);
    scrollBox_->verticalScrollBar()->setValue(0);
}

void TFormMain::UpdateControls() {
    TPhotoInfo* current = photo_.Info();
    const bool hasPhoto = current != nullptr;
    const int count = strip_->Count();

    panels_[0]->clear();
    if (hasPhoto) {
        const QSize size = photo_.DisplaySize();
        const int zoom = std::max(photo_.Zoom(), 1);
        setWindowTitle(kTitle + QStringLiteral(" - ") + current->FileName);
        panels_[1]->setText(QString::number(count) + QStringLiteral(" photo(s)"));
        panels_[2]->setText(QString::number(qint64(size.width()) * 100 / zoom) +
                            QStringLiteral(" * ") +
                            QString::number(qint64(size.height()) * 100 / zoom));
        panels_[3]->setText(QStringLiteral("Zoom: ") + QString::number(photo_.Zoom()) +
                            QLatin1Char('%'));
    } else {
        setWindowTitle(kTitle);
        for (int i = 1; i < 4; ++i) panels_[i]->clear();
    }

    for (QAction* action : photoCommands_) action->setEnabled(hasPhoto);
    const QList<QAction*> templates = menuTemplates_->actions();
    for (qsizetype i = 3; i < templates.size(); ++i) templates[i]->setEnabled(hasPhoto);
    menuPrevious_->setEnabled(hasPhoto && count > 0 && !strip_->IsPressed(0));
    menuNext_->setEnabled(hasPhoto && count > 0 && !strip_->IsPressed(count - 1));

    for (size_t i = 0; i < zoomItems_.size(); ++i)
        zoomItems_[i]->setChecked(photo_.Zoom() == kZooms[i]);

    for (const auto& [twin, item] : twins_) twin->setEnabled(item->isEnabled());
    toolButtonRotate_->setEnabled(menuClockwise_->isEnabled());
}

void TFormMain::MenuOpenClick() {
    const QString path = platform_.OpenFile(this, QStringLiteral("Open"), OpenFilter());
    if (!path.isEmpty()) OpenPhoto(path, false);
}

void TFormMain::MenuCurrentClick() {
    if (!photo_.Info()) return;
    const QString path = platform_.OpenFile(this, QStringLiteral("Open"), OpenFilter());
    if (!path.isEmpty()) OpenPhoto(path, true);
}

void TFormMain::MenuSaveClick() {
    if (photo_.Info()) saveAs_.Run(platform_, this, photo_);
}

void TFormMain::MenuEmailClick() {
    if (photo_.Info()) SendPhotoByMail(platform_, this, photo_);
}

void TFormMain::MenuClipboardClick() {
    if (photo_.Info()) CopyPhotoToClipboard(platform_, photo_);
}

void TFormMain::MenuCloseClick() {
    const int index = strip_->IndexOf(photo_.Info());
    if (index >= 0) {
        // Detached before its record goes.
        photo_.AssignInfo(nullptr);
        strip_->Remove(index);
        const int left = strip_->Count();
        if (index <= left - 1)
            SelectPhoto(index);
        else if (index > 0)
            SelectPhoto(index - 1);
    }
    UpdateControls();
}

void TFormMain::MenuAllClick() {
    photo_.AssignInfo(nullptr);
    strip_->Clear();
    UpdateControls();
}

void TFormMain::MenuFirstClick() {
    SelectPhoto(0);
}

void TFormMain::MenuLastClick() {
    SelectPhoto(strip_->Count() - 1);
}

void TFormMain::MenuPreviousClick() {
    const int index = strip_->IndexOf(photo_.Info());
    if (index > 0) SelectPhoto(index - 1);
}

void TFormMain::MenuNextClick() {
    const int index = strip_->IndexOf(photo_.Info());
    if (index >= 0 && index < strip_->Count() - 1) SelectPhoto(index + 1);
}

void TFormMain::Orient(int (*turn)(int)) {
    TPhotoInfo* info = photo_.Info();
    if (!info) return;
    info->Rotate = turn(info->Rotate);
    photo_.Render();
}

void TFormMain::ShowDialogOf(QAction* command) {
    // Managing templates needs no photo; every other dialog works on the current one.
    if (command != menuManage_ && !photo_.Info()) return;
    QDialog* dialog = dialogs_.value(command);
    if (!dialog) return;
    const int result = dialog->exec();
    auto* edit = qobject_cast<TEditDialog*>(dialog);
    if (edit && result == TEditDialog::ResultAll) CopyToEveryPhoto(edit->Group());
}

// The others are not rendered now: each shows the change when it is next selected, since
// selecting a photo loads and renders it.
void TFormMain::CopyToEveryPhoto(TFieldGroup group) {
    const TPhotoInfo* current = photo_.Info();
    if (!current) return;
    for (int i = 0; i < strip_->Count(); ++i) CopyFieldGroup(group, *current, *strip_->Info(i));
}

void TFormMain::MenuBackgroundClick() {
    const std::optional<QColor> chosen = platform_.ChooseColor(this, Background());
    if (!chosen || !chosen->isValid()) return;
    const TColor color = ToTColor(*chosen);
    SetBackground(color);
    try {
        TIniFile file(ApplicationSettingsFile());
        file.WriteString(kSettingsSection, kBackgroundKey, ColorToString(color));
        file.UpdateFile();
    } catch (const TIniError& error) {
        platform_.ShowError(this, error.Message());
    }
}

void TFormMain::MenuContentsClick() {
    OpenHelpContents(platform_, this);
}

void TFormMain::MenuHomepageClick() {
    platform_.OpenUrl(HomepageUrl());
}

void TFormMain::MenuAboutClick() {
    formAbout_->exec();
}

// A value that names no colour here leaves the area as it was, clWindow at start.
void TFormMain::ReadBackground() {
    SetBackground(kClWindow);
    const TIniFile file(ApplicationSettingsFile());
    TColor color = kClWindow;
    if (StringToColor(file.ReadString(kSettingsSection, kBackgroundKey, ColorToString(kClWindow)),
                      &color) &&
        ColorOf(color, palette()).isValid())
        SetBackground(color);
}

void TFormMain::SetBackground(TColor color) {
    background_ = color;
    QWidget* area = scrollBox_->viewport();
    QPalette palette = area->palette();
    palette.setColor(QPalette::Window, ColorOf(color, this->palette()));
    area->setPalette(palette);
}

QColor TFormMain::Background() const {
    const QWidget* area = scrollBox_->viewport();
    return area->palette().color(area->backgroundRole());
}

}  // namespace vellumora
