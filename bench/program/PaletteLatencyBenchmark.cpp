// SPDX-License-Identifier: MIT

// Focus change to palette on the screen, on the real desktop: the real tandrel runs beside
// Chromium on a page with a composer and empty space below it. Each round clicks into the
// composer (through XTest, stamped just before) and waits for the X server to map the palette;
// a click on the empty page hides it again. 50 rounds, p50 and p95.
//
// The baseline, measured in the same rounds: when this process hears Chromium's own accessibility
// event for the focus change. The difference is what tandrel adds between the browser announcing
// the focus and its window being mapped.

#include "bench/program/TandrelAbovePage.h"
#include "bench/support/DesktopBench.h"
#include "platform/linux/GLibPtr.h"
#include "testing/DesktopSession.h"
#include "testing/TandrelProgram.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QTimer>

#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <atspi/atspi.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <optional>
#include <vector>

using namespace tandrel;
using Clock = std::chrono::steady_clock;

namespace {

using bench::fail;
using bench::percentile;
// Polled every millisecond: the wait is part of what is measured.
bool waitUntil(const std::function<bool()>& condition, int timeoutMs = 10000) {
    return bench::waitUntil(condition, timeoutMs, 1);
}

constexpr const char* kTool = "bench-palette-latency";

constexpr int kRounds = 50;

double msSince(Clock::time_point start, Clock::time_point end) {
    return std::chrono::duration<double, std::milli>(end - start).count();
}

// The X server's map and unmap notifications for top-level windows, stamped as they arrive.
class MapWatch {
public:
    MapWatch() : m_display(XOpenDisplay(nullptr)) {
        if (m_display)
            XSelectInput(m_display, DefaultRootWindow(m_display), SubstructureNotifyMask);
    }
    ~MapWatch() {
        if (m_display)
            XCloseDisplay(m_display);
    }
    MapWatch(const MapWatch&) = delete;
    MapWatch& operator=(const MapWatch&) = delete;

    Display* display() const { return m_display; }

    // Reads what has arrived; answers when the window was last mapped or unmapped.
    void drain() {
        while (XPending(m_display)) {
            XEvent event;
            XNextEvent(m_display, &event);
            if (event.type == MapNotify && event.xmap.window == window)
                mapped = Clock::now();
            else if (event.type == UnmapNotify && event.xunmap.window == window)
                unmapped = Clock::now();
        }
    }

    void click(int x, int y) {
        XTestFakeMotionEvent(m_display, -1, x, y, CurrentTime);
        XTestFakeButtonEvent(m_display, 1, True, CurrentTime);
        XTestFakeButtonEvent(m_display, 1, False, CurrentTime);
        XFlush(m_display);
    }

    unsigned long window = 0;
    std::optional<Clock::time_point> mapped;
    std::optional<Clock::time_point> unmapped;

private:
    Display* m_display;
};

// Chromium's focus events, heard by this process on the accessibility bus.
std::optional<Clock::time_point> g_focusEvent;

bool isTextRole(AtspiRole role) {
    return role == ATSPI_ROLE_ENTRY || role == ATSPI_ROLE_TEXT;
}

void onFocus(AtspiEvent* event, void*) {
    const linuxdesktop::AtspiEventPtr owned(event);
    if (event->detail1 == 1 && event->source &&
        isTextRole(atspi_accessible_get_role(event->source, nullptr)))
        g_focusEvent = Clock::now();
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    e2e::DesktopSession session;
    QString error;
    e2e::TandrelProgram tandrel;
    const auto page = bench::startTandrelAbovePage(
        session, QStringLiteral("https://chatgpt.com/two-fields.html"), tandrel, &error);
    if (!page)
        return fail(kTool, error);

    MapWatch watch;
    if (!watch.display())
        return fail(kTool, QStringLiteral("cannot open the display"));
    watch.window = tandrel.palette()->id;

    atspi_init();
    const linuxdesktop::GObjectPtr<AtspiEventListener> listener(
        atspi_event_listener_new(onFocus, nullptr, nullptr));
    atspi_event_listener_register(listener.get(), "object:state-changed:focused", nullptr);

    const Rect input = *page->input;
    const int inX = int(input.x() + input.width() / 2);
    const int inY = int(input.y() + input.height() / 2);
    const int outX = inX;
    const int outY = int(input.y() + input.height() + 300); // the empty page below the form

    std::vector<double> shown, heard, added;
    int missed = 0;
    for (int round = 0; round < kRounds; ++round) {
        // Out of the composer: the palette goes.
        watch.unmapped.reset();
        watch.click(outX, outY);
        if (!waitUntil([&] {
                watch.drain();
                return watch.unmapped.has_value();
            })) {
            ++missed;
            continue;
        }
        // Let the loop go quiet, so each round starts from the idle state.
        waitUntil([] { return false; }, 300);

        watch.mapped.reset();
        g_focusEvent.reset();
        const Clock::time_point clicked = Clock::now();
        watch.click(inX, inY);
        if (!waitUntil([&] {
                watch.drain();
                return watch.mapped.has_value() && g_focusEvent.has_value();
            })) {
            ++missed;
            continue;
        }
        shown.push_back(msSince(clicked, *watch.mapped));
        heard.push_back(msSince(clicked, *g_focusEvent));
        added.push_back(msSince(*g_focusEvent, *watch.mapped));
        waitUntil([] { return false; }, 200);
    }
    atspi_event_listener_deregister(listener.get(), "object:state-changed:focused", nullptr);

    if (shown.empty())
        return fail(kTool, QStringLiteral("no round completed"));
    std::printf("Focus change -> palette mapped, %zu rounds (%d missed), real desktop:\n",
                shown.size(), missed);
    std::printf(
        "  click -> palette mapped         p50 %6.1f ms   p95 %6.1f ms   (goal p50 <= 50)\n",
        percentile(shown, 0.5), percentile(shown, 0.95));
    std::printf("  click -> Chromium focus event   p50 %6.1f ms   p95 %6.1f ms   (baseline)\n",
                percentile(heard, 0.5), percentile(heard, 0.95));
    std::printf(
        "  focus event -> palette mapped   p50 %6.1f ms   p95 %6.1f ms   (tandrel's share)\n",
        percentile(added, 0.5), percentile(added, 0.95));
    std::printf("  ratio palette / baseline at p50: %.2f\n",
                percentile(shown, 0.5) / std::max(percentile(heard, 0.5), 0.001));
    return 0;
}
