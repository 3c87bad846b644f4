#include "cli/Commands.h"

#include <QFileInfo>

#include "codec/Codec.h"
#include "codec/JpegStream.h"
#include "photos/Photo.h"
#include "photos/batch/Batch.h"
#include "photos/settings/IniFile.h"
#include "photos/settings/PhotoInfo.h"
#include "photos/settings/ProgramFolder.h"
#include "photos/settings/Templates.h"
#include "photos/stages/Stages.h"
#include "photos/stages/StreamRender.h"

namespace vellumora::cli {

QString UsageText() {
    const QString usage = QStringLiteral(
        "usage: vellumora-cli render [--exact] [--strip-metadata] SETTINGS SECTION OUTPUT\n"
        "  render  renders the photo named by FILENAME in section SECTION of the settings\n"
        "          file SETTINGS with the settings of that section, and writes OUTPUT\n"
        "          (format by extension: %1)\n"
        "          Like batch and album, a JPEG that is shrunk and not cropped decodes at a\n"
        "          reduced size that keeps twice the output's size; --exact decodes it\n"
        "          whole, for the picture the window shows, pixel for pixel\n"
        "usage: vellumora-cli batch [--settings FILE --section NAME] --folder DIR [--type EXT]\n"
        "         [--prefix TEXT] [--suffix TEXT] [--case keep|upper|lower]\n"
        "         [--auto-crop \"A * B\"] [--rotate CODE] [--jobs N] [--strip-metadata]\n"
        "         FILE...\n"
        "  batch   converts every FILE with the template settings of SECTION of FILE (else\n"
        "          the default template) into DIR, named prefix + name + suffix + .EXT\n"
        "usage: vellumora-cli templates [FILE]\n"
        "  templates  lists the templates of FILE (else the program's Templates.dat) in menu\n"
        "          order: number, section, description, \"(Default)\" on the default, tab\n"
        "          separated; a section is what batch --section takes with --settings FILE\n"
        "usage: vellumora-cli album --folder DIR (--photos FILE | [--settings FILE\n"
        "         --section NAME] FILE...) [--title TEXT] [--description TEXT]\n"
        "         [--copyright TEXT] [--columns N] [--margin N] [--width 580|720|920|100%]\n"
        "         [--charset NAME] [--page-color COLOR] [--shuffle] [--jobs N]\n"
        "         [--style classic|modern] [--camera-details]\n"
        "  album   exports the photos of FILE's PHOTO sections (or every FILE with the\n"
        "          template settings) as DIR/Photo1.jpg ... and writes DIR/Vellumora.htm;\n"
        "          modern: a responsive page with a viewer, Photo1-480.jpg ... in smaller\n"
        "          widths, Vellumora.css and Vellumora.js (--camera-details: date, camera\n"
        "          and exposure under each caption)\n"
        "usage: vellumora-cli --help | --version\n"
        "Photos are read by their content, whatever their names. The extensions taken as\n"
        "photos, by the codec's table of what it reads:\n"
        "%2");
    QStringList writable;  // by the codec's table of writable types
    for (const TWritableType& type : WritableTypes()) writable << QLatin1String(type.suffix);
    QString readable;
    QString line;
    for (const QString& suffix : ReadableSuffixes()) {
        if (line.size() + 1 + suffix.size() > 78) {
            readable += line + QLatin1Char('\n');
            line.clear();
        }
        line += QLatin1Char(' ') + suffix;
    }
    readable += line + QLatin1Char('\n');
    return usage.arg(writable.join(QLatin1Char(' ')), readable);
}

int Run(const QStringList& args, QTextStream& out, QTextStream& err) {
    if (args.size() == 1 &&
        (args.first() == QLatin1String("--help") || args.first() == QLatin1String("-h"))) {
        out << UsageText();
        return kOk;
    }
    if (args.size() == 1 && args.first() == QLatin1String("--version")) {
        out << "vellumora-cli " << VELLUMORA_VERSION << "\n";
        return kOk;
    }
    if (!args.isEmpty() && args.first() == QLatin1String("render"))
        return RunRender(args.mid(1), out, err);
    if (!args.isEmpty() && args.first() == QLatin1String("batch"))
        return RunBatchCommand(args.mid(1), out, err);
    if (!args.isEmpty() && args.first() == QLatin1String("templates"))
        return RunTemplates(args.mid(1), out, err);
    if (!args.isEmpty() && args.first() == QLatin1String("album"))
        return RunAlbumCommand(args.mid(1), out, err);
    err << UsageText();
    return kUsage;
}

int RunRender(const QStringList& arguments, QTextStream& out, QTextStream& err) {
    Q_UNUSED(out);
    QStringList args = arguments;
    const bool strip = args.removeAll(QStringLiteral("--strip-metadata")) > 0;
    const bool exact = args.removeAll(QStringLiteral("--exact")) > 0;
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

    TPhotoInfo info;
    info.ReadSettings(settings, section);
    if (info.FileName.isEmpty()) {
        err << "Cannot open " << settingsPath << "!\n"
            << "The section [" << section << "] of " << settingsPath << " names no FILENAME.\n";
        return kFailed;
    }
    const TMetadataUse use = strip ? TMetadataUse::Strip : TMetadataUse::Keep;
    // The batch's rule: without a crop (in the original's pixels) a JPEG may shrink while
    // it decodes, as long as the resize keeps twice its output to average from.
    TLoadOptions load;
    if (!exact && info.Crop == TRect()) load.minimumLongSide = ReducedDecodeSide(info);
    // A JPEG that streams never holds the original; the rest, and whatever fails, goes
    // through the photo, which reports failures as the window does.
    if (const TJpegStream stream(info.FileName, load); stream.Streamable()) {
        const QImage rendered =
            RenderStreamed(stream, info, LoadMaskFile(MasksFolder(), info.MaskName));
        if (!rendered.isNull()) {
            QString reason;
            if (!SaveRendered(rendered, outputPath, stream.Metadata(), use, &reason)) {
                err << CannotSaveMessage(outputPath) << "\n";
                if (!reason.isEmpty()) err << reason << "\n";
                return kFailed;
            }
            return kOk;
        }
    }
    TPhoto photo;
    photo.SetLoadOptions(load);
    photo.AssignInfo(&info);
    if (photo.Original().isNull() || photo.Rendered().isNull()) {
        err << photo.LastError() << "\n";
        if (!photo.LastErrorDetail().isEmpty()) err << photo.LastErrorDetail() << "\n";
        return kFailed;
    }
    QString reason;
    if (!photo.SaveToFile(outputPath, &reason, use)) {
        err << CannotSaveMessage(outputPath) << "\n";
        if (!reason.isEmpty()) err << reason << "\n";
        return kFailed;
    }
    return kOk;
}

std::optional<int> NumberIn(const QString& text, int minimum, int maximum) {
    bool ok = false;
    const int value = text.toInt(&ok);
    if (!ok || value < minimum || value > maximum) return std::nullopt;
    return value;
}

namespace {

QString ReadArguments(const QStringList& args, const QStringList& flags, TCommonArguments* common,
                      const TOwnOption& own, const std::function<QString()>& rules) {
    bool folderGiven = false;
    const auto option = [&](const QString& a, const QString& value) -> QString {
        if (a == QLatin1String("--settings")) {
            common->settings = value;
        } else if (a == QLatin1String("--section")) {
            common->section = value;
        } else if (a == QLatin1String("--folder")) {
            common->folder = value;
            folderGiven = true;
        } else if (a == QLatin1String("--jobs")) {
            const std::optional<int> n = NumberIn(value, 1, 256);
            if (!n) return QStringLiteral("--jobs takes a number from 1 to 256");
            common->jobs = *n;
        } else if (const std::optional<QString> problem = own(a, value)) {
            return *problem;
        } else {
            return QStringLiteral("unknown option ") + a;
        }
        return {};
    };
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        if (!a.startsWith(QLatin1String("--"))) {
            common->files << a;
            continue;
        }
        if (a == QLatin1String("--")) {
            common->files << args.mid(i + 1);
            break;
        }
        QString value;
        if (!flags.contains(a)) {
            if (i + 1 >= args.size()) return a + QStringLiteral(" needs a value");
            value = args[++i];
        }
        if (QString problem = option(a, value); !problem.isEmpty()) return problem;
    }
    if (!folderGiven) return QStringLiteral("--folder is required");
    if (QString problem = rules ? rules() : QString(); !problem.isEmpty()) return problem;
    if (common->settings.isEmpty() != common->section.isEmpty())
        return QStringLiteral("--settings and --section go together");
    return {};
}

}  // namespace

