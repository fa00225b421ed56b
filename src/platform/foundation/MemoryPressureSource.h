#pragma once

#include <QObject>
#include <QString>

#include <atomic>
#include <memory>

namespace platform {

class Timer;

// Tells the main thread when the system runs short of memory, with the platform's levels
// (warning 2, critical 4). It listens to pressure-stall triggers on /proc/pressure/memory (2 s
// windows, the only ones an unprivileged process may use), else to the "high" and "max"
// counters of the process's own cgroup v2 memory.events, else reads MemAvailable every 10 s.
// fire() injects a level, for tests and for the listening thread. Main thread; the listening
// thread ends with the object.
class MemoryPressureSource final : public QObject {
    Q_OBJECT

public:
    enum Level { Warning = 2, Critical = 4 };
    enum class Mechanism { None, PressureStall, CgroupEvents, MemAvailable, InjectedOnly };

    // InjectedOnly takes nothing but what fire() injects: for tests whose outcome must not hang
    // on how short of memory the machine running them is.
    enum class Listening { System, InjectedOnly };

    explicit MemoryPressureSource(
        Listening listening = Listening::System, QObject* parent = nullptr);
    ~MemoryPressureSource() override;

    // Starts listening by the first mechanism the system offers (an InjectedOnly source only
    // notes that it started); calling it again does nothing.
    void start();
    Mechanism mechanism() const { return m_mechanism; }

    // A level not reported again for this long has passed: a trigger reports at most once
    // per 2 s window while the stall lasts.
    static constexpr double kCalmInterval = 6.0;

    // Takes a report of `level` on the main thread (the listening thread posts it there):
    // memoryPressure() is emitted only when the level rises above the one in force, so a
    // stall that lasts frees memory once, not at every window; a worse level frees again.
    void fire(Level level);
    // The level in force: 0 once the calm interval passed without a report.
    int currentLevel() const { return m_currentLevel; }

    // The cgroup v2 folder of the process, from the text of /proc/self/cgroup ("0::/path").
    static QString cgroupFolder(const QByteArray& procSelfCgroup);
    // Reads one counter of a memory.events text; -1 when it is missing.
    static qint64 eventCounter(const QByteArray& memoryEvents, const QByteArray& name);
    // The level MemAvailable stands for, 0 for none: under 10 % of MemTotal is a warning,
    // under 5 % critical.
    static int meminfoLevel(const QByteArray& procMeminfo);

signals:
    void memoryPressure(int level);

private:
    bool startPressureStall();
    bool startCgroupEvents();
    void startMemAvailable();

    struct Listener;
    const Listening m_listening;
    Mechanism m_mechanism = Mechanism::None;
    std::shared_ptr<Listener> m_listener;
    std::unique_ptr<Timer> m_meminfoTimer;
    std::unique_ptr<Timer> m_calmTimer;
    int m_lastMeminfoLevel = 0;
    int m_currentLevel = 0;
};

} // namespace platform
