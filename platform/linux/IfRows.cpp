#include "IfRows.h"

#include <algorithm>
#include <cstring>
#include <limits>

#include <arpa/inet.h>
#include <linux/if.h>
#include <linux/if_addr.h>
#include <linux/if_arp.h>

namespace brisvale::platform {

namespace {

constexpr DWORD ReassemblySize = 65535;

DWORD low32(std::uint64_t value)
{
    return static_cast<DWORD>(value & 0xFFFFFFFFu);
}

bool isTunnel(std::uint16_t linkType)
{
    switch (linkType) {
    case ARPHRD_TUNNEL:
    case ARPHRD_TUNNEL6:
    case ARPHRD_SIT:
    case ARPHRD_IPGRE:
    case ARPHRD_IP6GRE:
    case ARPHRD_NONE:  // layer-3 tunnels: tun, WireGuard
        return true;
    default:
        return false;
    }
}

bool isWirelessType(std::uint16_t linkType)
{
    return linkType == ARPHRD_IEEE80211 || linkType == ARPHRD_IEEE80211_PRISM ||
           linkType == ARPHRD_IEEE80211_RADIOTAP;
}

std::string_view kindOfType(std::uint16_t linkType)
{
    if (linkType == ARPHRD_LOOPBACK)
        return "loopback";
    if (linkType == ARPHRD_ETHER)
        return "ethernet";
    if (isWirelessType(linkType))
        return "wireless";
    if (isTunnel(linkType))
        return "tunnel";
    return "link";
}

// The longest prefix of at most `limit` bytes that does not end inside a UTF-8 sequence.
std::string_view cutUtf8(std::string_view text, std::size_t limit)
{
    if (text.size() <= limit)
        return text;
    std::size_t end = limit;
    while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80)
        --end;
    return text.substr(0, end);
}

// UTF-8 to UTF-16; a byte that starts no valid sequence becomes U+FFFD.
void copyName(std::string_view name, WCHAR (&out)[MAX_INTERFACE_NAME_LEN])
{
    std::size_t n = 0;
    auto put = [&](char32_t c) {
        if (c >= 0x10000) {
            if (n + 2 >= MAX_INTERFACE_NAME_LEN)
                return false;
            c -= 0x10000;
            out[n++] = static_cast<WCHAR>(0xD800 + (c >> 10));
            out[n++] = static_cast<WCHAR>(0xDC00 + (c & 0x3FF));
            return true;
        }
        if (n + 1 >= MAX_INTERFACE_NAME_LEN)
            return false;
        out[n++] = static_cast<WCHAR>(c);
        return true;
    };
    for (std::size_t i = 0; i < name.size();) {
        const auto lead = static_cast<unsigned char>(name[i]);
        std::size_t length = lead < 0x80 ? 1 : (lead >> 5) == 0x6 ? 2 : (lead >> 4) == 0xE ? 3
                                             : (lead >> 3) == 0x1E ? 4 : 0;
        char32_t c = length == 1 ? lead : length == 2 ? lead & 0x1F : length == 3 ? lead & 0x0F : lead & 0x07;
        bool ok = length != 0 && i + length <= name.size();
        for (std::size_t k = 1; ok && k < length; ++k) {
            const auto next = static_cast<unsigned char>(name[i + k]);
            ok = (next & 0xC0) == 0x80;
            c = (c << 6) | (next & 0x3F);
        }
        static constexpr char32_t smallest[] = {0, 0, 0x80, 0x800, 0x10000};
        ok = ok && c >= smallest[length] && c <= 0x10FFFF && (c < 0xD800 || c > 0xDFFF);
        if (!put(ok ? c : U'\uFFFD'))
            break;
        i += ok ? length : 1;
    }
    out[n] = 0;
}

DWORD operStatus(const LinkInfo& link)
{
    const bool up = link.flags & IFF_UP;
    const bool carrier = link.flags & IFF_RUNNING;
    switch (link.operState.value_or(IF_OPER_UNKNOWN)) {
    case IF_OPER_UP:
        return IF_OPER_STATUS_OPERATIONAL;
    case IF_OPER_DORMANT:
        return IF_OPER_STATUS_CONNECTING;
    case IF_OPER_TESTING:
    case IF_OPER_LOWERLAYERDOWN:
        return IF_OPER_STATUS_UNREACHABLE;
    case IF_OPER_NOTPRESENT:
        return IF_OPER_STATUS_NON_OPERATIONAL;
    case IF_OPER_DOWN:
        return up ? IF_OPER_STATUS_DISCONNECTED : IF_OPER_STATUS_NON_OPERATIONAL;
    default:
        // Loopback and virtual devices without carrier tracking report no state: the flags tell.
        if (!up)
            return IF_OPER_STATUS_NON_OPERATIONAL;
        return carrier ? IF_OPER_STATUS_OPERATIONAL : IF_OPER_STATUS_DISCONNECTED;
    }
}

std::uint32_t hostOrder(std::uint32_t networkOrder)
{
    return ntohl(networkOrder);
}

}  // namespace

