// The IP helper calls on Linux, answered from the kernel's rtnetlink dumps.
//
// A snapshot asks twice: once for the size, then with a buffer of that size. The size call's
// dump is kept for the fill call that follows, so that one snapshot costs one dump, as long as
// the kernel announced no change of the tables in between and little time passed. The address
// table's rows hold nothing that changes unannounced, so its dump answers every call in that
// time: a burst of snapshots, one per new interface, costs one dump rather than one each.

#include <algorithm>
#include <chrono>
#include <cstring>
#include <limits>
#include <memory>
#include <optional>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>

#include "IPHLPAPI.h"
#include "IfRows.h"
#include "LinkDetails.h"
#include "Rtnetlink.h"

namespace brisvale::platform {

namespace {

using Clock = std::chrono::steady_clock;

// Long enough for any caller to obtain its buffer, short enough that counters stay fresh.
constexpr auto ReuseWindow = std::chrono::milliseconds(500);

template <typename Record>
struct KeptDump {
    std::vector<Record> records;
    Clock::time_point readAt;
};

struct NamespaceId {
    dev_t device = 0;
    ino_t inode = 0;
    bool operator==(const NamespaceId&) const = default;
};

std::optional<NamespaceId> currentNamespace()
{
    struct stat status {};
    if (stat("/proc/thread-self/ns/net", &status) != 0)
        return std::nullopt;
    return NamespaceId{status.st_dev, status.st_ino};
}

// What one thread keeps between calls. Sockets and caches belong to the network namespace the
// thread was in when they were made; a thread that moves to another gets new ones.
struct ThreadState {
    ChangeWatch watch;
    LinkDetailCache details{makeSystemProbe()};
    std::optional<KeptDump<LinkInfo>> links;
    std::optional<KeptDump<AddrInfo>> addresses;

