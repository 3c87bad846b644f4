#include "forms/main/FormMain.h"

#include <QCloseEvent>
#include <QDialog>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QScopedValueRollback>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>
#include <QUrl>
#include <QWheelEvent>
#include <optional>

#include "codec/Codec.h"
#include "forms/common/EditDialog.h"
#include "forms/common/PhotoFiles.h"
#include "forms/common/Platform.h"
#include "forms/main/FormAbout.h"
#include "forms/main/Help.h"
#include "forms/main/PhotoView.h"
#include "forms/main/Placement.h"
#include "forms/main/Zoom.h"
#include "forms/templates/FormAdd.h"
#include "photos/album/Album.h"
#include "photos/settings/Color.h"
#include "photos/settings/IniFile.h"
#include "photos/settings/Names.h"
#include "photos/settings/ProgramFolder.h"
#include "photos/settings/Templates.h"
#include "photos/stages/Thumbnail.h"

namespace vellumora {
namespace {

const QString kTitle = QStringLiteral("Vellumora");
// Drawn in the empty photo area: how to begin.
const QString kEmptyAreaHint = QStringLiteral(
    "No photo is open.\nOpen one with File > Open... (Ctrl+O), or drop photo files here.");
const QString kSettingsSection = QStringLiteral("APPLICAITON");  // sic: the file's own spelling
const QString kBackgroundKey = QStringLiteral("BACKGROUND");
// Whether the about box opens at start; the box's own check box turns it off.
const QString kShowAboutKey = QStringLiteral("SHOWABOUT");
const QString kWindowSection = QStringLiteral("WINDOW");
// The window's size when it is not maximised, until the user gives it another.
constexpr QSize kNormalSize(576, 395);
constexpr TColor kClWindow = 0xFF000005;

// The command's caption without its trailing dots, to name an undo step.
QString StepName(TCommand command) {
    QString name = QLatin1String(TActions::Row(command).caption);
    while (name.endsWith(QLatin1Char('.'))) name.chop(1);
    return name;
}

}  // namespace

QString ApplicationSettingsFile() {
    return ProgramFolder() + QStringLiteral("/Vellumora.dat");
}

bool FullScreenBarsShown(int pointerY, int barsBottom, bool shownNow) {
    // The top row of pixels and the one below it: a pointer thrown upwards stops on the
    // first, a touch pad's may stop a pixel short.
    constexpr int kEdge = 2;
    return pointerY < kEdge || (shownNow && pointerY < barsBottom);
}

std::optional<TCommand> ArrowKeyCommand(int key, Qt::KeyboardModifiers modifiers,
                                        bool scrollsSideways) {
    if (scrollsSideways || (modifiers & ~Qt::KeypadModifier) != Qt::NoModifier) return std::nullopt;
    if (key == Qt::Key_Left) return TCommand::Previous;
    if (key == Qt::Key_Right) return TCommand::Next;
    return std::nullopt;
}

TFormMain::TFormMain(TPlatform& platform, TOpenPhotos& photos, QWidget* parent)
    : QMainWindow(parent), platform_(platform), photos_(photos), photo_(photos.Photo()) {
    setObjectName(QStringLiteral("FormMain"));
    setWindowTitle(kTitle);
    resize(kNormalSize);
    setAcceptDrops(true);

    actions_.Build(*this);
    // Checked while the window keeps fitting the photo.
    actions_.Action(TCommand::Fit)->setCheckable(true);
    CreateToolBars();
    CreatePhotoArea();
    CreateStatusBar();
    actions_.CreateDialogs(*this);

    connect(&photo_, &TPhoto::Changed, this, &TFormMain::PhotoChange);
    // The strip follows the open photos.
    connect(&photos_, &TOpenPhotos::Added, strip_,
            [this](int index) { strip_->Insert(index, photos_.Record(index)->FileName); });
    connect(&photos_, &TOpenPhotos::Closed, strip_, &TPhotoStrip::Remove);
    connect(&photos_, &TOpenPhotos::AllClosed, strip_, &TPhotoStrip::Clear);
    connect(&photos_, &TOpenPhotos::CurrentChanged, strip_, &TPhotoStrip::Press);
    // The unedited original (or a small decode of it), drawn once: later edits do not
    // change the thumbnail.
    connect(&photos_, &TOpenPhotos::ThumbnailReady, strip_,
            [this](int index, const QImage& picture) {
                strip_->SetThumbnail(index, MakeThumbnail(picture, kThumbnailSize));
            });
    connect(&photo_, &TPhoto::ErrorReported, this,
            [this](const QString& message, const QString& detail) {
                platform_.ShowError(this, message, detail);
            });
    ReadBackground();
    BuildTemplatesMenu();
    UpdateControls();
}

TFormMain::~TFormMain() {
    photo_.disconnect(this);
    photos_.disconnect(this);
    scrollBox_->viewport()->removeEventFilter(this);
    scrollBox_->removeEventFilter(this);
}

void TFormMain::CreateToolBars() {
    const auto newToolBar = [this](const char* name) {
        auto* bar = new QToolBar(this);
        bar->setObjectName(QLatin1String(name));
        bar->setMovable(false);
        addToolBar(Qt::TopToolBarArea, bar);
        return bar;
    };
    QToolBar* buttons = newToolBar("ToolBarButtons");
    buttons->setIconSize(QSize(32, 32));
    buttons->setToolButtonStyle(Qt::ToolButtonIconOnly);
    actions_.AddToolButtons(buttons);
    QToolBar* tools = newToolBar("ToolBarTools");
    tools->setIconSize(QSize(32, 32));
    tools->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    actions_.AddToolButtons(tools);

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
    scrollBox_->setAccessibleName(QStringLiteral("Photo area"));
    scrollBox_->setFrameShape(QFrame::NoFrame);
    // A photo smaller than the area stands in its middle; a larger one starts at the
    // top-left corner and is reached by scrolling.
    scrollBox_->setAlignment(Qt::AlignCenter);
    scrollBox_->setWidgetResizable(false);
    scrollBox_->viewport()->setAutoFillBackground(true);
    scrollBox_->viewport()->setBackgroundRole(QPalette::Window);
    view_ = new TPhotoView(photo_);
    view_->setObjectName(QStringLiteral("Photo"));
    view_->setAccessibleName(QStringLiteral("Photo"));
    scrollBox_->setWidget(view_);
    scrollBox_->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(scrollBox_, &QWidget::customContextMenuRequested, this, [this](const QPoint& pos) {
        actions_.PopupMenu()->popup(scrollBox_->viewport()->mapToGlobal(pos));
    });
    // The window decides the scroll bars itself, when it places the photo: left to the
    // area they come an event later, which resizes the area after the scroll position
    // was set.
    scrollBox_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scrollBox_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scrollBox_->viewport()->installEventFilter(this);
    // Left and Right, before the area scrolls with them.
    scrollBox_->installEventFilter(this);
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
        // The photo's own size, beside the size it is shown at.
        if (i == 2) {
            originalPanel_ = new QLabel(statusBar());
            originalPanel_->setObjectName(QStringLiteral("StatusPanelOriginal"));
            originalPanel_->setAccessibleName(QStringLiteral("Original size"));
            originalPanel_->setFixedWidth(160);
            statusBar()->addWidget(originalPanel_);
        }
    }
    panels_[1]->setAccessibleName(QStringLiteral("Photos open"));
    panels_[2]->setAccessibleName(QStringLiteral("Photo size"));
    panels_[3]->setAccessibleName(QStringLiteral("Zoom"));
}

