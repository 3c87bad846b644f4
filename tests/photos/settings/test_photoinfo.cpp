#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>
#include <climits>

#include "photos/settings/IniFile.h"
#include "photos/settings/PhotoInfo.h"
#include "photos/settings/ProgramFolder.h"
#include "support/TestSupport.h"

using namespace vellumora;

namespace {

TPhotoInfo BuiltIn() {
    return TPhotoInfo();
}

// A record whose every field differs from its default and from the others' values.
TPhotoInfo Unusual() {
    TPhotoInfo p = BuiltIn();
    p.FileName = QStringLiteral("dir/photo one.jpg");
    p.Crop = TRect{1, 2, 300, 400};
    p.Ratio = 3, p.Rotate = 90, p.Contrast = -20, p.Brightness = 15;
    p.Red = -1, p.Green = 2, p.Blue = -3, p.Grayscale = true, p.Negative = true;
    p.Max = 1024, p.Keep = false, p.Watermark = QStringLiteral("© Dünn 2024"), p.Position = 3;
    p.Font = TFont{QStringLiteral("DejaVu Sans"), 0, 0x0080FF, true, true, true, true};
    p.Font.SetSize(13);
    p.X = -4, p.Y = 40, p.Opacity = 200, p.MaskName = QStringLiteral("oval.png");
    p.MaskColor = 0xFF00000F, p.Outside = {5, 0x123456}, p.Inside = {6, clBlack};
    p.Radius = 7, p.Offset = 9, p.Shadow = 0x0000FF, p.Background = 0x1FFFFFFF;
    return p;
}

// Reads the field named by a table row, as a number.
qint64 Field(const TPhotoInfo& p, const QString& name) {
    const QHash<QString, qint64> fields{
        {"Max", p.Max}, {"Keep", p.Keep}, {"Left", p.Crop.Left}, {"Size", p.Font.Size()},
        {"Height", p.Font.Height}, {"Bold", p.Font.Bold}, {"Italic", p.Font.Italic},
        {"Opacity", p.Opacity}, {"Shadow", p.Shadow}};
    return fields.value(name, LLONG_MIN);
}

}  // namespace

class TestPhotoInfo : public QObject {
    Q_OBJECT

    QTemporaryDir home_;

    QString File(const QString& name, const QByteArray& bytes) {
        return test::WriteBytes(home_.path(), name, bytes);
    }

private slots:
    void initTestCase() { qputenv("XDG_DATA_HOME", home_.path().toUtf8()); }

    void colorNames_data() {
        QTest::addColumn<uint>("color");
        QTest::addColumn<QString>("text");
        QTest::newRow("white") << 0xFFFFFFu << "clWhite";
        QTest::newRow("unnamed") << 0x0080FFu << "$000080FF";
        QTest::newRow("upper-case digits") << 0xABCDEFu << "$00ABCDEF";
        QTest::newRow("none") << 0x1FFFFFFFu << "clNone";
        QTest::newRow("system colour") << 0xFF00000Fu << "clBtnFace";
        QTest::newRow("system index without a name") << 0xFF000019u << "$FF000019";
        QTest::newRow("all bits") << 0xFFFFFFFFu << "$FFFFFFFF";
    }
    void colorNames() {
        QFETCH(uint, color);
        QFETCH(QString, text);
        QCOMPARE(ColorToString(color), text);
        TColor back = 1;
        QVERIFY(StringToColor(text, &back));
        QCOMPARE(back, color);
    }

    // SHADOW defaults to clGray, which none of the good rows reads as.
    void readColor_data() {
        QTest::addColumn<QByteArray>("value");
        QTest::addColumn<uint>("color");
        QTest::newRow("name without case") << QByteArray("clwhite") << 0xFFFFFFu;
        QTest::newRow("dollar hex") << QByteArray("$00FFFFFF") << 0xFFFFFFu;
        QTest::newRow("decimal") << QByteArray("16777215") << 0xFFFFFFu;
        QTest::newRow("0x hex") << QByteArray("0xFFFFFF") << 0xFFFFFFu;
        QTest::newRow("negative decimal") << QByteArray("-1") << 0xFFFFFFFFu;
        QTest::newRow("system name") << QByteArray("CLINFOBK") << 0xFF000018u;
        QTest::newRow("bare word") << QByteArray("white") << uint(clGray);
        QTest::newRow("beyond 32 bits") << QByteArray("$1FFFFFFFF") << uint(clGray);
    }
    void readColor() {
        QFETCH(QByteArray, value);
        QFETCH(uint, color);
        TPhotoInfo p = BuiltIn();
        p.Shadow = 0x42;
        p.ReadTemplate(File(QStringLiteral("color.ini"), "[T]\nSHADOW=" + value + "\n"), QStringLiteral("T"));
        QCOMPARE(p.Shadow, color);
    }

