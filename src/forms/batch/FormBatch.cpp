#include "forms/batch/FormBatch.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QShowEvent>
#include <QStyledItemDelegate>
#include <QTextDocument>
#include <QUrl>
#include <QVBoxLayout>
#include <algorithm>
#include <utility>

#include "forms/common/Controls.h"
#include "forms/common/NumberBox.h"
#include "forms/common/PhotoFiles.h"
#include "forms/common/Platform.h"
#include "photos/Photo.h"
#include "photos/batch/Batch.h"

namespace vellumora {
namespace {

constexpr int kAffixTyping = 50;
constexpr int kFolderTyping = 200;
// The coloured frame around a thumbnail, and the room for it on the list's grid.
constexpr int kFrame = 3;
constexpr int kCell = kBatchThumbnailSide + 2 * kFrame + 6;

// Each entry: its thumbnail centred in the entry's bounds on a 3-pixel frame, the
// highlight colour when selected and the list's background otherwise; no caption and no
// focus rectangle.
class TThumbnailDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        const QRect& bounds = option.rect;
        const int side = kBatchThumbnailSide;
        // Right and bottom exclusive, as (L + R - 68) div 2.
        const int x = (2 * bounds.left() + bounds.width() - side) / 2;
        const int y = (2 * bounds.top() + bounds.height() - side) / 2;
        const bool selected = option.state & QStyle::State_Selected;
        painter->fillRect(QRect(x - kFrame, y - kFrame, side + 2 * kFrame, side + 2 * kFrame),
                          option.palette.color(selected ? QPalette::Highlight : QPalette::Base));
        painter->drawImage(QPoint(x, y), index.data(Qt::DecorationRole).value<QImage>());
    }
    QSize sizeHint(const QStyleOptionViewItem&, const QModelIndex&) const override {
        return QSize(kCell, kCell);
    }
};

QLineEdit* MakeBox(const char* name, const QString& accessibleName, int typing, QWidget* parent) {
    auto* box = new QLineEdit(parent);
    box->setObjectName(QLatin1String(name));
    box->setAccessibleName(accessibleName);
    // Not setMaxLength: a longer folder chosen with "Browse" must stay whole.
    SetTypingLimit(box, typing);
    return box;
}

}  // namespace

// The list of thumbnails; photos dropped on it from a file manager are added.
class TBatchListView : public QListView {
public:
    TBatchListView(TFormBatch* form, QWidget* parent) : QListView(parent), form_(form) {
        setObjectName(QStringLiteral("ListView"));
        setAccessibleName(QStringLiteral("Photos"));
        setViewMode(QListView::IconMode);
        setMovement(QListView::Static);
        setResizeMode(QListView::Adjust);
        setWrapping(true);
        setUniformItemSizes(true);
        setGridSize(QSize(kCell, kCell));
        setSelectionMode(QAbstractItemView::ExtendedSelection);
        setEditTriggers(QAbstractItemView::NoEditTriggers);
        setDragEnabled(false);
        setAcceptDrops(true);
        viewport()->setAcceptDrops(true);
        setItemDelegate(new TThumbnailDelegate(this));
    }

protected:
    void dragEnterEvent(QDragEnterEvent* event) override { Offer(event); }
    void dragMoveEvent(QDragMoveEvent* event) override { Offer(event); }
    void dropEvent(QDropEvent* event) override {
        const QStringList files = Accepted(event);
        if (files.isEmpty()) return;
        event->acceptProposedAction();
        form_->AddFiles(files);
    }

private:
    QStringList Accepted(const QDropEvent* event) const {
        if (form_->Building()) return {};
        return DroppedPhotoFiles(event->mimeData());
    }
    void Offer(QDropEvent* event) {
        if (Accepted(event).isEmpty())
            event->ignore();
        else
            event->acceptProposedAction();
    }

    TFormBatch* form_;
};

