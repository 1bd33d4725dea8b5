#pragma once
// Row and table layouts of the IP helper interface and the two calls that fill them, with the
// program's snapshot arrays of them. The declarations come from IPHLPAPIPlatform.h, which the
// build picks per system: the platform's own headers on Windows, ours elsewhere.

#include <cstddef>
#include <vector>

#include "IPHLPAPIPlatform.h"

// The order flag as the platform takes it: any non-zero value asks for sorted rows.
inline constexpr BOOL BOOL_FALSE = 0;
inline constexpr BOOL BOOL_TRUE_ALL_BITS = -1;

// The snapshot routines copy whole rows and rely on these layouts.
static_assert(sizeof(MIB_IFROW) == 860);
static_assert(offsetof(MIB_IFROW, wszName) == 0);
static_assert(offsetof(MIB_IFROW, dwIndex) == 512);
static_assert(offsetof(MIB_IFROW, dwType) == 516);
static_assert(offsetof(MIB_IFROW, dwMtu) == 520);
static_assert(offsetof(MIB_IFROW, dwSpeed) == 524);
static_assert(offsetof(MIB_IFROW, dwPhysAddrLen) == 528);
static_assert(offsetof(MIB_IFROW, bPhysAddr) == 532);
static_assert(offsetof(MIB_IFROW, dwAdminStatus) == 540);
static_assert(offsetof(MIB_IFROW, dwOperStatus) == 544);
static_assert(offsetof(MIB_IFROW, dwLastChange) == 548);
static_assert(offsetof(MIB_IFROW, dwInOctets) == 552);
static_assert(offsetof(MIB_IFROW, dwInUcastPkts) == 556);
static_assert(offsetof(MIB_IFROW, dwInNUcastPkts) == 560);
static_assert(offsetof(MIB_IFROW, dwInDiscards) == 564);
static_assert(offsetof(MIB_IFROW, dwInErrors) == 568);
static_assert(offsetof(MIB_IFROW, dwInUnknownProtos) == 572);
static_assert(offsetof(MIB_IFROW, dwOutOctets) == 576);
static_assert(offsetof(MIB_IFROW, dwOutUcastPkts) == 580);
static_assert(offsetof(MIB_IFROW, dwOutNUcastPkts) == 584);
static_assert(offsetof(MIB_IFROW, dwOutDiscards) == 588);
static_assert(offsetof(MIB_IFROW, dwOutErrors) == 592);
static_assert(offsetof(MIB_IFROW, dwOutQLen) == 596);
static_assert(offsetof(MIB_IFROW, dwDescrLen) == 600);
static_assert(offsetof(MIB_IFROW, bDescr) == 604);
static_assert(offsetof(MIB_IFTABLE, table) == 4);
static_assert(sizeof(DWORD) == 4 && sizeof(ULONG) == 4);

static_assert(sizeof(MIB_IPADDRROW) == 24);
static_assert(offsetof(MIB_IPADDRROW, dwAddr) == 0);
static_assert(offsetof(MIB_IPADDRROW, dwIndex) == 4);
static_assert(offsetof(MIB_IPADDRROW, dwMask) == 8);
static_assert(offsetof(MIB_IPADDRROW, dwBCastAddr) == 12);
static_assert(offsetof(MIB_IPADDRROW, dwReasmSize) == 16);
static_assert(offsetof(MIB_IPADDRROW, unused1) == 20);
static_assert(offsetof(MIB_IPADDRROW, wType) == 22);
static_assert(offsetof(MIB_IPADDRTABLE, table) == 4);

// Snapshots of the two tables; the caller owns them.
using TMIBIfArray = std::vector<MIB_IFROW>;
using TMibIPAddrArray = std::vector<MIB_IPADDRROW>;
