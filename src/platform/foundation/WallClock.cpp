#include "WallClock.h"

namespace platform {

namespace {

std::function<QDateTime()>& source()
{
    static std::function<QDateTime()> installed;
    return installed;
}

} // namespace

QDateTime WallClock::now()
{
    return source() ? source()() : QDateTime::currentDateTimeUtc();
}

void WallClock::setSource(std::function<QDateTime()> newSource)
{
    source() = std::move(newSource);
}

} // namespace platform
