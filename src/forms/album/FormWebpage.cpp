#include "forms/album/FormWebpage.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QShowEvent>
#include <QStyle>
#include <QTextCursor>
#include <QUrl>
#include <QVBoxLayout>

#include "forms/album/WebpageRules.h"
#include "forms/common/ColorSwatch.h"
#include "forms/common/Controls.h"
#include "forms/common/NumberBox.h"
#include "forms/common/Platform.h"
#include "photos/settings/Names.h"

namespace vellumora {
namespace {

const QString kCaption = QStringLiteral("HTML Webpage Maker");
constexpr QSize kBackgroundButton(133, 23);
constexpr int kColumnTyping = 2;
constexpr int kMarginTyping = 3;

QLineEdit* MakeEdit(const char* name, const QString& accessibleName, int maxLength,
                    QWidget* parent) {
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(QLatin1String(name));
    edit->setAccessibleName(accessibleName);
    edit->setMaxLength(maxLength);
    return edit;
}

TSpinnerBox* MakeSpinner(const char* edit, const char* upDown, const QString& accessibleName,
                         int minimum, int maximum, int typing, QWidget* parent) {
    auto* box = new QLineEdit(parent);
    box->setObjectName(QLatin1String(edit));
    box->setAccessibleName(accessibleName);
    box->setFixedWidth(box->fontMetrics().horizontalAdvance(QStringLiteral("99999")) + 12);
    auto* arrows = new TUpDown(parent);
    arrows->setObjectName(QLatin1String(upDown));
    arrows->SetRange(minimum, maximum);
    return new TSpinnerBox(box, arrows, typing);
}

}  // namespace

TFormWebpage::TFormWebpage(TPlatform& platform, QWidget* parent)
    : QDialog(parent), platform_(platform) {
    setObjectName(QStringLiteral("FormWebpage"));
    setWindowTitle(kCaption);
    titleFont_.Size = 24;

    // The white band: what the dialog is for.
    auto* band = new QWidget(this);
    band->setObjectName(QStringLiteral("PanelTop"));
    band->setAutoFillBackground(true);
    QPalette white = band->palette();
    white.setColor(QPalette::Window, Qt::white);
    white.setColor(QPalette::WindowText, Qt::black);
    band->setPalette(white);
    auto* icon = new QLabel(band);
    icon->setObjectName(QStringLiteral("ImageIcon"));
    icon->setPixmap(QIcon::fromTheme(QStringLiteral("text-html"),
                                     style()->standardIcon(QStyle::SP_DriveNetIcon))
                        .pixmap(32, 32));
    auto* hint =
        MakeLabel("LabelHint",
                  QStringLiteral("Create your own HTML web album page with opened photos."), band);
    auto* bandLayout = new QHBoxLayout(band);
    bandLayout->addWidget(icon);
    bandLayout->addSpacing(8);
    bandLayout->addWidget(hint, 1);

    // Left column: the page. Its style first: the classic page, or the Modern one with its
    // optional camera line; kept from one showing to the next, Classic at start.
    QGroupBox* groupStyle = MakeGroup("GroupBoxStyle", QStringLiteral(" Style "), this);
    comboBoxStyle_ =
        MakeList("ComboBoxStyle", QStringLiteral("Style"), AlbumStyleNames(), groupStyle);
    checkBoxDetails_ = new QCheckBox(QStringLiteral("Camera details"), groupStyle);
    checkBoxDetails_->setObjectName(QStringLiteral("CheckBoxDetails"));
    checkBoxDetails_->setAccessibleDescription(
        QStringLiteral("Date taken, camera and exposure under each caption"));
    auto* styleLayout = new QGridLayout(groupStyle);
    styleLayout->addWidget(
        MakeLabel("LabelStyle", QStringLiteral("&Style:"), groupStyle, comboBoxStyle_), 0, 0);
    styleLayout->addWidget(comboBoxStyle_, 0, 1);
    styleLayout->addWidget(checkBoxDetails_, 1, 0, 1, 2);

    QGroupBox* groupWidth = MakeGroup("GroupBoxWidth", QStringLiteral(" Width "), this);
    comboBoxWidth_ =
        MakeList("ComboBoxWidth", QStringLiteral("Width"), AlbumWidthItems(), groupWidth);
    (new QVBoxLayout(groupWidth))->addWidget(comboBoxWidth_);

    QGroupBox* groupEncoding = MakeGroup("GroupBoxEncoding", QStringLiteral(" Encoding "), this);
    comboBoxEncoding_ = MakeList("ComboBoxEncoding", QStringLiteral("Encoding"),
                                 AlbumEncodingItems(), groupEncoding);
    editCharset_ =
        MakeEdit("EditCharset", QStringLiteral("Charset"), kAlbumCharsetLength, groupEncoding);
    auto* encodingLayout = new QHBoxLayout(groupEncoding);
    encodingLayout->addWidget(comboBoxEncoding_);
    encodingLayout->addWidget(editCharset_, 1);

    QGroupBox* groupBackground =
        MakeGroup("GroupBoxBackground", QStringLiteral(" Background "), this);
    bitBtnBackground_ = MakeButton("BitBtnBackground", QString(), groupBackground);
    bitBtnBackground_->setAccessibleName(QStringLiteral("Background colour"));
    bitBtnBackground_->setFixedSize(kBackgroundButton);
    (new QVBoxLayout(groupBackground))->addWidget(bitBtnBackground_, 0, Qt::AlignLeft);

    QGroupBox* groupPhotos = MakeGroup("GroupBoxPhotos", QStringLiteral(" Photos "), this);
    column_ = MakeSpinner("EditColumn", "UpDownColumn", QStringLiteral("Column"), kAlbumColumnsMin,
                          kAlbumColumnsMax, kColumnTyping, groupPhotos);
    margin_ = MakeSpinner("EditMargin", "UpDownMargin", QStringLiteral("Margin"), 0,
                          kAlbumMarginMax, kMarginTyping, groupPhotos);
    checkBoxShuffle_ = new QCheckBox(QStringLiteral("Shuffle order"), groupPhotos);
    checkBoxShuffle_->setObjectName(QStringLiteral("CheckBoxShuffle"));
    auto* photosLayout = new QGridLayout(groupPhotos);
    photosLayout->addWidget(
        MakeLabel("LabelColumn", QStringLiteral("Column:"), groupPhotos, column_->Box()), 0, 0);
    auto* columnRow = new QHBoxLayout;
    columnRow->setSpacing(0);
    columnRow->addWidget(column_->Box());
    columnRow->addWidget(column_->UpDown());
    columnRow->addStretch(1);
    photosLayout->addLayout(columnRow, 0, 1);
    photosLayout->addWidget(
        MakeLabel("LabelMargin", QStringLiteral("Margin:"), groupPhotos, margin_->Box()), 1, 0);
    auto* marginRow = new QHBoxLayout;
    marginRow->setSpacing(0);
    marginRow->addWidget(margin_->Box());
    marginRow->addWidget(margin_->UpDown());
    marginRow->addSpacing(6);
    marginRow->addWidget(MakeLabel("LabelPixels", QStringLiteral("pixels"), groupPhotos));
    marginRow->addStretch(1);
    photosLayout->addLayout(marginRow, 1, 1);
    photosLayout->addWidget(checkBoxShuffle_, 2, 0, 1, 2);

    // Right column: the texts, their fonts, and where the album goes.
    const auto fontButtons = [this](QWidget* group, const char* button, const char* color,
                                    const QString& what, TAlbumFont* font) {
        TFontControls controls{font, MakeButton(button, QStringLiteral("Font"), group),
                               MakeButton(color, QString(), group)};
        controls.button->setAccessibleDescription(QStringLiteral("The font of the ") + what);
        // The font chooser has no colour: the swatch beside it chooses the font's colour.
        controls.color->setAccessibleName(what.left(1).toUpper() + what.mid(1) +
                                          QStringLiteral(" colour"));
        controls.color->setFixedSize(48, controls.button->sizeHint().height());
        connect(controls.color, &QPushButton::clicked, this,
                [this, controls] { ChooseFontColor(controls); });
        return controls;
    };
    QGroupBox* groupTitle = MakeGroup("GroupBoxTitle", QStringLiteral(" Title "), this);
    editTitle_ = MakeEdit("EditTitle", QStringLiteral("Title"), kAlbumTitleLength, groupTitle);
    title_ = fontButtons(groupTitle, "ButtonTitle", "ButtonTitleColor", QStringLiteral("title"),
                         &titleFont_);
    auto* titleLayout = new QHBoxLayout(groupTitle);
    titleLayout->addWidget(editTitle_, 1);
    titleLayout->addWidget(title_.button);
    titleLayout->addWidget(title_.color);

    QGroupBox* groupDescription =
        MakeGroup("GroupBoxDescription", QStringLiteral(" Description "), this);
    memoDescription_ = new QPlainTextEdit(groupDescription);
    memoDescription_->setObjectName(QStringLiteral("MemoDescription"));
    memoDescription_->setAccessibleName(QStringLiteral("Description"));
    memoDescription_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    // Tab leaves the memo, as in every other box, so the keyboard reaches what follows.
    memoDescription_->setTabChangesFocus(true);
    memoDescription_->setFixedHeight(memoDescription_->fontMetrics().lineSpacing() * 5 + 12);
    description_ = fontButtons(groupDescription, "ButtonDescription", "ButtonDescriptionColor",
                               QStringLiteral("description"), &descriptionFont_);
    auto* descriptionLayout = new QGridLayout(groupDescription);
    descriptionLayout->addWidget(memoDescription_, 0, 0, 2, 1);
    descriptionLayout->addWidget(description_.button, 0, 1);
    descriptionLayout->addWidget(description_.color, 0, 2);
    descriptionLayout->setRowStretch(1, 1);

    QGroupBox* groupCopyright = MakeGroup("GroupBoxCopyright", QStringLiteral(" Copyright "), this);
    editCopyright_ =
        MakeEdit("EditCopyright", QStringLiteral("Copyright"), kAlbumTitleLength, groupCopyright);
    copyright_ = fontButtons(groupCopyright, "ButtonCopyright", "ButtonCopyrightColor",
                             QStringLiteral("copyright"), &copyrightFont_);
    auto* copyrightLayout = new QHBoxLayout(groupCopyright);
    copyrightLayout->addWidget(editCopyright_, 1);
    copyrightLayout->addWidget(copyright_.button);
    copyrightLayout->addWidget(copyright_.color);

    QGroupBox* groupExport = MakeGroup("GroupBoxExport", QStringLiteral(" Export "), this);
    editFolder_ = MakeEdit("EditFolder", QStringLiteral("Folder"), kAlbumFolderLength, groupExport);
    buttonBrowse_ = MakeButton("ButtonBrowse", QStringLiteral("Browse"), groupExport);
    auto* exportLayout = new QHBoxLayout(groupExport);
    exportLayout->addWidget(
        MakeLabel("LabelFolder", QStringLiteral("Folder:"), groupExport, editFolder_));
    exportLayout->addWidget(editFolder_, 1);
    exportLayout->addWidget(buttonBrowse_);

    progressBar_ = new QProgressBar(this);
    progressBar_->setObjectName(QStringLiteral("ProgressBar"));
    progressBar_->setAccessibleName(QStringLiteral("Progress"));
    // Hidden, it keeps its place: the dialog's size is fixed.
    QSizePolicy keep = progressBar_->sizePolicy();
    keep.setRetainSizeWhenHidden(true);
    progressBar_->setSizePolicy(keep);
    progressBar_->hide();
    buttonBuild_ = MakeButton("ButtonBuild", QStringLiteral("Build"), this);
    buttonCancel_ = MakeButton("ButtonCancel", QStringLiteral("Close"), this);

    auto* left = new QVBoxLayout;
    for (QWidget* group : {groupStyle, groupWidth, groupEncoding, groupBackground, groupPhotos})
        left->addWidget(group);
    left->addStretch(1);
    auto* right = new QVBoxLayout;
    for (QWidget* group : {groupTitle, groupDescription, groupCopyright, groupExport})
        right->addWidget(group);
    auto* columns = new QHBoxLayout;
    columns->addLayout(left);
    columns->addLayout(right, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(progressBar_, 1);
    buttons->addSpacing(16);
    buttons->addWidget(buttonBuild_);
    buttons->addWidget(buttonCancel_);
    auto* body = new QVBoxLayout;
    body->setContentsMargins(11, 8, 11, 11);
    body->addLayout(columns);
    body->addLayout(buttons);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(band);
    layout->addLayout(body);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    groupDescription->setMinimumWidth(360);

    settings_ = {comboBoxStyle_,     checkBoxDetails_,  comboBoxWidth_,    comboBoxEncoding_,
                 editCharset_,       bitBtnBackground_, column_->Box(),    column_->UpDown(),
                 margin_->Box(),     margin_->UpDown(), checkBoxShuffle_,  editTitle_,
                 title_.button,      title_.color,      memoDescription_,  description_.button,
                 description_.color, editCopyright_,    copyright_.button, copyright_.color,
                 editFolder_,        buttonBrowse_,     buttonBuild_};

    const QList<QWidget*> tabOrder = {
        comboBoxStyle_,    checkBoxDetails_,    comboBoxWidth_,     comboBoxEncoding_,
        editCharset_,      bitBtnBackground_,   column_->Box(),     margin_->Box(),
        checkBoxShuffle_,  editTitle_,          title_.button,      title_.color,
        memoDescription_,  description_.button, description_.color, editCopyright_,
        copyright_.button, copyright_.color,    editFolder_,        buttonBrowse_,
        buttonBuild_,      buttonCancel_};
    for (qsizetype i = 1; i < tabOrder.size(); ++i) setTabOrder(tabOrder[i - 1], tabOrder[i]);

    connect(comboBoxEncoding_, &QComboBox::currentIndexChanged, this,
            &TFormWebpage::ComboBoxEncodingChange);
    connect(comboBoxStyle_, &QComboBox::currentIndexChanged, this,
            &TFormWebpage::ComboBoxStyleChange);
    ComboBoxStyleChange();
    connect(bitBtnBackground_, &QPushButton::clicked, this, &TFormWebpage::BitBtnBackgroundClick);
    connect(title_.button, &QPushButton::clicked, this, &TFormWebpage::ButtonTitleClick);
    connect(description_.button, &QPushButton::clicked, this,
            &TFormWebpage::ButtonDescriptionClick);
    connect(copyright_.button, &QPushButton::clicked, this, &TFormWebpage::ButtonCopyrightClick);
    connect(buttonBrowse_, &QPushButton::clicked, this, &TFormWebpage::ButtonBrowseClick);
    connect(buttonBuild_, &QPushButton::clicked, this, &TFormWebpage::ButtonBuildClick);
    connect(buttonCancel_, &QPushButton::clicked, this, &TFormWebpage::ButtonCancelClick);
    connect(memoDescription_, &QPlainTextEdit::textChanged, this, &TFormWebpage::LimitDescription);
}

// The runner, the last member, stops a build still running and waits for it.
TFormWebpage::~TFormWebpage() = default;

void TFormWebpage::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    // The program's show only: the window manager showing the dialog again (after it was
    // minimised, say) must not reset what the user typed.
    if (!event->spontaneous()) FormShow();
}

void TFormWebpage::FormShow() {
    pageColor_ = clWhite;
    titleFont_ = AlbumFontOnShow(titleFont_, 24);
    descriptionFont_ = AlbumFontOnShow(descriptionFont_, 12);
    copyrightFont_ = AlbumFontOnShow(copyrightFont_, 12);
    comboBoxWidth_->setCurrentIndex(1);
    comboBoxEncoding_->setCurrentIndex(1);
    ComboBoxEncodingChange();
    column_->SetValue(1);
    margin_->SetValue(10);
    checkBoxShuffle_->setChecked(false);
    editTitle_->setText(QStringLiteral("My Photo Album"));
    memoDescription_->clear();
    editCopyright_->clear();
    editFolder_->setText(DefaultAlbumFolder());
    if (!Building()) progressBar_->hide();
    ShowColors();
    editTitle_->setFocus();
}

void TFormWebpage::ShowColors() {
    PaintColorGlyph(bitBtnBackground_, pageColor_);
    for (const TFontControls& controls : {title_, description_, copyright_})
        PaintColorGlyph(controls.color, controls.font->Color);
}

void TFormWebpage::ComboBoxEncodingChange() {
    const int index = comboBoxEncoding_->currentIndex();
    editCharset_->setText(AlbumCharsetOf(index));
    UpdateCharsetEnabled();
}

void TFormWebpage::ComboBoxStyleChange() {
    checkBoxDetails_->setEnabled(
        AlbumStyleHasDetails(TAlbumStyle(comboBoxStyle_->currentIndex())) && !Building());
}

void TFormWebpage::UpdateCharsetEnabled() {
    editCharset_->setEnabled(AlbumCharsetTyped(comboBoxEncoding_->currentIndex()) && !Building());
}

void TFormWebpage::BitBtnBackgroundClick() {
    const std::optional<QColor> chosen =
        platform_.ChooseColor(this, QColor(ColorToRgb(pageColor_)));
    if (!chosen || !chosen->isValid()) return;
    pageColor_ = ToTColor(*chosen);
    ShowColors();
}

void TFormWebpage::ButtonTitleClick() {
    ChooseFont(title_);
}

void TFormWebpage::ButtonDescriptionClick() {
    ChooseFont(description_);
}

void TFormWebpage::ButtonCopyrightClick() {
    ChooseFont(copyright_);
}

void TFormWebpage::ChooseFont(const TFontControls& controls) {
    if (const std::optional<QFont> chosen =
            platform_.ChooseFont(this, AlbumChooserFont(*controls.font)))
        *controls.font = AlbumChosenFont(*chosen, *controls.font);
}

void TFormWebpage::ChooseFontColor(const TFontControls& controls) {
    const std::optional<QColor> chosen =
        platform_.ChooseColor(this, QColor(ColorToRgb(controls.font->Color)));
    if (!chosen || !chosen->isValid()) return;
    controls.font->Color = ToTColor(*chosen);
    ShowColors();
}

void TFormWebpage::ButtonBrowseClick() {
    const QString folder = platform_.ChooseFolder(
        this, QStringLiteral("Please choose a directory..."), TrimBlanks(editFolder_->text()));
    if (!folder.isEmpty()) editFolder_->setText(QDir::toNativeSeparators(folder));
}

void TFormWebpage::LimitDescription() {
    if (memoDescription_->document()->characterCount() - 1 <= kAlbumDescriptionLength) return;
    // Typed or pasted past the limit: what does not fit is dropped, as a box does.
    QTextCursor cursor(memoDescription_->document());
    cursor.setPosition(kAlbumDescriptionLength);
    cursor.movePosition(QTextCursor::End, QTextCursor::KeepAnchor);
    cursor.removeSelectedText();
}

TAlbumOptions TFormWebpage::Options() const {
    TAlbumOptions options;
    options.folder = editFolder_->text();
    options.title = editTitle_->text();
    options.description = AlbumDescription(memoDescription_->document()->toRawText());
    options.copyright = editCopyright_->text();
    options.titleFont = titleFont_;
    options.descriptionFont = descriptionFont_;
    options.copyrightFont = copyrightFont_;
    options.pageColor = pageColor_;
    options.charset = editCharset_->text();
    options.width = comboBoxWidth_->currentIndex();
    options.columns = column_->Value();
    options.margin = margin_->Value();
    options.shuffle = checkBoxShuffle_->isChecked();
    options.style = TAlbumStyle(comboBoxStyle_->currentIndex());
    options.cameraDetails = checkBoxDetails_->isChecked();
    return options;
}

void TFormWebpage::ButtonBuildClick() {
    if (Building()) return;
    // A number still being typed counts, as if its box had been left.
    for (TSpinnerBox* box : {column_, margin_})
        if (box->Box()->hasFocus()) box->LeaveBox();
    const TAlbumOptions options = Options();

    const TAlbumResult folder = PrepareAlbumFolder(options.folder);
    if (folder.status == TAlbumResult::Status::FolderEmpty) {
        platform_.ShowError(this, folder.message);
        return;
    }
    if (folder.status == TAlbumResult::Status::FolderNotCreated) {
        platform_.ShowWarning(this, folder.message);
        editFolder_->setFocus();
        return;
    }

    std::vector<TPhotoInfo> photos = ReadOpenPhotos(OpenPhotosFile());
    progressBar_->setRange(0, std::max(int(photos.size()), 1));
    progressBar_->setValue(0);
    progressBar_->show();
    SetBuilding(true);

    building_ = true;
    job_ = runner_.Start(
        [this, options, photos = std::move(photos), jobs = jobs_,
         hook = photoStart_](const TJobContext& context) mutable {
            TAlbumRun run;
            run.jobs = jobs;
            run.stop = &context.StopFlag();
            // Only what is posted touches the dialog, on its own thread.
            run.progress = [this, &context](const TAlbumPhoto&, int done, int) {
                context.Post([this, done] { ShowProgress(done); });
                return !context.Stopping();
            };
            if (hook)
                run.mayStart = [hook](int number) {
                    hook(number);
                    return true;
                };
            return BuildWebAlbum(options, std::move(photos), run);
        },
        [this](const TAlbumResult& result) { BuildDone(result); });
}

void TFormWebpage::ShowProgress(int done) {
    if (Building()) progressBar_->setValue(done);
}

void TFormWebpage::BuildDone(const TAlbumResult& result) {
    building_ = false;
    SetBuilding(false);
    progressBar_->hide();
    using Status = TAlbumResult::Status;
    switch (result.status) {
        case Status::Finished:
            if (platform_.AskYesNo(this, kCaption, AlbumFinishedQuestion(result)))
                platform_.OpenUrl(QUrl::fromLocalFile(result.page));
            break;
        case Status::Cancelled:
            break;
        case Status::FolderNotCreated:
        case Status::WouldOverwrite:
            platform_.ShowWarning(this, result.message);
            editFolder_->setFocus();
            break;
        case Status::FolderEmpty:
        case Status::PageNotWritten:
            platform_.ShowError(this, result.message);
            break;
    }
    emit BuildEnded(result);
}

void TFormWebpage::SetBuilding(bool building) {
    for (QWidget* widget : std::as_const(settings_)) widget->setEnabled(!building);
    if (!building) {
        UpdateCharsetEnabled();
        ComboBoxStyleChange();
    }
    buttonCancel_->setText(building ? QStringLiteral("Cancel") : QStringLiteral("Close"));
    buttonCancel_->setEnabled(true);
    if (building) buttonCancel_->setFocus();
}

void TFormWebpage::ButtonCancelClick() {
    if (Building()) {
        job_.Stop();
        buttonCancel_->setEnabled(false);  // until the photos being exported are done
        return;
    }
    QDialog::reject();
}

void TFormWebpage::reject() {
    ButtonCancelClick();
}

void TFormWebpage::closeEvent(QCloseEvent* event) {
    if (Building()) {
        job_.Stop();
        buttonCancel_->setEnabled(false);
        event->ignore();
        return;
    }
    QDialog::closeEvent(event);
}

}  // namespace vellumora
