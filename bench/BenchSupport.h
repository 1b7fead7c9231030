#pragma once

// Shared helpers of the benchmarks: a monotonic clock, summaries of timing
// samples, the delivered database made by the real creator, and program-data
// folders of their own.

#include <QString>
#include <QTemporaryDir>

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

namespace qv::bench {

// Nanoseconds on CLOCK_MONOTONIC. The clock is the same for every process on
// the machine, so a parent and its child can compare their readings.
std::int64_t nowNs();

// Figures of a series of samples, in the unit they were taken in.
struct Summary {
    std::size_t n = 0;
    double median = 0;
    double min = 0;
    double max = 0;
    double mean = 0;
    double p90 = 0;
    double p99 = 0;
};

Summary summarize(std::vector<double> samples);

// The value below which the given share (0..1) of the samples lies; nearest
// rank on a sorted copy.
double percentile(std::vector<double> samples, double share);

// Collects samples of one measured operation.
class Series {
public:
    explicit Series(std::size_t expected = 0) { m_samples.reserve(expected); }
    void add(double value) { m_samples.push_back(value); }
    void addNs(std::int64_t ns, double unitNs) { m_samples.push_back(double(ns) / unitNs); }
    const std::vector<double> &samples() const { return m_samples; }
    Summary summary() const { return summarize(m_samples); }
    bool isEmpty() const { return m_samples.empty(); }

private:
    std::vector<double> m_samples;
};

// The columns the benchmarks print, one row per series. withP99 adds the
// 99th percentile (for the many-sample database figures).
void printHeader(const QString &unit, bool withP99 = false);
void printRow(const QString &label, const Summary &s, bool withP99 = false, const QString &target = QString());
// "yes"/"NO" against an upper bound, for the target column.
QString verdict(double value, double limit, const QString &text);

// The machine the figures come from: date, cores, compiler build type.
void printMachine(const char *benchmark);

// The file system type of the folder the databases live in; commit times
// depend on it (a tmpfs never syncs).
QString fileSystemType(const QString &path);

// The delivered database, created once per benchmark run by the real
// quorvane-db binary into a private temporary folder.
class DeliveredTemplate {
public:
    DeliveredTemplate();
    bool isValid() const { return m_ok; }
    QString error() const { return m_error; }
    QString path() const; // .../oil.fdb

private:
    QTemporaryDir m_dir;
    bool m_ok = false;
    QString m_error;
};

// Copies a database file and gives it the rights the program's files have.
bool copyDatabase(const QString &from, const QString &to);

// A program-data folder: settings/, database/ (optionally with a copy of the
// given database as oil.fdb) and backup/.
class ProgramDataFolder {
public:
    explicit ProgramDataFolder(const QString &databaseTemplate = QString());
    bool isValid() const { return m_ok; }
    QString path() const;         // with trailing separator
    QString databaseFile() const; // .../database/oil.fdb

private:
    QTemporaryDir m_dir;
    bool m_ok = false;
};

// Reads "--name value" from the command line, or the default.
int intArgument(const QStringList &args, const QString &name, int fallback);

} // namespace qv::bench
