#include "forms/common/ColorSwatch.h"

#include <QAbstractButton>
#include <QPainter>

namespace vellumora {

QImage ColorGlyph(QSize button, TColor color) {
    const QSize size(button.width() - 16, button.height() - 8);
    if (size.width() < 3 || size.height() < 2) return {};
    QImage glyph(size, QImage::Format_RGB32);
    glyph.fill((color & 0xFFFFFF) == clWhite ? QColor(Qt::red) : QColor(Qt::white));
    QPainter painter(&glyph);
    // Right and bottom exclusive: the outline runs on the last pixel inside the rectangle.
    const QRect box(1, 0, size.width() - 2, size.height());
    painter.fillRect(box, QColor(ColorToRgb(color)));
    painter.setPen(Qt::black);
    painter.drawRect(box.adjusted(0, 0, -1, -1));
    return glyph;
}

void PaintColorGlyph(QAbstractButton* button, TColor color) {
    const QImage glyph = ColorGlyph(button->size(), color);
    button->setIcon(QIcon(QPixmap::fromImage(glyph)));
    button->setIconSize(glyph.size());
    button->setToolTip(QColor(ColorToRgb(color)).name());
}

}  // namespace vellumora
