// The main window under churn: a long, seeded random run of poll cycles over a scripted interface
// table whose adapters come, go and come back, with the user's commands in between. After every
// step the adapter list, the selection and every record must still make sense.
//
// BRISVALE_SOAK_CYCLES sets the number of poll cycles, BRISVALE_SOAK_SEED the seed. A failure
// names the seed, the cycle and the last steps, so that the run can be repeated exactly.

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <deque>
#include <iostream>
#include <map>
#include <memory>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include <QPushButton>
#include <QTest>

#include "ErrorReport.h"
#include "GlyphButton.h"
#include "MainFormUnit.h"
#include "PlatformDouble.h"
#include "ShownWindow.h"
#include "TabSet.h"
#include "Timer.h"
#include "TrafficUnit.h"

namespace {

using brisvale::testing::addrTable;
using brisvale::testing::ifTable;
using brisvale::testing::ScriptedAnswer;

std::uint64_t environmentNumber(const char* name, std::uint64_t fallback)
{
    const char* text = std::getenv(name);
    if (text == nullptr || *text == '\0')
        return fallback;
    return std::strtoull(text, nullptr, 0);
}

// Counts the releases of the records: each record carries one token in its OnUnFreeze handler,
// and the token's destructor runs when the record's handler goes, that is when the record is
// released.
class ReleaseLedger {
public:
    struct Token {
        Token(ReleaseLedger* ledger, int id) : ledger(ledger), id(id) {}
        Token(const Token&) = delete;
        Token& operator=(const Token&) = delete;
        ~Token() { ++ledger->releases[static_cast<std::size_t>(id)]; }
        ReleaseLedger* ledger;
        int id;
    };

    // Fits a token into a record that has none yet; returns its id.
    int track(TTraffic* record)
    {
        const int id = static_cast<int>(releases.size());
        releases.push_back(0);
        auto token = std::make_shared<Token>(this, id);
        record->OnUnFreeze = [token, handler = std::move(record->OnUnFreeze)](TTraffic* sender) {
            if (handler)
                handler(sender);
        };
        return id;
    }

    std::vector<int> releases;  // per id
};

// What the test keeps about a record while it is in the list.
struct Known {
    int id;
    DWORD index;
    QString caption;
    bool everDisconnected;
};

// The figures of a record just before a poll cycle.
struct Before {
    DWORD secondsActive, inSamples, outSamples, totalIn, totalOut, lastIn, lastOut, inPerSec, outPerSec;
    bool running, connected, found;
};

// One adapter of the scripted machine.
struct Adapter {
    DWORD index;
    bool present = false;
    bool hasAddress = false;
    BYTE lastOctet = 0;
    DWORD in = 0;
    DWORD out = 0;
    DWORD speed = 100000000;
    DWORD descrLen = 0;  // what the row claims; may be above the array's 256 bytes
    DWORD physAddrLen = 6;  // may be above the array's 8 bytes
};

class ChurnSoak : public ShownWindowTest {
protected:
    TTabSet& tabs() const { return *form->TrafficTabs; }

    std::vector<TTraffic*> records() const
    {
        std::vector<TTraffic*> list;
        for (int i = 0; i < tabs().Count(); ++i)
            list.push_back(tabs().Object<TTraffic>(i));
        return list;
    }

    // ---- the scripted machine ----

    void buildMachine()
    {
        // Indexes from both ends of the range, 0 included.
        const DWORD indexes[] = {1, 2, 3, 7, 12, 40, 41, 100, 1000, 65535, 0x7FFFFFFF, 0xFFFFFFFE, 0xFFFFFFFF, 0, 5, 9};
        for (const DWORD index : indexes) {
            Adapter adapter;
            adapter.index = index;
            adapter.hasAddress = chance(3, 4);
            adapter.lastOctet = static_cast<BYTE>(1 + machine.size());
            adapter.in = static_cast<DWORD>(rng());
            adapter.out = static_cast<DWORD>(rng());
            adapter.descrLen = 12;
            machine.push_back(adapter);
        }
    }

