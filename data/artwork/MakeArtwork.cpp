// Draws the program's bitmaps: the hicolor application icons, the about-box picture, the
// icon in the user guide's page header and the icons of the window's commands.
// Run once by hand from the data folder when the artwork changes, and commit the results:
//
//   g++ -std=c++20 -fPIC artwork/MakeArtwork.cpp \
//       $(pkg-config --cflags --libs Qt6Gui) -o /tmp/make-artwork
//   /tmp/make-artwork .
//
// The icon is the same drawing as icons/hicolor/scalable/apps/vellumora.svg (a framed
// print with a drop shadow on a blue tile), on a 256-unit grid.
//
// The command icons are flat line drawings on a 32-unit grid with lines two units wide,
// centred on odd coordinates and filled areas on even ones, so that they fall on whole
// pixels at 16, 32 and 64 pixels (the menus, the tool bar, and the tool bar on a screen
// of twice the density). Each is drawn in ink for light windows and for dark ones
// (toolbar/light, toolbar/dark); the program makes their disabled look itself.

#include <QDir>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QtMath>
#include <cstdio>
#include <functional>

namespace {

void DrawLandscape(QPainter& p, const QRectF& r, QColor skyTop, QColor skyBottom, QColor sun,
                   QColor farHills, QColor nearHills) {
    p.save();
    p.setClipRect(r);
    QLinearGradient sky(r.topLeft(), r.bottomLeft());
    sky.setColorAt(0, skyTop);
    sky.setColorAt(1, skyBottom);
    p.fillRect(r, sky);
    p.setPen(Qt::NoPen);
    p.setBrush(sun);
    const qreal w = r.width(), h = r.height();
    p.drawEllipse(QPointF(r.left() + w * 0.75, r.top() + h * 0.30), h * 0.13, h * 0.13);
    QPainterPath far;
    far.moveTo(r.left(), r.bottom());
    far.lineTo(r.left(), r.top() + h * 0.70);
    far.lineTo(r.left() + w * 0.30, r.top() + h * 0.38);
    far.lineTo(r.left() + w * 0.50, r.top() + h * 0.62);
    far.lineTo(r.left() + w * 0.68, r.top() + h * 0.45);
    far.lineTo(r.right(), r.top() + h * 0.75);
    far.lineTo(r.right(), r.bottom());
    far.closeSubpath();
    p.setBrush(farHills);
    p.drawPath(far);
    QPainterPath near;
    near.moveTo(r.left(), r.bottom());
    near.lineTo(r.left(), r.top() + h * 0.85);
    near.cubicTo(r.left() + w * 0.35, r.top() + h * 0.68, r.left() + w * 0.65, r.top() + h * 0.95,
                 r.right(), r.top() + h * 0.78);
    near.lineTo(r.right(), r.bottom());
    near.closeSubpath();
    p.setBrush(nearHills);
    p.drawPath(near);
    p.restore();
}

// A soft shadow by stacking faint rounded rectangles that shrink towards the middle.
void DrawSoftShadow(QPainter& p, const QRectF& r, qreal spread, int alpha) {
    p.save();
    p.setPen(Qt::NoPen);
    const int steps = 8;
    for (int i = 0; i < steps; ++i) {
        const qreal grow = spread * (steps - i) / steps;
        p.setBrush(QColor(40, 25, 10, alpha / steps));
        p.drawRoundedRect(r.adjusted(-grow, -grow, grow, grow), grow + 1, grow + 1);
    }
    p.restore();
}

// One print: white frame, a landscape inside, a shadow below right.
void DrawPrint(QPainter& p, QPointF centre, QSizeF size, qreal angle, qreal border,
               const std::function<void(QPainter&, const QRectF&)>& picture) {
    p.save();
    p.translate(centre);
    p.rotate(angle);
    const QRectF frame(-size.width() / 2, -size.height() / 2, size.width(), size.height());
    DrawSoftShadow(p, frame.translated(5, 6), 6, 150);
    p.setPen(QPen(QColor(0, 0, 0, 40), 1));
    p.setBrush(QColor(252, 251, 247));
    p.drawRect(frame);
    picture(p, frame.adjusted(border, border, -border, -border * 2.2));
    p.restore();
}

QImage AboutPicture() {
    QImage image(320, 200, QImage::Format_RGB32);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);

