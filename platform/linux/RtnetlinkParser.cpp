#include "RtnetlinkParser.h"

#include <algorithm>
#include <climits>
#include <cstring>

#include <libmnl/libmnl.h>
#include <linux/if_addr.h>
#include <linux/if_link.h>
#include <linux/netlink.h>
#include <linux/rtnetlink.h>
#include <sys/socket.h>

namespace brisvale::platform {

namespace {

std::span<const std::byte> payloadOf(const nlattr* attr)
{
    return {reinterpret_cast<const std::byte*>(attr) + NLA_HDRLEN,
            static_cast<std::size_t>(attr->nla_len - NLA_HDRLEN)};
}

// Calls f for each attribute of the block; false when an attribute runs past the block, when
// bytes are left over that form no attribute, or when f refuses one.
template <typename F>
bool forEachAttribute(std::span<const std::byte> block, F&& f)
{
    if (block.size() > static_cast<std::size_t>(INT_MAX))
        return false;
    int remaining = static_cast<int>(block.size());
    const auto* attr = reinterpret_cast<const nlattr*>(block.data());
    while (mnl_attr_ok(attr, remaining)) {
        if (!f(attr))
            return false;
        remaining -= static_cast<int>(MNL_ALIGN(attr->nla_len));
        attr = mnl_attr_next(attr);
    }
    // Below zero only by the padding of the last attribute, which the block may omit.
    return remaining <= 0;
}

bool valid(const nlattr* attr, mnl_attr_data_type type)
{
    return mnl_attr_validate(attr, type) >= 0;
}

std::optional<std::uint32_t> readU32(const nlattr* attr)
{
    if (!valid(attr, MNL_TYPE_U32))
        return std::nullopt;
    std::uint32_t value = 0;
    std::memcpy(&value, payloadOf(attr).data(), sizeof value);
    return value;
}

// The text up to its terminating zero; none when the payload holds no zero.
std::optional<std::string> readString(const nlattr* attr)
{
    const auto payload = payloadOf(attr);
    const auto* text = reinterpret_cast<const char*>(payload.data());
    const auto* end = static_cast<const char*>(std::memchr(text, '\0', payload.size()));
    if (end == nullptr)
        return std::nullopt;
    return std::string(text, end);
}

// IPv4 addresses are exactly four bytes; any other length is not an IPv4 address.
std::optional<std::uint32_t> readIPv4(const nlattr* attr)
{
    const auto payload = payloadOf(attr);
    if (payload.size() != sizeof(std::uint32_t))
        return std::nullopt;
    std::uint32_t value = 0;
    std::memcpy(&value, payload.data(), sizeof value);
    return value;
}

// The kernel's counter structs grow at their end over the years: copy what the payload holds
// into a zeroed struct, and accept it only when it holds every counter that is read.
template <typename Stats>
std::optional<Stats> readStats(const nlattr* attr, std::size_t fieldsRead)
{
    const auto payload = payloadOf(attr);
    if (payload.size() < fieldsRead)
        return std::nullopt;
    Stats stats{};
    std::memcpy(&stats, payload.data(), std::min(payload.size(), sizeof stats));
    return stats;
}

template <typename Stats>
LinkCounters countersFrom(const Stats& s, std::size_t payloadSize)
{
    LinkCounters c;
    c.rxPackets = s.rx_packets;
    c.txPackets = s.tx_packets;
    c.rxBytes = s.rx_bytes;
    c.txBytes = s.tx_bytes;
    c.rxErrors = s.rx_errors;
    c.txErrors = s.tx_errors;
    c.rxDropped = s.rx_dropped;
    c.txDropped = s.tx_dropped;
    c.multicast = s.multicast;
    if (payloadSize >= offsetof(Stats, rx_nohandler) + sizeof s.rx_nohandler)
        c.rxNoHandler = s.rx_nohandler;
    return c;
}

template <typename Stats>
std::optional<LinkCounters> readCounters(const nlattr* attr)
{
    // rx_packets .. multicast: the first nine counters of both structs.
    constexpr std::size_t fieldsRead = offsetof(Stats, multicast) + sizeof(Stats::multicast);
    const auto stats = readStats<Stats>(attr, fieldsRead);
    if (!stats)
        return std::nullopt;
    return countersFrom(*stats, payloadOf(attr).size());
}

// libmnl's mnl_nlmsg_ok compares the message length as a signed int, so a length of 2 GiB or
// more would pass it and lead the walk far outside the datagram: compare unsigned instead.
bool messageFits(const nlmsghdr* nlh, std::size_t remaining)
{
    return remaining >= sizeof(nlmsghdr) && nlh->nlmsg_len >= sizeof(nlmsghdr) && nlh->nlmsg_len <= remaining;
}

// The last message's alignment padding may be missing from the datagram.
const nlmsghdr* nextMessage(const nlmsghdr* nlh, std::size_t& remaining)
{
    const std::size_t step = std::min<std::size_t>(NLMSG_ALIGN(nlh->nlmsg_len), remaining);
    remaining -= step;
    return reinterpret_cast<const nlmsghdr*>(reinterpret_cast<const std::byte*>(nlh) + step);
}

std::span<const std::byte> attributesOf(const nlmsghdr* nlh, std::size_t headerSize)
{
    const std::size_t offset = NLMSG_HDRLEN + NLMSG_ALIGN(headerSize);
    const auto* bytes = reinterpret_cast<const std::byte*>(nlh);
    if (nlh->nlmsg_len <= offset)
        return {};
    return {bytes + offset, nlh->nlmsg_len - offset};
}

bool parseLink(const nlmsghdr* nlh, std::vector<LinkInfo>& links)
{
    if (nlh->nlmsg_len < NLMSG_LENGTH(sizeof(ifinfomsg)))
        return false;
    ifinfomsg ifi{};
    std::memcpy(&ifi, NLMSG_DATA(nlh), sizeof ifi);

    LinkInfo link;
    link.index = static_cast<std::uint32_t>(ifi.ifi_index);
    link.type = ifi.ifi_type;
    link.flags = ifi.ifi_flags;
    std::optional<LinkCounters> counters64;
    std::optional<LinkCounters> counters32;

    // Attributes of a known type whose payload does not fit that type are taken as absent.
    const bool whole = forEachAttribute(attributesOf(nlh, sizeof(ifinfomsg)), [&](const nlattr* attr) {
        switch (mnl_attr_get_type(attr)) {
        case IFLA_IFNAME:
            if (auto name = readString(attr))
                link.name = std::move(*name);
            break;
        case IFLA_MTU:
            if (auto mtu = readU32(attr))
                link.mtu = *mtu;
            break;
        case IFLA_OPERSTATE:
            if (valid(attr, MNL_TYPE_U8))
                link.operState = mnl_attr_get_u8(attr);
            break;
        case IFLA_ADDRESS: {
            const auto payload = payloadOf(attr);
            link.addressLength = payload.size();
            link.address = {};
            std::memcpy(link.address.data(), payload.data(),
                        std::min(payload.size(), link.address.size()));
            break;
        }
        case IFLA_STATS64:
            counters64 = readCounters<rtnl_link_stats64>(attr);
            break;
        case IFLA_STATS:
            counters32 = readCounters<rtnl_link_stats>(attr);
            break;
        case IFLA_LINKINFO:
            // A nest that does not hold whole attributes makes the message unreadable.
            return forEachAttribute(payloadOf(attr), [&](const nlattr* info) {
                if (mnl_attr_get_type(info) == IFLA_INFO_KIND)
                    if (auto kind = readString(info))
                        link.kind = std::move(*kind);
                return true;
            });
        default:
            break;  // not needed for a row
        }
        return true;
    });
    if (!whole)
        return false;

    if (counters64)
        link.counters = *counters64;
    else if (counters32)
        link.counters = *counters32;
    links.push_back(std::move(link));
    return true;
}

bool parseAddress(const nlmsghdr* nlh, std::vector<AddrInfo>& addresses)
{
    if (nlh->nlmsg_len < NLMSG_LENGTH(sizeof(ifaddrmsg)))
        return false;
    ifaddrmsg ifa{};
    std::memcpy(&ifa, NLMSG_DATA(nlh), sizeof ifa);

    std::optional<std::uint32_t> local;
    std::optional<std::uint32_t> address;
    std::optional<std::uint32_t> broadcast;
    std::optional<std::uint32_t> flags;
    const bool whole = forEachAttribute(attributesOf(nlh, sizeof(ifaddrmsg)), [&](const nlattr* attr) {
        switch (mnl_attr_get_type(attr)) {
        case IFA_LOCAL:
            local = readIPv4(attr);
            break;
        case IFA_ADDRESS:
            address = readIPv4(attr);
            break;
        case IFA_BROADCAST:
            broadcast = readIPv4(attr);
            break;
        case IFA_FLAGS:
            flags = readU32(attr);
            break;
        default:
            break;
        }
        return true;
    });
    if (!whole)
        return false;
    if (ifa.ifa_family != AF_INET)
        return true;
    // On point-to-point links IFA_ADDRESS is the peer's; the local one is IFA_LOCAL.
    const auto own = local ? local : address;
    if (!own)
        return true;  // an IPv4 entry without an address gives no row

    AddrInfo row;
    row.index = ifa.ifa_index;
    row.address = *own;
    row.prefixLength = std::min<std::uint8_t>(ifa.ifa_prefixlen, 32);
    row.broadcast = broadcast;
    row.flags = flags ? *flags : ifa.ifa_flags;
    addresses.push_back(row);
    return true;
}

}  // namespace

DumpParser::DumpParser(std::uint16_t messageType, std::uint32_t sequence, std::uint32_t portId)
    : messageType_(messageType), sequence_(sequence), portId_(portId)
{
}

DumpProgress DumpParser::feed(std::span<const std::byte> datagram)
{
    if (finished_)
        return DumpProgress::Malformed;  // nothing may follow the end of the dump
    // An empty datagram has nothing to align (and no copy to point to).
    if (datagram.empty() || reinterpret_cast<std::uintptr_t>(datagram.data()) % NLMSG_ALIGNTO == 0)
        return walk(datagram.data(), datagram.size());
    // Headers are read in place: give them the alignment the kernel's buffers have.
    std::vector<std::uint32_t> aligned((datagram.size() + 3) / 4);
    std::memcpy(aligned.data(), datagram.data(), datagram.size());
    return walk(reinterpret_cast<const std::byte*>(aligned.data()), datagram.size());
}

DumpProgress DumpParser::walk(const std::byte* data, std::size_t size)
{
    if (size > static_cast<std::size_t>(INT_MAX))
        return DumpProgress::Malformed;
    std::size_t remaining = size;
    const auto* nlh = reinterpret_cast<const nlmsghdr*>(data);
    for (; messageFits(nlh, remaining); nlh = nextMessage(nlh, remaining)) {
        if (nlh->nlmsg_seq != sequence_ || nlh->nlmsg_pid != portId_)
            continue;  // not part of this dump
        if (nlh->nlmsg_flags & NLM_F_DUMP_INTR)
            interrupted_ = true;

        switch (nlh->nlmsg_type) {
        case NLMSG_DONE:
            finished_ = true;
            return interrupted_ ? DumpProgress::Interrupted : DumpProgress::Done;
        case NLMSG_ERROR: {
            int code = 0;
            if (nlh->nlmsg_len < NLMSG_LENGTH(sizeof code))
                return DumpProgress::Malformed;
            std::memcpy(&code, NLMSG_DATA(nlh), sizeof code);
            finished_ = true;
            if (code == 0)
                return interrupted_ ? DumpProgress::Interrupted : DumpProgress::Done;
            // Netlink carries errno values negative, but not every sender keeps to that.
            error_ = code == INT_MIN ? INT_MAX : (code < 0 ? -code : code);
            return DumpProgress::KernelError;
        }
        case NLMSG_OVERRUN:
            return DumpProgress::Malformed;
        default:
            break;
        }

        if (nlh->nlmsg_type != messageType_)
            continue;
        const bool read = messageType_ == RTM_NEWLINK ? parseLink(nlh, links)
                                                      : parseAddress(nlh, addresses);
        if (!read)
            return DumpProgress::Malformed;
    }
    // Bytes left that do not form a whole message: the datagram was cut short.
    return remaining > 0 ? DumpProgress::Malformed : DumpProgress::More;
}

}  // namespace brisvale::platform
