// SPDX-License-Identifier: MIT

// A click on a palette button of the real tandrel to Return reaching the chat page, over 50 sends
// into Chromium's textarea fixture, as p50 and p95. The baseline is a bare Return typed into the
// same page with the same tool, measured in the same run: the ratio shows what the paste, its
// verification and the program add. Times come from one clock: the page stamps its keydown with
// Date.now(), the system's wall clock, as is QDateTime here.

#include "bench/support/DesktopBench.h"
#include "core/ConfigurationStore.h"
#include "testing/AccessibleObjects.h"
#include "testing/DesktopSession.h"
#include "testing/Fixtures.h"
#include "testing/TandrelProgram.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

using namespace tandrel;

namespace {

using bench::fail;
using bench::nextSent;
using bench::percentile;
using bench::waitUntil;

constexpr const char* kTool = "bench-program";

constexpr int kSends = 50;
constexpr int kBaselineReturns = 20;
const QString kLabel = QStringLiteral("Summary");

} // namespace

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    e2e::DesktopSession session;
    QString error;
    if (!session.start(&error))
        return fail(kTool, QStringLiteral("the private desktop did not start: ") + error);
    const std::optional<e2e::OpenedPage> page = session.open(e2e::textareaPage(), &error);
    if (!page)
        return fail(kTool, error);
    if (!e2e::connectToAccessibilityBus(&error))
        return fail(kTool, error);

    e2e::TandrelProgram tandrel;
    ConfigurationStore(tandrel.promptsPath())
        .save(Configuration({Prompt(QUuid::createUuid(), kLabel,
                                    QStringLiteral("Summarize this thread in three bullets."))}));
    tandrel.exposeWidgets();
    if (!tandrel.start({}, &error))
        return fail(kTool, error);
    // The button, once the previous insertion has ended and it is usable again.
    auto usableButton = [&] {
        std::optional<e2e::AccessibleObject> button;
        waitUntil([&] {
            button = e2e::findShowing(tandrel.pid(), QStringLiteral("push button"), kLabel);
            return button && button->enabled;
        });
        return button;
    };
    if (!usableButton())
        return fail(kTool, QStringLiteral("no prompt button on the palette:\n") + tandrel.output());
    session.takeSent(&error);

    std::vector<double> baseline;
    for (int i = 0; i < kBaselineReturns; ++i) {
        e2e::focusWindowOf(page->pid);
        const qint64 start = QDateTime::currentMSecsSinceEpoch(); // xdotool, as the clicks below
        QProcess::execute(QStringLiteral("xdotool"),
                          {QStringLiteral("key"), QStringLiteral("Return")});
        const qint64 at = nextSent(session);
        if (at >= 0)
            baseline.push_back(double(at - start));
    }

    std::vector<double> sends;
    int failed = 0;
    for (int i = 0; i < kSends; ++i) {
        const std::optional<e2e::AccessibleObject> button = usableButton();
        if (!button) {
            ++failed;
            continue;
        }
        session.takeSent(&error);
        const qint64 start = QDateTime::currentMSecsSinceEpoch();
        e2e::clickAt(button->centre().x(), button->centre().y());
        const qint64 at = nextSent(session);
        if (at < 0) {
            ++failed;
            std::fprintf(stderr, "send %d: nothing arrived\n", i + 1);
            continue;
        }
        sends.push_back(double(at - start));
    }

    if (baseline.empty() || sends.empty())
        return fail(kTool, QStringLiteral("no measurement"));
    const double base50 = percentile(baseline, 0.5);
    std::printf("xdotool Return to page:    p50 %6.1f ms  p95 %6.1f ms  (%zu returns)\n", base50,
                percentile(baseline, 0.95), baseline.size());
    std::printf("palette click to page:     p50 %6.1f ms  p95 %6.1f ms  (%zu sends, %d failed)\n",
                percentile(sends, 0.5), percentile(sends, 0.95), sends.size(), failed);
    std::printf("p50 over the bare Return:  %.1fx (the first check comes 80 ms after the paste)\n",
                percentile(sends, 0.5) / std::max(base50, 1.0));
    return 0;
}
