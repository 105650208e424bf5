// SPDX-License-Identifier: MIT
#pragma once

#include "platform/KeyEvents.h"
#include "platform/Pasteboard.h"
#include "platform/Workspace.h"
#include "platform/linux/wayland/NativeRoute.h"

#include <QRect>

#include <memory>
#include <optional>

namespace tandrel::linuxdesktop {

class DataControlClipboard;
class SwayIpc;
class WaylandConnection;
class WaylandKeys;

// The native Wayland side of a Wayland session: this program's own Wayland connection, what the
// compositor tells about the window in front, and the keys and clipboard that reach native
// windows. Each concern below asks it, per call, whether the window in front is native and
// served, so a switch between an X11 and a native window is followed at once.
class WaylandSide {
public:
    // Nothing is connected outside a Wayland session.
    WaylandSide();
    ~WaylandSide();

    // x11SeesNone: X11 names no active window.
    Route route(bool x11SeesNone) const;
    // Whether the route depends on X11's view: only in a Wayland session whose compositor does
    // not tell which window is in front. Elsewhere that view (a round trip) is not asked.
    bool needsX11View() const { return m_session && !offers().windowInFront; }
    // The native window in front when the native path serves it.
    std::optional<NativeWindow> servedWindow() const;

    SwayIpc* ipc() const { return m_ipc.get(); }
    WaylandKeys& keys() const { return *m_keys; }
    DataControlClipboard& clipboard() const { return *m_clipboard; }

private:
    WaylandOffers offers() const;

    bool m_session = false;
    std::unique_ptr<WaylandConnection> m_connection;
    std::unique_ptr<SwayIpc> m_ipc;
    std::unique_ptr<WaylandKeys> m_keys;
    std::unique_ptr<DataControlClipboard> m_clipboard;
};

// The window in front from the compositor when it is a native one, from X11 otherwise.
class RoutedWorkspace final : public Workspace {
public:
    RoutedWorkspace(Workspace& x11, WaylandSide& wayland);
    std::optional<RunningApplication> frontmostApplication() override;
    ax::Pid ownProcessIdentifier() override { return m_x11.ownProcessIdentifier(); }
    std::unique_ptr<Handle> observeApplicationActivation(std::function<void()> handler) override;
    bool openAccessibilitySettings() override { return m_x11.openAccessibilitySettings(); }
    bool nativeWaylandWindowInFront() override;
    QString nativeWaylandWindowProblem() override;

private:
    Route currentRoute();

    Workspace& m_x11;
    WaylandSide& m_wayland;
};

// Keys to the native window in front through the virtual keyboard, else through X11.
class RoutedKeys final : public KeyEvents {
public:
    RoutedKeys(KeyEvents& x11, WaylandSide& wayland) : m_x11(x11), m_wayland(wayland) {}
    bool paste() override;
    bool submit() override;
    void beep() override { m_x11.beep(); }

private:
    KeyEvents& m_x11;
    WaylandSide& m_wayland;
};

// The clipboard the window in front pastes from. A change on either is reported, also across a
// switch between them.
class RoutedPasteboard final : public Pasteboard {
public:
    RoutedPasteboard(Pasteboard& x11, WaylandSide& wayland) : m_x11(x11), m_wayland(wayland) {}
    std::unique_ptr<Handle>
    readContent(double timeout,
                std::function<void(std::optional<PasteboardContent>)> done) override;
    bool write(const PasteboardContent& content) override;
    std::unique_ptr<Handle> observeChanges(std::function<void()> handler) override;

private:
    Pasteboard& current();

    Pasteboard& m_x11;
    WaylandSide& m_wayland;
};

} // namespace tandrel::linuxdesktop
