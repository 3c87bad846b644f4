#pragma once

// The batch dialog: a list of files, each converted with the current photo's template
// settings (optionally cropped to a print ratio and turned), written into one folder under
// a chosen type and naming rule. Thumbnails are made and files converted on worker
// threads; the dialog keeps answering, and "Build" becomes "Stop" while a run goes.

#include <QDialog>
#include <QImage>
#include <QList>
#include <QMap>

#include "forms/batch/BatchChoices.h"
#include "forms/batch/BatchList.h"
#include "forms/batch/BatchWork.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QListView;
class QProgressBar;
class QPushButton;

namespace vellumora {

class TBatchListView;
class TPhoto;
class TPlatform;

class TFormBatch : public QDialog {
    Q_OBJECT

public:
    TFormBatch(TPhoto& photo, TPlatform& platform, QWidget* parent = nullptr);

    const TBatchList& List() const { return list_; }
    // The controls' settings for a run.
    TBatchChoices Choices() const;
    // While thumbnails of added files are still being made.
    bool Adding() const { return addDone_ < addTotal_; }
    // While a run started here goes.
    bool Building() const { return job_.Running(); }

public slots:
    void ButtonAddClick();
    void ButtonRemoveClick();
    void ButtonRotateClick();
    void ButtonBrowseClick();
    // Starts a run, or stops the one going.
    void ButtonBuildClick();
    // Adds files as "Add" does with the files chosen, or a drop with the files dropped.
    void AddFiles(const QStringList& files);

signals:
    // Every file added so far has its thumbnail or was left out.
    void AddingDone();
    // A file of the run is done; emitted on the window's thread.
    void BuildProgress(int done, int total);
    // A run ended and its message was shown (or the folder warning).
    void BuildFinished();

protected:
    void showEvent(QShowEvent* event) override;
    // Closing during a run stops it; the files in progress finish in the background.
    void reject() override;

private:
    void FormShow();
    void ThumbnailLoaded(quint64 key, const QString& file, const QImage& thumbnail);
    void RunProgress(const TBatchItem& item, int done, int total);
    void RunFinished(const TBatchResult& result);
    void UpdateControls();
    // The status line's text; detail (plain text, one item a line) is its tooltip and what
    // screen readers add to it.
    void SetStatus(const QString& text, const QString& detail = QString());
    QList<int> SelectedRows() const;
    TPhotoInfo Current() const;

    TPhoto& photo_;
    TPlatform& platform_;
    TBatchList list_;
    TThumbnailLoader loader_;
    TBatchJob job_;

    int addTotal_ = 0;
    int addDone_ = 0;
    // The files of this adding that cannot be read, by their key: the order they were chosen.
    QMap<quint64, QString> leftOut_;
    int runTotal_ = 0;
    QList<TBatchItem> failed_;
    // The run's end is not reported: the dialog was closed or shown afresh meanwhile.
    bool quietRun_ = false;

    TBatchListView* listView_ = nullptr;
    QPushButton* buttonAdd_ = nullptr;
    QPushButton* buttonRemove_ = nullptr;
    QPushButton* buttonRotate_ = nullptr;
    QCheckBox* checkBoxCrop_ = nullptr;
    QComboBox* comboBoxRatio_ = nullptr;
    QComboBox* comboBoxType_ = nullptr;
    QComboBox* comboBoxCase_ = nullptr;
    QLineEdit* editPrefix_ = nullptr;
    QLineEdit* editSuffix_ = nullptr;
    QLineEdit* editFolder_ = nullptr;
    QPushButton* buttonBrowse_ = nullptr;
    QPushButton* buttonBuild_ = nullptr;
    QPushButton* buttonCancel_ = nullptr;
    QProgressBar* progressBar_ = nullptr;
    QLabel* labelStatus_ = nullptr;
};

}  // namespace vellumora
