#pragma once
// Snapshots of the interface and address tables, and the texts of hardware and IPv4 addresses.
// The routines keep no state; each works on its arguments alone.

#include <string>

#include "IPHLPAPI.h"

// Fills the array with a snapshot of the interface table in the platform's order, or leaves it
// as it was when the table cannot be read, has no rows, or grew between the two calls.
void GetIfTableArray(TMIBIfArray& array);

// The same for the IPv4 address table, sorted by the platform in ascending order of address.
void GetIPAddrTableArray(TMibIPAddrArray& array);

// "02-0A-BC-3D-EF-01" for the first `length` bytes; "00-00-00-00-00-00" for a length of 0.
// A length above 8 is taken as 8: no more than the row's 8 bytes are ever read.
std::string MacAddrToStr(const UCHAR (&physAddr)[MAXLEN_PHYSADDR], DWORD length);

// "192.168.  1. 20": each octet right-aligned in three characters, always 15 characters.
std::string IPAddrToStr(DWORD addr);
