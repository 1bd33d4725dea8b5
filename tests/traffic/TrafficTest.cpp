#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <vector>

#include "PlatformDouble.h"
#include "TrafficUnit.h"

namespace {

using namespace brisvale::testing;
using namespace std::chrono;

constexpr DWORD kIndex = 7;

// A record over the scripted platform, with the clock set to a known moment.
class TrafficTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        resetPlatform();
        saved_ = SetLocalClock([this] { return now_; });
    }
    void TearDown() override
    {
        SetLocalClock(saved_);
        resetPlatform();
    }

    std::unique_ptr<TTraffic> make(DWORD in = 0, DWORD out = 0, DWORD speed = 100000000)
    {
        return std::make_unique<TTraffic>(makeIfRow(kIndex, in, out, speed), nullptr);
    }

    TDateTime now_ = local_days{2026y / 12 / 11} + 9h + 30min + 15s + 250ms;

private:
    LocalClockSource saved_;
};

TEST_F(TrafficTest, NewRecordIsConnectedRunningAndZeroed)
{
    MIB_IFROW row = makeIfRow(kIndex, 500, 600, 1000000000);
    row.dwPhysAddrLen = 6;
    const UCHAR mac[] = {0x02, 0x0A, 0xBC, 0x3D, 0xEF, 0x01};
    std::copy(std::begin(mac), std::end(mac), row.bPhysAddr);
    setDescription(row, "  Virtio network device \t");
    addrTable().rows = {makeAddrRow(3, 10, 0, 0, 9), makeAddrRow(kIndex, 10, 0, 0, 5),
                        makeAddrRow(kIndex, 192, 168, 1, 20)};

    TTraffic t(row, nullptr);

    EXPECT_EQ(t.GetStatus(), "Connected, Running");
    EXPECT_EQ(t.GetActiveTime(), "00:00:00");
    EXPECT_EQ(t.InterfaceIndex, kIndex);
    EXPECT_EQ(t.IPAddress, " 10.  0.  0.  5");  // the first of its two, in table order
    EXPECT_EQ(t.MACAddress, "02-0A-BC-3D-EF-01");
    EXPECT_EQ(t.Description, "Virtio network device");
    EXPECT_EQ(t.Speed, 1000000000u);
    EXPECT_EQ(t.StartedAt, now_);
    EXPECT_EQ(t.LastInOctets, 500u);
    EXPECT_EQ(t.LastOutOctets, 600u);
    for (DWORD v : {t.InPerSec, t.TotalIn, t.PeakInSec, t.InSamples, t.AvgInSec, t.OutPerSec,
                    t.TotalOut, t.PeakOutSec, t.OutSamples, t.AvgOutSec, t.SecondsActive})
        EXPECT_EQ(v, 0u);
    EXPECT_FALSE(t.Found);
    EXPECT_FALSE(t.OnFreeze);
    EXPECT_FALSE(t.OnUnFreeze);
}

TEST_F(TrafficTest, CreatedEventSeesEveryFieldSetButFoundAndTheEvents)
{
    addrTable().rows = {makeAddrRow(kIndex, 127, 0, 0, 1)};
    std::vector<std::string> seen;
    const TTrafficEvent created = [&](TTraffic* t) {
        seen.push_back(t->IPAddress + "|" + t->GetStatus() + "|" + std::to_string(t->Speed) +
                       "|" + std::to_string(t->LastInOctets) + "|" +
                       (t->Found || t->OnFreeze || t->OnUnFreeze ? "set" : "unset"));
        EXPECT_EQ(t->StartedAt, now_);
    };

    TTraffic t(makeIfRow(kIndex, 42, 0, 1000), created);

    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0], "127.  0.  0.  1|Connected, Running|1000|42|unset");
}

TEST_F(TrafficTest, AddressLookupFallsBackToNotFound)
{
    addrTable().rows = {makeAddrRow(kIndex + 1, 10, 0, 0, 5)};
    EXPECT_EQ(make()->IPAddress, "!not_found!");

    addrTable().rows = {makeAddrRow(kIndex, 10, 0, 0, 5)};
    addrTable().script.push_back({ERROR_GEN_FAILURE, std::nullopt, std::nullopt, std::nullopt});
    EXPECT_EQ(make()->IPAddress, "!not_found!");
    EXPECT_EQ(addrTable().calls.size(), 3u);  // a whole snapshot, then a failed size call
}

