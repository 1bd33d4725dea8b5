#include <ctime>

#include "LocalClock.h"

TDateTime SystemLocalNow()
{
    using namespace std::chrono;
    const auto now = time_point_cast<milliseconds>(system_clock::now());
    const std::time_t seconds = system_clock::to_time_t(now);
    std::tm local{};
    localtime_r(&seconds, &local);
    return TDateTime{now.time_since_epoch() + std::chrono::seconds{local.tm_gmtoff}};
}
