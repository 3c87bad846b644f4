#include "forms/color/FormColor.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSlider>
#include <QVBoxLayout>

#include "forms/color/ColorPicture.h"
#include "forms/common/Controls.h"
#include "forms/common/NumberBox.h"
#include "photos/Photo.h"
#include "photos/stages/ColorBalance.h"

namespace vellumora {
namespace {

// The decorative 32 x 32 icon at the left of each value control: a half-dark disc for
// contrast, a sun for brightness, a disc of the channel's colour for the offsets.
QPixmap ControlIcon(size_t index) {
    QPixmap pixmap(32, 32);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(Qt::black, 1));
    const QRectF disc(4.5, 4.5, 23, 23);
    switch (index) {
        case 0:
            painter.setBrush(Qt::white);
            painter.drawEllipse(disc);
            painter.setBrush(Qt::black);
            painter.drawPie(disc, 90 * 16, 180 * 16);
            break;
        case 1:
            painter.setPen(QPen(QColor(230, 150, 0), 2));
            for (int ray = 0; ray < 8; ++ray) {
                painter.save();
                painter.translate(16, 16);
                painter.rotate(ray * 45);
                painter.drawLine(QPointF(0, 9), QPointF(0, 14));
                painter.restore();
            }
            painter.setBrush(QColor(255, 210, 0));
            painter.drawEllipse(QRectF(9.5, 9.5, 13, 13));
            break;
        default: {
            const QColor colours[] = {Qt::red, Qt::green, Qt::blue};
            painter.setBrush(colours[index - 2]);
            painter.drawEllipse(disc);
        }
    }
    return pixmap;
}

QLabel* NewIcon(size_t index, QWidget* parent) {
    auto* icon = new QLabel(parent);
    icon->setObjectName(QStringLiteral("Image%1").arg(index + 1));
    icon->setPixmap(ControlIcon(index));
    icon->setFixedSize(32, 32);
    return icon;
}

// One picture in its group box, centred in a square of the pictures' longest side.
QLabel* NewPicture(QGroupBox* group, const char* name, const QString& accessibleName) {
    auto* frame = new QWidget(group);
    frame->setFixedSize(kColorPictureSide, kColorPictureSide);
    auto* layout = new QVBoxLayout(group);
    layout->addWidget(frame, 0, Qt::AlignCenter);
    auto* picture = new QLabel(frame);
    picture->setObjectName(QLatin1String(name));
    picture->setAccessibleName(accessibleName);
    return picture;
}

void ShowPicture(QLabel* label, const QImage& image) {
    label->setGeometry(CentredPicture(kColorPictureSide, image.size()));
    label->setPixmap(QPixmap::fromImage(image));
}

}  // namespace

