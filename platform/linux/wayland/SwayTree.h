// SPDX-License-Identifier: MIT
#pragma once

#include <QByteArray>
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
    // An X11 client under XWayland: served by the X11 path, which sees it directly.
    bool xwayland = false;
    friend bool operator==(const NativeWindow&, const NativeWindow&) = default;
};

// The focused window in sway's layout tree (the GET_TREE reply): the node marked focused, when
// it is a window rather than a workspace or an output. Nothing for a tree that does not parse.
std::optional<NativeWindow> focusedWindowInSwayTree(const QByteArray& json);

// The i3-ipc framing sway speaks on $SWAYSOCK: "i3-ipc", then payload length and message type as
// 32-bit integers in the host's byte order, then the JSON payload. Event replies have the high
// bit of the type set.
namespace swayipc {
inline constexpr std::uint32_t kGetTree = 4;
inline constexpr std::uint32_t kSubscribe = 2;
inline constexpr std::uint32_t kEventBit = 0x80000000u;

struct Message {
    std::uint32_t type = 0;
    QByteArray payload;
};

QByteArray encode(std::uint32_t type, const QByteArray& payload);
// Takes the first complete message off the front of the buffer; nothing while it is incomplete.
// A buffer that does not start with the magic is a broken stream: *broken is set.
std::optional<Message> take(QByteArray& buffer, bool* broken);
} // namespace swayipc

} // namespace tandrel::linuxdesktop
