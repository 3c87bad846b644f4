// vellumora-cli album: the web album of the album dialog, built without a window.

#include <QFileInfo>
#include <optional>

#include "cli/Commands.h"
#include "photos/album/Album.h"
#include "photos/settings/IniFile.h"
#include "photos/settings/PhotoInfo.h"
#include "photos/settings/ProgramFolder.h"

namespace vellumora::cli {
namespace {

struct AlbumArguments {
    TAlbumOptions options;
    QString photos;  // a file of "PHOTO" + n sections
    QString settings;
    QString section;
    QStringList files;
    int jobs = 0;
};

// A whole number within [minimum, maximum], or none.
std::optional<int> Number(const QString& text, int minimum, int maximum) {
    bool ok = false;
    const int value = text.toInt(&ok);
    if (!ok || value < minimum || value > maximum) return std::nullopt;
    return value;
}

// "#RRGGBB", or a colour as settings files write it ("clWhite", "$00FF8000").
std::optional<TColor> PageColor(const QString& text) {
    if (text.size() == 7 && text.startsWith(QLatin1Char('#'))) {
        bool ok = false;
        const uint rgb = text.mid(1).toUInt(&ok, 16);
        if (!ok) return std::nullopt;
        return TColor(((rgb & 0xFF) << 16) | (rgb & 0xFF00) | ((rgb >> 16) & 0xFF));
    }
    TColor color = 0;
    if (!StringToColor(text, &color)) return std::nullopt;
    return color;
}

// Fills *parsed; returns an error text for arguments that make no sense.
QString ParseAlbumArguments(const QStringList& args, AlbumArguments* parsed) {
    TAlbumOptions& o = parsed->options;
    bool folderGiven = false;
    const QString problem = WalkArguments(
        args, {QStringLiteral("--shuffle")}, &parsed->files,
        [&](const QString& a, const QString& value) -> QString {
            if (a == QLatin1String("--shuffle")) {
                o.shuffle = true;
            } else if (a == QLatin1String("--folder")) {
                o.folder = value;
                folderGiven = true;
            } else if (a == QLatin1String("--photos")) {
                parsed->photos = value;
            } else if (a == QLatin1String("--settings")) {
                parsed->settings = value;
            } else if (a == QLatin1String("--section")) {
                parsed->section = value;
            } else if (a == QLatin1String("--title")) {
                o.title = value;
            } else if (a == QLatin1String("--description")) {
                // Lines as the shell passes them, with CR LF between them as the dialog has.
                QString text = value;
                o.description = text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"))
                                    .replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
            } else if (a == QLatin1String("--copyright")) {
                o.copyright = value;
            } else if (a == QLatin1String("--charset")) {
                o.charset = value;
            } else if (a == QLatin1String("--width")) {
                o.width = int(AlbumWidths().indexOf(value));
                if (o.width < 0)
                    return QStringLiteral("--width takes ") +
                           AlbumWidths().join(QStringLiteral(", "));
            } else if (a == QLatin1String("--columns")) {
                const std::optional<int> n = Number(value, 0, 99);
                if (!n) return QStringLiteral("--columns takes a number from 0 to 99");
                o.columns = *n;
            } else if (a == QLatin1String("--margin")) {
                const std::optional<int> n = Number(value, 0, 999);
                if (!n) return QStringLiteral("--margin takes a number from 0 to 999");
                o.margin = *n;
            } else if (a == QLatin1String("--page-color")) {
                const std::optional<TColor> color = PageColor(value);
                if (!color) return QStringLiteral("--page-color takes #RRGGBB or a colour name");
                o.pageColor = *color;
            } else if (a == QLatin1String("--jobs")) {
                const std::optional<int> n = Number(value, 1, 256);
                if (!n) return QStringLiteral("--jobs takes a number from 1 to 256");
                parsed->jobs = *n;
            } else {
                return QStringLiteral("unknown option ") + a;
            }
            return {};
        });
    if (!problem.isEmpty()) return problem;
    if (!folderGiven) return QStringLiteral("--folder is required");
    if (parsed->photos.isEmpty() == parsed->files.isEmpty())
        return QStringLiteral("give either --photos FILE or photo files");
    if (!parsed->photos.isEmpty() && !parsed->settings.isEmpty())
        return QStringLiteral("--settings goes with photo files, not with --photos");
    if (parsed->settings.isEmpty() != parsed->section.isEmpty())
        return QStringLiteral("--settings and --section go together");
    return {};
}

// Whether a settings file and its section are there, saying why not on err.
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

}  // namespace

int RunAlbumCommand(const QStringList& args, QTextStream& out, QTextStream& err) {
    AlbumArguments parsed;
    const QString problem = ParseAlbumArguments(args, &parsed);
    if (!problem.isEmpty()) {
        err << "vellumora-cli album: " << problem << "\n" << UsageText();
        return kUsage;
    }
    PrepareProgramFolder();

    std::vector<TPhotoInfo> photos;
    if (!parsed.photos.isEmpty()) {
        if (!SectionReadable(parsed.photos, QString(), err)) return kFailed;
        photos = ReadOpenPhotos(parsed.photos);
    } else {
        // Every file with the template fields of the named section, else of the default
        // template, as photos opened in the window start.
        TPhotoInfo current = TPhotoInfo::WithDefaultTemplate(QString());
        if (!parsed.settings.isEmpty()) {
            if (!SectionReadable(parsed.settings, parsed.section, err)) return kFailed;
            current.ReadTemplate(TIniFile(parsed.settings), parsed.section);
        }
        for (const QString& file : std::as_const(parsed.files)) {
            photos.emplace_back(QFileInfo(file).absoluteFilePath());
            photos.back().Assign(&current);
        }
    }

    TAlbumRun run;
    run.jobs = parsed.jobs;
    run.progress = [&err](const TAlbumPhoto& photo, int done, int total) {
        err << "[" << done << "/" << total << "] ";
        if (photo.written)
            err << photo.source << " -> " << photo.output << "\n";
        else
            err << "FAILED " << photo.source << ": " << photo.message << "\n";
        err.flush();
        return true;
    };
    const TAlbumResult result = BuildWebAlbum(parsed.options, std::move(photos), run);
    if (!result.message.isEmpty()) {
        err << result.message << "\n";
        return kFailed;
    }
    err << result.written << " written, " << result.failed << " failed\n";
    out << result.page << "\n";
    return result.failed == 0 ? kOk : kFailed;
}

}  // namespace vellumora::cli
