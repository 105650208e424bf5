// SPDX-License-Identifier: MIT
#pragma once

#include "platform/linux/wayland/SwayTree.h"

#include <QPoint>
#include <QRect>
#include <QString>

#include <optional>
#include <vector>

namespace tandrel::linuxdesktop {

// What the compositor offers this program for serving a native Wayland window.
struct WaylandOffers {
    bool windowInFront = false; // the compositor tells which window is in front (sway's IPC)
    bool keys = false;          // zwp_virtual_keyboard_manager_v1
    bool clipboard = false;     // zwlr_data_control_manager_v1
};

// Which path serves the window in front: the X11 one (X11 clients, XWayland included, and every
// X11 session), or the native Wayland one. A native window that cannot be served is named with
// what is missing and the way out, and nothing of it is trusted.
struct Route {
    bool native = false;
    QString problem; // empty when the window in front is served
    friend bool operator==(const Route&, const Route&) = default;
};

// waylandSession: WAYLAND_DISPLAY is set. focused: the compositor's focused window, when it
// tells. x11SeesNone: X11 names no active window (what a native window in front looks like to an
// X11 client when the compositor does not tell).
Route routeFor(bool waylandSession, const std::optional<NativeWindow>& focused,
               const WaylandOffers& offers, bool x11SeesNone);

// Where a native window's content (the compositor's rectangle) starts within its buffer, which
// AT-SPI's window coordinates count from: client-side shadows lie around the content. The
// candidates are the window extents of the application's frame and its first descendants,
// outermost first. The first one of the content's size is the content: Firefox places its frame
// there (at its shadow's inset), Chromium with server-side decorations puts it at 0,0. Nothing
// when none matches: the shadow is not exposed and no position can be trusted.
std::optional<QPoint> contentInsetInBuffer(const std::vector<QRect>& candidates, QSize content);

// Where an element is on the screen, from its window extents.
QRect screenRectOf(const QRect& inWindow, const QRect& content, QPoint inset);

} // namespace tandrel::linuxdesktop
