// SPDX-License-Identifier: MIT
#include "platform/linux/X11Workspace.h"

#include "core/ApplicationNames.h"
#include "platform/linux/XErrorTrap.h"

#include <QProcess>
#include <QSocketNotifier>
#include <QStandardPaths>
#include <QStringList>
#include <QTimer>

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <unistd.h>

#include <algorithm>

namespace tandrel::linuxdesktop {

namespace {

constexpr int kMaxTreeDepth = 32;

// What the window in front and its client are watched for while their reading is kept.
constexpr long kKnownWindowEvents = StructureNotifyMask | PropertyChangeMask;

// Reads a property of the given type; empty when absent or of another type or format.
QByteArray readProperty(Display* d, Window w, Atom property, Atom type, int* format = nullptr) {
    Atom actualType = 0;
    int actualFormat = 0;
    unsigned long items = 0;
    unsigned long after = 0;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(d, w, property, 0, 4096, False, type, &actualType, &actualFormat, &items,
                           &after, &data) != Success ||
        !data) {
        return {};
    }
    QByteArray out;
    if (actualType == type) {
        const int bytes = actualFormat == 32 ? int(sizeof(long)) : actualFormat / 8;
        out = QByteArray(reinterpret_cast<const char*>(data), int(items) * bytes);
        if (format)
            *format = actualFormat;
    }
    XFree(data);
    return out;
}

std::optional<unsigned long> readCardinal(Display* d, Window w, Atom property, Atom type) {
    int format = 0;
    const QByteArray raw = readProperty(d, w, property, type, &format);
    if (format != 32 || raw.size() < int(sizeof(long)))
        return std::nullopt;
    return *reinterpret_cast<const unsigned long*>(raw.constData());
}

} // namespace

class X11Workspace::Registration final : public Handle {
public:
    Registration(X11Workspace& owner, int id) : m_owner(owner), m_id(id) {}
    ~Registration() override { m_owner.m_handlers.erase(m_id); }

private:
    X11Workspace& m_owner;
    int m_id;
};

X11Workspace::X11Workspace(Display* display, AtspiEvents& events)
    : m_display(display), m_events(events) {
    m_atomActive = XInternAtom(m_display, "_NET_ACTIVE_WINDOW", False);
    m_atomPid = XInternAtom(m_display, "_NET_WM_PID", False);
    m_atomGtkId = XInternAtom(m_display, "_GTK_APPLICATION_ID", False);
    m_atomUtf8 = XInternAtom(m_display, "UTF8_STRING", False);
    m_atomWmState = XInternAtom(m_display, "WM_STATE", False);
    m_atomSupportingCheck = XInternAtom(m_display, "_NET_SUPPORTING_WM_CHECK", False);
    m_atomSupported = XInternAtom(m_display, "_NET_SUPPORTED", False);

    XSelectInput(m_display, DefaultRootWindow(m_display), PropertyChangeMask);
    XFlush(m_display);
    m_notifier =
        std::make_unique<QSocketNotifier>(ConnectionNumber(m_display), QSocketNotifier::Read);
    QObject::connect(m_notifier.get(), &QSocketNotifier::activated, m_notifier.get(),
                     [this] { drainEvents(); });
    m_subscription = m_events.subscribe([this](const a11y::Element&, const QString& type, int) {
        if (type.startsWith(QLatin1String("window:activate")))
            notify();
    });
}

X11Workspace::~X11Workspace() {
    m_events.unsubscribe(m_subscription);
    m_notifier.reset();
    XCloseDisplay(m_display);
}

void X11Workspace::drainEvents() {
    bool activated = false;
    while (XPending(m_display) > 0) {
        XEvent event;
        XNextEvent(m_display, &event);
        if (event.type == PropertyNotify && event.xproperty.atom == m_atomActive)
            activated = true;
        if (changesKnownWindow(event))
            forgetWindow();
    }
    if (activated)
        notify();
}