TFormBatch::TFormBatch(TPhoto& photo, TPlatform& platform, QWidget* parent)
    : QDialog(parent), photo_(photo), platform_(platform) {
    setObjectName(QStringLiteral("FormBatch"));
    setWindowTitle(QStringLiteral("Batch with Current Settings"));
    setAccessibleName(windowTitle());

    listView_ = new TBatchListView(this, this);
    listView_->setModel(&list_);
    listView_->setMinimumSize(5 * kCell + 8, 3 * kCell + 8);
    buttonAdd_ = MakeButton("ButtonAdd", QStringLiteral("Add"), this);
    buttonRemove_ = MakeButton("ButtonRemove", QStringLiteral("Remove"), this);
    buttonRotate_ = MakeButton("ButtonRotate", QStringLiteral("Rotate"), this);

    checkBoxCrop_ = new QCheckBox(QStringLiteral("Auto Crop"), this);
    checkBoxCrop_->setObjectName(QStringLiteral("CheckBoxCrop"));
    comboBoxRatio_ = MakeList("ComboBoxRatio", QStringLiteral("Ratio"), BatchRatioCaptions(), this);
    comboBoxType_ = MakeList("ComboBoxType", QStringLiteral("Type"), BatchTypeCaptions(), this);
    comboBoxCase_ = MakeList("ComboBoxCase", QStringLiteral("Case"), BatchCaseCaptions(), this);
    editPrefix_ = MakeBox("EditPrefix", QStringLiteral("Prefix"), kAffixTyping, this);
    editSuffix_ = MakeBox("EditSuffix", QStringLiteral("Suffix"), kAffixTyping, this);
    editFolder_ = MakeBox("EditFolder", QStringLiteral("Folder"), kFolderTyping, this);
    buttonBrowse_ = MakeButton("ButtonBrowse", QStringLiteral("Browse"), this);
    buttonBuild_ = MakeButton("ButtonBuild", QStringLiteral("Build"), this);
    buttonCancel_ = MakeButton("ButtonCancel", QStringLiteral("Close"), this);
    progressBar_ = new QProgressBar(this);
    progressBar_->setObjectName(QStringLiteral("ProgressBar"));
    progressBar_->setAccessibleName(QStringLiteral("Progress"));
    progressBar_->setFormat(QStringLiteral("%v of %m"));
    labelStatus_ = new QLabel(this);
    labelStatus_->setObjectName(QStringLiteral("LabelStatus"));
    labelStatus_->setWordWrap(true);

    auto* listButtons = new QVBoxLayout;
    for (QPushButton* button : {buttonAdd_, buttonRemove_, buttonRotate_})
        listButtons->addWidget(button);
    listButtons->addStretch(1);
    auto* top = new QHBoxLayout;
    top->addWidget(listView_, 1);
    top->addLayout(listButtons);

    auto* options = new QGridLayout;
    options->setColumnStretch(1, 1);
    options->setColumnStretch(3, 1);
    // The ratio's label stands beside Auto Crop, which enables it.
    auto* crop = new QHBoxLayout;
    crop->addWidget(checkBoxCrop_);
    crop->addStretch(1);
    crop->addWidget(MakeLabel("LabelRatio", QStringLiteral("Ratio:"), this, comboBoxRatio_));
    options->addLayout(crop, 0, 0);
    options->addWidget(comboBoxRatio_, 0, 1);
    options->addWidget(MakeLabel("LabelType", QStringLiteral("Type:"), this, comboBoxType_), 0, 2);
    options->addWidget(comboBoxType_, 0, 3, 1, 2);
    options->addWidget(MakeLabel("LabelPrefix", QStringLiteral("Prefix:"), this, editPrefix_), 1,
                       0);
    options->addWidget(editPrefix_, 1, 1);
    options->addWidget(MakeLabel("LabelCase", QStringLiteral("Case:"), this, comboBoxCase_), 1, 2);
    options->addWidget(comboBoxCase_, 1, 3, 1, 2);
    options->addWidget(MakeLabel("LabelSuffix", QStringLiteral("Suffix:"), this, editSuffix_), 2,
                       0);
    options->addWidget(editSuffix_, 2, 1);
    options->addWidget(MakeLabel("LabelFolder", QStringLiteral("Folder:"), this, editFolder_), 3,
                       0);
    options->addWidget(editFolder_, 3, 1, 1, 3);
    options->addWidget(buttonBrowse_, 3, 4);

    auto* bottom = new QHBoxLayout;
    bottom->addWidget(progressBar_, 1);
    bottom->addWidget(labelStatus_, 1);
    bottom->addWidget(buttonBuild_);
    bottom->addWidget(buttonCancel_);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top, 1);
    layout->addLayout(options);
    layout->addLayout(bottom);

    QWidget* previous = listView_;
    for (QWidget* next : std::initializer_list<QWidget*>{
             buttonAdd_, buttonRemove_, buttonRotate_, checkBoxCrop_, comboBoxRatio_, comboBoxType_,
             editPrefix_, comboBoxCase_, editSuffix_, editFolder_, buttonBrowse_, buttonBuild_,
             buttonCancel_}) {
        setTabOrder(previous, next);
        previous = next;
    }

    connect(buttonAdd_, &QPushButton::clicked, this, &TFormBatch::ButtonAddClick);
    connect(buttonRemove_, &QPushButton::clicked, this, &TFormBatch::ButtonRemoveClick);
    connect(buttonRotate_, &QPushButton::clicked, this, &TFormBatch::ButtonRotateClick);
    connect(buttonBrowse_, &QPushButton::clicked, this, &TFormBatch::ButtonBrowseClick);
    connect(buttonBuild_, &QPushButton::clicked, this, &TFormBatch::ButtonBuildClick);
    connect(buttonCancel_, &QPushButton::clicked, this, &TFormBatch::reject);
    connect(checkBoxCrop_, &QCheckBox::toggled, this, &TFormBatch::UpdateControls);
    connect(listView_->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &TFormBatch::UpdateControls);
    connect(&list_, &QAbstractItemModel::rowsInserted, this, &TFormBatch::UpdateControls);
    connect(&list_, &QAbstractItemModel::rowsRemoved, this, &TFormBatch::UpdateControls);
    connect(&list_, &QAbstractItemModel::modelReset, this, &TFormBatch::UpdateControls);
    connect(&loader_, &TThumbnailLoader::Loaded, this, &TFormBatch::ThumbnailLoaded);
    connect(&job_, &TBatchJob::Progress, this, &TFormBatch::RunProgress);
    connect(&job_, &TBatchJob::Finished, this, &TFormBatch::RunFinished);

    resize(640, 520);
    FormShow();
}

