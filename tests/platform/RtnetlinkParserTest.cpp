// The dump parser on messages built here: whole dumps in several datagrams, and every way a
// reply can be broken.

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>

#include <arpa/inet.h>
#include <linux/if.h>
#include <linux/if_addr.h>
#include <linux/if_arp.h>
#include <linux/if_link.h>
#include <linux/rtnetlink.h>
#include <sys/socket.h>

#include "NetlinkBuilder.h"
#include "Rtnetlink.h"
#include "RtnetlinkParser.h"

namespace brisvale::platform {
namespace {

using testing::NetlinkBuilder;

constexpr std::uint32_t Seq = 4242;
constexpr std::uint32_t Port = 777;

struct LinkFields {
    int index = 1;
    std::string name = "eth0";
    std::uint32_t mtu = 1500;
    std::uint8_t operState = IF_OPER_UP;
    std::vector<std::uint8_t> mac = {0x02, 0x0A, 0xBC, 0x3D, 0xEF, 0x01};
    std::string kind;
    std::uint64_t rxBytes = 0x1'2345'6789;
    std::uint64_t txBytes = 0x2'0000'0010;
};

LinkFields fields(int index, const std::string& name = "eth0", const std::string& kind = "")
{
    LinkFields s;
    s.index = index;
    s.name = name;
    s.kind = kind;
    return s;
}

rtnl_link_stats64 stats64For(const LinkFields& shape)
{
    rtnl_link_stats64 stats{};
    stats.rx_bytes = shape.rxBytes;
    stats.tx_bytes = shape.txBytes;
    stats.rx_packets = 100;
    stats.tx_packets = 50;
    stats.multicast = 7;
    stats.rx_dropped = 3;
    stats.rx_nohandler = 9;
    return stats;
}

NetlinkBuilder& addLink(NetlinkBuilder& b, const LinkFields& shape, std::uint32_t seq = Seq,
                        std::uint32_t port = Port)
{
    ifinfomsg ifi{};
    ifi.ifi_family = AF_UNSPEC;
    ifi.ifi_index = shape.index;
    ifi.ifi_type = ARPHRD_ETHER;
    ifi.ifi_flags = IFF_UP | IFF_RUNNING;
    b.message(RTM_NEWLINK, seq, port).header(ifi).text(IFLA_IFNAME, shape.name).value(IFLA_MTU, shape.mtu);
    b.value(IFLA_OPERSTATE, shape.operState);
    b.attribute(IFLA_ADDRESS, shape.mac.data(), shape.mac.size());
    b.value(IFLA_STATS64, stats64For(shape));
    if (!shape.kind.empty())
        b.beginNest(IFLA_LINKINFO).text(IFLA_INFO_KIND, shape.kind).endNest();
    return b;
}

NetlinkBuilder& addDone(NetlinkBuilder& b, std::uint32_t seq = Seq, std::uint32_t port = Port)
{
    b.message(NLMSG_DONE, seq, port);
    const int zero = 0;
    return b.raw(&zero, sizeof zero).declareMessageLength(NLMSG_LENGTH(sizeof zero));
}

// A link message whose attributes the test writes itself.
NetlinkBuilder bareLink(int index = 5)
{
    NetlinkBuilder b;
    ifinfomsg ifi{};
    ifi.ifi_index = index;
    ifi.ifi_type = ARPHRD_ETHER;
    b.message(RTM_NEWLINK, Seq, Port).header(ifi);
    return b;
}

DumpParser linkParser()
{
    return DumpParser(RTM_NEWLINK, Seq, Port);
}

TEST(RtnetlinkParser, ReadsAMultiPartLinkDump)
{
    NetlinkBuilder first;
    LinkFields lo = fields(1, "lo");
    lo.mtu = 65536;
    lo.operState = IF_OPER_UNKNOWN;
    lo.mac = {0, 0, 0, 0, 0, 0};
    addLink(first, lo);
    addLink(first, fields(2, "eth0"));
    NetlinkBuilder second;
    LinkFields jumbo = fields(7, "veth0", "veth");
    jumbo.mtu = 9000;
    jumbo.rxBytes = 42;
    jumbo.txBytes = 43;
    addLink(second, jumbo);
    NetlinkBuilder third;
    addDone(third);

    auto parser = linkParser();
    EXPECT_EQ(parser.feed(first.span()), DumpProgress::More);
    EXPECT_EQ(parser.feed(second.span()), DumpProgress::More);
    EXPECT_EQ(parser.feed(third.span()), DumpProgress::Done);

    ASSERT_EQ(parser.links.size(), 3u);
    const LinkInfo& veth = parser.links[2];
    EXPECT_EQ(veth.index, 7u);
    EXPECT_EQ(veth.name, "veth0");
    EXPECT_EQ(veth.kind, "veth");
    EXPECT_EQ(veth.mtu, 9000u);
    EXPECT_EQ(veth.type, ARPHRD_ETHER);
    EXPECT_EQ(veth.operState, IF_OPER_UP);
    EXPECT_EQ(veth.addressLength, 6u);
    EXPECT_EQ(veth.address[0], 0x02);
    EXPECT_EQ(veth.address[5], 0x01);
    EXPECT_EQ(veth.counters.rxBytes, 42u);
    EXPECT_EQ(veth.counters.txBytes, 43u);
    EXPECT_EQ(veth.counters.multicast, 7u);
    EXPECT_EQ(veth.counters.rxNoHandler, 9u);
    EXPECT_EQ(parser.links[0].name, "lo");
    EXPECT_EQ(parser.links[1].counters.rxBytes, 0x1'2345'6789u);
}

TEST(RtnetlinkParser, DoneMayShareADatagramAndNothingMayFollowIt)
{
    NetlinkBuilder b;
    addLink(b, fields(1));
    addDone(b);
    auto parser = linkParser();
    EXPECT_EQ(parser.feed(b.span()), DumpProgress::Done);
    EXPECT_EQ(parser.links.size(), 1u);
    EXPECT_EQ(parser.feed(b.span()), DumpProgress::Malformed);
    EXPECT_EQ(parser.links.size(), 1u);
}

TEST(RtnetlinkParser, AMessageWithOnlyItsHeaderGivesARowOfDefaults)
{
    NetlinkBuilder b = bareLink(9);
    auto parser = linkParser();
    ASSERT_EQ(parser.feed(b.span()), DumpProgress::More);
    ASSERT_EQ(parser.links.size(), 1u);
    const LinkInfo& link = parser.links[0];
    EXPECT_EQ(link.index, 9u);
    EXPECT_EQ(link.name, "");
    EXPECT_EQ(link.kind, "");
    EXPECT_EQ(link.mtu, 0u);
    EXPECT_FALSE(link.operState.has_value());
    EXPECT_EQ(link.addressLength, 0u);
    EXPECT_EQ(link.counters.rxBytes, 0u);
    EXPECT_EQ(link.counters.txPackets, 0u);
}

// The 64-bit counters are preferred; the 32-bit ones stand in when those are absent or short.
TEST(RtnetlinkParser, CountersComeFromStats64ElseStats)
{
    rtnl_link_stats64 wide{};
    wide.rx_bytes = 0xAB'0000'0001;
    wide.tx_bytes = 5;
    rtnl_link_stats narrow{};
    narrow.rx_bytes = 77;
    narrow.tx_bytes = 88;

    struct Case {
        const char* name;
        bool withWide;
        std::size_t wideBytes;  // payload given for IFLA_STATS64
        bool withNarrow;
        std::uint64_t rx;
    };
    const Case cases[] = {
        {"both", true, sizeof wide, true, 0xAB'0000'0001},
        {"stats64 only", true, sizeof wide, false, 0xAB'0000'0001},
        {"stats only", false, 0, true, 77},
        {"stats64 too short for its counters", true, 40, true, 77},
        {"older kernel's shorter stats64", true, offsetof(rtnl_link_stats64, rx_nohandler), true, 0xAB'0000'0001},
        {"neither", false, 0, false, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        NetlinkBuilder b = bareLink();
        if (c.withNarrow)
            b.value(IFLA_STATS, narrow);
        if (c.withWide)
            b.attribute(IFLA_STATS64, &wide, c.wideBytes);
        auto parser = linkParser();
        ASSERT_EQ(parser.feed(b.span()), DumpProgress::More);
        ASSERT_EQ(parser.links.size(), 1u);
        EXPECT_EQ(parser.links[0].counters.rxBytes, c.rx);
    }
}

TEST(RtnetlinkParser, StatsLongerThanKnownAreReadUpToWhatIsKnown)
{
    std::vector<std::byte> payload(sizeof(rtnl_link_stats64) + 64, std::byte{0xFF});
    rtnl_link_stats64 wide{};
    wide.tx_bytes = 1234;
    std::memcpy(payload.data(), &wide, sizeof wide);
    NetlinkBuilder b = bareLink();
    b.attribute(IFLA_STATS64, payload.data(), payload.size());
    auto parser = linkParser();
    ASSERT_EQ(parser.feed(b.span()), DumpProgress::More);
    EXPECT_EQ(parser.links.at(0).counters.txBytes, 1234u);
}

TEST(RtnetlinkParser, HardwareAddressesLongerThanEightBytesAreCut)
{
    std::vector<std::uint8_t> infiniband(20);
    for (std::size_t i = 0; i < infiniband.size(); ++i)
        infiniband[i] = static_cast<std::uint8_t>(i + 1);
    NetlinkBuilder b = bareLink();
    b.attribute(IFLA_ADDRESS, infiniband.data(), infiniband.size());
    auto parser = linkParser();
    ASSERT_EQ(parser.feed(b.span()), DumpProgress::More);
    const LinkInfo& link = parser.links.at(0);
    EXPECT_EQ(link.addressLength, 20u);
    EXPECT_EQ(link.address[7], 8);
}

// Attributes of a known type with a payload that does not fit the type are taken as absent.
TEST(RtnetlinkParser, AttributesThatDoNotFitTheirTypeAreIgnored)
{
    const std::uint16_t shortMtu = 1500;
    const char unterminated[] = {'e', 't', 'h'};
    NetlinkBuilder b = bareLink();
    b.value(IFLA_MTU, shortMtu);
    b.attribute(IFLA_IFNAME, unterminated, sizeof unterminated);
    b.attribute(IFLA_OPERSTATE, nullptr, 0);
    b.beginNest(IFLA_LINKINFO).attribute(IFLA_INFO_KIND, unterminated, sizeof unterminated).endNest();
    auto parser = linkParser();
    ASSERT_EQ(parser.feed(b.span()), DumpProgress::More);
    const LinkInfo& link = parser.links.at(0);
    EXPECT_EQ(link.mtu, 0u);
    EXPECT_EQ(link.name, "");
    EXPECT_EQ(link.kind, "");
    EXPECT_FALSE(link.operState.has_value());
}

// Lengths that break the structure make the reply unreadable: nothing past them is trusted.
TEST(RtnetlinkParser, BrokenLengthsMakeTheDumpMalformed)
{
    const std::uint32_t mtu = 1500;
    struct Case {
        const char* name;
        NetlinkBuilder datagram;
    };
    std::vector<Case> cases;
    {
        NetlinkBuilder b = bareLink();
        b.attribute(IFLA_MTU, &mtu, sizeof mtu, 200);  // runs past the message
        cases.push_back({"attribute longer than its message", b});
    }
    {
        NetlinkBuilder b = bareLink();
        b.attribute(IFLA_MTU, &mtu, sizeof mtu, 2);  // shorter than an attribute header
        cases.push_back({"attribute shorter than its header", b});
    }
    {
        NetlinkBuilder b = bareLink();
        b.text(IFLA_IFNAME, "eth0");
        const std::uint16_t stray = 0xFFFF;
        b.raw(&stray, sizeof stray).declareMessageLength(static_cast<std::uint32_t>(b.bytes().size()));
        cases.push_back({"bytes after the last attribute", b});
    }
    {
        NetlinkBuilder b = bareLink();
        b.beginNest(IFLA_LINKINFO).attribute(IFLA_INFO_KIND, "veth", 5, 64).endNest();
        cases.push_back({"nested attribute longer than its nest", b});
    }
    {
        NetlinkBuilder b;
        b.message(RTM_NEWLINK, Seq, Port);
        const std::uint32_t half = 0;
        b.raw(&half, sizeof half).declareMessageLength(NLMSG_HDRLEN + sizeof half);
        cases.push_back({"message shorter than its family header", b});
    }
    {
        NetlinkBuilder b;
        addLink(b, fields(1));
        b.declareMessageLength(static_cast<std::uint32_t>(b.bytes().size() + 64));
        cases.push_back({"message longer than the datagram", b});
    }
    {
        NetlinkBuilder b;
        addLink(b, fields(1));
        b.declareMessageLength(8);
        cases.push_back({"message shorter than its own header", b});
    }
    // Lengths of 2 GiB and more, which a signed comparison would take for negative.
    for (const std::uint32_t length : {0x80000000u, 0xFFFFFFF0u}) {
        NetlinkBuilder own;
        addLink(own, fields(1));
        own.declareMessageLength(length);
        cases.push_back({"message of 2 GiB or more", own});
        NetlinkBuilder other;
        addLink(other, fields(1), Seq + 1);
        other.declareMessageLength(length);
        addLink(other, fields(2));
        cases.push_back({"message of another request of 2 GiB or more", other});
    }

    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto parser = linkParser();
        EXPECT_EQ(parser.feed(c.datagram.span()), DumpProgress::Malformed);
        EXPECT_TRUE(parser.links.empty());
    }
}

TEST(RtnetlinkParser, ADatagramCutAnywhereIsMalformed)
{
    NetlinkBuilder b;
    addLink(b, fields(1, "a"));
    const std::size_t firstMessage = b.bytes().size();
    addLink(b, fields(2, "b", "veth"));
    const std::size_t whole = b.bytes().size();
    for (std::size_t cut = 1; cut < whole; ++cut) {
        auto parser = linkParser();
        const auto progress = parser.feed(b.first(cut));
        // Only the cut between the two messages leaves whole messages behind.
        if (cut == firstMessage) {
            EXPECT_EQ(progress, DumpProgress::More);
            EXPECT_EQ(parser.links.size(), 1u);
        } else {
            EXPECT_EQ(progress, DumpProgress::Malformed) << "cut at " << cut;
        }
    }
}

TEST(RtnetlinkParser, ErrorRepliesEndTheDumpWithTheirCode)
{
    struct Case {
        const char* name;
        int code;
        DumpProgress progress;
        int error;
    };
    const Case cases[] = {
        {"negative errno", -EPERM, DumpProgress::KernelError, EPERM},
        {"positive errno", EBUSY, DumpProgress::KernelError, EBUSY},
        {"acknowledgement", 0, DumpProgress::Done, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        NetlinkBuilder b;
        addLink(b, fields(1));
        nlmsgerr err{};
        err.error = c.code;
        b.message(NLMSG_ERROR, Seq, Port, 0).header(err);
        auto parser = linkParser();
        EXPECT_EQ(parser.feed(b.span()), c.progress);
        EXPECT_EQ(parser.error(), c.error);
    }

    NetlinkBuilder cut;
    cut.message(NLMSG_ERROR, Seq, Port, 0);
    auto parser = linkParser();
    EXPECT_EQ(parser.feed(cut.span()), DumpProgress::Malformed);
}

TEST(RtnetlinkParser, AnInterruptedDumpIsReportedAtItsEnd)
{
    NetlinkBuilder first;
    addLink(first, fields(1));
    NetlinkBuilder second;
    addLink(second, fields(2)).declareMessageLength(static_cast<std::uint32_t>(second.bytes().size()));
    // The kernel marks the messages built after the table changed.
    auto flagged = second.bytes();
    const std::uint16_t flags = NLM_F_MULTI | NLM_F_DUMP_INTR;
    std::memcpy(flagged.data() + offsetof(nlmsghdr, nlmsg_flags), &flags, sizeof flags);
    NetlinkBuilder done;
    addDone(done);

    auto parser = linkParser();
    EXPECT_EQ(parser.feed(first.span()), DumpProgress::More);
    EXPECT_EQ(parser.feed(flagged), DumpProgress::More);
    EXPECT_EQ(parser.feed(done.span()), DumpProgress::Interrupted);
}

TEST(RtnetlinkParser, MessagesOfOtherRequestsArePassedOver)
{
    NetlinkBuilder b;
    addLink(b, fields(1, "stale"), Seq - 1, Port);
    addLink(b, fields(2, "foreign"), Seq, Port + 1);
    addLink(b, fields(3, "ours"));
    addDone(b, Seq + 1, Port);  // the end of another request does not end this one
    auto parser = linkParser();
    EXPECT_EQ(parser.feed(b.span()), DumpProgress::More);
    ASSERT_EQ(parser.links.size(), 1u);
    EXPECT_EQ(parser.links[0].name, "ours");

    NetlinkBuilder end;
    addDone(end);
    EXPECT_EQ(parser.feed(end.span()), DumpProgress::Done);
}

TEST(RtnetlinkParser, ReadsADatagramThatIsNotAligned)
{
    NetlinkBuilder b;
    addLink(b, fields(4, "odd"));
    std::vector<std::byte> shifted(b.bytes().size() + 1);
    std::memcpy(shifted.data() + 1, b.bytes().data(), b.bytes().size());
    auto parser = linkParser();
    EXPECT_EQ(parser.feed(std::span<const std::byte>(shifted).subspan(1)), DumpProgress::More);
    ASSERT_EQ(parser.links.size(), 1u);
    EXPECT_EQ(parser.links[0].name, "odd");
    // An empty datagram, at an odd address as well, holds nothing and ends nothing.
    EXPECT_EQ(parser.feed(std::span<const std::byte>(shifted).subspan(1, 0)), DumpProgress::More);
    EXPECT_EQ(parser.links.size(), 1u);
}

std::uint32_t ipv4(const char* text)
{
    in_addr address{};
    inet_pton(AF_INET, text, &address);
    return address.s_addr;
}

NetlinkBuilder& addAddress(NetlinkBuilder& b, std::uint8_t family, int index, std::uint8_t prefix)
{
    ifaddrmsg ifa{};
    ifa.ifa_family = family;
    ifa.ifa_index = static_cast<std::uint32_t>(index);
    ifa.ifa_prefixlen = prefix;
    ifa.ifa_flags = IFA_F_PERMANENT;
    return b.message(RTM_NEWADDR, Seq, Port).header(ifa);
}

TEST(RtnetlinkParser, ReadsIPv4AddressesOnly)
{
    NetlinkBuilder b;
    addAddress(b, AF_INET, 2, 24).value(IFA_ADDRESS, ipv4("10.0.0.9")).value(IFA_LOCAL, ipv4("10.0.0.5"))
        .value(IFA_BROADCAST, ipv4("10.0.0.255")).value(IFA_FLAGS, std::uint32_t{IFA_F_SECONDARY});
    addAddress(b, AF_INET, 3, 16).value(IFA_ADDRESS, ipv4("192.168.1.20"));  // no IFA_LOCAL
    const std::uint8_t v6[16] = {0xfe, 0x80};
    addAddress(b, AF_INET6, 2, 64).attribute(IFA_ADDRESS, v6, sizeof v6);
    addAddress(b, AF_INET, 4, 8).attribute(IFA_LOCAL, v6, sizeof v6);  // not an IPv4 address
    addAddress(b, AF_INET, 5, 8);  // no address at all
    addDone(b);

    DumpParser parser(RTM_NEWADDR, Seq, Port);
    ASSERT_EQ(parser.feed(b.span()), DumpProgress::Done);
    ASSERT_EQ(parser.addresses.size(), 2u);
    const AddrInfo& local = parser.addresses[0];
    EXPECT_EQ(local.index, 2u);
    EXPECT_EQ(local.address, ipv4("10.0.0.5"));
    EXPECT_EQ(local.prefixLength, 24);
    EXPECT_EQ(local.broadcast, ipv4("10.0.0.255"));
    EXPECT_EQ(local.flags, std::uint32_t{IFA_F_SECONDARY});
    const AddrInfo& fallback = parser.addresses[1];
    EXPECT_EQ(fallback.index, 3u);
    EXPECT_EQ(fallback.address, ipv4("192.168.1.20"));
    EXPECT_FALSE(fallback.broadcast.has_value());
    EXPECT_EQ(fallback.flags, std::uint32_t{IFA_F_PERMANENT});
}

TEST(DumpRetry, AnInterruptedDumpIsAskedAgainABoundedNumberOfTimes)
{
    struct Case {
        std::vector<DumpOutcome> outcomes;
        bool read;
        std::size_t attempts;
    };
    const Case cases[] = {
        {{DumpOutcome::Read}, true, 1},
        {{DumpOutcome::Interrupted, DumpOutcome::Interrupted, DumpOutcome::Read}, true, 3},
        {{DumpOutcome::Interrupted, DumpOutcome::Interrupted, DumpOutcome::Interrupted, DumpOutcome::Read},
         false, static_cast<std::size_t>(DumpAttempts)},
        {{DumpOutcome::Interrupted, DumpOutcome::Failed, DumpOutcome::Read}, false, 2},
    };
    for (const Case& c : cases) {
        std::size_t calls = 0;
        const bool read = retryInterrupted([&] { return c.outcomes.at(calls++); });
        EXPECT_EQ(read, c.read);
        EXPECT_EQ(calls, c.attempts);
    }
}

}  // namespace
}  // namespace brisvale::platform
