#pragma once
// The rows of the IP helper tables, made from the kernel's link and address records. Pure.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "IPHLPAPI.h"
#include "RtnetlinkParser.h"

namespace brisvale::platform {

// What a row carries beyond the dump: read from the system once per interface.
struct LinkDetails {
    DWORD speed = 0;  // bit/s
    std::string description;
    bool wireless = false;
};

// The hardware's names from the system's hardware database, when it knows them.
struct HardwareName {
    std::string vendor;
    std::string model;
    bool wireless = false;
};

// The link speed in Mb/s as bit/s, up to the largest 32-bit value; 0 when unknown.
DWORD speedFromMbps(std::uint64_t mbps);

// The IANA interface type of an ARPHRD link type.
DWORD interfaceType(std::uint16_t linkType, bool wireless);

// "Vendor Model (name)" when the hardware is known, else "name (kind)", e.g. "veth0 (veth)".
// At most MAXLEN_IFDESCR - 1 bytes, never cut inside a UTF-8 sequence; the name is kept whole.
std::string describeLink(const HardwareName& hardware, std::string_view name, std::string_view kind,
                         std::uint16_t linkType);

// Overwrites every byte of the row.
void fillIfRow(const LinkInfo& link, const LinkDetails& details, MIB_IFROW& row);

MIB_IPADDRROW makeAddrRow(const AddrInfo& address);

// Ascending order of the address read as a.b.c.d; by interface index among equal addresses.
void sortByAddress(std::vector<AddrInfo>& addresses);

}  // namespace brisvale::platform