void TFormMain::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (shown_) return;
    shown_ = true;
    // Once the window is on the screen, so that the about box opens over it.
    QTimer::singleShot(0, this, &TFormMain::FormShow);
}

void TFormMain::FormShow() {
    if (aboutAtStart_) ShowAboutAtStart();
    const QStringList photos = std::exchange(startupPhotos_, {});
    for (const QString& path : photos) OpenPhoto(path, false);
    UpdateControls();
}

void TFormMain::ShowAboutAtStart() {
    if (!TIniFile(ApplicationSettingsFile()).ReadBool(kSettingsSection, kShowAboutKey, true))
        return;
    auto* about = qobject_cast<TFormAbout*>(actions_.Dialog(TCommand::About));
    if (!about) return;
    about->OfferStartChoice(true);
    ShowDialogOf(TCommand::About);
    const bool again = about->ShowAtStart();
    about->OfferStartChoice(false);
    if (again) return;
    try {
        TIniFile file(ApplicationSettingsFile());
        file.WriteBool(kSettingsSection, kShowAboutKey, false);
        file.UpdateFile();
    } catch (const TIniError& error) {
        platform_.ShowError(this, error.Message(), AsSentence(error.Reason()));
    }
}

void TFormMain::closeEvent(QCloseEvent* event) {
    if (photo_.Info() &&
        platform_.AskOkCancel(this,
                              QString::number(photos_.Count()) +
                                  QStringLiteral(" photo(s) still opened, quit Vellumora now?")))
        MenuAllClick();
    if (photo_.Info()) {
        event->ignore();
        return;
    }
    event->accept();
    WriteWindowPlace();
}