    QLinearGradient paper(0, 0, 320, 200);
    paper.setColorAt(0, QColor(0xF6, 0xEE, 0xDB));
    paper.setColorAt(1, QColor(0xDE, 0xCB, 0xA6));
    p.fillRect(image.rect(), paper);
    // Faint fibres, so the backdrop reads as vellum rather than a flat fill.
    p.setPen(QPen(QColor(150, 120, 80, 22), 1));
    for (int i = 0; i < 60; ++i) {
        const int y = (i * 37) % 200;
        const int x = (i * 83) % 320;
        p.drawLine(x, y, x + 40 + (i % 5) * 9, y + (i % 3) - 1);
    }

    DrawPrint(p, {112, 92}, {156, 118}, -9, 8, [](QPainter& q, const QRectF& r) {
        DrawLandscape(q, r, QColor(0x7C, 0xC4, 0xE8), QColor(0xE4, 0xF3, 0xF7),
                      QColor(0xFF, 0xD3, 0x5C), QColor(0x6E, 0x9C, 0x7E), QColor(0x3C, 0x7A, 0x4A));
    });
    DrawPrint(p, {212, 112}, {150, 112}, 6, 8, [](QPainter& q, const QRectF& r) {
        DrawLandscape(q, r, QColor(0x3B, 0x2F, 0x6B), QColor(0xF2, 0x9E, 0x5C),
                      QColor(0xFF, 0xE2, 0x9A), QColor(0x7A, 0x4E, 0x7E), QColor(0x2E, 0x24, 0x4A));
        // A signature in the corner, as the watermark stage would sign a photo.
        q.save();
        q.setPen(QPen(QColor(255, 255, 255, 170), 1.4, Qt::SolidLine, Qt::RoundCap));
        q.setBrush(Qt::NoBrush);
        QPainterPath sig;
        const QPointF s(r.right() - 42, r.bottom() - 9);
        sig.moveTo(s);
        sig.cubicTo(s + QPointF(4, -10), s + QPointF(8, 4), s + QPointF(12, -4));
        sig.cubicTo(s + QPointF(16, -12), s + QPointF(20, 6), s + QPointF(26, -3));
        sig.cubicTo(s + QPointF(30, -9), s + QPointF(33, 2), s + QPointF(36, -2));
        q.drawPath(sig);
        q.restore();
    });
    return image;
}

// The icon on a 256-unit grid, drawn at any pixel size.
QImage Icon(int size) {
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 256.0, size / 256.0);
    p.setPen(Qt::NoPen);

    QLinearGradient tile(0, 16, 0, 240);
    tile.setColorAt(0, QColor(0x3A, 0x86, 0xA8));
    tile.setColorAt(1, QColor(0x1D, 0x4A, 0x63));
    p.setBrush(tile);
    p.drawRoundedRect(QRectF(16, 16, 224, 224), 44, 44);

    p.setBrush(QColor(0, 0, 0, 90));  // the drop shadow
    p.drawRect(QRectF(62, 74, 152, 124));
    p.setBrush(QColor(0xFC, 0xFB, 0xF7));  // the print's white band
    p.drawRect(QRectF(50, 62, 152, 124));

    const QRectF photo(64, 76, 124, 96);
    QLinearGradient sky(photo.topLeft(), photo.bottomLeft());
    sky.setColorAt(0, QColor(0x7C, 0xC4, 0xE8));
    sky.setColorAt(1, QColor(0xE4, 0xF3, 0xF7));
    p.setBrush(sky);
    p.drawRect(photo);
    p.setBrush(QColor(0xFF, 0xB9, 0x38));
    p.drawEllipse(QPointF(158, 102), 13, 13);
    p.setBrush(QColor(0x2F, 0x7D, 0x4F));
    const QPointF hills[] = {{64, 172},  {64, 150},  {100, 112}, {128, 142},
                             {150, 122}, {188, 160}, {188, 172}};
    p.drawPolygon(hills, 7);
    return image;
}

// The colours of one set of command icons.
struct TInk {
    QColor line;    // outlines
    QColor accent;  // the part that names the command
    QColor red, green, blue;
};

const TInk kOnLight{QColor(0x33, 0x41, 0x4E), QColor(0x1C, 0x7C, 0xB0), QColor(0xD6, 0x45, 0x41),
                    QColor(0x2F, 0x9A, 0x4A), QColor(0x2F, 0x6F, 0xD6)};
const TInk kOnDark{QColor(0xDC, 0xE4, 0xEB), QColor(0x5C, 0xBC, 0xEC), QColor(0xFF, 0x70, 0x66),
                   QColor(0x5F, 0xD0, 0x7A), QColor(0x74, 0xA4, 0xFF)};

QColor Faint(QColor colour, int alpha) {
    colour.setAlpha(alpha);
    return colour;
}

