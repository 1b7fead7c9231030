// The send queue with its retries and acknowledgements, and the polling
// rotation over online and offline controller addresses.

#include "device/PollingRotation.h"
#include "device/SendQueue.h"

#include <QtTest>

using namespace qv::device;

namespace {

// Runs a script against a queue: "send" takes the head (what it sends is
// recorded as the payload), "ack" acknowledges, "+entry" appends an entry.
struct Run {
    QStringList sent;
    QStringList left;
};

Run runScript(const QStringList &initial, const QStringList &script)
{
    SendQueue queue;
    for (const QString &entry : initial)
        queue.append(entry);
    Run run;
    for (const QString &step : script) {
        if (step == QLatin1String("send")) {
            if (queue.isEmpty()) {
                run.sent << QStringLiteral("(empty)");
                continue;
            }
            const SendQueue::Telegram t = queue.takeHead();
            if (!t.payload.isEmpty() && t.address != t.payload.at(0))
                run.sent << QStringLiteral("(address mismatch)");
            run.sent << t.payload;
        } else if (step == QLatin1String("ack")) {
            queue.acknowledge();
        } else if (step.startsWith(QLatin1Char('+'))) {
            queue.append(step.mid(1));
        }
    }
    run.left = queue.entries();
    return run;
}

QStringList sendAll(int n)
{
    return QStringList(n, QStringLiteral("send"));
}

QSet<int> onlineSet(const VrkArray &vrk)
{
    QSet<int> set;
    for (int i = 0; i < VrkCount; ++i)
        if (vrk[std::size_t(i)].Online)
            set.insert(i);
    return set;
}

VrkArray withOnline(const QList<int> &online)
{
    VrkArray vrk;
    for (int i = 0; i < VrkCount; ++i)
        vrk[std::size_t(i)].Address = AddressChar(i);
    for (int i : online)
        vrk[std::size_t(i)].Online = true;
    return vrk;
}

QList<int> polls(PollingRotation &rotation, const VrkArray &vrk, int n)
{
    QList<int> list;
    for (int k = 0; k < n; ++k)
        list << rotation.nextAddress(vrk);
    return list;
}

QList<int> range(int from, int to)
{
    QList<int> list;
    for (int i = from; i <= to; ++i)
        list << i;
    return list;
}

} // namespace

class TestSendQueue : public QObject {
    Q_OBJECT

private slots:
    void retries_data();
    void retries();
    void takeHeadWritesTheRetryCopy();

    void rotationSequences_data();
    void rotationSequences();
    void offlineStartIndexMovesOnPerCycle();
    void everyOfflineAddressIsFoundWithin36Cycles();
    void rotationFollowsOnlineChanges();
};

// --- queue --------------------------------------------------------------------------