    MIB_IFROW rowOf(const Adapter& adapter)
    {
        MIB_IFROW row = brisvale::testing::makeIfRow(adapter.index, adapter.in, adapter.out, adapter.speed);
        // Every description byte is printable and none is a zero: a reader that trusted a length
        // beyond the array would find no end inside it.
        for (std::size_t i = 0; i < MAXLEN_IFDESCR; ++i)
            row.bDescr[i] = static_cast<UCHAR>('A' + (adapter.index + i) % 26);
        row.dwDescrLen = adapter.descrLen;
        row.dwPhysAddrLen = adapter.physAddrLen;
        for (std::size_t i = 0; i < MAXLEN_PHYSADDR; ++i)
            row.bPhysAddr[i] = static_cast<UCHAR>(0x10 * i + adapter.index);
        return row;
    }

    // Moves the counters on, lets adapters come and go, and lays out the table in the platform's
    // order.
    void churnMachine()
    {
        for (Adapter& adapter : machine) {
            if (adapter.present ? chance(1, 25) : chance(1, 8))
                adapter.present = !adapter.present;
            // Counters move by small and large steps, near and across 2^32, and are sometimes set
            // back by the platform.
            switch (rng() % 8) {
            case 0: break;
            case 1: adapter.in = 0xFFFFFFFFu - static_cast<DWORD>(rng() % 500); break;
            case 2: adapter.in -= static_cast<DWORD>(rng() % 1000); break;
            default: adapter.in += static_cast<DWORD>(rng() % 200000); break;
            }
            switch (rng() % 8) {
            case 0: break;
            case 1: adapter.out = 0xFFFFFFFFu - static_cast<DWORD>(rng() % 500); break;
            default: adapter.out += static_cast<DWORD>(rng() % 3000000); break;
            }
            if (chance(1, 50))
                adapter.speed = static_cast<DWORD>(rng());
            if (chance(1, 30)) {
                const DWORD lengths[] = {0, 1, 2, 40, 255, 256, 257, 300, 0x10000, 0xFFFFFFFF};
                adapter.descrLen = lengths[rng() % std::size(lengths)];
            }
            if (chance(1, 30)) {
                const DWORD lengths[] = {0, 1, 6, 8, 9, 16, 255, 0xFFFFFFFF};
                adapter.physAddrLen = lengths[rng() % std::size(lengths)];
            }
            if (chance(1, 40))
                adapter.hasAddress = !adapter.hasAddress;
        }

        std::vector<MIB_IFROW> rows;
        std::vector<MIB_IPADDRROW> addresses;
        for (const Adapter& adapter : machine) {
            if (!adapter.present)
                continue;
            rows.push_back(rowOf(adapter));
            if (adapter.hasAddress)
                addresses.push_back(brisvale::testing::makeAddrRow(adapter.index, 10, 0, 0, adapter.lastOctet));
        }
        std::shuffle(rows.begin(), rows.end(), rng);
        // Now and then the platform lists an interface twice.
        if (!rows.empty() && chance(1, 40))
            rows.push_back(rows[rng() % rows.size()]);
        ifTable().rows = std::move(rows);
        addrTable().rows = std::move(addresses);
    }

