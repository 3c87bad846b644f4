#include "forms/common/PhotoFiles.h"

#include <QFileInfo>
#include <QMimeData>
#include <QUrl>

#include "codec/Codec.h"

namespace vellumora {

QString PhotoOpenFilter() {
    QStringList patterns;
    for (const QString& suffix : ReadableSuffixes()) patterns << QStringLiteral("*.") + suffix;
    return QStringLiteral("All Photos (") + patterns.join(QLatin1Char(' ')) + QLatin1Char(')');
}

QStringList WritableTypeCaptions() {
    QStringList captions;
    for (const TWritableType& type : WritableTypes()) captions << type.Caption();
    return captions;
}

QStringList DroppedPhotoFiles(const QMimeData* data) {
    QStringList photos;
    if (!data || !data->hasUrls()) return photos;
    const QStringList readable = ReadableSuffixes();
    for (const QUrl& url : data->urls()) {
        if (!url.isLocalFile()) continue;
        const QFileInfo file(url.toLocalFile());
        if (file.isFile() && readable.contains(file.suffix().toLower()))
            photos << file.absoluteFilePath();
    }
    return photos;
}

}  // namespace vellumora
