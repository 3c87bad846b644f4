#include "forms/main/SaveAs.h"

#include <QFileInfo>

#include "codec/Codec.h"
#include "forms/common/PhotoFiles.h"
#include "forms/common/Platform.h"
#include "photos/Photo.h"
#include "photos/settings/Names.h"
#include "photos/settings/PhotoInfo.h"
#include "photos/settings/ProgramFolder.h"

namespace vellumora {
namespace {

QString CannotSave(const QString& path) {
    return QStringLiteral("Cannot save ") + path + QStringLiteral("!");
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

QString PathWithFilterExtension(const QString& chosen, int filterIndex) {
    const QStringList extensions = WritableExtensions();
    // An index from outside the list (a dialog that could not report its filter) falls
    // back to the first entry rather than writing a file without an extension.
    if (filterIndex < 0 || filterIndex >= extensions.size()) filterIndex = 0;
    return WithoutExtension(chosen) + extensions.at(filterIndex);
}

QString TSaveAs::Run(TPlatform& platform, QWidget* parent, const TPhoto& photo) {
    if (!photo.Info()) return {};

    const auto choice =
        platform.SaveFile(parent, QStringLiteral("Save As"), SavePresetPath(photo.Info()->FileName),
                          SaveFilters(), filterIndex_);
    if (!choice) return {};
    // The entry is remembered as soon as the dialog is confirmed, whatever happens to
    // the file afterwards: the next Save As opens where the user left the list.
    filterIndex_ = (choice->filterIndex >= 0 && choice->filterIndex < SaveFilters().size())
                       ? choice->filterIndex
                       : 0;

    const QString path = PathWithFilterExtension(choice->path, filterIndex_);
    if (QFileInfo::exists(path)) {
        const QString question = QStringLiteral("File ") + QFileInfo(path).fileName() +
                                 QStringLiteral(" already exists. Do you want to replace it?");
        if (!platform.AskYesNo(parent, question)) return {};
    }

    // A photo whose file did not load has nothing to write; the user already saw
    // "Cannot open" for it, so the save stays silent.
    if (photo.Original().isNull()) return {};
    if (!photo.SaveToFile(path)) {
        platform.ShowError(parent, CannotSave(path));
        return {};
    }
    return path;
}

bool SendPhotoByMail(TPlatform& platform, QWidget* parent, const TPhoto& photo) {
    // Without a loaded photo nothing is written, and calling the mail program would
    // attach whatever an earlier send left in Vellumora.jpg: a different photo.
    if (!photo.Info() || photo.Original().isNull()) return false;

    const QString path = ProgramFolder() + QStringLiteral("/Vellumora.jpg");
    // The attachment goes to other people: no position, no serial numbers.
    if (!photo.SaveToFile(path, nullptr, TMetadataUse::Share)) {
        platform.ShowError(parent, CannotSave(path));
        return false;
    }
    // The result is not shown: without a mail program the file is still there to attach
    // by hand, and there is nothing the user could do about the message.
    platform.SendMail(path);
    return true;
}

void CopyPhotoToClipboard(TPlatform& platform, const TPhoto& photo) {
    if (photo.Original().isNull() || photo.Rendered().isNull()) return;
    platform.SetClipboardImage(photo.Rendered());
}

}  // namespace vellumora
