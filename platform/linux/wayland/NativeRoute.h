// SPDX-License-Identifier: MIT
#pragma once

#include "platform/linux/wayland/NativeWindow.h"

#include <QPoint>
#include <QRect>
#include <QString>

#include <optional>
#include <vector>

namespace tandrel::linuxdesktop {

// Which compositor runs the Wayland session: each family tells about its windows and lets this
// program type and use the clipboard in its own way.
enum class Compositor { None, Sway, KWin, GnomeShell, Other };

// From the session's environment: SWAYSOCK, then XDG_CURRENT_DESKTOP (colon-separated).
Compositor compositorOf(bool waylandSession, const QString& swaySocket,
                        const QString& currentDesktop);

// What the compositor's pieces say they cannot do, each with the way out; empty where they can.
struct WaylandOffers {
    QString windowInFront;
    QString keys;
    QString clipboard;
    // Said once after what keys or the clipboard lack, when it is not said with each.
    QString wayOut;
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

// How many units a web document counts per point, from its window extents and its frame's:
// Chromium on a Wayland output at scale 2 counts its frame in points and its pages in buffer
// pixels. 1 where they agree.
int webContentScale(QSize frame, QSize document);

// Where an element is on the screen, in points, from its window extents: the buffer's origin
// (told by the compositor, or the content's less the inset) plus the extents in points.
QRect screenRectOf(const QRect& inWindow, QPoint bufferOrigin, int scale);

} // namespace tandrel::linuxdesktop
