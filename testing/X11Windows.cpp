// SPDX-License-Identifier: MIT
#include "testing/X11Windows.h"

#include "platform/linux/XErrorTrap.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <unistd.h>

namespace tandrel::e2e {

struct PlainWindow::X {
    Display* display = nullptr;
    Window window = 0;
};

PlainWindow::PlainWindow(const QString& windowClass) : m_x(std::make_unique<X>()) {
    Display* d = XOpenDisplay(nullptr);
    if (!d)
        return;
    m_x->display = d;
    const Window w = XCreateSimpleWindow(d, DefaultRootWindow(d), 200, 200, 400, 300, 0, 0,
                                         WhitePixel(d, DefaultScreen(d)));
    m_x->window = w;
    XStoreName(d, w, windowClass.toUtf8().constData());
    setWindowClass(windowClass);
    const unsigned long pid = static_cast<unsigned long>(getpid());
    XChangeProperty(d, w, XInternAtom(d, "_NET_WM_PID", False), XA_CARDINAL, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(&pid), 1);
    XMapWindow(d, w);
    XFlush(d);
}

PlainWindow::~PlainWindow() {
    if (!m_x->display)
        return;
    if (m_x->window)
        XDestroyWindow(m_x->display, m_x->window);
    XCloseDisplay(m_x->display);
}

void PlainWindow::setWindowClass(const QString& windowClass) {
    QByteArray className = windowClass.toUtf8();
    QByteArray name = className.toLower();
    XClassHint hint{name.data(), className.data()};
    XSetClassHint(m_x->display, m_x->window, &hint);
    XFlush(m_x->display);
}

bool PlainWindow::isValid() const {
    return m_x->display && m_x->window;
}

QString PlainWindow::id() const {
    return QString::number(m_x->window);
}

unsigned long activeWindowOnRoot() {
    Display* d = XOpenDisplay(nullptr);
    if (!d)
        return 0;
    Atom type = 0;
    int format = 0;
    unsigned long items = 0, after = 0;
    unsigned char* data = nullptr;
    unsigned long active = 0;
    if (XGetWindowProperty(d, DefaultRootWindow(d), XInternAtom(d, "_NET_ACTIVE_WINDOW", False), 0,
                           1, False, XA_WINDOW, &type, &format, &items, &after, &data) == Success &&
        data) {
        if (type == XA_WINDOW && format == 32 && items == 1)
            active = *reinterpret_cast<unsigned long*>(data);
        XFree(data);
    }
    XCloseDisplay(d);
    return active;
}

namespace {

long long windowPid(Display* d, Window w) {
    Atom type = 0;
    int format = 0;
    unsigned long items = 0, after = 0;
    unsigned char* data = nullptr;
    long long pid = 0;
    if (XGetWindowProperty(d, w, XInternAtom(d, "_NET_WM_PID", False), 0, 1, False, XA_CARDINAL,
                           &type, &format, &items, &after, &data) == Success &&
        data) {
        if (type == XA_CARDINAL && format == 32 && items == 1)
            pid = static_cast<long long>(*reinterpret_cast<unsigned long*>(data));
        XFree(data);
    }
    return pid;
}

// Windows come and go while the tree is walked (a window manager's frames, a window the test
// just destroyed): an error about one that went away only leaves it out. Xlib's own handler,
// which ends the process, is back once the walk is over.
class IgnoringXErrors {
public:
    IgnoringXErrors() : m_before(XSetErrorHandler([](Display*, XErrorEvent*) { return 0; })) {}
    ~IgnoringXErrors() { XSetErrorHandler(m_before); }
    IgnoringXErrors(const IgnoringXErrors&) = delete;
    IgnoringXErrors& operator=(const IgnoringXErrors&) = delete;

private:
    XErrorHandler m_before;
};

std::vector<Window> childrenOf(Display* d, Window w) {
    Window root = 0, parent = 0;
    Window* children = nullptr;
    unsigned int count = 0;
    std::vector<Window> out;
    if (XQueryTree(d, w, &root, &parent, &children, &count) && children) {
        out.assign(children, children + count);
        XFree(children);
    }
    return out;
}

// The window itself when it carries a pid, else the first descendant that does (a window
// manager's frame holds the client window).
Window clientWithPid(Display* d, Window w, int depth = 0) {
    if (windowPid(d, w) != 0)
        return w;
    if (depth > 3)
        return 0;
    for (Window child : childrenOf(d, w))
        if (Window found = clientWithPid(d, child, depth + 1))
            return found;
    return 0;
}

} // namespace

std::vector<WindowOnScreen> visibleWindowsOf(long long pid) {
    const IgnoringXErrors ignoring;
    std::vector<WindowOnScreen> out;
    Display* d = XOpenDisplay(nullptr);
    if (!d)
        return out;
    const Window root = DefaultRootWindow(d);
    for (Window top : childrenOf(d, root)) {
        XWindowAttributes attributes;
        if (!XGetWindowAttributes(d, top, &attributes) || attributes.map_state != IsViewable)
            continue;
        const Window client = clientWithPid(d, top);
        if (!client || windowPid(d, client) != pid)
            continue;
        XWindowAttributes clientAttributes;
        if (!XGetWindowAttributes(d, client, &clientAttributes))
            continue;
        int x = 0, y = 0;
        Window ignored = 0;
        XTranslateCoordinates(d, client, root, 0, 0, &x, &y, &ignored);
        out.push_back({client, x, y, clientAttributes.width, clientAttributes.height,
                       attributes.override_redirect != 0});
    }
    XCloseDisplay(d);
    return out;
}

namespace {

void collectEmbedded(Display* d, Window w, long long pid, int depth,
                     std::vector<WindowOnScreen>& out) {
    if (depth > 6)
        return;
    for (Window child : childrenOf(d, w)) {
        XWindowAttributes attributes;
        if (!XGetWindowAttributes(d, child, &attributes) || attributes.map_state != IsViewable)
            continue;
        if (windowPid(d, child) == pid) {
            int x = 0, y = 0;
            Window ignored = 0;
            XTranslateCoordinates(d, child, DefaultRootWindow(d), 0, 0, &x, &y, &ignored);
            out.push_back({child, x, y, attributes.width, attributes.height, false});
            continue;
        }
        collectEmbedded(d, child, pid, depth + 1, out);
    }
}

} // namespace

std::vector<WindowOnScreen> embeddedWindowsOf(long long pid) {
    const IgnoringXErrors ignoring;
    std::vector<WindowOnScreen> out;
    Display* d = XOpenDisplay(nullptr);
    if (!d)
        return out;
    for (Window top : childrenOf(d, DefaultRootWindow(d))) {
        const Window client = clientWithPid(d, top);
        if (!client || windowPid(d, client) == pid)
            continue;
        collectEmbedded(d, top, pid, 0, out);
    }
    XCloseDisplay(d);
    return out;
}

long long inputFocusProcess() {
    const IgnoringXErrors ignoring;
    Display* d = XOpenDisplay(nullptr);
    if (!d)
        return 0;
    Window focus = 0;
    int revert = 0;
    XGetInputFocus(d, &focus, &revert);
    long long pid = 0;
    const Window root = DefaultRootWindow(d);
    // Walk up from the focused window to the first one that names its process.
    for (Window w = focus; w && w != root && w != PointerRoot;) {
        pid = windowPid(d, w);
        if (pid)
            break;
        Window r = 0, parent = 0;
        Window* children = nullptr;
        unsigned int count = 0;
        if (!XQueryTree(d, w, &r, &parent, &children, &count))
            break;
        if (children)
            XFree(children);
        w = parent;
    }
    XCloseDisplay(d);
    return pid;
}

bool xlibDefaultErrorHandlerInPlace() {
    const XErrorHandler installed = XSetErrorHandler(nullptr);
    const XErrorHandler xlibDefault = XSetErrorHandler(installed);
    return installed == xlibDefault;
}

namespace {
int recordingHandler(Display*, XErrorEvent*) {
    return 0;
}
} // namespace

TrapRun readGoneWindowInsideATrap() {
    TrapRun run;
    Display* display = XOpenDisplay(nullptr);
    if (!display)
        return run;
    const XErrorHandler before = XSetErrorHandler(recordingHandler);
    {
        linuxdesktop::XErrorTrap trap(display);
        Atom type = 0;
        int format = 0;
        unsigned long items = 0, after = 0;
        unsigned char* data = nullptr;
        XGetWindowProperty(display, 0x1fffffe, XA_WM_NAME, 0, 16, False, AnyPropertyType, &type,
                           &format, &items, &after, &data);
        if (data)
            XFree(data);
        XSync(display, False);
        run.caught = trap.caught();
    }
    run.handlerRestored = XSetErrorHandler(before) == recordingHandler;
    XCloseDisplay(display);
    return run;
}

} // namespace tandrel::e2e
