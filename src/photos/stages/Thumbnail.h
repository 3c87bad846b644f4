#pragma once

// Thumbnails for the lists of photos and masks: a small picture of an image, drawn once
// from the unedited original. Not a stage of the render chain.

#include <QColor>
#include <QImage>
#include <QRect>
#include <QSize>

namespace vellumora {

enum class TThumbnailFit {
    // The longer side fills the box, the other is scaled alike and centred.
    Proportional,
    // The whole box, whatever the image's proportions.
    Squeezed,
};

// Where the thumbnail of an image of the given size stands in the box. Proportional: with
// a the longer side of the image, box width * width / a by box height * height / a
// (truncating), centred. Empty for an empty image.
QRect ThumbnailRect(QSize image, QSize box, TThumbnailFit fit = TThumbnailFit::Proportional);
// The image stretched by nearest pixel into ThumbnailRect of an image of the box's size
// filled with the background. A null image gives the plain background.
QImage MakeThumbnail(const QImage& image, QSize box, QColor background = Qt::white,
                     TThumbnailFit fit = TThumbnailFit::Proportional);

}  // namespace vellumora
