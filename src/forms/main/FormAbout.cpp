#include "forms/main/FormAbout.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QEvent>
#include <QImage>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

#include "forms/main/Icons.h"
#include "forms/main/Placement.h"

#ifndef VELLUMORA_VERSION
#error "VELLUMORA_VERSION (the project version) must be defined for the forms library"
#endif

namespace vellumora {

TFormAbout::TFormAbout(QWidget* parent) : QDialog(parent) {
    UseFormsResources();
    setObjectName(QStringLiteral("FormAbout"));
    setWindowTitle(QStringLiteral("About Vellumora"));

    auto* picture = new QLabel(this);
    picture->setObjectName(QStringLiteral("ImagePicture"));
    picture->setAlignment(Qt::AlignCenter);
    const QImage image(QStringLiteral(":/about.jpg"));
    if (!image.isNull()) picture->setPixmap(QPixmap::fromImage(image));

    auto* name = new QLabel(QStringLiteral("Vellumora"), this);
    name->setObjectName(QStringLiteral("LabelName"));
    QFont nameFont = name->font();
    nameFont.setPointSizeF(nameFont.pointSizeF() * 1.6);
    nameFont.setBold(true);
    name->setFont(nameFont);
    name->setAlignment(Qt::AlignCenter);

    auto* version = new QLabel(QStringLiteral("Version " VELLUMORA_VERSION), this);
    version->setObjectName(QStringLiteral("LabelVersion"));
    version->setAlignment(Qt::AlignCenter);

    auto* line = new QLabel(
        QStringLiteral("Crop, resize, frame and sign your photos.\n"
                       "Every edit can be changed again: the original is never touched."),
        this);
    line->setObjectName(QStringLiteral("LabelComment"));
    line->setAlignment(Qt::AlignCenter);

    showAtStart_ = new QCheckBox(QStringLiteral("Show at start"), this);
    showAtStart_->setObjectName(QStringLiteral("CheckBoxShowAtStart"));
    showAtStart_->setAccessibleName(QStringLiteral("Show at start"));
    showAtStart_->setChecked(true);
    showAtStart_->hide();

    auto* buttons = new QDialogButtonBox(this);
    QPushButton* ok = buttons->addButton(QDialogButtonBox::Ok);
    ok->setObjectName(QStringLiteral("ButtonOK"));
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    buttons->setCenterButtons(true);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(picture);
    layout->addWidget(name);
    layout->addWidget(version);
    layout->addWidget(line);
    layout->addWidget(showAtStart_, 0, Qt::AlignCenter);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    if (parent) parent->window()->installEventFilter(this);
}

void TFormAbout::OfferStartChoice(bool offer, bool showAtStart) {
    showAtStart_->setChecked(showAtStart);
    showAtStart_->setVisible(offer);
}

bool TFormAbout::ShowAtStart() const {
    return showAtStart_->isChecked();
}

void TFormAbout::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    CentreOverWindow();
}

bool TFormAbout::eventFilter(QObject* watched, QEvent* event) {
    if (isVisible() && (event->type() == QEvent::Move || event->type() == QEvent::Resize))
        CentreOverWindow();
    return QDialog::eventFilter(watched, event);
}

void TFormAbout::CentreOverWindow() {
    const QWidget* window = parentWidget() ? parentWidget()->window() : nullptr;
    if (!window) return;
    // Before the box is first shown its frame is not known: the window's stands in for it.
    QSize size = frameGeometry().size();
    if (size == this->size()) size += window->frameGeometry().size() - window->size();
    const QScreen* screen = window->screen();
    move(CentredOver(window->frameGeometry(), size,
                     screen ? screen->availableGeometry() : window->frameGeometry()));
}

}  // namespace vellumora
