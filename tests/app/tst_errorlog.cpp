#include "app/ErrorLog.h"
#include "app/IniFile.h"

#include "../common/TestSupport.h"

#include <QFile>
#include <QRegularExpression>
#include <QTest>

using namespace qv::app;

namespace {

// The entries of error.dat as "key=value" lines, in file order.
QStringList entries(const QString &file)
{
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly | QIODevice::Text))
        return {};
    const QRegularExpression entry(QStringLiteral("^\\d\\d\\.\\d\\d\\.\\d\\d - \\d\\d:\\d\\d:\\d\\d="));
    QStringList found;
    for (const QString &line : QString::fromUtf8(f.readAll()).split(QLatin1Char('\n')))
        if (entry.match(line).hasMatch())
            found.append(line);
    return found;
}

} // namespace

class TstErrorLog : public QObject {
    Q_OBJECT

private slots:
    void keys_data()
    {
        QTest::addColumn<QDateTime>("time");
        QTest::addColumn<QString>("key");
        QTest::newRow("single digits") << QDateTime(QDate(2024, 3, 5), QTime(7, 8, 9)) << "05.03.24 - 07:08:09";
        QTest::newRow("afternoon, 24 hours")
            << QDateTime(QDate(2009, 12, 31), QTime(23, 59, 59, 999)) << "31.12.09 - 23:59:59";
        QTest::newRow("two-digit year") << QDateTime(QDate(2100, 1, 1), QTime(0, 0)) << "01.01.00 - 00:00:00";
    }

    void keys()
    {
        QFETCH(QDateTime, time);
        QFETCH(QString, key);
        QCOMPARE(ErrorLogKey(time), key);
    }

    void oneEntryPerSecond()
    {
        qv::test::ProgramDataDir data(qv::test::ProgramDataDir::Database::None);
        QVERIFY(data.isValid());
        const QString file = data.errorDat();
        const QDateTime t(QDate(2024, 2, 29), QTime(23, 59, 59, 100));

        WriteErrorLog(file, QStringLiteral("# Sender: A - Typ: E - Error: first"), t);
        WriteErrorLog(file, QStringLiteral("# Sender: B - Typ: E - Error: second"), t.addMSecs(400));
        QCOMPARE(entries(file),
                 QStringList {QStringLiteral("29.02.24 - 23:59:59=# Sender: B - Typ: E - Error: second")});

        WriteErrorLog(file, QStringLiteral("ALTER # third"), t.addSecs(1));
        QCOMPARE(entries(file),
                 (QStringList {QStringLiteral("29.02.24 - 23:59:59=# Sender: B - Typ: E - Error: second"),
                               QStringLiteral("01.03.24 - 00:00:00=ALTER # third")}));
        QCOMPARE(IniReadString(file, QStringLiteral("EXCEPTION"), QStringLiteral("01.03.24 - 00:00:00"), QString()),
                 QStringLiteral("ALTER # third"));
    }

    // A database error text spans lines; it stays one entry.
    void multiLineErrorIsOneEntry()
    {
        qv::test::ProgramDataDir data(qv::test::ProgramDataDir::Database::None);
        const QString file = data.errorDat();
        const QDateTime t(QDate(2024, 6, 1), QTime(12, 0, 0));
        WriteErrorLog(file,
                      QStringLiteral("UPDATE # unsuccessful metadata update\n-ALTER TABLE failed\n[Online]\n0=On"), t);
        QCOMPARE(entries(file).size(), 1);
        QCOMPARE(IniReadString(file, QStringLiteral("Online"), QStringLiteral("0"), QString()), QString());
    }

    // The error handler is the last resort: failing to record must not throw.
    void unwritableLogDoesNotThrow()
    {
        qv::test::ProgramDataDir data(qv::test::ProgramDataDir::Database::None);
        const QString file = data.path() + QStringLiteral("no such folder/error.dat");
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("error log.*lost error")));
        WriteErrorLog(file, QStringLiteral("lost error"), QDateTime(QDate(2024, 6, 1), QTime(12, 0, 0)));
        QVERIFY(!QFile::exists(file));
    }
};

QTEST_GUILESS_MAIN(TstErrorLog)
#include "tst_errorlog.moc"
