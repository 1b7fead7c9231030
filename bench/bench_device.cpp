// bench_device: the device link, on a real embedded database and on a
// pseudo-terminal that behaves like the serial line.
//
//   bench_device [--samples 500] [--older 100000] [--cycles 5] [--log]
//
// (1) Answer time: from a complete received line to the answer queued, with
//     every database statement the line causes, timed around
//     TFormConnection::ProcessTelegram on a copy of the delivered database
//     holding --older finished result rows and a few hundred open orders.
//     (a) release request: status telegram 2 with digit 1 for an open order
//         (status 0) -> the order row set to status 1, the F answer queued;
//     (b) end report: digit 3 for that released order -> the final UPDATE,
//         the L telegram queued.
//     Order check mode, debug monitor on (its lines are dropped by the host),
//     communication log off unless --log.
// (2) Polling cycle: the link polls 36 online controllers over a
//     pseudo-terminal. The controllers' end (a thread on the master side)
//     plays the wire: a byte the PC writes has arrived only 10 bit times
//     after the previous one has, and each answer (status telegram 2, four idle
//     points) is handed to the PC byte by byte at the baud rate. The cycle is
//     the time between two polls of address 0, compared with what the line
//     itself allows: 36 x (poll + answer characters at 10 bits + the 20 ms gap
//     after each answer).

#include "BenchSupport.h"

#include "db/FbConnection.h"
#include "db/FbStatement.h"
#include "db/SqlQuery.h"
#include "db/TUsername.h"
#include "device/DeviceHost.h"
#include "device/TFormConnection.h"
#include "device/Telegram.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QEventLoop>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <poll.h>
#include <time.h>
#include <unistd.h>

using namespace qv;
using device::AddressChar;
using device::FrameTelegram;
using device::PadLeft;

namespace {

constexpr double Ms = 1e6; // ns per ms

// The window as the link sees it, minus the window: every call is accepted
// and dropped; errors that escape a tick are kept for the report.
class SilentHost : public device::DeviceHost {
public:
    db::TUsername username;
    QStringList exceptions;

