#include <stdexcept>

#include <gtest/gtest.h>

#include <QElapsedTimer>

#include "TestSupport.h"
#include "Timer.h"

namespace {

constexpr int interval = 20;

class TimerTest : public testing::Test {
protected:
    void SetUp() override
    {
        timer.SetInterval(interval);
        timer.OnTimer = [this](QObject* sender) {
            EXPECT_EQ(sender, &timer);
            ++ticks;
        };
    }

    TTimer timer;
    int ticks = 0;
};

TEST_F(TimerTest, StartsDisabledWithItsInterval)
{
    TTimer fresh;
    EXPECT_FALSE(fresh.Enabled());
    EXPECT_EQ(fresh.Interval(), 1000);
    EXPECT_EQ(timer.Interval(), interval);
}

TEST_F(TimerTest, TicksOnlyWhileEnabled)
{
    QTest::qWait(5 * interval);
    EXPECT_EQ(ticks, 0);

    timer.SetEnabled(true);
    EXPECT_TRUE(timer.Enabled());
    ASSERT_TRUE(waitUntil([&] { return ticks >= 3; }));

    timer.SetEnabled(false);
    EXPECT_FALSE(timer.Enabled());
    const int stoppedAt = ticks;
    QTest::qWait(5 * interval);
    EXPECT_EQ(ticks, stoppedAt);
}

TEST_F(TimerTest, EnablingStartsAFullInterval)
{
    timer.SetInterval(100);
    timer.SetEnabled(true);
    QTest::qWait(60);
    ASSERT_EQ(ticks, 0);
    timer.SetEnabled(false);

    QElapsedTimer sinceEnabled;
    sinceEnabled.start();
    timer.SetEnabled(true);
    qint64 firstTick = -1;
    timer.OnTimer = [&](QObject*) {
        if (firstTick < 0)
            firstTick = sinceEnabled.elapsed();
    };
    ASSERT_TRUE(waitUntil([&] { return firstTick >= 0; }));
    // Not the 40 ms left of the earlier interval; late is possible on a busy machine, early is not.
    EXPECT_GE(firstTick, 95);
}

TEST_F(TimerTest, AnEmptyHandlerMeansNoCallsAnyMore)
{
    timer.SetEnabled(true);
    ASSERT_TRUE(waitUntil([&] { return ticks >= 1; }));
    timer.OnTimer = nullptr;
    const int stoppedAt = ticks;
    QTest::qWait(5 * interval);
    EXPECT_EQ(ticks, stoppedAt);
}

TEST_F(TimerTest, AHandlerMayClearItselfWhileItRuns)
{
    int calls = 0;
    timer.OnTimer = [&](QObject*) {
        ++calls;
        timer.OnTimer = nullptr;
    };
    timer.SetEnabled(true);
    ASSERT_TRUE(waitUntil([&] { return calls >= 1; }));
    QTest::qWait(5 * interval);
    EXPECT_EQ(calls, 1);
}

TEST_F(TimerTest, AnErrorFromTheHandlerIsReportedAndTheTimerStaysAsTheHandlerLeftIt)
{
    struct Case {
        const char* name;
        bool disableFirst;
    };
    for (const Case c : {Case{"handler left it enabled", false}, Case{"handler disabled it", true}}) {
        SCOPED_TRACE(c.name);
        ReportCapture reports;
        int calls = 0;
        timer.OnTimer = [&](QObject*) {
            ++calls;
            if (c.disableFirst)
                timer.SetEnabled(false);
            throw std::runtime_error("cycle failed");
        };
        timer.SetEnabled(true);
        ASSERT_TRUE(waitUntil([&] { return calls >= 1; }));
        if (c.disableFirst) {
            QTest::qWait(5 * interval);
            EXPECT_EQ(calls, 1);
            EXPECT_EQ(reports.messages, QStringList{QStringLiteral("cycle failed")});
        } else {
            ASSERT_TRUE(waitUntil([&] { return calls >= 3; }));
            timer.SetEnabled(false);
            EXPECT_EQ(reports.messages.size(), calls);
        }
    }
}

TEST_F(TimerTest, NoSecondTickWhileTheHandlerWaitsInANestedLoop)
{
    int depth = 0;
    int deepest = 0;
    int calls = 0;
    timer.OnTimer = [&](QObject*) {
        ++calls;
        ++depth;
        deepest = std::max(deepest, depth);
        if (calls == 1)
            QTest::qWait(5 * interval); // as a message box would
        --depth;
    };
    timer.SetEnabled(true);
    ASSERT_TRUE(waitUntil([&] { return calls >= 3; }));
    EXPECT_EQ(deepest, 1);
}

TEST_F(TimerTest, NoTickWhileTheErrorReportIsOnScreen)
{
    int calls = 0;
    int ticksDuringReport = 0;
    const ErrorReporter previous = SetErrorReporter([&](const QString&) {
        const int before = calls;
        QTest::qWait(5 * interval); // as the message box would
        ticksDuringReport += calls - before;
    });
    timer.OnTimer = [&](QObject*) {
        ++calls;
        throw std::runtime_error("cycle failed");
    };
    timer.SetEnabled(true);
    ASSERT_TRUE(waitUntil([&] { return calls >= 2; }));
    timer.SetEnabled(false);
    SetErrorReporter(previous);
    EXPECT_EQ(ticksDuringReport, 0);
}

TEST_F(TimerTest, TheHandlerMayDestroyItsTimer)
{
    auto* owned = new TTimer;
    owned->SetInterval(interval);
    bool called = false;
    owned->OnTimer = [&](QObject*) {
        called = true;
        delete owned;
    };
    owned->SetEnabled(true);
    ASSERT_TRUE(waitUntil([&] { return called; }));
}

} // namespace
