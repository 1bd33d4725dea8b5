// Rows and tables that claim more than they hold, taken through the window's poll cycle: the
// lengths and counts are limited to what the row or the buffer holds, and nothing beyond is read.
// The liar is always the last row, so that a read past it runs off the snapshot's allocation,
// where AddressSanitizer sees it.

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include <QTest>

#include "ErrorReport.h"
#include "MainFormUnit.h"
#include "PlatformDouble.h"
#include "ShownWindow.h"
#include "TabSet.h"
#include "TrafficUnit.h"

namespace {

using brisvale::testing::addrTable;
using brisvale::testing::ifTable;
using brisvale::testing::makeAddrRow;
using brisvale::testing::makeIfRow;

class LyingRows : public ShownWindowTest {
protected:
    void TearDown() override
    {
        ShownWindowTest::TearDown();
        EXPECT_TRUE(reports.isEmpty()) << reports.join('\n').toStdString();
    }

    // A row whose arrays are full to the last byte, none of them zero.
    static MIB_IFROW fullRow(DWORD index)
    {
        MIB_IFROW row = makeIfRow(index, 1000, 2000, 10000000);
        for (UCHAR& byte : row.bDescr)
            byte = 'd';
        for (std::size_t i = 0; i < MAXLEN_PHYSADDR; ++i)
            row.bPhysAddr[i] = static_cast<UCHAR>(0xA1 + i);
        row.dwDescrLen = 5;
        row.dwPhysAddrLen = 6;
        return row;
    }

    QStringList captions() const
    {
        QStringList list;
        for (int i = 0; i < form->TrafficTabs->Count(); ++i)
            list << form->TrafficTabs->Caption(i);
        return list;
    }

