#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>
#include <climits>
#include <tuple>
#include <utility>

#include "photos/settings/FieldGroups.h"
#include "photos/settings/Fields.h"
#include "photos/settings/IniFile.h"
#include "photos/settings/Names.h"
#include "photos/settings/PhotoInfo.h"
#include "photos/settings/ProgramFolder.h"
#include "support/TestSupport.h"

using namespace vellumora;

namespace {

// A record with the built-in defaults as WriteSettings writes it: the per-photo keys, then
// the template keys. Files rely on the order; the values are the settings of a photo
// opened without templates.
// clang-format off
const QStringList kDefaultSection = {
    "FILENAME=", "LEFT=0", "TOP=0", "RIGHT=0", "BOTTOM=0", "RATIO=0", "ROTATE=0", "CONTRAST=0",
    "BRIGHTNESS=0", "RED=0", "GREEN=0", "BLUE=0", "GRAYSCALE=0", "NEGATIVE=0",
    "MAX=640", "KEEP=1", "WATERMARK=", "FONTNAME=Arial", "FONTSIZE=12", "FONTCOLOR=clWhite",
    "BOLD=0", "ITALIC=0", "UNDERLINE=0", "STRIKEOUT=0", "POSITION=6", "X=8", "Y=8", "OPACITY=128",
    "MASK=", "COLOR=clWhite", "OUTSIDE.WIDTH=0", "OUTSIDE.COLOR=clBlack", "INSIDE.WIDTH=0",
    "INSIDE.COLOR=clWhite", "RADIUS=0", "OFFSET=0", "SHADOW=clGray", "BACKGROUND=clWhite"};
// clang-format on
constexpr int kPerPhotoKeys = 14;

// Every member, written out here rather than taken from the field table, so that a field
// the table misses shows up as a difference.
template <class Info>
auto Members(Info& p) {
    return std::tie(p.FileName, p.Crop, p.Ratio, p.Rotate, p.Contrast, p.Brightness, p.Red, p.Green,
                    p.Blue, p.Grayscale, p.Negative, p.Max, p.Keep, p.Watermark, p.Position, p.Font,
                    p.X, p.Y, p.Opacity, p.MaskName, p.MaskColor, p.Outside, p.Inside, p.Radius,
                    p.Offset, p.Shadow, p.Background);
}

// The position in Members() of the first member that differs; -1 when none does.
template <class Tuple, std::size_t... I>
int FirstDifference(const Tuple& x, const Tuple& y, std::index_sequence<I...>) {
    int first = -1;
    ((first < 0 && !(std::get<I>(x) == std::get<I>(y)) ? first = int(I) : 0), ...);
    return first;
}
int FirstDifference(const TPhotoInfo& a, const TPhotoInfo& b) {
    const auto x = Members(a), y = Members(b);
    return FirstDifference(x, y, std::make_index_sequence<std::tuple_size_v<decltype(x)>>());
}

// Random values that a settings file can hold: texts without line breaks or outer blanks,
// colours named and unnamed, and any 32-bit number.
void Randomize(QRandomGenerator& rng, int& value) {
    value = int(rng.generate());
}
void Randomize(QRandomGenerator& rng, bool& value) {
    value = rng.bounded(2) == 1;
}
void Randomize(QRandomGenerator& rng, TColor& value) {
    constexpr TColor named[] = {clWhite, clBlack, clGray, 0xFF000005, 0x1FFFFFFF, 0x20000000};
    value = rng.bounded(3) == 0 ? named[rng.bounded(int(std::size(named)))] : rng.generate();
}
void Randomize(QRandomGenerator& rng, QString& value) {
    static const QString letters = QStringLiteral("aZ09 _.=;[]$\\/:é©漢");
    value.clear();
    for (int n = rng.bounded(12); n > 0; --n) value += letters.at(rng.bounded(int(letters.size())));
    value = value.trimmed();
}
void Randomize(QRandomGenerator& rng, TRect& rect) {
    for (int* side : {&rect.Left, &rect.Top, &rect.Right, &rect.Bottom}) Randomize(rng, *side);
}
void Randomize(QRandomGenerator& rng, TBorder& border) {
    Randomize(rng, border.Width);
    Randomize(rng, border.Color);
}
void Randomize(QRandomGenerator& rng, TFont& font) {
    Randomize(rng, font.Name);
    if (font.Name.isEmpty()) font.Name = QStringLiteral("Serif");  // an empty name reads as Arial
    font.Height = rng.bounded(-300, 300);
    Randomize(rng, font.Color);
    for (bool* style : {&font.Bold, &font.Italic, &font.Underline, &font.StrikeOut})
        Randomize(rng, *style);
}

TPhotoInfo Random(QRandomGenerator& rng) {
    TPhotoInfo p;
    std::apply([&rng](auto&... member) { (Randomize(rng, member), ...); }, Members(p));
    p.MaskName = FileNamePart(p.MaskName).trimmed();  // a mask is named without its folder
    return p;
}

constexpr TFieldGroup kGroups[] = {TFieldGroup::Resize, TFieldGroup::Crop, TFieldGroup::Color,
                                   TFieldGroup::Watermark, TFieldGroup::Border};

// A record whose every field differs from its default and from the others' values.
TPhotoInfo Unusual() {
    TPhotoInfo p;
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
    const QHash<QString, qint64> fields{{"Max", p.Max},
                                        {"Keep", p.Keep},
                                        {"Left", p.Crop.Left},
                                        {"Size", p.Font.Size()},
                                        {"Height", p.Font.Height},
                                        {"Bold", p.Font.Bold},
                                        {"Italic", p.Font.Italic},
                                        {"Opacity", p.Opacity},
                                        {"Shadow", p.Shadow},
                                        {"Arial", p.Font.Name == "Arial"}};
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
        TPhotoInfo p;
        p.Shadow = 0x42;
        p.ReadTemplate(File(QStringLiteral("color.ini"), "[T]\nSHADOW=" + value + "\n"),
                       QStringLiteral("T"));
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
        QTest::newRow("named section")
            << QByteArray("[DEFAULT]\nDEFAULT=mine\n[Mine]\nMAX=800\n") << 800;
        QTest::newRow("named section missing")
            << QByteArray("[DEFAULT]\nDEFAULT=Gone\n[Mine]\nMAX=800\n") << 640;
        QTest::newRow("no name reads NONE")
            << QByteArray("[Mine]\nMAX=800\n[NONE]\nMAX=321\n") << 321;
        QTest::newRow("garbage") << QByteArray("\x01\xFF\n[\n=\nMAX") << 640;
    }
    void defaultTemplate() {
        QFETCH(QByteArray, templates);
        QFETCH(int, max);
        QFile::remove(TemplatesFile());
        if (!templates.isNull())
            test::WriteBytes(ProgramFolder(), QStringLiteral("Templates.dat"), templates);
        const TPhotoInfo p = TPhotoInfo::WithDefaultTemplate(QStringLiteral("a.jpg"));
        QCOMPARE(p.FileName, QStringLiteral("a.jpg"));
        TPhotoInfo expected(QStringLiteral("a.jpg"));
        QCOMPARE(expected.Max, 640);  // the plain constructor reads no template
        expected.Max = max;
        QCOMPARE(FirstDifference(p, expected), -1);
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
        QTest::newRow("empty font name") << QByteArray("FONTNAME=") << "Arial" << 1LL;
    }
    void readValue() {
        QFETCH(QByteArray, line);
        QFETCH(QString, field);
        QFETCH(qint64, value);
        TPhotoInfo p = Unusual();
        p.ReadSettings(File(QStringLiteral("value.ini"), "[P]\n" + line + "\n"),
                       QStringLiteral("p"));
        QCOMPARE(Field(p, field), value);
    }