QPen Line(const QColor& colour) {
    return QPen(colour, 2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
}

void Polyline(QPainter& p, std::initializer_list<QPointF> points) {
    p.drawPolyline(points.begin(), int(points.size()));
}

// An arrow head whose tip is at `tip`, pointing along `direction`.
void ArrowHead(QPainter& p, QPointF tip, QPointF direction, qreal size) {
    const qreal length = std::hypot(direction.x(), direction.y());
    const QPointF along = direction / length, across(-along.y(), along.x());
    Polyline(p, {tip - along * size + across * size, tip, tip - along * size - across * size});
}

// The commands' pictures. Each reads at 16 pixels: one outline in ink, one part in the
// accent colour.
const std::pair<const char*, std::function<void(QPainter&, const TInk&)>> kCommandIcons[] = {
    // A folder with its front flap open.
    {"open",
     [](QPainter& p, const TInk& ink) {
         p.setPen(Line(ink.line));
         Polyline(p, {{3, 25}, {3, 7}, {11, 7}, {14, 9}, {25, 9}, {25, 13}});
         p.setBrush(Faint(ink.accent, 110));
         const QPointF flap[] = {{3, 25}, {9, 15}, {29, 15}, {23, 25}};
         p.drawPolygon(flap, 4);
     }},
    // An arrow down into a tray.
    {"save",
     [](QPainter& p, const TInk& ink) {
         p.setPen(Line(ink.line));
         Polyline(p, {{3, 19}, {3, 27}, {27, 27}, {27, 19}});
         p.setPen(Line(ink.accent));
         p.drawLine(QPointF(15, 3), QPointF(15, 21));
         ArrowHead(p, {15, 21}, {0, 1}, 6);
     }},
    // A small picture and an arrow out to the corner of a larger frame.
    {"resize",
     [](QPainter& p, const TInk& ink) {
         p.setPen(QPen(Faint(ink.line, 140), 2, Qt::DashLine, Qt::FlatCap, Qt::MiterJoin));
         p.drawRect(QRectF(3, 3, 26, 26));
         p.setPen(Line(ink.line));
         p.setBrush(Faint(ink.accent, 110));
         p.drawRect(QRectF(3, 17, 12, 12));
         p.setPen(Line(ink.accent));
         p.drawLine(QPointF(19, 13), QPointF(25, 7));
         Polyline(p, {{19, 7}, {25, 7}, {25, 13}});
     }},
    // A turn clockwise around a picture.
    {"rotate",
     [](QPainter& p, const TInk& ink) {
         p.setPen(Line(ink.line));
         p.setBrush(Faint(ink.accent, 110));
         p.drawRect(QRectF(11, 11, 10, 10));
         p.setPen(Line(ink.accent));
         p.setBrush(Qt::NoBrush);
         const QRectF circle(4, 4, 24, 24);
         QPainterPath arc;
         arc.arcMoveTo(circle, 0);
         arc.arcTo(circle, 0, -280);
         p.drawPath(arc);
         // The head at the arc's end, at the top, pointing on clockwise.
         const qreal end = qDegreesToRadians(-280.0);
         const QPointF at(16 + 12 * std::cos(end), 16 - 12 * std::sin(end));
         const QPointF along(std::sin(end), std::cos(end)), across(-along.y(), along.x());
         p.setPen(Qt::NoPen);
         p.setBrush(ink.accent);
         const QPointF head[] = {at + along * 7, at - along + across * 4, at - along - across * 4};
         p.drawPolygon(head, 3);
     }},
    // Two crop marks across each other, the kept part filled.
    {"crop",
     [](QPainter& p, const TInk& ink) {
         p.setPen(Qt::NoPen);
         p.setBrush(Faint(ink.accent, 110));
         p.drawRect(QRectF(10, 10, 12, 12));
         p.setPen(Line(ink.line));
         Polyline(p, {{9, 3}, {9, 23}, {29, 23}});
         Polyline(p, {{3, 9}, {23, 9}, {23, 29}});
     }},
    // Three sliders, one per colour.
    {"color",
     [](QPainter& p, const TInk& ink) {
         const qreal rows[] = {7, 17, 27}, knobs[] = {21, 11, 17};
         const QColor colours[] = {ink.red, ink.green, ink.blue};
         for (int i = 0; i < 3; ++i) {
             p.setPen(Line(ink.line));
             p.drawLine(QPointF(3, rows[i]), QPointF(29, rows[i]));
             p.setPen(Qt::NoPen);
             p.setBrush(colours[i]);
             p.drawEllipse(QPointF(knobs[i], rows[i]), 4.5, 4.5);
         }
     }},
    // A picture signed with a copyright sign in its corner.
    {"watermark",
     [](QPainter& p, const TInk& ink) {
         p.setPen(Line(ink.line));
         p.drawRect(QRectF(3, 5, 22, 18));
         Polyline(p, {{4, 19}, {10, 13}, {14, 17}, {18, 13}, {24, 19}});
         // The sign cuts its own gap into the picture.
         p.setCompositionMode(QPainter::CompositionMode_Clear);
         p.setPen(Qt::NoPen);
         p.setBrush(Qt::black);
         p.drawEllipse(QPointF(23, 23), 9, 9);
         p.setCompositionMode(QPainter::CompositionMode_SourceOver);
         p.setBrush(ink.accent);
         p.drawEllipse(QPointF(23, 23), 8, 8);
         // The letter cut out of the seal.
         p.setCompositionMode(QPainter::CompositionMode_Clear);
         p.setPen(QPen(Qt::black, 2.5, Qt::SolidLine, Qt::FlatCap));
         p.setBrush(Qt::NoBrush);
         QPainterPath c;
         const QRectF letter(19, 19, 8, 8);
         c.arcMoveTo(letter, 50);
         c.arcTo(letter, 50, 260);
         p.drawPath(c);
         p.setCompositionMode(QPainter::CompositionMode_SourceOver);
     }},
    // A picture in a wide band.
    {"border",
     [](QPainter& p, const TInk& ink) {
         QPainterPath band;
         band.addRect(QRectF(4, 4, 24, 24));
         band.addRect(QRectF(10, 10, 12, 12));
         p.setPen(Qt::NoPen);
         p.setBrush(Faint(ink.accent, 110));
         p.drawPath(band);
         p.setPen(Line(ink.line));
         p.setBrush(Qt::NoBrush);
         p.drawRect(QRectF(3, 3, 26, 26));
         p.drawRect(QRectF(9, 9, 14, 14));
     }},
    // A browser window holding four pictures.
    {"webpage",
     [](QPainter& p, const TInk& ink) {
         p.setPen(Line(ink.line));
         p.drawRect(QRectF(3, 5, 26, 22));
         p.drawLine(QPointF(3, 11), QPointF(29, 11));
         p.setPen(Qt::NoPen);
         p.setBrush(ink.line);
         p.drawRect(QRectF(6, 7, 2, 2));
         p.drawRect(QRectF(10, 7, 2, 2));
         p.setBrush(ink.accent);
         for (const QPointF corner :
              {QPointF(6, 14), QPointF(18, 14), QPointF(6, 20), QPointF(18, 20)})
             p.drawRect(QRectF(corner, QSizeF(8, 4)));
     }},
};

QImage CommandIcon(const std::function<void(QPainter&, const TInk&)>& draw, const TInk& ink,
                   int size) {
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 32.0, size / 32.0);
    p.setBrush(Qt::NoBrush);
    draw(p, ink);
    p.end();
    return image.convertToFormat(QImage::Format_ARGB32);
}

}  // namespace

