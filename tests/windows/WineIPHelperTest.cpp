// The snapshot routines against the IP helper library of Wine, which reads the interfaces of the
// Linux machine it runs on: what they see must be what Linux reports. The ctest driver writes
// Linux's view to the file named by BRISVALE_LINUX_INTERFACES (see linux-interfaces.sh).
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "IPHelper.h"
#include "TrafficUnit.h"

namespace {

// ARPHRD_* link types of Linux whose interfaces Wine lists with their hardware address.
constexpr int LinkEthernet = 1;
constexpr int LinkLoopback = 772;

struct LinuxInterface {
    DWORD index = 0;
    std::string name;
    int linkType = 0;
    std::string mac;  // as Linux writes it: "02:fc:00:00:00:01"
    std::vector<std::string> addresses;  // dotted IPv4: "192.0.2.2"

    bool comparable() const { return linkType == LinkEthernet || linkType == LinkLoopback; }
};

std::vector<LinuxInterface> readLinuxInterfaces(const std::string& path)
{
    std::vector<LinuxInterface> interfaces;
    std::ifstream file(path);
    std::string line;
    while (std::getline(file, line)) {
        std::istringstream fields(line);
        LinuxInterface nic;
        if (!(fields >> nic.index >> nic.name >> nic.linkType >> nic.mac))
            continue;
        for (std::string address; fields >> address;)
            nic.addresses.push_back(address);
        interfaces.push_back(std::move(nic));
    }
    return interfaces;
}

// "02:fc:00:00:00:01" as the program writes hardware addresses: "02-FC-00-00-00-01".
std::string programMac(std::string mac)
{
    std::replace(mac.begin(), mac.end(), ':', '-');
    std::transform(mac.begin(), mac.end(), mac.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return mac;
}

// "192.0.2.2" as the program writes IPv4 addresses: "192.  0.  2.  2".
std::string programAddress(const std::string& dotted)
{
    std::string text;
    std::istringstream octets(dotted);
    for (std::string octet; std::getline(octets, octet, '.');) {
        if (!text.empty())
            text += '.';
        text += std::string(3 - std::min<std::size_t>(octet.size(), 3), ' ') + octet;
    }
    return text;
}

// The description bytes the platform wrote, up to dwDescrLen or the first zero.
std::string descriptionBytes(const MIB_IFROW& row)
{
    const char* bytes = reinterpret_cast<const char*>(row.bDescr);
    const std::size_t length = std::min<std::size_t>(row.dwDescrLen, MAXLEN_IFDESCR);
    return std::string(bytes, std::find(bytes, bytes + length, '\0'));
}

class WineIPHelper : public ::testing::Test {
protected:
    void SetUp() override
    {
        const char* path = std::getenv("BRISVALE_LINUX_INTERFACES");
        if (path == nullptr)
            GTEST_SKIP() << "BRISVALE_LINUX_INTERFACES names no list of Linux's interfaces";
        for (LinuxInterface& nic : readLinuxInterfaces(path))
            if (nic.comparable())
                onLinux.push_back(std::move(nic));
        ASSERT_FALSE(onLinux.empty()) << "no interfaces listed in " << path;
    }

    const MIB_IFROW* rowOf(const TMIBIfArray& rows, DWORD index) const
    {
        const auto row = std::find_if(rows.begin(), rows.end(),
                                      [&](const MIB_IFROW& r) { return r.dwIndex == index; });
        return row != rows.end() ? &*row : nullptr;
    }

    std::vector<LinuxInterface> onLinux;
};

TEST_F(WineIPHelper, InterfaceTableHoldsLinuxInterfacesWithTheirHardwareAddresses)
{
    TMIBIfArray rows;
    GetIfTableArray(rows);
    ASSERT_FALSE(rows.empty());

    std::set<DWORD> linuxIndexes;
    for (const LinuxInterface& nic : onLinux) {
        linuxIndexes.insert(nic.index);
        SCOPED_TRACE(nic.name);
        const MIB_IFROW* row = rowOf(rows, nic.index);
        ASSERT_NE(row, nullptr) << "no row with index " << nic.index;
        EXPECT_EQ(MacAddrToStr(row->bPhysAddr, row->dwPhysAddrLen), programMac(nic.mac));
        EXPECT_EQ(descriptionBytes(*row), nic.name);
        EXPECT_EQ(row->dwType, nic.linkType == LinkLoopback ? DWORD{IF_TYPE_SOFTWARE_LOOPBACK}
                                                            : DWORD{IF_TYPE_ETHERNET_CSMACD});
    }
    // Every Ethernet or loopback row stands for an interface that Linux has.
    for (const MIB_IFROW& row : rows) {
        if (row.dwType == IF_TYPE_ETHERNET_CSMACD || row.dwType == IF_TYPE_SOFTWARE_LOOPBACK) {
            EXPECT_EQ(linuxIndexes.count(row.dwIndex), 1u)
                << "row " << row.dwIndex << " (" << descriptionBytes(row) << ") is not on Linux";
        }
    }
}

TEST_F(WineIPHelper, AddressTableHoldsLinuxIPv4Addresses)
{
    TMibIPAddrArray rows;
    GetIPAddrTableArray(rows);

    std::set<std::pair<DWORD, std::string>> expected;
    for (const LinuxInterface& nic : onLinux)
        for (const std::string& address : nic.addresses)
            expected.emplace(nic.index, programAddress(address));
    std::set<std::pair<DWORD, std::string>> seen;
    for (const MIB_IPADDRROW& row : rows)
        if (std::any_of(onLinux.begin(), onLinux.end(),
                        [&](const LinuxInterface& nic) { return nic.index == row.dwIndex; }))
            seen.emplace(row.dwIndex, IPAddrToStr(row.dwAddr));
    EXPECT_EQ(seen, expected);
}

TEST_F(WineIPHelper, RecordOfEachInterfaceCarriesItsAddressTexts)
{
    TMIBIfArray rows;
    GetIfTableArray(rows);
    for (const LinuxInterface& nic : onLinux) {
        SCOPED_TRACE(nic.name);
        const MIB_IFROW* row = rowOf(rows, nic.index);
        ASSERT_NE(row, nullptr);

        std::vector<std::string> texts;
        for (const std::string& address : nic.addresses)
            texts.push_back(programAddress(address));
        const std::string looked = TTraffic::LookupIPAddress(nic.index);
        if (texts.empty())
            EXPECT_EQ(looked, NotFoundAddress);
        else
            EXPECT_NE(std::find(texts.begin(), texts.end(), looked), texts.end()) << looked;

        const TTraffic record(*row, nullptr);
        EXPECT_EQ(record.InterfaceIndex, nic.index);
        EXPECT_EQ(record.IPAddress, looked);
        EXPECT_EQ(record.MACAddress, programMac(nic.mac));
    }
}

}  // namespace