void TFormMain::ShowAtStoredPlace() {
    const TIniFile file(ApplicationSettingsFile());
    const auto read = [&file](const char* key) {
        return file.ReadInteger(kWindowSection, QLatin1String(key), 0);
    };
    const QRect stored(read("LEFT"), read("TOP"), read("WIDTH"), read("HEIGHT"));
    QList<QRect> screens;
    const QScreen* primary = QGuiApplication::primaryScreen();
    if (primary) screens << primary->availableGeometry();
    for (const QScreen* screen : QGuiApplication::screens())
        if (screen != primary) screens << screen->availableGeometry();
    setGeometry(WindowPlace(stored, screens, kNormalSize));
    if (file.ReadBool(kWindowSection, QStringLiteral("MAXIMIZED"), true))
        showMaximized();
    else
        show();
}

// The size and place it has when not maximised: a window closed maximised or in full
// screen comes back maximised, or as it was before full screen, at that size and place.
void TFormMain::WriteWindowPlace() {
    const QRect normal = normalGeometry();
    try {
        TIniFile file(ApplicationSettingsFile());
        file.WriteInteger(kWindowSection, QStringLiteral("LEFT"), normal.left());
        file.WriteInteger(kWindowSection, QStringLiteral("TOP"), normal.top());
        file.WriteInteger(kWindowSection, QStringLiteral("WIDTH"), normal.width());
        file.WriteInteger(kWindowSection, QStringLiteral("HEIGHT"), normal.height());
        file.WriteBool(kWindowSection, QStringLiteral("MAXIMIZED"), isMaximized());
        file.UpdateFile();
    } catch (const TIniError&) {
        // Quitting goes on; the next start takes the place the file still holds.
    }
}

void TFormMain::changeEvent(QEvent* event) {
    if (event->type() == QEvent::PaletteChange) actions_.SetIconSet(IconSetFor(palette()));
    if (event->type() == QEvent::WindowStateChange && scrollBox_) {
        // The pointer's moves over the photo bring the bars back. The photo tracks them too:
        // a move no button holds goes no further than the widget under the pointer unless
        // that widget tracks it, and the photo passes on what it tracks to the area.
        scrollBox_->viewport()->setMouseTracking(isFullScreen());
        view_->setMouseTracking(isFullScreen());
        ShowBars(!isFullScreen());
    }
    QMainWindow::changeEvent(event);
}

void TFormMain::dragEnterEvent(QDragEnterEvent* event) {
    if (!DroppedPhotoFiles(event->mimeData()).isEmpty()) event->acceptProposedAction();
}

void TFormMain::dropEvent(QDropEvent* event) {
    const QStringList photos = DroppedPhotoFiles(event->mimeData());
    if (photos.isEmpty()) return;
    event->acceptProposedAction();
    for (const QString& path : photos) OpenPhoto(path, false);
}

