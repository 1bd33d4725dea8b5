// GetIfTable and GetIpAddrTable on the real kernel, in network namespaces that each test makes
// and removes, compared with what iproute2 reports.

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <map>
#include <memory>
#include <set>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <linux/audit.h>
#include <linux/filter.h>
#include <linux/seccomp.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <nlohmann/json.hpp>

#include "IPHLPAPI.h"
#include "IPHelper.h"
#include "NetNamespace.h"
#include "TrafficUnit.h"

namespace brisvale::platform {
namespace {

using nlohmann::json;
using testing::NetNamespace;

std::string nameOf(const MIB_IFROW& row)
{
    std::string name;
    for (WCHAR c : row.wszName) {
        if (c == 0)
            break;
        name += static_cast<char>(c);  // the names made here are ASCII
    }
    return name;
}

std::string descriptionOf(const MIB_IFROW& row)
{
    return row.dwDescrLen == 0 ? std::string{}
                               : std::string(reinterpret_cast<const char*>(row.bDescr), row.dwDescrLen - 1);
}

// "aa:0d:19:a4:55:06" as iproute2 prints it, in the row's text.
std::string macText(const std::string& colons)
{
    std::string text = colons;
    std::replace(text.begin(), text.end(), ':', '-');
    std::transform(text.begin(), text.end(), text.begin(), [](char c) { return std::toupper(c); });
    return text;
}

std::uint32_t ipv4(const std::string& text)
{
    in_addr address{};
    inet_pton(AF_INET, text.c_str(), &address);
    return address.s_addr;
}

const MIB_IFROW* rowNamed(const TMIBIfArray& rows, const std::string& name)
{
    const auto found = std::find_if(rows.begin(), rows.end(), [&](const MIB_IFROW& r) { return nameOf(r) == name; });
    return found == rows.end() ? nullptr : &*found;
}

class KernelTables : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (const std::string obstacle = testing::namespaceObstacle(); !obstacle.empty())
            GTEST_SKIP() << obstacle;
        ns = std::make_unique<NetNamespace>("a");
        ASSERT_TRUE(ns->created()) << "cannot create " << ns->name();
    }

    void TearDown() override
    {
        peer.reset();
        ns.reset();
    }

    // Runs the commands in order, stopping the test at the first that fails.
    void ipAll(const NetNamespace& where, std::initializer_list<std::string> commands)
    {
        for (const auto& command : commands)
            ASSERT_TRUE(where.ip(command)) << "ip -n " << where.name() << " " << command;
    }

    TMIBIfArray interfaces(const NetNamespace& where)
    {
        TMIBIfArray rows;
        EXPECT_TRUE(where.inside([&] { GetIfTableArray(rows); }));
        return rows;
    }

    TMibIPAddrArray addresses(const NetNamespace& where)
    {
        TMibIPAddrArray rows;
        EXPECT_TRUE(where.inside([&] { GetIPAddrTableArray(rows); }));
        return rows;
    }

    std::unique_ptr<NetNamespace> ns;
    std::unique_ptr<NetNamespace> peer;
};

