#include "forms/batch/BatchChoices.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <algorithm>

#include "codec/Codec.h"
#include "forms/common/PhotoFiles.h"
#include "photos/settings/Names.h"

namespace vellumora {
namespace {

// Beyond this many, the failed files are counted rather than named, so that the message
// box of a run over hundreds of unreadable files still fits on the screen.
constexpr int kNamedFailures = 10;
// A tooltip has a line per file; twenty lines still fit on a laptop's screen.
constexpr int kNamedLeftOut = 20;

}  // namespace

QStringList BatchTypeCaptions() {
    return WritableTypeCaptions();
}

QStringList BatchCaseCaptions() {
    return {QStringLiteral("Unchange"), QStringLiteral("UPPERCASE"), QStringLiteral("lowercase")};
}

QString DefaultBatchFolder() {
    return QStandardPaths::writableLocation(QStandardPaths::PicturesLocation) +
           QStringLiteral("/Vellumora");
}

TBatchOptions BatchOptionsOf(const TBatchChoices& choices) {
    TBatchOptions options;
    options.folder = choices.folder;
    options.prefix = choices.prefix;
    options.suffix = choices.suffix;
    const QStringList extensions = WritableExtensions();
    options.extension = extensions.value(choices.typeIndex, extensions.first());
    options.nameCase = TNameCase(std::clamp(choices.caseIndex, 0, 2));
    options.autoCrop = choices.autoCrop;
    options.ratioIndex = choices.ratioIndex;
    return options;
}

QString FailureWords(TBatchFailure failure) {
    switch (failure) {
        case TBatchFailure::CannotOpen:
            return QStringLiteral("cannot open");
        case TBatchFailure::CannotRender:
            return QStringLiteral("too large to render");
        case TBatchFailure::CannotSave:
            return QStringLiteral("cannot save");
        case TBatchFailure::WouldOverwrite:
            return QStringLiteral("would overwrite the original");
        case TBatchFailure::None:
            break;
    }
    return QStringLiteral("failed");
}

TBatchEndMessage BatchEndMessage(const TBatchResult& result, int total,
                                 const QList<TBatchItem>& failed) {
    const bool stopped = result.status == TBatchResult::Status::Cancelled;
    const QString question = QStringLiteral(" Do you want to see your new photos?");
    if (!stopped && result.failed == 0) return {QStringLiteral("Finished!") + question, true};

    QString text = stopped
                       ? QStringLiteral("Stopped! %1 of %2 written").arg(result.written).arg(total)
                       : QStringLiteral("Finished! %1 written").arg(result.written);
    if (result.failed > 0) {
        QStringList named;
        for (const TBatchItem& item : failed.mid(0, kNamedFailures))
            named << LocalFileName(item.source) + QStringLiteral(" (") +
                         FailureWords(item.failure) + QLatin1Char(')');
        if (result.failed > named.size())
            named << QStringLiteral("and %1 more").arg(result.failed - named.size());
        text +=
            QStringLiteral(", %1 failed: ").arg(result.failed) + named.join(QStringLiteral(", "));
    }
    text += QLatin1Char('.');
    if (result.written == 0) return {text, false};
    return {text + question, true};
}

QString LeftOutText(int leftOut) {
    if (leftOut <= 0) return {};
    return leftOut == 1
               ? QStringLiteral("1 file left out: it cannot be read as a photo.")
               : QStringLiteral("%1 files left out: they cannot be read as photos.").arg(leftOut);
}

QString LeftOutList(const QStringList& files) {
    QStringList lines;
    for (const QString& file : files.mid(0, kNamedLeftOut))
        lines << LocalFileName(file) + QStringLiteral(" (in ") +
                     QDir::toNativeSeparators(QFileInfo(file).path()) + QLatin1Char(')');
    if (files.size() > lines.size())
        lines << QStringLiteral("and %1 more").arg(files.size() - lines.size());
    return lines.join(QLatin1Char('\n'));
}

}  // namespace vellumora