TBatchChoices TFormBatch::Choices() const {
    TBatchChoices choices;
    choices.autoCrop = checkBoxCrop_->isChecked();
    choices.ratioIndex = comboBoxRatio_->currentIndex();
    choices.typeIndex = comboBoxType_->currentIndex();
    choices.caseIndex = comboBoxCase_->currentIndex();
    choices.prefix = editPrefix_->text();
    choices.suffix = editSuffix_->text();
    choices.folder = editFolder_->text();
    return choices;
}

void TFormBatch::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    // Not when the window manager shows it again after minimising.
    if (!event->spontaneous()) FormShow();
}

void TFormBatch::reject() {
    loader_.Cancel();
    if (job_.Running()) {
        job_.Stop();
        quietRun_ = true;
    }
    QDialog::reject();
}

// Every showing starts empty, with the controls at their first settings.
void TFormBatch::FormShow() {
    loader_.Cancel();
    addTotal_ = addDone_ = 0;
    leftOut_.clear();
    // A run from an earlier showing may still finish its last files; it ends unreported,
    // and Build waits for it.
    if (job_.Running()) {
        job_.Stop();
        quietRun_ = true;
    }
    list_.Clear();
    checkBoxCrop_->setChecked(false);
    comboBoxRatio_->setCurrentIndex(0);
    comboBoxType_->setCurrentIndex(0);
    comboBoxCase_->setCurrentIndex(0);
    editPrefix_->clear();
    editSuffix_->clear();
    WriteNumberBox(editFolder_, DefaultBatchFolder());
    progressBar_->hide();
    SetStatus(QString());
    UpdateControls();
    listView_->setFocus(Qt::OtherFocusReason);
}

TPhotoInfo TFormBatch::Current() const {
    if (const TPhotoInfo* info = photo_.Info()) return *info;
    return TPhotoInfo::WithDefaultTemplate(QString());
}

QList<int> TFormBatch::SelectedRows() const {
    QList<int> rows;
    for (const QModelIndex& index : listView_->selectionModel()->selectedIndexes())
        rows << index.row();
    return rows;
}

void TFormBatch::UpdateControls() {
    const bool building = job_.Running() && !quietRun_;
    const bool idle = !job_.Running();
    const bool selected = listView_->selectionModel()->hasSelection();
    buttonAdd_->setEnabled(!building);
    buttonRemove_->setEnabled(!building && selected);
    buttonRotate_->setEnabled(!building && selected);
    for (QWidget* control :
         std::initializer_list<QWidget*>{checkBoxCrop_, comboBoxType_, comboBoxCase_, editPrefix_,
                                         editSuffix_, editFolder_, buttonBrowse_})
        control->setEnabled(!building);
    comboBoxRatio_->setEnabled(!building && checkBoxCrop_->isChecked());
    buttonBuild_->setText(building ? QStringLiteral("Stop") : QStringLiteral("Build"));
    buttonBuild_->setAccessibleName(buttonBuild_->text());
    buttonBuild_->setEnabled(building ? !job_.Stopping() : idle && !Adding() && list_.Count() > 0);
}

