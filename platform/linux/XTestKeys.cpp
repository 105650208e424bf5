// SPDX-License-Identifier: MIT
#include "platform/linux/XTestKeys.h"

#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

#include <vector>

namespace tandrel::linuxdesktop {

XTestKeys::XTestKeys(Display* display) : m_display(display) {
    int event = 0;
    int error = 0;
    int major = 0;
    int minor = 0;
    m_hasXTest = m_display && XTestQueryExtension(m_display, &event, &error, &major, &minor);
}

unsigned XTestKeys::keycodeFor(unsigned long keysym) {
    int minCode = 0;
    int maxCode = 0;
    XDisplayKeycodes(m_display, &minCode, &maxCode);
    int perCode = 0;
    KeySym* map =
        XGetKeyboardMapping(m_display, ::KeyCode(minCode), maxCode - minCode + 1, &perCode);
    if (!map)
        return 0;
    // Prefer the key whose first symbol it is (no Shift, first group): with a layout that puts
    // another script first, the key of the second group is the one applications match.
    unsigned found = 0;
    for (int column = 0; column < perCode && !found; ++column) {
        for (int code = minCode; code <= maxCode; ++code) {
            if (map[(code - minCode) * perCode + column] == keysym) {
                found = unsigned(code);
                break;
            }
        }
    }
    XFree(map);
    return found;
}

bool XTestKeys::paste() {
    return press(XK_v, true);
}

bool XTestKeys::submit() {
    return press(XK_Return, false);
}

bool XTestKeys::press(unsigned long keysym, bool withControl) {
    if (!m_hasXTest)
        return false;
    const unsigned key = keycodeFor(keysym);
    const unsigned control = withControl ? keycodeFor(XK_Control_L) : 0;
    if (!key || (withControl && !control))
        return false;

    bool posted = true;
    if (control)
        posted = XTestFakeKeyEvent(m_display, control, True, CurrentTime) && posted;
    posted = XTestFakeKeyEvent(m_display, key, True, CurrentTime) && posted;
    posted = XTestFakeKeyEvent(m_display, key, False, CurrentTime) && posted;
    if (control)
        posted = XTestFakeKeyEvent(m_display, control, False, CurrentTime) && posted;
    // Delivered before anything else happens, so a check that follows sees their effect.
    XSync(m_display, False);
    return posted;
}

void XTestKeys::beep() {
    if (!m_display)
        return;
    XBell(m_display, 0);
    XFlush(m_display);
}

} // namespace tandrel::linuxdesktop
