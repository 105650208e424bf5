// SPDX-License-Identifier: MIT
#pragma once

#include "platform/linux/wayland/FrontWindowSource.h"

struct zwp_virtual_keyboard_v1;

namespace tandrel::linuxdesktop {

class WaylandConnection;

// Keystrokes into the native window in front through a virtual keyboard
// (zwp_virtual_keyboard_v1) on the seat. One keyboard with one keymap for the program's life: each
// new keymap makes a browser blur and refocus. The keymap is our own US layout, so Control+V is
// Control+V whatever layout the user's keyboard has.
class WaylandKeys final : public NativeKeys {
public:
    explicit WaylandKeys(WaylandConnection& connection);
    ~WaylandKeys() override;
    WaylandKeys(const WaylandKeys&) = delete;
    WaylandKeys& operator=(const WaylandKeys&) = delete;

    bool available() const;
    QString problem() const override;
    // Control+V and Return.
    bool paste() override;
    bool submit() override;

private:
    bool ensureKeyboard();
    // One press and release of the key (a Linux input event code), with Control held or not.
    bool press(unsigned key, bool control);

    WaylandConnection& m_connection;
    zwp_virtual_keyboard_v1* m_keyboard = nullptr;
    unsigned m_controlMask = 0;
    bool m_failed = false;
};

} // namespace tandrel::linuxdesktop
