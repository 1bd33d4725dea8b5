// Prints what the snapshot routines see of the interface table, one line per interface:
// index, IPv4 address text, hardware address text, link speed in bit/s, description.
#include <algorithm>
#include <cstdio>
#include <string>

#include "IPHelper.h"
#include "TrafficUnit.h"

namespace {

// The description bytes up to dwDescrLen or the first zero; it is data, so control characters
// are shown as '?'.
std::string printableDescription(const MIB_IFROW& row)
{
    const char* bytes = reinterpret_cast<const char*>(row.bDescr);
    const std::size_t length = std::min<std::size_t>(row.dwDescrLen, MAXLEN_IFDESCR);
    std::string text(bytes, std::find(bytes, bytes + length, '\0'));
    std::replace_if(
        text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 32 || c == 127; },
        '?');
    return text;
}

}  // namespace

int main()
{
    TMIBIfArray rows;
    GetIfTableArray(rows);
    if (rows.empty()) {
        std::fprintf(stderr, "The interface table could not be read or has no rows.\n");
        return 1;
    }
    std::printf("%-6s %-15s %-23s %12s  %s\n", "Index", "IPv4 address", "Hardware address",
                "Speed", "Description");
    for (const MIB_IFROW& row : rows) {
        const std::string address = TTraffic::LookupIPAddress(row.dwIndex);
        const std::string mac = MacAddrToStr(row.bPhysAddr, row.dwPhysAddrLen);
        std::printf("%-6lu %-15s %-23s %12lu  %s\n", static_cast<unsigned long>(row.dwIndex),
                    address.c_str(), mac.c_str(), static_cast<unsigned long>(row.dwSpeed),
                    printableDescription(row).c_str());
    }
    return 0;
}
