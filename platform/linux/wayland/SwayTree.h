// SPDX-License-Identifier: MIT
#pragma once

#include "platform/linux/wayland/NativeWindow.h"

#include <QByteArray>

#include <cstdint>
#include <optional>

namespace tandrel::linuxdesktop {

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
