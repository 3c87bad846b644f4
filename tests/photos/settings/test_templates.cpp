// The template store on real files: numbering, the stored keys, menu captions and the
// default, and writes the file system refuses. The management list is tested through its
// dialog (tests/forms/templates).

#include <QDir>
#include <QFile>
#include <QKeySequence>
#include <QTemporaryDir>
#include <QTest>

#include "photos/settings/IniFile.h"
#include "photos/settings/Templates.h"
#include "support/TestSupport.h"

using namespace vellumora;
using namespace vellumora::test;

namespace {

QStringList MenuCaptions(const QString& path) {
    QStringList captions;
    int number = 1;
    for (const TTemplateItem& t : ListTemplates(TIniFile(path)))
        captions << TemplateMenuCaption(number++, t.description, t.isDefault);
    return captions;
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
        QTest::addColumn<QString>("sections");  // afterwards, in file order
        QTest::newRow("no file") << QByteArray() << "TEMPLATE1"
                                 << "TEMPLATE1";
        QTest::newRow("gap") << QByteArray("[TEMPLATE2]\nMAX=1\n") << "TEMPLATE1"
                             << "TEMPLATE2 TEMPLATE1";
        QTest::newRow("a section without keys is free, in its place")
            << QByteArray("[TEMPLATE1]\n; kept\n[TEMPLATE2]\nMAX=1\n") << "TEMPLATE1"
            << "TEMPLATE1 TEMPLATE2";
        QTest::newRow("names compare without case")
            << QByteArray("[template1]\nMAX=1\n") << "TEMPLATE2"
            << "template1 TEMPLATE2";
    }
    void addTakesTheLowestFreeSection() {
        QFETCH(QByteArray, before);
        QFETCH(QString, added);
        QFETCH(QString, sections);
        const QString path = Store(before);
        QCOMPARE(AddTemplate(TPhotoInfo(), QStringLiteral("New"), false, path), added);
        QCOMPARE(TIniFile(path).Sections().join(QLatin1Char(' ')), sections);
        QCOMPARE(TIniFile(path).ReadString(added, QStringLiteral("DESCRIPTION")), "New");
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

        QCOMPARE(AddTemplate(TPhotoInfo(), QStringLiteral("Four"), false, path), "TEMPLATE2");
        QCOMPARE(TIniFile(path).Sections(),
                 (QStringList{"TEMPLATE1", "TEMPLATE3", "DEFAULT", "TEMPLATE2"}));
        QCOMPARE(MenuCaptions(path), (QStringList{"&1. One", "&2. Three", "&3. Four"}));
    }

    // The section holds the description, then exactly the template keys: no crop,
    // orientation or colour balance. Adding another template keeps the default.
    void addStoresTheTemplateFieldsOnly() {
        const QString path = Store();
        const QString section = AddTemplate(TPhotoInfo(), QStringLiteral("Beach"), true, path);
        AddTemplate(TPhotoInfo(), QStringLiteral("Plain"), false, path);
        TIniFile plain(Store());
        TPhotoInfo().WriteTemplate(plain, QStringLiteral("T"));
        QCOMPARE(TIniFile(path).Keys(section),
                 QStringList{"DESCRIPTION"} + plain.Keys(QStringLiteral("T")));
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
            twelve += QStringLiteral("[TEMPLATE%1]\nDESCRIPTION=T%1\n").arg(i).toUtf8();
            twelveCaptions << QStringLiteral("&%1. T%1").arg(i);
        }
        QTest::newRow("twelve") << twelve << twelveCaptions << -1;
        QTest::newRow("DEFAULT names a missing section")
            << QByteArray("[TEMPLATE1]\nDESCRIPTION=Web\nMAX=400\n[DEFAULT]\nDEFAULT=TEMPLATE9\n")
            << QStringList{"&1. Web"} << -1;
        QTest::newRow("no description")
            << QByteArray("[TEMPLATE4]\nMAX=400\n") << QStringList{"&1. "} << -1;
        QTest::newRow("ampersand shown, not an accelerator")
            << QByteArray("[TEMPLATE1]\nDESCRIPTION=Rock & Roll\n")
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
        for (const QString& caption : captions)
            QCOMPARE(QKeySequence::mnemonic(caption),
                     QKeySequence(Qt::ALT | Qt::Key(Qt::Key_0 + caption.at(1).digitValue())));

        TPhotoInfo expected;
        if (defaultRow >= 0)
            expected.ReadTemplate(path, ListTemplates(TIniFile(path))[defaultRow].section);
        QVERIFY(TPhotoInfo::WithDefaultTemplate(QString(), path).SameTemplate(expected));
        QCOMPARE(expected.Max == 640, defaultRow < 0);
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
        QString path = Store("not a folder") + QStringLiteral("/Templates.dat");
        QString locked;
        if (kind != QLatin1String("parent")) {
            QVERIFY(QDir(dir_.path()).mkpath(kind));
            path = WriteBytes(dir_.filePath(kind), QStringLiteral("Templates.dat"),
                              "[TEMPLATE1]\nDESCRIPTION=Web\n[TEMPLATE2]\nDESCRIPTION=Print\n");
            locked = kind == QLatin1String("file") ? path : dir_.filePath(kind);
            const bool refused = MakeReadOnly(locked);
            if (!refused) QFile::setPermissions(locked, QFile::Permissions(0x7700));
            if (!refused) QSKIP("permissions do not stop this process's writes (root)");
        }
        const QByteArray before = ReadBytes(path);

        QVERIFY_THROWS_EXCEPTION(TIniError, AddTemplate(TPhotoInfo(), "New", true, path));
        TTemplateEdits edits;
        edits.Load(TIniFile(path));
        edits.Remove(0);
        try {
            edits.Save(path);
            QFAIL("the rewrite was not refused");
        } catch (const TIniError& error) {
            QCOMPARE(error.Message(), QStringLiteral("Unable to write to ") + path);
        }
        QCOMPARE(ReadBytes(path), before);
        if (!locked.isEmpty()) QVERIFY(QFile::setPermissions(locked, QFile::Permissions(0x7700)));
    }
};

QTEST_MAIN(TestTemplates)
#include "test_templates.moc"