DWORD speedFromMbps(std::uint64_t mbps)
{
    constexpr std::uint64_t limit = std::numeric_limits<DWORD>::max();
    if (mbps > limit / 1'000'000)
        return static_cast<DWORD>(limit);
    return static_cast<DWORD>(mbps * 1'000'000);
}

DWORD interfaceType(std::uint16_t linkType, bool wireless)
{
    if (linkType == ARPHRD_LOOPBACK)
        return IF_TYPE_SOFTWARE_LOOPBACK;
    if (wireless || isWirelessType(linkType))
        return IF_TYPE_IEEE80211;
    if (linkType == ARPHRD_ETHER)
        return IF_TYPE_ETHERNET_CSMACD;
    if (isTunnel(linkType))
        return IF_TYPE_TUNNEL;
    return IF_TYPE_OTHER;
}

std::string describeLink(const HardwareName& hardware, std::string_view name, std::string_view kind,
                         std::uint16_t linkType)
{
    constexpr std::size_t limit = MAXLEN_IFDESCR - 1;
    name = cutUtf8(name, limit - 3);  // kernel names are at most 15 bytes; this is a guard

    std::string front;
    if (!hardware.vendor.empty() || !hardware.model.empty()) {
        front = hardware.vendor;
        if (!hardware.vendor.empty() && !hardware.model.empty())
            front += ' ';
        front += hardware.model;
        std::string text(cutUtf8(front, limit - name.size() - 3));
        return text + " (" + std::string(name) + ")";
    }
    if (kind.empty())
        kind = kindOfType(linkType);
    std::string text(name);
    text += " (";
    text += cutUtf8(kind, limit - name.size() - 3);
    text += ')';
    return text;
}

void fillIfRow(const LinkInfo& link, const LinkDetails& details, MIB_IFROW& row)
{
    std::memset(&row, 0, sizeof row);
    copyName(link.name, row.wszName);
    row.dwIndex = link.index;
    row.dwType = interfaceType(link.type, details.wireless);
    row.dwMtu = link.mtu;
    row.dwSpeed = details.speed;
    row.dwPhysAddrLen = static_cast<DWORD>(std::min(link.addressLength, MAXLEN_PHYSADDR));
    std::memcpy(row.bPhysAddr, link.address.data(), row.dwPhysAddrLen);
    row.dwAdminStatus = (link.flags & IFF_UP) ? MIB_IF_ADMIN_STATUS_UP : MIB_IF_ADMIN_STATUS_DOWN;
    row.dwOperStatus = operStatus(link);

    const LinkCounters& c = link.counters;
    row.dwInOctets = low32(c.rxBytes);
    row.dwInUcastPkts = low32(c.rxPackets - std::min(c.multicast, c.rxPackets));
    row.dwInNUcastPkts = low32(c.multicast);
    row.dwInDiscards = low32(c.rxDropped);
    row.dwInErrors = low32(c.rxErrors);
    row.dwInUnknownProtos = low32(c.rxNoHandler);
    row.dwOutOctets = low32(c.txBytes);
    row.dwOutUcastPkts = low32(c.txPackets);
    row.dwOutDiscards = low32(c.txDropped);
    row.dwOutErrors = low32(c.txErrors);

    const std::size_t length = std::min(details.description.size(), MAXLEN_IFDESCR - 1);
    std::memcpy(row.bDescr, details.description.data(), length);
    row.dwDescrLen = static_cast<DWORD>(length + 1);
}

MIB_IPADDRROW makeAddrRow(const AddrInfo& address)
{
    MIB_IPADDRROW row{};
    row.dwAddr = address.address;
    row.dwIndex = address.index;
    const std::uint32_t mask =
        address.prefixLength == 0 ? 0 : ~std::uint32_t{0} << (32 - address.prefixLength);
    row.dwMask = htonl(mask);
    row.dwBCastAddr = address.broadcast.value_or(0);
    row.dwReasmSize = ReassemblySize;
    row.wType = (address.flags & IFA_F_SECONDARY) ? 0 : MIB_IPADDR_PRIMARY;
    return row;
}

void sortByAddress(std::vector<AddrInfo>& addresses)
{
    std::stable_sort(addresses.begin(), addresses.end(), [](const AddrInfo& a, const AddrInfo& b) {
        const auto ka = hostOrder(a.address);
        const auto kb = hostOrder(b.address);
        return ka != kb ? ka < kb : a.index < b.index;
    });
}

}  // namespace brisvale::platform
