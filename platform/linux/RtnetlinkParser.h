#pragma once
// Turns the bytes of rtnetlink dump replies into plain link and address records. Pure: no
// socket, no system call; every message and every attribute is checked before it is read.

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace brisvale::platform {

// The kernel's 64-bit link counters that the interface rows carry.
struct LinkCounters {
    std::uint64_t rxPackets = 0;
    std::uint64_t txPackets = 0;
    std::uint64_t rxBytes = 0;
    std::uint64_t txBytes = 0;
    std::uint64_t rxErrors = 0;
    std::uint64_t txErrors = 0;
    std::uint64_t rxDropped = 0;
    std::uint64_t txDropped = 0;
    std::uint64_t multicast = 0;
    std::uint64_t rxNoHandler = 0;
};

inline constexpr std::size_t MaxLinkAddressBytes = 8;

struct LinkInfo {
    std::uint32_t index = 0;
    std::uint16_t type = 0;  // ARPHRD_*
    std::uint32_t flags = 0;  // IFF_*
    std::string name;
    std::string kind;  // IFLA_INFO_KIND, empty for hardware devices
    std::uint32_t mtu = 0;
    std::optional<std::uint8_t> operState;  // IF_OPER_*
    std::size_t addressLength = 0;  // as the kernel reported it, possibly above 8
    std::array<std::uint8_t, MaxLinkAddressBytes> address{};  // its first bytes
    LinkCounters counters;
};

struct AddrInfo {
    std::uint32_t index = 0;
    std::uint32_t address = 0;  // network byte order, as in memory
    std::uint8_t prefixLength = 0;
    std::optional<std::uint32_t> broadcast;  // network byte order
    std::uint32_t flags = 0;  // IFA_F_*
};

enum class DumpProgress {
    More,  // the datagram was read whole; the dump goes on in the next one
    Done,  // NLMSG_DONE reached
    Interrupted,  // done, but the kernel's table changed during the dump: the rows are not whole
    KernelError,  // NLMSG_ERROR with a non-zero code; see error()
    Malformed,  // a message or attribute that does not fit, or a datagram that ends inside one
};

// Reads the reply of one dump request, datagram after datagram. Messages of other requests
// (another sequence number or port) are passed over; anything after the end is not read.
class DumpParser {
public:
    DumpParser(std::uint16_t messageType, std::uint32_t sequence, std::uint32_t portId);

    DumpProgress feed(std::span<const std::byte> datagram);

    // The errno that an NLMSG_ERROR reply carried, positive.
    int error() const { return error_; }

    std::vector<LinkInfo> links;  // RTM_NEWLINK messages
    std::vector<AddrInfo> addresses;  // RTM_NEWADDR messages of the IPv4 family

private:
    DumpProgress walk(const std::byte* data, std::size_t size);

    std::uint16_t messageType_;
    std::uint32_t sequence_;
    std::uint32_t portId_;
    bool interrupted_ = false;
    bool finished_ = false;
    int error_ = 0;
};

}  // namespace brisvale::platform
