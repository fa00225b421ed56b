#include "document/BXClock.h"

#include <ctime>

const BXClock& BXClock::sharedClock()
{
    static const BXClock clock;
    return clock;
}

BXClock::BXClock() : BXClock(1, 1) { }

BXClock::BXClock(std::uint32_t numerator, std::uint32_t denominator)
    : m_numerator(numerator), m_denominator(denominator == 0 ? 1 : denominator)
{ }

double BXClock::machAbsoluteToTimeInterval(std::uint64_t ticks) const
{
    // A 128-bit product, so a large tick count with a timebase above 1 cannot wrap around;
    // wherever 64 bits suffice the result is the same.
    const unsigned __int128 nanoseconds
        = static_cast<unsigned __int128>(ticks) * m_numerator / m_denominator;
    return static_cast<double>(nanoseconds) * 1e-9;
}

double BXClock::absoluteTime() const
{
    return machAbsoluteToTimeInterval(machAbsoluteTime());
}

std::uint64_t BXClock::machAbsoluteTime()
{
    timespec now {};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<std::uint64_t>(now.tv_sec) * 1'000'000'000u
        + static_cast<std::uint64_t>(now.tv_nsec);
}
