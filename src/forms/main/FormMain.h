#pragma once

// The main window: the open photos as a strip of thumbnail buttons, the current photo in a
// scrolling area, the menus, tool buttons and keys that act on it, and the status bar.
// It owns the one shared photo object; every edit dialog works on that object's record.

#include <QHash>
#include <QMainWindow>
#include <QStringList>
#include <utility>
#include <vector>

#include "photos/settings/FieldGroups.h"
#include "photos/Photo.h"
#include "photos/settings/PhotoInfo.h"
#include "forms/main/SaveAs.h"

class QActionGroup;
class QDialog;
class QLabel;
class QMenu;
class QMimeData;
class QScrollArea;
class QToolButton;

namespace vellumora {

class TFormAbout;
class TFormResize;
class TPhotoStrip;
class TPhotoView;
class TPlatform;

// The application settings file, "Vellumora.dat" in the program folder.
QString ApplicationSettingsFile();

class TFormMain : public QMainWindow {
    Q_OBJECT

public:
    explicit TFormMain(TPlatform& platform, QWidget* parent = nullptr);
    ~TFormMain() override;

    TPhoto& Photo() { return photo_; }
    TPhotoStrip* Strip() const { return strip_; }
    TPhotoView* View() const { return view_; }
    // The colour of the photo area.
    QColor Background() const;

    // Start-up, done once when the window is first shown: the about box, modally, then
    // the photos given, opened as "Open..." opens them. Neither by default.
    void SetAboutAtStart(bool show) { aboutAtStart_ = show; }
    void SetStartupPhotos(const QStringList& paths) { startupPhotos_ = paths; }

    // Adds a photo to the list and makes it current. With current settings (and a photo
    // current), the new record takes the current one's settings but starts with no crop,
    // rotation or colour change.
    void OpenPhoto(const QString& path, bool withCurrentSettings);
    // Presses photo button index and attaches its record to the photo.
    void SelectPhoto(int index);
    // Caption, status panels and every enabled and checked state, from the photo.
    void UpdateControls();

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void CreateActions();
    void CreateMenus();
    void CreateToolBars();
    void CreatePhotoArea();
    void CreateStatusBar();
    void CreateDialogs();
    QAction* NewAction(const char* name, const QString& caption);
    // An item of a popup or drop-down menu that clicks a main-menu item.
    QAction* NewForwarder(const char* name, QAction* target, bool mirrorEnabled);

    void FormShow();
    void PhotoButtonClick(int index);
    void PhotoChange();
    void ScrollBoxResize();

    void MenuOpenClick();
    void MenuCurrentClick();
    void MenuSaveClick();
    void MenuEmailClick();
    void MenuClipboardClick();
    void MenuCloseClick();
    void MenuAllClick();
    void MenuFirstClick();
    void MenuPreviousClick();
    void MenuNextClick();
    void MenuLastClick();
    void MenuBackgroundClick();
    void MenuContentsClick();
    void MenuHomepageClick();
    void MenuAboutClick();
    void Orient(int (*turn)(int));
    void ShowDialogOf(QAction* command);
    void CopyToEveryPhoto(TFieldGroup group);

    void ReadBackground();
    void SetBackground(TColor color);
    QStringList DroppedPhotos(const QMimeData* data) const;

    TPlatform& platform_;
    // Declared before every widget that shows it, so that it outlives them.
    TPhoto photo_;
    TSaveAs saveAs_;
    TColor background_ = 0;
    bool aboutAtStart_ = false;
    bool shown_ = false;
    QStringList startupPhotos_;

    TPhotoStrip* strip_ = nullptr;
    TPhotoView* view_ = nullptr;
    QScrollArea* scrollBox_ = nullptr;
    QLabel* panels_[4] = {};
    QMenu* popupMenu_ = nullptr;
    QMenu* dropMenu_ = nullptr;
    QMenu* menuTemplates_ = nullptr;
    QToolButton* toolButtonRotate_ = nullptr;
    QActionGroup* zoomGroup_ = nullptr;

    QAction* menuOpen_ = nullptr;
    QAction* menuCurrent_ = nullptr;
    QAction* menuSave_ = nullptr;
    QAction* menuEmail_ = nullptr;
    QAction* menuClipboard_ = nullptr;
    QAction* menuClose_ = nullptr;
    QAction* menuAll_ = nullptr;
    QAction* menuBatch_ = nullptr;
    QAction* menuFirst_ = nullptr;
    QAction* menuPrevious_ = nullptr;
    QAction* menuNext_ = nullptr;
    QAction* menuLast_ = nullptr;
    QAction* menuBackground_ = nullptr;
    QAction* menuExit_ = nullptr;
    QAction* menuResize_ = nullptr;
    QAction* menuCrop_ = nullptr;
    QAction* menuClockwise_ = nullptr;
    QAction* menuCounter_ = nullptr;
    QAction* menuHorizontally_ = nullptr;
    QAction* menuVertically_ = nullptr;
    QAction* menuColor_ = nullptr;
    QAction* menuWatermark_ = nullptr;
    QAction* menuBorder_ = nullptr;
    QAction* menuAdd_ = nullptr;
    QAction* menuManage_ = nullptr;
    QAction* menuWebpage_ = nullptr;
    QAction* menuContents_ = nullptr;
    QAction* menuHomepage_ = nullptr;
    QAction* menuAbout_ = nullptr;
    std::vector<QAction*> zoomItems_;

    // Enabled exactly while a photo is current.
    std::vector<QAction*> photoCommands_;
    // Popup items and the main-menu items whose enabled state they show.
    std::vector<std::pair<QAction*, QAction*>> twins_;

    // The dialog each command opens. Made once, with the window; a command whose dialog
    // is not built yet has none here and does nothing.
    QHash<QAction*, QDialog*> dialogs_;
    TFormAbout* formAbout_ = nullptr;
    TFormResize* formResize_ = nullptr;
};

}  // namespace vellumora
