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
class FrontWindowSource;
class NativeKeys;
class WaylandConnection;

// What one compositor family lends this program for native windows; what it lacks stays null.
struct CompositorParts {
    std::unique_ptr<FrontWindowSource> front; // null: the compositor does not tell
    std::unique_ptr<NativeKeys> keys;
    // Null where the X11 clipboard reaches native windows (GNOME Shell bridges the two).
    std::unique_ptr<DataControlClipboard> clipboard;
    // What a user of an unknown compositor can do instead.
    QString wayOut;
};

// The parts of each family, over this program's own Wayland connection.
CompositorParts partsFor(Compositor compositor, WaylandConnection& connection);

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
    bool needsX11View() const { return m_session && !offers().windowInFront.isEmpty(); }
    // The native window in front when the native path serves it.
    std::optional<NativeWindow> servedWindow() const;

    FrontWindowSource* front() const { return m_parts.front.get(); }
    NativeKeys* keys() const { return m_parts.keys.get(); }
    // Null where native windows paste from the X11 clipboard.
    DataControlClipboard* clipboard() const { return m_parts.clipboard.get(); }

private:
    WaylandOffers offers() const;

    bool m_session = false;
    std::unique_ptr<WaylandConnection> m_connection;
    CompositorParts m_parts;
};

// The window in front from the compositor when it is a native one, from X11 otherwise.
class RoutedWorkspace final : public Workspace {
public:
    RoutedWorkspace(Workspace& x11, WaylandSide& wayland);
    std::optional<RunningApplication> frontmostApplication() override;
    a11y::Pid ownProcessIdentifier() override { return m_x11.ownProcessIdentifier(); }
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
    bool paste() override { return current().paste(); }
    bool submit() override { return current().submit(); }
    void beep() override { m_x11.beep(); }

private:
    KeyEvents& current();

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