TEST_F(KernelTables, EveryInterfaceIsThereAsIproute2ReportsIt)
{
    ipAll(*ns, {"link set lo up", "link add va type veth peer name vb", "link add wa type veth peer name wb",
                "link set va up", "link set vb up", "link set wa up", "addr add 10.77.0.1/24 dev va"});

    const TMIBIfArray rows = interfaces(*ns);
    const json links = json::parse(ns->ipJson("link show"));
    ASSERT_EQ(rows.size(), links.size());
    for (const json& link : links) {
        const std::string name = link.at("ifname");
        SCOPED_TRACE(name);
        const MIB_IFROW* row = rowNamed(rows, name);
        ASSERT_NE(row, nullptr);
        EXPECT_EQ(row->dwIndex, link.at("ifindex").get<DWORD>());
        EXPECT_EQ(row->dwMtu, link.at("mtu").get<DWORD>());
        EXPECT_EQ(MacAddrToStr(row->bPhysAddr, row->dwPhysAddrLen), macText(link.at("address")));
        const auto flags = link.at("flags").get<std::vector<std::string>>();
        const bool up = std::find(flags.begin(), flags.end(), "UP") != flags.end();
        EXPECT_EQ(row->dwAdminStatus, up ? MIB_IF_ADMIN_STATUS_UP : MIB_IF_ADMIN_STATUS_DOWN);
    }

    struct Expected {
        const char* name;
        DWORD type;
        const char* description;
        DWORD speed;
    };
    const Expected expected[] = {
        {"lo", IF_TYPE_SOFTWARE_LOOPBACK, "lo (loopback)", 0},
        {"va", IF_TYPE_ETHERNET_CSMACD, "va (veth)", 4'294'967'295},  // veth says 10000 Mb/s
        {"vb", IF_TYPE_ETHERNET_CSMACD, "vb (veth)", 4'294'967'295},
    };
    for (const Expected& e : expected) {
        const MIB_IFROW* row = rowNamed(rows, e.name);
        ASSERT_NE(row, nullptr) << e.name;
        EXPECT_EQ(row->dwType, e.type) << e.name;
        EXPECT_EQ(descriptionOf(*row), e.description);
        EXPECT_EQ(row->dwSpeed, e.speed) << e.name;
        EXPECT_EQ(row->dwOperStatus, IF_OPER_STATUS_OPERATIONAL) << e.name;
    }
}

TEST_F(KernelTables, AddressesComeSortedAndOnlyForInterfacesThatHaveOne)
{
    // Added out of order; as stored values 10.1.3.5 (0x0503010A) is below 10.1.2.200 (0xC802010A).
    ipAll(*ns, {"link set lo up", "link add va type veth peer name vb", "link add wa type veth peer name wb",
                "link add xa type veth peer name xb", "addr add 192.168.9.1/24 dev wa", "addr add 10.1.3.5/24 dev va",
                "addr add 10.1.2.200/23 dev va", "link set va up", "link set xa up", "link set xb up"});

    const TMibIPAddrArray rows = addresses(*ns);
    std::vector<std::string> texts;
    for (const auto& row : rows)
        texts.push_back(IPAddrToStr(row.dwAddr));
    EXPECT_EQ(texts, (std::vector<std::string>{" 10.  1.  2.200", " 10.  1.  3.  5", "127.  0.  0.  1",
                                               "192.168.  9.  1"}));

    // The same addresses as iproute2's, with their interface and mask.
    std::set<std::tuple<DWORD, DWORD, DWORD>> ours;
    for (const auto& row : rows)
        ours.emplace(row.dwIndex, row.dwAddr, row.dwMask);
    std::set<std::tuple<DWORD, DWORD, DWORD>> theirs;
    std::set<DWORD> withoutAddress;
    for (const json& link : json::parse(ns->ipJson("addr show"))) {
        if (link.at("ifname") == "xa" || link.at("ifname") == "xb")
            withoutAddress.insert(link.at("ifindex").get<DWORD>());
        for (const json& info : link.at("addr_info")) {
            if (info.at("family") != "inet")
                continue;
            const int prefix = info.at("prefixlen");
            const std::uint32_t mask = prefix == 0 ? 0 : htonl(~std::uint32_t{0} << (32 - prefix));
            theirs.emplace(link.at("ifindex").get<DWORD>(), ipv4(info.at("local")), mask);
        }
    }
    EXPECT_EQ(ours, theirs);
    ASSERT_EQ(withoutAddress.size(), 2u);
    EXPECT_TRUE(std::none_of(rows.begin(), rows.end(), [&](const auto& row) { return withoutAddress.contains(row.dwIndex); }));
}

struct Counters {
    std::uint64_t rxBytes = 0;
    std::uint64_t txBytes = 0;
    std::uint64_t txPackets = 0;
};

Counters iproute2Counters(const NetNamespace& where, const std::string& name)
{
    const json links = json::parse(where.ipJson("-s link show " + name));
    const json& stats = links.at(0).at("stats64");
    return {stats.at("rx").at("bytes"), stats.at("tx").at("bytes"), stats.at("tx").at("packets")};
}

// A UDP socket made inside the namespace; it stays there whichever thread uses it later.
int udpSocketIn(const NetNamespace& where, const char* address, std::uint16_t port)
{
    int fd = -1;
    where.inside([&] {
        fd = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
        sockaddr_in local{};
        local.sin_family = AF_INET;
        local.sin_port = htons(port);
        local.sin_addr.s_addr = ipv4(address);
        if (fd >= 0 && bind(fd, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0) {
            close(fd);
            fd = -1;
        }
    });
    return fd;
}

TEST_F(KernelTables, TrafficAcrossAVethPairShowsInBothEndsCounters)
{
    peer = std::make_unique<NetNamespace>("b");
    ASSERT_TRUE(peer->created());
    // No traffic but the test's: IPv6 off (no router or neighbour messages), fixed neighbours
    // (no ARP).
    for (const auto* where : {ns.get(), peer.get()})
        ASSERT_TRUE(where->exec("sysctl -qw net.ipv6.conf.all.disable_ipv6=1 net.ipv6.conf.default.disable_ipv6=1"));
    ipAll(*ns, {"link add va address 02:00:00:00:00:0a type veth peer name vb address 02:00:00:00:00:0b netns " +
                    peer->name(),
                "addr add 10.200.0.1/24 dev va", "link set va up",
                "neigh replace 10.200.0.2 lladdr 02:00:00:00:00:0b dev va nud permanent"});
    ipAll(*peer, {"addr add 10.200.0.2/24 dev vb", "link set vb up",
                  "neigh replace 10.200.0.1 lladdr 02:00:00:00:00:0a dev vb nud permanent"});

    const int receiver = udpSocketIn(*peer, "10.200.0.2", 40000);
    const int sender = udpSocketIn(*ns, "10.200.0.1", 40001);
    ASSERT_GE(receiver, 0);
    ASSERT_GE(sender, 0);
    const timeval wait{5, 0};
    setsockopt(receiver, SOL_SOCKET, SO_RCVTIMEO, &wait, sizeof wait);

    const auto before = interfaces(*ns);
    const auto beforePeer = interfaces(*peer);
    const MIB_IFROW* va0 = rowNamed(before, "va");
    const MIB_IFROW* vb0 = rowNamed(beforePeer, "vb");
    ASSERT_NE(va0, nullptr);
    ASSERT_NE(vb0, nullptr);

    constexpr int Datagrams = 40;
    constexpr std::size_t Payload = 1000;
    constexpr std::size_t FrameBytes = Payload + 8 + 20 + 14;  // UDP, IPv4 and Ethernet headers
    const std::vector<char> data(Payload, 'x');
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(40000);
    to.sin_addr.s_addr = ipv4("10.200.0.2");
    for (int i = 0; i < Datagrams; ++i)
        ASSERT_EQ(sendto(sender, data.data(), data.size(), 0, reinterpret_cast<sockaddr*>(&to), sizeof to),
                  static_cast<ssize_t>(Payload));
    std::vector<char> got(Payload * 2);
    for (int i = 0; i < Datagrams; ++i)
        ASSERT_EQ(recv(receiver, got.data(), got.size(), 0), static_cast<ssize_t>(Payload)) << i;
    close(sender);
    close(receiver);

    const auto after = interfaces(*ns);
    const Counters vaKernel = iproute2Counters(*ns, "va");
    const auto afterPeer = interfaces(*peer);
    const Counters vbKernel = iproute2Counters(*peer, "vb");
    const MIB_IFROW* va1 = rowNamed(after, "va");
    const MIB_IFROW* vb1 = rowNamed(afterPeer, "vb");
    ASSERT_NE(va1, nullptr);
    ASSERT_NE(vb1, nullptr);

    const DWORD sent = va1->dwOutOctets - va0->dwOutOctets;  // modulo 2^32, as the record counts
    const DWORD received = vb1->dwInOctets - vb0->dwInOctets;
    EXPECT_EQ(sent, Datagrams * FrameBytes);
    EXPECT_EQ(received, Datagrams * FrameBytes);
    EXPECT_EQ(va1->dwOutUcastPkts - va0->dwOutUcastPkts, DWORD{Datagrams});
    EXPECT_EQ(va1->dwOutOctets, static_cast<DWORD>(vaKernel.txBytes));
    EXPECT_EQ(va1->dwInOctets, static_cast<DWORD>(vaKernel.rxBytes));
    EXPECT_EQ(va1->dwOutUcastPkts, static_cast<DWORD>(vaKernel.txPackets));
    EXPECT_EQ(vb1->dwInOctets, static_cast<DWORD>(vbKernel.rxBytes));
    EXPECT_EQ(vb1->dwOutOctets, static_cast<DWORD>(vbKernel.txBytes));
}

TEST_F(KernelTables, AFillCallSizedBeforeInterfacesWereAddedGetsTheNewSize)
{
    ipAll(*ns, {"link add e0 type veth peer name e0p"});
    DWORD sizeStatus = 0;
    DWORD fillStatus = 0;
    DWORD refillStatus = 0;
    ULONG sizedBefore = 0;
    ULONG sizeAfter = 0;
    DWORD entries = 0;
    bool untouched = false;
    ASSERT_TRUE(ns->inside([&] {
        sizeStatus = GetIfTable(nullptr, &sizedBefore, BOOL_FALSE);
        for (const std::string name : {"e1", "e2"})
            ns->ip("link add " + name + " type veth peer name " + name + "p");
        std::vector<std::byte> buffer(sizedBefore, std::byte{0xCD});
        sizeAfter = sizedBefore;
        fillStatus = GetIfTable(reinterpret_cast<PMIB_IFTABLE>(buffer.data()), &sizeAfter, BOOL_FALSE);
        untouched = std::all_of(buffer.begin(), buffer.end(), [](std::byte b) { return b == std::byte{0xCD}; });

        std::vector<std::byte> larger(sizeAfter);
        ULONG size = sizeAfter;
        refillStatus = GetIfTable(reinterpret_cast<PMIB_IFTABLE>(larger.data()), &size, BOOL_FALSE);
        std::memcpy(&entries, larger.data(), sizeof entries);
    }));
    EXPECT_EQ(sizeStatus, ERROR_INSUFFICIENT_BUFFER);
    EXPECT_EQ(sizedBefore, sizeof(DWORD) + 3 * sizeof(MIB_IFROW));  // lo, e0, e0p
    EXPECT_EQ(fillStatus, ERROR_INSUFFICIENT_BUFFER);
    EXPECT_EQ(sizeAfter, sizedBefore + 4 * sizeof(MIB_IFROW));
    EXPECT_TRUE(untouched);
    EXPECT_EQ(refillStatus, NO_ERROR);
    EXPECT_EQ(entries, 7u);
}

// One snapshot costs one dump: the fill call right after a size call answers from the size
// call's dump; any other call reads the kernel afresh. Traffic changes no table, so the kept
// dump still serves; its counters show which dump answered.
TEST_F(KernelTables, AFillCallAnswersFromItsSizeCallsDumpAndOnlyOnce)
{
    ipAll(*ns, {"link set lo up"});
    auto loopbackIn = [](const std::vector<std::byte>& table) {
        MIB_IFROW row;
        std::memcpy(&row, table.data() + sizeof(DWORD), sizeof row);  // lo is the only row
        return row.dwInOctets;
    };
    DWORD before = 0;
    DWORD reused = 0;
    DWORD fresh = 0;
    DWORD statuses[3] = {};
    ASSERT_TRUE(ns->inside([&] {
        ULONG size = 0;
        GetIfTable(nullptr, &size, BOOL_FALSE);
        std::vector<std::byte> table(size);
        ULONG given = size;
        statuses[0] = GetIfTable(reinterpret_cast<PMIB_IFTABLE>(table.data()), &given, BOOL_FALSE);
        before = loopbackIn(table);

        GetIfTable(nullptr, &size, BOOL_FALSE);
        const int fd = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
        sockaddr_in to{};
        to.sin_family = AF_INET;
        to.sin_port = htons(9);
        to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        const char data[100] = {};
        for (int i = 0; i < 10; ++i)
            sendto(fd, data, sizeof data, 0, reinterpret_cast<sockaddr*>(&to), sizeof to);
        close(fd);
        statuses[1] = GetIfTable(reinterpret_cast<PMIB_IFTABLE>(table.data()), &given, BOOL_FALSE);
        reused = loopbackIn(table);
        statuses[2] = GetIfTable(reinterpret_cast<PMIB_IFTABLE>(table.data()), &given, BOOL_FALSE);
        fresh = loopbackIn(table);
    }));
    for (DWORD status : statuses)
        EXPECT_EQ(status, NO_ERROR);
    EXPECT_EQ(reused, before);
    EXPECT_GE(fresh - before, 10u * (100 + 8 + 20 + 14));
}

TEST_F(KernelTables, AnAddressTableFillCallSizedBeforeAnAddressWasAddedGetsTheNewSize)
{
    ipAll(*ns, {"link add d0 type veth peer name d1", "addr add 10.5.0.1/24 dev d0"});
    DWORD fillStatus = 0;
    ULONG sizedBefore = 0;
    ULONG sizeAfter = 0;
    ASSERT_TRUE(ns->inside([&] {
        GetIpAddrTable(nullptr, &sizedBefore, BOOL_TRUE_ALL_BITS);
        ns->ip("addr add 10.5.0.2/24 dev d0");
        std::vector<std::byte> buffer(sizedBefore);
        sizeAfter = sizedBefore;
        fillStatus = GetIpAddrTable(reinterpret_cast<PMIB_IPADDRTABLE>(buffer.data()), &sizeAfter, BOOL_TRUE_ALL_BITS);
    }));
    EXPECT_EQ(sizedBefore, sizeof(DWORD) + sizeof(MIB_IPADDRROW));
    EXPECT_EQ(fillStatus, ERROR_INSUFFICIENT_BUFFER);
    EXPECT_EQ(sizeAfter, sizedBefore + sizeof(MIB_IPADDRROW));
}

TEST_F(KernelTables, TheCoreRoutinesShowTheNamespacesInterfaces)
{
    ipAll(*ns, {"link set lo up", "link add va type veth peer name vb", "addr add 10.1.3.5/24 dev va",
                "addr add 10.1.2.200/24 dev va", "link set va up"});
    const json links = json::parse(ns->ipJson("link show"));
    std::map<std::string, DWORD> indexOf;
    std::map<std::string, std::string> macOf;
    for (const json& link : links) {
        indexOf[link.at("ifname")] = link.at("ifindex");
        macOf[link.at("ifname")] = macText(link.at("address"));
    }

    TMIBIfArray rows;
    std::map<std::string, std::string> lookedUp;
    std::unique_ptr<TTraffic> record;
    ASSERT_TRUE(ns->inside([&] {
        GetIfTableArray(rows);
        for (const auto& [name, index] : indexOf)
            lookedUp[name] = TTraffic::LookupIPAddress(index);
        if (const MIB_IFROW* va = rowNamed(rows, "va"))
            record = std::make_unique<TTraffic>(*va, nullptr);
    }));

    std::map<std::string, DWORD> shown;
    for (const auto& row : rows)
        shown[nameOf(row)] = row.dwIndex;
    EXPECT_EQ(shown, indexOf);
    EXPECT_EQ(lookedUp["va"], " 10.  1.  2.200");  // the lowest of its two
    EXPECT_EQ(lookedUp["lo"], "127.  0.  0.  1");
    EXPECT_EQ(lookedUp["vb"], NotFoundAddress);
    ASSERT_NE(record, nullptr);
    EXPECT_EQ(record->IPAddress, " 10.  1.  2.200");
    EXPECT_EQ(record->MACAddress, macOf["va"]);
    EXPECT_EQ(record->Description, "va (veth)");
    EXPECT_EQ(record->Speed, 4'294'967'295u);
}

// The contract of the two calls, on whatever namespace the test process runs in: needs no root.
TEST(PlatformCalls, AnswerWithThePlatformsStatusCodes)
{
    EXPECT_EQ(GetIfTable(nullptr, nullptr, BOOL_FALSE), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(GetIpAddrTable(nullptr, nullptr, BOOL_FALSE), ERROR_INVALID_PARAMETER);
    MIB_IFTABLE table{};
    EXPECT_EQ(GetIfTable(&table, nullptr, BOOL_FALSE), ERROR_INVALID_PARAMETER);

    // No buffer: the size needed, whatever size was passed.
    ULONG needed = 0xFFFF'FFFF;
    ASSERT_EQ(GetIfTable(nullptr, &needed, BOOL_FALSE), ERROR_INSUFFICIENT_BUFFER);
    ASSERT_GE(needed, sizeof(DWORD) + sizeof(MIB_IFROW));  // there is a loopback at least
    EXPECT_EQ((needed - sizeof(DWORD)) % sizeof(MIB_IFROW), 0u);

    // One byte short: the size again, and not a byte of the buffer written.
    std::vector<std::byte> small(needed - 1, std::byte{0xCD});
    ULONG size = needed - 1;
    EXPECT_EQ(GetIfTable(reinterpret_cast<PMIB_IFTABLE>(small.data()), &size, BOOL_FALSE), ERROR_INSUFFICIENT_BUFFER);
    EXPECT_EQ(size, needed);
    EXPECT_TRUE(std::all_of(small.begin(), small.end(), [](std::byte b) { return b == std::byte{0xCD}; }));

    // Enough: the table, sorted by index when asked, and nothing written past it. The buffer
    // starts at an odd address: rows are copied, not assigned.
    std::vector<std::byte> storage(needed + 65, std::byte{0xCD});
    std::byte* buffer = storage.data() + 1;
    size = needed;
    ASSERT_EQ(GetIfTable(reinterpret_cast<PMIB_IFTABLE>(buffer), &size, BOOL_TRUE_ALL_BITS), NO_ERROR);
    EXPECT_EQ(size, needed);
    DWORD entries = 0;
    std::memcpy(&entries, buffer, sizeof entries);
    EXPECT_EQ(sizeof(DWORD) + entries * sizeof(MIB_IFROW), needed);
    EXPECT_TRUE(std::all_of(buffer + needed, storage.data() + storage.size(),
                            [](std::byte b) { return b == std::byte{0xCD}; }));
    std::vector<MIB_IFROW> rows(entries);
    std::memcpy(rows.data(), buffer + sizeof(DWORD), entries * sizeof(MIB_IFROW));
    EXPECT_TRUE(std::is_sorted(rows.begin(), rows.end(), [](const auto& a, const auto& b) { return a.dwIndex < b.dwIndex; }));

    ULONG addressSize = 0;
    ASSERT_EQ(GetIpAddrTable(nullptr, &addressSize, BOOL_TRUE_ALL_BITS), ERROR_INSUFFICIENT_BUFFER);
    std::vector<std::byte> addressBuffer(addressSize);
    ASSERT_EQ(GetIpAddrTable(reinterpret_cast<PMIB_IPADDRTABLE>(addressBuffer.data()), &addressSize, BOOL_TRUE_ALL_BITS),
              NO_ERROR);
}

// Runs f in a child process; true when the child exits with 0.
template <typename F>
bool inChild(F f)
{
    const pid_t child = fork();
    if (child < 0)
        return false;
    if (child == 0)
        _exit(f() ? 0 : 1);
    int status = 0;
    return waitpid(child, &status, 0) == child && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

#if defined(__x86_64__)
constexpr std::uint32_t NativeArch = AUDIT_ARCH_X86_64;
#elif defined(__aarch64__)
constexpr std::uint32_t NativeArch = AUDIT_ARCH_AARCH64;
#else
constexpr std::uint32_t NativeArch = 0;
#endif

// From here on, this process may open no netlink socket: socket(AF_NETLINK, ...) fails with
// EPERM, everything else goes on as before. Needs no privilege.
bool forbidNetlink()
{
    sock_filter filter[] = {
        BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, arch)),
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, NativeArch, 1, 0),
        BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW),
        BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, nr)),
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, SYS_socket, 0, 3),
        BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, args[0])),
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, AF_NETLINK, 0, 1),
        BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ERRNO | EPERM),
        BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW),
    };
    const sock_fprog program{static_cast<unsigned short>(std::size(filter)), filter};
    return prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) == 0 &&
           prctl(PR_SET_SECCOMP, SECCOMP_MODE_FILTER, &program) == 0;
}

