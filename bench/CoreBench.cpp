// The accounting core's per-second work: one sample per interface, the quantity texts of the
// detail view, and one interface-table snapshot over the scripted platform.

#include <benchmark/benchmark.h>

#include "IPHelper.h"
#include "PlatformDouble.h"
#include "TrafficUnit.h"

namespace {

using namespace brisvale::testing;

void BM_NewValues(benchmark::State& state)
{
    resetPlatform();
    TTraffic traffic(makeIfRow(1), nullptr);
    DWORD reading = 0;
    for (auto _ : state) {
        reading += 1500;
        traffic.NewValues(reading, reading / 2, 1000000000);
        benchmark::DoNotOptimize(traffic.AvgInSec);
    }
}
BENCHMARK(BM_NewValues);

void BM_FormatBytes(benchmark::State& state)
{
    const TFormatSettings english{",", "."};
    DWORD amount = 1;
    for (auto _ : state) {
        amount = amount * 2654435761u + 12345;  // spread over every unit
        benchmark::DoNotOptimize(FormatBytes(amount, english));
    }
}
BENCHMARK(BM_FormatBytes);

void BM_GetIfTableArray(benchmark::State& state)
{
    resetPlatform();
    for (DWORD i = 1; i <= static_cast<DWORD>(state.range(0)); ++i)
        ifTable().rows.push_back(makeIfRow(i, i * 100, i * 200, 1000000000));
    for (auto _ : state) {
        TMIBIfArray rows;
        GetIfTableArray(rows);
        benchmark::DoNotOptimize(rows.data());
        ifTable().calls.clear();
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_GetIfTableArray)->Arg(20)->Arg(200)->Arg(2000);

}  // namespace
