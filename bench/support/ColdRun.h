#pragma once

#include <benchmark/benchmark.h>

#include <QString>
#include <QStringList>

#include <chrono>
#include <functional>
#include <optional>

// A piece of benchmark work measured in a fresh process. The benchmark program starts itself
// again with the task's name, sets up as the application does, runs the task once and hands
// back what it measured. A "cold" figure so pays for all a first open after launch pays for
// (opening the file, reading its schema, the first use of every cache), which a new context on
// a connection the benchmark process has already warmed does not.
class ColdRun final {
public:
    struct Measure {
        double seconds = 0; // the timed part alone, without starting the process
        qint64 residentBytes = 0; // growth of the resident size over the timed part
        double count = 0; // what the work found (notes fetched, ...), for the caller to check
        qint64 peakBytes = 0; // the process's largest resident size up to the end of the work
    };

    // Started where the timed part begins; stop() ends it, while its results are still held.
    class Meter final {
    public:
        Meter();
        Measure stop(double count) const;

    private:
        qint64 m_resident;
        std::chrono::steady_clock::time_point m_start;
    };

    // Runs in the child process with the arguments given to run(); nullopt when it failed.
    using Task = std::function<std::optional<Measure>(const QStringList& arguments)>;

    // Registers `task` under `name`, from a static initialiser; gives true.
    static bool add(const QString& name, Task task);
    // Runs the task in a fresh process; nullopt when that process failed or reported nothing.
    static std::optional<Measure> run(const QString& name, const QStringList& arguments);
    // The loop of a benchmark of cold runs (registered with UseManualTime()): each iteration
    // takes the task's timed part. Reports "notes", the count the task found, and
    // "resident_MB", the largest growth, and "peak_MB", the largest resident size; a run that
    // fails, or finds other than `expected` when that is not negative, ends the benchmark with an
    // error.
    static void iterate(benchmark::State& state, const QString& name, const QStringList& arguments,
        double expected = -1);
    // For main(), after the set-up every run shares: when this process was started to run a
    // task, runs it, writes its measure for the parent and gives the exit status.
    static std::optional<int> runRequested(int argc, char** argv);
};