    void fontSize_data() {
        QTest::addColumn<int>("points");
        QTest::addColumn<int>("height");
        QTest::addColumn<int>("size");
        QTest::newRow("12 points") << 12 << -16 << 12;
        QTest::newRow("11 points") << 11 << -15 << 11;
        QTest::newRow("1 point") << 1 << -1 << 1;
        QTest::newRow("zero") << 0 << 0 << 0;
        QTest::newRow("negative") << -8 << 11 << -8;
        QTest::newRow("huge clamps") << INT_MAX << -13333 << 10000;
        QTest::newRow("huge negative clamps") << INT_MIN << 13333 << -10000;
    }
    void fontSize() {
        QFETCH(int, points);
        QFETCH(int, height);
        QFETCH(int, size);
        TFont font;
        font.SetSize(points);
        QCOMPARE(font.Height, height);
        QCOMPARE(font.Size(), size);
    }

    // Max of the default template: the templates file names it in [DEFAULT] DEFAULT,
    // "NONE" when that key is missing.
    void defaultTemplate_data() {
        QTest::addColumn<QByteArray>("templates");
        QTest::addColumn<int>("max");
        QTest::newRow("no file") << QByteArray() << 640;
        QTest::newRow("named section") << QByteArray("[DEFAULT]\nDEFAULT=mine\n[Mine]\nMAX=800\n") << 800;
        QTest::newRow("named section missing") << QByteArray("[DEFAULT]\nDEFAULT=Gone\n[Mine]\nMAX=800\n") << 640;
        QTest::newRow("no name reads NONE") << QByteArray("[Mine]\nMAX=800\n[NONE]\nMAX=321\n") << 321;
        QTest::newRow("garbage") << QByteArray("\x01\xFF\n[\n=\nMAX") << 640;
    }
    void defaultTemplate() {
        QFETCH(QByteArray, templates);
        QFETCH(int, max);
        QFile::remove(TemplatesFile());
        if (!templates.isNull()) test::WriteBytes(ProgramFolder(), QStringLiteral("Templates.dat"), templates);
        const TPhotoInfo p = TPhotoInfo::WithDefaultTemplate(QStringLiteral("a.jpg"));
        QCOMPARE(p.FileName, QStringLiteral("a.jpg"));
        QCOMPARE(p.Max, max);
        // The plain constructor reads no template.
        QCOMPARE(TPhotoInfo(QStringLiteral("a.jpg")).Max, 640);
        TPhotoInfo expected = BuiltIn();
        expected.Max = max;
        QVERIFY(p.SameTemplate(expected));
        QCOMPARE(p.Crop, TRect{});
        QCOMPARE(p.Rotate + p.Contrast + p.Brightness + p.Red + p.Green + p.Blue, 0);
    }

    // Making a record touches no file and no folder.
    void plainRecordTouchesNoFiles() {
        QTemporaryDir home;
        qputenv("XDG_DATA_HOME", home.path().toUtf8());
        const auto restore = qScopeGuard([&] { qputenv("XDG_DATA_HOME", home_.path().toUtf8()); });
        const TPhotoInfo p(QStringLiteral("a.jpg"));
        QVERIFY(QDir(home.path()).isEmpty());
        QCOMPARE(p.Background, clWhite);
    }