TFormColor::TFormColor(TPhoto& photo, QWidget* parent)
    : TEditDialog(photo, TFieldGroup::Color, false, parent) {
    setObjectName(QStringLiteral("FormColor"));
    setWindowTitle(QStringLiteral("Color Balance"));

    QGroupBox* groupContrast = MakeGroup("GroupBoxContrast", QStringLiteral(" Contrast "), this);
    QGroupBox* groupBrightness =
        MakeGroup("GroupBoxBrightness", QStringLiteral(" Brightness "), this);
    QGroupBox* groupColor = MakeGroup("GroupBoxColor", QStringLiteral(" Color "), this);
    QGroupBox* groups[] = {groupContrast, groupBrightness, groupColor, groupColor, groupColor};
    auto* colorLayout = new QGridLayout(groupColor);

    for (size_t i = 0; i < kColorControls.size(); ++i) {
        const TColorControl& control = kColorControls[i];
        const QString label = QLatin1String(control.label);
        QGroupBox* group = groups[i];

        auto* bar = new QSlider(Qt::Horizontal, group);
        bar->setObjectName(QStringLiteral("TrackBar") + label);
        bar->setRange(control.minimum, control.maximum);
        bar->setPageStep(control.pageStep);
        bar->setTickPosition(QSlider::TicksBelow);
        bar->setTickInterval(control.pageStep);
        bar->setMinimumWidth(200);
        bar->setAccessibleName(label);
        auto* box = new QLineEdit(group);
        box->setObjectName(QStringLiteral("Edit") + label);
        box->setAccessibleName(label);
        // Room for the longest value the program writes, -255, plus a little.
        box->setFixedWidth(box->fontMetrics().horizontalAdvance(QStringLiteral("-2555")) + 12);
        bars_[i] = new TTrackBarBox(bar, box, kColorBoxTyping);
        connect(bars_[i], &TTrackBarBox::Changed, this, &TFormColor::UpdatePreview);

        if (group == groupColor) {
            // The three channels share a group, so each row says which it is.
            auto* name = new QLabel(label, group);
            name->setObjectName(QStringLiteral("Label") + label);
            name->setBuddy(box);
            const int row = int(i) - 2;
            colorLayout->addWidget(NewIcon(i, group), row, 0);
            colorLayout->addWidget(name, row, 1);
            colorLayout->addWidget(bar, row, 2);
            colorLayout->addWidget(box, row, 3);
        } else {
            auto* rowLayout = new QHBoxLayout(group);
            rowLayout->addWidget(NewIcon(i, group));
            rowLayout->addWidget(bar, 1);
            rowLayout->addWidget(box);
        }
    }

    checkGrayscale_ = new QCheckBox(QStringLiteral("Grayscale"), groupColor);
    checkGrayscale_->setObjectName(QStringLiteral("CheckBoxGrayscale"));
    checkNegative_ = new QCheckBox(QStringLiteral("Negative"), groupColor);
    checkNegative_->setObjectName(QStringLiteral("CheckBoxNegative"));
    auto* switches = new QHBoxLayout;
    switches->addWidget(checkGrayscale_);
    switches->addWidget(checkNegative_);
    switches->addStretch(1);
    colorLayout->addLayout(switches, 3, 0, 1, 4);
    for (QCheckBox* check : {checkGrayscale_, checkNegative_})
        connect(check, &QCheckBox::toggled, this, &TFormColor::UpdatePreview);

    QGroupBox* groupPhoto = MakeGroup("GroupBoxPhoto", QStringLiteral(" Photo "), this);
    imagePhoto_ = NewPicture(groupPhoto, "ImagePhoto", QStringLiteral("Photo"));
    QGroupBox* groupPreview = MakeGroup("GroupBoxPreview", QStringLiteral(" Preview "), this);
    imagePreview_ = NewPicture(groupPreview, "ImagePreview", QStringLiteral("Preview"));

    auto* values = new QVBoxLayout;
    values->addWidget(groupContrast);
    values->addWidget(groupBrightness);
    values->addWidget(groupColor);
    auto* pictures = new QVBoxLayout;
    pictures->addWidget(groupPhoto);
    pictures->addWidget(groupPreview);
    pictures->addStretch(1);
    auto* columns = new QHBoxLayout;
    columns->addLayout(values, 1);
    columns->addLayout(pictures);
    LayOutAboveButtons(columns);
    SetTabOrderBeforeButtons({bars_[0]->TrackBar(), bars_[0]->Box(), bars_[1]->TrackBar(),
                              bars_[1]->Box(), bars_[2]->TrackBar(), bars_[2]->Box(),
                              bars_[3]->TrackBar(), bars_[3]->Box(), bars_[4]->TrackBar(),
                              bars_[4]->Box(), checkGrayscale_, checkNegative_});
}

void TFormColor::FillControls(const TPhotoInfo& backup) {
    for (size_t i = 0; i < bars_.size(); ++i)
        bars_[i]->SetPosition(backup.*kColorControls[i].field);
    {
        // One preview below, when everything is in place.
        const QSignalBlocker grayscale(checkGrayscale_);
        const QSignalBlocker negative(checkNegative_);
        checkGrayscale_->setChecked(backup.Grayscale);
        checkNegative_->setChecked(backup.Negative);
    }
    // Null without a photo: then both pictures stay empty.
    work_ = ColorPicture(Photo().Original(), backup);
    ShowPicture(imagePhoto_, work_);
    UpdatePreview();
}

void TFormColor::UpdatePreview() {
    preview_ = AdjustColors(work_, bars_[0]->Position(), bars_[1]->Position(), bars_[2]->Position(),
                            bars_[3]->Position(), bars_[4]->Position(),
                            checkGrayscale_->isChecked(), checkNegative_->isChecked());
    ShowPicture(imagePreview_, preview_);
}

void TFormColor::WriteControls(TPhotoInfo& info) {
    for (size_t i = 0; i < bars_.size(); ++i) info.*kColorControls[i].field = bars_[i]->Position();
    info.Grayscale = checkGrayscale_->isChecked();
    info.Negative = checkNegative_->isChecked();
}

QWidget* TFormColor::InitialFocus() {
    return bars_[0]->TrackBar();
}

}  // namespace vellumora
