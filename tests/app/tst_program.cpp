// The real program binary: it starts on a delivered database, holds it
// exclusively while it runs, and ends the orderly way on SIGTERM.

#include "DbTest.h"

#include "db/FbConnection.h"
#include "db/FbError.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QTest>

#include <csignal>

using namespace qv;

class TestProgram : public QObject {
    Q_OBJECT
private slots:
    void startsHoldsTheDatabaseAndEndsOnSigterm()
    {
        test::ProgramDataDir dir;
        QProcess program;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QUORVANE_PROGRAMDATA"), dir.path());
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        program.setProcessEnvironment(env);
        program.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        program.start(QStringLiteral(QV_PROGRAM), {});
        QVERIFY(program.waitForStarted());

        // Wait until the program has the file open (seen from outside, so
        // that no probe of ours takes the file first), then give the
        // start-up a moment to finish.
        const QString fdDir = QStringLiteral("/proc/%1/fd").arg(program.processId());
        bool opened = false;
        for (int i = 0; i < 200 && !opened; ++i) {
            QTest::qWait(25);
            for (const QString &fd : QDir(fdDir).entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot))
                opened = opened
                         || QFile::symLinkTarget(fdDir + QLatin1Char('/') + fd)
                                == QFileInfo(dir.databaseFile()).canonicalFilePath();
        }
        QVERIFY2(opened, "the program opened the database");
        QTest::qWait(1000);

        // While it runs, the embedded engine keeps the file to itself.
        try {
            db::FbConnection probe;
            test::attachFile(probe, dir.databaseFile());
            QFAIL("a second process could open the database");
        } catch (const db::FbError &e) {
            QVERIFY2(e.message().contains(QStringLiteral("already opened")), qPrintable(e.message()));
        }

        ::kill(static_cast<pid_t>(program.processId()), SIGTERM);
        QVERIFY2(program.waitForFinished(5000), "SIGTERM ends the program");
        QCOMPARE(program.exitStatus(), QProcess::NormalExit);
        QCOMPARE(program.exitCode(), 0);

        // The database is free again and holds this workstation's row.
        db::FbConnection after;
        test::attachFile(after, dir.databaseFile());
        QCOMPARE(test::count(after, QStringLiteral("SETTINGS")), 1);
    }
};

QTEST_GUILESS_MAIN(TestProgram)
#include "tst_program.moc"
