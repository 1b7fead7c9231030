#include "app/ServiceCode.h"
#include "device/Telegram.h"

#include <QHash>
#include <QTest>

using namespace qv::app;
using qv::device::TelegramChecksum;

class TstServiceCode : public QObject {
    Q_OBJECT

private slots:
    void checksum_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("expected");
        // The polls of the telegram description, checksum over ">" to "<".
        QTest::newRow("poll 0") << ">0T<"
                                << "FE";
        QTest::newRow("poll 3, sum wraps") << ">3T<"
                                           << "01";
        QTest::newRow("poll A") << ">AT<"
                                << "0F";
        QTest::newRow("poll Z") << ">ZT<"
                                << "28";
        QTest::newRow("empty") << ""
                               << "00";
        QTest::newRow("UTF-16 code of the acute accent") << QStringLiteral("\u00B4") << "B4";
    }

    void checksum()
    {
        QFETCH(QString, text);
        QFETCH(QString, expected);
        QCOMPARE(TelegramChecksum(text), expected);
    }

    // Digits, then the two hex digits of their checksum; a new code every
    // day, across a leap year and its boundaries.
    void codeFormAndDailyChange()
    {
        QHash<QString, QDate> seen;
        for (QDate d(2023, 12, 31); d <= QDate(2025, 1, 1); d = d.addDays(1)) {
            const QString code = ServiceCodeForDate(d);
            QVERIFY2(code.size() > 2, qPrintable(code));
            const QString digits = code.chopped(2);
            bool numeric = false;
            digits.toLongLong(&numeric);
            QVERIFY2(numeric && !digits.startsWith(QLatin1Char('-')), qPrintable(code));
            QCOMPARE(code.right(2), TelegramChecksum(digits));
            QVERIFY2(!seen.contains(code),
                     qPrintable(QStringLiteral("%1 and %2 share %3")
                                    .arg(seen.value(code).toString(Qt::ISODate), d.toString(Qt::ISODate), code)));
            seen.insert(code, d);
        }
    }
};

QTEST_GUILESS_MAIN(TstServiceCode)
#include "tst_servicecode.moc"
