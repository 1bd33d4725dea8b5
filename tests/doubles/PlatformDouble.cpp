#include "PlatformDouble.h"

#include <algorithm>
#include <cstring>

namespace brisvale::testing {

template <typename Row>
DWORD TableDouble<Row>::answer(void* table, ULONG* size, BOOL order)
{
    if (beforeCall)
        beforeCall(calls.size());
    PlatformCall& call = calls.emplace_back();
    call.hadBuffer = table != nullptr;
    call.sizeIn = size != nullptr ? std::optional<ULONG>{*size} : std::nullopt;
    call.order = order;

    auto write = [&](const std::vector<Row>& written, DWORD count) {
        std::memcpy(table, &count, sizeof count);
        if (!written.empty())
            std::memcpy(static_cast<std::byte*>(table) + sizeof(DWORD), written.data(),
                        written.size() * sizeof(Row));
    };

    if (!script.empty()) {
        ScriptedAnswer<Row> scripted = std::move(script.front());
        script.pop_front();
        if (scripted.sizeOut && size != nullptr)
            *size = *scripted.sizeOut;
        if (scripted.rows && table != nullptr && call.sizeIn &&
            *call.sizeIn >= sizeFor(scripted.rows->size()))
            write(*scripted.rows, scripted.numEntries.value_or(
                                      static_cast<DWORD>(scripted.rows->size())));
        return call.result = scripted.result;
    }

    if (size == nullptr)
        return call.result = ERROR_INVALID_PARAMETER;
    const ULONG needed = sizeFor(rows.size());
    if (table == nullptr || *size < needed) {
        *size = needed;
        return call.result = ERROR_INSUFFICIENT_BUFFER;
    }
    write(rows, static_cast<DWORD>(rows.size()));
    return call.result = NO_ERROR;
}

template class TableDouble<MIB_IFROW>;
template class TableDouble<MIB_IPADDRROW>;

IfTableDouble& ifTable()
{
    static IfTableDouble table;
    return table;
}

AddrTableDouble& addrTable()
{
    static AddrTableDouble table;
    return table;
}

void resetPlatform()
{
    ifTable().reset();
    addrTable().reset();
}

MIB_IFROW makeIfRow(DWORD index, DWORD inOctets, DWORD outOctets, DWORD speed)
{
    MIB_IFROW row{};
    row.dwIndex = index;
    row.dwInOctets = inOctets;
    row.dwOutOctets = outOctets;
    row.dwSpeed = speed;
    row.dwType = IF_TYPE_ETHERNET_CSMACD;
    return row;
}

MIB_IPADDRROW makeAddrRow(DWORD index, BYTE a, BYTE b, BYTE c, BYTE d)
{
    MIB_IPADDRROW row{};
    row.dwIndex = index;
    row.dwAddr = DWORD{a} | DWORD{b} << 8 | DWORD{c} << 16 | DWORD{d} << 24;
    row.dwMask = 0x00FFFFFF;
    return row;
}

void setDescription(MIB_IFROW& row, const char* text)
{
    const std::size_t length = std::min<std::size_t>(std::strlen(text), MAXLEN_IFDESCR - 1);
    std::memset(row.bDescr, 0, sizeof row.bDescr);
    std::memcpy(row.bDescr, text, length);
    row.dwDescrLen = static_cast<DWORD>(length + 1);
}

}  // namespace brisvale::testing

extern "C" DWORD WINAPI GetIfTable(PMIB_IFTABLE pIfTable, PULONG pdwSize, BOOL bOrder)
{
    return brisvale::testing::ifTable().answer(pIfTable, pdwSize, bOrder);
}

extern "C" DWORD WINAPI GetIpAddrTable(PMIB_IPADDRTABLE pIpAddrTable, PULONG pdwSize, BOOL bOrder)
{
    return brisvale::testing::addrTable().answer(pIpAddrTable, pdwSize, bOrder);
}
