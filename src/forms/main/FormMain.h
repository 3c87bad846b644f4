#pragma once

// The main window: the open photos as a strip of thumbnail buttons, the current photo in a
// scrolling area, the menus, tool buttons and keys that act on it, and the status bar.
// It shows the open photos (TOpenPhotos), which it is given and which outlive it; every
// edit dialog works on the record of their one photo object.

#include <QMainWindow>
#include <QStringList>
#include <optional>

#include "forms/main/Actions.h"
#include "forms/main/SaveAs.h"
#include "photos/OpenPhotos.h"
#include "photos/settings/FieldGroups.h"
#include "photos/settings/PhotoInfo.h"

class QLabel;
class QMimeData;
class QScrollArea;

namespace vellumora {

class TFormHelp;
class TPhotoStrip;
class TPhotoView;
class TPlatform;

// The application settings file, "Vellumora.dat" in the program folder.
QString ApplicationSettingsFile();

// In full screen the bars (menus, tool bars, photo strip, status bar) stand aside for the
// photo. They come back while the pointer touches the window's top edge and stay while it
// is over them: pointerY in the window, barsBottom where they end while shown.
bool FullScreenBarsShown(int pointerY, int barsBottom, bool shownNow);
// Left and Right in the photo area: the previous and the next photo while the photo has
// nothing to scroll sideways, as in the strip; otherwise they scroll, and give none.
std::optional<TCommand> ArrowKeyCommand(int key, Qt::KeyboardModifiers modifiers,
                                        bool scrollsSideways);

class TFormMain : public QMainWindow {
    Q_OBJECT

public:
    TFormMain(TPlatform& platform, TOpenPhotos& photos, QWidget* parent = nullptr);
    ~TFormMain() override;

    TOpenPhotos& Photos() { return photos_; }
    TPhoto& Photo() { return photo_; }
    TPhotoLoader& Loader() { return photos_.Loader(); }
    TPlatform& Platform() { return platform_; }
    TPhotoStrip* Strip() const { return strip_; }
    TPhotoView* View() const { return view_; }
    // The guide's window, once F1 has made it.
    TFormHelp* Help() const { return help_; }
    // The colour of the photo area.
    QColor Background() const;

    // Start-up, done once when the window is first shown: the about box, modally (unless
    // the user turned it off there: "SHOWABOUT" in the settings file), then the photos
    // given, opened as "Open..." opens them. Neither by default.
    void SetAboutAtStart(bool show) { aboutAtStart_ = show; }
    void SetStartupPhotos(const QStringList& paths) { startupPhotos_ = paths; }
    // Shows the window where it was left when the program last ended (section "WINDOW" of
    // the settings file), maximised unless it was left otherwise.
    void ShowAtStoredPlace();

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
    // A palette of another lightness (the desktop turned dark or light) brings the icons
    // drawn for it.
    void changeEvent(QEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    // Space and Backspace, when the control with the focus leaves them: the next and the
    // previous photo; Esc leaves full screen.
    void keyPressEvent(QKeyEvent* event) override;

private:
    // The command table reaches the click handlers.
    friend class TActions;

    void CreateToolBars();
    void CreatePhotoArea();
    void CreateStatusBar();

    void FormShow();
    // The about box, unless its "Show at start" was turned off; storing that choice.
    void ShowAboutAtStart();
    void PhotoButtonClick(int index);
    // What needs the current photo's pixels waits for them first, with a busy pointer and
    // a word in the status bar: the wait is the decode and render of that one photo at most.
    void FinishLoading();
    void PhotoChange();
    void ScrollBoxResize();
    // The photo area's size with neither scroll bar.
    QSize AreaWithoutBars() const;
    // The empty area says how to begin.
    void PaintEmptyArea();

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
    void MenuZoomInClick();
    void MenuZoomOutClick();
    // Fits the whole photo to the photo area, and keeps fitting it (to other photos,
    // edits, turns and sizes of the window) until a zoom is chosen.
    void MenuFitClick();
    void MenuFullScreenClick();
    // Shows or hides the menus, tool bars, strip and status bar.
    void ShowBars(bool show);
    // Sets the zoom so that the point of the photo at anchor (in the photo area) stays
    // there, or the one at the area's centre stays at its centre. Both end fitting.
    void ZoomAt(int zoom, QPoint anchor, bool centre = false);
    void ZoomKeepingCentre(int zoom);
    // While fitting: gives the photo the zoom that fits the area, when it has another
    // (which shows it again); false when nothing changed.
    bool Refit();
    // Ctrl+wheel zooms about the pointer; a left-button drag moves a photo larger than
    // the area. False when the event is not one of those.
    bool PhotoAreaPointer(QEvent* event);
    void MenuUndoClick();
    void MenuRedoClick();
    void MenuUndoCloseClick();
    void MenuContentsClick();
    void MenuHomepageClick();
    void MenuAddClick();
    void MenuManageClick();
    // The Templates menu's items after its fixed part: one per stored template.
    void BuildTemplatesMenu();
    // Gives the current photo the template fields of the template in that section.
    void TemplateItemClick(const QString& section);
    // Hands the open photos over in "Photos.dat", then shows the web album dialog.
    void MenuWebpageClick();
    void WriteOpenPhotos();
    // Turns or mirrors the current photo; the command names the undo step.
    void Orient(TCommand command, int (*turn)(int));
    // Runs the command's dialog, if it has one built, and spreads its settings on
    // "OK for All".
    void ShowDialogOf(TCommand command);
    // Moves an edit dialog (or the guide's window) beside the photo rather than over it,
    // so that Apply shows what it did.
    void PlaceBesidePhoto(QWidget* dialog);
    void CopyToEveryPhoto(TFieldGroup group);

    void ReadBackground();
    // Stores the window's place for the next start; a file that refuses it stops nothing.
    void WriteWindowPlace();
    void SetBackground(TColor color);

    TPlatform& platform_;
    TOpenPhotos& photos_;
    TPhoto& photo_;  // the open photos' one photo object
    TSaveAs saveAs_;
    TColor background_ = 0;
    bool aboutAtStart_ = false;
    bool shown_ = false;
    bool barsShown_ = true;
    QStringList startupPhotos_;

    TActions actions_;
    TPhotoStrip* strip_ = nullptr;
    TPhotoView* view_ = nullptr;
    QScrollArea* scrollBox_ = nullptr;
    QLabel* panels_[4] = {};
    QLabel* originalPanel_ = nullptr;  // the original's size, beside the picture's
    bool fitting_ = false;             // Fit to Window, until a zoom is chosen
    bool placing_ = false;             // the area's own resizes, while the photo is placed
    TFormHelp* help_ = nullptr;
    // A drag of the photo: where it started, on the screen, and the scroll position then.
    bool dragging_ = false;
    QPointF dragStart_;
    QPoint dragScroll_;
    int wheelDelta_ = 0;  // wheel turns below one notch, kept for the next
};

}  // namespace vellumora
