#pragma once
// The socket side of rtnetlink: dump requests and a watch on table changes.

#include <cstdint>
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
