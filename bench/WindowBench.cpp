// The main window's poll cycle over the scripted interface table, on Qt's offscreen platform, at
// 20, 200 and 2,000 interfaces, each with an IPv4 address of its own:
// - BM_PollAdaptersSteady: a cycle once every record and tab exists and the counters advance;
// - BM_PollAdaptersSteadyPainted: the same, followed by the painting of what it changed;
// - BM_PollAdaptersFirst: the first cycle of a fresh window, which makes every record and tab.
//
// The window's own timer is stopped: the benchmark runs the cycles itself.

#include <benchmark/benchmark.h>

#include <memory>

#include <QApplication>
#include <QTest>

#include "MainFormUnit.h"
#include "PlatformDouble.h"
#include "Timer.h"

namespace {

using namespace brisvale::testing;

// Interface i (from 1) has the address 10.x.y.z made from i, and traffic on its counters.
void plugInterfaces(int count)
{
    resetPlatform();
    for (int i = 1; i <= count; ++i) {
        const auto index = static_cast<DWORD>(i);
        MIB_IFROW row = makeIfRow(index, index * 1000, index * 500, 1000000000);
        setDescription(row, "Virtual Ethernet Device");
        ifTable().rows.push_back(row);
        addrTable().rows.push_back(makeAddrRow(index, 10, static_cast<BYTE>(i >> 16), static_cast<BYTE>(i >> 8),
                                               static_cast<BYTE>(i)));
    }
}

void advanceCounters()
{
    for (MIB_IFROW& row : ifTable().rows) {
        row.dwInOctets += 1500 * (row.dwIndex % 7 + 1);
        row.dwOutOctets += 600 * (row.dwIndex % 5 + 1);
    }
}

// The double records every call; a long run must not keep them all.
void forgetCalls()
{
    ifTable().calls.clear();
    addrTable().calls.clear();
}

std::unique_ptr<TMainForm> shownWindow()
{
    auto form = std::make_unique<TMainForm>();
    form->Timer->SetEnabled(false);
    form->show();
    if (!QTest::qWaitForWindowExposed(form.get()))
        return nullptr;
    return form;
}

void steady(benchmark::State& state, bool painted)
{
    const int count = static_cast<int>(state.range(0));
    plugInterfaces(count);
    auto form = shownWindow();
    if (!form) {
        state.SkipWithError("the window was not exposed");
        return;
    }
    form->PollAdapters();
    QApplication::processEvents();
    if (form->TrafficTabs->Count() != count) {
        state.SkipWithError("not every interface got its tab");
        return;
    }
    for (auto _ : state) {
        advanceCounters();
        form->PollAdapters();
        if (painted)
            QApplication::processEvents();  // draws what the cycle changed
        forgetCalls();
    }
    state.SetItemsProcessed(state.iterations() * count);
    form.reset();
    resetPlatform();
}

void BM_PollAdaptersSteady(benchmark::State& state)
{
    steady(state, false);
}
BENCHMARK(BM_PollAdaptersSteady)->Arg(20)->Arg(200)->Arg(2000)->Unit(benchmark::kMicrosecond);

void BM_PollAdaptersSteadyPainted(benchmark::State& state)
{
    steady(state, true);
}
BENCHMARK(BM_PollAdaptersSteadyPainted)->Arg(20)->Arg(200)->Arg(2000)->Unit(benchmark::kMicrosecond);

void BM_PollAdaptersFirst(benchmark::State& state)
{
    const int count = static_cast<int>(state.range(0));
    plugInterfaces(count);
    for (auto _ : state) {
        state.PauseTiming();
        auto form = shownWindow();
        forgetCalls();
        state.ResumeTiming();
        if (!form) {
            state.SkipWithError("the window was not exposed");
            break;
        }
        form->PollAdapters();
        state.PauseTiming();
        const bool whole = form->TrafficTabs->Count() == count;
        form.reset();
        state.ResumeTiming();
        if (!whole) {
            state.SkipWithError("not every interface got its tab");
            break;
        }
    }
    state.SetItemsProcessed(state.iterations() * count);
    resetPlatform();
}
BENCHMARK(BM_PollAdaptersFirst)->Arg(20)->Arg(200)->Arg(2000)->Unit(benchmark::kMillisecond);

// The offscreen platform tells of every window it cannot raise; nothing else is dropped.
QtMessageHandler qtHandler = nullptr;

void quietHandler(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    if (!message.contains(QLatin1String("does not support raise()")) && qtHandler != nullptr)
        qtHandler(type, context, message);
}

}  // namespace

int main(int argc, char** argv)
{
    // Runs without a display unless told otherwise.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    qtHandler = qInstallMessageHandler(quietHandler);
    QApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