bool ReadArguments(const QString& command, const QStringList& args, const QStringList& flags,
                   TCommonArguments* common, const TOwnOption& own,
                   const std::function<QString()>& rules, QTextStream& err) {
    const QString problem = ReadArguments(args, flags, common, own, rules);
    if (problem.isEmpty()) return true;
    err << "vellumora-cli " << command << ": " << problem << "\n" << UsageText();
    return false;
}

bool SectionReadable(const QString& file, const QString& section, QTextStream& err) {
    if (!QFileInfo(file).isFile()) {
        err << "Cannot open " << file << "!\n";
        return false;
    }
    if (!section.isEmpty() && !TIniFile(file).SectionExists(section)) {
        err << "Cannot open " << file << "!\n"
            << "There is no section [" << section << "] in it.\n";
        return false;
    }
    return true;
}

bool PrintProgress(QTextStream& err, const TExportItem& item, int done, int total) {
    err << "[" << done << "/" << total << "] ";
    if (item.written)
        err << item.source << " -> " << item.output << "\n";
    else
        err << "FAILED " << item.source << ": " << item.message << "\n";
    err.flush();
    return true;
}

bool PrintOutcome(QTextStream& err, const QString& message, int written, int failed) {
    if (!message.isEmpty()) {
        err << message << "\n";
        return false;
    }
    err << written << " written, " << failed << " failed\n";
    return true;
}

