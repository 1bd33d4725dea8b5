#pragma once
// The IP helper interface where the platform has none: the row and table layouts as the
// platform publishes them, its status codes, and the two calls. On Linux the platform layer in
// platform/linux provides the calls, in the tests a scripted double does.

#include <cstddef>
#include <cstdint>

using DWORD = std::uint32_t;
using ULONG = std::uint32_t;  // 32 bits, as on the platform (LLP64)
using BOOL = std::int32_t;
using BYTE = std::uint8_t;
using UCHAR = std::uint8_t;
using WCHAR = char16_t;  // UTF-16 code unit, as on the platform
using IF_INDEX = DWORD;

inline constexpr std::size_t MAX_INTERFACE_NAME_LEN = 256;
inline constexpr std::size_t MAXLEN_PHYSADDR = 8;
inline constexpr std::size_t MAXLEN_IFDESCR = 256;
inline constexpr std::size_t ANY_SIZE = 1;

inline constexpr DWORD NO_ERROR = 0;
inline constexpr DWORD ERROR_GEN_FAILURE = 31;
inline constexpr DWORD ERROR_NOT_SUPPORTED = 50;
inline constexpr DWORD ERROR_INVALID_PARAMETER = 87;
inline constexpr DWORD ERROR_INSUFFICIENT_BUFFER = 122;

// dwType values (IANA ifType).
inline constexpr DWORD IF_TYPE_OTHER = 1;
inline constexpr DWORD IF_TYPE_ETHERNET_CSMACD = 6;
inline constexpr DWORD IF_TYPE_SOFTWARE_LOOPBACK = 24;
inline constexpr DWORD IF_TYPE_IEEE80211 = 71;
inline constexpr DWORD IF_TYPE_TUNNEL = 131;

// dwAdminStatus values.
inline constexpr DWORD MIB_IF_ADMIN_STATUS_UP = 1;
inline constexpr DWORD MIB_IF_ADMIN_STATUS_DOWN = 2;
inline constexpr DWORD MIB_IF_ADMIN_STATUS_TESTING = 3;

// dwOperStatus values (INTERNAL_IF_OPER_STATUS).
inline constexpr DWORD IF_OPER_STATUS_NON_OPERATIONAL = 0;
inline constexpr DWORD IF_OPER_STATUS_UNREACHABLE = 1;
inline constexpr DWORD IF_OPER_STATUS_DISCONNECTED = 2;
inline constexpr DWORD IF_OPER_STATUS_CONNECTING = 3;
inline constexpr DWORD IF_OPER_STATUS_CONNECTED = 4;
inline constexpr DWORD IF_OPER_STATUS_OPERATIONAL = 5;

struct MIB_IFROW {
    WCHAR wszName[MAX_INTERFACE_NAME_LEN];
    IF_INDEX dwIndex;
    DWORD dwType;
    DWORD dwMtu;
    DWORD dwSpeed;
    DWORD dwPhysAddrLen;
    UCHAR bPhysAddr[MAXLEN_PHYSADDR];
    DWORD dwAdminStatus;
    DWORD dwOperStatus;
    DWORD dwLastChange;
    DWORD dwInOctets;
    DWORD dwInUcastPkts;
    DWORD dwInNUcastPkts;
    DWORD dwInDiscards;
    DWORD dwInErrors;
    DWORD dwInUnknownProtos;
    DWORD dwOutOctets;
    DWORD dwOutUcastPkts;
    DWORD dwOutNUcastPkts;
    DWORD dwOutDiscards;
    DWORD dwOutErrors;
    DWORD dwOutQLen;
    DWORD dwDescrLen;
    UCHAR bDescr[MAXLEN_IFDESCR];
};

struct MIB_IFTABLE {
    DWORD dwNumEntries;
    MIB_IFROW table[ANY_SIZE];
};

struct MIB_IPADDRROW {
    DWORD dwAddr;  // network byte order: the first octet is the least significant byte
    IF_INDEX dwIndex;
    DWORD dwMask;
    DWORD dwBCastAddr;
    DWORD dwReasmSize;
    std::uint16_t unused1;
    std::uint16_t wType;
};

struct MIB_IPADDRTABLE {
    DWORD dwNumEntries;
    MIB_IPADDRROW table[ANY_SIZE];
};

using PMIB_IFROW = MIB_IFROW*;
using PMIB_IFTABLE = MIB_IFTABLE*;
using PMIB_IPADDRROW = MIB_IPADDRROW*;
using PMIB_IPADDRTABLE = MIB_IPADDRTABLE*;
using PULONG = ULONG*;

// wType flags of an address row.
inline constexpr std::uint16_t MIB_IPADDR_PRIMARY = 0x0001;

// The platform's calling convention for its calls; the default one here.
#define WINAPI

extern "C" {
// Fills pIfTable with the interface table when *pdwSize is large enough (NO_ERROR); otherwise
// writes the size needed to *pdwSize and answers ERROR_INSUFFICIENT_BUFFER. bOrder: sort by index.
DWORD WINAPI GetIfTable(PMIB_IFTABLE pIfTable, PULONG pdwSize, BOOL bOrder);

// The same for the IPv4 address table. bOrder: sort in ascending order of address.
DWORD WINAPI GetIpAddrTable(PMIB_IPADDRTABLE pIpAddrTable, PULONG pdwSize, BOOL bOrder);
}
