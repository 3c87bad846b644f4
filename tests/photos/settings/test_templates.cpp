// The template store on real files: numbering, menu captions, the default, the management
// list's summaries and edits, and writes the file system refuses.

#include <QDir>
#include <QFile>
#include <QKeySequence>
#include <QTemporaryDir>
#include <QTest>

#include "photos/settings/Fields.h"
#include "photos/settings/IniFile.h"
#include "photos/settings/PhotoInfo.h"
#include "photos/settings/Templates.h"
#include "support/TestSupport.h"

using namespace vellumora;
using namespace vellumora::test;

namespace {

QByteArray ReadAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(missing)");
}

QStringList MenuCaptions(const QString& path) {
    QStringList captions;
    int number = 1;
    for (const TTemplateItem& t : ListTemplates(TIniFile(path)))
        captions << TemplateMenuCaption(number++, t.description, t.isDefault);
    return captions;
}

// The template keys in the order the field table writes them.
QStringList TemplateKeys() {
    QStringList keys;
    for (const TField& field : Fields())
        if (!field.PerPhoto())
            for (const TKey& key : field.keys) keys << QLatin1String(key.name);
    return keys;
}

// A row of the management list as one line: max|watermark|mask|border|shadow.
QString Summary(const TTemplateSummary& t) {
    const auto has = [](bool on) { return on ? QStringLiteral("Has") : QStringLiteral("No"); };
    return QStringList{QString::number(t.max), t.watermark, has(t.mask), has(t.border),
                       has(t.shadow)}
        .join(QLatin1Char('|'));
}

// Template fields that differ from the built-in defaults, and per-photo edits that a
// template must not take.
TPhotoInfo Edited() {
    TPhotoInfo p(QStringLiteral("beach.jpg"));
    p.Max = 800, p.Keep = false, p.Watermark = QStringLiteral("(c) Me"), p.Position = 2;
    p.Font.Name = QStringLiteral("DejaVu Serif"), p.Font.Bold = true, p.Font.SetSize(20);
    p.Opacity = 40, p.MaskName = QStringLiteral("oval.png"), p.MaskColor = 0x102030;
    p.Outside = {6, 0x0000FF}, p.Inside = {2, clBlack}, p.Radius = 5, p.Offset = 4;
    p.Shadow = clBlack, p.Background = 0x00FFFF;
    p.Crop = {1, 2, 30, 40}, p.Rotate = 90, p.Contrast = 20, p.Grayscale = true;
    return p;
}

}  // namespace

class TestTemplates : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    int files_ = 0;

    // A fresh path, holding body unless body is null.
    QString Store(const QByteArray& body = QByteArray()) {
        const QString name = QStringLiteral("t%1.dat").arg(++files_);
        return body.isNull() ? dir_.filePath(name) : WriteBytes(dir_.path(), name, body);
    }

