#pragma once

// How the current photo leaves the program: Save As (every writable type), e-mail and the
// clipboard. The rules that need no window are plain functions, so tests reach them.

#include <QString>
#include <QStringList>

class QWidget;

namespace vellumora {

class TPhoto;
class TPlatform;

// The Save As filter entries ("JPEG Bitmap (*.jpg)" ...), one for each of the codec's
// WritableExtensions, in the same order.
QStringList SaveFilters();

// The name the Save As dialog opens with: folder of the photo + "Vellumora_" + base name.
QString SavePresetPath(const QString& photoPath);
// Where Save As writes, and as which entry of the type list.
struct TSaveTarget {
    QString path;
    int filterIndex = 0;
};
// A typed extension (the text after the last "." of the file-name part) of a writable type
// wins, in any case, and the entry follows it; any other extension, or none, is replaced
// by the extension of the chosen entry.
TSaveTarget SaveTarget(const QString& chosen, int filterIndex);

// Remembers the chosen filter entry for the rest of the run.
class TSaveAs {
public:
    // Runs Save As for the photo: dialog, extension rule, replace question, write, and
    // "Cannot save <path>!" when the write fails. Returns the path written, or empty.
    QString Run(TPlatform& platform, QWidget* parent, const TPhoto& photo);
    int FilterIndex() const { return filterIndex_; }

private:
    int filterIndex_ = 0;
};

// Writes the rendered photo to "Vellumora.jpg" in the program folder and hands it to the
// mail program. Returns false, having said why, when nothing could be written or no mail
// program took the file (the message then says where the file is, to attach by hand).
bool SendPhotoByMail(TPlatform& platform, QWidget* parent, const TPhoto& photo);

// Puts the full-size rendered photo on the clipboard; says so when there is no picture.
void CopyPhotoToClipboard(TPlatform& platform, QWidget* parent, const TPhoto& photo);

}  // namespace vellumora
