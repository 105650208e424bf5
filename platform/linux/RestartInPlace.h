// SPDX-License-Identifier: MIT
#pragma once

#include "platform/Pasteboard.h"

#include <QByteArray>
#include <QString>

#include <optional>
#include <vector>

namespace tandrel::linuxdesktop {

// What a program started again in place carries over from the one it replaces: what the user set
// (the pause), what they were looking at (the editor), and the clipboard content this process
// held for them, which would otherwise go with it.
struct CarriedState {
    bool paused = false;
    bool editorOpen = false;
    std::optional<PasteboardContent> clipboard;

    friend bool operator==(const CarriedState&, const CarriedState&) = default;
};

QByteArray encodeCarriedState(const CarriedState& state);
// None when the bytes are not a carried state.
std::optional<CarriedState> decodeCarriedState(const QByteArray& bytes);

// Replaces this process with a new start of the same program with the same arguments, on the
// accessibility bus at that address, handing it the state through a file only this user can
// read. Returns only when that failed, with the reason; nothing is left behind then.
QString restartInPlace(const CarriedState& state, const QByteArray& busAddress,
                       const std::vector<QByteArray>& arguments);

// The state handed over by the process this one replaced, read once and removed; none after an
// ordinary start.
std::optional<CarriedState> takeCarriedState();

} // namespace tandrel::linuxdesktop
