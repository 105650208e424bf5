// SPDX-License-Identifier: MIT

// One focus evaluation on the real desktop: Chromium showing the textarea fixture on the chat
// host, read through AT-SPI. Starts its own private desktop with the end-to-end harness unless
// DISPLAY and the session bus already point at one with the fixture focused.

#include "app/focus/FocusTracker.h"
#include "bench/linux/CountingAccessibility.h"
#include "platform/linux/LinuxAccessibility.h"
#include "platform/linux/LinuxDesktop.h"
#include "testing/DesktopSession.h"
#include "testing/Fixtures.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QTimer>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <memory>
#include <vector>

using namespace tandrel;

namespace {

constexpr int kEvaluations = 200;

std::unique_ptr<e2e::DesktopSession> g_session;
std::unique_ptr<LinuxDesktop> g_desktop;

void settle(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

bool setUp() {
    QString error;
    const bool ownDesktop = qEnvironmentVariableIsEmpty("TANDREL_BENCH_USE_CURRENT_DESKTOP");
    if (ownDesktop) {
        g_session = std::make_unique<e2e::DesktopSession>();
        if (!g_session->start(&error) || !g_session->open(e2e::textareaPage(), &error)) {
            std::fprintf(stderr, "bench-linux: the private desktop did not start: %s\n",
                         qPrintable(error));
            return false;
        }
    }
    g_desktop = LinuxDesktop::create(&error);
    if (!g_desktop) {
        std::fprintf(stderr, "bench-linux: %s\n", qPrintable(error));
        return false;
    }
    // Wait until the tracker sees the composer (the focus event may still be on its way).
    FocusTracker tracker(g_desktop->accessibility(), g_desktop->workspace(), g_desktop->clock());
    const QDeadlineTimer deadline(10000);
    while (!tracker.current(true)) {
        if (deadline.hasExpired()) {
            std::fprintf(stderr, "bench-linux: no composer detected on the fixture page\n");
            return false;
        }
        settle(100);
    }
    return true;
}

void evaluate(benchmark::State& state, bool includeComposerFrame, bool cold) {
    bench::CountingDesktop desktop(*g_desktop);
    FocusTracker tracker(desktop.accessibility(), desktop.workspace(), desktop.clock());
    tracker.current(includeComposerFrame); // warm: activation record, libatspi's own cache
    settle(50);
    desktop.counting().reset();

    std::vector<double> micros;
    micros.reserve(kEvaluations);
    const std::uint64_t callsBefore = g_desktop->atspi().callCount();
    bool found = true;
    for (auto _ : state) {
        if (cold) // as after an event: nothing kept from the evaluation before
            g_desktop->atspi().forgetKeptReadings();
        // Each tick comes in a turn of its own, and the workspace reads the window in front
        // once per turn: so must each evaluation here.
        QCoreApplication::processEvents();
        const auto start = std::chrono::steady_clock::now();
        const auto target = tracker.current(includeComposerFrame);
        const auto end = std::chrono::steady_clock::now();
        found = found && target.has_value();
        benchmark::DoNotOptimize(target);
        micros.push_back(std::chrono::duration<double, std::micro>(end - start).count());
        state.SetIterationTime(std::chrono::duration<double>(end - start).count());
    }
    const double evaluations = static_cast<double>(micros.size());
    const double atspiCalls =
        static_cast<double>(g_desktop->atspi().callCount() - callsBefore) / evaluations;
    std::sort(micros.begin(), micros.end());
    state.counters["median_ms"] = micros[micros.size() / 2] / 1000.0;
    state.counters["p90_ms"] = micros[micros.size() * 9 / 10] / 1000.0;
    state.counters["atspi_calls"] = atspiCalls;
    if (!found)
        state.SkipWithError("the composer was not detected on every evaluation");

    std::printf("\n%s %s: %d evaluations, %.1f AT-SPI calls each, median %.3f ms, p90 %.3f ms; "
                "per attribute:\n",
                cold ? "cold" : "warm", includeComposerFrame ? "current(true)" : "current(false)",
                static_cast<int>(evaluations), atspiCalls, micros[micros.size() / 2] / 1000.0,
                micros[micros.size() * 9 / 10] / 1000.0);
    std::vector<std::pair<QString, bench::CountingAccessibility::Tally>> rows(
        desktop.counting().tallies().begin(), desktop.counting().tallies().end());
    std::sort(rows.begin(), rows.end(),
              [](const auto& a, const auto& b) { return a.second.time > b.second.time; });
    for (const auto& [name, tally] : rows)
        std::printf("  %-28s %6.1f requests  %7.3f ms\n", qPrintable(name),
                    static_cast<double>(tally.requests) / evaluations,
                    std::chrono::duration<double, std::milli>(tally.time).count() / evaluations);
    std::fflush(stdout);
}

// One snapshot of the input's text, as each of a send's checks takes it: what it costs, and how
// many AT-SPI requests it makes (the text behind its readings is read once).
void BM_TextSnapshot(benchmark::State& state) {
    FocusTracker tracker(g_desktop->accessibility(), g_desktop->workspace(), g_desktop->clock());
    const std::optional<ChatTarget> target = tracker.current(false);
    if (!target) {
        state.SkipWithError("the composer was not detected");
        return;
    }
    std::vector<double> micros;
    const std::uint64_t callsBefore = g_desktop->atspi().callCount();
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        const ComposerTextSnapshot snapshot = tracker.reads().textSnapshot(target->element);
        const auto end = std::chrono::steady_clock::now();
        benchmark::DoNotOptimize(snapshot);
        micros.push_back(std::chrono::duration<double, std::micro>(end - start).count());
        state.SetIterationTime(std::chrono::duration<double>(end - start).count());
    }
    const double snapshots = static_cast<double>(micros.size());
    const double calls =
        static_cast<double>(g_desktop->atspi().callCount() - callsBefore) / snapshots;
    std::sort(micros.begin(), micros.end());
    state.counters["atspi_calls"] = calls;
    std::printf("\ntext snapshot: %d snapshots, %.1f AT-SPI calls each, median %.3f ms\n",
                static_cast<int>(snapshots), calls, micros[micros.size() / 2] / 1000.0);
    std::fflush(stdout);
}

void BM_ColdWithComposerFrame(benchmark::State& state) {
    evaluate(state, true, true);
}
void BM_WarmWithComposerFrame(benchmark::State& state) {
    evaluate(state, true, false);
}
void BM_WarmInputOnly(benchmark::State& state) {
    evaluate(state, false, false);
}

BENCHMARK(BM_ColdWithComposerFrame)
    ->Iterations(kEvaluations)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WarmWithComposerFrame)
    ->Iterations(kEvaluations)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WarmInputOnly)
    ->Iterations(kEvaluations)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TextSnapshot)
    ->Iterations(kEvaluations)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (!setUp())
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    g_desktop.reset();
    g_session.reset();
    return 0;
}