// A kernel table that cannot be read is a general failure, with nothing written.
TEST(PlatformCalls, ATableThatCannotBeReadIsAFailureThatWritesNothing)
{
    if (NativeArch == 0)
        GTEST_SKIP() << "no system call filter for this processor";
    EXPECT_TRUE(inChild([] {
        if (!forbidNetlink())
            return false;
        ULONG ifSize = 12345;
        ULONG addrSize = 12345;
        const DWORD ifStatus = GetIfTable(nullptr, &ifSize, BOOL_FALSE);
        const DWORD addrStatus = GetIpAddrTable(nullptr, &addrSize, BOOL_TRUE_ALL_BITS);
        std::vector<std::byte> buffer(1 << 16, std::byte{0xCD});
        ULONG bufferSize = static_cast<ULONG>(buffer.size());
        const DWORD fillStatus = GetIfTable(reinterpret_cast<PMIB_IFTABLE>(buffer.data()), &bufferSize, BOOL_FALSE);
        const bool untouched =
            std::all_of(buffer.begin(), buffer.end(), [](std::byte b) { return b == std::byte{0xCD}; });
        return ifStatus == ERROR_GEN_FAILURE && addrStatus == ERROR_GEN_FAILURE && fillStatus == ERROR_GEN_FAILURE &&
               ifSize == 12345 && addrSize == 12345 && bufferSize == buffer.size() && untouched;
    }));
}