bool X11Workspace::changesKnownWindow(const XEvent& event) const {
    if (!m_known || (event.xany.window != m_known->window && event.xany.window != m_known->client))
        return false;
    switch (event.type) {
    case PropertyNotify: {
        // Only what the reading uses; a title or a user-time stamp changes often and says
        // nothing about the application.
        const Atom atom = event.xproperty.atom;
        return atom == m_atomPid || atom == m_atomGtkId || atom == m_atomWmState ||
               atom == XA_WM_CLASS;
    }
    case DestroyNotify:
    case ReparentNotify:
    case UnmapNotify:
        return true;
    default:
        return false;
    }
}

void X11Workspace::forgetWindow() {
    if (!m_known)
        return;
    const XErrorTrap trap(m_display); // either window may be gone by now
    XSelectInput(m_display, m_known->window, NoEventMask);
    if (m_known->client != m_known->window)
        XSelectInput(m_display, m_known->client, NoEventMask);
    m_known.reset();
}

void X11Workspace::notify() {
    m_frontmostThisPass.reset();
    std::vector<int> ids;
    for (const auto& [id, handler] : m_handlers)
        ids.push_back(id);
    for (int id : ids) {
        auto it = m_handlers.find(id);
        if (it != m_handlers.end()) {
            const std::function<void()> handler = it->second;
            handler();
        }
    }
}

bool X11Workspace::windowManagerNamesActiveWindow() {
    const Window root = DefaultRootWindow(m_display);
    // EWMH: a running window manager names a check window on the root that names itself; one
    // that died leaves the root's property behind, pointing at a window that is gone.
    const auto check = readCardinal(m_display, root, m_atomSupportingCheck, XA_WINDOW);
    if (!check || !*check ||
        readCardinal(m_display, *check, m_atomSupportingCheck, XA_WINDOW) != check)
        return false;
    int format = 0;
    const QByteArray supported = readProperty(m_display, root, m_atomSupported, XA_ATOM, &format);
    if (format != 32)
        return false;
    const auto* atoms = reinterpret_cast<const unsigned long*>(supported.constData());
    const auto count = static_cast<std::size_t>(supported.size()) / sizeof(unsigned long);
    return std::find(atoms, atoms + count, m_atomActive) != atoms + count;
}

bool X11Workspace::isWaylandSession() {
    return !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
}

bool X11Workspace::nativeWaylandWindowInFront() {
    return isWaylandSession() && activeWindow() == 0;
}

unsigned long X11Workspace::activeWindow() {
    const Window root = DefaultRootWindow(m_display);
    if (auto active = readCardinal(m_display, root, m_atomActive, XA_WINDOW); active && *active)
        return *active;
    // A window manager that names no active window means that none is: the focus then rests on
    // one of its own windows (or the root), which belongs to no application.
    // Under XWayland the compositor names an X11 window when one is active and none while a native
    // Wayland window is: the input focus would only name the last X11 window.
    if (windowManagerNamesActiveWindow() || isWaylandSession())
        return 0;
    // No window manager: the focus window, walked up to its top-level window.
    Window focus = 0;
    int revert = 0;
    XGetInputFocus(m_display, &focus, &revert);
    if (focus == None || focus == PointerRoot || focus == root)
        return 0;
    Window current = focus;
    for (int i = 0; i < kMaxTreeDepth; ++i) {
        Window rootReturn = 0, parent = 0;
        Window* children = nullptr;
        unsigned int count = 0;
        if (!XQueryTree(m_display, current, &rootReturn, &parent, &children, &count))
            return 0;
        if (children)
            XFree(children);
        if (parent == root || parent == 0)
            return current;
        current = parent;
    }
    return 0;
}

unsigned long X11Workspace::clientWindowOf(unsigned long window) {
    // A reparenting window manager's frame holds the client; the client carries WM_STATE.
    if (!readProperty(m_display, window, m_atomWmState, m_atomWmState).isEmpty() ||
        readCardinal(m_display, window, m_atomPid, XA_CARDINAL))
        return window;
    Window rootReturn = 0, parent = 0;
    Window* children = nullptr;
    unsigned int count = 0;
    if (!XQueryTree(m_display, window, &rootReturn, &parent, &children, &count))
        return window;
    unsigned long found = window;
    for (unsigned int i = 0; i < count; ++i) {
        if (!readProperty(m_display, children[i], m_atomWmState, m_atomWmState).isEmpty()) {
            found = children[i];
            break;
        }
    }
    if (children)
        XFree(children);
    return found;
}