int main(int argc, char** argv) {
    const QDir data(argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("."));
    bool ok = AboutPicture().save(data.filePath(QStringLiteral("about.jpg")), "JPEG", 88);
    for (const int size : {16, 22, 24, 32, 48, 64, 128, 256, 512}) {
        const QString folder = data.filePath(QStringLiteral("icons/hicolor/%1x%1/apps").arg(size));
        ok = QDir().mkpath(folder) && ok;
        ok = Icon(size).save(folder + QStringLiteral("/vellumora.png"), "PNG") && ok;
    }
    ok = Icon(64).save(data.filePath(QStringLiteral("help/vellumora.png")), "PNG") && ok;
    for (const auto& [set, ink] : {std::pair{"light", &kOnLight}, std::pair{"dark", &kOnDark}}) {
        const QString folder = data.filePath(QStringLiteral("toolbar/") + QLatin1String(set));
        ok = QDir().mkpath(folder) && ok;
        for (const auto& [name, draw] : kCommandIcons)
            for (const int size : {16, 32, 64})
                ok = CommandIcon(draw, *ink, size)
                         .save(QStringLiteral("%1/%2-%3.png").arg(folder).arg(name).arg(size),
                               "PNG") &&
                     ok;
    }
    if (!ok) std::fprintf(stderr, "make-artwork: could not write every file\n");
    return ok ? 0 : 1;
}