bool TFormMain::eventFilter(QObject* watched, QEvent* event) {
    if (watched == scrollBox_ && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        const std::optional<TCommand> command = ArrowKeyCommand(
            key->key(), key->modifiers(), scrollBox_->horizontalScrollBar()->maximum() > 0);
        if (command) {
            actions_.Action(*command)->trigger();
            return true;
        }
    }
    if (watched == scrollBox_->viewport()) {
        if (event->type() == QEvent::Resize && !placing_ && !Refit()) ScrollBoxResize();
        if (event->type() == QEvent::Paint && !photo_.Info()) PaintEmptyArea();
        if (event->type() == QEvent::MouseMove && isFullScreen()) {
            const QPointF global = static_cast<QMouseEvent*>(event)->globalPosition();
            ShowBars(FullScreenBarsShown(mapFromGlobal(global).toPoint().y(),
                                         centralWidget()->geometry().top(), barsShown_));
        }
        // The photo leaves the pointer's events to the area, which gets them here first.
        if (PhotoAreaPointer(event)) return true;
    }
    return QMainWindow::eventFilter(watched, event);
}

void TFormMain::keyPressEvent(QKeyEvent* event) {
    const std::optional<TCommand> arrow = ArrowKeyCommand(
        event->key(), event->modifiers(), scrollBox_->horizontalScrollBar()->maximum() > 0);
    if (arrow)
        actions_.Action(*arrow)->trigger();
    else if (event->key() == Qt::Key_Escape && isFullScreen())
        MenuFullScreenClick();
    else if (event->modifiers() == Qt::NoModifier && event->key() == Qt::Key_Space)
        actions_.Action(TCommand::Next)->trigger();
    else if (event->modifiers() == Qt::NoModifier && event->key() == Qt::Key_Backspace)
        actions_.Action(TCommand::Previous)->trigger();
    else
        QMainWindow::keyPressEvent(event);
}

bool TFormMain::PhotoAreaPointer(QEvent* event) {
    QScrollBar* across = scrollBox_->horizontalScrollBar();
    QScrollBar* down = scrollBox_->verticalScrollBar();
    switch (event->type()) {
        case QEvent::Wheel: {
            auto* wheel = static_cast<QWheelEvent*>(event);
            if (!(wheel->modifiers() & Qt::ControlModifier)) return false;
            // A notch is 120; finer wheels and touch pads send parts of one.
            wheelDelta_ += wheel->angleDelta().y();
            const int notches = wheelDelta_ / 120;
            wheelDelta_ -= notches * 120;
            if (notches != 0) ZoomAt(StepZoom(photo_.Zoom(), notches), wheel->position().toPoint());
            return true;
        }
        case QEvent::MouseButtonPress: {
            auto* mouse = static_cast<QMouseEvent*>(event);
            if (mouse->button() != Qt::LeftButton ||
                (across->maximum() == 0 && down->maximum() == 0))
                return false;
            dragging_ = true;
            dragStart_ = mouse->globalPosition();
            dragScroll_ = {across->value(), down->value()};
            scrollBox_->viewport()->setCursor(Qt::ClosedHandCursor);
            return true;
        }
        case QEvent::MouseMove: {
            if (!dragging_) return false;
            const QPoint moved =
                (static_cast<QMouseEvent*>(event)->globalPosition() - dragStart_).toPoint();
            across->setValue(dragScroll_.x() - moved.x());
            down->setValue(dragScroll_.y() - moved.y());
            return true;
        }
        case QEvent::MouseButtonRelease:
            if (!dragging_ || static_cast<QMouseEvent*>(event)->button() != Qt::LeftButton)
                return false;
            dragging_ = false;
            scrollBox_->viewport()->unsetCursor();
            return true;
        default:
            return false;
    }
}

