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
    return {
        QStringLiteral("JPEG Bitmap (*.jpg)"),
        QStringLiteral("JPEG Bitmap (*.jpeg)"),
        QStringLiteral("CompuServe Bitmap (*.gif)"),
        QStringLiteral("TIFF Bitmap (*.tif)"),
        QStringLiteral("PaintBrush (*.pcx)"),
        QStringLiteral("Portable Network Graphics (*.png)"),
        QStringLiteral("Windows Bitmap (*.bmp)"),
        QStringLiteral("Targa Bitmap (*.tga)"),
    };
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
