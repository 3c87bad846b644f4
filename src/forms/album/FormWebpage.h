#pragma once

// The web album dialog: the page's width, encoding, background, columns, margin, order,
// title, description and copyright with their fonts, and the export folder. Build exports
// the photos listed in "Photos.dat" on worker threads while the dialog stays responsive;
// its progress bar counts them and the Close button cancels until the build ends.

#include <QDialog>
#include <functional>

#include "photos/Jobs.h"
#include "photos/album/Album.h"

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;

namespace vellumora {

class TPlatform;
class TSpinnerBox;

class TFormWebpage : public QDialog {
    Q_OBJECT

public:
    explicit TFormWebpage(TPlatform& platform, QWidget* parent = nullptr);
    // A build still running is cancelled and waited for.
    ~TFormWebpage() override;

    TColor PageColor() const { return pageColor_; }
    const TAlbumFont& TitleFont() const { return titleFont_; }
    const TAlbumFont& DescriptionFont() const { return descriptionFont_; }
    const TAlbumFont& CopyrightFont() const { return copyrightFont_; }
    // The options Build gathers from the controls.
    TAlbumOptions Options() const;
    bool Building() const { return building_; }

    // Photos exported at once; 0 (the default) means one per core.
    void SetJobs(int jobs) { jobs_ = jobs; }
    // Runs on the worker thread about to export photo number (from 1), before the dialog's
    // cancel is looked at: lets a test hold a build at a known point.
    void SetPhotoStartHook(std::function<void(int number)> hook) { photoStart_ = std::move(hook); }

signals:
    // A build ended (finished, failed or cancelled) and its messages were answered.
    void BuildEnded(const vellumora::TAlbumResult& result);

public slots:
    void ComboBoxEncodingChange();
    void ComboBoxStyleChange();
    void BitBtnBackgroundClick();
    void ButtonTitleClick();
    void ButtonDescriptionClick();
    void ButtonCopyrightClick();
    void ButtonBrowseClick();
    void ButtonBuildClick();
    // Closes the dialog, or during a build cancels it.
    void ButtonCancelClick();

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void reject() override;

private:
    struct TFontControls {
        TAlbumFont* font;
        QPushButton* button;
        QPushButton* color;
    };

    void FormShow();
    void ChooseFont(const TFontControls& controls);
    void ChooseFontColor(const TFontControls& controls);
    void UpdateCharsetEnabled();
    void ShowColors();
    void SetBuilding(bool building);
    void ShowProgress(int done);
    void BuildDone(const TAlbumResult& result);
    void LimitDescription();

    TPlatform& platform_;
    TColor pageColor_ = clWhite;
    TAlbumFont titleFont_;
    TAlbumFont descriptionFont_;
    TAlbumFont copyrightFont_;

    bool building_ = false;
    TJob job_;
    int jobs_ = 0;
    std::function<void(int)> photoStart_;

    QComboBox* comboBoxStyle_ = nullptr;
    QCheckBox* checkBoxDetails_ = nullptr;
    QComboBox* comboBoxWidth_ = nullptr;
    QComboBox* comboBoxEncoding_ = nullptr;
    QLineEdit* editCharset_ = nullptr;
    QPushButton* bitBtnBackground_ = nullptr;
    TSpinnerBox* column_ = nullptr;
    TSpinnerBox* margin_ = nullptr;
    QCheckBox* checkBoxShuffle_ = nullptr;
    QLineEdit* editTitle_ = nullptr;
    QPlainTextEdit* memoDescription_ = nullptr;
    QLineEdit* editCopyright_ = nullptr;
    QLineEdit* editFolder_ = nullptr;
    QPushButton* buttonBrowse_ = nullptr;
    QPushButton* buttonBuild_ = nullptr;
    QPushButton* buttonCancel_ = nullptr;
    QProgressBar* progressBar_ = nullptr;
    TFontControls title_{};
    TFontControls description_{};
    TFontControls copyright_{};
    QList<QWidget*> settings_;  // disabled during a build
    // Last, so that it goes first: it stops a build still running and waits for it.
    TJobRunner runner_{1};
};

}  // namespace vellumora