    bool DebugMonitorActive() const override { return true; }
    void DebugAnzeigeLog(const QString &, bool) override {}
    void StatusDebugAnzeige(const QString &) override {}
    void StatusAnzeige(int, const QString &) override {}
    void ActualizeTableData(bool, bool) override {}
    void RefreshOpenOrders() override {}
    bool ResultAutoUpdate() const override { return false; }
    db::TUsername &Username() override { return username; }
    QString StatusConnectText() override { return QStringLiteral("connected"); }
    QString StatusNotConnectText() override { return QStringLiteral("not connected"); }
    void SetDevicePortStatus(bool) override {}
    void ShowPortError(const QString &message) override { exceptions << QStringLiteral("port: ") + message; }
    void HandleException(QObject *, const std::exception *error, const char *) override
    {
        exceptions << QString::fromLocal8Bit(error ? error->what() : "unknown");
    }
};

// --- Telegrams as a controller sends them -----------------------------------------

// One point block of status telegram 2: digit, 11 order characters, 5
// quantity digits, 3 operator digits.
QString block2(int digit, const QString &rawOrder, const QString &quantity, const QString &operatorNo)
{
    return QString::number(digit) + rawOrder + quantity + operatorNo;
}

QString idleBlock2()
{
    return block2(0, QStringLiteral("00000000000"), QStringLiteral("00000"), QStringLiteral("000"));
}

// Status telegram 2 of address index a: four blocks, date, time; 96 characters.
QString statusTelegram2(int a, const QStringList &blocks)
{
    QString payload = QString(AddressChar(a)) + QLatin1Char('t');
    for (const QString &b : blocks)
        payload += b;
    payload += QStringLiteral("111226") + QStringLiteral("0930");
    return FrameTelegram(payload);
}

// Status telegram 2 with one point reporting and the other three idle.
QString statusTelegram2At(int a, int point, const QString &reporting)
{
    QStringList blocks{idleBlock2(), idleBlock2(), idleBlock2(), idleBlock2()};
    blocks[point - 1] = reporting;
    return statusTelegram2(a, blocks);
}

// --- Database contents ---------------------------------------------------------------

const QString InsertRow = QStringLiteral(
    "INSERT INTO DISPENSINGDATA (ORDERNUMBER, ORDERPOSITION, QUALITY, QUALITYNAME, VRK, POINT, USERNUMBER, "
    "USERNAME, ADDITIONAL, STATUS, SOLL, IST, ACTUAL, DISPENSINGDATETIME) VALUES (:ORDERNUMBER, :ORDERPOSITION, "
    ":QUALITY, :QUALITYNAME, :VRK, :POINT, :USERNUMBER, :USERNAME, :ADDITIONAL, :STATUS, :SOLL, :IST, :ACTUAL, "
    ":DISPENSINGDATETIME)");

// The product connected at points 1..4 of every controller in the delivered
// master data: "011".."014". The delivered tables also name every product and
// operator number.
QString productAt(int point)
{
    return QStringLiteral("01") + QString::number(point);
}

// Order numbers: finished results and open orders come from different ranges,
// so an open order's look-up walks the same index without matching old rows.
QString olderOrderNumber(int i)
{
    return QString::number(1000000 + i / 2);
}
QString openOrderNumber(int i)
{
    return QString::number(5000000 + i);
}
int addressOf(int i)
{
    return i % device::VrkCount;
}
int pointOf(int i)
{
    return (i / device::VrkCount) % 4 + 1;
}

void fillDatabase(db::FbConnection &c, int older, int openOrders)
{
    db::FbTransaction tra(c, db::FbTransaction::Kind::Write);
    db::FbStatement st(c, tra, InsertRow);
    const QDateTime start(QDate(2024, 1, 2), QTime(7, 0));
    // Finished results of the last years: what the indexes carry.
    for (int i = 0; i < older; ++i) {
        const int p = i % 4 + 1;
        st.bind(QStringLiteral("ORDERNUMBER"), olderOrderNumber(i));
        st.bind(QStringLiteral("ORDERPOSITION"), QStringLiteral("0000"));
        st.bind(QStringLiteral("QUALITY"), productAt(p));
        st.bind(QStringLiteral("QUALITYNAME"), productAt(p));
        st.bind(QStringLiteral("VRK"), i % device::VrkCount);
        st.bind(QStringLiteral("POINT"), p);
        st.bind(QStringLiteral("USERNUMBER"), i % 20 + 1);
        st.bind(QStringLiteral("USERNAME"), PadLeft(QString::number(i % 20 + 1), 3, QLatin1Char('0')));
        st.bind(QStringLiteral("ADDITIONAL"), QString());
        st.bind(QStringLiteral("STATUS"), 6);
        st.bind(QStringLiteral("SOLL"), 5.0);
        st.bind(QStringLiteral("IST"), 4.98);
        st.bind(QStringLiteral("ACTUAL"), 0.0);
        st.bind(QStringLiteral("DISPENSINGDATETIME"), start.addSecs(qint64(i) * 600));
        st.execute(tra);
    }
    // Open orders, each naming the product of the point it will be keyed in at.
    const QDateTime today = QDateTime::currentDateTime();
    for (int i = 0; i < openOrders; ++i) {
        st.bind(QStringLiteral("ORDERNUMBER"), openOrderNumber(i));
        st.bind(QStringLiteral("ORDERPOSITION"), QStringLiteral("0000"));
        st.bind(QStringLiteral("QUALITY"), productAt(pointOf(i)));
        st.bind(QStringLiteral("QUALITYNAME"), QVariant());
        st.bind(QStringLiteral("VRK"), 0);
        st.bind(QStringLiteral("POINT"), 0);
        st.bind(QStringLiteral("USERNUMBER"), 0);
        st.bind(QStringLiteral("USERNAME"), QVariant());
        st.bind(QStringLiteral("ADDITIONAL"), QStringLiteral("bay %1").arg(i % 6));
        st.bind(QStringLiteral("STATUS"), 0);
        st.bind(QStringLiteral("SOLL"), 10.0);
        st.bind(QStringLiteral("IST"), 0.0);
        st.bind(QStringLiteral("ACTUAL"), 0.0);
        st.bind(QStringLiteral("DISPENSINGDATETIME"), today);
        st.execute(tra);
    }
    tra.commit();
}

struct OrderRow {
    bool found = false;
    int status = -1, vrk = -1, point = -1, userNumber = -1;
    double ist = -1;
};

OrderRow readOrder(db::FbConnection &c, const QString &orderNumber)
{
    db::SqlQuery q(c, QStringLiteral("SELECT STATUS, VRK, POINT, IST, USERNUMBER FROM DISPENSINGDATA "
                                     "WHERE ORDERNUMBER = :N"));
    q.bind(QStringLiteral("N"), orderNumber);
    q.exec();
    OrderRow row;
    if (q.rowCount() != 1 || !q.next())
        return row;
    row.found = true;
    row.status = q.value(0).toInt();
    row.vrk = q.value(1).toInt();
    row.point = q.value(2).toInt();
    row.ist = q.value(3).toDouble();
    row.userNumber = q.value(4).toInt();
    return row;
}

// Faults are printed (the first few) and make the run fail; they are not
// timings.
struct Faults {
    int count = 0;
    void add(const QString &what)
    {
        if (++count <= 10)
            std::fprintf(stderr, "bench_device: FAULT: %s\n", qPrintable(what));
    }
};

void printLatencyHeader()
{
    std::printf("%-46s %9s %9s %9s %9s %9s %6s  %s\n", "", "median ms", "p90", "p99", "max", "min", "N", "target");
}

void printLatencyRow(const QString &label, const bench::Summary &s)
{
    const bool met = s.median < 2.0 && s.max < 10.0;
    std::printf("%-46s %9.3f %9.3f %9.3f %9.3f %9.3f %6zu  median < 2, max < 10 %s\n", qPrintable(label), s.median,
                s.p90, s.p99, s.max, s.min, s.n, met ? "(met)" : "(MISSED)");
    std::fflush(stdout);
}

// (1) Received line -> answer queued, with the database writes.
void answerTimes(db::FbConnection &c, int samples, int warmup, bool withLog, Faults &faults)
{
    QTemporaryDir userData;
    SilentHost host;
    host.username.OrderCheckValue = int(db::TAdminOrderCheck::oCheck);
    device::TFormConnection link(host, c, userData.path() + QLatin1Char('/'), 1.0);
    link.SetPelvorDivisor(1000);
    link.SetWriteLog(withLog);

    bench::Series release{std::size_t(samples)}, ended{std::size_t(samples)};
    for (int i = 0; i < warmup + samples; ++i) {
        const int a = addressOf(i);
        const int p = pointOf(i);
        const QString number = openOrderNumber(i);
        const QString raw = PadLeft(number, 11, QLatin1Char('0'));
        const QString who = QStringLiteral("order %1 at %2/%3").arg(number).arg(AddressChar(a)).arg(p);

        // The point was idle; the mechanic keys the order in and asks for 5 litres.
        link.VRK()[std::size_t(a)].PointStatus.fill(0);
        link.SendeListe() = device::SendQueue{};
        const QString request = statusTelegram2At(a, p, block2(1, raw, QStringLiteral("05000"), QStringLiteral("000")));
        std::int64_t t0 = bench::nowNs();
        link.ProcessTelegram(request);
        std::int64_t t1 = bench::nowNs();
        if (i >= warmup)
            release.addNs(t1 - t0, Ms);

        const QString answer = QStringLiteral("0") + AddressChar(a) + QStringLiteral("F") + raw +
                               QStringLiteral("1") + QStringLiteral("0000");
        if (link.SendeListe().entries() != QStringList{answer})
            faults.add(who + QStringLiteral(": queue after the request is [%1], expected [%2]")
                                 .arg(link.SendeListe().entries().join(QStringLiteral(", ")), answer));
        OrderRow row = readOrder(c, number);
        if (!row.found || row.status != 1 || row.vrk != a || row.point != p)
            faults.add(who + QStringLiteral(": after the release the row has status %1, VRK %2, point %3")
                                 .arg(row.status)
                                 .arg(row.vrk)
                                 .arg(row.point));

        // The dispensing ended with 2.5 litres, operator 7.
        link.SendeListe() = device::SendQueue{};
        const QString end = statusTelegram2At(a, p, block2(3, raw, QStringLiteral("02500"), QStringLiteral("007")));
        t0 = bench::nowNs();
        link.ProcessTelegram(end);
        t1 = bench::nowNs();
        if (i >= warmup)
            ended.addNs(t1 - t0, Ms);

        const QString drop = QStringLiteral("0") + AddressChar(a) + QStringLiteral("L") + raw + QStringLiteral("0") +
                             QStringLiteral("0000");
        if (link.SendeListe().entries() != QStringList{drop})
            faults.add(who + QStringLiteral(": queue after the end report is [%1], expected [%2]")
                                 .arg(link.SendeListe().entries().join(QStringLiteral(", ")), drop));
        row = readOrder(c, number);
        if (!row.found || row.status != 3 || std::abs(row.ist - 2.5) > 1e-9 || row.userNumber != 7)
            faults.add(who + QStringLiteral(": after the end report the row has status %1, IST %2, operator %3")
                                 .arg(row.status)
                                 .arg(row.ist)
                                 .arg(row.userNumber));
    }
    link.SendeListe() = device::SendQueue{};

    std::printf("(1) received line -> answer queued, with its database statements (%d warm-up pairs not counted)\n",
                warmup);
    printLatencyHeader();
    printLatencyRow(QStringLiteral("(a) release request -> F queued, row status 1"), release.summary());
    printLatencyRow(QStringLiteral("(b) end report -> row stored, L queued"), ended.summary());
    std::printf("\n");
    for (const QString &e : host.exceptions)
        faults.add(QStringLiteral("the host was handed an error: ") + e);
}

// --- (2) The wire ---------------------------------------------------------------------

void sleepUntil(std::int64_t ns)
{
    timespec ts{};
    ts.tv_sec = time_t(ns / 1'000'000'000);
    ts.tv_nsec = long(ns % 1'000'000'000);
    while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &ts, nullptr) == EINTR) {
    }
}

// The controllers' end of the line: 36 controllers with four idle points
// each, on the master side of a pseudo-terminal, with the line's timing.
class WirePeer {
public:
    WirePeer(int master, int baud) : m_master(master), m_charNs(10'000'000'000LL / baud) {}
    ~WirePeer() { stop(); }

    void start() { m_thread = std::thread([this] { run(); }); }
    void stop()
    {
        m_stop = true;
        if (m_thread.joinable())
            m_thread.join();
    }

    // First-byte times of the polls of address 0 seen so far.
    std::vector<std::int64_t> pollsOfZero() const
    {
        const std::lock_guard lock(m_mutex);
        return m_pollsOfZero;
    }
    // From the last byte of an answer handed over to the first byte of the
    // next poll, ns.
    std::vector<double> gaps() const
    {
        const std::lock_guard lock(m_mutex);
        return m_gaps;
    }
    int unexpected() const { return m_unexpected; }
    int writeErrors() const { return m_writeErrors; }
    int polls() const { return m_polls; }

private:
    void run()
    {
        QByteArray frame;
        std::int64_t lineFree = 0;     // when the PC -> controller direction is idle again
        std::int64_t frameStart = 0;   // when the first byte of this frame was seen
        std::int64_t answerEnd = 0;    // when the last answer's line feed was handed over
        char bytes[512];
        while (!m_stop) {
            pollfd pfd{m_master, POLLIN, 0};
            if (::poll(&pfd, 1, 20) <= 0 || !(pfd.revents & POLLIN))
                continue;
            const ssize_t n = ::read(m_master, bytes, sizeof bytes);
            if (n <= 0)
                continue;
            const std::int64_t seen = bench::nowNs();
            for (ssize_t k = 0; k < n; ++k) {
                // A byte is there only when its ten bits have gone over the line.
                const std::int64_t arrived = std::max(seen, lineFree) + m_charNs;
                lineFree = arrived;
                if (frame.isEmpty())
                    frameStart = seen;
                frame.append(bytes[k]);
                if (bytes[k] != '\n')
                    continue;
                const QString line = device::TrimLine(QString::fromLatin1(frame));
                frame.clear();
                const int address = pollAddress(line);
                if (address < 0) {
                    ++m_unexpected;
                    continue;
                }
                ++m_polls;
                {
                    const std::lock_guard lock(m_mutex);
                    if (address == 0)
                        m_pollsOfZero.push_back(frameStart);
                    if (answerEnd != 0)
                        m_gaps.push_back(double(frameStart - answerEnd));
                }
                // The controller answers as soon as the poll is in; its
                // answer reaches the PC at the baud rate.
                const QByteArray answer = (statusTelegram2(address, {idleBlock2(), idleBlock2(), idleBlock2(),
                                                                     idleBlock2()}) +
                                           QLatin1Char('\n'))
                                              .toLatin1();
                for (qsizetype b = 0; b < answer.size(); ++b) {
                    sleepUntil(arrived + (b + 1) * m_charNs);
                    if (::write(m_master, answer.constData() + b, 1) != 1)
                        ++m_writeErrors;
                }
                answerEnd = bench::nowNs();
                lineFree = std::max(lineFree, answerEnd);
            }
        }
    }

    // The address index of a valid poll, -1 for anything else.
    static int pollAddress(const QString &line)
    {
        if (line.size() != 6 || line.at(2) != QLatin1Char('T') || !device::TelegramChecksumValid(line))
            return -1;
        const int address = device::AddressIndex(line.at(1));
        return line == FrameTelegram(QString(line.at(1)) + QLatin1Char('T')) ? address : -1;
    }

    int m_master;
    std::int64_t m_charNs;
    std::thread m_thread;
    std::atomic<bool> m_stop{false};
    mutable std::mutex m_mutex;
    std::vector<std::int64_t> m_pollsOfZero;
    std::vector<double> m_gaps;
    std::atomic<int> m_unexpected{0};
    std::atomic<int> m_writeErrors{0};
    std::atomic<int> m_polls{0};
};

struct CycleFigures {
    bool ok = false;
    bench::Summary cycle; // ms
    bench::Summary gap;   // ms
    double limit = 0;     // ms
    int unexpected = 0;
};

CycleFigures pollingCycle(db::FbConnection &c, int baud, int cycles, Faults &faults)
{
    CycleFigures figures;
    const double charMs = 10.0 * 1000.0 / baud;
    // Poll ">0T<FE" + CR LF, answer 96 characters + LF, then the gap.
    figures.limit = device::VrkCount * ((8 + 97) * charMs + device::TFormConnection::AnswerGap);

    const int master = ::posix_openpt(O_RDWR | O_NOCTTY);
    if (master < 0 || ::grantpt(master) != 0 || ::unlockpt(master) != 0) {
        faults.add(QStringLiteral("no pseudo-terminal: %1").arg(QString::fromLocal8Bit(std::strerror(errno))));
        return figures;
    }
    const QString slave = QString::fromLocal8Bit(::ptsname(master));

    QTemporaryDir userData;
    SilentHost host;
    host.username.OrderCheckValue = int(db::TAdminOrderCheck::oCheck);
    {
        device::TFormConnection link(host, c, userData.path() + QLatin1Char('/'), 1.0);
        // Every controller answers, so no cycle spends an offline address's
        // answer window.
        for (device::TVrkState &vrk : link.VRK())
            vrk.Online = true;
        link.ConnectToDevicePort(slave, baud);
        if (!link.isOpen()) {
            faults.add(QStringLiteral("cannot open %1: %2").arg(slave, host.exceptions.join(QStringLiteral("; "))));
            ::close(master);
            return figures;
        }
        WirePeer peer(master, baud);
        peer.start();

        // The first tick comes a second after opening; then cycles + 1 polls
        // of address 0 give the cycles.
        const std::int64_t deadline = bench::nowNs() + std::int64_t((1000 + (cycles + 2) * 2 * figures.limit) * Ms);
        QEventLoop loop;
        QTimer watch;
        QObject::connect(&watch, &QTimer::timeout, &loop, [&] {
            if (int(peer.pollsOfZero().size()) > cycles || bench::nowNs() > deadline)
                loop.quit();
        });
        watch.start(50);
        loop.exec();
        // The controllers finish the answer they are giving before the line closes.
        peer.stop();
        link.closeLink();

        const std::vector<std::int64_t> zero = peer.pollsOfZero();
        bench::Series cycleSeries, gapSeries;
        for (std::size_t k = 1; k < zero.size(); ++k)
            cycleSeries.addNs(zero[k] - zero[k - 1], Ms);
        for (const double g : peer.gaps())
            gapSeries.add(g / Ms);
        figures.cycle = cycleSeries.summary();
        figures.gap = gapSeries.summary();
        figures.unexpected = peer.unexpected();
        if (peer.writeErrors() != 0)
            faults.add(QStringLiteral("%1 baud: %2 bytes could not be handed to the PC").arg(baud).arg(peer.writeErrors()));
        figures.ok = int(zero.size()) > cycles;
        if (!figures.ok)
            faults.add(QStringLiteral("%1 baud: only %2 polls of address 0 (%3 polls in all) before the deadline")
                           .arg(baud)
                           .arg(zero.size())
                           .arg(peer.polls()));
        for (const device::TVrkState &vrk : link.VRK())
            if (!vrk.Online)
                faults.add(QStringLiteral("%1 baud: address %2 went offline").arg(baud).arg(vrk.Address));
    }
    ::close(master);
    for (const QString &e : host.exceptions)
        faults.add(QStringLiteral("%1 baud: the host was handed an error: %2").arg(baud).arg(e));
    return figures;
}

int run(const QStringList &args)
{
    const int samples = bench::intArgument(args, QStringLiteral("--samples"), 500);
    const int older = bench::intArgument(args, QStringLiteral("--older"), 100000);
    const int cycles = bench::intArgument(args, QStringLiteral("--cycles"), 5);
    const bool withLog = args.contains(QStringLiteral("--log"));
    const int warmup = 20;

    bench::printMachine("bench_device");
    bench::DeliveredTemplate delivered;
    if (!delivered.isValid()) {
        std::fprintf(stderr, "bench_device: %s\n", qPrintable(delivered.error()));
        return 1;
    }
    bench::ProgramDataFolder folder(delivered.path());
    if (!folder.isValid()) {
        std::fprintf(stderr, "bench_device: cannot copy the delivered database\n");
        return 1;
    }
    std::printf("database: copy of the delivered database on %s (forced writes as delivered)\n",
                qPrintable(bench::fileSystemType(folder.databaseFile())));

    db::FbConnection c;
    db::FbConnectionParams params;
    params.database = folder.databaseFile();
    c.attach(params);
    {
        const std::int64_t t0 = bench::nowNs();
        fillDatabase(c, older, warmup + samples);
        std::printf("filled DISPENSINGDATA with %d finished results and %d open orders in %.0f ms\n", older,
                    warmup + samples, double(bench::nowNs() - t0) / Ms);
    }
    std::printf("communication log %s, debug monitor on (lines dropped), order check mode\n\n",
                withLog ? "on" : "off");

    Faults faults;
    answerTimes(c, samples, warmup, withLog, faults);

    std::printf("(2) polling cycle over 36 online controllers, status telegram 2 answers, %d cycles per rate\n",
                cycles);
    std::printf("%-8s %12s %10s %10s %12s %8s %12s %14s %6s  %s\n", "baud", "cycle ms", "min", "max", "line limit",
                "ratio", "over/poll ms", "gap ms (20)", "gaps", "target");
    for (const int baud : {19200, 9600}) {
        const CycleFigures f = pollingCycle(c, baud, cycles, faults);
        if (!f.ok)
            continue;
        const double ratio = f.cycle.median / f.limit;
        std::printf("%-8d %12.1f %10.1f %10.1f %12.1f %8.4f %12.3f %8.2f/%-5.2f %6zu  ratio <= 1.05 %s\n", baud,
                    f.cycle.median, f.cycle.min, f.cycle.max, f.limit, ratio,
                    (f.cycle.median - f.limit) / device::VrkCount, f.gap.median, f.gap.max, f.gap.n,
                    ratio <= 1.05 ? "(met)" : "(MISSED)");
        std::fflush(stdout);
        if (f.unexpected != 0)
            faults.add(QStringLiteral("%1 baud: %2 frames on the line that were not polls").arg(baud).arg(f.unexpected));
    }
    std::printf("over/poll: (cycle - line limit) / 36; gap: from the answer's last byte handed over to the next\n"
                "poll's first byte seen on the line (median/max)\n");
    c.detach();

    if (faults.count != 0) {
        std::fprintf(stderr, "bench_device: %d faults\n", faults.count);
        return 1;
    }
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication application(argc, argv);
    try {
        return run(application.arguments());
    } catch (const std::exception &e) {
        std::fprintf(stderr, "bench_device: %s\n", e.what());
        return 1;
    }
}