    // Scripts the next interface-table snapshot. Returns the rows the cycle will see.
    std::vector<MIB_IFROW> scriptSnapshot()
    {
        const std::vector<MIB_IFROW>& rows = ifTable().rows;
        const ULONG whole = brisvale::testing::IfTableDouble::sizeFor(rows.size());
        switch (rng() % 40) {
        case 0:  // the size call fails
            ifTable().script.push_back({ERROR_GEN_FAILURE, {}, {}, {}});
            note("snapshot: size call fails");
            return {};
        case 1:  // the fill call fails
            ifTable().script.push_back({ERROR_INSUFFICIENT_BUFFER, whole, {}, {}});
            ifTable().script.push_back({ERROR_NOT_SUPPORTED, {}, {}, {}});
            note("snapshot: fill call fails");
            return {};
        case 2: {  // a count far above the rows the buffer holds
            const DWORD count = static_cast<DWORD>(rows.size()) + 1 + static_cast<DWORD>(rng() % 0xFFFFFFF0u);
            ifTable().script.push_back({ERROR_INSUFFICIENT_BUFFER, whole, {}, {}});
            ifTable().script.push_back({NO_ERROR, {}, rows, count});
            note("snapshot: count " + std::to_string(count) + " for " + std::to_string(rows.size()) + " rows");
            return rows;
        }
        case 3: {  // a count below the rows written
            const std::size_t kept = rows.empty() ? 0 : rng() % rows.size();
            ifTable().script.push_back({ERROR_INSUFFICIENT_BUFFER, whole, {}, {}});
            ifTable().script.push_back({NO_ERROR, {}, rows, static_cast<DWORD>(kept)});
            note("snapshot: count " + std::to_string(kept) + " for " + std::to_string(rows.size()) + " rows");
            return {rows.begin(), rows.begin() + static_cast<std::ptrdiff_t>(kept)};
        }
        case 4: {  // a size that is not a whole number of rows
            ifTable().script.push_back({ERROR_INSUFFICIENT_BUFFER, whole + 1 + static_cast<ULONG>(rng() % 700), {}, {}});
            note("snapshot: ragged size");
            return rows;
        }
        case 5:  // a size too small even for the count
            ifTable().script.push_back({ERROR_INSUFFICIENT_BUFFER, static_cast<ULONG>(rng() % sizeof(DWORD)), {}, {}});
            note("snapshot: size below the count");
            return {};
        case 6:  // the table grew between the two calls: no retry, an empty snapshot
            if (rows.empty())
                return {};
            ifTable().script.push_back({ERROR_INSUFFICIENT_BUFFER, whole - static_cast<ULONG>(sizeof(MIB_IFROW)), {}, {}});
            note("snapshot: table grew");
            return {};
        case 7:  // an empty table
            ifTable().rows.clear();
            note("snapshot: empty table");
            return {};
        default:
            return rows;
        }
    }

    // The address table lies now and then as well; the records made meanwhile must not care.
    void scriptAddresses()
    {
        if (!chance(1, 30) || !addrTable().script.empty())
            return;
        const auto& rows = addrTable().rows;
        const ULONG whole = brisvale::testing::AddrTableDouble::sizeFor(rows.size());
        if (chance(1, 2)) {
            addrTable().script.push_back({ERROR_GEN_FAILURE, {}, {}, {}});
        } else {
            addrTable().script.push_back({ERROR_INSUFFICIENT_BUFFER, whole, {}, {}});
            addrTable().script.push_back({NO_ERROR, {}, rows, static_cast<DWORD>(rows.size() + 1 + rng() % 100000)});
        }
    }

    // ---- steps ----

    void poll()
    {
        churnMachine();
        const std::vector<MIB_IFROW> seen = scriptSnapshot();
        scriptAddresses();
        // With a script queued the double answers from it; the rows stay for the cycles after.
        std::map<TTraffic*, Before> before;
        for (TTraffic* record : records())
            before[record] = {record->SecondsActive, record->InSamples, record->OutSamples, record->TotalIn,
                              record->TotalOut,      record->LastInOctets, record->LastOutOctets,
                              record->InPerSec,      record->OutPerSec, record->Running, record->Connected,
                              record->Found};
        const std::vector<TTraffic*> old = records();
        const int selected = tabs().TabIndex();

        if (chance(1, 2)) {
            note("cycle (tick)");
            form->TimerTimer(form->Timer);
            // Ticks come from the test alone.
            form->Timer->SetEnabled(false);
        } else {
            note("cycle");
            form->PollAdapters();
        }
        // Whatever the script did not use must not leak into the next cycle.
        ifTable().script.clear();

        checkAfterPoll(seen, old, before, selected);
    }

