#include "forms/templates/FormManage.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QShowEvent>
#include <QSignalBlocker>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "forms/common/Platform.h"
#include "forms/templates/TemplateWidgets.h"
#include "photos/Photo.h"
#include "photos/settings/IniFile.h"

namespace vellumora {
namespace {

struct TColumn {
    const char* caption;
    int width;
};
constexpr TColumn kColumns[] = {{"Description", 160}, {"Max Size", 60}, {"Watermark", 120},
                                {"Mask", 60},         {"Border", 60},   {"Shadow", 60}};

QString HasOrNo(bool has) {
    return has ? QStringLiteral("Has") : QStringLiteral("No");
}

}  // namespace

TFormManage::TFormManage(TPlatform& platform, QWidget* parent, const QString& path)
    : QDialog(parent), platform_(platform), path_(path) {
    setObjectName(QStringLiteral("FormManage"));
    setWindowTitle(QStringLiteral("Manage Templates"));

    listView_ = new QTreeWidget(this);
    listView_->setObjectName(QStringLiteral("ListView"));
    listView_->setAccessibleName(QStringLiteral("Templates"));
    listView_->setRootIsDecorated(false);
    listView_->setItemsExpandable(false);
    listView_->setUniformRowHeights(true);
    listView_->setSelectionMode(QAbstractItemView::SingleSelection);
    listView_->setSelectionBehavior(QAbstractItemView::SelectRows);
    listView_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    listView_->setAllColumnsShowFocus(true);
    listView_->setColumnCount(int(std::size(kColumns)));
    QStringList captions;
    for (const TColumn& column : kColumns) captions << QLatin1String(column.caption);
    listView_->setHeaderLabels(captions);
    listView_->header()->setStretchLastSection(false);
    int width = 0;
    for (int i = 0; i < int(std::size(kColumns)); ++i) {
        listView_->header()->resizeSection(i, kColumns[i].width);
        width += kColumns[i].width;
    }
    listView_->setMinimumSize(width + 8, 160);

    const TDescriptionGroup group = NewDescriptionGroup(this);
    editDescription_ = group.edit;
    checkDefault_ = group.checkDefault;
    remove_ = NewButton("ButtonRemove", QStringLiteral("Remove"), this);
    ok_ = NewButton("ButtonOK", QStringLiteral("OK"), this);
    cancel_ = NewButton("ButtonCancel", QStringLiteral("Cancel"), this);
    ok_->setDefault(true);

    auto* edit = new QHBoxLayout;
    edit->addWidget(group.box, 1);
    edit->addWidget(remove_, 0, Qt::AlignBottom);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(ok_);
    buttons->addWidget(cancel_);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(listView_, 1);
    layout->addLayout(edit);
    layout->addLayout(buttons);

    connect(listView_, &QTreeWidget::itemSelectionChanged, this, &TFormManage::ListViewSelectItem);
    // Both also run when the code sets the text or the state, as a change by the user does.
    connect(editDescription_, &QLineEdit::textChanged, this, &TFormManage::EditDescriptionChange);
    connect(checkDefault_, &QCheckBox::toggled, this, &TFormManage::CheckBoxDefaultClick);
    connect(remove_, &QPushButton::clicked, this, &TFormManage::ButtonRemoveClick);
    connect(ok_, &QPushButton::clicked, this, &TFormManage::ButtonOKClick);
    connect(cancel_, &QPushButton::clicked, this, &QDialog::reject);
    setTabOrder(listView_, editDescription_);
    setTabOrder(editDescription_, checkDefault_);
    setTabOrder(checkDefault_, remove_);
    setTabOrder(remove_, ok_);
    setTabOrder(ok_, cancel_);
}

QString TFormManage::StorePath() const {
    return path_.isEmpty() ? TemplatesFile() : path_;
}

void TFormManage::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!event->spontaneous()) FormShow();
}

void TFormManage::FormShow() {
    listView_->clear();
    edits_.Load(TIniFile(StorePath()));
    for (int row = 0; row < edits_.Count(); ++row) {
        const TTemplateSummary& t = edits_.Row(row);
        auto* item = new QTreeWidgetItem(listView_);
        item->setText(1, QString::number(t.max));
        item->setText(2, t.watermark);
        item->setText(3, HasOrNo(t.mask));
        item->setText(4, HasOrNo(t.border));
        item->setText(5, HasOrNo(t.shadow));
    }
    SetCaptions();
    listView_->clearSelection();
    ListViewSelectItem();
    listView_->setFocus(Qt::OtherFocusReason);
}

int TFormManage::Selected() const {
    const QList<QTreeWidgetItem*> selected = listView_->selectedItems();
    return selected.isEmpty() ? -1 : listView_->indexOfTopLevelItem(selected.first());
}

void TFormManage::SetCaptions() {
    for (int row = 0; row < edits_.Count(); ++row)
        listView_->topLevelItem(row)->setText(0, edits_.Caption(row));
}

void TFormManage::ListViewSelectItem() {
    const int row = Selected();
    if (row >= 0) {
        editDescription_->setText(edits_.Row(row).description);
        editDescription_->setEnabled(true);
        checkDefault_->setChecked(edits_.IsDefault(row));
        checkDefault_->setEnabled(true);
    } else {
        editDescription_->clear();
        editDescription_->setEnabled(false);
        checkDefault_->setChecked(false);
        checkDefault_->setEnabled(false);
    }
    remove_->setEnabled(row >= 0);
}

void TFormManage::EditDescriptionChange() {
    const int row = Selected();
    if (row < 0) return;
    edits_.Rename(row, editDescription_->text());
    listView_->topLevelItem(row)->setText(0, edits_.Caption(row));
}

void TFormManage::CheckBoxDefaultClick() {
    const int row = Selected();
    if (row < 0) return;
    edits_.SetDefault(row, checkDefault_->isChecked());
    SetCaptions();
}

void TFormManage::ButtonRemoveClick() {
    const int row = Selected();
    if (row < 0) return;
    const int next = edits_.Remove(row);
    {
        // The list's own moves while the row goes are not the user's: the row to select
        // is chosen below.
        const QSignalBlocker blocker(listView_);
        delete listView_->takeTopLevelItem(row);
        listView_->clearSelection();
    }
    if (next >= 0) listView_->setCurrentItem(listView_->topLevelItem(next));
    ListViewSelectItem();
}

void TFormManage::ButtonOKClick() {
    try {
        edits_.Save(StorePath());
    } catch (const TIniError& error) {
        platform_.ShowWarning(this, error.Message(), AsSentence(error.Reason()));
        return;
    }
    accept();
}

}  // namespace vellumora
