// SPDX-License-Identifier: MIT

// Idle footprint of tandrel with a chat composer focused and its palette up, side by side with a
// minimal Qt tray program (and the same woken once a second) in the same run on the same private
// desktop (a tray host included): CPU time over the same minute, resident and proportional memory
// at its end, and their ratios. Then what dominates: CPU per thread, resident memory per mapping,
// largest first.
//
//     bench-idle-footprint [seconds]      (default 60)

#include "bench/program/ProcessUsage.h"
#include "bench/program/TandrelAbovePage.h"
#include "bench/support/DesktopBench.h"
#include "testing/DesktopSession.h"
#include "testing/TandrelProgram.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QProcess>
#include <QTimer>

#include <cstdio>
#include <functional>

using namespace tandrel;

namespace {

using bench::fail;
using bench::waitUntil;

constexpr const char* kTool = "bench-idle-footprint";

constexpr int kSettleMs = 3000; // start-up work done before the window opens

void runEventLoop(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

double ratio(double a, double b) {
    return b > 0 ? a / b : 0;
}

// Per thread name: what was spent between the two readings (a thread started since counts whole).
std::map<QString, double> spentSince(const std::map<QString, double>& after,
                                     const std::map<QString, double>& before) {
    std::map<QString, double> spent;
    for (const auto& [name, cpu] : after) {
        const auto earlier = before.find(name);
        spent[name] = cpu - (earlier == before.end() ? 0.0 : earlier->second);
    }
    return spent;
}

void printLargest(const char* title, const std::map<QString, double>& tandrel,
                  const std::map<QString, double>& minimal, const char* unit, double scale) {
    std::printf("  %s, most beyond the minimal program first (tandrel | minimal):\n", title);
    for (const auto& [name, excess] : bench::largestExcess(tandrel, minimal, 8)) {
        const auto other = minimal.find(name);
        const double base = other == minimal.end() ? 0.0 : other->second;
        std::printf("    %-34s %9.1f %s | %9.1f %s\n", qUtf8Printable(name.left(34)),
                    (base + excess) * scale, unit, base * scale, unit);
    }
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int seconds = argc > 1 ? std::max(1, QString::fromLocal8Bit(argv[1]).toInt()) : 60;

    e2e::DesktopSession session(e2e::DesktopOptions{e2e::WindowManager::None, true, 1});
    QString error;
    e2e::TandrelProgram tandrel;
    const auto page = bench::startTandrelAbovePage(
        session, QStringLiteral("https://chatgpt.com/textarea.html"), tandrel, &error);
    if (!page)
        return fail(kTool, error);

    QProcess minimal;
    QProcess ticking;
    for (QProcess* process : {&minimal, &ticking}) {
        process->setProcessChannelMode(QProcess::ForwardedChannels);
        process->start(QStringLiteral(TANDREL_MINIMAL_TRAY_PATH),
                       process == &ticking ? QStringList{QStringLiteral("--tick")} : QStringList{});
        if (!process->waitForStarted(10000))
            return fail(kTool, QStringLiteral("the minimal tray program did not start"));
    }
    const qint64 minimalPid = minimal.processId();
    const qint64 tickingPid = ticking.processId();

    runEventLoop(kSettleMs);
    const bench::ProcessUsage tandrelBefore = bench::readProcessUsage(tandrel.pid());
    const bench::ProcessUsage minimalBefore = bench::readProcessUsage(minimalPid);
    const bench::ProcessUsage tickingBefore = bench::readProcessUsage(tickingPid);
    // The process ids let a profiler join for the window (perf record -g -p PID).
    std::printf("Idle footprint over %d s, composer focused, palette up (tandrel, pid %lld) beside "
                "a minimal Qt tray program (pid %lld):\n",
                seconds, static_cast<long long>(tandrel.pid()), static_cast<long long>(minimalPid));
    std::fflush(stdout);
    runEventLoop(seconds * 1000);
    const bench::ProcessUsage tandrelAfter = bench::readProcessUsage(tandrel.pid());
    const bench::ProcessUsage minimalAfter = bench::readProcessUsage(minimalPid);
    const bench::ProcessUsage tickingAfter = bench::readProcessUsage(tickingPid);
    const bool stillShown = tandrel.palette().has_value();
    for (QProcess* process : {&minimal, &ticking}) {
        process->terminate();
        process->waitForFinished(5000);
    }

    const double tandrelCpu = tandrelAfter.cpuSeconds - tandrelBefore.cpuSeconds;
    const double minimalCpu = minimalAfter.cpuSeconds - minimalBefore.cpuSeconds;
    const double tickingCpu = tickingAfter.cpuSeconds - tickingBefore.cpuSeconds;
    std::printf("  %-10s %12s %12s %12s\n", "", "CPU ms", "RSS MiB", "PSS MiB");
    std::printf("  %-10s %12.0f %12.1f %12.1f\n", "tandrel", tandrelCpu * 1000,
                tandrelAfter.rssKiB / 1024, tandrelAfter.pssKiB / 1024);
    std::printf("  %-10s %12.0f %12.1f %12.1f\n", "minimal", minimalCpu * 1000,
                minimalAfter.rssKiB / 1024, minimalAfter.pssKiB / 1024);
    std::printf("  %-10s %12.0f %12.1f %12.1f   (the minimal one, woken once a second)\n",
                "ticking", tickingCpu * 1000, tickingAfter.rssKiB / 1024,
                tickingAfter.pssKiB / 1024);
    // A program that only sleeps in poll() may spend no measurable time at all: then the CPU ratio
    // has no meaning, and the absolute cost per second says more.
    if (minimalCpu >= 0.001)
        std::printf("  ratios: CPU %.2fx (goal <= 3), ", ratio(tandrelCpu, minimalCpu));
    else
        std::printf("  ratios: CPU n/a (the minimal program used %.3f ms; goal <= 3x), ",
                    minimalCpu * 1000);
    std::printf("RSS %.2fx (goal <= 1.3), PSS %.2fx\n",
                ratio(tandrelAfter.rssKiB, minimalAfter.rssKiB),
                ratio(tandrelAfter.pssKiB, minimalAfter.pssKiB));
    std::printf("  CPU per second of idle: tandrel %.2f ms, minimal %.3f ms, ticking %.3f ms "
                "(tandrel %.1fx the ticking one)\n",
                1000 * tandrelCpu / seconds, 1000 * minimalCpu / seconds,
                1000 * tickingCpu / seconds, ratio(tandrelCpu, tickingCpu));
    if (!stillShown)
        std::printf("  note: the palette was no longer shown at the end\n");

    const auto tandrelThreads = spentSince(tandrelAfter.cpuByThread, tandrelBefore.cpuByThread);
    const auto minimalThreads = spentSince(minimalAfter.cpuByThread, minimalBefore.cpuByThread);
    printLargest("CPU by thread over the window", tandrelThreads, minimalThreads, "ms", 1000);
    printLargest("resident memory by mapping", tandrelAfter.rssByMapping, minimalAfter.rssByMapping,
                 "KiB", 1);
    return 0;
}