    // Both kept dumps go stale at once: the watch is shared, and a change it reports is
    // drained whichever table is asked for next.
    void forgetOnChange()
    {
        if (watch.changed()) {
            links.reset();
            addresses.reset();
        }
    }
};

// A forked child starts afresh too: it would otherwise share the parent's watch socket, and a
// change announcement that one of them drains would never reach the other.
ThreadState& threadState()
{
    thread_local std::unique_ptr<ThreadState> state;
    thread_local std::optional<NamespaceId> stateNamespace;
    thread_local pid_t stateProcess = 0;
    const auto now = currentNamespace();
    const pid_t process = getpid();
    if (!state || now != stateNamespace || process != stateProcess) {
        state.reset();
        state = std::make_unique<ThreadState>();
        stateNamespace = now;
        stateProcess = process;
    }
    return *state;
}

// Which later calls a kept dump may answer, within ReuseWindow of its reading and as long as
// the kernel announces no change (a change drops it first).
enum class Reuse {
    // The fill call right after a size call, once: the rows carry counters that must be fresh.
    FillCallOnce,
    // Any call: every change of these rows is announced.
    AnyCall,
};

// The records for this call: the kept dump when its reuse allows, else a fresh dump.
template <typename Record, typename Dump>
std::optional<KeptDump<Record>> recordsFor(bool fillCall, Reuse reuse, std::optional<KeptDump<Record>>& kept,
                                           Dump dump)
{
    std::optional<KeptDump<Record>> taken;
    taken.swap(kept);
    const bool young = taken && Clock::now() - taken->readAt < ReuseWindow;
    if (young && reuse == Reuse::AnyCall) {
        kept = taken;
        return taken;
    }
    if (young && fillCall)
        return taken;
    auto records = dump();
    if (!records)
        return std::nullopt;
    KeptDump<Record> read{std::move(*records), Clock::now()};
    if (reuse == Reuse::AnyCall)
        kept = read;
    return read;
}

template <typename Row>
std::optional<ULONG> tableBytes(std::size_t rows)
{
    constexpr std::size_t header = sizeof(DWORD);
    constexpr std::size_t limit = std::numeric_limits<ULONG>::max();
    if (rows > (limit - header) / sizeof(Row))
        return std::nullopt;
    return static_cast<ULONG>(header + rows * sizeof(Row));
}

// The shared part of both calls: returns the records when the caller's buffer holds them all,
// otherwise the status to answer (having written the size needed, or nothing).
template <typename Row, typename Record, typename Dump>
std::optional<std::vector<Record>> recordsThatFit(const void* table, ULONG* size, Reuse reuse,
                                                  std::optional<KeptDump<Record>>& kept, Dump dump,
                                                  DWORD& status)
{
    auto read = recordsFor(table != nullptr, reuse, kept, dump);
    if (!read) {
        status = ERROR_GEN_FAILURE;
        return std::nullopt;
    }
    const auto needed = tableBytes<Row>(read->records.size());
    if (!needed) {
        status = ERROR_GEN_FAILURE;
        return std::nullopt;
    }
    if (table == nullptr || *size < *needed) {
        // Kept with the time it was read: answering "too small" does not make it fresher.
        kept = std::move(read);
        *size = *needed;
        status = ERROR_INSUFFICIENT_BUFFER;
        return std::nullopt;
    }
    status = NO_ERROR;
    return std::move(read->records);
}

// Rows are copied in byte by byte: the caller's buffer need not be aligned for them.
template <typename Row>
void writeRow(void* table, std::size_t i, const Row& row)
{
    std::memcpy(static_cast<std::byte*>(table) + sizeof(DWORD) + i * sizeof(Row), &row, sizeof row);
}

void writeCount(void* table, std::size_t count)
{
    const auto entries = static_cast<DWORD>(count);
    std::memcpy(table, &entries, sizeof entries);
}

DWORD interfaceTable(PMIB_IFTABLE table, PULONG size, BOOL order)
{
    ThreadState& state = threadState();
    state.forgetOnChange();
    DWORD status = NO_ERROR;
    auto links = recordsThatFit<MIB_IFROW>(table, size, Reuse::FillCallOnce, state.links, dumpLinks, status);
    if (!links)
        return status;
    if (order)
        std::stable_sort(links->begin(), links->end(),
                         [](const LinkInfo& a, const LinkInfo& b) { return a.index < b.index; });

    // Everything that may fail happens before the first byte of the caller's buffer is written.
    std::vector<const LinkDetails*> details;
    details.reserve(links->size());
    for (const auto& link : *links)
        details.push_back(&state.details.lookup(link));
    state.details.prune(*links);

    MIB_IFROW row;
    for (std::size_t i = 0; i < links->size(); ++i) {
        fillIfRow((*links)[i], *details[i], row);
        writeRow(table, i, row);
    }
    writeCount(table, links->size());
    return NO_ERROR;
}

DWORD addressTable(PMIB_IPADDRTABLE table, PULONG size, BOOL)
{
    ThreadState& state = threadState();
    state.forgetOnChange();
    DWORD status = NO_ERROR;
    // Sorted once when read, not once per call that its dump answers: an unordered call may
    // get its rows in any order.
    const auto sortedDump = [] {
        auto addresses = dumpIPv4Addresses();
        if (addresses)
            sortByAddress(*addresses);
        return addresses;
    };
    auto addresses =
        recordsThatFit<MIB_IPADDRROW>(table, size, Reuse::AnyCall, state.addresses, sortedDump, status);
    if (!addresses)
        return status;
    for (std::size_t i = 0; i < addresses->size(); ++i)
        writeRow(table, i, makeAddrRow((*addresses)[i]));
    writeCount(table, addresses->size());
    return NO_ERROR;
}

}  // namespace

}  // namespace brisvale::platform

// No exception crosses into the caller: the platform's calls answer with status codes.
extern "C" DWORD GetIfTable(PMIB_IFTABLE pIfTable, PULONG pdwSize, BOOL bOrder)
{
    if (pdwSize == nullptr)
        return ERROR_INVALID_PARAMETER;
    try {
        return brisvale::platform::interfaceTable(pIfTable, pdwSize, bOrder);
    } catch (...) {
        return ERROR_GEN_FAILURE;
    }
}

extern "C" DWORD GetIpAddrTable(PMIB_IPADDRTABLE pIpAddrTable, PULONG pdwSize, BOOL bOrder)
{
    if (pdwSize == nullptr)
        return ERROR_INVALID_PARAMETER;
    try {
        return brisvale::platform::addressTable(pIpAddrTable, pdwSize, bOrder);
    } catch (...) {
        return ERROR_GEN_FAILURE;
    }
}