std::optional<RunningApplication> X11Workspace::frontmostApplication() {
    if (m_frontmostThisPass)
        return *m_frontmostThisPass;
    m_frontmostThisPass = readFrontmostApplication();
    // A zero timer runs at the loop's next turn, after everything this pass does. Our requests
    // may also have pulled events into Xlib's queue without waking the notifier.
    QTimer::singleShot(0, m_notifier.get(), [this] {
        m_frontmostThisPass.reset();
        drainEvents();
    });
    return *m_frontmostThisPass;
}

std::optional<RunningApplication> X11Workspace::readFrontmostApplication() {
    // Any window read here may close between two requests.
    const XErrorTrap trap(m_display);
    const unsigned long active = activeWindow();
    if (!active)
        return std::nullopt;
    return applicationOf(active);
}

RunningApplication X11Workspace::applicationOf(unsigned long window) {
    // Every event the server sent before answering the request for the active window has
    // arrived by now: a change to the known window made before that answer drops it here. Other
    // events stay queued for the notifier.
    if (m_known) {
        XEvent event;
        bool changed = false;
        for (const unsigned long known : {m_known->window, m_known->client}) {
            while (XCheckWindowEvent(m_display, known, kKnownWindowEvents, &event))
                changed = changesKnownWindow(event) || changed;
        }
        if (changed)
            forgetWindow();
    }
    if (m_known && m_known->window == window)
        return m_known->application;
    forgetWindow();
    // Each window is watched before it is read, so no change made after a reading goes
    // unreported.
    XSelectInput(m_display, window, kKnownWindowEvents);
    const unsigned long client = clientWindowOf(window);
    if (client != window)
        XSelectInput(m_display, client, kKnownWindowEvents);
    m_known = KnownWindow{window, client, readApplicationOf(client)};
    return m_known->application;
}

RunningApplication X11Workspace::readApplicationOf(unsigned long client) {
    RunningApplication app;
    if (auto pid = readCardinal(m_display, client, m_atomPid, XA_CARDINAL); pid && *pid)
        app.processIdentifier = static_cast<a11y::Pid>(*pid);

    app.names.desktopId =
        QString::fromUtf8(readProperty(m_display, client, m_atomGtkId, m_atomUtf8));
    XClassHint hint{};
    if (XGetClassHint(m_display, client, &hint)) {
        app.names.instance = QString::fromLocal8Bit(hint.res_name);
        app.names.windowClass = QString::fromLocal8Bit(hint.res_class);
        XFree(hint.res_name);
        XFree(hint.res_class);
    }
    app.localizedName = displayNameFor(app.names);
    return app;
}

a11y::Pid X11Workspace::ownProcessIdentifier() {
    return static_cast<a11y::Pid>(getpid());
}

std::unique_ptr<Handle> X11Workspace::observeApplicationActivation(std::function<void()> handler) {
    const int id = m_nextId++;
    m_handlers.emplace(id, std::move(handler));
    return std::make_unique<Registration>(*this, id);
}

bool X11Workspace::openAccessibilitySettings() {
    struct SettingsProgram {
        const char* program;
        const char* panel;
    };
    // GNOME first, then KDE; each opens straight at its accessibility panel.
    static constexpr SettingsProgram programs[] = {
        {"gnome-control-center", "universal-access"},
        {"systemsettings", "kcm_access"},
    };
    for (const SettingsProgram& candidate : programs) {
        const QString path = QStandardPaths::findExecutable(QString::fromLatin1(candidate.program));
        if (path.isEmpty())
            continue;
        // Detached: the settings window lives on its own and this program never waits for it.
        return QProcess::startDetached(path, {QString::fromLatin1(candidate.panel)});
    }
    return false;
}

} // namespace tandrel::linuxdesktop