    TTraffic* record(int tab) const { return form->TrafficTabs->Object<TTraffic>(tab); }

};

TEST_F(LyingRows, LengthsBeyondTheRowsArraysAreCutToTheArrays)
{
    struct Case {
        DWORD descrLen;
        DWORD physAddrLen;
        std::size_t descriptionBytes;
        const char* mac;
    };
    const Case cases[] = {
        {257, 9, 256, "A1-A2-A3-A4-A5-A6-A7-A8"},
        {1000, 64, 256, "A1-A2-A3-A4-A5-A6-A7-A8"},
        {0xFFFFFFFF, 0xFFFFFFFF, 256, "A1-A2-A3-A4-A5-A6-A7-A8"},
        {256, 8, 255, "A1-A2-A3-A4-A5-A6-A7-A8"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "dwDescrLen " << c.descrLen << ", dwPhysAddrLen " << c.physAddrLen);
        brisvale::testing::resetPlatform();
        // Emptying the list makes the next cycle build fresh records.
        form->ClearDisplay();
        MIB_IFROW liar = fullRow(3);
        liar.dwDescrLen = c.descrLen;
        liar.dwPhysAddrLen = c.physAddrLen;
        ifTable().rows = {fullRow(1), liar};
        form->TimerTimer(form->Timer);

        ASSERT_EQ(form->TrafficTabs->Count(), 2);
        EXPECT_EQ(record(1)->Description, std::string(c.descriptionBytes, 'd'));
        EXPECT_EQ(record(1)->MACAddress, c.mac);
        // The view shows the liar as any other record.
        form->TrafficTabs->SetTabIndex(1);
        EXPECT_EQ(form->ledAdapterDescription->text(), QString(static_cast<int>(c.descriptionBytes), 'd'));
        EXPECT_EQ(form->ledMACAddress->text(), QString::fromLatin1(c.mac));
    }
}

// The interface table's count and its size disagree; the records follow the rows the buffer holds.
TEST_F(LyingRows, TableCountsThatDisagreeWithTheSizeReadOnlyTheRowsHeld)
{
    using Answer = brisvale::testing::ScriptedAnswer<MIB_IFROW>;
    const std::vector<MIB_IFROW> rows = {fullRow(1), fullRow(2), fullRow(3)};
    const ULONG whole = brisvale::testing::IfTableDouble::sizeFor(rows.size());
    struct Case {
        const char* name;
        std::vector<Answer> answers;
        int tabs;
    };
    const Case cases[] = {
        {"count far above the rows", {{ERROR_INSUFFICIENT_BUFFER, whole, {}, {}}, {NO_ERROR, {}, rows, 0xFFFFFFFF}}, 3},
        {"count one above the rows", {{ERROR_INSUFFICIENT_BUFFER, whole, {}, {}}, {NO_ERROR, {}, rows, 4}}, 3},
        {"count below the rows", {{ERROR_INSUFFICIENT_BUFFER, whole, {}, {}}, {NO_ERROR, {}, rows, 2}}, 2},
        {"count of none", {{ERROR_INSUFFICIENT_BUFFER, whole, {}, {}}, {NO_ERROR, {}, rows, 0}}, 0},
        // The rows written fit, the size asked for holds part of one more row.
        {"size not whole rows", {{ERROR_INSUFFICIENT_BUFFER, whole + 100, {}, {}}, {NO_ERROR, {}, rows, 4}}, 3},
        {"size below the count", {{ERROR_INSUFFICIENT_BUFFER, 2, {}, {}}, {NO_ERROR, {}, {}, {}}}, 0},
        {"size of none", {{ERROR_INSUFFICIENT_BUFFER, 0, {}, {}}, {NO_ERROR, {}, {}, {}}}, 0},
        // A buffer of one row whose count claims a thousand.
        {"size of one row, count of many", {{ERROR_INSUFFICIENT_BUFFER, brisvale::testing::IfTableDouble::sizeFor(1), {}, {}},
                                            {NO_ERROR, {}, std::vector<MIB_IFROW>{rows[0]}, 1000}}, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        brisvale::testing::resetPlatform();
        form->ClearDisplay();
        ifTable().rows = rows;
        for (const Answer& answer : c.answers)
            ifTable().script.push_back(answer);
        form->TimerTimer(form->Timer);
        ASSERT_EQ(form->TrafficTabs->Count(), c.tabs);
        for (int i = 0; i < c.tabs; ++i)
            EXPECT_EQ(record(i)->InterfaceIndex, rows[static_cast<std::size_t>(i)].dwIndex);
        EXPECT_EQ(form->CurrentTraffic, c.tabs == 0 ? nullptr : record(0));
    }
}

// A new record's address comes from an address table that lies about its count as well.
TEST_F(LyingRows, AddressTableCountBeyondItsSizeGivesTheRowsHeld)
{
    using Answer = brisvale::testing::ScriptedAnswer<MIB_IPADDRROW>;
    const std::vector<MIB_IPADDRROW> held = {makeAddrRow(4, 10, 0, 0, 4), makeAddrRow(7, 10, 0, 0, 7)};
    const ULONG whole = brisvale::testing::AddrTableDouble::sizeFor(held.size());
    struct Case {
        const char* name;
        Answer size;
        DWORD count;
        QStringList captions;
    };
    const QString four = QStringLiteral(" 10.  0.  0.  4");
    const QString seven = QStringLiteral(" 10.  0.  0.  7");
    const QString none = QStringLiteral("!not_found!");
    const Case cases[] = {
        {"count far above", {ERROR_INSUFFICIENT_BUFFER, whole, {}, {}}, 0xFFFFFFFF, {four, seven}},
        {"count below", {ERROR_INSUFFICIENT_BUFFER, whole, {}, {}}, 1, {four, none}},
        {"ragged size", {ERROR_INSUFFICIENT_BUFFER, whole + 5, {}, {}}, 3, {four, seven}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        brisvale::testing::resetPlatform();
        form->ClearDisplay();
        ifTable().rows = {fullRow(4), fullRow(7)};
        // Each new record reads the address table once: the same lie both times.
        for (int i = 0; i < 2; ++i) {
            addrTable().script.push_back(c.size);
            addrTable().script.push_back({NO_ERROR, {}, held, c.count});
        }
        form->TimerTimer(form->Timer);
        EXPECT_EQ(captions(), c.captions);
    }
}

}  // namespace