void TFormMain::ZoomAt(int zoom, QPoint anchor, bool centre) {
    fitting_ = false;
    const QPoint oldPos = view_->pos();
    const QSize oldSize = view_->size();
    // Places the photo afresh, with the scroll bars it needs now and scrolled to the
    // top-left corner, as every change of the photo does ...
    photo_.SetZoom(zoom);
    // ... then scrolls the point back under the anchor, or to the centre of the area,
    // which has moved when scroll bars came or went.
    const QPoint target = centre ? scrollBox_->viewport()->rect().center() : anchor;
    const QPoint scroll = ScrollKeepingPoint(anchor, oldPos, oldSize, view_->size(), target);
    scrollBox_->horizontalScrollBar()->setValue(scroll.x());
    scrollBox_->verticalScrollBar()->setValue(scroll.y());
}

void TFormMain::ZoomKeepingCentre(int zoom) {
    ZoomAt(zoom, scrollBox_->viewport()->rect().center(), true);
}

bool TFormMain::Refit() {
    if (!fitting_ || !photo_.Info()) return false;
    // The area without scroll bars, which a photo that fits does not need. The display
    // size is that of the photo to come while its original is still on the way.
    const int zoom = FitZoom(photo_.PictureSize(), AreaWithoutBars());
    if (zoom == photo_.Zoom()) return false;
    photo_.SetZoom(zoom);
    return true;
}

void TFormMain::MenuZoomInClick() {
    ZoomKeepingCentre(StepZoom(photo_.Zoom(), 1));
}

void TFormMain::MenuZoomOutClick() {
    ZoomKeepingCentre(StepZoom(photo_.Zoom(), -1));
}

void TFormMain::MenuFitClick() {
    fitting_ = true;
    if (!Refit()) UpdateControls();
}

void TFormMain::MenuFullScreenClick() {
    setWindowState(windowState() ^ Qt::WindowFullScreen);
}

void TFormMain::ShowBars(bool show) {
    if (show == barsShown_) return;
    barsShown_ = show;
    menuBar()->setVisible(show);
    for (QToolBar* bar : findChildren<QToolBar*>(QString(), Qt::FindDirectChildrenOnly))
        bar->setVisible(show);
    statusBar()->setVisible(show);
}

void TFormMain::OpenPhoto(const QString& path, bool withCurrentSettings) {
    auto info = std::make_unique<TPhotoInfo>(TPhotoInfo::WithDefaultTemplate(path));
    std::optional<TPhotoInfo> plain;  // what "Open..." would have given, for undo
    if (withCurrentSettings && photo_.Info()) {
        plain = *info;
        info->Assign(photo_.Info());
        ResetPerPhotoEdits(*info);
    }
    const int index = photos_.Add(std::move(info));
    SelectPhoto(index);
    if (plain) {
        photos_.History().Record(photos_.Id(index), *plain, StepName(TCommand::Current));
        UpdateControls();
    }
}

void TFormMain::SelectPhoto(int index) {
    if (index < 0 || index >= photos_.Count()) return;
    PhotoButtonClick(index);
}

void TFormMain::PhotoButtonClick(int index) {
    photos_.SetCurrent(index);
    UpdateControls();
}

void TFormMain::PhotoChange() {
    if (Refit()) return;  // shown again at the fitting zoom
    ScrollBoxResize();
    view_->update();
    UpdateControls();
}

void TFormMain::ScrollBoxResize() {
    const QScopedValueRollback placing(placing_, true);
    const QSize size = photo_.DisplaySize();
    const TScrollBars bars = NeededScrollBars(size, AreaWithoutBars(),
                                              scrollBox_->verticalScrollBar()->sizeHint().width());
    view_->resize(size);
    // Shown or hidden now, so that the area has its final size and the bars their
    // ranges before anything scrolls.
    scrollBox_->setHorizontalScrollBarPolicy(bars.across ? Qt::ScrollBarAlwaysOn
                                                         : Qt::ScrollBarAlwaysOff);
    scrollBox_->setVerticalScrollBarPolicy(bars.down ? Qt::ScrollBarAlwaysOn
                                                     : Qt::ScrollBarAlwaysOff);
    scrollBox_->horizontalScrollBar()->setValue(0);
    scrollBox_->verticalScrollBar()->setValue(0);
}

