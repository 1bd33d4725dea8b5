// The IP helper calls on Linux.
#include "IPHLPAPI.h"

extern "C" DWORD GetIfTable(PMIB_IFTABLE, PULONG pdwSize, BOOL)
{
    return pdwSize == nullptr ? ERROR_INVALID_PARAMETER : ERROR_NOT_SUPPORTED;
}

extern "C" DWORD GetIpAddrTable(PMIB_IPADDRTABLE, PULONG pdwSize, BOOL)
{
    return pdwSize == nullptr ? ERROR_INVALID_PARAMETER : ERROR_NOT_SUPPORTED;
}