// No privilege is needed to read either table.
TEST(PlatformCalls, AnOrdinaryUserReadsBothTables)
{
    if (geteuid() != 0)
        GTEST_SKIP() << "already an ordinary user: the other tests show it";
    EXPECT_TRUE(inChild([] {
        const uid_t nobody = 65534;
        if (setgid(nobody) != 0 || setuid(nobody) != 0 || geteuid() == 0)
            return false;
        TMIBIfArray interfaces;
        GetIfTableArray(interfaces);
        TMibIPAddrArray addresses;
        GetIPAddrTableArray(addresses);
        return !interfaces.empty() && !addresses.empty();
    }));
}

// The address table's dump answers the calls that follow it for a short while, since every
// change of it is announced; so a change shows in the very next snapshot, however soon.
TEST_F(KernelTables, AnAddressChangeShowsInTheNextSnapshotHoweverSoon)
{
    ipAll(*ns, {"link add d0 type veth peer name d1", "addr add 10.6.0.1/24 dev d0"});
    auto has = [](const TMibIPAddrArray& rows, const char* address) {
        return std::any_of(rows.begin(), rows.end(), [&](const MIB_IPADDRROW& row) { return row.dwAddr == ipv4(address); });
    };
    TMibIPAddrArray first, added, removed, linkGone;
    bool changed = false;
    ASSERT_TRUE(ns->inside([&] {
        GetIPAddrTableArray(first);
        changed = ns->ip("addr add 10.6.1.2/24 dev d0");
        GetIPAddrTableArray(added);
        changed = changed && ns->ip("addr del 10.6.0.1/24 dev d0");
        GetIPAddrTableArray(removed);
        changed = changed && ns->ip("link del d0");
        GetIPAddrTableArray(linkGone);
    }));
    ASSERT_TRUE(changed);
    EXPECT_TRUE(has(first, "10.6.0.1") && !has(first, "10.6.1.2"));
    EXPECT_TRUE(has(added, "10.6.0.1") && has(added, "10.6.1.2"));
    EXPECT_TRUE(!has(removed, "10.6.0.1") && has(removed, "10.6.1.2"));
    EXPECT_FALSE(has(linkGone, "10.6.1.2"));
}