    // One key line in section P, read into a record whose fields all differ from their
    // defaults, so a row expecting the default proves the field was reset.
    void readValue_data() {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<QString>("field");
        QTest::addColumn<qint64>("value");
        QTest::newRow("keep 0") << QByteArray("KEEP=0") << "Keep" << 0LL;
        QTest::newRow("keep 2") << QByteArray("KEEP=2") << "Keep" << 1LL;
        QTest::newRow("keep yes") << QByteArray("KEEP=yes") << "Keep" << 1LL;
        QTest::newRow("max int") << QByteArray("MAX=2147483647") << "Max" << 2147483647LL;
        QTest::newRow("max word") << QByteArray("max = abc") << "Max" << 640LL;
        QTest::newRow("crop beyond 32 bits") << QByteArray("LEFT=3000000000") << "Left" << 0LL;
        QTest::newRow("crop negative") << QByteArray("LEFT=-3") << "Left" << -3LL;
        QTest::newRow("absurd font size") << QByteArray("FONTSIZE=2147483647") << "Size" << 10000LL;
        QTest::newRow("font size") << QByteArray("FONTSIZE=7") << "Height" << -9LL;
        QTest::newRow("missing font size") << QByteArray("X=1") << "Size" << 12LL;
        QTest::newRow("bold") << QByteArray("BOLD=1") << "Bold" << 1LL;
        QTest::newRow("style reset") << QByteArray("BOLD=1") << "Italic" << 0LL;
        QTest::newRow("empty opacity") << QByteArray("OPACITY=") << "Opacity" << 128LL;
        QTest::newRow("missing colour") << QByteArray("") << "Shadow" << qint64(clGray);
    }
    void readValue() {
        QFETCH(QByteArray, line);
        QFETCH(QString, field);
        QFETCH(qint64, value);
        TPhotoInfo p = Unusual();
        p.ReadSettings(File(QStringLiteral("value.ini"), "[P]\n" + line + "\n"), QStringLiteral("p"));
        QCOMPARE(Field(p, field), value);
    }

    void roundTrip() {
        const QString path = home_.filePath(QStringLiteral("roundtrip.ini"));
        const TPhotoInfo source = Unusual();
        source.WriteSettings(path, QStringLiteral("photo"));

        const TIniFile ini(path);
        QCOMPARE(ini.Keys(QStringLiteral("photo")).join(QLatin1Char(' ')),
                 QStringLiteral("FILENAME LEFT TOP RIGHT BOTTOM RATIO ROTATE CONTRAST BRIGHTNESS RED GREEN BLUE "
                                "GRAYSCALE NEGATIVE MAX KEEP WATERMARK FONTNAME FONTSIZE FONTCOLOR BOLD ITALIC "
                                "UNDERLINE STRIKEOUT POSITION X Y OPACITY MASK COLOR OUTSIDE.WIDTH OUTSIDE.COLOR "
                                "INSIDE.WIDTH INSIDE.COLOR RADIUS OFFSET SHADOW BACKGROUND"));
        const auto raw = [&](const char* key) { return ini.ReadString(QStringLiteral("photo"), QLatin1String(key)); };
        QCOMPARE(raw("FONTCOLOR"), QStringLiteral("$000080FF"));
        QCOMPARE(raw("SHADOW"), QStringLiteral("clRed"));
        QCOMPARE(raw("COLOR"), QStringLiteral("clBtnFace"));
        QCOMPARE(raw("FONTSIZE"), QStringLiteral("13"));
        QCOMPARE(raw("KEEP"), QStringLiteral("0"));

        TPhotoInfo back = BuiltIn();
        back.ReadSettings(path, QStringLiteral("PHOTO"));
        QCOMPARE(back.FileName, source.FileName);
        QCOMPARE(back.Crop, source.Crop);
        QVERIFY(back.Ratio == 3 && back.Rotate == 90 && back.Contrast == -20 && back.Brightness == 15);
        QVERIFY(back.Red == -1 && back.Green == 2 && back.Blue == -3 && back.Grayscale && back.Negative);
        QCOMPARE(back.Font, source.Font);
        QVERIFY(back.SameTemplate(source));
    }

    void foreignLinesKept() {
        const QString path = File(QStringLiteral("foreign.ini"),
                                  "[P]\nCUSTOM=keep me\nmax=1\n; note\n\n[Other]\nA=1\n");
        Unusual().WriteTemplate(path, QStringLiteral("P"));
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QList<QByteArray> lines = file.readAll().split('\n');
        QCOMPARE(lines.mid(0, 5), (QList<QByteArray>{"[P]", "CUSTOM=keep me", "max=1024", "; note", "KEEP=0"}));
        QCOMPARE(lines.mid(lines.size() - 4), (QList<QByteArray>{"", "[Other]", "A=1", ""}));
        QCOMPARE(lines.size(), 4 + 23 + 4);  // the 23 keys new to P follow the note
    }

    void refusedWrite() {
        const QString path = File(QStringLiteral("plain"), "x") + QStringLiteral("/Templates.dat");
        try {
            BuiltIn().WriteTemplate(path, QStringLiteral("T"));
            QFAIL("the write was not refused");
        } catch (const TIniError& error) {
            QCOMPARE(error.Message(), QStringLiteral("Unable to write to ") + path);
        }
    }

