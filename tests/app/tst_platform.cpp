#include "app/Directories.h"
#include "app/Platform.h"

#include <QCoreApplication>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <pwd.h>
#include <unistd.h>

using namespace qv::app;

namespace {

// Sets or clears an environment variable for one scope.
class EnvironmentVariable {
public:
    EnvironmentVariable(const char *name, const QByteArray &value)
        : m_name(name), m_old(qgetenv(name)), m_wasSet(qEnvironmentVariableIsSet(name))
    {
        if (value.isNull())
            qunsetenv(name);
        else
            qputenv(name, value);
    }
    ~EnvironmentVariable()
    {
        if (m_wasSet)
            qputenv(m_name, m_old);
        else
            qunsetenv(m_name);
    }

private:
    const char *m_name;
    QByteArray m_old;
    bool m_wasSet;
};

bool digitsOnly(const QString &s)
{
    static const QRegularExpression digits(QStringLiteral("^[0-9]+$"));
    return digits.match(s).hasMatch();
}

} // namespace

class TstPlatform : public QObject {
    Q_OBJECT

private slots:
    void workstationKeyRule_data()
    {
        QTest::addColumn<QString>("uuid");
        QTest::addColumn<QString>("key");
        QTest::newRow("FAT serial") << "ABCD-1234"
                                    << "2882343476";
        QTest::newRow("FAT serial, lower case") << "abcd-1234"
                                                << "2882343476";
        QTest::newRow("ext4 UUID") << "1b4e28ba-2fa1-11d2-883f-0016d3cca427"
                                   << "458107066";
        QTest::newRow("ext4 UUID, upper case") << "1B4E28BA-2FA1-11D2-883F-0016D3CCA427"
                                               << "458107066";
        QTest::newRow("NTFS serial") << "0123456789ABCDEF"
                                     << "19088743";
        QTest::newRow("machine-id") << "3d1219c7c4c5404aaa1f6d2a48adfda4"
                                    << "1024596423";
        QTest::newRow("highest, unsigned") << "FFFF-FFFF"
                                           << "4294967295";
        QTest::newRow("blanks around") << " 0000-0001\n"
                                       << "1";
        QTest::newRow("empty") << ""
                               << "";
        QTest::newRow("too short") << "12-34"
                                   << "";
        QTest::newRow("not hex") << "ABCD-12G4"
                                 << "";
        QTest::newRow("words") << "not-a-uuid-at-all"
                               << "";
    }

    void workstationKeyRule()
    {
        QFETCH(QString, uuid);
        QFETCH(QString, key);
        QCOMPARE(WorkstationKeyFromUuid(uuid), key);
    }

    // Whatever this machine offers (a UUID, the machine id or nothing), the
    // key is digits, the same for every file of one filesystem, and there is
    // one even for a file that does not exist.
    void workstationKeyOfThisMachine()
    {
        const QString program = QCoreApplication::applicationFilePath();
        const QString key = GetWorkstationKey(program);
        QVERIFY2(digitsOnly(key), qPrintable(key));
        QCOMPARE(GetWorkstationKey(QCoreApplication::applicationDirPath()), key);
        const QString missing = GetWorkstationKey(QStringLiteral("/nonexistent/quorvane6"));
        QVERIFY2(digitsOnly(missing), qPrintable(missing));
    }

    void directories_data()
    {
        QTest::addColumn<QByteArray>("programData"); // null: not set
        QTest::addColumn<QString>("expected");
        QTest::newRow("not set") << QByteArray() << "/var/lib/Quorvane 6/";
        QTest::newRow("set empty") << QByteArray("") << "/var/lib/Quorvane 6/";
        QTest::newRow("without slash") << QByteArray("/tmp/qv data") << "/tmp/qv data/";
        QTest::newRow("with slash") << QByteArray("/tmp/qv data/") << "/tmp/qv data/";
    }

    void directories()
    {
        QFETCH(QByteArray, programData);
        QFETCH(QString, expected);
        EnvironmentVariable env("QUORVANE_PROGRAMDATA", programData);
        const Directories d = Directories::resolve(QStringLiteral("/opt/Quorvane 6/bin/quorvane6"));
        QCOMPARE(d.ExeProgramDirectory, QStringLiteral("/opt/Quorvane 6/bin/"));
        QCOMPARE(d.ProgramDataDirectory, expected);
        QCOMPARE(d.UserDataDirectory, expected + QStringLiteral("settings/"));
        QCOMPARE(d.DatabaseDirectory, expected + QStringLiteral("database/"));
        QCOMPARE(d.BackupDirectory, expected + QStringLiteral("backup/"));
    }

    void systemFacts()
    {
        const QString language = GetSystemLanguage();
        QVERIFY2(QRegularExpression(QStringLiteral("^[A-Z]{2}$")).match(language).hasMatch(), qPrintable(language));
        const QString version = GetWindowsVersion();
        QCOMPARE(version, version.trimmed());

        // Without $USER the name comes from the user database.
        EnvironmentVariable env("USER", QByteArray());
        const passwd *pw = getpwuid(geteuid());
        QVERIFY(pw);
        QCOMPARE(GetWindowsUserName(), QString::fromLocal8Bit(pw->pw_name));
    }
};

QTEST_GUILESS_MAIN(TstPlatform)
#include "tst_platform.moc"
