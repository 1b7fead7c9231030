#include "app/IniFile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace qv::app;

namespace {

void writeFile(const QString &path, const QByteArray &content)
{
    QFile f(path);
    QVERIFY2(f.open(QIODevice::WriteOnly), qPrintable(f.errorString()));
    f.write(content);
}

QByteArray readFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

class TstIniFile : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        QVERIFY(m_dir.isValid());
        m_file = m_dir.filePath(QStringLiteral("settings.ini"));
        QFile::remove(m_file);
    }

    // A hand-written file spells names differently from the program; each
    // read matches anyway, and a write keeps the file's spelling.
    void namesMatchWithoutRegardToCase()
    {
        writeFile(m_file, "[File]\nlog=1\n[com]\nPORT=/dev/ttyUSB0\n");
        QCOMPARE(IniReadBool(m_file, QStringLiteral("FILE"), QStringLiteral("Log"), false), true);
        QCOMPARE(IniReadString(m_file, QStringLiteral("COM"), QStringLiteral("Port"), QString()),
                 QStringLiteral("/dev/ttyUSB0"));

        IniWriteBool(m_file, QStringLiteral("File"), QStringLiteral("Log"), false);
        IniWriteString(m_file, QStringLiteral("COM"), QStringLiteral("port"), QStringLiteral("/dev/ttyS0"));
        QCOMPARE(readFile(m_file), QByteArray("[File]\nlog=0\n[com]\nPORT=/dev/ttyS0\n"));
        QCOMPARE(IniReadBool(m_file, QStringLiteral("FILE"), QStringLiteral("LOG"), true), false);
    }

    void defaults_data()
    {
        QTest::addColumn<QByteArray>("content"); // null: no file at all
        QTest::addColumn<QString>("section");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("expected");

        const QByteArray file = "Log=1\n[PROGRAM]\nOther=2\n[COM]\nConnect=1\n[Barcode]\n";
        QTest::newRow("no file") << QByteArray() << "PROGRAM"
                                 << "Visible"
                                 << "default";
        QTest::newRow("empty file") << QByteArray("") << "PROGRAM"
                                    << "Visible"
                                    << "default";
        QTest::newRow("no section") << file << "Online"
                                    << "0"
                                    << "default";
        QTest::newRow("no key") << file << "PROGRAM"
                                << "Visible"
                                << "default";
        QTest::newRow("key of another section") << file << "Barcode"
                                                << "Connect"
                                                << "default";
        QTest::newRow("key before any section") << file << "FILE"
                                                << "Log"
                                                << "default";
        QTest::newRow("present") << file << "COM"
                                 << "Connect"
                                 << "1";
        QTest::newRow("empty value is a value") << QByteArray("[COM]\nPort=\n") << "COM"
                                                << "Port"
                                                << "";
    }

    void defaults()
    {
        QFETCH(QByteArray, content);
        QFETCH(QString, section);
        QFETCH(QString, key);
        QFETCH(QString, expected);
        if (!content.isNull())
            writeFile(m_file, content);
        QCOMPARE(IniReadString(m_file, section, key, QStringLiteral("default")), expected);
    }

    void booleans_data()
    {
        QTest::addColumn<QByteArray>("stored");
        QTest::addColumn<bool>("def");
        QTest::addColumn<bool>("expected");

        QTest::newRow("1") << QByteArray("1") << false << true;
        QTest::newRow("0") << QByteArray("0") << true << false;
        QTest::newRow("2") << QByteArray("2") << false << true;
        QTest::newRow("-1") << QByteArray("-1") << false << true;
        QTest::newRow("00") << QByteArray("00") << true << false;
        QTest::newRow("blank around") << QByteArray(" 1 ") << false << true;
        QTest::newRow("too long for any int") << QByteArray("99999999999999999999") << false << true;
        QTest::newRow("abc, default true") << QByteArray("abc") << true << true;
        QTest::newRow("abc, default false") << QByteArray("abc") << false << false;
        QTest::newRow("digits then text") << QByteArray("1x") << false << false;
        QTest::newRow("sign only") << QByteArray("-") << true << true;
        QTest::newRow("empty, default true") << QByteArray("") << true << true;
        QTest::newRow("empty, default false") << QByteArray("") << false << false;
    }

    void booleans()
    {
        QFETCH(QByteArray, stored);
        QFETCH(bool, def);
        QFETCH(bool, expected);
        writeFile(m_file, "[PROGRAM]\nVisible=" + stored + "\n");
        QCOMPARE(IniReadBool(m_file, QStringLiteral("PROGRAM"), QStringLiteral("Visible"), def), expected);
    }

    void booleansAreWrittenAsDigits()
    {
        IniWriteBool(m_file, QStringLiteral("COM"), QStringLiteral("Connect"), true);
        IniWriteBool(m_file, QStringLiteral("Barcode"), QStringLiteral("Connect"), false);
        QCOMPARE(readFile(m_file), QByteArray("[COM]\nConnect=1\n[Barcode]\nConnect=0\n"));
    }

    // What the program writes reads back unchanged, however unusual.
    void valuesReadBackUnchanged_data()
    {
        QTest::addColumn<QString>("value");
        QTest::newRow("empty") << QString();
        QTest::newRow("blanks around") << QStringLiteral("  padded value  ");
        QTest::newRow("equals signs") << QStringLiteral("a=b=c");
        QTest::newRow("looks like a comment") << QStringLiteral("; not a comment");
        QTest::newRow("looks like a section") << QStringLiteral("[not a section]");
        QTest::newRow("quotes") << QStringLiteral("\"quoted\" and 'single'");
        QTest::newRow("non-ASCII") << QStringLiteral("Grüße ´Öl´ Ω 油");
        QTest::newRow("tab") << QStringLiteral("a\tb");
    }

    void valuesReadBackUnchanged()
    {
        QFETCH(QString, value);
        IniWriteString(m_file, QStringLiteral("COM"), QStringLiteral("Port"), value);
        QCOMPARE(IniReadString(m_file, QStringLiteral("COM"), QStringLiteral("Port"), QStringLiteral("x")), value);
        // And again over an existing key, which takes the replacing path.
        IniWriteString(m_file, QStringLiteral("COM"), QStringLiteral("Port"), value + value);
        QCOMPARE(IniReadString(m_file, QStringLiteral("COM"), QStringLiteral("Port"), QStringLiteral("x")),
                 value + value);
    }

    // Error messages often span several lines; written as a value they must
    // not turn into further keys or sections of the file.
    void lineBreaksInAValueCannotAddKeys()
    {
        IniWriteString(m_file, QStringLiteral("Exception"), QStringLiteral("k"),
                       QStringLiteral("first\nsecond\r\n[Online]\r\n0=On"));
        QCOMPARE(IniReadString(m_file, QStringLiteral("Online"), QStringLiteral("0"), QString()), QString());
        QCOMPARE(IniReadString(m_file, QStringLiteral("Exception"), QStringLiteral("k"), QString()),
                 QStringLiteral("first second [Online] 0=On"));
    }

    // Comments, blank lines, unknown keys and other sections stay byte for
    // byte; a new key joins its section, a new section goes to the end; new
    // lines follow the file's line ends.
    void writeKeepsEverythingElse_data()
    {
        QTest::addColumn<QByteArray>("eol");
        QTest::newRow("LF") << QByteArray("\n");
        QTest::newRow("CRLF") << QByteArray("\r\n");
    }

    void writeKeepsEverythingElse()
    {
        QFETCH(QByteArray, eol);
        const QList<QByteArray> before = {"; settings of workstation 3",
                                          "",
                                          "[PROGRAM]",
                                          "Visible=1",
                                          "Unknown Key = some value ",
                                          "",
                                          "[file]",
                                          "LOG = 1",
                                          "# a comment",
                                          "[Online]",
                                          "0=On"};
        const QList<QByteArray> after = {"; settings of workstation 3",
                                         "",
                                         "[PROGRAM]",
                                         "Visible=1",
                                         "Unknown Key = some value ",
                                         "NewKey=x",
                                         "",
                                         "[file]",
                                         "LOG =0",
                                         "# a comment",
                                         "[Online]",
                                         "0=On",
                                         "[COM]",
                                         "Port=/dev/ttyS0"};
        writeFile(m_file, before.join(eol) + eol);

        IniWriteBool(m_file, QStringLiteral("FILE"), QStringLiteral("Log"), false);
        IniWriteString(m_file, QStringLiteral("PROGRAM"), QStringLiteral("NewKey"), QStringLiteral("x"));
        IniWriteString(m_file, QStringLiteral("COM"), QStringLiteral("Port"), QStringLiteral("/dev/ttyS0"));
        QCOMPARE(readFile(m_file), after.join(eol) + eol);
    }

    void writeToAFileWithoutFinalLineEnd()
    {
        writeFile(m_file, "[PROGRAM]\nVisible=1");
        IniWriteString(m_file, QStringLiteral("FILE"), QStringLiteral("Log"), QStringLiteral("1"));
        QCOMPARE(readFile(m_file), QByteArray("[PROGRAM]\nVisible=1\n[FILE]\nLog=1\n"));
    }

    void eraseSection()
    {
        const QByteArray other = "; top\n[PROGRAM]\nVisible=0\n\n";
        const QByteArray tail = "[COM]\nPort=/dev/ttyS0 \n";
        writeFile(m_file, other + "[Online]\n0=On\n; note\n5=On\n" + tail + "[ONLINE]\n7=On\n");
        IniEraseSection(m_file, QStringLiteral("online"));
        QCOMPARE(readFile(m_file), other + tail);
        QCOMPARE(IniReadString(m_file, QStringLiteral("Online"), QStringLiteral("0"), QString()), QString());

        // Erasing what is not there changes nothing and creates nothing.
        IniEraseSection(m_file, QStringLiteral("Barcode"));
        QCOMPARE(readFile(m_file), other + tail);
        const QString absent = m_dir.filePath(QStringLiteral("absent.ini"));
        IniEraseSection(absent, QStringLiteral("Online"));
        QVERIFY(!QFile::exists(absent));

        // Written again after the erase, the section starts afresh.
        IniWriteString(m_file, QStringLiteral("Online"), QStringLiteral("5"), QStringLiteral("On"));
        QCOMPARE(readFile(m_file), other + tail + "[Online]\n5=On\n");
    }

    void writeFailures_data()
    {
        QTest::addColumn<QString>("where"); // relative to the test folder
        QTest::addColumn<QString>("section");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("named"); // what the message must name

        QTest::newRow("missing directory") << "missing/settings.ini"
                                           << "FILE"
                                           << "Log"
                                           << "missing/settings.ini";
        QTest::newRow("path is a directory") << "adir"
                                             << "FILE"
                                             << "Log"
                                             << "adir";
        QTest::newRow("key with =") << "settings.ini"
                                    << "COM"
                                    << "a=b"
                                    << "settings.ini";
        QTest::newRow("section with ]") << "settings.ini"
                                        << "a]b"
                                        << "Port"
                                        << "settings.ini";
        QTest::newRow("key with line break") << "settings.ini"
                                             << "COM"
                                             << "a\n[x]"
                                             << "settings.ini";
        QTest::newRow("empty key") << "settings.ini"
                                   << "COM"
                                   << " "
                                   << "settings.ini";
    }

    void writeFailures()
    {
        QFETCH(QString, where);
        QFETCH(QString, section);
        QFETCH(QString, key);
        QFETCH(QString, named);
        QVERIFY(QDir(m_dir.path()).mkpath(QStringLiteral("adir")));
        const QString file = m_dir.filePath(where);
        const QByteArray existing = readFile(file);
        try {
            IniWriteBool(file, section, key, true);
            QFAIL("the write did not fail");
        } catch (const IniWriteError &e) {
            QVERIFY2(QString::fromUtf8(e.what()).contains(named), e.what());
        }
        QVERIFY(!QDir(m_dir.path()).exists(QStringLiteral("missing")));
        QCOMPARE(readFile(file), existing);
        // Nothing was created, not even a left-over temporary file.
        QCOMPARE(QDir(m_dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList());
    }

    // Damage must not crash: the unreadable lines are kept, but mean nothing.
    void damagedFile()
    {
        const QByteArray junk = QByteArray("\x00\xff\xfe\x01 junk\n", 11) + "[COM\nPort=/dev/ttyS1\n"
            + "no equals sign here\n=value without key\n[FILE]\nLog=1\n\xc3\x28 bad UTF-8\n";
        writeFile(m_file, junk);
        QCOMPARE(IniReadBool(m_file, QStringLiteral("FILE"), QStringLiteral("Log"), false), true);
        QCOMPARE(IniReadString(m_file, QStringLiteral("COM"), QStringLiteral("Port"), QStringLiteral("none")),
                 QStringLiteral("none"));
        QCOMPARE(IniReadString(m_file, QStringLiteral("FILE"), QString(), QStringLiteral("none")),
                 QStringLiteral("none"));

        IniWriteBool(m_file, QStringLiteral("FILE"), QStringLiteral("Log"), false);
        QByteArray expected = junk;
        expected.replace("Log=1", "Log=0");
        QCOMPARE(readFile(m_file), expected);

        // Pure binary content, line breaks included.
        QByteArray binary;
        quint32 x = 12345;
        for (int i = 0; i < 8192; ++i) {
            x = x * 1103515245u + 12345u;
            binary.append(char(x >> 24));
        }
        writeFile(m_file, binary);
        QCOMPARE(IniReadBool(m_file, QStringLiteral("PROGRAM"), QStringLiteral("Visible"), true), true);
        IniWriteBool(m_file, QStringLiteral("PROGRAM"), QStringLiteral("Visible"), false);
        QVERIFY(readFile(m_file).startsWith(binary));
        QCOMPARE(IniReadBool(m_file, QStringLiteral("PROGRAM"), QStringLiteral("Visible"), true), false);
    }

private:
    QTemporaryDir m_dir;
    QString m_file;
};

QTEST_GUILESS_MAIN(TstIniFile)
#include "tst_inifile.moc"
