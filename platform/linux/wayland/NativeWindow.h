// SPDX-License-Identifier: MIT
#pragma once

#include <QPoint>
#include <QRect>
#include <QString>

#include <cstdint>
#include <optional>

namespace tandrel::linuxdesktop {

// The window that has the focus of a Wayland compositor, as the compositor describes it.
struct NativeWindow {
    std::int64_t id = 0;
    std::optional<qint64> pid;
    QString appId;
    // Where the window's content (its xdg geometry) is, in the compositor's layout coordinates,
    // which are XWayland's screen coordinates. Title bars and borders drawn by the compositor are
    // outside it.
    QRect content;
    // Where the client's buffer starts, client-side shadows included, when the compositor tells
    // (KWin, GNOME Shell): AT-SPI's window coordinates count from there. sway does not tell.
    std::optional<QPoint> bufferOrigin;
    // An X11 client under XWayland: served by the X11 path, which sees it directly.
    bool xwayland = false;
    friend bool operator==(const NativeWindow&, const NativeWindow&) = default;
};

} // namespace tandrel::linuxdesktop