void TestSendQueue::retries_data()
{
    QTest::addColumn<QStringList>("initial");
    QTest::addColumn<QStringList>("script");
    QTest::addColumn<QStringList>("sent");
    QTest::addColumn<QStringList>("left");

    QTest::newRow("acknowledged: sent once") << QStringList{"03Vorder"} << QStringList{"send", "ack", "send"}
                                             << QStringList{"3Vorder", "(empty)"} << QStringList{};
    QTest::newRow("unanswered: three times, then dropped")
        << QStringList{"03Vorder"} << sendAll(4) << QStringList{"3Vorder", "3Vorder", "3Vorder", "(empty)"}
        << QStringList{};
    QTest::newRow("acknowledged on the second attempt")
        << QStringList{"03Vorder"} << QStringList{"send", "send", "ack", "send"}
        << QStringList{"3Vorder", "3Vorder", "(empty)"} << QStringList{};
    QTest::newRow("two queued: interleaved")
        << QStringList{"00Va", "05Vb"} << sendAll(7) << QStringList{"0Va", "5Vb", "0Va", "5Vb", "0Va", "5Vb", "(empty)"}
        << QStringList{};
    QTest::newRow("queued later: sent between the retries")
        << QStringList{"00Va"} << QStringList{"send", "+05Vb", "send", "send", "send", "send", "send", "send"}
        << QStringList{"0Va", "0Va", "5Vb", "0Va", "5Vb", "5Vb", "(empty)"} << QStringList{};
    // The acknowledgement removes the copy of the telegram just sent, not
    // whatever stands at the end of the queue.
    QTest::newRow("ack after a newer telegram was queued")
        << QStringList{"00Va"} << QStringList{"send", "+05Vb", "ack"} << QStringList{"0Va"} << QStringList{"05Vb"};
    QTest::newRow("ack on the last attempt leaves the queue")
        << QStringList{"00Va", "05Vb"} << QStringList{"send", "send", "send", "send", "send", "ack"}
        << QStringList{"0Va", "5Vb", "0Va", "5Vb", "0Va"} << QStringList{"25Vb"};
    QTest::newRow("second ack changes nothing") << QStringList{"00Va", "05Vb"} << QStringList{"send", "ack", "ack"}
                                                << QStringList{"0Va"} << QStringList{"05Vb"};
    QTest::newRow("ack with nothing sent")
        << QStringList{"00Va"} << QStringList{"ack"} << QStringList{} << QStringList{"00Va"};
    QTest::newRow("ack after the copy was sent removes the next copy")
        << QStringList{"00Va", "05Vb"} << QStringList{"send", "send", "send", "ack", "send", "send"}
        << QStringList{"0Va", "5Vb", "0Va", "5Vb", "5Vb"} << QStringList{};
    QTest::newRow("retry digit 1: two attempts left")
        << QStringList{"10Va"} << sendAll(3) << QStringList{"0Va", "0Va", "(empty)"} << QStringList{};
    QTest::newRow("retry digit 2: last attempt")
        << QStringList{"20Va"} << sendAll(2) << QStringList{"0Va", "(empty)"} << QStringList{};
    QTest::newRow("retry digit 9: last attempt")
        << QStringList{"90Va"} << sendAll(2) << QStringList{"0Va", "(empty)"} << QStringList{};
    QTest::newRow("not a digit: last attempt")
        << QStringList{"x0Va"} << sendAll(2) << QStringList{"0Va", "(empty)"} << QStringList{};
    QTest::newRow("not a digit, acknowledged: others stay")
        << QStringList{"x0Va", "05Vb"} << QStringList{"send", "ack"} << QStringList{"0Va"} << QStringList{"05Vb"};
    QTest::newRow("duplicates are separate telegrams")
        << QStringList{"00Va", "00Va"} << QStringList{"send", "ack", "send", "ack"} << QStringList{"0Va", "0Va"}
        << QStringList{};
}

void TestSendQueue::retries()
{
    QFETCH(QStringList, initial);
    QFETCH(QStringList, script);
    QFETCH(QStringList, sent);
    QFETCH(QStringList, left);
    const Run run = runScript(initial, script);
    QCOMPARE(run.sent, sent);
    QCOMPARE(run.left, left);
}

void TestSendQueue::takeHeadWritesTheRetryCopy()
{
    SendQueue queue;
    queue.append(QStringLiteral("0AF0000001234510001"));
    queue.append(QStringLiteral("0BL000000123450"));
    SendQueue::Telegram t = queue.takeHead();
    QCOMPARE(t.address, QChar('A'));
    QCOMPARE(t.payload, QStringLiteral("AF0000001234510001"));
    QCOMPARE(queue.entries(), (QStringList{"0BL000000123450", "1AF0000001234510001"}));
    t = queue.takeHead();
    QCOMPARE(t.address, QChar('B'));
    QCOMPARE(queue.entries(), (QStringList{"1AF0000001234510001", "1BL000000123450"}));
    t = queue.takeHead();
    QCOMPARE(queue.entries(), (QStringList{"1BL000000123450", "2AF0000001234510001"}));
    queue.takeHead();
    queue.takeHead();
    QCOMPARE(queue.entries(), (QStringList{"2BL000000123450"}));
    QCOMPARE(queue.size(), 1);
    queue.takeHead();
    QVERIFY(queue.isEmpty());
}

// --- rotation ---------------------------------------------------------------------------

