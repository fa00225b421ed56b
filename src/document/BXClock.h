#pragma once

#include <cstdint>

// The process's monotonic clock for measuring short intervals: the machine's absolute time in
// ticks, converted to seconds through a timebase (ticks × numerator ÷ denominator are
// nanoseconds). On Linux a tick is a nanosecond of CLOCK_MONOTONIC, so the timebase is 1/1.
// Read-only once made, so any thread may use it.
class BXClock final {
public:
    // The one clock of the process, made on first use from any thread.
    static const BXClock& sharedClock();

    // Reads the machine's timebase.
    BXClock();
    // A clock with a given timebase; a zero denominator counts as 1.
    BXClock(std::uint32_t numerator, std::uint32_t denominator);

    std::uint32_t numerator() const { return m_numerator; }
    std::uint32_t denominator() const { return m_denominator; }

    // Seconds for a tick count: nanoseconds in whole units (the division truncates), times
    // 1e-9.
    double machAbsoluteToTimeInterval(std::uint64_t ticks) const;
    // The current absolute time in seconds; the zero point is arbitrary, differences are
    // elapsed seconds.
    double absoluteTime() const;

    // The machine's tick count now.
    static std::uint64_t machAbsoluteTime();

private:
    std::uint32_t m_numerator;
    std::uint32_t m_denominator;
};
