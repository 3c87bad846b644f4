#pragma once

// The photo files a window takes in: the one filter of the open dialogs, and the photos
// among the files dropped on a window from a file manager.

#include <QString>
#include <QStringList>

class QMimeData;

namespace vellumora {

// "All Photos (*.jpg *.png ...)": one filter entry with every pattern the codec reads.
QString PhotoOpenFilter();

// The writable types as the save and batch lists name them, "JPEG Bitmap (*.jpg)" ...
// "Targa Bitmap (*.tga)": the captions of the codec's WritableTypes, in their order.
QStringList WritableTypeCaptions();

// The local files of the dropped data whose extension the codec reads, as absolute paths,
// in the order dropped. Folders and addresses of other machines are left out.
QStringList DroppedPhotoFiles(const QMimeData* data);

}  // namespace vellumora