QSize TFormMain::AreaWithoutBars() const {
    // Not the area's maximumViewportSize, which counts a bar that is always on as taken.
    return scrollBox_->contentsRect().size();
}

void TFormMain::PaintEmptyArea() {
    QWidget* area = scrollBox_->viewport();
    QPainter painter(area);
    // Readable on the background the user chose, dark or light.
    painter.setPen(area->palette().color(QPalette::Window).lightness() < 128 ? Qt::white
                                                                             : Qt::black);
    painter.drawText(area->rect().adjusted(16, 16, -16, -16), Qt::AlignCenter | Qt::TextWordWrap,
                     kEmptyAreaHint);
}

void TFormMain::UpdateControls() {
    TPhotoInfo* current = photo_.Info();
    const bool hasPhoto = current != nullptr;
    const int count = photos_.Count();

    panels_[0]->clear();
    if (hasPhoto) {
        setWindowTitle(kTitle + QStringLiteral(" - ") + current->FileName);
        panels_[1]->setText(QString::number(count) + QStringLiteral(" photo(s)"));
        // The picture as Save As writes it, whatever the zoom; the photo's own size beside.
        const QString original = OriginalSizeText(photo_.OriginalSize());
        panels_[2]->setText(PictureSizeText(photo_.PictureSize()));
        panels_[2]->setToolTip(original);
        originalPanel_->setText(original);
        panels_[3]->setText(QStringLiteral("Zoom: ") + QString::number(photo_.Zoom()) +
                            QLatin1Char('%'));
    } else {
        setWindowTitle(kTitle);
        for (int i = 1; i < 4; ++i) panels_[i]->clear();
        panels_[2]->setToolTip(QString());
        originalPanel_->clear();
    }
    scrollBox_->setAccessibleDescription(hasPhoto ? QString() : kEmptyAreaHint);
    scrollBox_->viewport()->update();
    actions_.Action(TCommand::Fit)->setChecked(fitting_);

    actions_.Update({.photo = hasPhoto,
                     .failed = hasPhoto && !photo_.LoadError().isEmpty(),
                     .previous = count > 0 && photos_.Current() != 0,
                     .next = count > 0 && photos_.Current() != count - 1,
                     .zoom = photo_.Zoom(),
                     .undo = photos_.History().CanUndo(photos_.CurrentId()),
                     .redo = photos_.History().CanRedo(photos_.CurrentId()),
                     .closed = photos_.CanUndoClose()});
    const auto name = [](const char* verb, const QString& step) {
        return step.isEmpty() ? QLatin1String(verb) : QLatin1String(verb) + QLatin1Char(' ') + step;
    };
    actions_.Action(TCommand::Undo)
        ->setText(name("Undo", photos_.History().UndoText(photos_.CurrentId())));
    actions_.Action(TCommand::Redo)
        ->setText(name("Redo", photos_.History().RedoText(photos_.CurrentId())));
}

// Several files chosen open one after another, in the order given, and the first of them
// is shown, as the user picked it first.
void TFormMain::MenuOpenClick() {
    const QStringList paths = platform_.OpenFiles(this, QStringLiteral("Open"), PhotoOpenFilter());
    const int first = photos_.Count();
    for (const QString& path : paths)
        if (!path.isEmpty())
            photos_.Add(std::make_unique<TPhotoInfo>(TPhotoInfo::WithDefaultTemplate(path)));
    SelectPhoto(first);
    // The others are not shown yet: their buttons get thumbnails of their own.
    for (int i = first + 1; i < photos_.Count(); ++i) photos_.RequestThumbnail(i);
}

void TFormMain::MenuCurrentClick() {
    if (!photo_.Info()) return;
    const QString path = platform_.OpenFile(this, QStringLiteral("Open"), PhotoOpenFilter());
    if (!path.isEmpty()) OpenPhoto(path, true);
}

