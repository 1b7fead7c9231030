#include "BenchSupport.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStringList>
#include <QSysInfo>
#include <QThread>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <numeric>

#include <sys/vfs.h>

namespace qv::bench {

std::int64_t nowNs()
{
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return std::int64_t(ts.tv_sec) * 1'000'000'000 + ts.tv_nsec;
}

double percentile(std::vector<double> samples, double share)
{
    if (samples.empty())
        return 0;
    std::sort(samples.begin(), samples.end());
    // Nearest rank: the smallest value with at least `share` of the samples
    // at or below it.
    const double rank = std::ceil(share * double(samples.size()));
    const std::size_t index = rank < 1 ? 0 : std::min(samples.size() - 1, std::size_t(rank) - 1);
    return samples[index];
}

Summary summarize(std::vector<double> samples)
{
    Summary s;
    s.n = samples.size();
    if (samples.empty())
        return s;
    std::sort(samples.begin(), samples.end());
    const std::size_t n = samples.size();
    s.min = samples.front();
    s.max = samples.back();
    s.median = n % 2 ? samples[n / 2] : (samples[n / 2 - 1] + samples[n / 2]) / 2;
    s.mean = std::accumulate(samples.begin(), samples.end(), 0.0) / double(n);
    s.p90 = percentile(samples, 0.90);
    s.p99 = percentile(samples, 0.99);
    return s;
}

void printHeader(const QString &unit, bool withP99)
{
    if (withP99)
        std::printf("%-46s %10s %10s %10s %10s %10s %7s  %s\n", "", qPrintable(QStringLiteral("median ") + unit),
                    "min", "p99", "max", "mean", "N", "target");
    else
        std::printf("%-46s %10s %10s %10s %10s %7s  %s\n", "", qPrintable(QStringLiteral("median ") + unit), "min",
                    "max", "mean", "N", "target");
}

void printRow(const QString &label, const Summary &s, bool withP99, const QString &target)
{
    if (withP99)
        std::printf("%-46s %10.4g %10.4g %10.4g %10.4g %10.4g %7zu  %s\n", qPrintable(label), s.median, s.min, s.p99,
                    s.max, s.mean, s.n, qPrintable(target));
    else
        std::printf("%-46s %10.4g %10.4g %10.4g %10.4g %7zu  %s\n", qPrintable(label), s.median, s.min, s.max, s.mean,
                    s.n, qPrintable(target));
    std::fflush(stdout);
}

QString verdict(double value, double limit, const QString &text)
{
    return text + (value < limit ? QStringLiteral(" (met)") : QStringLiteral(" (MISSED)"));
}

namespace {

QString cpuModel()
{
    QFile f(QStringLiteral("/proc/cpuinfo"));
    if (!f.open(QIODevice::ReadOnly))
        return QStringLiteral("?");
    for (const QByteArray &line : f.readAll().split('\n')) {
        if (line.startsWith("model name")) {
            const int colon = line.indexOf(':');
            return QString::fromLatin1(line.mid(colon + 1).trimmed());
        }
    }
    return QStringLiteral("?");
}

} // namespace

void printMachine(const char *benchmark)
{
#ifdef NDEBUG
    const char *build = "optimised build";
#else
    const char *build = "debug build (assertions on)";
#endif
    std::printf("%s  %s\n", benchmark, qPrintable(QDateTime::currentDateTime().toString(Qt::ISODate)));
    std::printf("machine: %d cores, %s, %s, %s\n", QThread::idealThreadCount(), qPrintable(cpuModel()),
                qPrintable(QSysInfo::prettyProductName()), build);
    // Other work on the machine shows in every figure; say how busy it was.
    QFile load(QStringLiteral("/proc/loadavg"));
    if (load.open(QIODevice::ReadOnly))
        std::printf("load average (1, 5, 15 min): %s\n",
                    qPrintable(QString::fromLatin1(load.readAll()).section(QLatin1Char(' '), 0, 2)));
    std::printf("\n");
    std::fflush(stdout);
}

QString fileSystemType(const QString &path)
{
    struct statfs info{};
    if (statfs(QFile::encodeName(path).constData(), &info) != 0)
        return QStringLiteral("?");
    switch (static_cast<unsigned long>(info.f_type)) {
    case 0xEF53:
        return QStringLiteral("ext2/3/4");
    case 0x01021994:
        return QStringLiteral("tmpfs (no real syncs: commit figures are too good)");
    case 0x58465342:
        return QStringLiteral("xfs");
    case 0x9123683E:
        return QStringLiteral("btrfs");
    case 0x794C7630:
        return QStringLiteral("overlayfs");
    default:
        return QStringLiteral("type 0x%1").arg(static_cast<unsigned long>(info.f_type), 0, 16);
    }
}

DeliveredTemplate::DeliveredTemplate()
{
    if (!m_dir.isValid()) {
        m_error = QStringLiteral("no temporary folder");
        return;
    }
    QProcess creator;
    creator.setProcessChannelMode(QProcess::MergedChannels);
    creator.start(QStringLiteral(QV_QUORVANE_DB), {QStringLiteral("create"), path()});
    if (!creator.waitForFinished(120000) || creator.exitStatus() != QProcess::NormalExit || creator.exitCode() != 0) {
        m_error = QStringLiteral("%1 failed: %2 %3")
                      .arg(QStringLiteral(QV_QUORVANE_DB), creator.errorString(),
                           QString::fromLocal8Bit(creator.readAll()).trimmed());
        return;
    }
    m_ok = QFileInfo::exists(path());
    if (!m_ok)
        m_error = QStringLiteral("the creator made no file");
}

QString DeliveredTemplate::path() const
{
    return m_dir.path() + QStringLiteral("/oil.fdb");
}

bool copyDatabase(const QString &from, const QString &to)
{
    QFile::remove(to);
    if (!QFile::copy(from, to))
        return false;
    return QFile::setPermissions(to, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup
                                         | QFileDevice::WriteGroup);
}

ProgramDataFolder::ProgramDataFolder(const QString &databaseTemplate)
{
    if (!m_dir.isValid())
        return;
    QDir root(m_dir.path());
    m_ok = root.mkpath(QStringLiteral("settings")) && root.mkpath(QStringLiteral("database"))
           && root.mkpath(QStringLiteral("backup"));
    if (m_ok && !databaseTemplate.isEmpty())
        m_ok = copyDatabase(databaseTemplate, databaseFile());
}

QString ProgramDataFolder::path() const
{
    return m_dir.path() + QLatin1Char('/');
}

QString ProgramDataFolder::databaseFile() const
{
    return path() + QStringLiteral("database/oil.fdb");
}

int intArgument(const QStringList &args, const QString &name, int fallback)
{
    const int i = args.indexOf(name);
    if (i < 0 || i + 1 >= args.size())
        return fallback;
    bool ok = false;
    const int value = args[i + 1].toInt(&ok);
    return ok && value > 0 ? value : fallback;
}

} // namespace qv::bench
