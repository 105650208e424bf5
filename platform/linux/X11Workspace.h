// SPDX-License-Identifier: MIT
#pragma once

#include "platform/Workspace.h"
#include "platform/linux/AtspiEvents.h"

#include <QString>

#include <map>
#include <memory>

class QSocketNotifier;
typedef struct _XDisplay Display;
union _XEvent;

namespace tandrel::linuxdesktop {

// The application in front, as the X server sees it: the window named by _NET_ACTIVE_WINDOW
// or, with no window manager running, the top-level window holding the input focus.
class X11Workspace final : public Workspace {
public:
    // Takes ownership of the display connection.
    X11Workspace(Display* display, AtspiEvents& events);
    ~X11Workspace() override;
    X11Workspace(const X11Workspace&) = delete;
    X11Workspace& operator=(const X11Workspace&) = delete;

    // Read from the X server once per pass of the event loop: a tick asks, and so does the focus
    // tracker within it, and one read is about ten round trips to the server.
    std::optional<RunningApplication> frontmostApplication() override;
    a11y::Pid ownProcessIdentifier() override;
    std::unique_ptr<Handle> observeApplicationActivation(std::function<void()> handler) override;
    // Starts GNOME's or KDE's accessibility settings, whichever is installed first.
    bool openAccessibilitySettings() override;
    bool nativeWaylandWindowInFront() override;

private:
    class Registration;
    static bool isWaylandSession();
    unsigned long activeWindow();
    bool windowManagerNamesActiveWindow();
    unsigned long clientWindowOf(unsigned long window);
    std::optional<RunningApplication> readFrontmostApplication();
    RunningApplication applicationOf(unsigned long window);
    RunningApplication readApplicationOf(unsigned long client);
    bool changesKnownWindow(const _XEvent& event) const;
    void forgetWindow();
    void drainEvents();
    void notify();

    Display* m_display;
    AtspiEvents& m_events;
    std::unique_ptr<QSocketNotifier> m_notifier;
    int m_subscription = 0;
    std::map<int, std::function<void()>> m_handlers;
    int m_nextId = 1;
    // The answer of this pass of the event loop; dropped when the loop turns or an activation is
    // announced.
    std::optional<std::optional<RunningApplication>> m_frontmostThisPass;
    // The last window in front and what it was read to be, kept while the window reports no
    // change: a property change, reparenting or destruction of either window drops it.
    struct KnownWindow {
        unsigned long window = 0;
        unsigned long client = 0;
        RunningApplication application;
    };
    std::optional<KnownWindow> m_known;
    unsigned long m_atomActive = 0;
    unsigned long m_atomPid = 0;
    unsigned long m_atomGtkId = 0;
    unsigned long m_atomUtf8 = 0;
    unsigned long m_atomWmState = 0;
    unsigned long m_atomSupportingCheck = 0;
    unsigned long m_atomSupported = 0;
};

} // namespace tandrel::linuxdesktop
