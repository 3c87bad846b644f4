#include "photos/album/ModernPage.h"

#include <QFileInfo>
#include <QStringList>
#include <algorithm>
#include <cmath>
#include <limits>

namespace vellumora {
namespace {

constexpr int kSmallestWidth = 480;
constexpr int kWidthSteps = 4;   // 480, 960, 1920, 3840: a 4K window's width at the top
constexpr int kEagerPhotos = 4;  // the first screen's photos load at once, the rest lazily

// The grid: from a window this wide on, this many columns. Each column stays at least
// 240 pixels wide (half the smallest file), so no photo loads more than twice the pixels
// it shows; the page pads 16 pixels each side and leaves 12 between columns. The style
// sheet's columns and the images' sizes are both made from this one table.
struct TGridStep {
    int minWidth;
    int columns;
};
constexpr TGridStep kGrid[] = {{0, 1}, {560, 2}, {880, 3}, {1280, 4}, {1680, 5}, {2200, 6}};
constexpr int kPagePadding = 16;
constexpr int kGridGap = 12;

QString Escaped(const QString& text) {
    QString html = text.toHtmlEscaped();  // & < > "
    return html.replace(QLatin1Char('\''), QStringLiteral("&#39;"));
}

// The images' sizes attribute: the column width at each step of the grid, widest first.
QString GridSizes() {
    QStringList sizes;
    for (auto step = std::rbegin(kGrid); step != std::rend(kGrid); ++step) {
        const int fixed = 2 * kPagePadding + (step->columns - 1) * kGridGap;
        const QString width =
            step->columns == 1
                ? QStringLiteral("calc(100vw - %1px)").arg(fixed)
                : QStringLiteral("calc((100vw - %1px) / %2)").arg(fixed).arg(step->columns);
        sizes << (step->minWidth > 0
                      ? QStringLiteral("(min-width: %1px) %2").arg(step->minWidth).arg(width)
                      : width);
    }
    return sizes.join(QStringLiteral(", "));
}

QString GridColumnsCss() {
    QString css;
    for (const TGridStep& step : kGrid) {
        const QString rule = QStringLiteral(".grid{grid-template-columns:repeat(%1,minmax(0,1fr))}")
                                 .arg(step.columns);
        css += step.minWidth > 0
                   ? QStringLiteral("@media (min-width:%1px){%2}\n").arg(step.minWidth).arg(rule)
                   : rule + QLatin1Char('\n');
    }
    return css;
}

// The style sheet, less the grid's columns (GridColumnsCss) and the accent, which the
// page sets. Light and dark follow the visitor's system.
const char* const kStyle = R"css(/* Vellumora album */
:root{color-scheme:light dark;--bg:#ffffff;--fg:#1b1b1b;--muted:#4d4d4d;--line:#d0d0d0}
@media (prefers-color-scheme:dark){:root{--bg:#121212;--fg:#ececec;--muted:#b4b4b4;--line:#3a3a3a}}
*,*::before,*::after{box-sizing:border-box}
html{-webkit-text-size-adjust:100%}
body{margin:0;background:var(--bg);color:var(--fg);font:16px/1.5 system-ui,-apple-system,"Segoe UI",Roboto,"Liberation Sans",sans-serif;overflow-x:hidden}
.band{background:var(--accent);color:var(--on-accent);padding:24px 16px;border-bottom:1px solid var(--line)}
.band h1{margin:0 auto;max-width:72rem;font-size:clamp(1.5rem,4vw,2.5rem);line-height:1.2;overflow-wrap:anywhere;text-align:center}
main{padding:16px}
.description{max-width:48rem;margin:0 auto 16px;text-align:center;overflow-wrap:anywhere}
.grid{list-style:none;margin:0;padding:0;display:grid;gap:12px;align-items:start}
.grid figure{margin:0}
.grid a{display:block;border-radius:4px;outline-offset:3px}
.grid a:focus-visible{outline:3px solid var(--fg)}
.grid img{display:block;width:100%;height:auto;border-radius:4px;background:var(--line)}
.grid figcaption{padding:6px 2px 0;font-size:.9rem;overflow-wrap:anywhere}
.details{display:block;color:var(--muted);font-size:.8rem}
footer{padding:16px;border-top:1px solid var(--line);text-align:center;color:var(--muted);font-size:.9rem;overflow-wrap:anywhere}
footer p{margin:0}
.viewer{position:fixed;inset:0;width:100%;height:100%;max-width:none;max-height:none;margin:0;padding:0;border:0;background:#000;color:#fff;overflow:hidden}
.viewer::backdrop{background:#000}
.viewer .stage{position:absolute;inset:0 0 4.5rem 0;display:flex;align-items:center;justify-content:center;touch-action:pan-y}
.viewer .stage img{max-width:100%;max-height:100%;width:auto;height:auto;object-fit:contain;user-select:none}
.viewer .bar{position:absolute;left:0;right:0;bottom:0;height:4.5rem;padding:8px 16px;text-align:center;background:#000;overflow:hidden}
.viewer .bar p{margin:0;overflow-wrap:anywhere}
.viewer .bar .details{color:#c8c8c8}
.viewer button{position:absolute;min-width:48px;min-height:48px;border:0;border-radius:24px;background:#000;color:#fff;font:inherit;font-size:1.75rem;line-height:1;cursor:pointer}
.viewer button:focus-visible{outline:3px solid #fff;outline-offset:2px}
.viewer .close{top:12px;right:12px}
.viewer .prev{left:12px;top:calc(50% - 2.25rem)}
.viewer .next{right:12px;top:calc(50% - 2.25rem)}
@media (prefers-reduced-motion:no-preference){.grid img{transition:opacity .2s}}
)css";

// The viewer. Opens a photo full-window on a click or Enter on it, moves with the arrow
// keys, a swipe or the buttons, closes with Esc or the close button; focus stays inside
// while it is open and goes back to the photo it came from. The address keeps the photo
// ("#3"), so that a link opens it.
const char* const kScript = R"js(// Vellumora album viewer: no framework, nothing fetched.
(function () {
  'use strict';
  var links = Array.prototype.slice.call(document.querySelectorAll('a.photo'));
  var viewer = document.getElementById('viewer');
  if (!links.length || !viewer || typeof viewer.showModal !== 'function') return;
  var stage = viewer.querySelector('.stage');
  var caption = document.getElementById('viewer-caption');
  var details = document.getElementById('viewer-details');
  var buttons = Array.prototype.slice.call(viewer.querySelectorAll('button'));
  var image = document.createElement('img');
  image.alt = '';
  image.decoding = 'async';
  var current = -1;
  var opener = null;

  function indexOf(hash) {
    var match = /^#(\d+)$/.exec(hash);
    if (!match) return -1;
    for (var i = 0; i < links.length; i++) if (links[i].dataset.number === match[1]) return i;
    return -1;
  }

  // The width the photo is shown at: fitted into the stage, never above its own.
  function fittedWidth(thumb) {
    var w = +thumb.getAttribute('width'), h = +thumb.getAttribute('height');
    var box = stage.getBoundingClientRect();
    return Math.max(1, Math.ceil(Math.min(box.width, box.height * w / h, w)));
  }

  function show(i) {
    var thumb = links[i].querySelector('img');
    var figure = links[i].parentNode;
    var line = figure.querySelector('.details');
    current = i;
    if (!viewer.open) {
      if (!opener) opener = links[i];
      viewer.showModal();
      buttons[0].focus();
    }
    image.removeAttribute('srcset');
    image.width = +thumb.getAttribute('width');
    image.height = +thumb.getAttribute('height');
    image.sizes = fittedWidth(thumb) + 'px';
    image.srcset = thumb.getAttribute('srcset');
    image.src = links[i].getAttribute('href');
    image.alt = thumb.alt;
    if (!image.parentNode) stage.appendChild(image);
    caption.textContent = thumb.alt + ' (' + (i + 1) + ' / ' + links.length + ')';
    details.textContent = line ? line.textContent : '';
    details.hidden = !line;
  }

  function clearAddress() {
    try {
      history.replaceState(null, '', location.pathname + location.search);
    } catch (e) {
      location.replace('#');
    }
  }

  function go(step) {
    if (current < 0) return;
    // Keys may come faster than the address changes: the next step counts from here.
    current = (current + step + links.length) % links.length;
    location.replace('#' + links[current].dataset.number);
  }

  function close() {
    if (viewer.open) viewer.close();
  }

  viewer.addEventListener('close', function () {
    current = -1;
    image.removeAttribute('srcset');
    if (indexOf(location.hash) >= 0) clearAddress();
    var back = opener;
    opener = null;
    if (back) back.focus();
  });
  viewer.addEventListener('cancel', function (event) {
    event.preventDefault();
    close();
  });
  viewer.addEventListener('keydown', function (event) {
    if (event.key === 'ArrowRight') go(1);
    else if (event.key === 'ArrowLeft') go(-1);
    else if (event.key === 'Escape') close();
    else if (event.key === 'Tab') {
      // Round the viewer's buttons, never out of it.
      var at = buttons.indexOf(document.activeElement);
      var next = (at + (event.shiftKey ? -1 : 1) + buttons.length) % buttons.length;
      if (at < 0) next = 0;
      buttons[next].focus();
    } else return;
    event.preventDefault();
  });
  viewer.querySelector('.close').addEventListener('click', close);
  viewer.querySelector('.prev').addEventListener('click', function () { go(-1); });
  viewer.querySelector('.next').addEventListener('click', function () { go(1); });

  var startX = null, startY = 0;
  stage.addEventListener('pointerdown', function (event) {
    startX = event.clientX;
    startY = event.clientY;
  });
  stage.addEventListener('pointerup', function (event) {
    if (startX === null) return;
    var dx = event.clientX - startX, dy = event.clientY - startY;
    startX = null;
    if (Math.abs(dx) > 40 && Math.abs(dx) > Math.abs(dy)) go(dx < 0 ? 1 : -1);
  });
  stage.addEventListener('pointercancel', function () { startX = null; });

  links.forEach(function (link) {
    link.addEventListener('click', function (event) {
      if (event.button !== 0 || event.ctrlKey || event.metaKey || event.shiftKey || event.altKey)
        return;
      event.preventDefault();
      opener = link;
      if (location.hash === '#' + link.dataset.number) show(links.indexOf(link));
      else location.hash = link.dataset.number;
    });
  });
  window.addEventListener('hashchange', function () {
    var i = indexOf(location.hash);
    if (i >= 0) show(i);
    else close();
  });
  window.addEventListener('resize', function () {
    if (current >= 0) image.sizes = fittedWidth(links[current].querySelector('img')) + 'px';
  });
  var first = indexOf(location.hash);
  if (first >= 0) show(first);
})();
)js";

// Relative luminance of an sRGB colour, as contrast ratios use it.
double Luminance(TColor color) {
    const auto channel = [](int value) {
        const double c = value / 255.0;
        return c <= 0.03928 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * channel(color & 0xFF) + 0.7152 * channel((color >> 8) & 0xFF) +
           0.0722 * channel((color >> 16) & 0xFF);
}

}  // namespace

std::vector<int> ModernWidths(int photoWidth) {
    std::vector<int> widths;
    for (int w = kSmallestWidth, i = 0; i < kWidthSteps && w < photoWidth; w *= 2, ++i)
        widths.push_back(w);
    return widths;
}

std::vector<int> ModernAllWidths() {
    return ModernWidths(std::numeric_limits<int>::max());
}

QSize ModernScaledSize(QSize photo, int width) {
    if (photo.width() <= 0) return {width, 1};
    const qint64 height =
        (qint64(photo.height()) * width * 2 + photo.width()) / (2 * photo.width());
    return {width, int(std::max<qint64>(height, 1))};
}

QString ModernFileName(int number, int width) {
    return QStringLiteral("Photo%1-%2.jpg").arg(number).arg(width);
}

QString ModernCaption(const TPhotoFacts& facts, const QString& fileName) {
    return facts.title.isEmpty() ? QFileInfo(fileName).completeBaseName() : facts.title;
}

QString ModernDetails(const TPhotoFacts& facts) {
    QStringList parts;
    for (const QString& part : {facts.taken, facts.camera, facts.exposure})
        if (!part.isEmpty()) parts << part;
    return parts.join(QStringLiteral(" \u00B7 "));
}

TColor AccentTextColor(TColor accent) {
    const double l = Luminance(accent);
    // Contrast with black is (l + 0.05) / 0.05, with white 1.05 / (l + 0.05).
    return (l + 0.05) * (l + 0.05) >= 0.05 * 1.05 ? TColor(0x000000) : TColor(0xFFFFFF);
}

QString ModernPage(const TAlbumOptions& o, const std::vector<TModernPhoto>& photos) {
    const QString title = Escaped(o.title);
    QStringList lines = {
        QStringLiteral("<!DOCTYPE html>"),
        QStringLiteral("<html lang=\"en\">"),
        QStringLiteral("<head>"),
        QStringLiteral("<meta charset=\"utf-8\">"),
        QStringLiteral("<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">"),
        QStringLiteral("<meta name=\"generator\" content=\"Vellumora\">"),
        QStringLiteral("<title>") + (title.isEmpty() ? QStringLiteral("Photos") : title) +
            QStringLiteral("</title>"),
        QStringLiteral("<link rel=\"stylesheet\" href=\"Vellumora.css\">"),
        QStringLiteral("<style>:root{--accent:") + ColorToHtml(o.pageColor) +
            QStringLiteral(";--on-accent:") + ColorToHtml(AccentTextColor(o.pageColor)) +
            QStringLiteral("}</style>"),
        QStringLiteral("</head>"),
        QStringLiteral("<body>"),
        QStringLiteral("<header class=\"band\">"),
    };
    if (!title.isEmpty()) lines << QStringLiteral("<h1>") + title + QStringLiteral("</h1>");
    lines << QStringLiteral("</header>") << QStringLiteral("<main>");
    if (!o.description.isEmpty()) {
        QStringList paragraph = o.description.split(QStringLiteral("\r\n"));
        if (paragraph.size() > 1 && paragraph.back().isEmpty()) paragraph.removeLast();
        for (QString& line : paragraph) line = Escaped(line);
        lines << QStringLiteral("<p class=\"description\">") +
                     paragraph.join(QStringLiteral("<br>")) + QStringLiteral("</p>");
    }
    const QString sizes = GridSizes();
    lines << QStringLiteral("<ul class=\"grid\">");
    int place = 0;
    for (const TModernPhoto& photo : photos) {
        const QString full = QStringLiteral("Photo%1.jpg").arg(photo.number);
        QStringList srcset;
        for (int w : photo.widths)
            srcset << ModernFileName(photo.number, w) + QStringLiteral(" %1w").arg(w);
        srcset << full + QStringLiteral(" %1w").arg(photo.size.width());
        const QString smallest =
            photo.widths.empty() ? full : ModernFileName(photo.number, photo.widths.front());
        const QString caption = Escaped(photo.caption);
        QString img = QStringLiteral("<img src=\"") + smallest + QStringLiteral("\" srcset=\"") +
                      srcset.join(QStringLiteral(", ")) + QStringLiteral("\" sizes=\"") + sizes +
                      QStringLiteral("\" width=\"%1\" height=\"%2\" alt=\"")
                          .arg(photo.size.width())
                          .arg(photo.size.height()) +
                      caption + QStringLiteral("\" decoding=\"async\"");
        if (place++ >= kEagerPhotos) img += QStringLiteral(" loading=\"lazy\"");
        img += QLatin1Char('>');
        QString figcaption = caption;
        if (o.cameraDetails && !photo.details.isEmpty())
            figcaption += QStringLiteral("<span class=\"details\">") + Escaped(photo.details) +
                          QStringLiteral("</span>");
        lines << QStringLiteral("<li><figure><a class=\"photo\" href=\"") + full +
                     QStringLiteral("\" data-number=\"%1\">").arg(photo.number) + img +
                     QStringLiteral("</a><figcaption>") + figcaption +
                     QStringLiteral("</figcaption></figure></li>");
    }
    lines << QStringLiteral("</ul>") << QStringLiteral("</main>") << QStringLiteral("<footer>");
    if (!o.copyright.isEmpty())
        lines << QStringLiteral("<p class=\"copyright\">") + Escaped(o.copyright) +
                     QStringLiteral("</p>");
    lines << QStringLiteral("</footer>")
          << QStringLiteral("<dialog class=\"viewer\" id=\"viewer\" aria-label=\"Photo viewer\">")
          << QStringLiteral("<div class=\"stage\"></div>")
          << QStringLiteral(
                 "<div class=\"bar\"><p id=\"viewer-caption\" aria-live=\"polite\"></p>"
                 "<p id=\"viewer-details\" class=\"details\" hidden></p></div>")
          << QStringLiteral(
                 "<button type=\"button\" class=\"close\" aria-label=\"Close\">"
                 "\u00D7</button>")
          << QStringLiteral(
                 "<button type=\"button\" class=\"prev\" aria-label=\"Previous photo\">"
                 "\u2039</button>")
          << QStringLiteral(
                 "<button type=\"button\" class=\"next\" aria-label=\"Next photo\">"
                 "\u203A</button>")
          << QStringLiteral("</dialog>") << QStringLiteral("<script src=\"Vellumora.js\"></script>")
          << QStringLiteral("</body>") << QStringLiteral("</html>");
    return lines.join(QLatin1Char('\n')) + QLatin1Char('\n');
}

std::vector<TAlbumFile> ModernPageFiles() {
    return {{QStringLiteral("Vellumora.css"), QByteArray(kStyle) + GridColumnsCss().toUtf8()},
            {QStringLiteral("Vellumora.js"), QByteArray(kScript)}};
}

}  // namespace vellumora
