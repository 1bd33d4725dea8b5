#pragma once
// The IP helper interface on Windows: the platform's own headers. The build defines
// WIN32_LEAN_AND_MEAN and NOMINMAX for every user of this header.

// winsock2.h first: windows.h alone would pull in the older winsock.h, which clashes with it.
#include <winsock2.h>
#include <windows.h>
#include <iphlpapi.h>
