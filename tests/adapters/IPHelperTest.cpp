#include <gtest/gtest.h>

#include <cstring>

#include "IPHelper.h"
#include "PlatformDouble.h"

namespace {

using namespace brisvale::testing;

class SnapshotTest : public ::testing::Test {
protected:
    void SetUp() override { resetPlatform(); }
    void TearDown() override { resetPlatform(); }
};

MIB_IFROW richRow(DWORD index)
{
    MIB_IFROW row = makeIfRow(index, 1000 * index, 2000 * index, 100000000);
    setDescription(row, "Test adapter");
    row.dwPhysAddrLen = 6;
    for (int i = 0; i < 6; ++i)
        row.bPhysAddr[i] = static_cast<UCHAR>(index * 16 + i);
    row.wszName[0] = u'e';
    return row;
}

bool sameBytes(const MIB_IFROW& a, const MIB_IFROW& b)
{
    return std::memcmp(&a, &b, sizeof a) == 0;
}

TEST_F(SnapshotTest, CopiesEveryRowWholeInPlatformOrderAndReplacesOldContents)
{
    ifTable().rows = {richRow(7), richRow(2), richRow(5)};
    TMIBIfArray array(5, makeIfRow(99));

    GetIfTableArray(array);

    ASSERT_EQ(array.size(), 3u);
    for (std::size_t i = 0; i < 3; ++i)
        EXPECT_TRUE(sameBytes(array[i], ifTable().rows[i])) << "row " << i;

    const auto& calls = ifTable().calls;
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_FALSE(calls[0].hadBuffer);
    EXPECT_EQ(calls[0].sizeIn, 0u);
    EXPECT_EQ(calls[0].order, 0);
    EXPECT_TRUE(calls[1].hadBuffer);
    EXPECT_EQ(calls[1].sizeIn, IfTableDouble::sizeFor(3));
    EXPECT_EQ(calls[1].order, 0);
}

TEST_F(SnapshotTest, AddressSnapshotAsksForSortedRowsAndKeepsTheirOrder)
{
    addrTable().rows = {makeAddrRow(3, 10, 0, 0, 5), makeAddrRow(1, 127, 0, 0, 1),
                        makeAddrRow(2, 192, 168, 1, 20)};
    TMibIPAddrArray array;

    GetIPAddrTableArray(array);

    ASSERT_EQ(array.size(), 3u);
    EXPECT_EQ(array[0].dwIndex, 3u);
    EXPECT_EQ(array[1].dwIndex, 1u);
    EXPECT_EQ(array[2].dwIndex, 2u);
    ASSERT_EQ(addrTable().calls.size(), 2u);
    EXPECT_EQ(addrTable().calls[0].order, -1);
    EXPECT_EQ(addrTable().calls[1].order, -1);
}

// Every way a snapshot can fail leaves the caller's array as it was.
struct FailureCase {
    const char* name;
    std::vector<ScriptedAnswer<MIB_IFROW>> script;
    std::size_t expectedCalls;
};

class SnapshotFailureTest : public SnapshotTest,
                            public ::testing::WithParamInterface<FailureCase> {};

TEST_P(SnapshotFailureTest, LeavesTheArrayAsItWasAndMakesNoFurtherCall)
{
    for (const auto& answer : GetParam().script)
        ifTable().script.push_back(answer);
    ifTable().rows = {richRow(1)};  // what a further, unscripted call would see
    TMIBIfArray array = {makeIfRow(41), makeIfRow(42)};

    GetIfTableArray(array);

    ASSERT_EQ(array.size(), 2u);
    EXPECT_EQ(array[0].dwIndex, 41u);
    EXPECT_EQ(array[1].dwIndex, 42u);
    EXPECT_EQ(ifTable().calls.size(), GetParam().expectedCalls);
}

const ULONG oneRow = IfTableDouble::sizeFor(1);

INSTANTIATE_TEST_SUITE_P(
    Snapshot, SnapshotFailureTest,
    ::testing::Values(
        FailureCase{"FirstCallAnswersNoError", {{NO_ERROR, 0, std::nullopt, std::nullopt}}, 1},
        FailureCase{"FirstCallFails", {{ERROR_NOT_SUPPORTED, oneRow, std::nullopt, std::nullopt}}, 1},
        FailureCase{"SecondCallFails",
                    {{ERROR_INSUFFICIENT_BUFFER, oneRow, std::nullopt, std::nullopt},
                     {ERROR_GEN_FAILURE, std::nullopt, std::nullopt, std::nullopt}},
                    2},
        FailureCase{"TableGrewBetweenTheCalls",
                    {{ERROR_INSUFFICIENT_BUFFER, oneRow, std::nullopt, std::nullopt},
                     {ERROR_INSUFFICIENT_BUFFER, IfTableDouble::sizeFor(2), std::nullopt,
                      std::nullopt}},
                    2},
        FailureCase{"TableWithoutRows",
                    {{ERROR_INSUFFICIENT_BUFFER, IfTableDouble::sizeFor(0), std::nullopt,
                      std::nullopt},
                     {NO_ERROR, std::nullopt, std::vector<MIB_IFROW>{}, std::nullopt}},
                    2},
        FailureCase{"SizeTooSmallForTheCount",
                    {{ERROR_INSUFFICIENT_BUFFER, 2, std::nullopt, std::nullopt},
                     {NO_ERROR, std::nullopt, std::nullopt, std::nullopt}},
                    2}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(SnapshotTest, SecondCallGetsABufferOfExactlyTheSizeWrittenBack)
{
    const ULONG odd = IfTableDouble::sizeFor(2) + 3;
    ifTable().script.push_back({ERROR_INSUFFICIENT_BUFFER, odd, std::nullopt, std::nullopt});
    ifTable().script.push_back({NO_ERROR, std::nullopt, std::vector{richRow(1), richRow(2)},
                                std::nullopt});
    TMIBIfArray array;

    GetIfTableArray(array);

    ASSERT_EQ(ifTable().calls.size(), 2u);
    EXPECT_EQ(ifTable().calls[1].sizeIn, odd);
    EXPECT_EQ(array.size(), 2u);
}

TEST_F(SnapshotTest, CountThatClaimsMoreRowsThanTheBufferHoldsIsCutToTheRowsThatFit)
{
    ifTable().script.push_back(
        {ERROR_INSUFFICIENT_BUFFER, IfTableDouble::sizeFor(2), std::nullopt, std::nullopt});
    ifTable().script.push_back(
        {NO_ERROR, std::nullopt, std::vector{richRow(1), richRow(2)}, 0xFFFFFFFFu});
    TMIBIfArray array;

    GetIfTableArray(array);

    ASSERT_EQ(array.size(), 2u);
    EXPECT_TRUE(sameBytes(array[1], richRow(2)));
}

TEST_F(SnapshotTest, GrowingTableIsSeenWholeByTheNextSnapshot)
{
    ifTable().rows = {richRow(1)};
    ifTable().beforeCall = [](std::size_t callsBefore) {
        if (callsBefore == 1)
            ifTable().rows.push_back(richRow(2));
    };
    TMIBIfArray array;

    GetIfTableArray(array);
    EXPECT_TRUE(array.empty());

    GetIfTableArray(array);
    EXPECT_EQ(array.size(), 2u);
    EXPECT_EQ(ifTable().calls.size(), 4u);
}

struct MacCase {
    std::vector<UCHAR> bytes;
    DWORD length;
    const char* text;
};

class MacAddrToStrTest : public ::testing::TestWithParam<MacCase> {};

TEST_P(MacAddrToStrTest, WritesUpperCaseHexGroups)
{
    UCHAR bytes[MAXLEN_PHYSADDR] = {};
    std::copy(GetParam().bytes.begin(), GetParam().bytes.end(), bytes);
    EXPECT_EQ(MacAddrToStr(bytes, GetParam().length), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, MacAddrToStrTest,
    ::testing::Values(
        MacCase{{0x02, 0x0A, 0xBC, 0x3D, 0xEF, 0x01}, 6, "02-0A-BC-3D-EF-01"},
        MacCase{{0x02, 0x0A, 0xBC, 0x3D, 0xEF, 0x01}, 3, "02-0A-BC"},
        MacCase{{0x02, 0x0A, 0xBC, 0x3D, 0xEF, 0x01}, 1, "02"},
        MacCase{{0xDE, 0xAD, 0xBE, 0xEF, 0x01, 0x02}, 0, "00-00-00-00-00-00"},
        MacCase{{0, 1, 2, 3, 4, 5, 6, 0xFF}, 8, "00-01-02-03-04-05-06-FF"},
        // A length beyond the 8 bytes of the row reads no further than they go.
        MacCase{{0, 1, 2, 3, 4, 5, 6, 0xFF}, 9, "00-01-02-03-04-05-06-FF"},
        MacCase{{0, 1, 2, 3, 4, 5, 6, 0xFF}, 0xFFFFFFFF, "00-01-02-03-04-05-06-FF"}));

struct AddrCase {
    BYTE octets[4];
    const char* text;
};

class IPAddrToStrTest : public ::testing::TestWithParam<AddrCase> {};

TEST_P(IPAddrToStrTest, RightAlignsEachOctetInThreeCharacters)
{
    const auto& o = GetParam().octets;
    const MIB_IPADDRROW row = makeAddrRow(1, o[0], o[1], o[2], o[3]);
    const std::string text = IPAddrToStr(row.dwAddr);
    EXPECT_EQ(text, GetParam().text);
    EXPECT_EQ(text.size(), 15u);
}

INSTANTIATE_TEST_SUITE_P(Texts, IPAddrToStrTest,
                         ::testing::Values(AddrCase{{10, 0, 0, 5}, " 10.  0.  0.  5"},
                                           AddrCase{{192, 168, 1, 20}, "192.168.  1. 20"},
                                           AddrCase{{127, 0, 0, 1}, "127.  0.  0.  1"},
                                           AddrCase{{0, 0, 0, 0}, "  0.  0.  0.  0"},
                                           AddrCase{{255, 255, 255, 255}, "255.255.255.255"}));

}  // namespace