void TFormBatch::SetStatus(const QString& text, const QString& detail) {
    labelStatus_->setText(text);
    // As rich text, so that a file name is never taken for markup; one line per item.
    labelStatus_->setToolTip(
        detail.isEmpty() ? QString() : Qt::convertFromPlainText(detail, Qt::WhiteSpaceNoWrap));
    labelStatus_->setAccessibleDescription(detail);
}

void TFormBatch::ButtonAddClick() {
    AddFiles(platform_.OpenFiles(this, QStringLiteral("Open"), PhotoOpenFilter()));
}

void TFormBatch::AddFiles(const QStringList& files) {
    if (files.isEmpty() || Building()) return;
    if (!Adding()) {
        addTotal_ = addDone_ = 0;
        leftOut_.clear();
        SetStatus(QString());
    }
    addTotal_ += int(files.size());
    progressBar_->setRange(0, addTotal_);
    progressBar_->setValue(addDone_);
    progressBar_->show();
    loader_.Add(files);
    UpdateControls();
}

void TFormBatch::ThumbnailLoaded(quint64 key, const QString& file, const QImage& thumbnail) {
    if (!Adding()) return;
    ++addDone_;
    if (thumbnail.isNull()) {
        leftOut_.insert(key, file);
        SetStatus(LeftOutText(int(leftOut_.size())), LeftOutList(leftOut_.values()));
    } else {
        list_.Insert(key, BatchEntry(file, Current()), thumbnail);
    }
    progressBar_->setValue(addDone_);
    if (Adding()) return;
    progressBar_->hide();
    listView_->clearSelection();
    UpdateControls();
    emit AddingDone();
}

void TFormBatch::ButtonRemoveClick() {
    list_.Remove(SelectedRows());
    UpdateControls();
}

void TFormBatch::ButtonRotateClick() {
    list_.Rotate(SelectedRows());
}

void TFormBatch::ButtonBrowseClick() {
    const QString folder = platform_.ChooseFolder(
        this, QStringLiteral("Please choose a directory..."), editFolder_->text());
    if (!folder.isEmpty()) WriteNumberBox(editFolder_, folder);
}

void TFormBatch::ButtonBuildClick() {
    if (job_.Running()) {
        if (quietRun_) return;
        job_.Stop();
        SetStatus(QStringLiteral("Stopping after the photos in progress..."));
        UpdateControls();
        return;
    }
    if (list_.Count() == 0 || Adding()) return;
    runTotal_ = list_.Count();
    failed_.clear();
    if (!job_.Start(list_.Records(), BatchOptionsOf(Choices()))) return;
    SetStatus(QString());
    progressBar_->setRange(0, runTotal_);
    progressBar_->setValue(0);
    progressBar_->show();
    UpdateControls();
}

void TFormBatch::RunProgress(const TBatchItem& item, int done, int total) {
    if (quietRun_) return;
    if (!item.written) failed_ << item;
    progressBar_->setValue(done);
    emit BuildProgress(done, total);
}

void TFormBatch::RunFinished(const TBatchResult& result) {
    if (std::exchange(quietRun_, false)) {
        UpdateControls();
        return;
    }
    progressBar_->hide();
    SetStatus(QString());
    UpdateControls();
    switch (result.status) {
        case TBatchResult::Status::FolderEmpty:
            platform_.ShowError(this, result.message);
            editFolder_->setFocus(Qt::OtherFocusReason);
            break;
        case TBatchResult::Status::FolderNotCreated:
            platform_.ShowWarning(this, result.message);
            editFolder_->setFocus(Qt::OtherFocusReason);
            break;
        case TBatchResult::Status::Finished:
        case TBatchResult::Status::Cancelled: {
            const TBatchEndMessage message = BatchEndMessage(result, runTotal_, failed_);
            if (!message.ask)
                platform_.ShowWarning(this, message.text);
            else if (platform_.AskYesNo(this, message.text))
                platform_.OpenUrl(QUrl::fromLocalFile(QFileInfo(result.folder).absoluteFilePath()));
            break;
        }
    }
    emit BuildFinished();
}

}  // namespace vellumora
