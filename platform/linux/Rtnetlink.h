#pragma once
// The socket side of rtnetlink: dump requests and a watch on table changes.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "RtnetlinkParser.h"

struct mnl_socket;

namespace brisvale::platform {

struct MnlSocketClose {
    void operator()(mnl_socket* socket) const;
};
using MnlSocket = std::unique_ptr<mnl_socket, MnlSocketClose>;

// A route netlink socket bound to the given multicast groups (0: none); null when the kernel
// refuses one.
MnlSocket openRouteSocket(unsigned groups);

enum class DumpOutcome { Read, Interrupted, Failed };

inline constexpr int DumpAttempts = 3;

// Runs the attempt again while the kernel reports the dump interrupted, DumpAttempts times at
// most; true when one attempt read the whole table.
bool retryInterrupted(const std::function<DumpOutcome()>& attempt);

// Each dump runs on a socket of its own in the calling thread's network namespace. An
// interrupted dump is asked again a few times; none when it cannot be read whole.
std::optional<std::vector<LinkInfo>> dumpLinks();
std::optional<std::vector<AddrInfo>> dumpIPv4Addresses();

// Tells whether the link or address tables may have changed since the last call: the kernel
// announces every change to the subscribed socket, so a dump stays good until one arrives.
class ChangeWatch {
public:
    ChangeWatch();
    // True when a change was announced since the last call, or when that cannot be known.
    bool changed();

private:
    MnlSocket socket_;
};

}  // namespace brisvale::platform
