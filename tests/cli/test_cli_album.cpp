// vellumora-cli album, run as a process: the album from photo files and a template
// section, the program's shuffle at every start, and bad input ending in a clear exit code.

#include <QDir>
#include <QFile>
#include <QImageReader>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include "support/TestSupport.h"

using namespace vellumora::test;

namespace {

TCliResult RunAlbum(const QStringList& args) {
    return RunCli(QStringList{"album"} + args);
}

}  // namespace

class TestCliAlbum : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    QStringList photos_;  // photo n (from 1) is (30 + 10 n) x 20 pixels
    QString settings_;    // section T: shown at their own size

private slots:
    void initTestCase() {
        QVERIFY(dir_.isValid());
        QVERIFY(QFile::exists(qEnvironmentVariable("VELLUMORA_CLI")));
        for (int n = 1; n <= 3; ++n)
            photos_ << SavePng(dir_.path(), QStringLiteral("photo%1.png").arg(n),
                               SolidImage(30 + 10 * n, 20, 0x405060));
        settings_ = WriteBytes(dir_.path(), "settings.ini", "[T]\nMAX=0\n");
    }

    // Every process starts the shuffle afresh: strip places 2, 1, 3 as photos 1, 2, 3.
    void build() {
        const QString folder = dir_.filePath("album");
        for (int run = 0; run < 2; ++run) {
            const TCliResult result =
                RunAlbum(QStringList{"--folder", folder, "--settings", settings_, "--section", "T",
                                     "--shuffle", "--description", "a\nb\n", "--columns", "2"} +
                         photos_);
            QVERIFY(!result.crashed);
            QCOMPARE(result.code, 0);
            QVERIFY(result.err.endsWith("3 written, 0 failed\n"));
            QCOMPARE(result.out, folder + "/Vellumora.htm\n");
            QList<int> widths;
            for (int n = 1; n <= 3; ++n)
                widths
                    << QImageReader(folder + QStringLiteral("/Photo%1.jpg").arg(n)).size().width();
            QCOMPARE(widths, (QList<int>{50, 40, 60}));
            const QByteArray page = ReadBytes(folder + "/Vellumora.htm");
            QVERIFY(page.contains("class=\"description\">a<br>b<br></font>"));
            QVERIFY(page.contains("<img src=\"Photo2.jpg\" border=\"0\">\r\n</td>\r\n</tr>\r\n"));
        }
    }

    // The tool reads its own words: Qt's application object, which takes --style and others
    // for itself, never sees them, so the style asked for is the page written.
    void modernStyle() {
        const QString folder = dir_.filePath("modern");
        const TCliResult result = RunAlbum(
            {"--style", "modern", "--folder", folder, "--camera-details", photos_[0], photos_[1]});
        QVERIFY(!result.crashed);
        QCOMPARE(result.code, 0);
        QVERIFY(ReadBytes(folder + "/Vellumora.htm").startsWith("<!DOCTYPE html>\n"));
        for (const char* file : {"/Vellumora.css", "/Vellumora.js", "/Photo2.jpg"})
            QVERIFY(QFile::exists(folder + file));
    }

    // A photo that cannot be read: the page is still written, the exit code says so.
    void failedPhoto() {
        const QString folder = dir_.filePath("failing");
        const QString gone = dir_.filePath("gone.png");
        const TCliResult result = RunAlbum({"--folder", folder, photos_[0], gone});
        QCOMPARE(result.code, 1);
        QVERIFY(result.err.contains("FAILED " + gone + ": Cannot open " + gone + "!\n"));
        QVERIFY(result.err.endsWith("1 written, 1 failed\n"));
        QVERIFY(QFile::exists(folder + "/Vellumora.htm"));
    }

    void badInput_data() {
        QTest::addColumn<QStringList>("args");  // DIR: a fresh folder, PHOTO: a photo
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("message");
        QTest::newRow("nothing") << QStringList{} << 2 << "--folder is required";
        QTest::newRow("no photos")
            << QStringList{"--folder", "DIR"} << 2 << "give either --photos FILE or photo files";
        QTest::newRow("columns 100") << QStringList{"--folder", "DIR", "--columns", "100", "PHOTO"}
                                     << 2 << "--columns takes a number from 0 to 99";
        QTest::newRow("width 700") << QStringList{"--folder", "DIR", "--width", "700", "PHOTO"} << 2
                                   << "--width takes 580, 720, 920, 100%";
        QTest::newRow("colour") << QStringList{"--folder", "DIR", "--page-color", "#12345", "PHOTO"}
                                << 2 << "--page-color takes #RRGGBB or a colour name";
        QTest::newRow("unknown option") << QStringList{"--folder", "DIR", "--frames", "2", "PHOTO"}
                                        << 2 << "unknown option --frames";
        QTest::newRow("an option of Qt's is the tool's")
            << QStringList{"--folder", "DIR", "--reverse", "PHOTO"} << 2
            << "unknown option --reverse";
        QTest::newRow("style unknown")
            << QStringList{"--folder", "DIR", "--style", "fusion", "PHOTO"} << 2
            << "--style takes classic or modern";
        QTest::newRow("missing hand-off file")
            << QStringList{"--folder", "DIR", "--photos", "none"} << 1 << "Cannot open none!";
        QTest::newRow("missing section")
            << QStringList{"--folder", "DIR", "--settings", "SETTINGS", "--section", "X", "PHOTO"}
            << 1 << "There is no section [X] in it.";
        QTest::newRow("empty folder")
            << QStringList{"--folder", " ", "PHOTO"} << 1 << "Unable to create directory";
        QTest::newRow("folder not made") << QStringList{"--folder", "SETTINGS/sub", "PHOTO"} << 1
                                         << "Can not create folder SETTINGS/sub!";
    }
    void badInput() {
        QFETCH(QStringList, args);
        QFETCH(int, code);
        QFETCH(QString, message);
        const QString folder = dir_.filePath(QTest::currentDataTag());
        for (QString& arg : args)
            arg.replace("DIR", folder).replace("PHOTO", photos_[0]).replace("SETTINGS", settings_);
        message.replace("SETTINGS", settings_);
        const TCliResult result = RunAlbum(args);
        QVERIFY(!result.crashed);
        QCOMPARE(result.code, code);
        QVERIFY2(result.err.contains(message), qPrintable(result.err));
        if (code == 2) QVERIFY(result.err.contains("usage: vellumora-cli album"));
        QVERIFY(!QFile::exists(folder + "/Vellumora.htm"));
    }
};

QTEST_GUILESS_MAIN(TestCliAlbum)
#include "test_cli_album.moc"