private slots:
    void initTestCase() { QVERIFY(dir_.isValid()); }

    void addTakesTheLowestFreeSection_data() {
        QTest::addColumn<QByteArray>("before");  // null: no file
        QTest::addColumn<QString>("added");
        QTest::addColumn<QStringList>("sections");  // afterwards, in file order
        QTest::newRow("no file") << QByteArray() << "TEMPLATE1" << QStringList{"TEMPLATE1"};
        QTest::newRow("gap at 1") << QByteArray("[TEMPLATE2]\nMAX=1\n") << "TEMPLATE1"
                                  << QStringList{"TEMPLATE2", "TEMPLATE1"};
        QTest::newRow("section without keys is free, in its place")
            << QByteArray("[TEMPLATE1]\n; kept\n[TEMPLATE2]\nMAX=1\n") << "TEMPLATE1"
            << QStringList{"TEMPLATE1", "TEMPLATE2"};
        QTest::newRow("names compare without case")
            << QByteArray("[template1]\nMAX=1\n[DEFAULT]\nDEFAULT=NONE\n") << "TEMPLATE2"
            << QStringList{"template1", "DEFAULT", "TEMPLATE2"};
    }
    void addTakesTheLowestFreeSection() {
        QFETCH(QByteArray, before);
        QFETCH(QString, added);
        QFETCH(QStringList, sections);
        const QString path = Store(before);
        QCOMPARE(AddTemplate(TPhotoInfo(), QStringLiteral("New"), false, path), added);
        const TIniFile file(path);
        QCOMPARE(file.Sections(), sections);
        QCOMPARE(file.ReadString(added, QStringLiteral("DESCRIPTION")), QStringLiteral("New"));
    }

    // Three added, the second removed through the management edits, one more added: it
    // takes number 2 and, written last, ends the file and the menu.
    void removedNumberIsReusedAtTheEnd() {
        const QString path = Store();
        for (const char* name : {"One", "Two", "Three"})
            AddTemplate(TPhotoInfo(), QLatin1String(name), false, path);
        TTemplateEdits edits;
        edits.Load(TIniFile(path));
        QCOMPARE(edits.Remove(1), 1);
        edits.Save(path);

        QCOMPARE(AddTemplate(TPhotoInfo(), QStringLiteral("Four"), false, path),
                 QStringLiteral("TEMPLATE2"));
        QCOMPARE(TIniFile(path).Sections(),
                 (QStringList{"TEMPLATE1", "TEMPLATE3", "DEFAULT", "TEMPLATE2"}));
        QCOMPARE(MenuCaptions(path), (QStringList{"&1. One", "&2. Three", "&3. Four"}));
    }

    // The section holds the description, then exactly the template keys: a template never
    // carries crop, orientation or colour balance. As the default it is what new records
    // start from; records made before keep theirs.
    void addStoresTheTemplateFieldsOnly() {
        const QString path = Store();
        const TPhotoInfo before = TPhotoInfo::WithDefaultTemplate(QString(), path);
        const TPhotoInfo edited = Edited();
        const QString section = AddTemplate(edited, QStringLiteral("Beach"), true, path);

        const TIniFile file(path);
        QCOMPARE(file.Keys(section), QStringList{"DESCRIPTION"} + TemplateKeys());
        QCOMPARE(DefaultTemplateName(path), section);
        const TPhotoInfo after = TPhotoInfo::WithDefaultTemplate(QStringLiteral("new.jpg"), path);
        QVERIFY(after.SameTemplate(edited));
        QCOMPARE(after.Crop, TRect{});
        QCOMPARE(after.Rotate, 0);
        QCOMPARE(after.Contrast, 0);
        QVERIFY(!after.Grayscale);
        QVERIFY(before.SameTemplate(TPhotoInfo()));

        // Another template, not the default: the default stays.
        AddTemplate(TPhotoInfo(), QStringLiteral("Plain"), false, path);
        QCOMPARE(DefaultTemplateName(path), section);
    }

    void menuCaptions_data() {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QStringList>("captions");
        QTest::addColumn<int>("defaultRow");  // the template new records start from; -1 none
        QTest::newRow("Web default, Print")
            << QByteArray(
                   "[TEMPLATE1]\nDESCRIPTION=Web\nMAX=400\n[TEMPLATE2]\nDESCRIPTION="
                   "Print\nMAX=2000\n[DEFAULT]\nDEFAULT=TEMPLATE1\n")
            << QStringList{"&1. Web (Default)", "&2. Print"} << 0;
        QByteArray twelve;
        QStringList twelveCaptions;
        for (int i = 1; i <= 12; ++i) {
            twelve += QStringLiteral("[TEMPLATE%1]\nDESCRIPTION=T%1\nMAX=%1\n").arg(i).toUtf8();
            twelveCaptions << QStringLiteral("&%1. T%1").arg(i);
        }
        QTest::newRow("twelve") << twelve << twelveCaptions << -1;
        QTest::newRow("DEFAULT names a missing section")
            << QByteArray("[TEMPLATE1]\nDESCRIPTION=Web\nMAX=400\n[DEFAULT]\nDEFAULT=TEMPLATE9\n")
            << QStringList{"&1. Web"} << -1;
        QTest::newRow("no description, no DEFAULT section")
            << QByteArray("[TEMPLATE4]\nMAX=400\n") << QStringList{"&1. "} << -1;
        QTest::newRow("ampersand shown, not an accelerator")
            << QByteArray("[TEMPLATE1]\nDESCRIPTION=Rock & Roll\nMAX=400\n")
            << QStringList{"&1. Rock && Roll"} << -1;
        // The store reads [default] and TEMPLATE1 for DEFAULT and template1: so does the
        // mark, on the template new records really get.
        QTest::newRow("names without case")
            << QByteArray("[default]\nDEFAULT=template1\n[TEMPLATE1]\nDESCRIPTION=Web\nMAX=400\n")
            << QStringList{"&1. Web (Default)"} << 0;
        QTest::newRow("missing file") << QByteArray() << QStringList() << -1;
    }
    void menuCaptions() {
        QFETCH(QByteArray, file);
        QFETCH(QStringList, captions);
        QFETCH(int, defaultRow);
        const QString path = Store(file);
        QCOMPARE(MenuCaptions(path), captions);
        // Every accelerator falls on the first digit of the number.
        for (const QString& caption : captions) {
            const auto digit = Qt::Key(Qt::Key_0 + caption.at(1).digitValue());
            QCOMPARE(QKeySequence::mnemonic(caption), QKeySequence(Qt::ALT | digit));
        }

        TPhotoInfo expected;
        if (defaultRow >= 0)
            expected.ReadTemplate(TIniFile(path),
                                  ListTemplates(TIniFile(path))[defaultRow].section);
        const TPhotoInfo made = TPhotoInfo::WithDefaultTemplate(QString(), path);
        QVERIFY(made.SameTemplate(expected));
        QCOMPARE(made.Max == 640, defaultRow < 0);
    }

    void summaries_data() {
        QTest::addColumn<QByteArray>("keys");
        QTest::addColumn<QString>("summary");
        QTest::newRow("no keys") << QByteArray() << "640||No|No|No";
        QTest::newRow("unreadable max") << QByteArray("MAX=big\n") << "640||No|No|No";
        QTest::newRow("everything") << QByteArray(
                                           "MAX=0\nWATERMARK=(c) Me\nMASK=oval.png\n"
                                           "OUTSIDE.WIDTH=1\nRADIUS=3\n")
                                    << "0|(c) Me|Has|Has|Has";
        QTest::newRow("inside band only")
            << QByteArray("OUTSIDE.WIDTH=0\nINSIDE.WIDTH=4\n") << "640||No|Has|No";
        QTest::newRow("no shadow") << QByteArray("RADIUS=0\nOFFSET=0\n") << "640||No|No|No";
        QTest::newRow("offset only") << QByteArray("OFFSET=1\n") << "640||No|No|Has";
        QTest::newRow("negative widths")
            << QByteArray("OUTSIDE.WIDTH=-2\nRADIUS=-1\n") << "640||No|No|No";
    }
    void summaries() {
        QFETCH(QByteArray, keys);
        QFETCH(QString, summary);
        TTemplateEdits edits;
        edits.Load(TIniFile(Store("[TEMPLATE1]\nDESCRIPTION=X\n" + keys)));
        QCOMPARE(edits.Count(), 1);
        QCOMPARE(Summary(edits.Row(0)), summary);
    }

    void listCaptions_data() {
        QTest::addColumn<QString>("description");
        QTest::addColumn<bool>("isDefault");
        QTest::addColumn<QString>("caption");
        QTest::newRow("plain") << "Web" << false << "Web";
        QTest::newRow("default") << "Web" << true << "Web (Default)";
        QTest::newRow("after the last backslash") << "C:\\Photos\\Web" << false << "Web";
        QTest::newRow("after a colon") << "Print: A4" << true << " A4 (Default)";
        QTest::newRow("a slash stays") << "Web/Print" << false << "Web/Print";
        QTest::newRow("nothing after") << "Web\\" << false << "";
    }
    void listCaptions() {
        QFETCH(QString, description);
        QFETCH(bool, isDefault);
        QFETCH(QString, caption);
        TTemplateEdits edits;
        edits.Load(TIniFile(Store("[TEMPLATE1]\nMAX=1\n[DEFAULT]\nDEFAULT=" +
                                  QByteArray(isDefault ? "TEMPLATE1" : "NONE") + "\n")));
        edits.Rename(0, description);
        QCOMPARE(edits.Caption(0), caption);
    }

    // A refused write says so with the file's full path and changes nothing: neither
    // adding nor the management's rewrite leaves part of its work behind.
    void refusedWritesChangeNothing_data() {
        QTest::addColumn<QString>("kind");
        QTest::newRow("parent is a regular file") << "parent";
        QTest::newRow("read-only file") << "file";
        QTest::newRow("read-only folder") << "folder";
    }
    void refusedWritesChangeNothing() {
        QFETCH(QString, kind);
        const QByteArray body =
            "[TEMPLATE1]\nDESCRIPTION=Web\nMAX=400\n[TEMPLATE2]\nDESCRIPTION=Print\n";
        QString path;
        QString locked;
        if (kind == QLatin1String("parent")) {
            path = Store("not a folder") + QStringLiteral("/Templates.dat");
        } else {
            QVERIFY(QDir(dir_.path()).mkpath(kind));
            path = WriteBytes(dir_.filePath(kind), QStringLiteral("Templates.dat"), body);
            locked = kind == QLatin1String("file") ? path : dir_.filePath(kind);
            if (!MakeReadOnly(locked)) {
                QFile::setPermissions(locked, QFile::Permissions(0x7700));
                QSKIP("permissions do not stop this process's writes (root)");
            }
        }
        const QByteArray before = ReadAll(path);
        const QString message = QStringLiteral("Unable to write to ") + path;

        QVERIFY_THROWS_EXCEPTION(TIniError,
                                 AddTemplate(TPhotoInfo(), QStringLiteral("New"), true, path));
        TTemplateEdits edits;
        edits.Load(TIniFile(path));
        edits.Remove(0);
        try {
            edits.Save(path);
            QFAIL("the rewrite was not refused");
        } catch (const TIniError& error) {
            QCOMPARE(error.Message(), message);
        }
        QCOMPARE(ReadAll(path), before);
        if (!locked.isEmpty()) QVERIFY(QFile::setPermissions(locked, QFile::Permissions(0x7700)));
    }
};

QTEST_MAIN(TestTemplates)
#include "test_templates.moc"
