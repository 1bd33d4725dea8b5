#include "LocalClock.h"

#include <utility>

namespace {

LocalClockSource& installedSource()
{
    static LocalClockSource source;
    return source;
}

}  // namespace

TDateTime Now()
{
    const LocalClockSource& source = installedSource();
    return source ? source() : SystemLocalNow();
}

LocalClockSource SetLocalClock(LocalClockSource source)
{
    return std::exchange(installedSource(), std::move(source));
}
