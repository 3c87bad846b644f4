// vellumora-cli render, run as a process: exact pixels through the chain, and every kind
// of bad input ending in a clear exit code, never a signal.

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QProcess>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>
#include <cmath>

#include "cli/Commands.h"
#include "codec/Codec.h"
#include "photos/settings/IniFile.h"
#include "photos/settings/PhotoInfo.h"
#include "photos/stages/Render.h"
#include "support/MadeFiles.h"
#include "support/TestSupport.h"

using namespace vellumora::test;

namespace {

int Channel(QRgb pixel, int shift) {
    return (pixel >> shift) & 255;
}

// A small PNG with a comment chunk whose check sum is wrong: readers warn and go on.
QByteArray PngWithBrokenComment() {
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    vellumora::test::PatternImage(8, 8).save(&buffer, "png");
    const QByteArray comment("\0\0\0\x0DtEXtComment\0hello\0\0\0\0", 4 + 4 + 13 + 4);
    return png.insert(8 + 25, comment);  // after the signature and the header chunk
}

// What --help says a command takes: its usage line and the lines under it indented by nine
// spaces (the synopsis), as the bash completion reads them too. "--" is the line of the
// options that stand alone.
QString Synopsis(const QString& usage, const QString& command) {
    QString synopsis;
    bool inside = false;
    for (const QString& line : usage.split(QLatin1Char('\n'))) {
        if (line.startsWith(QLatin1String("usage: vellumora-cli "))) {
            inside = line.mid(21).startsWith(command + QLatin1Char(' '));
            if (inside) synopsis = line;
        } else if (inside &&
                   QRegularExpression(QStringLiteral("^ {9}\\S")).match(line).hasMatch()) {
            synopsis += QLatin1Char(' ') + line;
        } else {
            inside = false;
        }
    }
    return synopsis;
}

QStringList Sorted(QStringList words) {
    words.removeDuplicates();
    words.sort();
    return words;
}

QStringList Options(const QString& text) {
    QStringList options;
    for (const auto& match : QRegularExpression(QStringLiteral("--[a-z][a-z-]*")).globalMatch(text))
        options << match.captured();
    return Sorted(options);
}

// The lines of a manual page from its heading (".SS render", ".SH OPTIONS") to the next.
QStringList ManSection(const QString& page, const QString& heading) {
    QStringList lines;
    bool inside = false;
    for (const QString& line : page.split(QLatin1Char('\n'))) {
        if (line.startsWith(QLatin1String(".SH")) || line.startsWith(QLatin1String(".SS")))
            inside = line == heading;
        else if (inside)
            lines << line;
    }
    return lines;
}

// The terms of a section's ".TP" paragraphs, their first word: "--folder", "0".
QStringList ManTerms(const QStringList& section) {
    QStringList terms;
    for (qsizetype i = 0; i + 1 < section.size(); ++i)
        if (section[i] == QLatin1String(".TP"))
            terms << section[i + 1].section(QLatin1Char(' '), 1, 1).remove(QLatin1Char('\\'));
    return Sorted(terms);
}

QString Shipped(const QString& path) {
    return QFileInfo(qEnvironmentVariable("VELLUMORA_CLI")).dir().filePath("../share/" + path);
}

// What bash completes for the words typed (the last one the word under the cursor), with
// the shipped completion and the tool under test as the command.
QStringList Completions(const QStringList& typed, const QString& folder = QString()) {
    QProcess bash;
    if (!folder.isEmpty()) bash.setWorkingDirectory(folder);
    const QString script = QStringLiteral(
        "source \"$1\"; shift; COMP_WORDS=(\"$@\"); COMP_CWORD=$(($# - 1)); "
        "COMP_LINE=\"$*\"; COMP_POINT=${#COMP_LINE}; _vellumora_cli; "
        "printf '%s\\n' \"${COMPREPLY[@]}\"");
    bash.start(QStringLiteral("bash"),
               QStringList{QStringLiteral("-c"), script, QStringLiteral("bash"),
                           Shipped(QStringLiteral("bash-completion/completions/vellumora-cli")),
                           qEnvironmentVariable("VELLUMORA_CLI")} +
                   typed);
    if (!bash.waitForFinished(kHangBoundMs) || bash.exitCode() != 0)
        return {QStringLiteral("(bash failed)")};
    QStringList words = QString::fromUtf8(bash.readAllStandardOutput()).split(QLatin1Char('\n'));
    words.removeAll(QString());
    return Sorted(words);
}

}  // namespace

class TestCli : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    QString photo_;  // 120 x 90 pattern PNG

    QString Settings(const QString& name, const QByteArray& body) {
        return WriteBytes(dir_.path(), name, body);
    }
    QString Out(const QString& name) { return dir_.filePath(name); }

