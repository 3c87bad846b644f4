#include "forms/main/Icons.h"

#include <QPalette>
#include <QPixmap>
#include <mutex>

// Outside the namespace, as the macro needs.
static void InitFormsResources() {
    Q_INIT_RESOURCE(forms);
}

namespace vellumora {

void UseFormsResources() {
    static std::once_flag once;
    std::call_once(once, InitFormsResources);
}

TIconSet IconSetFor(const QPalette& palette) {
    return palette.color(QPalette::Window).lightness() < 128 ? TIconSet::Dark : TIconSet::Light;
}

QIcon CommandIcon(const QString& name, TIconSet set) {
    UseFormsResources();
    const QString folder = set == TIconSet::Dark ? QStringLiteral(":/toolbar/dark/")
                                                 : QStringLiteral(":/toolbar/light/");
    QIcon icon;
    for (const int size : {16, 32, 64}) {
        const QImage image(folder + name + QStringLiteral("-%1.png").arg(size));
        if (image.isNull()) continue;
        icon.addPixmap(QPixmap::fromImage(image), QIcon::Normal);
        icon.addPixmap(QPixmap::fromImage(DisabledLook(image)), QIcon::Disabled);
    }
    return icon;
}

QImage DisabledLook(const QImage& image) {
    QImage look = image.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < look.height(); ++y) {
        auto* pixel = reinterpret_cast<QRgb*>(look.scanLine(y));
        for (int x = 0; x < look.width(); ++x) {
            const int grey = qGray(pixel[x]);
            pixel[x] = qRgba(grey, grey, grey, qAlpha(pixel[x]) * 2 / 5);
        }
    }
    return look;
}

}  // namespace vellumora