    void assign() {
        int raised = 0;
        TPhotoInfo target = BuiltIn();
        target.FileName = QStringLiteral("mine.jpg");
        target.OnMaskChange = [&](TPhotoInfo&) { ++raised; };
        target.Rotate = 180;  // per-photo fields are no part of the template
        target.Assign(nullptr);
        QVERIFY(target.SameTemplate(BuiltIn()) && target.Rotate == 180);
        const TFont font = Unusual().Font;
        target.SetFont(&font);
        target.SetFont(nullptr);
        QCOMPARE(target.Font, font);
        QVERIFY(!target.SameTemplate(BuiltIn()));

        TPhotoInfo source = Unusual();
        source.OnMaskChange = [&](TPhotoInfo&) { raised += 100; };
        target.Assign(&source);
        QCOMPARE(target.FileName, QStringLiteral("mine.jpg"));
        QVERIFY(target.SameTemplate(source));
        QVERIFY(target.Crop == source.Crop && target.Rotate == 90 && target.Blue == -3 && target.Negative);
        QCOMPARE(raised, 0);  // copying a mask name is not a mask change
        target.SetMaskName(QStringLiteral("x.png"));
        QCOMPARE(raised, 1);
    }

    void maskName_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("bound");
        QTest::newRow("windows path") << "C:\\Masks\\oval.png" << "oval.png" << true;
        QTest::newRow("unix path") << "/home/u/Masks/heart.bmp" << "heart.bmp" << true;
        QTest::newRow("drive only") << "D:star.png" << "star.png" << true;
        QTest::newRow("mixed separators") << "a\\b/c.png" << "c.png" << true;
        QTest::newRow("not bound") << "/x/y.png" << "y.png" << false;
    }
    void maskName() {
        QFETCH(QString, path);
        QFETCH(QString, name);
        QFETCH(bool, bound);
        TPhotoInfo p = BuiltIn();
        QStringList seen;
        if (bound) p.OnMaskChange = [&](TPhotoInfo& info) { seen << info.MaskName; };
        p.SetMaskName(path);
        QCOMPARE(p.MaskName, name);
        QCOMPARE(seen, bound ? QStringList{name} : QStringList{});
    }

    void programFolder() {
        const QString folder = home_.path() + QStringLiteral("/Vellumora");
        QCOMPARE(ProgramFolder(), folder);
        QVERIFY(QFileInfo(folder).isDir());
        QCOMPARE(MasksFolder(), folder + QStringLiteral("/Masks"));
        QCOMPARE(TemplatesFile(), folder + QStringLiteral("/Templates.dat"));
    }

    void shippedDataFolder() {
        const QString beside = QDir::cleanPath(QCoreApplication::applicationDirPath() + QStringLiteral("/../share/vellumora"));
        if (!QFileInfo(beside).isDir()) QSKIP("no data folder beside this executable");
        QCOMPARE(ShippedDataFolder(), beside);
    }

    void masksCopiedOnce() {
        QTemporaryDir home, shipped;
        qputenv("XDG_DATA_HOME", home.path().toUtf8());
        const auto restore = qScopeGuard([&] { qputenv("XDG_DATA_HOME", home_.path().toUtf8()); });
        QVERIFY(QDir(shipped.path()).mkpath(QStringLiteral("masks/sub")));
        test::WriteBytes(shipped.filePath(QStringLiteral("masks")), QStringLiteral("oval.png"), "oval");
        test::WriteBytes(shipped.filePath(QStringLiteral("masks")), QStringLiteral("star.png"), "star");

        QVERIFY(PrepareProgramFolder(shipped.path()));
        const QDir masks(home.path() + QStringLiteral("/Vellumora/Masks"));
        QCOMPARE(masks.entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList({"oval.png", "star.png"}));

        // A mask the user deleted stays deleted, and newly shipped ones are not pushed in.
        QVERIFY(QFile::remove(masks.filePath(QStringLiteral("oval.png"))));
        test::WriteBytes(shipped.filePath(QStringLiteral("masks")), QStringLiteral("new.png"), "new");
        QVERIFY(PrepareProgramFolder(shipped.path()));
        QCOMPARE(masks.entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList({"star.png"}));
    }
};

QTEST_GUILESS_MAIN(TestPhotoInfo)
#include "test_photoinfo.moc"
