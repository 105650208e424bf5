// SPDX-License-Identifier: MIT

// On each compositor named on the command line (default: sway), the two latencies a user feels,
// with Chromium as a native Wayland client and, as the baseline in the same run, with Chromium as
// an X11 client of the same compositor's XWayland:
// - focus change to palette mapped: an XWayland window in front goes away and the browser's
//   composer is in front again;
// - a click on the palette's button to Return reaching the page (the page stamps it with
//   Date.now(), the clock QDateTime reads here).
// Usage: bench-wayland [sway] [kwin] [gnome]

#include "bench/support/DesktopBench.h"
#include "core/ConfigurationStore.h"
#include "testing/DesktopSession.h"
#include "testing/Fixtures.h"
#include "testing/TandrelProgram.h"
#include "testing/X11Windows.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QElapsedTimer>

#include <unistd.h>

#include <cstdio>
#include <vector>

using namespace tandrel;

namespace {

using bench::fail;
using bench::nextSent;
using bench::percentile;
using bench::waitUntil;

constexpr const char* kTool = "bench-wayland";
constexpr int kRounds = 15;

struct Figures {
    std::vector<double> focusToPalette;
    std::vector<double> clickToPage;
    int missed = 0;
};

// One private desktop with the compositor and Chromium in it, tandrel on the composer, and the
// rounds measured; absent with *error set when the desktop or the palette did not come.
std::optional<Figures> measure(e2e::Compositor compositor, bool xwaylandBrowser, QString* error) {
    e2e::DesktopOptions options;
    options.compositor = compositor;
    options.xwaylandBrowser = xwaylandBrowser;
    e2e::DesktopSession session(options);
    if (!session.start(error))
        return std::nullopt;
    e2e::TandrelProgram tandrel;
    ConfigurationStore(tandrel.promptsPath())
        .save(Configuration({Prompt(QUuid::createUuid(), QStringLiteral("Summary"),
                                    QStringLiteral("Summarize this thread in three bullets."))}));
    if (const uint uid = session.value(QStringLiteral("SESSION_UID")).toUInt(); uid != ::geteuid())
        tandrel.runAs(uid, session.value(QStringLiteral("SESSION_GID")).toUInt());
    // Before the browser starts, so that the compositor has read it when tandrel starts.
    if (!session.trust(tandrel.program(), error))
        return std::nullopt;
    const auto page = session.open(e2e::textareaPage(), error);
    if (!page)
        return std::nullopt;
    if (!tandrel.start({}, error))
        return std::nullopt;
    if (!waitUntil([&] { return tandrel.palette().has_value(); }, 10000)) {
        *error = QStringLiteral("no palette:\n") + tandrel.output();
        return std::nullopt;
    }
    waitUntil([] { return false; }, 1000); // the browser settles in its window

    Figures figures;
    for (int i = 0; i < kRounds; ++i) {
        std::optional<e2e::PlainWindow> other;
        other.emplace(QStringLiteral("Bench-other"));
        if (!waitUntil([&] { return !tandrel.palette(); }, 5000)) {
            ++figures.missed;
            continue;
        }
        QElapsedTimer timer;
        timer.start();
        other.reset();
        if (waitUntil([&] { return tandrel.palette().has_value(); }, 5000))
            figures.focusToPalette.push_back(double(timer.nsecsElapsed()) / 1e6);
        else
            ++figures.missed;
    }
    for (int i = 0; i < kRounds; ++i) {
        // The button is usable again once the previous send has ended.
        waitUntil([] { return false; }, 700);
        const auto palette = tandrel.palette();
        if (!palette) {
            ++figures.missed;
            continue;
        }
        session.takeSent(error);
        if (!session.click(palette->x + 30, palette->y + palette->height / 2, error)) {
            ++figures.missed;
            continue;
        }
        // The button fires as it is released, which is when the harness answers.
        const qint64 released = QDateTime::currentMSecsSinceEpoch();
        const qint64 at = nextSent(session);
        if (at < 0)
            ++figures.missed;
        else
            figures.clickToPage.push_back(double(std::max<qint64>(at - released, 0)));
    }
    return figures;
}

void printRow(const char* what, const std::vector<double>& native,
              const std::vector<double>& xwayland) {
    if (native.empty() || xwayland.empty()) {
        std::printf("  %-24s no measurement\n", what);
        return;
    }
    const double n = percentile(native, 0.5);
    const double x = percentile(xwayland, 0.5);
    std::printf("  %-24s native p50 %6.1f ms p95 %6.1f | XWayland p50 %6.1f ms p95 %6.1f | "
                "%.2fx (goal <= 1.2)\n",
                what, n, percentile(native, 0.95), x, percentile(xwayland, 0.95),
                n / std::max(x, 1.0));
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    std::vector<e2e::Compositor> compositors;
    for (int i = 1; i < argc; ++i) {
        for (e2e::Compositor c :
             {e2e::Compositor::Sway, e2e::Compositor::KWin, e2e::Compositor::GnomeShell}) {
            if (QLatin1String(argv[i]) == QLatin1String(e2e::compositorName(c)))
                compositors.push_back(c);
        }
    }
    if (compositors.empty())
        compositors.push_back(e2e::Compositor::Sway);
    int status = 0;
    for (e2e::Compositor compositor : compositors) {
        QString error;
        const auto native = measure(compositor, false, &error);
        if (!native) {
            status = fail(kTool, QStringLiteral("%1, native Chromium: %2")
                                     .arg(QLatin1String(e2e::compositorName(compositor)), error));
            continue;
        }
        const auto xwayland = measure(compositor, true, &error);
        if (!xwayland) {
            status = fail(kTool, QStringLiteral("%1, XWayland Chromium: %2")
                                     .arg(QLatin1String(e2e::compositorName(compositor)), error));
            continue;
        }
        std::printf("%s, Chromium, %d rounds each (%d and %d missed):\n",
                    e2e::compositorName(compositor), kRounds, native->missed, xwayland->missed);
        printRow("focus -> palette mapped", native->focusToPalette, xwayland->focusToPalette);
        printRow("click -> page has it", native->clickToPage, xwayland->clickToPage);
    }
    return status;
}