private slots:
    void initTestCase() {
        QVERIFY(dir_.isValid());
        QVERIFY(QFile::exists(qEnvironmentVariable("VELLUMORA_CLI")));
        // The watermark rows draw in the default face, "Arial": Liberation Sans here.
        const QString font = FontProblem(QStringLiteral("Arial"), QStringLiteral("Liberation Sans"),
                                         QStringLiteral("fonts-liberation2"));
        QVERIFY2(font.isEmpty(), qPrintable(font));
        photo_ = dir_.filePath(QStringLiteral("photo.png"));
        QVERIFY(PatternImage(120, 90).save(photo_, "PNG"));
    }

    // Crop, orientation and colour balance: every pixel exactly as the arithmetic says.
    void exactPixels_data() {
        QTest::addColumn<QByteArray>("keys");
        QTest::addColumn<QRect>("crop");
        QTest::addColumn<int>("rotate");
        QTest::addColumn<QString>("extension");
        QTest::newRow("crop png") << QByteArray("LEFT=10\nTOP=20\nRIGHT=110\nBOTTOM=70\n")
                                  << QRect(10, 20, 100, 50) << 0 << "png";
        QTest::newRow("rotate 90 bmp")
            << QByteArray("ROTATE=90\n") << QRect(0, 0, 120, 90) << 90 << "bmp";
        QTest::newRow("crop mirror diagonal")
            << QByteArray("LEFT=5\nTOP=5\nRIGHT=50\nBOTTOM=30\nROTATE=-90\n") << QRect(5, 5, 45, 25)
            << -90 << "png";
        QTest::newRow("colours")
            << QByteArray("CONTRAST=37\nBRIGHTNESS=-12\nRED=40\nGREEN=-7\nBLUE=3\nNEGATIVE=1\n")
            << QRect(0, 0, 120, 90) << 0 << "bmp";
        QTest::newRow("grey and turn") << QByteArray("GRAYSCALE=1\nROTATE=270\nCONTRAST=-50\n")
                                       << QRect(0, 0, 120, 90) << 270 << "png";
        QTest::newRow("unknown code renders as 0")
            << QByteArray("ROTATE=45\n") << QRect(0, 0, 120, 90) << 0 << "png";
    }
    void exactPixels() {
        QFETCH(QByteArray, keys);
        QFETCH(QRect, crop);
        QFETCH(int, rotate);
        QFETCH(QString, extension);
        const QString settings = Settings(QStringLiteral("exact.ini"),
                                          "[P]\nFILENAME=" + photo_.toUtf8() + "\nMAX=0\n" + keys);
        const QString out = Out(QStringLiteral("exact.") + extension);
        QFile::remove(out);
        const TCliResult run =
            RunCli({QStringLiteral("render"), settings, QStringLiteral("P"), out});
        QVERIFY2(!run.crashed && run.code == 0, qPrintable(run.err));

        // Read the colour settings back the simple way, to apply them independently.
        const QString text = QString::fromUtf8(keys);
        const auto value = [&](const char* key) {
            const QRegularExpressionMatch m =
                QRegularExpression(QStringLiteral("^%1=(-?\\d+)$").arg(QLatin1String(key)),
                                   QRegularExpression::MultilineOption)
                    .match(text);
            return m.hasMatch() ? m.captured(1).toInt() : 0;
        };
        const int contrast = value("CONTRAST"), brightness = value("BRIGHTNESS");
        const int offsets[3] = {value("RED"), value("GREEN"), value("BLUE")};
        const bool grey = value("GRAYSCALE") != 0, negative = value("NEGATIVE") != 0;

        const QImage source(photo_);
        const QImage result = QImage(out).convertToFormat(QImage::Format_RGB32);
        const bool swapped = std::abs(rotate) == 90 || std::abs(rotate) == 270;
        const int w = crop.width(), h = crop.height();
        QCOMPARE(result.size(), swapped ? QSize(h, w) : QSize(w, h));
        for (int y = 0; y < result.height(); ++y)
            for (int x = 0; x < result.width(); ++x) {
                QPoint from(x, y);
                switch (rotate) {
                    case 90:
                        from = {w - 1 - y, x};
                        break;
                    case 270:
                        from = {y, h - 1 - x};
                        break;
                    case -90:
                        from = {w - 1 - y, h - 1 - x};
                        break;
                }
                const QRgb s = source.pixel(from + crop.topLeft());
                int rgb[3] = {qRed(s), qGreen(s), qBlue(s)};
                if (grey)
                    rgb[0] = rgb[1] = rgb[2] = (299 * rgb[0] + 587 * rgb[1] + 114 * rgb[2]) / 1000;
                for (int c = 0; c < 3; ++c) {
                    int q = negative ? 255 - rgb[c] : rgb[c];
                    q = q + brightness + offsets[c] + (q - 128) * contrast / 100;
                    rgb[c] = std::clamp(q, 0, 255);
                }
                const QRgb expected = qRgb(rgb[0], rgb[1], rgb[2]);
                if ((result.pixel(x, y) & 0xFFFFFF) != (expected & 0xFFFFFF))
                    QFAIL(qPrintable(QStringLiteral("pixel %1,%2: %3 instead of %4")
                                         .arg(x)
                                         .arg(y)
                                         .arg(result.pixel(x, y) & 0xFFFFFF, 6, 16)
                                         .arg(expected & 0xFFFFFF, 6, 16)));
            }
    }

    // Mask, bands and shadow through the whole chain, against the arithmetic done here.
    void framingStages_data() {
        QTest::addColumn<QByteArray>("keys");
        QTest::newRow("mask of the picture's size")
            << QByteArray("MASK=grey.png\nCOLOR=$00102030\n");
        QTest::newRow("bands") << QByteArray(
            "OUTSIDE.WIDTH=7\nOUTSIDE.COLOR=clRed\nINSIDE.WIDTH=3\nINSIDE.COLOR=$00ABCDEF\n");
        QTest::newRow("hard shadow") << QByteArray("OFFSET=5\nSHADOW=clNavy\nBACKGROUND=clLime\n");
        QTest::newRow("bands and hard shadow") << QByteArray(
            "OUTSIDE.WIDTH=2\nINSIDE.WIDTH=1\nOFFSET=4\nSHADOW=clGray\nBACKGROUND=clWhite\n");
    }
    void framingStages() {
        QFETCH(QByteArray, keys);
        // A mask exactly the picture's size: every pixel has its own mask value.
        const QString masks =
            qEnvironmentVariable("XDG_DATA_HOME") + QStringLiteral("/Vellumora/Masks");
        QDir().mkpath(masks);
        QImage mask(120, 90, QImage::Format_RGB32);
        for (int y = 0; y < 90; ++y)
            for (int x = 0; x < 120; ++x) mask.setPixel(x, y, qRgb(x * 2, (x + y) & 255, y * 2));
        QVERIFY(mask.save(masks + QStringLiteral("/grey.png")));

        const QString settings = Settings(QStringLiteral("frame.ini"),
                                          "[P]\nFILENAME=" + photo_.toUtf8() + "\nMAX=0\n" + keys);
        const QString out = Out(QStringLiteral("frame.png"));
        const TCliResult run =
            RunCli({QStringLiteral("render"), settings, QStringLiteral("P"), out});
        QVERIFY2(!run.crashed && run.code == 0, qPrintable(run.err));
        const QImage result = QImage(out).convertToFormat(QImage::Format_RGB32);

        const QString text = QString::fromUtf8(keys);
        const auto number = [&](const char* key) {
            const QRegularExpressionMatch m =
                QRegularExpression(QStringLiteral("^%1=(\\d+)$").arg(QLatin1String(key)),
                                   QRegularExpression::MultilineOption)
                    .match(text);
            return m.hasMatch() ? m.captured(1).toInt() : 0;
        };
        const auto colour = [&](const char* key, QRgb fallback) -> QRgb {
            static const QHash<QString, QRgb> names{{"clRed", qRgb(255, 0, 0)},
                                                    {"clNavy", qRgb(0, 0, 128)},
                                                    {"clLime", qRgb(0, 255, 0)},
                                                    {"clGray", qRgb(128, 128, 128)},
                                                    {"clWhite", qRgb(255, 255, 255)}};
            const QRegularExpressionMatch m =
                QRegularExpression(QStringLiteral("^%1=(\\S+)$")
                                       .arg(QRegularExpression::escape(QLatin1String(key))),
                                   QRegularExpression::MultilineOption)
                    .match(text);
            if (!m.hasMatch()) return fallback;
            const QString v = m.captured(1);
            if (v.startsWith(QLatin1Char('$'))) {
                const uint bgr = v.mid(1).toUInt(nullptr, 16);
                return qRgb(bgr & 255, (bgr >> 8) & 255, (bgr >> 16) & 255);
            }
            return names.value(v);
        };
        const int o = number("OUTSIDE.WIDTH"), i = number("INSIDE.WIDTH"),
                  offset = number("OFFSET");
        const bool masked = text.contains(QStringLiteral("MASK="));
        const QRgb maskColour = colour("COLOR", qRgb(255, 255, 255));
        const QRgb outside = colour("OUTSIDE.COLOR", qRgb(0, 0, 0));
        const QRgb inside = colour("INSIDE.COLOR", qRgb(255, 255, 255));
        const QRgb shadow = colour("SHADOW", qRgb(128, 128, 128));
        const QRgb background = colour("BACKGROUND", qRgb(255, 255, 255));

        const QImage source(photo_);
        const int fw = 120 + 2 * (o + i), fh = 90 + 2 * (o + i);  // framed picture
        QCOMPARE(result.size(), QSize(fw + offset, fh + offset));
        for (int y = 0; y < result.height(); ++y)
            for (int x = 0; x < result.width(); ++x) {
                QRgb expected;
                if (x < fw && y < fh) {
                    if (x < o || y < o || x >= fw - o || y >= fh - o) {
                        expected = outside;
                    } else if (x < o + i || y < o + i || x >= fw - o - i || y >= fh - o - i) {
                        expected = inside;
                    } else {
                        const int px = x - o - i, py = y - o - i;
                        const QRgb s = source.pixel(px, py);
                        expected = s;
                        if (masked) {
                            const QRgb mp = mask.pixel(px, py);
                            const int m = (qRed(mp) + qGreen(mp) + qBlue(mp)) / 3;
                            const auto mix = [m](int c, int mc) {
                                return ((255 - m) * c + m * mc) / 255;
                            };
                            expected = qRgb(mix(qRed(s), qRed(maskColour)),
                                            mix(qGreen(s), qGreen(maskColour)),
                                            mix(qBlue(s), qBlue(maskColour)));
                        }
                    }
                } else {
                    expected = (x >= offset && y >= offset) ? shadow : background;
                }
                if ((result.pixel(x, y) & 0xFFFFFF) != (expected & 0xFFFFFF))
                    QFAIL(qPrintable(QStringLiteral("pixel %1,%2: %3 instead of %4")
                                         .arg(x)
                                         .arg(y)
                                         .arg(result.pixel(x, y) & 0xFFFFFF, 6, 16)
                                         .arg(expected & 0xFFFFFF, 6, 16)));
            }
    }

    // A blurred shadow, against a shadow rectangle blurred at full size by the same
    // Gaussian: within one level everywhere.
    void blurredShadow() {
        const QString settings =
            Settings(QStringLiteral("blur.ini"),
                     "[P]\nFILENAME=" + photo_.toUtf8() +
                         "\nMAX=0\nRADIUS=3\nOFFSET=4\nSHADOW=$00204080\nBACKGROUND=clWhite\n");
        const QString out = Out(QStringLiteral("blur.png"));
        const TCliResult run =
            RunCli({QStringLiteral("render"), settings, QStringLiteral("P"), out});
        QVERIFY2(!run.crashed && run.code == 0, qPrintable(run.err));
        const QImage result = QImage(out).convertToFormat(QImage::Format_RGB32);
        const int k = 7;  // the margin of radius 3
        QCOMPARE(result.size(), QSize(120 + k + k, 90 + k + k));
        // Gaussian of radius 3 cut where its tails drop under 1/510, applied in two passes
        // with truncation, to white with a shadow core of the picture's size lying the
        // offset right of and below the picture, which sits at (k - offset, k - offset).
        std::vector<double> w(2 * k + 3);
        double sum = 0;
        const int s = k + 1;
        for (int j = -s; j <= s; ++j) sum += w[j + s] = std::exp(-(j / 3.0) * (j / 3.0) / 2);
        for (double& v : w) v /= sum;
        const int W = result.width(), H = result.height();
        const auto core = [&](int x, int y, int c) {
            const QRgb colour = (x >= 7 && x < 127 && y >= 7 && y < 97) ? qRgb(0x80, 0x40, 0x20)
                                                                        : qRgb(255, 255, 255);
            return (colour >> c) & 255;
        };
        QImage expected = result.copy();  // where the picture covers the shadow, as drawn
        for (int c : {0, 8, 16}) {
            std::vector<int> rows(size_t(W) * H);
            for (int y = 0; y < H; ++y)
                for (int x = 0; x < W; ++x) {
                    double v = 0;
                    for (int j = -s; j <= s; ++j) v += w[j + s] * core(x - j, y, c);
                    rows[size_t(y) * W + x] = std::clamp(int(v), 0, 255);
                }
            for (int y = 0; y < H; ++y)
                for (int x = 0; x < W; ++x) {
                    if (x >= 3 && x < 123 && y >= 3 && y < 93) continue;  // the picture covers it
                    double v = 0;
                    for (int j = -s; j <= s; ++j) {
                        const int yy = y - j;
                        v += w[j + s] *
                             (yy >= 0 && yy < H ? rows[size_t(yy) * W + x] : core(x, yy, c));
                    }
                    const QRgb others = expected.pixel(x, y) & ~(0xFFu << c);
                    expected.setPixel(x, y, others | QRgb(std::clamp(int(v), 0, 255)) << c);
                }
        }
        QCOMPARE(CompareImages(result, expected, 1), QString());
        // The picture itself sits at (k - offset, k - offset) = (3, 3), untouched.
        QCOMPARE(result.pixel(3, 3) & 0xFFFFFF, QImage(photo_).pixel(0, 0) & 0xFFFFFF);
    }

    void watermarkOpacity_data() {
        QTest::addColumn<int>("opacity");
        QTest::newRow("255 leaves every pixel") << 255;
        QTest::newRow("0 covers glyph cores") << 0;
    }
    void watermarkOpacity() {
        QFETCH(int, opacity);
        const QString grey = dir_.filePath(QStringLiteral("grey.png"));
        QVERIFY(SolidImage(300, 120, 0x506070).save(grey));
        const QString settings =
            Settings(QStringLiteral("mark.ini"),
                     "[P]\nFILENAME=" + grey.toUtf8() +
                         "\nMAX=0\nWATERMARK=MWMW\nFONTSIZE=40\nBOLD=1\nPOSITION=4\n"
                         "FONTCOLOR=$00FFFFFF\nOPACITY=" +
                         QByteArray::number(opacity) + "\n");
        const QString out = Out(QStringLiteral("mark.png"));
        const TCliResult run =
            RunCli({QStringLiteral("render"), settings, QStringLiteral("P"), out});
        QVERIFY2(!run.crashed && run.code == 0, qPrintable(run.err));
        const QImage result = QImage(out).convertToFormat(QImage::Format_RGB32);
        int white = 0, unchanged = 0, between = 0;
        for (int y = 0; y < result.height(); ++y)
            for (int x = 0; x < result.width(); ++x) {
                const QRgb p = result.pixel(x, y) & 0xFFFFFF;
                if (p == 0xFFFFFF)
                    ++white;
                else if (p == 0x506070)
                    ++unchanged;
                else if (qRed(p) >= 0x50 && qGreen(p) >= 0x60 && qBlue(p) >= 0x70)
                    ++between;  // an anti-aliased edge on the way to white
            }
        if (opacity == 255) {
            QCOMPARE(unchanged, 300 * 120);
        } else {
            QVERIFY2(white > 500, qPrintable(QString::number(white)));
            QCOMPARE(white + unchanged + between, 300 * 120);
        }
    }

    void resizeAveragesTheArea() {
        const QString settings = Settings(QStringLiteral("resize.ini"),
                                          "[P]\nFILENAME=" + photo_.toUtf8() + "\nMAX=37\n");
        const QString out = Out(QStringLiteral("resize.png"));
        const TCliResult run =
            RunCli({QStringLiteral("render"), settings, QStringLiteral("P"), out});
        QVERIFY2(!run.crashed && run.code == 0, qPrintable(run.err));
        const QImage source(photo_);
        const QImage result(out);
        QCOMPARE(result.size(), QSize(37, 28));
        const double sx = 120.0 / 37, sy = 90.0 / 28;
        for (int oy = 0; oy < result.height(); ++oy)
            for (int ox = 0; ox < result.width(); ++ox)
                for (int shift : {0, 8, 16}) {
                    double sum = 0, area = 0;
                    for (int y = int(oy * sy); y < std::min(90.0, std::ceil((oy + 1) * sy)); ++y)
                        for (int x = int(ox * sx); x < std::min(120.0, std::ceil((ox + 1) * sx));
                             ++x) {
                            const double a =
                                (std::min((ox + 1) * sx, x + 1.0) - std::max(ox * sx, double(x))) *
                                (std::min((oy + 1) * sy, y + 1.0) - std::max(oy * sy, double(y)));
                            sum += a * Channel(source.pixel(x, y), shift);
                            area += a;
                        }
                    QVERIFY(std::abs(Channel(result.pixel(ox, oy), shift) - sum / area) <= 2.0);
                }
    }

    // Bad photos, settings and outputs: exit 1 (or a clamp and exit 0), never a signal.
    // render writes what the whole chain makes of the photo (decoded whole with --exact,
    // else at the batch's reduced scale), whether the JPEG streams or not; the reduced
    // decode stays within the batch's bound of the exact picture.
    void renderEqualsTheWholeChain_data() {
        QTest::addColumn<int>("orientation");
        QTest::addColumn<bool>("progressive");
        QTest::addColumn<QByteArray>("keys");
        QTest::addColumn<bool>("exact");
        const QByteArray framed =
            "MAX=250\nLEFT=101\nTOP=33\nRIGHT=1000\nBOTTOM=700\n"
            "ROTATE=270\nOUTSIDE.WIDTH=4\nRADIUS=5\nOFFSET=3\n";
        const QByteArray quarter = "MAX=0\nLEFT=300\nTOP=201\nRIGHT=901\nBOTTOM=602\n";
        QTest::newRow("exact, shrunk") << 1 << false << QByteArray("MAX=300\n") << true;
        QTest::newRow("exact, quarter crop") << 1 << false << quarter << true;
        QTest::newRow("exact, framed") << 1 << false << framed << true;
        QTest::newRow("exact, upside down") << 3 << false << framed << true;
        QTest::newRow("exact, on its side") << 6 << false << framed << true;
        QTest::newRow("exact, progressive") << 1 << true << framed << true;
        QTest::newRow("reduced") << 1 << false << QByteArray("MAX=300\n") << false;
        QTest::newRow("reduced, mirrored")
            << 2 << false << QByteArray("MAX=300\nROTATE=90\nRED=20\n") << false;
        QTest::newRow("reduced, on its side") << 8 << false << QByteArray("MAX=301\n") << false;
        QTest::newRow("cropped, so exact") << 1 << false << framed << false;
    }
    void renderEqualsTheWholeChain() {
        QFETCH(int, orientation);
        QFETCH(bool, progressive);
        QFETCH(QByteArray, keys);
        QFETCH(bool, exact);
        const QSize stored = orientation >= 5 ? QSize(803, 1203) : QSize(1203, 803);
        const QString photo =
            WriteBytes(dir_.path(), QStringLiteral("whole.jpg"),
                       MakeJpeg(PhotoLikeImage(stored.width(), stored.height()),
                                {.progressive = progressive, .orientation = orientation}));
        const QString settings =
            Settings(QStringLiteral("whole.ini"), "[P]\nFILENAME=" + photo.toUtf8() + "\n" + keys);
        const QString out = Out(QStringLiteral("whole.png"));
        QFile::remove(out);
        QStringList args = {QStringLiteral("render"), settings, QStringLiteral("P"), out};
        if (exact) args.insert(1, QStringLiteral("--exact"));
        const TCliResult run = RunCli(args);
        QVERIFY2(!run.crashed && run.code == 0, qPrintable(run.err));

        vellumora::TPhotoInfo info;
        info.ReadSettings(vellumora::TIniFile(settings), QStringLiteral("P"));
        vellumora::TLoadOptions load;
        const bool reduced = !exact && info.Crop == vellumora::TRect();
        if (reduced) load.minimumLongSide = 2 * info.Max;
        const QImage original = vellumora::DoLoad(photo, nullptr, load);
        QCOMPARE(original.width() < 1203 && original.height() < 1203, reduced);
        const QImage written(out);
        QCOMPARE(CompareImages(written, vellumora::RenderChain(original, info, {})), QString());
        if (reduced) {
            const QImage precise = vellumora::RenderChain(vellumora::DoLoad(photo), info, {});
            QCOMPARE(written.size(), precise.size());
            const double psnr = Psnr(precise, written);
            QVERIFY2(psnr >= 40.0, qPrintable(QString::number(psnr)));
        }
    }

    // The heavy libraries are mapped only by a run whose photo or output needs them, so
    // that a JPEG render starts as fast as the JPEG library allows. The loader's own trace
    // (LD_DEBUG=files, into a file: the tool takes over its standard error once started)
    // names every library a run maps, linked or loaded later.
    void librariesMappedOnlyWhenNeeded_data() {
        QTest::addColumn<QString>("photoName");
        QTest::addColumn<QByteArray>("photo");  // none: --version
        QTest::addColumn<QString>("output");
        QTest::addColumn<QStringList>("families");  // those that must be mapped
        const QImage picture = PhotoLikeImage(96, 64);
        const QByteArray jpeg = MakeJpeg(picture);
        QTest::newRow("version") << QString() << QByteArray() << QString() << QStringList();
        QTest::newRow("jpeg render") << "a.jpg" << jpeg << "o.jpg" << QStringList();
        QTest::newRow("jpeg to png") << "a.jpg" << jpeg << "o.png" << QStringList();
        QTest::newRow("heic") << "a.heic" << MakeHeif(picture) << "o.jpg" << QStringList{"heif"};
        QTest::newRow("jpeg to avif") << "a.jpg" << jpeg << "o.avif" << QStringList{"heif"};
        QTest::newRow("jpeg xl") << "a.jxl" << MakeJxl(picture) << "o.jpg" << QStringList{"jxl"};
        QTest::newRow("camera raw")
            << "a.dng" << MakeDng(TDngMaking{.scene = picture, .preview = {}}) << "o.jpg"
            << QStringList{"raw"};
        QTest::newRow("jpeg to pcx") << "a.jpg" << jpeg << "o.pcx" << QStringList{"magick"};
    }
    void librariesMappedOnlyWhenNeeded() {
        QFETCH(QString, photoName);
        QFETCH(QByteArray, photo);
        QFETCH(QString, output);
        QFETCH(QStringList, families);
        QStringList args = {QStringLiteral("--version")};
        if (!photo.isEmpty()) {
            const QString path = WriteBytes(dir_.path(), photoName, photo);
            const QString settings = Settings(QStringLiteral("libs.ini"),
                                              "[P]\nFILENAME=" + path.toUtf8() + "\nMAX=50\n");
            args = {QStringLiteral("render"), QStringLiteral("--exact"), settings,
                    QStringLiteral("P"), Out(output)};
        }
        QTemporaryDir traces;
        QVERIFY(traces.isValid());
        const TCliResult run =
            RunCli(args, 0,
                   {QStringLiteral("LD_DEBUG=files"),
                    QStringLiteral("LD_DEBUG_OUTPUT=") + traces.filePath(QStringLiteral("t"))});
        QVERIFY2(!run.crashed && run.code == 0, qPrintable(run.err));
        QString trace;
        for (const QFileInfo& written : QDir(traces.path()).entryInfoList(QDir::Files))
            trace += QString::fromLocal8Bit(ReadBytes(written.filePath()));
        QSet<QString> mapped;
        static const QRegularExpression file(QStringLiteral("\\bfile=(\\S+)"));
        for (auto it = file.globalMatch(trace); it.hasNext();)
            mapped << QFileInfo(it.next().captured(1)).fileName();
        // The JPEG library is linked: a trace without it would be no trace.
        QVERIFY2(std::any_of(mapped.begin(), mapped.end(),
                             [](const QString& name) { return name.startsWith("libturbojpeg"); }),
                 qPrintable(trace.left(2000)));
        const QList<std::pair<QString, QStringList>> libraries = {
            {"heif", {"libheif", "libde265"}},
            {"jxl", {"libjxl", "libhwy"}},
            {"raw", {"libraw"}},
            {"magick", {"libMagick"}},
        };
        for (const auto& [family, prefixes] : libraries) {
            QStringList found;
            for (const QString& name : std::as_const(mapped))
                for (const QString& prefix : prefixes)
                    if (name.startsWith(prefix)) found << name;
            QVERIFY2(found.isEmpty() != families.contains(family),
                     qPrintable(family + ": " + found.join(' ')));
        }
    }

    // Without its modules (a copy of the tool outside the tree) a JPEG still renders, and a
    // photo that needs one fails with the loader's reason, never a crash.
    void missingModuleFailsWithReason() {
        QTemporaryDir elsewhere;
        QVERIFY(elsewhere.isValid());
        const QString tool = elsewhere.filePath(QStringLiteral("bin/vellumora-cli"));
        QVERIFY(QDir().mkpath(elsewhere.filePath(QStringLiteral("bin"))));
        QVERIFY(QFile::copy(qEnvironmentVariable("VELLUMORA_CLI"), tool));
        const QImage picture = PhotoLikeImage(96, 64);
        const auto render = [&](const QString& name, const QByteArray& bytes) {
            const QString path = WriteBytes(dir_.path(), name, bytes);
            const QString settings =
                Settings(QStringLiteral("alone.ini"), "[P]\nFILENAME=" + path.toUtf8() + "\n");
            return RunCli({QStringLiteral("render"), settings, QStringLiteral("P"),
                           Out(QStringLiteral("alone.jpg"))},
                          0, {}, tool);
        };
        const TCliResult jpeg = render(QStringLiteral("alone.jpg"), MakeJpeg(picture));
        QVERIFY2(!jpeg.crashed && jpeg.code == 0, qPrintable(jpeg.err));
        const TCliResult heif = render(QStringLiteral("alone.heic"), MakeHeif(picture));
        QVERIFY(!heif.crashed);
        QCOMPARE(heif.code, 1);
        QVERIFY2(heif.err.contains(QStringLiteral("cannot load the HEIF reader: "),
                                   Qt::CaseInsensitive) &&
                     heif.err.contains(QStringLiteral("heif.so")),
                 qPrintable(heif.err));
    }

    void badInput_data() {
        QTest::addColumn<QString>("photo");  // file name inside the test folder, or a key
        QTest::addColumn<QByteArray>("photoBytes");
        QTest::addColumn<QByteArray>("settings");  // whole file; %PHOTO% is replaced
        QTest::addColumn<QString>("output");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("message");

        QByteArray png;
        {
            QFile f(photo_);
            f.open(QIODevice::ReadOnly);
            png = f.readAll();
        }
        // A BMP header that claims 100000 x 100000 pixels of 24 bits.
        QByteArray hugeBmp(54, '\0');
        hugeBmp[0] = 'B';
        hugeBmp[1] = 'M';
        const auto put32 = [&](int at, quint32 v) {
            for (int i = 0; i < 4; ++i) hugeBmp[at + i] = char((v >> (8 * i)) & 255);
        };
        put32(10, 54);
        put32(14, 40);
        put32(18, 100000);
        put32(22, 100000);
        hugeBmp[26] = 1;
        hugeBmp[28] = 24;
        const QByteArray good = "[P]\nFILENAME=%PHOTO%\n";

        // JPEGs go by rows where they can; a damaged one still fails, or loads, as before.
        const QByteArray jpeg = MakeJpeg(PatternImage(160, 96));
        QTest::newRow("jpeg cut in its header")
            << "cut.jpg" << jpeg.left(300) << good << "o.png" << 1 << "\nDamaged file.\n";
        QTest::newRow("jpeg cut in its data")
            << "half.jpg" << jpeg.left(jpeg.size() / 2) << QByteArray(good + "MAX=50\n") << "o.png"
            << 0 << "";
        QTest::newRow("jpeg rendered too large")
            << "big.jpg" << jpeg << QByteArray(good + "MAX=2147483647\nKEEP=0\n") << "o.png" << 1
            << "too large";
        QTest::newRow("truncated png")
            << "cut.png" << png.left(png.size() / 2) << good << "o.png" << 1 << "\nDamaged file.\n";
        QTest::newRow("empty file")
            << "empty.jpg" << QByteArray() << good << "o.png" << 1 << "\nEmpty file.\n";
        QTest::newRow("garbage") << "junk.jpg" << QByteArray(5000, '\x5a') << good << "o.png" << 1
                                 << "\nNot an image this program reads.\n";
        QTest::newRow("folder as photo")
            << "<folder>" << QByteArray() << good << "o.png" << 1 << "\nIt is a folder.\n";
        QTest::newRow("huge header")
            << "huge.bmp" << hugeBmp << good << "o.png" << 1 << "\nDamaged file.\n";
        QTest::newRow("no FILENAME")
            << "<photo>" << QByteArray() << QByteArray("[P]\nMAX=3\n") << "o.png" << 1
            << "\nThe section [P] of %SETTINGS% names no FILENAME.\n";
        // libpng warns of the broken check sum of a comment, and the photo still loads.
        QTest::newRow("library warning")
            << "warn.png" << PngWithBrokenComment() << good << "o.png" << 0 << "";
        QTest::newRow("garbage lines")
            << "<photo>" << QByteArray()
            << QByteArray("\x01\x02 nonsense\n[P]\n===\nFILENAME=%PHOTO%\n[[[\nMAX\n") << "o.png"
            << 0 << "";
        QTest::newRow("binary bytes")
            << "<photo>" << QByteArray()
            << QByteArray("[P]\nFILENAME=%PHOTO%\nMAX=\xff\xfe\x00\x01\nROTATE=\x80\n", 39)
            << "o.png" << 0 << "";
        QTest::newRow("missing section")
            << "<photo>" << QByteArray() << QByteArray("[Q]\nFILENAME=%PHOTO%\n") << "o.png" << 1
            << "[P]";
        QTest::newRow("not numbers")
            << "<photo>" << QByteArray()
            << QByteArray("[P]\nFILENAME=%PHOTO%\nMAX=big\nLEFT=x\nCONTRAST=1e9\n") << "o.png" << 0
            << "";
        QTest::newRow("max 2^31-1 without keep")
            << "<photo>" << QByteArray()
            << QByteArray("[P]\nFILENAME=%PHOTO%\nMAX=2147483647\nKEEP=0\n") << "o.png" << 1
            << "too large";
        QTest::newRow("crop beyond 2^31")
            << "<photo>" << QByteArray()
            << QByteArray(
                   "[P]\nFILENAME=%PHOTO%\nLEFT=-2147483648\nTOP=3000000000\n"
                   "RIGHT=2147483647\nBOTTOM=99999999999\n")
            << "o.png" << 0 << "";
        QTest::newRow("negative sizes")
            << "<photo>" << QByteArray()
            << QByteArray("[P]\nFILENAME=%PHOTO%\nMAX=-640\nRIGHT=-5\nBOTTOM=-7\n") << "o.png" << 0
            << "";
        const QByteArray longText(10000, 'W');
        QTest::newRow("radius negative")
            << "<photo>" << QByteArray() << QByteArray(good + "RADIUS=-5\nOFFSET=-7\n") << "o.png"
            << 0 << "";
        QTest::newRow("radius 10^9")
            << "<photo>" << QByteArray() << QByteArray(good + "RADIUS=1000000000\n") << "o.png" << 0
            << "";
        QTest::newRow("offset 10^9")
            << "<photo>" << QByteArray() << QByteArray(good + "OFFSET=1000000000\n") << "o.png" << 1
            << "too large";
        QTest::newRow("bands of 2^30")
            << "<photo>" << QByteArray()
            << QByteArray(good + "OUTSIDE.WIDTH=1073741824\nINSIDE.WIDTH=1073741824\n") << "o.png"
            << 1 << "too large";
        QTest::newRow("negative bands")
            << "<photo>" << QByteArray()
            << QByteArray(good + "OUTSIDE.WIDTH=-2147483648\nINSIDE.WIDTH=-1\n") << "o.png" << 0
            << "";
        QTest::newRow("font size 0")
            << "<photo>" << QByteArray() << QByteArray(good + "WATERMARK=hello\nFONTSIZE=0\n")
            << "o.png" << 0 << "";
        QTest::newRow("font size 100000")
            << "<photo>" << QByteArray() << QByteArray(good + "WATERMARK=hello\nFONTSIZE=100000\n")
            << "o.png" << 0 << "";
        QTest::newRow("10000-character watermark")
            << "<photo>" << QByteArray()
            << QByteArray(good + "WATERMARK=" + longText + "\nPOSITION=2\n") << "o.png" << 0 << "";
        QTest::newRow("margins of 2^31-1")
            << "<photo>" << QByteArray()
            << QByteArray(good + "WATERMARK=x\nPOSITION=8\nX=2147483647\nY=-2147483648\n")
            << "o.png" << 0 << "";
        QTest::newRow("mask not an image")
            << "<photo>" << QByteArray() << QByteArray(good + "MASK=notimage.png\n") << "o.png" << 0
            << "";
        QTest::newRow("folder as mask")
            << "<photo>" << QByteArray() << QByteArray(good + "MASK=afolder.png\n") << "o.png" << 0
            << "";
        QTest::newRow("unknown output type")
            << "<photo>" << QByteArray() << good << "o.xyz" << 1 << "Cannot save";
        QTest::newRow("output folder missing")
            << "<photo>" << QByteArray() << good << "no/such/o.png" << 1 << "Cannot save";
    }
    void badInput() {
        QFETCH(QString, photo);
        QFETCH(QByteArray, photoBytes);
        QFETCH(QByteArray, settings);
        QFETCH(QString, output);
        QFETCH(int, code);
        QFETCH(QString, message);

        QString photoPath = photo_;
        if (photo == QLatin1String("<folder>")) {
            photoPath = dir_.filePath(QStringLiteral("afolder.jpg"));
            QDir().mkpath(photoPath);
        } else if (photo != QLatin1String("<photo>")) {
            photoPath = WriteBytes(dir_.path(), photo, photoBytes);
        }
        const QString masks =
            qEnvironmentVariable("XDG_DATA_HOME") + QStringLiteral("/Vellumora/Masks");
        QDir().mkpath(masks + QStringLiteral("/afolder.png"));
        WriteBytes(masks, QStringLiteral("notimage.png"), "\x89PNG but no more");
        settings.replace("%PHOTO%", photoPath.toUtf8());
        const QString ini = Settings(QStringLiteral("bad.ini"), settings);
        message.replace(QStringLiteral("%SETTINGS%"), ini);
        const TCliResult run =
            RunCli({QStringLiteral("render"), ini, QStringLiteral("P"), Out(output)});
        QVERIFY2(!run.crashed, "the tool died of a signal or hung");
        QVERIFY2(run.code == code, qPrintable(run.err));
        QVERIFY2(run.err.contains(message), qPrintable(run.err));
        // Only the tool's own words reach the output, and only on failure.
        if (code == 0) QVERIFY2(run.err.isEmpty(), qPrintable(run.err));
        if (code == 1 && photo != QLatin1String("<photo>") && message != QLatin1String("too large"))
            QVERIFY(
                run.err.contains(QStringLiteral("Cannot open ") + photoPath + QStringLiteral("!")));
        if (code == 1 && message == QLatin1String("Cannot save"))
            QVERIFY(run.err.contains(QStringLiteral("Cannot save ") + Out(output) +
                                     QStringLiteral("!")));
    }

    // Several workers write exactly what one writes, and the summary counts both kinds.
    void batchIsIndependentOfJobs() {
        QStringList files;
        for (int i = 0; i < 5; ++i) {
            const QString f = dir_.filePath(QStringLiteral("b%1.jpg").arg(i));
            QVERIFY(PatternImage(400 + 37 * i, 300 - 11 * i).save(f, "JPEG", 90));
            files << f;
        }
        const QString broken = WriteBytes(dir_.path(), QStringLiteral("broken.png"), "nope");
        const QString settings =
            Settings(QStringLiteral("batch.ini"),
                     "[T]\nMAX=160\nWATERMARK=(c) me\nOUTSIDE.WIDTH=10\nRADIUS=2\n");
        QByteArray outputs[2];
        for (int jobs : {1, 2}) {
            const QString folder = dir_.filePath(QStringLiteral("jobs%1").arg(jobs));
            const TCliResult run = RunCli(
                QStringList{QStringLiteral("batch"), "--settings", settings, "--section", "T",
                            "--folder", folder, "--prefix", "w_", "--jobs", QString::number(jobs)} +
                files + QStringList{broken});
            QVERIFY(!run.crashed);
            QCOMPARE(run.code, 1);
            QVERIFY2(run.err.contains(QStringLiteral("5 written, 1 failed")), qPrintable(run.err));
            QVERIFY(
                run.err.contains(QStringLiteral("Cannot open ") + broken + QStringLiteral("!")));
            for (int i = 0; i < 5; ++i) {
                QFile f(folder + QStringLiteral("/w_b%1.jpg").arg(i));
                QVERIFY(f.open(QIODevice::ReadOnly));
                const QByteArray bytes = f.readAll();
                QCOMPARE(QImage::fromData(bytes).width(), 160 + 2 * 10 + 2 * 4);
                outputs[jobs - 1] += bytes;
            }
        }
        QCOMPARE(outputs[0].size(), outputs[1].size());
        QVERIFY(outputs[0] == outputs[1]);
    }

    void batchArguments_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("message");
        const QString photo = QStringLiteral("%PHOTO%");
        QTest::newRow("no folder") << QStringList{photo} << 2 << "--folder is required";
        QTest::newRow("no files") << QStringList{"--folder", "/tmp"} << 2 << "no files";
        QTest::newRow("bad type") << QStringList{"--folder", "/tmp", "--type", "psd", photo} << 2
                                  << "unknown type";
        QTest::newRow("bad ratio")
            << QStringList{"--folder", "/tmp", "--auto-crop", "3x4", photo} << 2 << "3 * 4";
        QTest::newRow("bad rotation")
            << QStringList{"--folder", "/tmp", "--rotate", "45", photo} << 2 << "--rotate";
        QTest::newRow("bad jobs") << QStringList{"--folder", "/tmp", "--jobs", "0", photo} << 2
                                  << "--jobs";
        QTest::newRow("section alone")
            << QStringList{"--folder", "/tmp", "--section", "T", photo} << 2 << "together";
        QTest::newRow("empty folder")
            << QStringList{"--folder", "  ", photo} << 1 << "Unable to create directory";
        QTest::newRow("folder under a file") << QStringList{"--folder", "%FILE%/sub", photo} << 1
                                             << "Can not create folder %FILE%/sub!";
        QTest::newRow("overwrite original")
            << QStringList{"--folder", "%DIR%", "--type", "png", photo} << 1
            << "Would overwrite the original %PHOTO%";
    }
    void batchArguments() {
        QFETCH(QStringList, args);
        QFETCH(int, code);
        QFETCH(QString, message);
        const QString file = WriteBytes(dir_.path(), QStringLiteral("plain.txt"), "x");
        const auto fill = [&](QString text) {
            return text.replace(QStringLiteral("%PHOTO%"), photo_)
                .replace(QStringLiteral("%FILE%"), file)
                .replace(QStringLiteral("%DIR%"), dir_.path());
        };
        QStringList real{QStringLiteral("batch")};
        for (const QString& a : args) real << fill(a);
        const TCliResult run = RunCli(real);
        QVERIFY(!run.crashed);
        QCOMPARE(run.code, code);
        QVERIFY2(run.err.contains(fill(message)), qPrintable(run.err));
        QVERIFY(QFileInfo(photo_).size() > 0);
    }

    // One template a line, in file order, fields by tabs: what a script picks a --section
    // from. DEFAULT is no template; a control character would break the line apart.
    void templatesCommand_data() {
        QTest::addColumn<QByteArray>("store");  // null: no file
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("out");
        QTest::newRow("listed")
            << QByteArray(
                   "[DEFAULT]\nDEFAULT=TEMPLATE3\n[TEMPLATE3]\nDESCRIPTION=Web\n"
                   "[TEMPLATE1]\nDESCRIPTION=Print\tA4 & more\n")
            << 0 << "1\tTEMPLATE3\tWeb\t(Default)\n2\tTEMPLATE1\tPrint A4 & more\n";
        QTest::newRow("empty") << QByteArray("") << 0 << "";
        QTest::newRow("missing") << QByteArray() << 1 << "";
    }
    void templatesCommand() {
        QFETCH(QByteArray, store);
        QFETCH(int, code);
        QFETCH(QString, out);
        const QString path = store.isNull() ? dir_.filePath(QStringLiteral("none.dat"))
                                            : Settings(QStringLiteral("templates.dat"), store);
        const TCliResult run = RunCli({QStringLiteral("templates"), path});
        QVERIFY(!run.crashed);
        QCOMPARE(run.code, code);
        QCOMPARE(run.out, out);
        if (code)
            QVERIFY(
                run.err.endsWith(QStringLiteral("Cannot open ") + path + QStringLiteral("!\n")));
    }

    void wrongArgumentsPrintUsage_data() {
        QTest::addColumn<QStringList>("args");
        QTest::newRow("none") << QStringList();
        QTest::newRow("unknown command") << QStringList{QStringLiteral("paint")};
        QTest::newRow("too few") << QStringList{QStringLiteral("render"), QStringLiteral("a.ini")};
        QTest::newRow("too many") << QStringList{QStringLiteral("render"), "a", "b", "c", "d"};
        QTest::newRow("templates of two files") << QStringList{"templates", "a.dat", "b.dat"};
    }
    void wrongArgumentsPrintUsage() {
        QFETCH(QStringList, args);
        const TCliResult run = RunCli(args);
        QVERIFY(!run.crashed);
        QCOMPARE(run.code, 2);
        QVERIFY(run.err.contains(QStringLiteral("usage: vellumora-cli")));
    }

    // Asked for, help and the version go to the standard output and end well.
    void helpAndVersion_data() {
        QTest::addColumn<QString>("arg");
        QTest::addColumn<QString>("pattern");
        QTest::newRow("--help") << "--help"
                                << "^usage: vellumora-cli render .*--version\\n.*\\n$";
        QTest::newRow("-h") << "-h"
                            << "^usage: vellumora-cli render .*--version\\n.*\\n$";
        QTest::newRow("--help: today's readable types")
            << "--help"
            << "taken as\\n.*\\bjpg\\s+jpeg\\s+jpe\\b.*\\bheic\\s+heif\\s+hif\\s+avif\\s+jxl\\b"
               ".*\\bcr3\\b.*\\brw2\\b";
        QTest::newRow("--help: the writable types")
            << "--help"
            << "OUTPUT\\n          \\(format by extension: jpg jpeg gif tif pcx png bmp tga webp "
               "avif jxl\\)\\n";
        QTest::newRow("--help: what --exact changes")
            << "--help"
            << "render \\[--exact\\].*reduced size.*--exact decodes it\\s+whole";
        QTest::newRow("--version") << "--version"
                                   << "^vellumora-cli \\d+\\.\\d+\\.\\d+\\n$";
    }
    void helpAndVersion() {
        QFETCH(QString, arg);
        QFETCH(QString, pattern);
        const TCliResult run = RunCli({arg});
        QVERIFY(!run.crashed);
        QCOMPARE(run.code, 0);
        QVERIFY2(run.err.isEmpty(), qPrintable(run.err));
        const QRegularExpression expected(pattern, QRegularExpression::DotMatchesEverythingOption);
        QVERIFY2(expected.match(run.out).hasMatch(), qPrintable(run.out));
    }

    // The manual page and the completion say what --help says: a command's options are
    // the same three times, and so are the options of the tool itself ("" below).
    void manPageAndCompletionFollowHelp_data() {
        QTest::addColumn<QString>("command");
        for (const char* command : {"render", "batch", "templates", "album", ""})
            QTest::newRow(*command ? command : "the tool's own") << QString::fromLatin1(command);
    }
    void manPageAndCompletionFollowHelp() {
        QFETCH(QString, command);
        const TCliResult help = RunCli({QStringLiteral("--help")});
        QCOMPARE(help.code, 0);
        const QString page = QString::fromUtf8(ReadBytes(Shipped("man/man1/vellumora-cli.1")));
        QVERIFY(page.startsWith(QLatin1String(".\\\"")));
        const QStringList expected =
            Options(command.isEmpty() ? Synopsis(help.out, QStringLiteral("--help |"))
                                      : Synopsis(help.out, command));
        QVERIFY2(command.isEmpty() || !expected.isEmpty() || command == QLatin1String("templates"),
                 qPrintable(help.out));
        const QStringList documented = ManTerms(
            ManSection(page, command.isEmpty() ? QStringLiteral(".SH OPTIONS") : ".SS " + command));
        QCOMPARE(documented, expected);
        const QStringList completed = command.isEmpty()
                                          ? Completions({QStringLiteral("--")})
                                          : Completions({command, QStringLiteral("--")});
        QCOMPARE(completed, expected);
    }

    // The commands and the exit codes of the page are the tool's.
    void manPageCommandsAndExitCodes() {
        const TCliResult help = RunCli({QStringLiteral("--help")});
        QStringList commands;
        for (const auto& match :
             QRegularExpression(QStringLiteral("^usage: vellumora-cli ([a-z]+)"),
                                QRegularExpression::MultilineOption)
                 .globalMatch(help.out))
            commands << match.captured(1);
        QCOMPARE(commands.size(), 4);
        const QString page = QString::fromUtf8(ReadBytes(Shipped("man/man1/vellumora-cli.1")));
        QStringList sections;
        for (const auto& match :
             QRegularExpression(QStringLiteral("^\\.SS (.*)$"), QRegularExpression::MultilineOption)
                 .globalMatch(page))
            sections << match.captured(1);
        QCOMPARE(sections, commands);
        QCOMPARE(Completions({QString()}),
                 Sorted(commands + Options(Synopsis(help.out, "--help |"))));
        using namespace vellumora::cli;
        QCOMPARE(ManTerms(ManSection(page, QStringLiteral(".SH \"EXIT STATUS\""))),
                 Sorted({QString::number(kOk), QString::number(kFailed), QString::number(kUsage)}));
        // The version the page names is the tool's.
        const TCliResult version = RunCli({QStringLiteral("--version")});
        QVERIFY(version.out.startsWith(QLatin1String("vellumora-cli ")));
        QVERIFY2(page.contains("\"Vellumora " + version.out.mid(14).trimmed() + "\""),
                 qPrintable(version.out));
    }

    // The values completed after an option with a choice or a kind of word.
    void completionValues_data() {
        QTest::addColumn<QStringList>("typed");
        QTest::addColumn<QStringList>("expected");
        QStringList writable;
        for (const vellumora::TWritableType& type : vellumora::WritableTypes())
            writable << QLatin1String(type.suffix);
        QTest::newRow("case") << QStringList{"batch", "--case", ""}
                              << QStringList{"keep", "lower", "upper"};
        QTest::newRow("case begun") << QStringList{"batch", "--case", "u"} << QStringList{"upper"};
        QTest::newRow("width") << QStringList{"album", "--width", ""}
                               << QStringList{"100%", "580", "720", "920"};
        QTest::newRow("types written") << QStringList{"batch", "--type", ""} << Sorted(writable);
        QTest::newRow("a number") << QStringList{"album", "--jobs", ""} << QStringList{};
        QTest::newRow("folders only")
            << QStringList{"batch", "--folder", "s"} << QStringList{"sub"};
        QTest::newRow("files") << QStringList{"batch", "--folder", "o", "s"}
                               << QStringList{"sfile", "sub"};
        QTest::newRow("an option begun") << QStringList{"render", "--e"} << QStringList{"--exact"};
        QTest::newRow("a command begun") << QStringList{"al"} << QStringList{"album"};
        QTest::newRow("no such command") << QStringList{"paint", "--"} << QStringList{};
    }
    void completionValues() {
        QFETCH(QStringList, typed);
        QFETCH(QStringList, expected);
        QTemporaryDir folder;
        QVERIFY(QDir(folder.path()).mkdir(QStringLiteral("sub")));
        WriteBytes(folder.path(), QStringLiteral("sfile"), "x");
        QCOMPARE(Completions(typed, folder.path()), expected);
    }

    void missingSettingsFile() {
        const QString missing = dir_.filePath(QStringLiteral("none.ini"));
        const TCliResult run =
            RunCli({QStringLiteral("render"), missing, QStringLiteral("P"), Out("o.png")});
        QVERIFY(!run.crashed);
        QCOMPARE(run.code, 1);
        QVERIFY(run.err.contains(QStringLiteral("Cannot open ") + missing + QStringLiteral("!")));
    }

    // A full disk, or a file-size limit such as a quota sets, is named as the system names
    // it by a render, a batch and an album; nothing is left under the names asked for, and
    // the photo read stays as it was.
    void fullDiskSaysSo_data() {
        QTest::addColumn<bool>("smallDisk");  // else a file-size limit on the tool
        QTest::addColumn<QString>("reason");
        QTest::newRow("full disk") << true << "No space left on device";
        QTest::newRow("file size limit") << false << "File too large";
    }
    void fullDiskSaysSo() {
        QFETCH(bool, smallDisk);
        QFETCH(QString, reason);
        TSmallDisk disk;
        QTemporaryDir plain;
        QString folder = plain.path();
        if (smallDisk) {
            if (disk.Path().isEmpty()) QSKIP("no file system of its own can be mounted here");
            QVERIFY(disk.Fill());
            folder = disk.Path();
        }
        const QStringList before = QDir(folder).entryList(QDir::Files | QDir::Hidden);
        const qint64 limit = smallDisk ? 0 : 512;
        const QByteArray photo = ReadBytes(photo_);
        const QString ini =
            Settings(QStringLiteral("full.ini"), "[P]\nFILENAME=" + photo_.toUtf8() + "\nMAX=0\n");
        const QString out = folder + QStringLiteral("/o.png");
        TCliResult run = RunCli({QStringLiteral("render"), ini, QStringLiteral("P"), out}, limit);
        QCOMPARE(run.code, 1);
        QVERIFY2(run.err.contains(QStringLiteral("Cannot save ") + out + QStringLiteral("!\n")) &&
                     run.err.contains(reason),
                 qPrintable(run.err));
        run = RunCli({QStringLiteral("batch"), QStringLiteral("--folder"), folder,
                      QStringLiteral("--type"), QStringLiteral("png"), photo_},
                     limit);
        QCOMPARE(run.code, 1);
        QVERIFY2(run.err.contains(reason), qPrintable(run.err));
        run = RunCli({QStringLiteral("album"), QStringLiteral("--folder"), folder, photo_}, limit);
        QCOMPARE(run.code, 1);
        QVERIFY2(run.err.contains(reason), qPrintable(run.err));
        QCOMPARE(QDir(folder).entryList(QDir::Files | QDir::Hidden), before);
        QCOMPARE(ReadBytes(photo_), photo);
    }
};

QTEST_MAIN(TestCli)
#include "test_cli.moc"
