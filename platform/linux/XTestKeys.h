// SPDX-License-Identifier: MIT
#pragma once

#include "platform/KeyEvents.h"

typedef struct _XDisplay Display;

namespace tandrel::linuxdesktop {

// Keystrokes through the XTest extension, on the program's X connection, which must outlive it:
// a paste is Control+V and a submit is Return. Each keysym is looked up in the keyboard mapping in
// force at that moment, so a layout switch since the last keystroke is honoured. The beep is the X
// bell.
class XTestKeys final : public KeyEvents {
public:
    explicit XTestKeys(Display* display);
    XTestKeys(const XTestKeys&) = delete;
    XTestKeys& operator=(const XTestKeys&) = delete;

    bool paste() override;
    bool submit() override;
    void beep() override;

private:
    // One press and release of the key producing the keysym, with Control held if asked.
    bool press(unsigned long keysym, bool withControl);
    // The keycode that produces the keysym in the current mapping, or 0.
    unsigned keycodeFor(unsigned long keysym);

    Display* m_display;
    bool m_hasXTest = false;
};

} // namespace tandrel::linuxdesktop
