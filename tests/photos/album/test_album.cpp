// The web album without widgets: the hand-off file, the page line by line and its bytes,
// the shuffle, and builds with their failures, cancelling and numbering.

#include <QDir>
#include <QFile>
#include <QImageReader>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <atomic>
#include <cmath>

#include "photos/album/Album.h"
#include "photos/album/ModernPage.h"
#include "photos/settings/IniFile.h"
#include "support/TestSupport.h"

using namespace vellumora;
using namespace vellumora::test;

namespace {

QByteArray Bytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QStringList Lines(const QString& page) {
    QStringList lines = page.split(QStringLiteral("\r\n"));
    if (lines.last().isEmpty()) lines.removeLast();  // after the last CR LF
    return lines;
}

// Line n (from 1) of the page; the grid rows make line 33 several, so lines after it count
// from the end.
QString PageLine(const QString& page, int n) {
    const QStringList lines = Lines(page);
    return n <= 33 ? lines.value(n - 1) : lines.value(lines.size() - (42 - n) - 1);
}

QSize ImageSize(const QString& path) {
    return QImageReader(path).size();
}

// WCAG's contrast ratio of two colours 0x00BBGGRR, worked out here on its own.
double Contrast(TColor a, TColor b) {
    const auto luminance = [](TColor c) {
        double sum = 0;
        const double weights[] = {0.2126, 0.7152, 0.0722};
        for (int i = 0; i < 3; ++i) {
            const double v = ((c >> (8 * i)) & 0xFF) / 255.0;
            sum += weights[i] * (v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4));
        }
        return sum;
    };
    const double la = luminance(a), lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

// The page of the default options for one photo, as it must stand.
// clang-format off
const char* const kDefaultPage[] = {
    "<html>", "<head>", "<title>My Photo Album</title>",
    "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=UTF-8\">",
    "<meta name=\"generator\" content=\"Vellumora\">", "<style type=\"text/css\">", "<!--",
    ".title{font-size:24px}", ".description{font-size:12px}", ".copyright{font-size:12px}",
    "-->", "</style>", "</head>", "<body bgcolor=\"#FFFFFF\">",
    "<table width=\"720\" border=\"0\" cellspacing=\"0\" cellpadding=\"0\" align=\"center\">",
    "<tr>", "<td>",
    "<div align=\"center\"><font face=\"Verdana\" color=\"#080000\" class=\"title\">"
        "My Photo Album</font></div>",
    "</td>", "</tr>", "<tr>", "<td height=\"10\">", "</td>", "</tr>", "<tr>", "<td>",
    "<div><font face=\"Verdana\" color=\"#080000\" class=\"description\"></font></div>",
    "</td>", "</tr>", "<tr>", "<td>",
    "<table border=\"0\" cellspacing=\"10\" cellpadding=\"0\" align=\"center\">",
    "<tr>", "<td>", "<img src=\"Photo1.jpg\" border=\"0\">", "</td>", "</tr>",
    "</table>", "<tr>", "<td>",
    "<div align=\"center\"><font face=\"Verdana\" color=\"#080000\" class=\"copyright\">"
        "</font></div>",
    "</td>", "</tr>", "</table>", "</body>", "</html>"};
// clang-format on

// The keys of one hand-off section, in the order they must be written.
// clang-format off
const QStringList kHandOffKeys = {
    "FILENAME", "LEFT", "TOP", "RIGHT", "BOTTOM", "RATIO", "ROTATE", "CONTRAST", "BRIGHTNESS",
    "RED", "GREEN", "BLUE", "GRAYSCALE", "NEGATIVE", "MAX", "KEEP", "WATERMARK", "FONTNAME",
    "FONTSIZE", "FONTCOLOR", "BOLD", "ITALIC", "UNDERLINE", "STRIKEOUT", "POSITION", "X", "Y",
    "OPACITY", "MASK", "COLOR", "OUTSIDE.WIDTH", "OUTSIDE.COLOR", "INSIDE.WIDTH",
    "INSIDE.COLOR", "RADIUS", "OFFSET", "SHADOW", "BACKGROUND"};
// clang-format on

}  // namespace

