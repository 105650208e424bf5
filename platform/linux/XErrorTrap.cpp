// SPDX-License-Identifier: MIT
#include "platform/linux/XErrorTrap.h"

#include <X11/Xlib.h>

namespace tandrel::linuxdesktop {

namespace {

XErrorTrap* g_innermost = nullptr;
int handleError(Display* display, XErrorEvent* event);

} // namespace

// Only the trap's own functions touch its members; the handler below reaches them through this.
struct XErrorTrapAccess {
    static _XDisplay* display(const XErrorTrap& t) { return t.m_display; }
    static XErrorTrap* outer(const XErrorTrap& t) { return t.m_outer; }
    static void count(XErrorTrap& t) { ++t.m_caught; }
    static XErrorHandler previous(const XErrorTrap& t) {
        return reinterpret_cast<XErrorHandler>(t.m_previous);
    }
};

XErrorTrap::XErrorTrap(_XDisplay* display)
    : m_display(display), m_previous(reinterpret_cast<void (*)()>(XSetErrorHandler(&handleError))),
      m_outer(g_innermost) {
    g_innermost = this;
}

XErrorTrap::~XErrorTrap() {
    XSync(m_display, False);
    g_innermost = m_outer;
    XSetErrorHandler(XErrorTrapAccess::previous(*this));
}

namespace {

int handleError(Display* display, XErrorEvent* event) {
    using A = XErrorTrapAccess;
    for (XErrorTrap* trap = g_innermost; trap; trap = A::outer(*trap)) {
        if (A::display(*trap) == display) {
            A::count(*trap);
            return 0;
        }
    }
    // Not ours: whoever handled errors before the outermost trap decides.
    XErrorTrap* outermost = g_innermost;
    while (outermost && A::outer(*outermost))
        outermost = A::outer(*outermost);
    const XErrorHandler previous = outermost ? A::previous(*outermost) : nullptr;
    return previous ? previous(display, event) : 0;
}

} // namespace

} // namespace tandrel::linuxdesktop
