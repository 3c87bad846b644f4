// The settings files as the program reads them (Vellumora.dat, Templates.dat, Photos.dat):
// the INI reader, every record built from each section, the template list and its
// editor, the album's hand-off. Beyond not crashing: a record written to a settings file
// and read back is the same record, and a file the reader could not take whole is never
// replaced.

#include "fuzz/FuzzSupport.h"
#include "photos/album/Album.h"
#include "photos/settings/IniFile.h"
#include "photos/settings/PhotoInfo.h"
#include "photos/settings/Templates.h"

using namespace vellumora;

namespace {

bool SameRecord(const TPhotoInfo& a, const TPhotoInfo& b) {
    return a.SameTemplate(b) && a.FileName == b.FileName && a.Crop == b.Crop &&
           a.Ratio == b.Ratio && a.Rotate == b.Rotate && a.Contrast == b.Contrast &&
           a.Brightness == b.Brightness && a.Red == b.Red && a.Green == b.Green &&
           a.Blue == b.Blue && a.Grayscale == b.Grayscale && a.Negative == b.Negative;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QString path = fuzz::InputFile(data, size, QStringLiteral("Settings.dat"));
    const TIniFile file(path);
    for (const QString& section : file.Sections()) {
        TPhotoInfo record;
        record.ReadSettings(file, section);

        const QString copyPath = fuzz::ScratchFolder() + QStringLiteral("/Copy.dat");
        QFile::remove(copyPath);
        try {
            record.WriteSettings(copyPath, QStringLiteral("Photo"));
        } catch (const TIniError& error) {
            std::fprintf(stderr, "cannot write %s: %s\n", qPrintable(copyPath),
                         qPrintable(error.Reason()));
            std::abort();
        }
        TPhotoInfo back;
        back.ReadSettings(copyPath, QStringLiteral("Photo"));
        FUZZ_CHECK(SameRecord(record, back));
    }
    (void)ListTemplates(file);
    (void)DefaultTemplateName(file);
    TTemplateEdits edits;
    edits.Load(file);
    for (int row = 0; row < edits.Count(); ++row) (void)edits.Caption(row);
    (void)ReadOpenPhotos(path);
    return 0;
}
