// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

#include <memory>
#include <vector>

namespace tandrel::e2e {

// A plain top-level X window of this process on the display named by DISPLAY, with a class and a
// _NET_WM_PID like any application's window, but invisible to the accessibility bus: when it
// becomes active, only the window manager's _NET_ACTIVE_WINDOW can say so. Destroyed with the
// object.
class PlainWindow {
public:
    // The class is what the window's application is known by (WM_CLASS).
    explicit PlainWindow(const QString& windowClass);
    ~PlainWindow();
    PlainWindow(const PlainWindow&) = delete;
    PlainWindow& operator=(const PlainWindow&) = delete;

    bool isValid() const;
    // Renames the window's class, as an application that changes what it is known by.
    void setWindowClass(const QString& windowClass);
    // The window's id in decimal, as xdotool takes it.
    QString id() const;

private:
    // Xlib's headers define macros (None, Bool, Status) that break other headers: kept out of
    // this one.
    struct X;
    std::unique_ptr<X> m_x;
};

// The window that the root's _NET_ACTIVE_WINDOW names on the display named by DISPLAY; 0 when it
// names none or is absent.
unsigned long activeWindowOnRoot();

// A mapped top-level window: where it is on the screen (pixels, top-left origin) and whether the
// window manager is bypassed (override-redirect).
struct WindowOnScreen {
    unsigned long id = 0;
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    bool overrideRedirect = false;
};

// The viewable top-level windows whose _NET_WM_PID is the process, in stacking order (bottom
// first). Window managers' frames are looked through: the client window inside one counts.
std::vector<WindowOnScreen> visibleWindowsOf(long long pid);

// The viewable windows of the process that live inside another process's top-level window, as
// tray icons docked by a tray (XEmbed) do; positions on the screen.
std::vector<WindowOnScreen> embeddedWindowsOf(long long pid);

// The process that owns the window holding the X input focus (its _NET_WM_PID, or that of its
// nearest top-level ancestor); 0 when none can be found.
long long inputFocusProcess();

// Whether the process's X error handler is Xlib's own, as nothing has replaced it for good.
bool xlibDefaultErrorHandlerInPlace();

// Reads a property of a window that does not exist, inside an error trap on a fresh connection
// to DISPLAY: how many errors the trap caught, and whether the handler from before was back
// once it was gone.
struct TrapRun {
    int caught = -1;
    bool handlerRestored = false;
};
TrapRun readGoneWindowInsideATrap();

} // namespace tandrel::e2e
