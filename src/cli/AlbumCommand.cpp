// vellumora-cli album: the web album of the album dialog, built without a window.

#include <QFileInfo>
#include <algorithm>
#include <optional>

#include "cli/Commands.h"
#include "photos/album/Album.h"
#include "photos/settings/IniFile.h"
#include "photos/settings/PhotoInfo.h"
#include "photos/settings/ProgramFolder.h"

namespace vellumora::cli {
namespace {

struct AlbumArguments {
    TCommonArguments common;
    TAlbumOptions options;
    QString photos;  // a file of "PHOTO" + n sections
};

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

// Fills *parsed; false, said on err, for arguments that make no sense.
bool ParseAlbumArguments(const QStringList& args, AlbumArguments* parsed, QTextStream& err) {
    TAlbumOptions& o = parsed->options;
    const auto own = [&](const QString& a, const QString& value) -> std::optional<QString> {
        if (a == QLatin1String("--shuffle")) {
            o.shuffle = true;
        } else if (a == QLatin1String("--camera-details")) {
            o.cameraDetails = true;
        } else if (a == QLatin1String("--style")) {
            const QStringList names = AlbumStyleNames();
            const auto style = std::find_if(names.begin(), names.end(), [&](const QString& name) {
                return name.compare(value, Qt::CaseInsensitive) == 0;
            });
            if (style == names.end()) return QStringLiteral("--style takes classic or modern");
            o.style = TAlbumStyle(style - names.begin());
        } else if (a == QLatin1String("--photos")) {
            parsed->photos = value;
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
                return QStringLiteral("--width takes ") + AlbumWidths().join(QStringLiteral(", "));
        } else if (a == QLatin1String("--columns")) {
            const std::optional<int> n = NumberIn(value, 0, 99);
            if (!n) return QStringLiteral("--columns takes a number from 0 to 99");
            o.columns = *n;
        } else if (a == QLatin1String("--margin")) {
            const std::optional<int> n = NumberIn(value, 0, 999);
            if (!n) return QStringLiteral("--margin takes a number from 0 to 999");
            o.margin = *n;
        } else if (a == QLatin1String("--page-color")) {
            const std::optional<TColor> color = PageColor(value);
            if (!color) return QStringLiteral("--page-color takes #RRGGBB or a colour name");
            o.pageColor = *color;
        } else {
            return std::nullopt;
        }
        return QString();
    };
    const auto rules = [&]() -> QString {
        if (parsed->photos.isEmpty() == parsed->common.files.isEmpty())
            return QStringLiteral("give either --photos FILE or photo files");
        if (!parsed->photos.isEmpty() && !parsed->common.settings.isEmpty())
            return QStringLiteral("--settings goes with photo files, not with --photos");
        return {};
    };
    return ReadArguments(QStringLiteral("album"), args,
                         {QStringLiteral("--shuffle"), QStringLiteral("--camera-details")},
                         &parsed->common, own, rules, err);
}

}  // namespace

int RunAlbumCommand(const QStringList& args, QTextStream& out, QTextStream& err) {
    AlbumArguments parsed;
    if (!ParseAlbumArguments(args, &parsed, err)) return kUsage;
    PrepareProgramFolder();

    std::vector<TPhotoInfo> photos;
    if (!parsed.photos.isEmpty()) {
        if (!SectionReadable(parsed.photos, QString(), err)) return kFailed;
        photos = ReadOpenPhotos(parsed.photos);
    } else {
        // Every file with the template fields of the named section, else of the default
        // template, as photos opened in the window start.
        TPhotoInfo current = TPhotoInfo::WithDefaultTemplate(QString());
        const TCommonArguments& common = parsed.common;
        if (!common.settings.isEmpty()) {
            if (!SectionReadable(common.settings, common.section, err)) return kFailed;
            current.ReadTemplate(TIniFile(common.settings), common.section);
        }
        for (const QString& file : std::as_const(common.files)) {
            photos.emplace_back(QFileInfo(file).absoluteFilePath());
            photos.back().Assign(&current);
        }
    }

    TAlbumRun run;
    run.jobs = parsed.common.jobs;
    run.progress = [&err](const TAlbumPhoto& photo, int done, int total) {
        return PrintProgress(err, photo, done, total);
    };
    parsed.options.folder = parsed.common.folder;
    const TAlbumResult result = BuildWebAlbum(parsed.options, std::move(photos), run);
    if (!PrintOutcome(err, result.message, result.written, result.failed)) return kFailed;
    out << result.page << "\n";
    return result.failed == 0 ? kOk : kFailed;
}

}  // namespace vellumora::cli
