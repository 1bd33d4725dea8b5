#include <windows.h>

#include "LocalClock.h"

TDateTime SystemLocalNow()
{
    using namespace std::chrono;
    SYSTEMTIME local{};
    GetLocalTime(&local);
    const year_month_day date{year{local.wYear}, month{local.wMonth}, day{local.wDay}};
    return TDateTime{local_days{date}.time_since_epoch() + hours{local.wHour} +
                     minutes{local.wMinute} + seconds{local.wSecond} +
                     milliseconds{local.wMilliseconds}};
}
