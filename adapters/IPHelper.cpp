#include "IPHelper.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>
#include <memory>

namespace {

// One snapshot: ask for the size, obtain a buffer of exactly that size, ask for the table.
// No retry: a table that grew between the two calls leaves the array as it was.
template <typename Table, typename Row, typename Call>
void snapshot(std::vector<Row>& array, BOOL order, Call call)
{
    ULONG size = 0;
    if (call(nullptr, &size, order) != ERROR_INSUFFICIENT_BUFFER)
        return;

    const ULONG bufferSize = size;
    // operator new[] aligns for any fundamental type, so the table may be read in place.
    auto buffer = std::make_unique<std::byte[]>(bufferSize);
    if (call(reinterpret_cast<Table*>(buffer.get()), &size, order) != NO_ERROR)
        return;
    if (bufferSize < offsetof(Table, table))
        return;

    DWORD count = 0;
    std::memcpy(&count, buffer.get(), sizeof count);
    // A count that claims more rows than the buffer holds is cut to the rows it holds.
    const std::size_t fit = (bufferSize - offsetof(Table, table)) / sizeof(Row);
    const std::size_t rows = std::min<std::size_t>(count, fit);
    if (rows == 0)
        return;

    array.resize(rows);
    std::memcpy(array.data(), buffer.get() + offsetof(Table, table), rows * sizeof(Row));
}

}  // namespace

void GetIfTableArray(TMIBIfArray& array)
{
    snapshot<MIB_IFTABLE>(array, BOOL_FALSE, [](MIB_IFTABLE* table, ULONG* size, BOOL order) {
        return GetIfTable(table, size, order);
    });
}

void GetIPAddrTableArray(TMibIPAddrArray& array)
{
    snapshot<MIB_IPADDRTABLE>(array, BOOL_TRUE_ALL_BITS,
                              [](MIB_IPADDRTABLE* table, ULONG* size, BOOL order) {
                                  return GetIpAddrTable(table, size, order);
                              });
}

std::string MacAddrToStr(const UCHAR (&physAddr)[MAXLEN_PHYSADDR], DWORD length)
{
    if (length == 0)
        return "00-00-00-00-00-00";

    std::array<UCHAR, MAXLEN_PHYSADDR> bytes{};
    std::copy(std::begin(physAddr), std::end(physAddr), bytes.begin());
    const std::size_t n = std::min<std::size_t>(length, MAXLEN_PHYSADDR);

    static constexpr char hex[] = "0123456789ABCDEF";
    std::string text;
    text.reserve(3 * n - 1);
    for (std::size_t i = 0; i < n; ++i) {
        if (i > 0)
            text += '-';
        text += hex[bytes[i] >> 4];
        text += hex[bytes[i] & 0x0F];
    }
    return text;
}

std::string IPAddrToStr(DWORD addr)
{
    char text[17];  // four "%3d." pieces and the terminating zero
    const unsigned value = addr;  // "%u" must fit wherever DWORD is unsigned long
    std::snprintf(text, sizeof text, "%3u.%3u.%3u.%3u", value & 0xFFu, (value >> 8) & 0xFFu,
                  (value >> 16) & 0xFFu, value >> 24);
    return text;
}
