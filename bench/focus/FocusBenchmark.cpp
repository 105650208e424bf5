// SPDX-License-Identifier: MIT

// What one focus evaluation costs on a realistic web chat: the input six levels below the web
// document, three unrelated siblings at every level, a composer body with a rail on each side.
// The simulated desktop answers instantly, so the time is our own logic; the call count, times
// the 0.1-0.16 ms a call costs over the real accessibility bus, is what a user would feel.
#include "app/focus/FocusTracker.h"
#include "tests/support/WebChatScene.h"

#include <benchmark/benchmark.h>

#include <cstdio>

using namespace tandrel;

namespace {

void printCalls(bool includeComposerFrame) {
    sim::SimDesktop desktop;
    test::buildWebChat(desktop);
    FocusTracker tracker(desktop.accessibility(), desktop.workspace(), desktop.clock());
    tracker.current(includeComposerFrame); // the first evaluation is no different, but settle
    desktop.resetCalls();
    const auto target = tracker.current(includeComposerFrame);

    std::printf("current(includeComposerFrame: %s): target %s, %d accessibility calls "
                "(most asks of one question about one element: %d)\n",
                includeComposerFrame ? "true" : "false", target ? "found" : "MISSING",
                desktop.totalCalls(), desktop.ax().mostReadsOfOneQuestion());
    std::printf("  %-24s %d\n", "application", desktop.ax().applicationCalls());
    // Every question in declaration order: role is the first, wake the last.
    for (int q = int(a11y::Question::role); q <= int(a11y::Question::wake); ++q) {
        const auto question = a11y::Question(q);
        if (const int count = desktop.calls(question))
            std::printf("  %-24s %d\n", a11y::nameOf(question), count);
    }
    std::printf("  estimated on the real bus at 0.10-0.16 ms per call: %.1f-%.1f ms\n\n",
                desktop.totalCalls() * 0.10, desktop.totalCalls() * 0.16);
}

void currentBenchmark(benchmark::State& state, bool includeComposerFrame) {
    sim::SimDesktop desktop;
    test::buildWebChat(desktop);
    FocusTracker tracker(desktop.accessibility(), desktop.workspace(), desktop.clock());
    tracker.current(includeComposerFrame);
    desktop.resetCalls();
    for (auto _ : state) {
        auto target = tracker.current(includeComposerFrame);
        benchmark::DoNotOptimize(target);
    }
    state.counters["accessibility_calls"] =
        benchmark::Counter(desktop.totalCalls(), benchmark::Counter::kAvgIterations);
}

void BM_CurrentWithComposerFrame(benchmark::State& state) {
    currentBenchmark(state, true);
}
void BM_CurrentWithoutComposerFrame(benchmark::State& state) {
    currentBenchmark(state, false);
}

BENCHMARK(BM_CurrentWithComposerFrame)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_CurrentWithoutComposerFrame)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv) {
    // Keep the tracker's log lines out of the figures.
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});
    printCalls(true);
    printCalls(false);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
