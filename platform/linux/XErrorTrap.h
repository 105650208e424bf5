// SPDX-License-Identifier: MIT
#pragma once

// Xlib's names (Status, Bool) clash with Qt's headers, so only the display type is named here.
struct _XDisplay;

namespace tandrel::linuxdesktop {

// Catches the X protocol errors of one display for as long as it lives, so that a window that
// closes between two requests does not take the program down (Xlib's default handler exits).
// Errors of other displays still reach the handler that was installed before, and that handler
// is back when the trap goes. Traps may nest; use them on the main thread only.
class XErrorTrap {
public:
    explicit XErrorTrap(_XDisplay* display);
    // Waits for the replies of every request made meanwhile, so their errors are caught here.
    ~XErrorTrap();
    XErrorTrap(const XErrorTrap&) = delete;
    XErrorTrap& operator=(const XErrorTrap&) = delete;

    // How many errors of the display arrived so far.
    int caught() const { return m_caught; }

private:
    friend struct XErrorTrapAccess;

    _XDisplay* m_display;
    void (*m_previous)(); // the XErrorHandler in place before

    XErrorTrap* m_outer;
    int m_caught = 0;
};

} // namespace tandrel::linuxdesktop