void TestSendQueue::rotationSequences_data()
{
    QTest::addColumn<QList<int>>("online");
    QTest::addColumn<QList<int>>("expected");

    // Adresse starts at 0, so the first cycle starts at index 1; the
    // offline search starts at InactiveAdresse + 1.
    QTest::newRow("none online: offline ones in rotation") << QList<int>{} << range(1, 35) + QList<int>{0, 1, 2};
    QTest::newRow("all online: the online ones only") << range(0, 35) << range(1, 35) + range(0, 35) + range(0, 3);
    QTest::newRow("0 and 5 online") << QList<int>{0, 5}
                                    << QList<int>{5, 1, 0, 5, 2, 0, 5, 3, 0, 5, 4, 0, 5, 6, 0, 5, 6, 0, 5, 7};
    QTest::newRow("0 online: skipped in the first cycle") << QList<int>{0} << QList<int>{1, 0, 2, 0, 3, 0, 4};
    QTest::newRow("35 online") << QList<int>{35} << QList<int>{35, 1, 35, 2, 35, 3};
    QTest::newRow("all but 17 online") << range(0, 16) + range(18, 35)
                                       << range(1, 16) + range(18, 35) + QList<int>{17} + range(0, 16) + range(18, 35)
            + QList<int>{17, 0};
}

void TestSendQueue::rotationSequences()
{
    QFETCH(QList<int>, online);
    QFETCH(QList<int>, expected);
    PollingRotation rotation;
    QCOMPARE(rotation.Adresse, 0);
    QCOMPARE(rotation.InactiveAdresse, 0);
    const VrkArray vrk = withOnline(online);
    QCOMPARE(polls(rotation, vrk, int(expected.size())), expected);
}

void TestSendQueue::offlineStartIndexMovesOnPerCycle()
{
    // One online address: every cycle is that address and then one offline
    // address; over 36 cycles the start index goes round once, 35 wrapping
    // to 0.
    PollingRotation rotation;
    const VrkArray vrk = withOnline({20});
    QList<int> offline;
    for (int cycle = 0; cycle < 37; ++cycle) {
        QCOMPARE(rotation.nextAddress(vrk), 20);
        offline << rotation.nextAddress(vrk);
        QCOMPARE(rotation.Adresse, -1);
    }
    // Start 20 is online, so 21 is found twice.
    QCOMPARE(offline, (range(1, 19) + QList<int>{21} + range(21, 35) + QList<int>{0, 1}));
    QCOMPARE(rotation.InactiveAdresse, 1);
}

void TestSendQueue::everyOfflineAddressIsFoundWithin36Cycles()
{
    const QList<int> online = {2, 3, 4, 17, 30, 35};
    PollingRotation rotation;
    const VrkArray vrk = withOnline(online);
    QSet<int> foundOffline;
    for (int cycle = 0; cycle < 36; ++cycle) {
        QList<int> cyclePolls;
        int a;
        while (vrk[std::size_t(a = rotation.nextAddress(vrk))].Online)
            cyclePolls << a;
        // All online ones once, ascending (the first cycle starts at 1).
        QCOMPARE(cyclePolls, online);
        foundOffline.insert(a);
    }
    QCOMPARE(foundOffline.size(), VrkCount - int(online.size()));
    QVERIFY(!foundOffline.intersects(onlineSet(vrk)));
}

void TestSendQueue::rotationFollowsOnlineChanges()
{
    PollingRotation rotation;
    VrkArray vrk = withOnline({4, 9});
    QCOMPARE(rotation.nextAddress(vrk), 4);
    // An address coming online above the current one is polled in this cycle.
    vrk[7].Online = true;
    QCOMPARE(rotation.nextAddress(vrk), 7);
    // One going offline before its turn is skipped.
    vrk[9].Online = false;
    QCOMPARE(rotation.nextAddress(vrk), 1);
    QCOMPARE(rotation.nextAddress(vrk), 4);
    QCOMPARE(rotation.nextAddress(vrk), 7);
    QCOMPARE(rotation.nextAddress(vrk), 2);
}

QTEST_GUILESS_MAIN(TestSendQueue)
#include "tst_sendqueue.moc"
