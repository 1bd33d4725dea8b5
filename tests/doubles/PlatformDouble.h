#pragma once
// A scripted stand-in for the platform's GetIfTable and GetIpAddrTable, linked into the tests in
// place of the real ones. Each table behaves like the platform's (size call, fill call) over the
// rows it holds, unless the test scripts the next answers; every call is recorded.

#include <cstddef>
#include <deque>
#include <functional>
#include <optional>
#include <vector>

#include "IPHLPAPI.h"

namespace brisvale::testing {

struct PlatformCall {
    bool hadBuffer = false;  // a table pointer was passed
    std::optional<ULONG> sizeIn;  // *pdwSize on entry; none for a null size pointer
    BOOL order = 0;
    DWORD result = 0;
};

template <typename Row>
struct ScriptedAnswer {
    DWORD result = NO_ERROR;
    std::optional<ULONG> sizeOut;  // written to *pdwSize when given
    std::optional<std::vector<Row>> rows;  // written to the buffer when given (if it fits)
    std::optional<DWORD> numEntries;  // the count written, when it should lie about the rows
};

template <typename Row>
class TableDouble {
public:
    // The platform's current table, answered by unscripted calls.
    std::vector<Row> rows;
    // Answers for the next calls, taken first-in first-out before the live table.
    std::deque<ScriptedAnswer<Row>> script;
    // Runs at the start of every call, with the number of calls made before it.
    std::function<void(std::size_t)> beforeCall;
    std::vector<PlatformCall> calls;

    void reset()
    {
        rows.clear();
        script.clear();
        beforeCall = nullptr;
        calls.clear();
    }

    // The table's size in bytes as the platform lays it out.
    static ULONG sizeFor(std::size_t count)
    {
        return static_cast<ULONG>(sizeof(DWORD) + count * sizeof(Row));
    }

    DWORD answer(void* table, ULONG* size, BOOL order);
};

using IfTableDouble = TableDouble<MIB_IFROW>;
using AddrTableDouble = TableDouble<MIB_IPADDRROW>;

IfTableDouble& ifTable();
AddrTableDouble& addrTable();

// Clears both tables, their scripts and their call records.
void resetPlatform();

// Rows built for tests.
MIB_IFROW makeIfRow(DWORD index, DWORD inOctets = 0, DWORD outOctets = 0, DWORD speed = 0);
MIB_IPADDRROW makeAddrRow(DWORD index, BYTE a, BYTE b, BYTE c, BYTE d);
// Sets dwDescrLen and bDescr from the text, the terminating zero counted.
void setDescription(MIB_IFROW& row, const char* text);

}  // namespace brisvale::testing
