#include "ColdRun.h"

#include "ResidentMemory.h"

#include <QCoreApplication>
#include <QHash>
#include <QProcess>

#include <algorithm>
#include <cstdio>

namespace {

const QString kOption = QStringLiteral("--cold-run=");

QHash<QString, ColdRun::Task>& tasks()
{
    static QHash<QString, ColdRun::Task> registered;
    return registered;
}

} // namespace

ColdRun::Meter::Meter()
    : m_resident(ResidentMemory::bytes()), m_start(std::chrono::steady_clock::now())
{ }

ColdRun::Measure ColdRun::Meter::stop(double count) const
{
    const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - m_start;
    return { elapsed.count(), ResidentMemory::bytes() - m_resident, count,
        ResidentMemory::peakBytes() };
}

bool ColdRun::add(const QString& name, Task task)
{
    tasks().insert(name, std::move(task));
    return true;
}

std::optional<ColdRun::Measure> ColdRun::run(const QString& name, const QStringList& arguments)
{
    QProcess child;
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child.start(
        QCoreApplication::applicationFilePath(), QStringList { kOption + name } + arguments);
    if (!child.waitForFinished(-1) || child.exitStatus() != QProcess::NormalExit
        || child.exitCode() != 0)
        return std::nullopt;
    const QList<QByteArray> fields = child.readAllStandardOutput().simplified().split(' ');
    if (fields.size() != 4)
        return std::nullopt;
    bool secondsRead = false;
    bool residentRead = false;
    bool countRead = false;
    bool peakRead = false;
    const Measure measure { fields[0].toDouble(&secondsRead), fields[1].toLongLong(&residentRead),
        fields[2].toDouble(&countRead), fields[3].toLongLong(&peakRead) };
    if (!secondsRead || !residentRead || !countRead || !peakRead)
        return std::nullopt;
    return measure;
}

void ColdRun::iterate(
    benchmark::State& state, const QString& name, const QStringList& arguments, double expected)
{
    double count = 0;
    qint64 resident = 0;
    qint64 peak = 0;
    for (auto _ : state) {
        const std::optional<Measure> measure = run(name, arguments);
        if (!measure || (expected >= 0 && measure->count != expected)) {
            state.SkipWithError("cold run failed or found a wrong count");
            break;
        }
        state.SetIterationTime(measure->seconds);
        count = measure->count;
        resident = std::max(resident, measure->residentBytes);
        peak = std::max(peak, measure->peakBytes);
    }
    state.counters["notes"] = count;
    state.counters["resident_MB"] = double(resident) / (1024.0 * 1024.0);
    state.counters["peak_MB"] = double(peak) / (1024.0 * 1024.0);
}

std::optional<int> ColdRun::runRequested(int argc, char** argv)
{
    if (argc < 2 || !QString::fromLocal8Bit(argv[1]).startsWith(kOption))
        return std::nullopt;
    const QString name = QString::fromLocal8Bit(argv[1]).mid(kOption.size());
    const auto task = tasks().constFind(name);
    if (task == tasks().cend()) {
        std::fprintf(stderr, "no cold task named %s\n", qPrintable(name));
        return 2;
    }
    QStringList arguments;
    for (int i = 2; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    const std::optional<Measure> measure = (*task)(arguments);
    if (!measure)
        return 1;
    std::printf("%.9f %lld %.0f %lld\n", measure->seconds,
        static_cast<long long>(measure->residentBytes), measure->count,
        static_cast<long long>(measure->peakBytes));
    return 0;
}