void TFormMain::FinishLoading() {
    const bool loading = photos_.Loader().Waiting();
    if (!loading && !photo_.Rendering()) return;
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    if (loading) {
        statusBar()->showMessage(QStringLiteral("Loading ") +
                                 LocalFileName(photo_.Info()->FileName) + QStringLiteral("..."));
        // Painted now: the window's thread is about to wait.
        statusBar()->repaint();
    }
    photos_.Loader().Finish();
    // The original just given may have started its render on the worker.
    photo_.FinishRender();
    statusBar()->clearMessage();
    QGuiApplication::restoreOverrideCursor();
}

void TFormMain::MenuSaveClick() {
    FinishLoading();
    if (photo_.Info()) saveAs_.Run(platform_, this, photo_);
}

void TFormMain::MenuEmailClick() {
    FinishLoading();
    if (photo_.Info()) SendPhotoByMail(platform_, this, photo_);
}

void TFormMain::MenuClipboardClick() {
    FinishLoading();
    if (photo_.Info()) CopyPhotoToClipboard(platform_, this, photo_);
}

void TFormMain::MenuCloseClick() {
    photos_.Close(photos_.Current());
    UpdateControls();
}

void TFormMain::MenuAllClick() {
    photos_.CloseAll();
    UpdateControls();
}

void TFormMain::MenuFirstClick() {
    SelectPhoto(0);
}

void TFormMain::MenuLastClick() {
    SelectPhoto(photos_.Count() - 1);
}

void TFormMain::MenuPreviousClick() {
    const int index = photos_.Current();
    if (index > 0) SelectPhoto(index - 1);
}

void TFormMain::MenuNextClick() {
    const int index = photos_.Current();
    if (index >= 0 && index < photos_.Count() - 1) SelectPhoto(index + 1);
}

void TFormMain::Orient(TCommand command, int (*turn)(int)) {
    TPhotoInfo* info = photo_.Info();
    if (!info) return;
    const TPhotoInfo before = *info;
    info->Rotate = turn(info->Rotate);
    photo_.Render();
    photos_.History().Record(photos_.CurrentId(), before, StepName(command));
    UpdateControls();
}

void TFormMain::MenuUndoClick() {
    photos_.History().Undo(photos_.CurrentId());
    UpdateControls();
}

void TFormMain::MenuRedoClick() {
    photos_.History().Redo(photos_.CurrentId());
    UpdateControls();
}

void TFormMain::MenuUndoCloseClick() {
    photos_.UndoClose();
    UpdateControls();
}

void TFormMain::ShowDialogOf(TCommand command) {
    // A dialog that works on the current photo waits for one, as its command does.
    if (TActions::Row(command).enable != TEnable::Always && !photo_.Info()) return;
    QDialog* dialog = actions_.Dialog(command);
    if (!dialog) return;
    FinishLoading();
    auto* edit = qobject_cast<TEditDialog*>(dialog);
    TPhotoInfo* record = photo_.Info();
    // OK, or Apply left standing, is one step, however many times Apply was pressed.
    std::optional<TPhotoInfo> before;
    if (edit && record) before = *record;
    if (edit) PlaceBesidePhoto(dialog);
    const int result = dialog->exec();
    if (!before || photo_.Info() != record) return;
    if (result == TEditDialog::ResultAll) {
        std::vector<TSettingsHistory::TBefore> changes;
        for (int i = 0; i < photos_.Count(); ++i) {
            const TPhotoInfo* info = photos_.Record(i);
            changes.push_back({photos_.Id(i), info == record ? *before : *info});
        }
        CopyToEveryPhoto(edit->Group());
        photos_.History().RecordAll(changes, StepName(command) + QStringLiteral(" for All"));
    } else {
        photos_.History().Record(photos_.CurrentId(), *before, StepName(command));
    }
    UpdateControls();
}

