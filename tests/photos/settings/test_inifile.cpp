#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <climits>

#include "photos/settings/IniFile.h"
#include "support/TestSupport.h"

using namespace vellumora;

namespace {

template <qsizetype N>
QByteArray Bytes(const char (&text)[N]) {
    return QByteArray(text, N - 1);
}  // NULs included

QByteArray Contents(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

}  // namespace

class TestIniFile : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;

private slots:
    void parseInteger_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<int>("value");
        QTest::newRow("decimal") << "123" << true << 123;
        QTest::newRow("leading zeros") << "0000000000000000000042" << true << 42;
        QTest::newRow("int max") << "2147483647" << true << INT_MAX;
        QTest::newRow("int min") << "-2147483648" << true << INT_MIN;
        QTest::newRow("above int max") << "2147483648" << false << 0;
        QTest::newRow("below int min") << "-2147483649" << false << 0;
        QTest::newRow("far too long") << "99999999999999999999999999" << false << 0;
        QTest::newRow("dollar hex") << "$ff" << true << 255;
        QTest::newRow("0X hex") << "0X1f" << true << 31;
        QTest::newRow("hex wraps") << "$FFFFFFFF" << true << -1;
        QTest::newRow("system colour bits") << "$FF000005" << true << int(0xFF000005u);
        QTest::newRow("hex beyond 32 bits") << "0x100000000" << false << 0;
        QTest::newRow("negative hex") << "-$10" << true << -16;
        QTest::newRow("negative hex at int min") << "-0x80000000" << true << INT_MIN;
        QTest::newRow("negative hex past int min") << "-$FFFFFFFF" << false << 0;
        QTest::newRow("bare 0x") << "0x" << false << 0;
        QTest::newRow("bare $") << "$" << false << 0;
        QTest::newRow("empty") << "" << false << 0;
        QTest::newRow("space") << " " << false << 0;
        QTest::newRow("word") << "yes" << false << 0;
        QTest::newRow("trailing letters") << "12abc" << false << 0;
        QTest::newRow("sign after prefix") << "0x-5" << false << 0;
        QTest::newRow("fullwidth digits") << QString::fromUtf8("\uFF11\uFF12") << false << 0;
    }
    void parseInteger() {
        QFETCH(QString, text);
        QFETCH(bool, ok);
        QFETCH(int, value);
        int parsed = 4711;
        QCOMPARE(ParseIniInteger(text, &parsed), ok);
        QCOMPARE(parsed, ok ? value : 4711);
    }

    // Each row reads key K of section S with defaults "dflt", -7 and true.
    void read_data() {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("string");
        QTest::addColumn<int>("integer");
        QTest::addColumn<bool>("boolean");
        const QString a2047(2047, QLatin1Char('a'));
        QTest::newRow("trimmed") << QByteArray("[S]\n  K  =  1 \t\n") << "1" << 1 << true;
        QTest::newRow("names without case") << QByteArray("[s]\nk=0\n") << "0" << 0 << false;
        QTest::newRow("crlf") << QByteArray("[S]\r\nK=$10\r\n") << "$10" << 16 << true;
        QTest::newRow("first key wins") << QByteArray("[S]\nK=1\nK=2\n") << "1" << 1 << true;
        QTest::newRow("first section wins")
            << QByteArray("[S]\nJ=1\n[T]\n[S]\nK=2\n") << "dflt" << -7 << true;
        QTest::newRow("missing key") << QByteArray("[S]\nJ=1\n") << "dflt" << -7 << true;
        QTest::newRow("missing section") << QByteArray("[T]\nK=1\n") << "dflt" << -7 << true;
        QTest::newRow("key before any section") << QByteArray("K=1\n[S]\n") << "dflt" << -7 << true;
        QTest::newRow("comment") << QByteArray("[S]\n;K=1\n") << "dflt" << -7 << true;
        QTest::newRow("equals in value") << QByteArray("[S]\nK=a=b\n") << "a=b" << -7 << true;
        // Found by fuzzing: it read as a CR, and written back as a space.
        QTest::newRow("lone CR in a value reads as written")
            << QByteArray("[S]\nK=a\rb\r\n") << "a b" << -7 << true;
        QTest::newRow("empty value") << QByteArray("[S]\nK=\n") << "" << -7 << true;
        QTest::newRow("word value") << QByteArray("[S]\nK=yes\n") << "yes" << -7 << true;
        QTest::newRow("padded header") << QByteArray("  [ S ] junk\nK=2\n") << "2" << 2 << true;
        QTest::newRow("unclosed header is a plain line")
            << QByteArray("[S]\n[T\nK=-1\n") << "-1" << -1 << true;
        QTest::newRow("binary garbage")
            << Bytes("\x00\xFF\xFE[S\n[S]\n\xC3(\x00=\x01\nK=5") << "5" << 5 << true;
        QTest::newRow("byte order mark")
            << QByteArray("\xEF\xBB\xBF[S]\nK=3\n") << "3" << 3 << true;
        QTest::newRow("long value cut")
            << QByteArray("[S]\nK=") + QByteArray(3000, 'a') << a2047 << -7 << true;
        QTest::newRow("cut never splits a character")
            << QByteArray("[S]\nK=") + QByteArray(2046, 'a') + "\xF0\x9F\x98\x80"
            << a2047.left(2046) << -7 << true;
    }
    void read() {
        QFETCH(QByteArray, file);
        QFETCH(QString, string);
        QFETCH(int, integer);
        QFETCH(bool, boolean);
        const TIniFile ini(test::WriteBytes(dir_.path(), QStringLiteral("read.ini"), file));
        QCOMPARE(ini.ReadString(QStringLiteral("S"), QStringLiteral("K"), QStringLiteral("dflt")),
                 string);
        QCOMPARE(ini.ReadInteger(QStringLiteral("S"), QStringLiteral("K"), -7), integer);
        QCOMPARE(ini.ReadBool(QStringLiteral("S"), QStringLiteral("K"), true), boolean);
    }

    void listing() {
        const TIniFile ini(test::WriteBytes(dir_.path(), QStringLiteral("list.ini"),
                                            "[B]\nk=1\nK=2\n;c=3\n\n[a]\n[b]\nz=1\n"));
        QCOMPARE(ini.Sections(), QStringList({"B", "a"}));
        QCOMPARE(ini.Keys(QStringLiteral("b")), QStringList({"k"}));
        QVERIFY(ini.SectionExists(QStringLiteral("A")));
        QVERIFY(ini.ValueExists(QStringLiteral("B"), QStringLiteral("K")));
        QVERIFY(!ini.ValueExists(QStringLiteral("B"), QStringLiteral("z")));
        QVERIFY(!ini.ValueExists(QStringLiteral("B"), QStringLiteral("c")));
    }

    // Operations: "S/K=V" writes, "-S" erases. A null file starts from no file at all.
    void write_data() {
        QTest::addColumn<QByteArray>("before");
        QTest::addColumn<QStringList>("operations");
        QTest::addColumn<QByteArray>("after");
        const QByteArray two("; top\n[A]\nx=1\ny=2\n\n[B]\nz=3\n");
        QTest::newRow("missing file is created")
            << QByteArray() << QStringList{"S/K=V"} << QByteArray("[S]\nK=V\n");
        QTest::newRow("replaced in place")
            << two << QStringList{"a/X=9"} << QByteArray("; top\n[A]\nx=9\ny=2\n\n[B]\nz=3\n");
        QTest::newRow("new key ends its section")
            << two << QStringList{"A/w=4"} << QByteArray("; top\n[A]\nx=1\ny=2\nw=4\n\n[B]\nz=3\n");
        QTest::newRow("new section ends the file")
            << two << QStringList{"C/k=1"} << two + "\n[C]\nk=1\n";
        QTest::newRow("erase") << two << QStringList{"-a"} << QByteArray("; top\n[B]\nz=3\n");
        QTest::newRow("erased then written goes last")
            << two << QStringList{"-A", "A/x=5"} << QByteArray("; top\n[B]\nz=3\n\n[A]\nx=5\n");
        QTest::newRow("erase takes every copy")
            << QByteArray("[A]\nx=1\n[B]\n[a]\n") << QStringList{"-A"} << QByteArray("[B]\n");
        QTest::newRow("erase missing section") << two << QStringList{"-Q"} << two;
        QTest::newRow("first copy written")
            << QByteArray("[A]\nx=1\n[A]\nx=2\n") << QStringList{"A/x=3"}
            << QByteArray("[A]\nx=3\n[A]\nx=2\n");
        // Kept as they stand, save that invalid UTF-8 comes back as U+FFFD.
        QTest::newRow("other lines kept, crlf read")
            << QByteArray("\xFF junk\r\n [A] ; c\r\ngarbage\r\n;k=0\r\nk = 1 \r\n")
            << QStringList{"A/K=2"}
            << QByteArray("\xEF\xBF\xBD junk\n [A] ; c\ngarbage\n;k=0\nk=2\n");
        QTest::newRow("line breaks in a value")
            << QByteArray() << QStringList{"S/K=a\r\nb"} << QByteArray("[S]\nK=a  b\n");
    }
    void write() {
        QFETCH(QByteArray, before);
        QFETCH(QStringList, operations);
        QFETCH(QByteArray, after);
        const QString path = dir_.filePath(QStringLiteral("write.ini"));
        QFile::remove(path);
        if (!before.isNull()) test::WriteBytes(dir_.path(), QStringLiteral("write.ini"), before);
        TIniFile ini(path);
        for (const QString& op : operations) {
            if (op.startsWith(QLatin1Char('-'))) {
                ini.EraseSection(op.mid(1));
            } else {
                const qsizetype slash = op.indexOf(QLatin1Char('/')),
                                equals = op.indexOf(QLatin1Char('='));
                ini.WriteString(op.left(slash), op.mid(slash + 1, equals - slash - 1),
                                op.mid(equals + 1));
            }
        }
        ini.UpdateFile();
        QCOMPARE(Contents(path), after);
    }

    // The settings files' limits: at each, the file reads; one past, it reads as empty.
    void limits_data() {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<bool>("read");
        QTest::addColumn<int>("valueLength");  // of key v in section A
        const QByteArray head = "[A]\nv=";
        const auto padded = [&](qint64 size) {  // a comment line pads to the size
            QByteArray bytes = head + "x\n;";
            return bytes + QByteArray(size - bytes.size() - 1, 'p') + '\n';
        };
        QTest::newRow("file at the largest size") << padded(TIniFile::kMaxFileSize) << true << 1;
        QTest::newRow("a byte past it") << padded(TIniFile::kMaxFileSize + 1) << false << 0;
        const QByteArray lines = head + "x\n";
        QTest::newRow("lines at the most")
            << lines + QByteArray(TIniFile::kMaxLines - 1 - lines.count('\n'), '\n') << true << 1;
        QTest::newRow("a line past it")
            << lines + QByteArray(TIniFile::kMaxLines - lines.count('\n'), '\n') << false << 0;
        QTest::newRow("value at the longest") << head + QByteArray(TIniFile::kMaxValueLength, 'v')
                                              << true << TIniFile::kMaxValueLength;
        QTest::newRow("a character past it")
            << head + QByteArray(TIniFile::kMaxValueLength + 1, 'v') << true
            << TIniFile::kMaxValueLength;
    }
    void limits() {
        QFETCH(QByteArray, content);
        QFETCH(bool, read);
        QFETCH(int, valueLength);
        QTemporaryDir dir;
        const TIniFile ini(test::WriteBytes(dir.path(), QStringLiteral("limits.ini"), content));
        QCOMPARE(ini.SectionExists(QStringLiteral("A")), read);
        QCOMPARE(ini.ReadString(QStringLiteral("A"), QStringLiteral("v")).size(), valueLength);
    }

    // Each case keeps the file at "target" as it was and fails with its path.
    void refused_data() {
        QTest::addColumn<QString>("setup");
        QTest::newRow("missing folder") << "missing";
        QTest::newRow("parent is a file") << "file";
        QTest::newRow("path is a folder") << "folder";
        QTest::newRow("file too large") << "large";
        QTest::newRow("too many lines") << "lines";
        QTest::newRow("read-only folder") << "readonly";
        QTest::newRow("full disk") << "full";
    }
    void refused() {
        QFETCH(QString, setup);
        QTemporaryDir base;
        test::TSmallDisk disk;
        QString path = base.filePath(QStringLiteral("target.ini"));
        if (setup == QLatin1String("full")) {
            if (disk.Path().isEmpty()) QSKIP("no file system of its own can be mounted here");
            path = test::WriteBytes(disk.Path(), QStringLiteral("target.ini"), "[A]\nk=1\n");
            QVERIFY(disk.Fill());
        } else if (setup == QLatin1String("missing")) {
            path = base.filePath(QStringLiteral("no/target.ini"));
        } else if (setup == QLatin1String("file")) {
            path = test::WriteBytes(base.path(), QStringLiteral("plain"), "x") +
                   QStringLiteral("/target.ini");
        } else if (setup == QLatin1String("folder")) {
            QVERIFY(QDir().mkpath(path));
        } else if (setup == QLatin1String("large")) {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly) && file.write("[A]\nk=1\n") == 8);
            QVERIFY(file.resize(TIniFile::kMaxFileSize + 1));
        } else if (setup == QLatin1String("lines")) {
            test::WriteBytes(base.path(), QStringLiteral("target.ini"),
                             "[A]\n" + QByteArray(TIniFile::kMaxLines - 1, '\n'));
        } else {
            if (geteuid() == 0) QSKIP("root writes into read-only folders");
            test::WriteBytes(base.path(), QStringLiteral("target.ini"), "[A]\nk=1\n");
            QVERIFY(QFile::setPermissions(base.path(), QFile::ReadOwner | QFile::ExeOwner));
        }
        const QByteArray before = Contents(path);

        for (const bool erase : {false, true}) {
            // Erased, the file is empty, which takes no space.
            if (erase && setup == QLatin1String("full")) continue;
            TIniFile ini(path);
            // Oversized files read as empty; the rest hold no file at all.
            QCOMPARE(ini.SectionExists(QStringLiteral("A")),
                     setup == QLatin1String("readonly") || setup == QLatin1String("full"));
            erase ? ini.EraseSection(QStringLiteral("A"))
                  : ini.WriteInteger(QStringLiteral("A"), QStringLiteral("k"), 2);
            try {
                ini.UpdateFile();
                QFAIL("the write was not refused");
            } catch (const TIniError& error) {
                QCOMPARE(error.Message(), QStringLiteral("Unable to write to ") + path);
                // With the system's words for it, of the call that failed.
                QVERIFY2(!error.Reason().isEmpty() && !error.Reason().contains("Unknown error"),
                         qPrintable(error.Reason()));
                if (setup == QLatin1String("full"))
                    QCOMPARE(error.Reason(),
                             QStringLiteral("cannot write file: No space left on device"));
            }
            QCOMPARE(Contents(path), before);
        }
        QFile::setPermissions(base.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
};

QTEST_GUILESS_MAIN(TestIniFile)
#include "test_inifile.moc"
