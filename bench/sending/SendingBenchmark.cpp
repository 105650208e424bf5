// SPDX-License-Identifier: MIT

// Sending a prompt on the real desktop: from send() to the page receiving Return, over 50 sends
// into Chromium's textarea fixture, as p50 and p95. The baseline is a bare Return posted into
// the same page, measured in the same run: the ratio shows what the paste and its verification
// add. Times come from one clock: the page stamps its keydown with Date.now(), which is the
// system's wall clock, as is QDateTime here.

#include "app/sending/PromptSender.h"
#include "bench/support/DesktopBench.h"
#include "platform/linux/LinuxDesktop.h"
#include "testing/DesktopSession.h"
#include "testing/Fixtures.h"

#include <QDateTime>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QGuiApplication>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <memory>
#include <vector>

using namespace tandrel;

namespace {

using bench::nextSent;
using bench::percentile;
using bench::waitUntil;

constexpr int kSends = 50;
constexpr int kBaselineReturns = 20;

} // namespace

int main(int argc, char** argv) {
    e2e::DesktopSession session;
    QString error;
    if (!session.start(&error)) {
        std::fprintf(stderr, "bench-sending: the private desktop did not start: %s\n",
                     qPrintable(error));
        return 1;
    }
    QGuiApplication application(argc, argv); // on the private display, exported by start()
    if (!session.open(e2e::textareaPage(), &error)) {
        std::fprintf(stderr, "bench-sending: %s\n", qPrintable(error));
        return 1;
    }
    std::unique_ptr<LinuxDesktop> desktop = LinuxDesktop::create(&error);
    if (!desktop) {
        std::fprintf(stderr, "bench-sending: %s\n", qPrintable(error));
        return 1;
    }
    FocusTracker tracker(desktop->accessibility(), desktop->workspace(), desktop->clock());
    std::optional<ChatTarget> target;
    if (!waitUntil([&] { return bool(target = tracker.current(true)); })) {
        std::fprintf(stderr, "bench-sending: the page's input was never found\n");
        return 1;
    }
    session.takeSent(&error);

    std::vector<double> baseline;
    for (int i = 0; i < kBaselineReturns; ++i) {
        const qint64 start = QDateTime::currentMSecsSinceEpoch();
        desktop->keyEvents().submit();
        const qint64 at = nextSent(session);
        if (at >= 0)
            baseline.push_back(double(at - start));
    }

    PromptSender sender(desktop->pasteboard(), desktop->keyEvents(), desktop->clock(), tracker);
    std::optional<QString> lastStatus;
    QObject::connect(&sender, &PromptSender::statusChanged,
                     [&](const std::optional<QString>& status) { lastStatus = status; });
    const Prompt prompt(QUuid::createUuid(), QStringLiteral("Summary"),
                        QStringLiteral("Summarize this thread in three bullets."));
    std::vector<double> sends;
    int failed = 0;
    for (int i = 0; i < kSends; ++i) {
        const qint64 start = QDateTime::currentMSecsSinceEpoch();
        sender.send(prompt, *target);
        waitUntil([&] { return !sender.busy(); });
        const qint64 at = lastStatus ? -1 : nextSent(session);
        if (at < 0) {
            ++failed;
            std::fprintf(stderr, "send %d: %s\n", i + 1,
                         qPrintable(lastStatus.value_or(QStringLiteral("nothing arrived"))));
            continue;
        }
        sends.push_back(double(at - start));
    }

    if (baseline.empty() || sends.empty()) {
        std::fprintf(stderr, "bench-sending: no measurement\n");
        return 1;
    }
    const double base50 = percentile(baseline, 0.5);
    std::printf("bare Return to page:      p50 %6.1f ms  p95 %6.1f ms  (%zu returns)\n", base50,
                percentile(baseline, 0.95), baseline.size());
    std::printf("send() to Return on page: p50 %6.1f ms  p95 %6.1f ms  (%zu sends, %d failed)\n",
                percentile(sends, 0.5), percentile(sends, 0.95), sends.size(), failed);
    std::printf("p50 over the bare Return: %.1fx (the first check comes 80 ms after the paste)\n",
                percentile(sends, 0.5) / std::max(base50, 1.0));
    return 0;
}
