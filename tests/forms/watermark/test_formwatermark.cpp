// The Watermark dialog: the position buttons and the margins they use, the guides, dragging
// on the preview, typing into the boxes, the font and colour choosers, the preview against
// the rendered photo, and what assistive tools see of it.

#include <QAbstractButton>
#include <QAccessible>
#include <QApplication>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>

#include "codec/Codec.h"
#include "forms/common/ColorSwatch.h"
#include "forms/watermark/FormWatermark.h"
#include "photos/Photo.h"
#include "photos/stages/Render.h"
#include "support/FakePlatform.h"
#include "support/Modal.h"
#include "support/TestSupport.h"

using namespace vellumora;
using Path = QList<QPoint>;

Q_DECLARE_METATYPE(TMargins)
Q_DECLARE_METATYPE(TGuides)
Q_DECLARE_METATYPE(TFont)

namespace {

constexpr int kFirstShowing = -100;  // no showing before the one under test
const TMargins kDefaultMargins{8, 8};

// A black photo of the preview's size, shown at its own size (Max 0), so that the rendered
// photo and the preview hold the text at the same pixels; and the dialog working on it.
struct TWatermarkRig {
    test::TFakePlatform platform;
    TPhotoInfo info;
    TPhoto photo;
    TFormWatermark dialog{photo, platform};

    explicit TWatermarkRig(const QString& file, int position = 6) : info(file) {
        info.Max = 0;
        info.Position = position;
        info.Watermark = QStringLiteral("Sig");
        photo.SetMasksFolder(QFileInfo(file).path());
        photo.AssignInfo(&info);
    }
    bool Show() { return test::ShowActive(&dialog); }
    template <class T = QWidget>
    T* Child(const QString& name) const {
        return dialog.findChild<T*>(name);
    }
    QLineEdit* Box(const QString& name) const { return Child<QLineEdit>(name); }
    QWidget* Preview() const { return Child("ImagePreview"); }
    QImage Shown() const {
        return Child<QLabel>("ImagePreview")->pixmap().toImage().convertToFormat(kPixelFormat);
    }
    // The preview for these settings, with the guides of the pressed button.
    static QImage Expected(const TPhotoInfo& s, int pressed) {
        const TMargins margins{s.X, s.Y};
        TPreviewCanvas canvas =
            PreviewCanvas(s.Watermark, s.Font, s.Opacity, SelectedPosition(pressed), margins);
        DrawGuides(canvas.picture,
                   GuidesOnCanvas(Guides(pressed, margins, kWatermarkPreviewSize), canvas.origin));
        return canvas.picture;
    }
    // Empty when the preview is scrolled so that the signature of these settings is in
    // view: all of it, or its start where it is wider or taller than the view.
    QString SignatureInView(const TPhotoInfo& s, int pressed) const {
        const QRect cell =
            PreviewCanvas(s.Watermark, s.Font, s.Opacity, SelectedPosition(pressed), {s.X, s.Y})
                .signature;
        auto* area = Child<QScrollArea>("ScrollBoxPreview");
        const QRect view(
            QPoint(area->horizontalScrollBar()->value(), area->verticalScrollBar()->value()),
            area->viewport()->size());
        const bool fits = cell.width() <= view.width() && cell.height() <= view.height();
        if (fits ? view.contains(cell) : view.contains(cell.topLeft())) return {};
        return QStringLiteral("signature (%1, %2) %3 x %4 outside view (%5, %6) %7 x %8")
            .arg(cell.x())
            .arg(cell.y())
            .arg(cell.width())
            .arg(cell.height())
            .arg(view.x())
            .arg(view.y())
            .arg(view.width())
            .arg(view.height());
    }
    void Type(const QString& box, const QString& text) const {
        Box(box)->setFocus();
        Box(box)->selectAll();
        QTest::keyClick(Box(box), Qt::Key_Delete);
        QTest::keyClicks(Box(box), text);
    }
};

}  // namespace

class TestFormWatermark : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    QString file_;