    void checkAfterPoll(const std::vector<MIB_IFROW>& seen, const std::vector<TTraffic*>& old,
                        const std::map<TTraffic*, Before>& before, int selected)
    {
        const std::vector<TTraffic*> now = records();
        ASSERT_GE(now.size(), old.size()) << "a poll cycle released a record";
        for (std::size_t i = 0; i < old.size(); ++i)
            ASSERT_EQ(now[i], old[i]) << "a poll cycle moved or replaced tab " << i;

        // New records: one per index without a record, appended in the order of the rows.
        std::vector<DWORD> expectedNew;
        std::set<DWORD> known;
        for (const TTraffic* record : old)
            known.insert(record->InterfaceIndex);
        std::map<DWORD, std::vector<const MIB_IFROW*>> rowsOf;
        for (const MIB_IFROW& row : seen) {
            rowsOf[row.dwIndex].push_back(&row);
            if (known.insert(row.dwIndex).second)
                expectedNew.push_back(row.dwIndex);
        }
        ASSERT_EQ(now.size(), old.size() + expectedNew.size());
        for (std::size_t i = 0; i < expectedNew.size(); ++i) {
            const TTraffic* record = now[old.size() + i];
            EXPECT_EQ(record->InterfaceIndex, expectedNew[i]);
            EXPECT_TRUE(record->Connected);
            EXPECT_TRUE(record->Running);
            EXPECT_TRUE(record->Found);
            // Every later row of the same index in this snapshot was a sample.
            EXPECT_EQ(record->SecondsActive, rowsOf[record->InterfaceIndex].size() - 1);
        }
        if (!expectedNew.empty())
            EXPECT_EQ(tabs().TabIndex(), 0) << "a new record sends the selection to the first tab";
        else
            EXPECT_EQ(tabs().TabIndex(), selected) << "a cycle without new records moved the selection";

        for (const TTraffic* record : old) {
            const Before& was = before.at(const_cast<TTraffic*>(record));
            const auto hit = rowsOf.find(record->InterfaceIndex);
            if (hit == rowsOf.end()) {
                EXPECT_FALSE(record->Connected);
                // The cycle clears the mark of connected records only: a disconnected record that
                // was found since keeps its mark, and with it a Running that the user set again.
                EXPECT_EQ(record->Running, !was.connected && was.found && was.running);
                EXPECT_EQ(record->SecondsActive, was.secondsActive);
                EXPECT_EQ(record->TotalIn, was.totalIn);
                EXPECT_EQ(record->LastInOctets, was.lastIn);
                continue;
            }
            EXPECT_EQ(record->Connected, was.connected);
            EXPECT_EQ(record->SecondsActive, was.secondsActive + hit->second.size());
            if (!was.running) {
                // Not running: only the active time moves.
                EXPECT_EQ(record->TotalIn, was.totalIn);
                EXPECT_EQ(record->TotalOut, was.totalOut);
                EXPECT_EQ(record->InPerSec, was.inPerSec);
                EXPECT_EQ(record->LastInOctets, was.lastIn);
                EXPECT_EQ(record->LastOutOctets, was.lastOut);
            } else if (hit->second.size() == 1) {
                const MIB_IFROW& row = *hit->second.front();
                // Differences modulo 2^32, across a wrap and after a counter set back alike.
                EXPECT_EQ(record->InPerSec, static_cast<DWORD>(row.dwInOctets - was.lastIn));
                EXPECT_EQ(record->OutPerSec, static_cast<DWORD>(row.dwOutOctets - was.lastOut));
                EXPECT_EQ(record->TotalIn, static_cast<DWORD>(was.totalIn + record->InPerSec));
                EXPECT_EQ(record->TotalOut, static_cast<DWORD>(was.totalOut + record->OutPerSec));
                EXPECT_EQ(record->LastInOctets, row.dwInOctets);
                EXPECT_EQ(record->LastOutOctets, row.dwOutOctets);
                EXPECT_EQ(record->Speed, row.dwSpeed);
            }
        }
    }

    void freeze()
    {
        TTraffic* current = form->CurrentTraffic;
        if (current != nullptr && form->BTNFreeze->isEnabled() && chance(1, 2)) {
            note("click Freeze");
            form->BTNFreeze->click();
        } else {
            note("Freeze handler");
            form->BTNFreezeClick(form->BTNFreeze);
        }
        if (current == nullptr)
            return;
        EXPECT_FALSE(current->Running);
        EXPECT_FALSE(form->BTNFreeze->isEnabled());
        EXPECT_TRUE(form->BTNUnFreeze->isEnabled());
    }

    void resume()
    {
        TTraffic* current = form->CurrentTraffic;
        if (current != nullptr && form->BTNUnFreeze->isEnabled() && chance(1, 2)) {
            note("click UnFreeze");
            form->BTNUnFreeze->click();
        } else {
            note("UnFreeze handler");
            form->BTNUnFreezeClick(form->BTNUnFreeze);
        }
        if (current == nullptr)
            return;
        EXPECT_TRUE(current->Running);
        EXPECT_TRUE(form->BTNFreeze->isEnabled());
        EXPECT_FALSE(form->BTNUnFreeze->isEnabled());
    }