void TFormMain::PlaceBesidePhoto(QWidget* dialog) {
    const QWidget* area = scrollBox_->viewport();
    const QRect shown = QRect(view_->mapTo(area, QPoint(0, 0)), view_->size()) & area->rect();
    const QRect photo =
        shown.isEmpty() ? QRect() : QRect(area->mapToGlobal(shown.topLeft()), shown.size());
    // A dialog's frame is known only once it has been shown: the window's stands in for it.
    // A dialog takes the size its controls ask for; another window keeps the one it has.
    if (qobject_cast<QDialog*>(dialog)) dialog->adjustSize();
    const QSize frame = frameGeometry().size() - size();
    const QScreen* screen = this->screen();
    dialog->move(DialogBesidePhoto(photo, frameGeometry(), dialog->size() + frame,
                                   screen ? screen->availableGeometry() : frameGeometry()));
}

// The others are not rendered now: each shows the change when it is next selected, since
// selecting a photo loads and renders it.
void TFormMain::CopyToEveryPhoto(TFieldGroup group) {
    const TPhotoInfo* current = photo_.Info();
    if (!current) return;
    for (int i = 0; i < photos_.Count(); ++i) CopyFieldGroup(group, *current, *photos_.Record(i));
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
        platform_.ShowError(this, error.Message(), AsSentence(error.Reason()));
    }
}

void TFormMain::MenuContentsClick() {
    if (HelpIndexFile().isEmpty()) {
        platform_.ShowWarning(this,
                              QStringLiteral("Cannot open the user guide: it is not installed!"));
        return;
    }
    if (!help_) {
        help_ = new TFormHelp(platform_, this);
        // The guide is read beside the photo it explains, not over it.
        PlaceBesidePhoto(help_);
    }
    help_->ShowPage();
}

void TFormMain::MenuHomepageClick() {
    platform_.OpenUrl(HomepageUrl());
}

void TFormMain::MenuAddClick() {
    TPhotoInfo* info = photo_.Info();
    auto* dialog = static_cast<TFormAdd*>(actions_.Dialog(TCommand::Add));
    if (!info || dialog->exec() != QDialog::Accepted) return;
    try {
        AddTemplate(*info, dialog->Description(), dialog->MakeDefault());
    } catch (const TIniError& error) {
        platform_.ShowWarning(this, error.Message(), AsSentence(error.Reason()));
    }
    BuildTemplatesMenu();
    UpdateControls();
}

void TFormMain::MenuManageClick() {
    actions_.Dialog(TCommand::Manage)->exec();
    BuildTemplatesMenu();
    UpdateControls();
}

void TFormMain::BuildTemplatesMenu() {
    QMenu* menu = actions_.Menu(TMenu::Templates);
    for (QAction* item : actions_.TemplateItems()) {
        menu->removeAction(item);
        delete item;
    }
    int number = 1;
    for (const TTemplateItem& t : ListTemplates(TIniFile(TemplatesFile()))) {
        auto* item = new QAction(TemplateMenuCaption(number, t.description, t.isDefault), menu);
        item->setObjectName(QStringLiteral("MenuTemplate%1").arg(number));
        item->setData(t.section);
        connect(item, &QAction::triggered, this,
                [this, section = t.section] { TemplateItemClick(section); });
        menu->addAction(item);
        ++number;
    }
}

// Per-photo fields (crop, orientation, colour balance) stay; a template whose section has
// gone meanwhile gives the built-in defaults.
void TFormMain::TemplateItemClick(const QString& section) {
    TPhotoInfo* info = photo_.Info();
    if (!info) return;
    const TPhotoInfo before = *info;
    info->ReadTemplate(TemplatesFile(), section);
    photo_.Render();
    photos_.History().Record(photos_.CurrentId(), before, QStringLiteral("Template"));
    UpdateControls();
}

void TFormMain::MenuWebpageClick() {
    if (!photo_.Info()) return;
    try {
        WriteOpenPhotos();
    } catch (const TIniError& error) {
        platform_.ShowError(this, error.Message(), AsSentence(error.Reason()));
        return;
    }
    ShowDialogOf(TCommand::Webpage);
}

void TFormMain::WriteOpenPhotos() {
    std::vector<const TPhotoInfo*> photos;
    for (int i = 0; i < photos_.Count(); ++i) photos.push_back(photos_.Record(i));
    vellumora::WriteOpenPhotos(OpenPhotosFile(), photos);
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
