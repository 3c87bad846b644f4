#include "forms/main/SaveAs.h"

#include <QFileInfo>

#include "codec/Codec.h"
#include "forms/common/PhotoFiles.h"
#include "forms/common/Platform.h"
#include "photos/Photo.h"
#include "photos/export/Export.h"
#include "photos/settings/Names.h"
#include "photos/settings/PhotoInfo.h"
#include "photos/settings/ProgramFolder.h"

namespace vellumora {
namespace {

// A photo whose file did not load, or whose render was refused, has nothing to write or
// copy; *why says which. False when there is a picture.
bool NothingToWrite(const TPhoto& photo, QString* why) {
    if (!photo.Original().isNull() && !photo.Rendered().isNull() && photo.Exact()) return false;
    // The window finishes the render first; a preview is never written in its place.
    if (!photo.Original().isNull() && !photo.Exact()) {
        *why = QStringLiteral("The photo is still being rendered.");
        return true;
    }
    *why = photo.Original().isNull()
               ? QStringLiteral("Its file did not load: ") + photo.LoadError() + QLatin1Char('.')
               : photo.LastError();
    return true;
}

}  // namespace

QStringList SaveFilters() {
    return WritableTypeCaptions();
}

QString SavePresetPath(const QString& photoPath) {
    const QString name = LocalFileName(photoPath);
    const QString folder = photoPath.left(photoPath.size() - name.size());  // with its "/"
    return folder + QStringLiteral("Vellumora_") + WithoutExtension(name);
}

TSaveTarget SaveTarget(const QString& chosen, int filterIndex) {
    const QStringList extensions = WritableExtensions();
    // What the user typed is what they meant: replacing a typed ".jpg" by the entry last
    // chosen would write another format under another name without a word.
    const QString name = LocalFileName(chosen);
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    if (dot >= 0) {
        const int typed = int(extensions.indexOf(name.mid(dot).toLower()));
        if (typed >= 0) return {chosen, typed};
    }
    // An index from outside the list (a dialog that could not report its filter) falls
    // back to the first entry rather than writing a file without an extension.
    if (filterIndex < 0 || filterIndex >= extensions.size()) filterIndex = 0;
    return {WithoutExtension(chosen) + extensions.at(filterIndex), filterIndex};
}

QString TSaveAs::Run(TPlatform& platform, QWidget* parent, const TPhoto& photo) {
    if (!photo.Info()) return {};
    // Said before the file dialog: no name chosen there could make the save work.
    if (QString why; NothingToWrite(photo, &why)) {
        platform.ShowError(parent, CannotSaveMessage(photo.Info()->FileName), why);
        return {};
    }

    const auto choice =
        platform.SaveFile(parent, QStringLiteral("Save As"), SavePresetPath(photo.Info()->FileName),
                          SaveFilters(), filterIndex_);
    if (!choice) return {};
    // The type is remembered as soon as the dialog is confirmed, whatever happens to the
    // file afterwards: the next Save As opens with the type the user wrote.
    const TSaveTarget target = SaveTarget(choice->path, choice->filterIndex);
    filterIndex_ = target.filterIndex;
    const QString& path = target.path;
    if (QFileInfo::exists(path)) {
        const QString question = QStringLiteral("File ") + QFileInfo(path).fileName() +
                                 QStringLiteral(" already exists. Do you want to replace it?");
        if (!platform.AskYesNo(parent, question)) return {};
    }

    if (QString why; !photo.SaveToFile(path, &why)) {
        platform.ShowError(parent, CannotSaveMessage(path), AsSentence(why));
        return {};
    }
    return path;
}

bool SendPhotoByMail(TPlatform& platform, QWidget* parent, const TPhoto& photo) {
    if (!photo.Info()) return false;
    // Without a picture nothing is written, and calling the mail program would attach
    // whatever an earlier send left in Vellumora.jpg: a different photo.
    if (QString why; NothingToWrite(photo, &why)) {
        platform.ShowError(parent, CannotSaveMessage(photo.Info()->FileName), why);
        return false;
    }

    const QString path = ProgramFolder() + QStringLiteral("/Vellumora.jpg");
    // The attachment goes to other people: no position, no serial numbers.
    if (QString why; !photo.SaveToFile(path, &why, TMetadataUse::Share)) {
        platform.ShowError(parent, CannotSaveMessage(path), AsSentence(why));
        return false;
    }
    // The file is written either way; without a mail program it can still be attached by
    // hand, once the user knows where it is.
    if (!platform.SendMail(path)) {
        platform.ShowWarning(parent,
                             QStringLiteral("No mail program could be started to send the photo."),
                             QStringLiteral("The photo was saved as ") + path +
                                 QStringLiteral(" to be attached to a message by hand."));
        return false;
    }
    return true;
}

void CopyPhotoToClipboard(TPlatform& platform, QWidget* parent, const TPhoto& photo) {
    if (!photo.Info()) return;
    if (QString why; NothingToWrite(photo, &why)) {
        platform.ShowError(parent, QStringLiteral("Nothing was copied to the clipboard!"), why);
        return;
    }
    platform.SetClipboardImage(photo.Rendered());
}

}  // namespace vellumora