struct DescriptionCase {
    const char* name;
    std::string bytes;  // what bDescr holds
    DWORD length;       // what dwDescrLen claims
    std::string text;
};

class DescriptionTest : public TrafficTest, public ::testing::WithParamInterface<DescriptionCase> {};

TEST_P(DescriptionTest, TakesTheCountedBytesWithoutBlanksOrTheZero)
{
    MIB_IFROW row = makeIfRow(kIndex);
    std::copy(GetParam().bytes.begin(), GetParam().bytes.end(), row.bDescr);
    row.dwDescrLen = GetParam().length;
    EXPECT_EQ(TTraffic(row, nullptr).Description, GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(
    Descriptions, DescriptionTest,
    ::testing::Values(
        DescriptionCase{"Plain", std::string("eth0 card\0", 10), 10, "eth0 card"},
        DescriptionCase{"BlanksAndControls", std::string("\t  Intel(R) PRO \r\n\0", 20), 20,
                        "Intel(R) PRO"},
        DescriptionCase{"LengthZero", "ignored", 0, ""},
        DescriptionCase{"LengthOne", "ignored", 1, ""},
        DescriptionCase{"OnlyBlanks", std::string("    \0", 5), 5, ""},
        DescriptionCase{"LengthShorterThanText", "abcdef", 4, "abc"},
        // A length beyond the array reads no further than its 256 bytes.
        DescriptionCase{"LengthBeyondTheArray", std::string(256, 'x'), 100000,
                        std::string(256, 'x')}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(TrafficTest, SamplesGiveLastPeakAverageAndTotal)
{
    auto t = make(0, 0);
    t->NewValues(100, 10, 1);
    t->NewValues(100, 30, 2);
    t->NewValues(300, 30, 3);

    EXPECT_EQ(t->InPerSec, 200u);
    EXPECT_EQ(t->TotalIn, 300u);
    EXPECT_EQ(t->InSamples, 2u);
    EXPECT_EQ(t->PeakInSec, 200u);
    EXPECT_EQ(t->AvgInSec, 150u);
    EXPECT_EQ(t->OutPerSec, 0u);
    EXPECT_EQ(t->TotalOut, 30u);
    EXPECT_EQ(t->OutSamples, 2u);
    EXPECT_EQ(t->PeakOutSec, 20u);
    EXPECT_EQ(t->AvgOutSec, 15u);
    EXPECT_EQ(t->SecondsActive, 3u);
    EXPECT_EQ(t->Speed, 3u);
}

TEST_F(TrafficTest, AverageDropsTheRemainder)
{
    auto t = make(0, 0);
    t->NewValues(1, 0, 0);
    t->NewValues(3, 0, 0);
    EXPECT_EQ(t->AvgInSec, 1u);
}

struct WrapCase {
    const char* name;
    DWORD last;
    DWORD reading;
    DWORD perSec;
};

class CounterWrapTest : public TrafficTest, public ::testing::WithParamInterface<WrapCase> {};

TEST_P(CounterWrapTest, DifferenceIsTakenModulo2To32InBothDirections)
{
    auto t = make(GetParam().last, GetParam().last);
    t->NewValues(GetParam().reading, GetParam().reading, 0);
    EXPECT_EQ(t->InPerSec, GetParam().perSec);
    EXPECT_EQ(t->OutPerSec, GetParam().perSec);
    EXPECT_EQ(t->PeakInSec, GetParam().perSec);
    EXPECT_EQ(t->PeakOutSec, GetParam().perSec);
    EXPECT_EQ(t->TotalIn, GetParam().perSec);
}

INSTANTIATE_TEST_SUITE_P(Wraps, CounterWrapTest,
                         ::testing::Values(WrapCase{"PassesTheTop", 0xFFFFFFFFu - 99, 50, 150},
                                           WrapCase{"SetBack", 1000, 800, 0xFFFFFFFFu - 199},
                                           WrapCase{"Unchanged", 0xFFFFFFFFu, 0xFFFFFFFFu, 0}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(TrafficTest, TotalWrapsAndAverageFollowsTheWrappedTotal)
{
    auto t = make(0, 0);
    t->NewValues(0xFFFFFFF0u, 0, 0);
    t->NewValues(0xFFFFFFF0u + 0x20u, 0, 0);  // 0x20 more, the counter wrapped
    EXPECT_EQ(t->TotalIn, 0x10u);
    EXPECT_EQ(t->InSamples, 2u);
    EXPECT_EQ(t->AvgInSec, 8u);
    EXPECT_EQ(t->PeakInSec, 0xFFFFFFF0u);
}

TEST_F(TrafficTest, FrozenSamplesCountTimeOnlyAndTheNextRunningSampleCarriesAllTraffic)
{
    auto t = make(0, 0, 10);
    t->NewValues(100, 100, 10);
    t->Freeze();
    for (DWORD reading : {200u, 300u, 400u})
        t->NewValues(reading, reading, 99);

    EXPECT_EQ(t->SecondsActive, 4u);
    EXPECT_EQ(t->InPerSec, 100u);
    EXPECT_EQ(t->TotalIn, 100u);
    EXPECT_EQ(t->Speed, 10u);
    EXPECT_EQ(t->LastInOctets, 100u);

    t->UnFreeze();
    t->NewValues(500, 500, 20);
    EXPECT_EQ(t->InPerSec, 400u);
    EXPECT_EQ(t->TotalIn, 500u);
    EXPECT_EQ(t->InSamples, 2u);
    EXPECT_EQ(t->AvgInSec, 250u);
    EXPECT_EQ(t->Speed, 20u);
    EXPECT_EQ(t->SecondsActive, 5u);
}

TEST_F(TrafficTest, ClearRestartsStatisticsButKeepsReadingsAveragesAndSpeed)
{
    auto t = make(0, 0, 77);
    t->NewValues(100, 60, 77);
    t->NewValues(300, 60, 77);
    now_ += 5s;
    t->ClearCounters();

    EXPECT_EQ(t->StartedAt, now_);
    EXPECT_EQ(t->GetActiveTime(), "00:00:00");
    for (DWORD v : {t->SecondsActive, t->InSamples, t->OutSamples, t->TotalIn, t->TotalOut,
                    t->InPerSec, t->OutPerSec, t->PeakInSec, t->PeakOutSec})
        EXPECT_EQ(v, 0u);
    EXPECT_EQ(t->AvgInSec, 150u);
    EXPECT_EQ(t->AvgOutSec, 60u);
    EXPECT_EQ(t->Speed, 77u);
    EXPECT_EQ(t->GetStatus(), "Connected, Running");

    t->NewValues(310, 60, 77);  // only the traffic since the previous reading
    EXPECT_EQ(t->InPerSec, 10u);
    EXPECT_EQ(t->TotalIn, 10u);
    EXPECT_EQ(t->AvgInSec, 10u);
    EXPECT_EQ(t->AvgOutSec, 0u);
}

TEST_F(TrafficTest, ClearWhileFrozenKeepsAveragesUntilTheRecordRunsAgain)
{
    auto t = make(0, 0);
    t->NewValues(100, 0, 0);
    t->Freeze();
    t->NewValues(150, 0, 0);
    t->ClearCounters();
    t->NewValues(170, 0, 0);
    EXPECT_EQ(t->AvgInSec, 100u);
    EXPECT_EQ(t->SecondsActive, 1u);

    t->UnFreeze();
    t->NewValues(200, 0, 0);
    EXPECT_EQ(t->InPerSec, 100u);  // everything since the reading before the freeze
    EXPECT_EQ(t->AvgInSec, 100u);
    EXPECT_EQ(t->InSamples, 1u);
}

// Each transition is a sequence of operations from a new record, with the events they fire.
struct TransitionCase {
    const char* name;
    std::vector<const char*> operations;
    const char* status;
    std::vector<std::string> events;
};

class TransitionTest : public TrafficTest, public ::testing::WithParamInterface<TransitionCase> {};

TEST_P(TransitionTest, StateAndEventsFollowTheOperations)
{
    auto t = make();
    std::vector<std::string> events;
    t->OnFreeze = [&](TTraffic* s) { events.push_back(s->Running ? "freeze:running" : "freeze:stopped"); };
    t->OnUnFreeze = [&](TTraffic* s) { events.push_back(s->Running ? "unfreeze:running" : "unfreeze:stopped"); };

    for (std::string op : GetParam().operations) {
        if (op == "freeze")
            t->Freeze();
        else if (op == "unfreeze")
            t->UnFreeze();
        else if (op == "disconnect")
            t->SetDisconnected();
        else if (op == "clear")
            t->ClearCounters();
        else if (op == "sample")
            t->NewValues(1, 1, 1);
    }

    EXPECT_EQ(t->GetStatus(), GetParam().status);
    EXPECT_EQ(events, GetParam().events);
}

INSTANTIATE_TEST_SUITE_P(
    States, TransitionTest,
    ::testing::Values(
        TransitionCase{"Freeze", {"freeze"}, "Connected, NOT running", {"freeze:stopped"}},
        TransitionCase{"FreezeTwice", {"freeze", "freeze"}, "Connected, NOT running",
                       {"freeze:stopped", "freeze:stopped"}},
        TransitionCase{"Resume", {"freeze", "unfreeze"}, "Connected, Running",
                       {"freeze:stopped", "unfreeze:running"}},
        TransitionCase{"ResumeWhileRunning", {"unfreeze"}, "Connected, Running",
                       {"unfreeze:running"}},
        TransitionCase{"Disconnect", {"disconnect"}, "NOT connected, NOT running", {}},
        TransitionCase{"DisconnectFrozen", {"freeze", "disconnect"}, "NOT connected, NOT running",
                       {"freeze:stopped"}},
        TransitionCase{"ResumeDisconnected", {"freeze", "disconnect", "unfreeze"},
                       "NOT connected, Running", {"freeze:stopped", "unfreeze:running"}},
        TransitionCase{"FreezeDisconnectedRunning", {"disconnect", "unfreeze", "freeze"},
                       "NOT connected, NOT running", {"unfreeze:running", "freeze:stopped"}},
        TransitionCase{"SamplesAndClearsChangeNoState",
                       {"disconnect", "sample", "clear", "sample"},
                       "NOT connected, NOT running", {}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(TrafficTest, DisconnectedButRunningRecordTakesSamples)
{
    auto t = make(0, 0);
    t->SetDisconnected();
    t->NewValues(100, 0, 0);
    EXPECT_EQ(t->TotalIn, 0u);
    t->UnFreeze();
    t->NewValues(150, 0, 0);
    EXPECT_EQ(t->InPerSec, 150u);
    EXPECT_FALSE(t->Connected);
}

struct ActiveTimeCase {
    DWORD seconds;
    const char* text;
};

class ActiveTimeTest : public TrafficTest, public ::testing::WithParamInterface<ActiveTimeCase> {};

TEST_P(ActiveTimeTest, WritesHoursMinutesSeconds)
{
    auto t = make();
    t->SecondsActive = GetParam().seconds;
    EXPECT_EQ(t->GetActiveTime(), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(Times, ActiveTimeTest,
                         ::testing::Values(ActiveTimeCase{0, "00:00:00"},
                                           ActiveTimeCase{59, "00:00:59"},
                                           ActiveTimeCase{61, "00:01:01"},
                                           ActiveTimeCase{3599, "00:59:59"},
                                           ActiveTimeCase{3600, "01:00:00"},
                                           ActiveTimeCase{360000, "100:00:00"},
                                           ActiveTimeCase{0xFFFFFFFFu, "1193046:28:15"}));

TEST_F(TrafficTest, FiftyNineSamplesAreFiftyNineSeconds)
{
    auto t = make();
    for (int i = 0; i < 59; ++i)
        t->NewValues(0, 0, 0);
    EXPECT_EQ(t->GetActiveTime(), "00:00:59");
}

}  // namespace
