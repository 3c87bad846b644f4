#include "Commands.h"

#include <QFileInfo>

#include "IniFile.h"
#include "Photo.h"
#include "PhotoInfo.h"
#include "ProgramFolder.h"

namespace vellumora::cli {

QString UsageText() {
    return QStringLiteral(
        "usage: vellumora-cli render SETTINGS SECTION OUTPUT\n"
        "  render  renders the photo named by FILENAME in section SECTION of the settings\n"
        "          file SETTINGS with the settings of that section, and writes OUTPUT\n"
        "          (format by extension: jpg jpeg gif tif pcx png bmp tga)\n");
}

int Run(const QStringList& args, QTextStream& out, QTextStream& err) {
    if (!args.isEmpty() && args.first() == QLatin1String("render"))
        return RunRender(args.mid(1), out, err);
    err << UsageText();
    return kUsage;
}

int RunRender(const QStringList& args, QTextStream& out, QTextStream& err) {
    Q_UNUSED(out);
    if (args.size() != 3) {
        err << UsageText();
        return kUsage;
    }
    const QString& settingsPath = args[0];
    const QString& section = args[1];
    const QString& outputPath = args[2];

    if (!QFileInfo(settingsPath).isFile()) {
        err << "Cannot open " << settingsPath << "!\n";
        return kFailed;
    }
    const TIniFile settings(settingsPath);
    if (!settings.SectionExists(section)) {
        err << "Cannot open " << settingsPath << "!\n"
            << "There is no section [" << section << "] in it.\n";
        return kFailed;
    }
    PrepareProgramFolder();

    TPhotoInfo info{QString(), QString()};
    info.ReadSettings(settings, section);
    TPhoto photo;
    photo.AssignInfo(&info);
    if (photo.Original().isNull() || photo.Rendered().isNull()) {
        err << photo.LastError() << "\n";
        return kFailed;
    }
    QString reason;
    if (!photo.SaveToFile(outputPath, &reason)) {
        err << "Cannot save " << outputPath << "!\n";
        if (!reason.isEmpty()) err << reason << "\n";
        return kFailed;
    }
    return kOk;
}

}  // namespace vellumora::cli