class TestAlbum : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    QStringList photos_;  // photo n (from 1) is (30 + 10 n) x 20 pixels

    // Records of the first count test photos, shown at their own size.
    std::vector<TPhotoInfo> Records(int count) const {
        std::vector<TPhotoInfo> records;
        for (int i = 0; i < count; ++i) {
            records.emplace_back(photos_[i]);
            records.back().Max = 0;
        }
        return records;
    }
    // Which test photo (from 1) each exported photo is, by its width.
    static QList<int> Exported(const QString& folder, int count) {
        QList<int> which;
        for (int n = 1; n <= count; ++n)
            which << (ImageSize(folder + QStringLiteral("/Photo%1.jpg").arg(n)).width() - 30) / 10;
        return which;
    }
    QString Folder(const QString& name) const { return dir_.filePath(name); }

private slots:
    void initTestCase() {
        QVERIFY(dir_.isValid());
        for (int n = 1; n <= 5; ++n)
            photos_ << SavePng(dir_.path(), QStringLiteral("in/photo%1.png").arg(n),
                               SolidImage(30 + 10 * n, 20, 0x102030 * n));
    }

    void colorToHtml_data() {
        QTest::addColumn<uint>("color");
        QTest::addColumn<QString>("html");
        QTest::newRow("white") << 0xFFFFFFu << "#FFFFFF";
        QTest::newRow("red 255 green 128 blue 0") << 0x0080FFu << "#FF8000";
        QTest::newRow("window text reference") << 0xFF000008u << "#080000";
        QTest::newRow("every nibble in place") << 0x00ABCDEFu << "#EFCDAB";
        QTest::newRow("high byte ignored") << 0x7F010203u << "#030201";
    }
    void colorToHtml() {
        QFETCH(uint, color);
        QFETCH(QString, html);
        QCOMPARE(ColorToHtml(color), html);
    }

    void defaultPageLineByLine() {
        const QString page = AlbumPage(TAlbumOptions(), 1);
        QVERIFY(page.endsWith(QStringLiteral("</html>\r\n")));
        QVERIFY(!page.contains(QRegularExpression(QStringLiteral("[^\\r]\\n|\\r[^\\n]"))));
        QStringList expected;
        for (const char* line : kDefaultPage) expected << QString::fromLatin1(line);
        QCOMPARE(Lines(page), expected);
    }

    // Line 33, the grid: rows of `columns` cells, the last unpadded; one empty row for none.
    void grid_data() {
        QTest::addColumn<int>("photos");
        QTest::addColumn<int>("columns");
        QTest::addColumn<QList<int>>("rows");  // cells per row
        QTest::newRow("three in two columns") << 3 << 2 << QList<int>{2, 1};
        QTest::newRow("one column") << 3 << 1 << QList<int>{1, 1, 1};
        QTest::newRow("more columns than photos") << 2 << 5 << QList<int>{2};
        QTest::newRow("no photo: one empty row") << 0 << 3 << QList<int>{0};
        QTest::newRow("columns 0 as 1") << 2 << 0 << QList<int>{1, 1};
    }
    void grid() {
        QFETCH(int, photos);
        QFETCH(int, columns);
        QFETCH(QList<int>, rows);
        TAlbumOptions options;
        options.columns = columns;
        const QStringList lines = Lines(AlbumPage(options, photos));
        QStringList grid;
        int n = 0;
        for (int cells : rows) {
            grid << "<tr>";
            for (int c = 0; c < cells; ++c)
                grid << "<td>" << QStringLiteral("<img src=\"Photo%1.jpg\" border=\"0\">").arg(++n)
                     << "</td>";
            grid << "</tr>";
        }
        QCOMPARE(lines.size(), 41 + grid.size());
        QCOMPARE(lines.mid(32, grid.size()), grid);
        QCOMPARE(lines.value(32 + grid.size()), QString("</table>"));
    }

    // The lines that carry values, for options away from the defaults.
    void pageValues_data() {
        QTest::addColumn<int>("line");
        QTest::addColumn<QString>("expected");
        QTest::newRow("title unchanged") << 3 << "<title>a < b & c</title>";
        QTest::newRow("charset as typed") << 4
                                          << "<meta http-equiv=\"Content-Type\" content=\"text/"
                                             "html; charset=\">";
        QTest::newRow("title size") << 8 << ".title{font-size:36px}";
        QTest::newRow("page colour") << 14 << "<body bgcolor=\"#FF8000\">";
        QTest::newRow("width 100%") << 15
                                    << "<table width=\"100%\" border=\"0\" cellspacing=\"0\" "
                                       "cellpadding=\"0\" align=\"center\">";
        QTest::newRow("title: bold and underline, face, colour, text unchanged")
            << 18
            << "<div align=\"center\"><font face=\"Times\" color=\"#0000FF\" "
               "class=\"title\"><b><u>a "
               "< b & c</u></b></font></div>";
        QTest::newRow("margin row") << 22 << "<td height=\"0\">";
        QTest::newRow("description: CR LF as <br>, every style in order")
            << 27
            << "<div><font face=\"Verdana\" color=\"#080000\" class=\"description\"><b><i><u><s>"
               "a<br>b<br></s></u></i></b></font></div>";
        QTest::newRow("grid spacing") << 32
                                      << "<table border=\"0\" cellspacing=\"0\" cellpadding=\"0\" "
                                         "align=\"center\">";
        QTest::newRow("copyright: italic") << 37
                                           << "<div align=\"center\"><font face=\"Verdana\" "
                                              "color=\"#080000\" class=\"copyright\"><i>(c) "
                                              "me</i></font></div>";
    }
    void pageValues() {
        QFETCH(int, line);
        QFETCH(QString, expected);
        TAlbumOptions o;
        o.title = QStringLiteral("a < b & c");
        o.charset = QString();
        o.titleFont = {
            .Name = "Times", .Size = 36, .Color = 0xFF0000, .Bold = true, .Underline = true};
        o.descriptionFont.Bold = o.descriptionFont.Italic = true;
        o.descriptionFont.Underline = o.descriptionFont.StrikeOut = true;
        o.copyrightFont.Italic = true;
        o.description = QStringLiteral("a\r\nb\r\n");
        o.copyright = QStringLiteral("(c) me");
        o.pageColor = 0x0080FF;
        o.width = 3;
        o.margin = 0;
        QCOMPARE(PageLine(AlbumPage(o, 2), line), expected);
    }

    // The bytes in the declared encoding; what it cannot hold becomes a reference.
    void encoding_data() {
        QTest::addColumn<QString>("charset");
        QTest::addColumn<QString>("encoding");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QByteArray>("bytes");
        const QString mixed = QString::fromUtf8("é€日😀<");
        QTest::newRow("UTF-8") << "UTF-8"
                               << "UTF-8" << mixed << mixed.toUtf8();
        QTest::newRow("Ansi: Latin-1, the rest referenced")
            << "ISO-8859-1"
            << "ISO-8859-1" << mixed << QByteArray("\xE9&#8364;&#26085;&#128512;<");
        QTest::newRow("empty: UTF-8") << ""
                                      << "UTF-8" << mixed << mixed.toUtf8();
        QTest::newRow("unknown: UTF-8") << "no-such-set"
                                        << "UTF-8" << mixed << mixed.toUtf8();
        // Found by fuzzing: ICU's own names, without a MIME or IANA name. Qt's encoder of
        // the first wrote nothing (the page was empty); the second crashed it.
        QTest::newRow("writes nothing: UTF-8") << "ibm964vpua."
                                               << "UTF-8" << mixed << mixed.toUtf8();
        QTest::newRow("crashed Qt: UTF-8") << "ibm-964"
                                           << "UTF-8" << mixed << mixed.toUtf8();
        QTest::newRow("windows-1252 holds the euro")
            << " windows-1252 "
            << "windows-1252" << mixed << QByteArray("\xE9\x80&#26085;&#128512;<");
        QTest::newRow("Shift_JIS holds the kanji")
            << "Shift_JIS"
            << "Shift_JIS" << mixed << QByteArray("&#233;&#8364;\x93\xFA&#128512;<");
        QTest::newRow("UTF-16 with its mark")
            << "UTF-16"
            << "UTF-16" << QString("<a") << QByteArray::fromHex("fffe3c006100");
    }
    void encoding() {
        QFETCH(QString, charset);
        QFETCH(QString, encoding);
        QFETCH(QString, text);
        QFETCH(QByteArray, bytes);
        QCOMPARE(AlbumEncoding(charset), encoding);
        QCOMPARE(EncodeAlbumPage(text, charset), bytes);
    }

    // Which photo gets which number, and the files' bytes, do not depend on the workers:
    // every build is also made on one worker and compared.
    void shuffle_data() {
        QTest::addColumn<int>("count");
        QTest::addColumn<QList<int>>("order");  // strip places, from 1, by photo number
        QTest::addColumn<int>("jobs");
        QTest::newRow("one: swapped with itself") << 1 << QList<int>{1} << 0;
        QTest::newRow("three") << 3 << QList<int>{2, 1, 3} << 0;
        QTest::newRow("four") << 4 << QList<int>{3, 1, 4, 2} << 0;
        QTest::newRow("four on four workers") << 4 << QList<int>{3, 1, 4, 2} << 4;
    }
    void shuffle() {
        QFETCH(int, count);
        QFETCH(QList<int>, order);
        QFETCH(int, jobs);
        QStringList folders;
        for (int workers : {jobs, 1}) {
            TAlbumRandom random;
            TAlbumOptions options;
            options.folder =
                Folder(QStringLiteral("shuffle%1-%2-%3").arg(count).arg(jobs).arg(workers));
            options.shuffle = true;
            TAlbumRun run;
            run.random = &random;
            run.jobs = workers;
            const TAlbumResult result = BuildWebAlbum(options, Records(count), run);
            QCOMPARE(result.written, count);
            QCOMPARE(Exported(options.folder, count), order);
            // Numbering follows the grid: the page is the unshuffled one.
            QCOMPARE(Bytes(result.page), AlbumPage(options, count).toUtf8());
            folders << options.folder;
        }
        for (int n = 1; n <= count; ++n) {
            const QString name = QStringLiteral("/Photo%1.jpg").arg(n);
            QCOMPARE(Bytes(folders[0] + name), Bytes(folders[1] + name));
        }
    }

    void pageColorRule_data() {
        QTest::addColumn<int>("outside");
        QTest::addColumn<int>("inside");
        QTest::addColumn<int>("radius");
        QTest::addColumn<int>("offset");
        QTest::addColumn<bool>("onBackground");
        QTest::newRow("plain: through the mask") << 0 << 0 << 0 << 0 << false;
        QTest::newRow("outer band") << 4 << 0 << 0 << 0 << true;
        QTest::newRow("offset") << 0 << 0 << 0 << 3 << true;
    }
    void pageColorRule() {
        QFETCH(int, outside);
        QFETCH(int, inside);
        QFETCH(int, radius);
        QFETCH(int, offset);
        QFETCH(bool, onBackground);
        TPhotoInfo record;
        record.Outside.Width = outside;
        record.Inside.Width = inside;
        record.Radius = radius;
        record.Offset = offset;
        const TPhotoInfo before = record;
        ApplyAlbumPageColor(record, 0x123456);
        QCOMPARE(record.Background, onBackground ? 0x123456u : before.Background);
        QCOMPARE(record.MaskColor, onBackground ? before.MaskColor : 0x123456u);
    }

    // Five photos, then three: only sections 1 to 3, each with the keys in order; twelve
    // read back in file order, the twelfth twelfth.
    void handOff() {
        const QString file = Folder("Photos.dat");
        std::vector<TPhotoInfo> records;
        for (int i = 0; i < 12; ++i) {
            records.emplace_back(QStringLiteral("/photos/%1.jpg").arg(i + 1));
            records.back().Rotate = 90;
            records.back().Watermark = QStringLiteral("w%1").arg(i + 1);
        }
        const auto write = [&](int count) {
            std::vector<const TPhotoInfo*> open;
            for (int i = 0; i < count; ++i) open.push_back(&records[i]);
            WriteOpenPhotos(file, open);
        };
        write(5);
        write(3);
        const TIniFile ini(file);
        QCOMPARE(ini.Sections(), (QStringList{"PHOTO1", "PHOTO2", "PHOTO3"}));
        QCOMPARE(ini.Keys("PHOTO2"), kHandOffKeys);

        write(12);
        const std::vector<TPhotoInfo> read = ReadOpenPhotos(file);
        QCOMPARE(int(read.size()), 12);
        for (int i = 0; i < 12; ++i) {
            QCOMPARE(read[i].FileName, records[i].FileName);
            QCOMPARE(read[i].Watermark, records[i].Watermark);
            QCOMPARE(read[i].Rotate, 90);
        }
        QCOMPARE(TIniFile(file).Sections().at(11), QString("PHOTO12"));
    }

    // Photos are numbered by their place, whichever worker finishes first: photo 1 waits
    // until photo 2 is done.
    void numberingDoesNotFollowTheWorkers() {
        TAlbumOptions options;
        options.folder = QStringLiteral("  ") + Folder("new/deeper") + QStringLiteral(" \t");
        TGate secondDone("photo 1's export, held until photo 2 is done");
        QList<int> finished;
        TAlbumRun run;
        run.jobs = 2;
        run.mayStart = [&](int number) {
            if (number == 1) secondDone.Pass();
            return true;
        };
        run.progress = [&](const TAlbumPhoto& photo, int done, int total) {
            finished << photo.number;
            if (photo.number == 2) secondDone.Open();
            return photo.written && done == finished.size() && total == 3;
        };
        const TAlbumResult result = BuildWebAlbum(options, Records(3), run);
        QCOMPARE(result.status, TAlbumResult::Status::Finished);
        QCOMPARE(finished.first(), 2);
        QCOMPARE(result.folder, Folder("new/deeper"));
        QCOMPARE(result.written, 3);
        QCOMPARE(Exported(result.folder, 3), (QList<int>{1, 2, 3}));
        QCOMPARE(Bytes(result.page), AlbumPage(options, 3).toUtf8());
    }

    // The second build overwrites what it writes; photos beyond its count stay.
    void twoBuildsIntoOneFolder() {
        TAlbumOptions options;
        options.folder = Folder("twice");
        QCOMPARE(BuildWebAlbum(options, Records(4)).written, 4);
        std::vector<TPhotoInfo> second = Records(5);
        second.erase(second.begin(), second.begin() + 3);  // photos 4 and 5
        options.title = QStringLiteral("Second");
        const TAlbumResult result = BuildWebAlbum(options, second);
        QCOMPARE(result.written, 2);
        QCOMPARE(Exported(options.folder, 4), (QList<int>{4, 5, 3, 4}));
        QCOMPARE(Bytes(result.page), AlbumPage(options, 2).toUtf8());
    }

    // A photo that cannot be read, and one that cannot be written, are counted and named;
    // the page is written with both cells.
    void failedPhotosAreReported() {
        TAlbumOptions options;
        options.folder = Folder("failing");
        QVERIFY(QDir().mkpath(options.folder + "/Photo3.jpg"));  // a folder in the way
        std::vector<TPhotoInfo> records = Records(3);
        records[0].FileName = Folder("gone.png");
        const TAlbumResult result = BuildWebAlbum(options, records);
        QCOMPARE(result.status, TAlbumResult::Status::Finished);
        QCOMPARE(result.written, 1);
        QCOMPARE(result.failed, 2);
        QCOMPARE(result.failures.size(), 2);
        QCOMPARE(result.failures[0], QStringLiteral("Cannot open ") + Folder("gone.png") + "!");
        QVERIFY(result.failures[1].startsWith("Cannot save " + options.folder + "/Photo3.jpg!"));
        QCOMPARE(Bytes(result.page), AlbumPage(options, 3).toUtf8());
    }

    // The page is replaced whole or not at all, and a failure names it.
    void pageNotWritten() {
        TAlbumOptions options;
        options.folder = Folder("nopage");
        const QString page = options.folder + "/Vellumora.htm";
        QVERIFY(QDir().mkpath(page));
        const TAlbumResult result = BuildWebAlbum(options, Records(1));
        QCOMPARE(result.status, TAlbumResult::Status::PageNotWritten);
        QCOMPARE(result.written, 1);
        QVERIFY2(result.message.startsWith("Unable to write to " + page + " ("),
                 qPrintable(result.message));
        QVERIFY(QFileInfo(page).isDir());

        // On a full disk every photo and the page say so in the system's words, and
        // nothing is left under their names.
        TSmallDisk disk;
        if (disk.Path().isEmpty()) QSKIP("no file system of its own can be mounted here");
        QVERIFY(disk.Fill());
        options.folder = disk.Path();
        const TAlbumResult full = BuildWebAlbum(options, Records(2));
        QCOMPARE(full.status, TAlbumResult::Status::PageNotWritten);
        QCOMPARE(full.failed, 2);
        for (const QString& failure : full.failures)
            QVERIFY2(failure.contains("No space left on device"), qPrintable(failure));
        QVERIFY2(full.message.contains("No space left on device"), qPrintable(full.message));
        QCOMPARE(QDir(disk.Path()).entryList(QDir::Files | QDir::Hidden), QStringList{"filler"});
    }

    // A photo living in the folder under an output's name is never overwritten.
    void originalsAreNeverOverwritten() {
        const QString folder = Folder("originals");
        QVERIFY(QDir().mkpath(folder));
        const QString original = folder + "/Photo2.jpg";
        QVERIFY(SolidImage(9, 9, 0xFF0000).save(original, "JPEG"));
        const QByteArray before = Bytes(original);
        std::vector<TPhotoInfo> records = Records(2);
        records[0].FileName = folder + "/./Photo2.jpg";
        TAlbumOptions options;
        options.folder = folder;
        const TAlbumResult result = BuildWebAlbum(options, records);
        QCOMPARE(result.status, TAlbumResult::Status::WouldOverwrite);
        QCOMPARE(result.message, "Would overwrite the original " + folder +
                                     "/Photo2.jpg: please choose another folder.");
        QCOMPARE(Bytes(original), before);
        QVERIFY(!QFile::exists(folder + "/Vellumora.htm"));
    }

    // The widths a photo is offered in: each at most twice the one below it, the photo's
    // own at the top, none as wide as the photo.
    void modernWidths_data() {
        QTest::addColumn<int>("photo");
        QTest::addColumn<QList<int>>("widths");
        QTest::newRow("smaller than the smallest") << 300 << QList<int>{};
        QTest::newRow("exactly the smallest") << 480 << QList<int>{};
        QTest::newRow("just above") << 481 << QList<int>{480};
        QTest::newRow("1500") << 1500 << QList<int>{480, 960};
        QTest::newRow("24 MP") << 6000 << QList<int>{480, 960, 1920, 3840};
        QTest::newRow("7680, the last doubling") << 7680 << QList<int>{480, 960, 1920, 3840};
    }
    void modernWidths() {
        QFETCH(int, photo);
        QFETCH(QList<int>, widths);
        const std::vector<int> made = ModernWidths(photo);
        QCOMPARE(QList<int>(made.begin(), made.end()), widths);
        QList<int> offered = widths;
        offered << photo;
        for (qsizetype i = 1; i < offered.size(); ++i)
            QVERIFY(offered[i] > offered[i - 1] && offered[i] <= 2 * offered[i - 1]);
    }

    // The accent's text colour always reads on it (WCAG AA, 4.5:1), over every grey and
    // the pure colours.
    void accentTextReads() {
        QList<TColor> colors;
        for (int v = 0; v < 256; ++v) colors << TColor(v * 0x010101);
        for (TColor c : {0x0000FFu, 0x00FF00u, 0xFF0000u, 0x00FFFFu, 0xFF00FFu, 0xFFFF00u})
            colors << c;
        for (TColor c : colors)
            QVERIFY2(Contrast(c, AccentTextColor(c)) >= 4.5, qPrintable(ColorToHtml(c)));
    }

    // The Modern page over what was written: every image's size and every width offered
    // are those of the files on disk, every user text is escaped (markup in the title,
    // description, copyright and a file name), and a photo that fails is named and left
    // out of the page.
    void modernBuild_data() {
        QTest::addColumn<QString>("name");  // of the big photo, without ".png"
        QTest::addColumn<QString>("text");  // title, description and copyright
        QTest::addColumn<bool>("failing");  // the second photo cannot be read
        QTest::newRow("plain") << "wide"
                               << "Summer" << false;
        QTest::newRow("markup in every text") << "<i>a&b\"c'"
                                              << "<b>x</b> & 'y\"" << false;
        QTest::newRow("a photo that fails is left out") << "wide"
                                                        << "Summer" << true;
    }
    void modernBuild() {
        QFETCH(QString, name);
        QFETCH(QString, text);
        QFETCH(bool, failing);
        TAlbumOptions options;
        options.style = TAlbumStyle::Modern;
        options.folder = Folder("modern-" + QString::number(QTest::currentDataTag()[0]));
        options.title = options.copyright = text;
        options.description = text + "\r\n" + text;
        std::vector<TPhotoInfo> records = Records(2);
        records[0].FileName =
            SavePng(dir_.path(), "in/" + name + ".png", SolidImage(1000, 600, 0x336699));
        if (failing) records[1].FileName = Folder("gone.png");
        const TAlbumResult result = BuildWebAlbum(options, records);
        QCOMPARE(result.status, TAlbumResult::Status::Finished);
        QCOMPARE(result.failed, failing ? 1 : 0);
        if (failing)
            QCOMPARE(result.failures, QStringList{"Cannot open " + Folder("gone.png") + "!"});

        const QString page = QString::fromUtf8(Bytes(result.page));
        QVERIFY(page.startsWith("<!DOCTYPE html>\n"));
        const QString escaped = text.toHtmlEscaped().replace("'", "&#39;");
        QCOMPARE(page.count(escaped), 5);  // <title>, <h1>, the description twice, copyright
        if (escaped != text) QVERIFY(!page.contains(text));
        for (const TAlbumFile& file : ModernPageFiles())
            QCOMPARE(Bytes(options.folder + "/" + file.name), file.bytes);

        static const QRegularExpression img(
            "<img src=\"([^\"]+)\" srcset=\"([^\"]+)\" sizes=\"[^\"]+\" width=\"(\\d+)\" "
            "height=\"(\\d+)\" alt=\"([^\"]*)\"");
        QStringList alts;
        int images = 0;
        for (auto it = img.globalMatch(page); it.hasNext(); ++images) {
            const QRegularExpressionMatch m = it.next();
            const QStringList offered = m.captured(2).split(", ");
            QCOMPARE(offered.last().section(' ', 0, 0), QString("Photo%1.jpg").arg(images + 1));
            const QSize full = ImageSize(options.folder + "/" + offered.last().section(' ', 0, 0));
            QCOMPARE(QSize(m.captured(3).toInt(), m.captured(4).toInt()), full);
            QCOMPARE(m.captured(1), offered.first().section(' ', 0, 0));
            for (const QString& candidate : offered) {
                const QSize size = ImageSize(options.folder + "/" + candidate.section(' ', 0, 0));
                QCOMPARE(candidate.section(' ', 1), QString("%1w").arg(size.width()));
                QCOMPARE(size, ModernScaledSize(full, size.width()));
            }
            alts << m.captured(5);
        }
        QCOMPARE(images, failing ? 1 : 2);
        QCOMPARE(alts.first(), name.toHtmlEscaped().replace("'", "&#39;"));
        if (!failing) QCOMPARE(alts.last(), QString("photo2"));
    }

    // Refusing to start a photo, a progress answer of false, or the stop flag set from
    // another thread ends the build without a page; photos already exported stay, and
    // every photo exported is reported.
    void cancel_data() {
        QTest::addColumn<QString>("how");
        QTest::newRow("before photo 2 starts") << "start";
        QTest::newRow("after photo 1 is done") << "progress";
        QTest::newRow("stop flag set as photo 2 starts") << "stop";
    }
    void cancel() {
        QFETCH(QString, how);
        const bool byProgress = how == "progress";
        TAlbumOptions options;
        options.folder = Folder("cancel-" + how);
        QList<int> started;
        std::atomic<bool> stop{false};
        TAlbumRun run;
        run.jobs = 1;
        run.stop = &stop;
        run.mayStart = [&](int number) {
            started << number;
            if (how == "stop" && number == 2) stop = true;
            return how != "start" || number < 2;
        };
        // One worker, so that photo 2 is asked for only once photo 1 is exported.
        if (byProgress) run.progress = [](const TAlbumPhoto&, int, int) { return false; };
        const TAlbumResult result = BuildWebAlbum(options, Records(4), run);
        QCOMPARE(result.status, TAlbumResult::Status::Cancelled);
        QVERIFY(QFile::exists(options.folder + "/Photo1.jpg"));
        QVERIFY(!QFile::exists(options.folder + "/Vellumora.htm"));
        QCOMPARE(QDir(options.folder).entryList(QDir::Files).size(), result.written);
        if (byProgress) return;  // how far the worker got by then is its own business
        QCOMPARE(started, (QList<int>{1, 2}));
        QCOMPARE(result.written, 1);
        QVERIFY(!QFile::exists(options.folder + "/Photo2.jpg"));
    }
};

QTEST_MAIN(TestAlbum)
#include "test_album.moc"
