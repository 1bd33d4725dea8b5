// Rows made from link and address records, and the per-interface cache of details.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <map>

#include <arpa/inet.h>
#include <linux/if.h>
#include <linux/if_addr.h>
#include <linux/if_arp.h>

#include "IfRows.h"
#include "LinkDetails.h"

namespace brisvale::platform {
namespace {

std::uint32_t ipv4(const char* text)
{
    in_addr address{};
    inet_pton(AF_INET, text, &address);
    return address.s_addr;
}

std::string ipv4Text(std::uint32_t address)
{
    char text[INET_ADDRSTRLEN] = {};
    in_addr in{};
    in.s_addr = address;
    inet_ntop(AF_INET, &in, text, sizeof text);
    return text;
}

TEST(IfRows, SpeedIsMegabitsTimesAMillionSaturating)
{
    const std::pair<std::uint64_t, DWORD> cases[] = {
        {0, 0},
        {10, 10'000'000},
        {1000, 1'000'000'000},
        {4294, 4'294'000'000},
        {4295, 4'294'967'295},
        {100'000, 4'294'967'295},
        {~std::uint64_t{0}, 4'294'967'295},
    };
    for (const auto& [mbps, bits] : cases)
        EXPECT_EQ(speedFromMbps(mbps), bits) << mbps;
}

TEST(IfRows, InterfaceTypeFollowsTheLinkType)
{
    struct Case {
        std::uint16_t linkType;
        bool wireless;
        DWORD type;
    };
    const Case cases[] = {
        {ARPHRD_ETHER, false, IF_TYPE_ETHERNET_CSMACD},
        {ARPHRD_ETHER, true, IF_TYPE_IEEE80211},
        {ARPHRD_LOOPBACK, false, IF_TYPE_SOFTWARE_LOOPBACK},
        {ARPHRD_IEEE80211_RADIOTAP, false, IF_TYPE_IEEE80211},
        {ARPHRD_TUNNEL, false, IF_TYPE_TUNNEL},
        {ARPHRD_SIT, false, IF_TYPE_TUNNEL},
        {ARPHRD_IPGRE, false, IF_TYPE_TUNNEL},
        {ARPHRD_NONE, false, IF_TYPE_TUNNEL},
        {ARPHRD_PPP, false, IF_TYPE_OTHER},
        {ARPHRD_INFINIBAND, false, IF_TYPE_OTHER},
    };
    for (const Case& c : cases)
        EXPECT_EQ(interfaceType(c.linkType, c.wireless), c.type) << c.linkType;
}

TEST(IfRows, DescriptionNamesTheHardwareElseTheKind)
{
    struct Case {
        HardwareName hardware;
        const char* name;
        const char* kind;
        std::uint16_t linkType;
        const char* text;
    };
    const Case cases[] = {
        {{"Red Hat, Inc.", "Virtio 1.0 network device", false}, "eth0", "", ARPHRD_ETHER,
         "Red Hat, Inc. Virtio 1.0 network device (eth0)"},
        {{"", "Wireless 8265 / 8275", true}, "wlan0", "", ARPHRD_ETHER, "Wireless 8265 / 8275 (wlan0)"},
        {{"Realtek", "", false}, "enp3s0", "", ARPHRD_ETHER, "Realtek (enp3s0)"},
        {{}, "veth0", "veth", ARPHRD_ETHER, "veth0 (veth)"},
        {{}, "lo", "", ARPHRD_LOOPBACK, "lo (loopback)"},
        {{}, "eth0", "", ARPHRD_ETHER, "eth0 (ethernet)"},
        {{}, "tun0", "tun", ARPHRD_NONE, "tun0 (tun)"},
        {{}, "sit0", "", ARPHRD_SIT, "sit0 (tunnel)"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(describeLink(c.hardware, c.name, c.kind, c.linkType), c.text);
}

TEST(IfRows, ALongDescriptionIsCutBeforeTheNameOnACharacterBoundary)
{
    for (const std::string unit : {"x", "\xC3\xA9", "\xE2\x82\xAC"}) {  // 1, 2 and 3 bytes
        std::string vendor;
        while (vendor.size() < 400)
            vendor += unit;
        const std::string text = describeLink({vendor, "", false}, "eth0", "", ARPHRD_ETHER);
        EXPECT_LE(text.size(), MAXLEN_IFDESCR - 1);
        ASSERT_TRUE(text.ends_with(" (eth0)")) << text;
        const std::string front = text.substr(0, text.size() - 7);
        EXPECT_EQ(front.size() % unit.size(), 0u) << "cut inside a character";
        EXPECT_EQ(vendor.compare(0, front.size(), front), 0);
    }
}

LinkInfo sampleLink()
{
    LinkInfo link;
    link.index = 12;
    link.type = ARPHRD_ETHER;
    link.flags = IFF_UP | IFF_RUNNING;
    link.name = "veth0";
    link.mtu = 1500;
    link.operState = IF_OPER_UP;
    link.addressLength = 6;
    link.address = {0x02, 0x0A, 0xBC, 0x3D, 0xEF, 0x01, 0, 0};
    link.counters.rxBytes = 0x5'0000'0007;
    link.counters.txBytes = 0xFFFF'FFFF;
    link.counters.rxPackets = 0x1'0000'0010;
    link.counters.multicast = 4;
    link.counters.txPackets = 9;
    link.counters.rxDropped = 2;
    link.counters.txDropped = 3;
    link.counters.rxErrors = 5;
    link.counters.txErrors = 6;
    link.counters.rxNoHandler = 8;
    return link;
}

TEST(IfRows, RowCarriesTheLinkWithCountersCutToTheirLow32Bits)
{
    MIB_IFROW row;
    std::memset(&row, 0xAB, sizeof row);
    fillIfRow(sampleLink(), {4'294'967'295, "veth0 (veth)", false}, row);

    EXPECT_EQ(std::u16string(row.wszName), u"veth0");
    EXPECT_EQ(row.dwIndex, 12u);
    EXPECT_EQ(row.dwType, IF_TYPE_ETHERNET_CSMACD);
    EXPECT_EQ(row.dwMtu, 1500u);
    EXPECT_EQ(row.dwSpeed, 4'294'967'295u);
    EXPECT_EQ(row.dwPhysAddrLen, 6u);
    const UCHAR mac[MAXLEN_PHYSADDR] = {0x02, 0x0A, 0xBC, 0x3D, 0xEF, 0x01, 0, 0};
    EXPECT_EQ(std::memcmp(row.bPhysAddr, mac, sizeof mac), 0);
    EXPECT_EQ(row.dwAdminStatus, MIB_IF_ADMIN_STATUS_UP);
    EXPECT_EQ(row.dwOperStatus, IF_OPER_STATUS_OPERATIONAL);
    EXPECT_EQ(row.dwLastChange, 0u);
    EXPECT_EQ(row.dwInOctets, 7u);
    EXPECT_EQ(row.dwOutOctets, 0xFFFF'FFFFu);
    EXPECT_EQ(row.dwInUcastPkts, 0x0Cu);  // 0x1'0000'0010 - 4, low 32 bits
    EXPECT_EQ(row.dwInNUcastPkts, 4u);
    EXPECT_EQ(row.dwInDiscards, 2u);
    EXPECT_EQ(row.dwInErrors, 5u);
    EXPECT_EQ(row.dwInUnknownProtos, 8u);
    EXPECT_EQ(row.dwOutUcastPkts, 9u);
    EXPECT_EQ(row.dwOutNUcastPkts, 0u);
    EXPECT_EQ(row.dwOutDiscards, 3u);
    EXPECT_EQ(row.dwOutErrors, 6u);
    EXPECT_EQ(row.dwOutQLen, 0u);
    EXPECT_EQ(row.dwDescrLen, 13u);  // the terminating zero counted
    EXPECT_STREQ(reinterpret_cast<const char*>(row.bDescr), "veth0 (veth)");
    EXPECT_TRUE(std::all_of(row.bDescr + 13, row.bDescr + MAXLEN_IFDESCR, [](UCHAR c) { return c == 0; }));
}

TEST(IfRows, NameBecomesUtf16AndLongAddressesAreCut)
{
    LinkInfo link = sampleLink();
    link.name = "w\xC3\xA4n\xF0\x9F\x98\x80\xFFx";  // ä, an emoji, a stray byte
    link.addressLength = 20;
    link.address = {1, 2, 3, 4, 5, 6, 7, 8};
    MIB_IFROW row;
    fillIfRow(link, {}, row);
    EXPECT_EQ(std::u16string(row.wszName), u"w\u00E4n\U0001F600\uFFFDx");
    EXPECT_EQ(row.dwPhysAddrLen, MAXLEN_PHYSADDR);
    EXPECT_EQ(row.bPhysAddr[7], 8);
    EXPECT_EQ(row.dwDescrLen, 1u);
}

TEST(IfRows, StatusesFollowFlagsAndOperationalState)
{
    struct Case {
        unsigned flags;
        std::optional<std::uint8_t> operState;
        DWORD admin;
        DWORD oper;
    };
    const Case cases[] = {
        {IFF_UP | IFF_RUNNING, IF_OPER_UP, MIB_IF_ADMIN_STATUS_UP, IF_OPER_STATUS_OPERATIONAL},
        {IFF_UP, IF_OPER_DOWN, MIB_IF_ADMIN_STATUS_UP, IF_OPER_STATUS_DISCONNECTED},
        {0, IF_OPER_DOWN, MIB_IF_ADMIN_STATUS_DOWN, IF_OPER_STATUS_NON_OPERATIONAL},
        {IFF_UP, IF_OPER_LOWERLAYERDOWN, MIB_IF_ADMIN_STATUS_UP, IF_OPER_STATUS_UNREACHABLE},
        {IFF_UP, IF_OPER_DORMANT, MIB_IF_ADMIN_STATUS_UP, IF_OPER_STATUS_CONNECTING},
        {IFF_UP | IFF_RUNNING, IF_OPER_UNKNOWN, MIB_IF_ADMIN_STATUS_UP, IF_OPER_STATUS_OPERATIONAL},
        {IFF_UP, IF_OPER_UNKNOWN, MIB_IF_ADMIN_STATUS_UP, IF_OPER_STATUS_DISCONNECTED},
        {0, std::nullopt, MIB_IF_ADMIN_STATUS_DOWN, IF_OPER_STATUS_NON_OPERATIONAL},
        {IFF_UP | IFF_RUNNING, std::nullopt, MIB_IF_ADMIN_STATUS_UP, IF_OPER_STATUS_OPERATIONAL},
    };
    for (const Case& c : cases) {
        LinkInfo link = sampleLink();
        link.flags = c.flags;
        link.operState = c.operState;
        MIB_IFROW row;
        fillIfRow(link, {}, row);
        EXPECT_EQ(row.dwAdminStatus, c.admin) << c.flags << " " << int(c.operState.value_or(99));
        EXPECT_EQ(row.dwOperStatus, c.oper) << c.flags << " " << int(c.operState.value_or(99));
    }
}

TEST(IfRows, AddressRowHasTheMaskOfItsPrefix)
{
    const std::pair<std::uint8_t, const char*> cases[] = {
        {0, "0.0.0.0"}, {8, "255.0.0.0"}, {20, "255.255.240.0"}, {24, "255.255.255.0"},
        {31, "255.255.255.254"}, {32, "255.255.255.255"},
    };
    for (const auto& [prefix, mask] : cases) {
        AddrInfo address;
        address.index = 3;
        address.address = ipv4("10.1.2.3");
        address.prefixLength = prefix;
        const MIB_IPADDRROW row = makeAddrRow(address);
        EXPECT_EQ(ipv4Text(row.dwMask), mask) << int(prefix);
        EXPECT_EQ(row.dwAddr, ipv4("10.1.2.3"));
        EXPECT_EQ(row.dwIndex, 3u);
    }
}

TEST(IfRows, AddressRowMarksPrimaryAddressesAndCarriesTheBroadcast)
{
    AddrInfo primary;
    primary.address = ipv4("192.168.1.20");
    primary.prefixLength = 24;
    primary.broadcast = ipv4("192.168.1.255");
    AddrInfo secondary = primary;
    secondary.flags = IFA_F_SECONDARY;
    secondary.broadcast.reset();

    const MIB_IPADDRROW first = makeAddrRow(primary);
    EXPECT_EQ(first.wType, MIB_IPADDR_PRIMARY);
    EXPECT_EQ(first.dwBCastAddr, ipv4("192.168.1.255"));
    EXPECT_EQ(first.dwReasmSize, 65535u);
    const MIB_IPADDRROW second = makeAddrRow(secondary);
    EXPECT_EQ(second.wType, 0);
    EXPECT_EQ(second.dwBCastAddr, 0u);
}

// Ascending as a.b.c.d, which is not the order of the stored values: 10.0.0.200 is stored as
// 0xC800000A, 192.168.1.20 as 0x1401A8C0.
TEST(IfRows, AddressesSortByTheirDottedValue)
{
    std::vector<AddrInfo> addresses;
    for (const auto& [text, index] : std::vector<std::pair<const char*, std::uint32_t>>{
             {"192.168.1.20", 2}, {"10.0.0.200", 3}, {"172.16.0.1", 4}, {"10.0.0.5", 9},
             {"10.0.0.5", 1}, {"255.255.255.255", 5}, {"0.0.0.0", 6}}) {
        AddrInfo a;
        a.address = ipv4(text);
        a.index = index;
        addresses.push_back(a);
    }
    sortByAddress(addresses);
    std::vector<std::string> order;
    for (const auto& a : addresses)
        order.push_back(ipv4Text(a.address) + "/" + std::to_string(a.index));
    EXPECT_EQ(order, (std::vector<std::string>{"0.0.0.0/6", "10.0.0.5/1", "10.0.0.5/9", "10.0.0.200/3",
                                               "172.16.0.1/4", "192.168.1.20/2", "255.255.255.255/5"}));
}

class CountingProbe : public LinkProbe {
public:
    struct Counts {
        std::map<std::string, int> speed;
        std::map<std::string, int> hardware;
    };
    explicit CountingProbe(Counts& counts) : counts_(counts) {}

    std::optional<std::uint64_t> speedMbps(const std::string& name) override
    {
        ++counts_.speed[name];
        if (name == "nospeed")
            return std::nullopt;
        return 1000 * static_cast<std::uint64_t>(counts_.speed[name]);  // changes at each probe
    }

    HardwareName hardware(std::uint32_t, const std::string& name) override
    {
        ++counts_.hardware[name];
        if (name == "eth0")
            return {"Intel Corporation", "I210 Gigabit Network Connection", false};
        if (name == "wlan0")
            return {"", "Wi-Fi 6 AX200", true};
        return {};
    }

private:
    Counts& counts_;
};

LinkInfo linkNamed(std::uint32_t index, const std::string& name, const std::string& kind = "")
{
    LinkInfo link = sampleLink();
    link.index = index;
    link.name = name;
    link.kind = kind;
    return link;
}

class DetailCacheTest : public ::testing::Test {
protected:
    CountingProbe::Counts counts;
    LinkDetailCache cache{std::make_unique<CountingProbe>(counts)};
};

TEST_F(DetailCacheTest, ProbesEachInterfaceOnce)
{
    const std::vector<LinkInfo> links = {linkNamed(1, "eth0"), linkNamed(2, "wlan0"), linkNamed(3, "veth0", "veth"),
                                         linkNamed(4, "nospeed")};
    for (int round = 0; round < 5; ++round) {
        for (const auto& link : links)
            cache.lookup(link);
        cache.prune(links);
    }
    for (const auto& link : links) {
        EXPECT_EQ(counts.speed[link.name], 1) << link.name;
        EXPECT_EQ(counts.hardware[link.name], 1) << link.name;
    }
    const LinkDetails& eth = cache.lookup(links[0]);
    EXPECT_EQ(eth.description, "Intel Corporation I210 Gigabit Network Connection (eth0)");
    EXPECT_EQ(eth.speed, 1'000'000'000u);
    EXPECT_FALSE(eth.wireless);
    EXPECT_TRUE(cache.lookup(links[1]).wireless);
    EXPECT_EQ(cache.lookup(links[2]).description, "veth0 (veth)");
    EXPECT_EQ(cache.lookup(links[3]).speed, 0u);
}

TEST_F(DetailCacheTest, ReadsTheSpeedAgainWhenTheLinkStateChanges)
{
    LinkInfo link = linkNamed(1, "eth0");
    EXPECT_EQ(cache.lookup(link).speed, 1'000'000'000u);
    link.operState = IF_OPER_DOWN;
    link.flags = IFF_UP;
    EXPECT_EQ(cache.lookup(link).speed, 2'000'000'000u);
    link.operState = IF_OPER_UP;
    link.flags = IFF_UP | IFF_RUNNING;
    EXPECT_EQ(cache.lookup(link).speed, 3'000'000'000u);
    cache.lookup(link);
    EXPECT_EQ(counts.speed["eth0"], 3);
    EXPECT_EQ(counts.hardware["eth0"], 1);
}

TEST_F(DetailCacheTest, ARenamedOrReplacedInterfaceIsProbedAfresh)
{
    cache.lookup(linkNamed(1, "eth0"));
    EXPECT_EQ(cache.lookup(linkNamed(1, "veth0", "veth")).description, "veth0 (veth)");
    EXPECT_EQ(counts.hardware["veth0"], 1);

    const std::vector<LinkInfo> now = {linkNamed(2, "eth0")};
    cache.lookup(now[0]);
    cache.prune(now);
    EXPECT_EQ(cache.size(), 1u);
    cache.lookup(linkNamed(1, "veth0", "veth"));  // gone and back: its old details were dropped
    EXPECT_EQ(counts.hardware["veth0"], 2);
}

}  // namespace
}  // namespace brisvale::platform