private slots:
    void initTestCase() {
        QVERIFY(dir_.isValid());
        file_ = dir_.filePath("black.png");
        QVERIFY(test::SolidImage(kWatermarkPreviewSize.width(), kWatermarkPreviewSize.height(),
                                 0x000000)
                    .save(file_));
    }

    // Show presses the record's button; the group releases a button only by pressing
    // another, so a position off the grid keeps the previous showing's button, or none.
    void positions_data() {
        QTest::addColumn<int>("position");
        QTest::addColumn<int>("previous");  // the position at the showing before
        QTest::addColumn<int>("pressed");
        QTest::addColumn<bool>("xEnabled");
        QTest::addColumn<bool>("yEnabled");
        QTest::addColumn<int>("stored");  // by OK
        QTest::newRow("top left") << 0 << kFirstShowing << 0 << true << true << 0;
        QTest::newRow("top: no X") << 1 << kFirstShowing << 1 << false << true << 1;
        QTest::newRow("left: no Y") << 3 << kFirstShowing << 3 << true << false << 3;
        QTest::newRow("centre: neither") << 4 << kFirstShowing << 4 << false << false << 4;
        QTest::newRow("bottom: no X") << 7 << 0 << 7 << false << true << 7;
        QTest::newRow("bottom right") << 8 << 4 << 8 << true << true << 8;
        QTest::newRow("12 at the first showing") << 12 << kFirstShowing << -1 << true << true << 8;
        QTest::newRow("12 after top right") << 12 << 2 << 2 << true << true << 2;
        QTest::newRow("-1 after centre") << -1 << 4 << 4 << false << false << 4;
    }
    void positions() {
        QFETCH(int, position);
        QFETCH(int, previous);
        QFETCH(int, pressed);
        QFETCH(bool, xEnabled);
        QFETCH(bool, yEnabled);
        QFETCH(int, stored);
        TWatermarkRig rig(file_, previous);
        if (previous != kFirstShowing) {
            QVERIFY(rig.Show());
            rig.dialog.ButtonCancel()->click();
        }
        rig.info.Position = position;
        QVERIFY(rig.Show());

        QCOMPARE(rig.dialog.PressedPosition(), pressed);
        for (int n = 0; n < kPositionCount; ++n)
            QCOMPARE(rig.Child<QAbstractButton>(QString("SpeedButton%1").arg(n))->isChecked(),
                     n == pressed);
        for (const char* name : {"EditX", "UpDownX"})
            QCOMPARE(rig.Child(name)->isEnabled(), xEnabled);
        for (const char* name : {"EditY", "UpDownY"})
            QCOMPARE(rig.Child(name)->isEnabled(), yEnabled);
        QCOMPARE(test::CompareImages(rig.dialog.PreviewImage(), rig.Expected(rig.info, pressed)),
                 QString());
        QCOMPARE(QApplication::focusWidget(), rig.Child("EditSignature"));

        rig.dialog.ButtonOK()->click();
        QCOMPARE(rig.info.Position, stored);
        QCOMPARE((TMargins{rig.info.X, rig.info.Y}), kDefaultMargins);
    }

    // The dotted guides sit just inside the margins the pressed button uses, only where
    // they fall inside the preview; every other pixel of each, and drawing them again
    // erases them.
    void guides_data() {
        QTest::addColumn<int>("pressed");
        QTest::addColumn<TMargins>("margins");
        QTest::addColumn<TGuides>("guides");
        const int w = kWatermarkPreviewSize.width(), h = kWatermarkPreviewSize.height();
        QTest::newRow("bottom left, 8 and 8") << 6 << TMargins{8, 8} << TGuides{7, 256};
        QTest::newRow("bottom right") << 8 << TMargins{8, 8} << TGuides{w - 9, h - 9};
        QTest::newRow("centre: none") << 4 << TMargins{8, 8} << TGuides{};
        QTest::newRow("none pressed") << kNoPosition << TMargins{8, 8} << TGuides{};
        QTest::newRow("top: a row only") << 1 << TMargins{8, 20} << TGuides{std::nullopt, 19};
        QTest::newRow("right: a column only")
            << 5 << TMargins{100, 20} << TGuides{w - 101, std::nullopt};
        QTest::newRow("margin 0: on the edge, outside")
            << 0 << TMargins{0, 1} << TGuides{std::nullopt, 0};
        QTest::newRow("margin past the preview") << 2 << TMargins{500, 9999} << TGuides{};
        QTest::newRow("margins of the whole preview") << 8 << TMargins{w, h} << TGuides{};
    }
    void guides() {
        QFETCH(int, pressed);
        QFETCH(TMargins, margins);
        QFETCH(TGuides, guides);
        const TGuides found = Guides(pressed, margins, kWatermarkPreviewSize);
        QCOMPARE(found.column, guides.column);
        QCOMPARE(found.row, guides.row);

        const QImage black = PreviewPicture(QString(), TFont(), 0, 0, margins);
        QImage picture = black;
        DrawGuides(picture, found);
        for (int y = 0; y < picture.height(); ++y)
            for (int x = 0; x < picture.width(); ++x) {
                const bool onLine = x == found.column || y == found.row;
                const quint32 expected = onLine && (x + y) % 2 == 0 ? 0xFFFFFF : 0;
                if (test::PixelRgb(picture, x, y) != expected)
                    QFAIL(qPrintable(QString("pixel (%1, %2)").arg(x).arg(y)));
            }
        DrawGuides(picture, found);
        QCOMPARE(picture, black);
    }

    // The preview's picture: the area itself while the text fits, else grown just enough
    // to hold the text (up to the reach); within the area always the stage's own pixels.
    // Scrolling shows the text with the least move.
    void canvas_data() {
        QTest::addColumn<int>("position");
        QTest::addColumn<TMargins>("margins");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("grows");
        QTest::newRow("fits") << 6 << TMargins{8, 8} << "Sig" << false;
        QTest::newRow("empty") << 8 << TMargins{900, 900} << "" << false;
        QTest::newRow("right, past the left") << 8 << TMargins{745, 65} << "Sig" << true;
        QTest::newRow("top left, past the bottom") << 0 << TMargins{30, 600} << "Sig" << true;
        QTest::newRow("centre, wider") << 4 << TMargins{} << QString(60, QLatin1Char('M')) << true;
        QTest::newRow("partly past the reach")
            << 0 << TMargins{1400, 8} << QString(10, 'M') << true;
        QTest::newRow("wholly past the reach") << 2 << TMargins{9999, 9999} << "Sig" << false;
    }
    void canvas() {
        QFETCH(int, position);
        QFETCH(TMargins, margins);
        QFETCH(QString, text);
        QFETCH(bool, grows);
        const TFont font;
        const TPreviewCanvas c = PreviewCanvas(text, font, 0, position, margins);
        const QRect area(c.origin, kWatermarkPreviewSize);
        const QRect whole(QPoint(0, 0), c.picture.size());
        QCOMPARE(c.picture.size() != kWatermarkPreviewSize, grows);
        QVERIFY(whole.contains(area) && c.origin.x() % 2 == 0 && c.origin.y() % 2 == 0);
        QVERIFY(whole.width() <= area.width() + 2 * kCanvasReach + 1 &&
                whole.height() <= area.height() + 2 * kCanvasReach + 1);
        // All of the text within the reach is on the picture.
        const QRect reach = area.adjusted(-kCanvasReach, -kCanvasReach, kCanvasReach, kCanvasReach);
        QCOMPARE(whole.intersected(c.signature), reach.intersected(c.signature));
        QCOMPARE(test::CompareImages(c.picture.copy(area),
                                     PreviewPicture(text, font, 0, position, margins)),
                 QString());
        const QPoint at = ScrollToShow(c.signature, {300, 200}, c.picture.size(), {0, 0});
        const QRect view(at, QSize(300, 200));
        if (whole.contains(c.signature))
            QVERIFY(c.signature.width() <= 300 ? view.contains(c.signature)
                                               : view.contains(c.signature.topLeft()));
        QCOMPARE(ScrollToShow(c.signature, {300, 200}, c.picture.size(), at), at);
    }

    // Pressing and moving sets the margins the pressed button uses and moves the guides
    // over the text drawn at press; letting go draws the text at the new margins.
    void drag_data() {
        QTest::addColumn<int>("position");
        QTest::addColumn<Path>("path");
        QTest::addColumn<TMargins>("margins");
        QTest::newRow("bottom right to (30, 200)")
            << 8 << Path{{100, 100}, {30, 200}} << TMargins{415, 65};
        QTest::newRow("left, past the left edge")
            << 3 << Path{{50, 50}, {-20, 50}} << TMargins{0, 8};
        QTest::newRow("top") << 1 << Path{{10, 10}, {10, 100}} << TMargins{8, 100};
        QTest::newRow("bottom left, below the bottom")
            << 6 << Path{{5, 5}, {20, 300}} << TMargins{20, 0};
        QTest::newRow("a click sets them too") << 0 << Path{{40, 30}} << TMargins{40, 30};
        QTest::newRow("centre changes nothing") << 4 << Path{{5, 5}, {30, 200}} << kDefaultMargins;
        QTest::newRow("none pressed changes nothing")
            << 12 << Path{{5, 5}, {30, 200}} << kDefaultMargins;
        // The text lands past the area's left edge: the preview grows and scrolls to it.
        QTest::newRow("bottom right, far past the left")
            << 8 << Path{{100, 100}, {-300, 200}} << TMargins{745, 65};
        QTest::newRow("top left, far past the bottom")
            << 0 << Path{{5, 5}, {30, 600}} << TMargins{30, 600};
    }
    void drag() {
        QFETCH(int, position);
        QFETCH(Path, path);
        QFETCH(TMargins, margins);
        TWatermarkRig rig(file_, position);
        QVERIFY(rig.Show());
        const int pressed = rig.dialog.PressedPosition();
        const QImage atPress = PreviewPicture(rig.info.Watermark, rig.info.Font, rig.info.Opacity,
                                              SelectedPosition(pressed), kDefaultMargins);

        QTest::mousePress(rig.Preview(), Qt::LeftButton, {}, path.first());
        for (const QPoint& point : path.mid(1)) QTest::mouseMove(rig.Preview(), point);
        QVERIFY(rig.dialog.Dragging());
        QCOMPARE(rig.Box("EditX")->text(), QString::number(margins.x));
        QCOMPARE(rig.Box("EditY")->text(), QString::number(margins.y));
        QImage moving = atPress;
        DrawGuides(moving, Guides(pressed, margins, moving.size()));
        QCOMPARE(test::CompareImages(rig.Shown(), moving), QString());

        QTest::mouseRelease(rig.Preview(), Qt::LeftButton, {}, path.last());
        QVERIFY(!rig.dialog.Dragging());
        TPhotoInfo expected = rig.info;
        expected.X = margins.x, expected.Y = margins.y;
        QCOMPARE(test::CompareImages(rig.Shown(), rig.Expected(expected, pressed)), QString());
        QCOMPARE(rig.SignatureInView(expected, pressed), QString());

        rig.dialog.ButtonOK()->click();
        QCOMPARE((TMargins{rig.info.X, rig.info.Y}), margins);
    }

    // Typing into a box, then Tab or Enter: the preview follows and OK commits.
    void typing_data() {
        QTest::addColumn<QString>("box");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<QString>("then");
        const auto row = [](const char* name, const char* box, const QString& typed,
                            const QString& shown, const char* then = "tab") {
            QTest::newRow(name) << QString(box) << typed << shown << QString(then);
        };
        const QString a105(105, QLatin1Char('a'));
        row("Y 40, Enter", "EditY", "40", "40", "enter");
        row("X, fifth digit refused", "EditX", "12345", "1234");
        row("X below 0", "EditX", "-5", "0");
        row("X letters", "EditX", "ab", "8");
        row("opacity above 255", "EditOpacity", "300", "255");
        row("opacity letters", "EditOpacity", "x", "128");
        row("signature, 100 characters", "EditSignature", a105, a105.left(100));
        row("X past the preview: scrolls to the text", "EditX", "600", "600");
    }
    void typing() {
        QFETCH(QString, box);
        QFETCH(QString, typed);
        QFETCH(QString, shown);
        QFETCH(QString, then);
        TWatermarkRig rig(file_);
        QVERIFY(rig.Show());
        rig.Type(box, typed);
        TPhotoInfo expected = rig.info;
        if (box == "EditSignature") expected.Watermark = shown;
        if (box == "EditX") expected.X = shown.toInt();
        if (box == "EditY") expected.Y = shown.toInt();
        if (box == "EditOpacity") expected.Opacity = shown.toInt();

        QTest::keyClick(rig.Box(box), then == "enter" ? Qt::Key_Return : Qt::Key_Tab);
        QCOMPARE(rig.Box(box)->text(), shown);
        if (then == "enter") {
            QCOMPARE(rig.dialog.result(), int(TEditDialog::ResultOk));
        } else {
            QCOMPARE(test::CompareImages(rig.Shown(), rig.Expected(expected, 6)), QString());
            QCOMPARE(rig.SignatureInView(expected, 6), QString());
            rig.dialog.ButtonOK()->click();
        }
        QCOMPARE(rig.info.Watermark, expected.Watermark);
        QCOMPARE((TMargins{rig.info.X, rig.info.Y}), (TMargins{expected.X, expected.Y}));
        QCOMPARE(rig.info.Opacity, expected.Opacity);
    }

    // A signature longer than the 100 characters one may type (from a settings file) is
    // shown and kept whole, and may be shortened but not lengthened.
    void longSignatureKeptWhole() {
        TWatermarkRig rig(file_);
        const QString long150(150, QLatin1Char('w'));
        rig.info.Watermark = long150;
        QVERIFY(rig.Show());
        rig.dialog.ButtonApply()->click();
        QCOMPARE(rig.info.Watermark, long150);
        QTest::keyClick(rig.Box("EditSignature"), Qt::Key_Backspace);
        QTest::keyClicks(rig.Box("EditSignature"), "xy");
        rig.dialog.ButtonOK()->click();
        QCOMPARE(rig.info.Watermark, long150.left(149));
    }

    // The font chooser shows the working font in points and gives back face, style and
    // size; the colour button the colour, which the chooser has not. Cancelling either
    // keeps the working font. The preview and the swatch follow.
    void choosers_data() {
        QTest::addColumn<QString>("button");
        QTest::addColumn<bool>("answered");
        QTest::addColumn<TFont>("font");  // committed
        TFont atShow;
        atShow.Color = 0x00FF00;
        TFont chosen = atShow;
        chosen.Name = "DejaVu Serif", chosen.Height = -27, chosen.Bold = chosen.Underline = true;
        TFont red = atShow;
        red.Color = 0x0000FF;
        QTest::newRow("font chosen") << "ButtonFont" << true << chosen;
        QTest::newRow("font cancelled") << "ButtonFont" << false << atShow;
        QTest::newRow("colour chosen") << "ButtonFontColor" << true << red;
        QTest::newRow("colour cancelled") << "ButtonFontColor" << false << atShow;
    }
    void choosers() {
        QFETCH(QString, button);
        QFETCH(bool, answered);
        QFETCH(TFont, font);
        TWatermarkRig rig(file_);
        rig.info.Font.Color = 0x00FF00;
        QVERIFY(rig.Show());
        if (answered) {
            QFont choice("DejaVu Serif");
            choice.setPointSize(20);  // 26.7 pixels
            choice.setBold(true);
            choice.setUnderline(true);
            rig.platform.fonts.push_back(choice);
            rig.platform.colors.push_back(QColor(255, 0, 0));
        }
        rig.Child<QPushButton>(button)->click();
        QCOMPARE(rig.platform.log,
                 QStringList{button == "ButtonFont" ? "font: Arial" : "color: #00ff00"});
        QCOMPARE(rig.dialog.WorkingFont(), font);
        TPhotoInfo expected = rig.info;
        expected.Font = font;
        QCOMPARE(test::CompareImages(rig.Shown(), rig.Expected(expected, 6)), QString());
        auto* swatch = rig.Child<QPushButton>("ButtonFontColor");
        QCOMPARE(swatch->icon().pixmap(swatch->iconSize()).toImage().convertToFormat(kPixelFormat),
                 ColorGlyph(swatch->size(), font.Color));
        rig.dialog.ButtonOK()->click();
        QCOMPARE(rig.info.Font, font);
    }

    // What the chooser is shown and gives back, for fonts a settings file may hold.
    void chooserFont_data() {
        QTest::addColumn<int>("height");
        QTest::addColumn<double>("points");  // shown
        QTest::addColumn<int>("back");       // Height after the chooser's OK, unchanged
        QTest::newRow("20 points") << -27 << 20.25 << -27;
        QTest::newRow("100000 pixels, as drawn") << -100000 << 1500.0 << -2000;
        QTest::newRow("0, as drawn") << 0 << 0.75 << -1;
    }
    void chooserFont() {
        QFETCH(int, height);
        QFETCH(double, points);
        QFETCH(int, back);
        TFont font;
        font.Height = height;
        font.Italic = font.StrikeOut = true;
        font.Color = 0x123456;
        const QFont shown = ChooserFont(font);
        QCOMPARE(shown.pointSizeF(), points);
        QVERIFY(shown.italic() && shown.strikeOut() && !shown.bold());
        TFont expected = font;
        expected.Height = back;
        QCOMPARE(ChosenFont(shown, font), expected);
    }

    // The preview shows the text at its size in photo pixels: on a black photo of the
    // preview's size, what OK makes the photo show is the preview without its guides, and
    // it is what the render chain makes of the committed record.
    void previewIsThePhoto_data() {
        QTest::addColumn<int>("position");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("opacity");
        QTest::newRow("bottom left") << 6 << "(c) Vellumora" << 128;
        QTest::newRow("centre, wider than the photo") << 4 << QString(60, QLatin1Char('M')) << 0;
        QTest::newRow("top right") << 2 << "Top" << 40;
        QTest::newRow("top right, longer than the photo")
            << 2 << QString(40, QLatin1Char('W')) << 0;
    }
    void previewIsThePhoto() {
        QFETCH(int, position);
        QFETCH(QString, text);
        QFETCH(int, opacity);
        TWatermarkRig rig(file_, position);
        QVERIFY(rig.Show());
        rig.Type("EditSignature", text);
        rig.Type("EditOpacity", QString::number(opacity));
        QTest::keyClick(rig.Box("EditOpacity"), Qt::Key_Tab);
        rig.platform.colors.push_back(QColor(255, 200, 0));
        rig.Child<QPushButton>("ButtonFontColor")->click();
        // The part of the preview that is the photo's area; the rest shows where the text
        // runs past it.
        QImage preview = rig.dialog.PreviewImage().copy(
            QRect(rig.dialog.PreviewOrigin(), kWatermarkPreviewSize));
        rig.dialog.ButtonOK()->click();
        QCOMPARE(rig.info.Watermark, text);
        QCOMPARE(rig.info.Opacity, opacity);
        QCOMPARE(rig.SignatureInView(rig.info, position), QString());

        DrawGuides(preview, Guides(position, {rig.info.X, rig.info.Y}, preview.size()));
        QVERIFY(preview != PreviewPicture(QString(), TFont(), 0, 0, {}));
        QCOMPARE(test::CompareImages(rig.photo.Rendered(), preview), QString());
        QCOMPARE(test::CompareImages(rig.photo.Rendered(),
                                     RenderChain(rig.photo.Original(), rig.info, QImage())),
                 QString());
    }

    // Names as a screen reader hears them, and Tab through every control in order.
    void accessibility() {
        TWatermarkRig rig(file_);
        QVERIFY(rig.Show());
        const auto name = [](QObject* object) {
            QAccessibleInterface* face = QAccessible::queryAccessibleInterface(object);
            return face ? face->text(QAccessible::Name) : QStringLiteral("(none)");
        };
        QCOMPARE(name(&rig.dialog), QString("Watermark"));
        // clang-format off
        const QList<std::pair<const char*, const char*>> named = {
            {"ButtonOK", "OK"}, {"ButtonAll", "OK for All"}, {"ButtonCancel", "Cancel"},
            {"ButtonApply", "Apply"}, {"ButtonFont", "Font"}, {"ButtonFontColor", "Font colour"},
            {"EditSignature", "Signature"}, {"TrackBarOpacity", "Opacity"},
            {"EditOpacity", "Opacity"}, {"EditX", "X"}, {"EditY", "Y"},
            {"ImagePreview", "Preview"}, {"SpeedButton0", "Top left"}, {"SpeedButton1", "Top"},
            {"SpeedButton2", "Top right"}, {"SpeedButton3", "Left"}, {"SpeedButton4", "Centre"},
            {"SpeedButton5", "Right"}, {"SpeedButton6", "Bottom left"},
            {"SpeedButton7", "Bottom"}, {"SpeedButton8", "Bottom right"},
            {"GroupBoxWatermark", "Watermark"}, {"GroupBoxPreview", "Preview"},
            {"LabelOpacitySolid", "Opacity 0: solid"}, {"LabelOpacityClear", "Opacity 255: clear"}};
        // clang-format on
        for (const auto& [object, expected] : named)
            QCOMPARE(name(rig.Child(object)), QString(expected));
        // Opacity 0 lays the text on fully: "solid" stands at the bar's 0 end, on the left.
        QVERIFY(rig.Child("LabelOpacitySolid")->geometry().right() <
                rig.Child("TrackBarOpacity")->geometry().left());
        QVERIFY(rig.Child("TrackBarOpacity")->geometry().right() <
                rig.Child("LabelOpacityClear")->geometry().left());

        // The position buttons are one stop, the pressed one; the arrow keys go through the
        // grid and press the button they reach.
        const auto walk = [](const QList<Qt::Key>& keys) {
            QStringList order;
            for (Qt::Key key : keys) {
                order << QApplication::focusWidget()->objectName();
                QTest::keyClick(QApplication::focusWidget(), key);
            }
            return order;
        };
        QCOMPARE(walk(QList<Qt::Key>(12, Qt::Key_Tab)),
                 (QStringList{"EditSignature", "ButtonFont", "ButtonFontColor", "TrackBarOpacity",
                              "EditOpacity", "EditX", "EditY", "SpeedButton6", "ButtonOK",
                              "ButtonAll", "ButtonCancel", "ButtonApply"}));
        QCOMPARE(QApplication::focusWidget(), rig.Child("EditSignature"));
        rig.Child("SpeedButton6")->setFocus(Qt::TabFocusReason);
        const QList<Qt::Key> arrows{Qt::Key_Up,   Qt::Key_Up,   Qt::Key_Right,
                                    Qt::Key_Down, Qt::Key_Down, Qt::Key_Right,
                                    Qt::Key_Up,   Qt::Key_Up,   Qt::Key_Right};
        QCOMPARE(walk(arrows), (QStringList{"SpeedButton6", "SpeedButton3", "SpeedButton0",
                                            "SpeedButton1", "SpeedButton4", "SpeedButton7",
                                            "SpeedButton8", "SpeedButton5", "SpeedButton2"}));
        QCOMPARE(rig.dialog.PressedPosition(), 2);
        QVERIFY(rig.Child("EditX")->isEnabled() && rig.Child("EditY")->isEnabled());
    }
};

QTEST_MAIN(TestFormWatermark)
#include "test_formwatermark.moc"
