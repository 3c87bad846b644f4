#include "forms/main/FormMain.h"

#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QLabel>
#include <QMenu>
#include <QMimeData>
#include <QScrollArea>
#include <QScrollBar>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>
#include <QUrl>
#include <optional>

#include "codec/Codec.h"
#include "forms/common/EditDialog.h"
#include "forms/common/PhotoFiles.h"
#include "forms/common/Platform.h"
#include "forms/main/Help.h"
#include "forms/main/PhotoView.h"
#include "forms/templates/FormAdd.h"
#include "photos/album/Album.h"
#include "photos/settings/Color.h"
#include "photos/settings/IniFile.h"
#include "photos/settings/ProgramFolder.h"
#include "photos/settings/Templates.h"
#include "photos/stages/Thumbnail.h"

namespace vellumora {
namespace {

const QString kTitle = QStringLiteral("Vellumora");
const QString kSettingsSection = QStringLiteral("APPLICAITON");  // sic: the file's own spelling
const QString kBackgroundKey = QStringLiteral("BACKGROUND");
constexpr TColor kClWindow = 0xFF000005;

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

    actions_.Build(*this);
    CreateToolBars();
    CreatePhotoArea();
    CreateStatusBar();
    actions_.CreateDialogs(*this);

    connect(&photo_, &TPhoto::Changed, this, &TFormMain::PhotoChange);
    connect(&photo_, &TPhoto::ErrorReported, this,
            [this](const QString& message) { platform_.ShowError(this, message); });
    ReadBackground();
    BuildTemplatesMenu();
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
    tools->setToolButtonStyle(Qt::ToolButtonTextOnly);
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

void TFormMain::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (shown_) return;
    shown_ = true;
    // Once the window is on the screen, so that the about box opens over it.
    QTimer::singleShot(0, this, &TFormMain::FormShow);
}

void TFormMain::FormShow() {
    if (aboutAtStart_) ShowDialogOf(TCommand::About);
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
        strip_->SetThumbnail(index, MakeThumbnail(photo_.Original(), kThumbnailSize));
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

    actions_.Update({.photo = hasPhoto,
                     .previous = count > 0 && !strip_->IsPressed(0),
                     .next = count > 0 && !strip_->IsPressed(count - 1),
                     .zoom = photo_.Zoom()});
}

void TFormMain::MenuOpenClick() {
    const QString path = platform_.OpenFile(this, QStringLiteral("Open"), PhotoOpenFilter());
    if (!path.isEmpty()) OpenPhoto(path, false);
}

void TFormMain::MenuCurrentClick() {
    if (!photo_.Info()) return;
    const QString path = platform_.OpenFile(this, QStringLiteral("Open"), PhotoOpenFilter());
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

void TFormMain::ShowDialogOf(TCommand command) {
    // A dialog that works on the current photo waits for one, as its command does.
    if (TActions::Row(command).enable != TEnable::Always && !photo_.Info()) return;
    QDialog* dialog = actions_.Dialog(command);
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

void TFormMain::MenuAddClick() {
    TPhotoInfo* info = photo_.Info();
    auto* dialog = static_cast<TFormAdd*>(actions_.Dialog(TCommand::Add));
    if (!info || dialog->exec() != QDialog::Accepted) return;
    try {
        AddTemplate(*info, dialog->Description(), dialog->MakeDefault());
    } catch (const TIniError& error) {
        platform_.ShowWarning(this, error.Message());
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
    info->ReadTemplate(TemplatesFile(), section);
    photo_.LoadMask();
    photo_.Render();
}

void TFormMain::MenuWebpageClick() {
    if (!photo_.Info()) return;
    try {
        WriteOpenPhotos();
    } catch (const TIniError& error) {
        platform_.ShowError(this, error.Message());
        return;
    }
    ShowDialogOf(TCommand::Webpage);
}

void TFormMain::WriteOpenPhotos() {
    std::vector<const TPhotoInfo*> photos;
    for (int i = 0; i < strip_->Count(); ++i) photos.push_back(strip_->Info(i));
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