    void clearCounters()
    {
        note("Clear counters");
        TTraffic* current = form->CurrentTraffic;
        const DWORD avgIn = current ? current->AvgInSec : 0;
        form->ClearCountersButtonClick(form->ClearCountersButton);
        if (current == nullptr)
            return;
        EXPECT_EQ(current->SecondsActive, 0u);
        EXPECT_EQ(current->InSamples, 0u);
        EXPECT_EQ(current->OutSamples, 0u);
        EXPECT_EQ(current->TotalIn, 0u);
        EXPECT_EQ(current->PeakOutSec, 0u);
        EXPECT_EQ(current->AvgInSec, avgIn);
    }

    void remove()
    {
        const std::vector<TTraffic*> old = records();
        TTraffic* current = form->CurrentTraffic;
        const int k = tabs().TabIndex();
        const bool connected = current != nullptr && current->Connected;
        if (chance(1, 2)) {
            note("click Remove");
            form->RemoveInactiveButton->click();
        } else {
            note("Remove handler");
            form->RemoveInactiveButtonClick(form->RemoveInactiveButton);
        }
        const std::vector<TTraffic*> now = records();
        if (current == nullptr || connected) {
            EXPECT_EQ(now, old) << "Remove changed the list without a disconnected record selected";
            EXPECT_EQ(form->CurrentTraffic, current);
            return;
        }
        const int n = static_cast<int>(old.size()) - 1;
        if (n < 2) {
            EXPECT_TRUE(now.empty()) << "fewer than two tabs left: the list is emptied";
            ++removals;
            expectReleased(old);
            return;
        }
        ++removals;
        std::vector<TTraffic*> expected = old;
        expected.erase(expected.begin() + k);
        EXPECT_EQ(now, expected);
        const int target = k == 0 ? n - 1 : (k == n ? n - 2 : k - 1);
        EXPECT_EQ(tabs().TabIndex(), target);
        expectReleased({current});
    }

    void clickTab()
    {
        if (tabs().Count() == 0) {
            note("no tab to click");
            return;
        }
        const int target = static_cast<int>(rng() % static_cast<std::uint64_t>(tabs().Count()));
        const QRect place = tabs().TabRect(target);
        if (!place.isEmpty() && chance(1, 2)) {
            note("mouse on tab " + std::to_string(target));
            ++mouseClicks;
            QTest::mouseClick(form->TrafficTabs, Qt::LeftButton, {}, place.center());
        } else {
            note("select tab " + std::to_string(target));
            tabs().SetTabIndex(target);
        }
        EXPECT_EQ(tabs().TabIndex(), target);
        EXPECT_EQ(form->CurrentTraffic, tabs().Object<TTraffic>(target));
    }

    // ---- invariants ----

    // Follows the list: tokens into new records, released records accounted for.
    void account()
    {
        std::set<TTraffic*> inList;
        for (TTraffic* record : records()) {
            ASSERT_NE(record, nullptr) << "a tab without a record";
            inList.insert(record);
        }
        // Records that left the list: each released exactly once, by now.
        for (auto it = known.begin(); it != known.end();) {
            if (inList.count(it->first) != 0 && ledger.releases[it->second.id] == 0) {
                ++it;
                continue;
            }
            EXPECT_EQ(ledger.releases[it->second.id], 1) << "record " << it->second.id << " left the list";
            if (expectedReleases.count(it->second.id) == 0)
                ADD_FAILURE() << "record " << it->second.id << " released unexpectedly";
            expectedReleases.erase(it->second.id);
            it = known.erase(it);
        }
        EXPECT_TRUE(expectedReleases.empty()) << expectedReleases.size() << " records were not released";
        expectedReleases.clear();
        // Records that joined it.
        for (TTraffic* record : records()) {
            if (known.count(record) == 0) {
                const int id = ledger.track(record);
                known[record] = {id, record->InterfaceIndex, QString(), !record->Connected};
                ++made;
            }
        }
    }

    void expectReleased(const std::vector<TTraffic*>& gone)
    {
        for (TTraffic* record : gone)
            expectedReleases.insert(known.at(record).id);
    }

