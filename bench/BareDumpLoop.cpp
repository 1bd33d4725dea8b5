// The yardstick of the scale script: one bare rtnetlink link dump per second, on the second,
// until it is stopped. Exits with 1 if a dump fails.

#include <cerrno>
#include <cstdio>
#include <ctime>

#include "BareDump.h"

int main()
{
    timespec next{};
    clock_gettime(CLOCK_MONOTONIC, &next);
    for (;;) {
        if (!brisvale::bench::bareLinkDump()) {
            std::fprintf(stderr, "bare_dump_loop: the link dump failed\n");
            return 1;
        }
        ++next.tv_sec;
        while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &next, nullptr) == EINTR) {
        }
    }
}