// A burst of address snapshots, one per interface a poll cycle finds new, costs one dump: with
// the kernel out of reach right after the first, the next ones still answer, the same rows,
// while the interface table, whose counters must be fresh, cannot be read.
TEST_F(KernelTables, AddressSnapshotsRightAfterOneAnswerFromItsDump)
{
    if (NativeArch == 0)
        GTEST_SKIP() << "no system call filter for this processor";
    ipAll(*ns, {"link set lo up", "link add d0 type veth peer name d1", "addr add 10.7.0.1/24 dev d0"});
    bool answered = false;
    ASSERT_TRUE(ns->inside([&] {
        answered = inChild([] {
            TMibIPAddrArray first;
            GetIPAddrTableArray(first);
            if (first.size() != 2 || !forbidNetlink())
                return false;
            for (int i = 0; i < 100; ++i) {
                TMibIPAddrArray again;
                GetIPAddrTableArray(again);
                if (again.size() != first.size() ||
                    std::memcmp(again.data(), first.data(), first.size() * sizeof(MIB_IPADDRROW)) != 0)
                    return false;
            }
            TMIBIfArray interfaces;
            GetIfTableArray(interfaces);
            return interfaces.empty();
        });
    }));
    EXPECT_TRUE(answered);
}

}  // namespace
}  // namespace brisvale::platform