    void checkInvariants()
    {
        account();
        const std::vector<TTraffic*> list = records();
        const int count = tabs().Count();
        // Selection.
        if (count == 0) {
            EXPECT_EQ(tabs().TabIndex(), -1);
            EXPECT_EQ(form->CurrentTraffic, nullptr);
        } else {
            ASSERT_GE(tabs().TabIndex(), 0);
            ASSERT_LT(tabs().TabIndex(), count);
            EXPECT_EQ(form->CurrentTraffic, list[static_cast<std::size_t>(tabs().TabIndex())]);
        }
        EXPECT_EQ(known.size(), list.size()) << "records alive beside the list";
        // Records.
        std::set<DWORD> indexes;
        for (int i = 0; i < count; ++i) {
            const TTraffic* record = list[static_cast<std::size_t>(i)];
            Known& seen = known.at(const_cast<TTraffic*>(record));
            EXPECT_TRUE(indexes.insert(record->InterfaceIndex).second)
                << "two records for interface index " << record->InterfaceIndex;
            EXPECT_LE(record->InSamples, record->SecondsActive);
            EXPECT_LE(record->OutSamples, record->SecondsActive);
            EXPECT_EQ(record->InterfaceIndex, seen.index);
            if (seen.caption.isNull())
                seen.caption = tabs().Caption(i);
            EXPECT_EQ(tabs().Caption(i), seen.caption) << "a tab's caption changed";
            EXPECT_FALSE(seen.everDisconnected && record->Connected) << "record " << seen.id << " connected again";
            seen.everDisconnected = seen.everDisconnected || !record->Connected;
            EXPECT_LE(record->Description.size(), MAXLEN_IFDESCR);
            EXPECT_LE(record->MACAddress.size(), 3 * MAXLEN_PHYSADDR - 1);
        }
        EXPECT_TRUE(reports.isEmpty()) << "an error escaped a handler: " << reports.join('\n').toStdString();
    }

    // ---- bookkeeping ----

    bool chance(std::uint64_t in, std::uint64_t of) { return rng() % of < in; }

    void note(std::string step)
    {
        trail.push_back("cycle " + std::to_string(cycle) + ": " + std::move(step));
        if (trail.size() > 12)
            trail.pop_front();
    }

    std::string where() const
    {
        std::ostringstream text;
        text << "seed " << seed << " (BRISVALE_SOAK_SEED), cycle " << cycle << "; last steps:";
        for (const std::string& step : trail)
            text << "\n  " << step;
        return text.str();
    }

    std::uint64_t seed = 0;
    std::mt19937_64 rng;
    std::vector<Adapter> machine;
    std::uint64_t cycle = 0;
    std::deque<std::string> trail;

    ReleaseLedger ledger;
    std::map<TTraffic*, Known> known;
    std::set<int> expectedReleases;
    int made = 0;
    int mouseClicks = 0;
    int removals = 0;
};

TEST_F(ChurnSoak, RecordsAndSelectionHoldUpUnderRandomChurn)
{
    seed = environmentNumber("BRISVALE_SOAK_SEED", 20240305);
    const std::uint64_t cycles = environmentNumber("BRISVALE_SOAK_CYCLES", 5000);
    rng.seed(seed);
    buildMachine();

    for (cycle = 0; cycle < cycles; ++cycle) {
        // Between two cycles the user does a few things, or nothing.
        const int actions = static_cast<int>(rng() % 4);
        for (int a = 0; a < actions; ++a) {
            switch (rng() % 10) {
            case 0: case 1: freeze(); break;
            case 2: case 3: resume(); break;
            case 4: clearCounters(); break;
            case 5: case 6: remove(); break;
            default: clickTab(); break;
            }
            checkInvariants();
            if (HasFailure())
                break;
        }
        if (!HasFailure()) {
            poll();
            checkInvariants();
        }
        if (HasFailure()) {
            ADD_FAILURE() << where();
            return;
        }
    }

    // Closing the window releases every record still in the list, each once.
    std::vector<int> left;
    for (const auto& [record, entry] : known)
        left.push_back(entry.id);
    form.reset();
    for (const int id : left)
        EXPECT_EQ(ledger.releases[static_cast<std::size_t>(id)], 1) << "record " << id << " at window close";
    for (std::size_t id = 0; id < ledger.releases.size(); ++id)
        ASSERT_EQ(ledger.releases[id], 1) << "record " << id << "; " << where();
    std::cout << "[ soak     ] " << cycles << " cycles, seed " << seed << ": " << made
              << " records made and released, " << removals << " removed by the user, " << mouseClicks
              << " tabs clicked with the mouse\n";
}

}  // namespace
