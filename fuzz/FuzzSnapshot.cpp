// Feeds the table snapshots arbitrary tables: the input scripts the platform's two answers and
// the raw bytes of the table, counts and lengths that lie included. Every row that comes out is
// turned into a traffic record and sampled, as the poll cycle does.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>

#include "IPHelper.h"
#include "TrafficUnit.h"

namespace {

// The platform's answers for the current input.
struct Script {
    std::span<const std::uint8_t> data;

    std::uint32_t take32()
    {
        std::uint32_t value = 0;
        const std::size_t n = std::min(data.size(), sizeof value);
        std::memcpy(&value, data.data(), n);
        data = data.subspan(n);
        return value;
    }

    DWORD answer(void* table, ULONG* size)
    {
        const std::uint32_t control = take32();
        const DWORD result = control & 1 ? NO_ERROR : ERROR_INSUFFICIENT_BUFFER;
        if (table == nullptr) {
            // Table sizes up to 64 KiB: enough for dozens of rows of either kind.
            *size = take32() % 65536;
            return control & 2 ? NO_ERROR : ERROR_INSUFFICIENT_BUFFER;
        }
        const std::size_t n = std::min<std::size_t>(*size, data.size());
        std::memcpy(table, data.data(), n);
        data = data.subspan(n);
        return result == NO_ERROR || control & 4 ? NO_ERROR : result;
    }
};

Script script;

}  // namespace

extern "C" DWORD GetIfTable(PMIB_IFTABLE pIfTable, PULONG pdwSize, BOOL)
{
    return script.answer(pIfTable, pdwSize);
}

extern "C" DWORD GetIpAddrTable(PMIB_IPADDRTABLE pIpAddrTable, PULONG pdwSize, BOOL)
{
    return script.answer(pIpAddrTable, pdwSize);
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    script.data = {data, size};
    TMIBIfArray rows;
    GetIfTableArray(rows);
    for (const MIB_IFROW& row : rows) {
        TTraffic traffic(row, nullptr);  // its address lookup reads the rest of the input
        traffic.NewValues(row.dwOutOctets, row.dwInOctets, row.dwSpeed);
        (void)FormatBytes(traffic.InPerSec);
        (void)FormatBitRate(traffic.Speed);
        (void)traffic.GetActiveTime();
    }
    return 0;
}