namespace {

struct BatchArguments {
    TCommonArguments common;
    TBatchOptions options;
    bool rotateGiven = false;
    int rotate = 0;
};

// Fills *parsed; false, said on err, for arguments that make no sense.
bool ParseBatchArguments(const QStringList& args, BatchArguments* parsed, QTextStream& err) {
    TBatchOptions& o = parsed->options;
    const auto own = [&](const QString& a, const QString& value) -> std::optional<QString> {
        if (a == QLatin1String("--strip-metadata")) {
            o.stripMetadata = true;
        } else if (a == QLatin1String("--type")) {
            const QString ext =
                QLatin1Char('.') +
                value.toLower().remove(0, value.startsWith(QLatin1Char('.')) ? 1 : 0);
            if (!WritableExtensions().contains(ext)) return QStringLiteral("unknown type ") + value;
            o.extension = ext;
        } else if (a == QLatin1String("--prefix")) {
            o.prefix = value;
        } else if (a == QLatin1String("--suffix")) {
            o.suffix = value;
        } else if (a == QLatin1String("--case")) {
            if (value == QLatin1String("keep"))
                o.nameCase = TNameCase::Unchange;
            else if (value == QLatin1String("upper"))
                o.nameCase = TNameCase::Upper;
            else if (value == QLatin1String("lower"))
                o.nameCase = TNameCase::Lower;
            else
                return QStringLiteral("--case takes keep, upper or lower");
        } else if (a == QLatin1String("--auto-crop")) {
            o.ratioIndex = int(BatchRatioCaptions().indexOf(value));
            if (o.ratioIndex < 0)
                return QStringLiteral("--auto-crop takes one of: ") +
                       BatchRatioCaptions().join(QStringLiteral(", "));
            o.autoCrop = true;
        } else if (a == QLatin1String("--rotate")) {
            bool ok = false;
            parsed->rotate = value.toInt(&ok);
            if (!ok || !IsOrientationCode(parsed->rotate))
                return QStringLiteral("--rotate takes 0, 90, 180, 270, -90, -180, -270 or -360");
            parsed->rotateGiven = true;
        } else {
            return std::nullopt;
        }
        return QString();
    };
    const auto rules = [&]() -> QString {
        if (parsed->common.files.isEmpty()) return QStringLiteral("no files given");
        return {};
    };
    return ReadArguments(QStringLiteral("batch"), args, {QStringLiteral("--strip-metadata")},
                         &parsed->common, own, rules, err);
}

}  // namespace

int RunBatchCommand(const QStringList& args, QTextStream& out, QTextStream& err) {
    Q_UNUSED(out);
    BatchArguments parsed;
    if (!ParseBatchArguments(args, &parsed, err)) return kUsage;
    PrepareProgramFolder();

    // The record the files take their settings from, as the current photo of the batch
    // dialog: a named section of a settings file, else the default template.
    TPhotoInfo current;
    const TCommonArguments& common = parsed.common;
    if (!common.settings.isEmpty()) {
        if (!SectionReadable(common.settings, common.section, err)) return kFailed;
        current.ReadTemplate(TIniFile(common.settings), common.section);
    } else {
        current = TPhotoInfo::WithDefaultTemplate(QString());
    }

    std::vector<TPhotoInfo> entries;
    entries.reserve(common.files.size());
    for (const QString& file : common.files) {
        entries.push_back(BatchEntry(QFileInfo(file).absoluteFilePath(), current));
        if (parsed.rotateGiven) entries.back().Rotate = parsed.rotate;
    }

    TExportRun run;
    run.jobs = common.jobs;
    run.progress = [&err](const TBatchItem& item, int done, int total) {
        return PrintProgress(err, item, done, total);
    };
    parsed.options.folder = common.folder;
    const TBatchResult result = RunBatch(entries, parsed.options, run);
    if (!PrintOutcome(err, result.message, result.written, result.failed)) return kFailed;
    return result.failed == 0 ? kOk : kFailed;
}

int RunTemplates(const QStringList& args, QTextStream& out, QTextStream& err) {
    if (args.size() > 1) {
        err << UsageText();
        return kUsage;
    }
    // The program's own store may not exist yet (no templates); a file named by the
    // caller must.
    const QString path = args.isEmpty() ? TemplatesFile() : args.first();
    if (!args.isEmpty() && !QFileInfo(path).isFile()) {
        err << "Cannot open " << path << "!\n";
        return kFailed;
    }
    // A tab or line break inside a description would split its line.
    const auto oneField = [](QString text) {
        for (QChar& c : text)
            if (c.unicode() < 32) c = QLatin1Char(' ');
        return text;
    };
    int number = 1;
    for (const TTemplateItem& t : ListTemplates(TIniFile(path))) {
        out << number++ << '\t' << oneField(t.section) << '\t' << oneField(t.description);
        if (t.isDefault) out << "\t(Default)";
        out << '\n';
    }
    return kOk;
}

}  // namespace vellumora::cli
