#pragma once
// The local date and time, read through one seam that tests can set.

#include <chrono>
#include <functional>

// A local date-time to the millisecond: a point on the local time line, not UTC.
using TDateTime = std::chrono::local_time<std::chrono::milliseconds>;
using LocalClockSource = std::function<TDateTime()>;

// The current local date and time, from the installed source or from the system clock.
TDateTime Now();

// Replaces the clock (an empty source restores the system clock); returns the previous one.
LocalClockSource SetLocalClock(LocalClockSource source);

// The system's local date and time, whatever source is installed.
TDateTime SystemLocalNow();