    // The keys in the table's order are the keys written: the per-photo fields' first,
    // then exactly the keys WriteTemplate writes.
    void fileForm() {
        const QString path = home_.filePath(QStringLiteral("form.ini"));
        QFile::remove(path);
        TPhotoInfo().WriteSettings(path, QStringLiteral("P"));
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly | QIODevice::Text));
        QCOMPARE(QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts),
                 QStringList{"[P]"} + kDefaultSection);

        QStringList keys, tableKeys, perPhotoKeys;
        for (const QString& line : kDefaultSection) keys << line.section(QLatin1Char('='), 0, 0);
        for (const TField& field : Fields()) {
            for (const TKey& key : field.keys) {
                tableKeys << QLatin1String(key.name);
                if (field.PerPhoto()) perPhotoKeys << QLatin1String(key.name);
            }
        }
        QCOMPARE(tableKeys, keys);
        QCOMPARE(perPhotoKeys, keys.mid(0, kPerPhotoKeys));
        TIniFile ini(path);
        const TPhotoInfo source = Unusual();
        source.WriteTemplate(ini, QStringLiteral("T"));
        QCOMPARE(ini.Keys(QStringLiteral("T")), keys.mid(kPerPhotoKeys));

        source.WriteSettings(ini, QStringLiteral("P"));
        const auto raw = [&](const char* key) {
            return ini.ReadString(QStringLiteral("P"), QLatin1String(key));
        };
        QCOMPARE(raw("FONTCOLOR"), QStringLiteral("$000080FF"));
        QCOMPARE(raw("SHADOW"), QStringLiteral("clRed"));
        QCOMPARE(raw("COLOR"), QStringLiteral("clBtnFace"));
        QCOMPARE(raw("FONTSIZE"), QStringLiteral("13"));
        QCOMPARE(raw("KEEP"), QStringLiteral("0"));
    }

    // WriteSettings then ReadSettings gives the record back, its font size as whole points.
    void roundTrip() {
        QRandomGenerator rng(20240611);
        const QString path = home_.filePath(QStringLiteral("roundtrip.ini"));
        std::vector<TPhotoInfo> records;
        TIniFile out(path);
        for (int i = 0; i < 200; ++i) {
            records.push_back(Random(rng));
            records.back().WriteSettings(out, QString::number(i));
        }
        out.UpdateFile();

        const TIniFile in(path);
        for (int i = 0; i < 200; ++i) {
            TPhotoInfo expected = records[i];
            expected.Font.SetSize(expected.Font.Size());
            TPhotoInfo back = Random(rng);
            back.ReadSettings(in, QString::number(i));
            QCOMPARE(FirstDifference(back, expected), -1);
        }
    }

    // The five groups and Rotate copy exactly what Assign copies; a record reused for
    // another photo keeps exactly its template fields and Ratio.
    void groupsCoverAssign() {
        QRandomGenerator rng(7);
        for (int i = 0; i < 100; ++i) {
            const TPhotoInfo source = Random(rng);
            TPhotoInfo assigned(QStringLiteral("target.jpg")),
                grouped(QStringLiteral("target.jpg"));
            assigned.Assign(&source);
            grouped.Rotate = source.Rotate;
            for (TFieldGroup group : kGroups) CopyFieldGroup(group, source, grouped);
            QCOMPARE(FirstDifference(grouped, assigned), -1);
            QCOMPARE(assigned.FileName, QStringLiteral("target.jpg"));

            TPhotoInfo reused = source, kept(source.FileName);
            ResetPerPhotoEdits(reused);
            for (TFieldGroup group :
                 {TFieldGroup::Resize, TFieldGroup::Watermark, TFieldGroup::Border})
                CopyFieldGroup(group, source, kept);
            kept.Ratio = source.Ratio;
            QCOMPARE(FirstDifference(reused, kept), -1);
        }
    }

    void foreignLinesKept() {
        const QString path = File(QStringLiteral("foreign.ini"),
                                  "[P]\nCUSTOM=keep me\nmax=1\n; note\n\n[Other]\nA=1\n");
        Unusual().WriteTemplate(path, QStringLiteral("P"));
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QList<QByteArray> lines = file.readAll().split('\n');
        QCOMPARE(lines.mid(0, 5),
                 (QList<QByteArray>{"[P]", "CUSTOM=keep me", "max=1024", "; note", "KEEP=0"}));
        QCOMPARE(lines.mid(lines.size() - 4), (QList<QByteArray>{"", "[Other]", "A=1", ""}));
        QCOMPARE(lines.size(), 4 + 23 + 4);  // the 23 keys new to P follow the note
    }

    void refusedWrite() {
        const QString path = File(QStringLiteral("plain"), "x") + QStringLiteral("/Templates.dat");
        try {
            TPhotoInfo().WriteTemplate(path, QStringLiteral("T"));
            QFAIL("the write was not refused");
        } catch (const TIniError& error) {
            QCOMPARE(error.Message(), QStringLiteral("Unable to write to ") + path);
        }
    }

    void assign() {
        TPhotoInfo target;
        target.FileName = QStringLiteral("mine.jpg");
        target.Rotate = 180;  // per-photo fields are no part of the template
        target.Assign(nullptr);
        QVERIFY(target.SameTemplate(TPhotoInfo()) && target.Rotate == 180);
        const TFont font = Unusual().Font;
        target.SetFont(&font);
        target.SetFont(nullptr);
        QCOMPARE(target.Font, font);
        QVERIFY(!target.SameTemplate(TPhotoInfo()));

        TPhotoInfo source = Unusual();
        source.MaskName = QStringLiteral("dir/kept as it stands.png");
        target.Assign(&source);
        QCOMPARE(target.FileName, QStringLiteral("mine.jpg"));
        QVERIFY(target.SameTemplate(source));
        QVERIFY(target.Crop == source.Crop && target.Rotate == 90 && target.Blue == -3 &&
                target.Negative);
        QCOMPARE(target.MaskName, source.MaskName);  // a value, copied as it stands

        // A copy is values only: what changes it changes nothing else, the other way round
        // neither (a copy goes to another thread with nothing of the original attached).
        TPhotoInfo copy = target;
        copy.SetMaskName(QStringLiteral("x.png"));
        target.Max = 1;
        QCOMPARE(target.MaskName, source.MaskName);
        QCOMPARE(copy.Max, source.Max);
        QCOMPARE(FirstDifference(copy, target), 11);  // Max, the first member changed
    }

    // SetMaskName keeps the last component of the path; only the record changes.
    void maskName_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("name");
        QTest::newRow("windows path") << "C:\\Masks\\oval.png"
                                      << "oval.png";
        QTest::newRow("unix path") << "/home/u/Masks/heart.bmp"
                                   << "heart.bmp";
        QTest::newRow("drive only") << "D:star.png"
                                    << "star.png";
        QTest::newRow("mixed separators") << "a\\b/c.png"
                                          << "c.png";
        QTest::newRow("bare name") << "y.png"
                                   << "y.png";
        QTest::newRow("none") << ""
                              << "";
    }
    void maskName() {
        QFETCH(QString, path);
        QFETCH(QString, name);
        TPhotoInfo p = Unusual();
        const TPhotoInfo before = p;
        p.SetMaskName(path);
        QCOMPARE(p.MaskName, name);
        p.MaskName = before.MaskName;
        QCOMPARE(FirstDifference(p, before), -1);
    }

    void programFolder() {
        const QString folder = home_.path() + QStringLiteral("/Vellumora");
        QCOMPARE(ProgramFolder(), folder);
        QVERIFY(QFileInfo(folder).isDir());
        QCOMPARE(MasksFolder(), folder + QStringLiteral("/Masks"));
        QCOMPARE(TemplatesFile(), folder + QStringLiteral("/Templates.dat"));
    }

    void shippedDataFolder() {
        const QString beside = QDir::cleanPath(QCoreApplication::applicationDirPath() +
                                               QStringLiteral("/../share/vellumora"));
        if (!QFileInfo(beside).isDir()) QSKIP("no data folder beside this executable");
        QCOMPARE(ShippedDataFolder(), beside);
    }

    // Where the shipped masks and guide are looked for. A machine of folders made under a
    // temporary root: "dir" makes a folder, "file" a plain file; paths below are relative
    // to the root ("" is no folder at all).
    void shippedDataFolderOf_data() {
        QTest::addColumn<QStringList>("made");
        QTest::addColumn<QString>("program");    // the executable's folder
        QTest::addColumn<QString>("installed");  // the prefix's folder this build knows
        QTest::addColumn<QString>("expected");
        const QString built = QStringLiteral("wt/build/release/share/vellumora");
        const QString local = QStringLiteral("usr/local/share/vellumora");
        const QString package = QStringLiteral("usr/share/vellumora");
        QTest::newRow("build tree, before an install")
            << QStringList{"dir " + built, "dir wt/build/release/bin", "dir " + local}
            << "wt/build/release/bin" << local << built;
        QTest::newRow("package in /usr, built for /usr/local")
            << QStringList{"dir " + package, "dir usr/bin"} << "usr/bin" << local << package;
        QTest::newRow("package and an older /usr/local install")
            << QStringList{"dir " + package, "dir usr/bin", "dir " + local} << "usr/bin" << local
            << package;
        QTest::newRow("checkout moved away")
            << QStringList{"dir " + local} << "wt/build/release/bin" << local << local;
        QTest::newRow("moved prefix") << QStringList{"dir opt/v/share/vellumora", "dir opt/v/bin"}
                                      << "opt/v/bin" << local << "opt/v/share/vellumora";
        QTest::newRow("no application object")
            << QStringList{"dir " + built, "dir " + local} << "" << local << local;
        QTest::newRow("a file of that name")
            << QStringList{"file " + built, "dir wt/build/release/bin", "dir " + local}
            << "wt/build/release/bin" << local << local;
        QTest::newRow("nothing shipped") << QStringList{"dir usr/bin"} << "usr/bin" << local << "";
        QTest::newRow("nothing known") << QStringList{"dir " + package} << ""
                                       << ""
                                       << "";
    }

    void shippedDataFolderOf() {
        QFETCH(QStringList, made);
        QFETCH(QString, program);
        QFETCH(QString, installed);
        QFETCH(QString, expected);
        QTemporaryDir root;
        const QDir top(root.path());
        for (const QString& entry : std::as_const(made)) {
            const QString path = entry.section(QLatin1Char(' '), 1);
            if (entry.startsWith(QLatin1String("dir "))) {
                QVERIFY(top.mkpath(path));
            } else {
                QVERIFY(top.mkpath(QFileInfo(path).path()));
                test::WriteBytes(top.filePath(QFileInfo(path).path()), QFileInfo(path).fileName(),
                                 "not a folder");
            }
        }
        const auto under = [&](const QString& path) {
            return path.isEmpty() ? QString() : top.filePath(path);
        };
        QCOMPARE(ShippedDataFolderOf(under(program), under(installed)), under(expected));
    }

    void masksCopiedOnce() {
        QTemporaryDir home, shipped;
        qputenv("XDG_DATA_HOME", home.path().toUtf8());
        const auto restore = qScopeGuard([&] { qputenv("XDG_DATA_HOME", home_.path().toUtf8()); });
        QVERIFY(QDir(shipped.path()).mkpath(QStringLiteral("masks/sub")));
        test::WriteBytes(shipped.filePath(QStringLiteral("masks")), QStringLiteral("oval.png"),
                         "oval");
        test::WriteBytes(shipped.filePath(QStringLiteral("masks")), QStringLiteral("star.png"),
                         "star");

        QVERIFY(PrepareProgramFolder(shipped.path()));
        const QDir masks(home.path() + QStringLiteral("/Vellumora/Masks"));
        QCOMPARE(masks.entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
                 QStringList({"oval.png", "star.png"}));

        // A mask the user deleted stays deleted, and newly shipped ones are not pushed in.
        QVERIFY(QFile::remove(masks.filePath(QStringLiteral("oval.png"))));
        test::WriteBytes(shipped.filePath(QStringLiteral("masks")), QStringLiteral("new.png"),
                         "new");
        QVERIFY(PrepareProgramFolder(shipped.path()));
        QCOMPARE(masks.entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
                 QStringList({"star.png"}));
    }
};

QTEST_GUILESS_MAIN(TestPhotoInfo)
#include "test_photoinfo.moc"
