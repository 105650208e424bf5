// SPDX-License-Identifier: MIT
#include "platform/linux/wayland/NativeRouting.h"

#include "platform/linux/AppAliases.h"
#include "platform/linux/wayland/DataControlClipboard.h"
#include "platform/linux/wayland/SwayIpc.h"
#include "platform/linux/wayland/WaylandConnection.h"
#include "platform/linux/wayland/WaylandKeys.h"

#include <QObject>

namespace tandrel::linuxdesktop {

WaylandSide::WaylandSide() : m_session(!qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")) {
    m_connection = std::make_unique<WaylandConnection>();
    m_keys = std::make_unique<WaylandKeys>(*m_connection);
    m_clipboard = std::make_unique<DataControlClipboard>(*m_connection);
    if (m_session && !qEnvironmentVariableIsEmpty("SWAYSOCK"))
        m_ipc = std::make_unique<SwayIpc>(qEnvironmentVariable("SWAYSOCK"));
}

WaylandSide::~WaylandSide() = default;

WaylandOffers WaylandSide::offers() const {
    return {m_ipc && m_ipc->connected() && m_ipc->answered(), m_keys->available(),
            m_clipboard->available()};
}

Route WaylandSide::route(bool x11SeesNone) const {
    return routeFor(m_session, m_ipc ? m_ipc->focused() : std::nullopt, offers(), x11SeesNone);
}

std::optional<NativeWindow> WaylandSide::servedWindow() const {
    const Route served = route(false);
    if (!served.native || !served.problem.isEmpty())
        return std::nullopt;
    return m_ipc->focused();
}

RoutedWorkspace::RoutedWorkspace(Workspace& x11, WaylandSide& wayland)
    : m_x11(x11), m_wayland(wayland) {}

Route RoutedWorkspace::currentRoute() {
    // X11's view is asked only where the compositor does not tell.
    return m_wayland.route(m_wayland.needsX11View() && m_x11.nativeWaylandWindowInFront());
}

std::optional<RunningApplication> RoutedWorkspace::frontmostApplication() {
    const Route route = currentRoute();
    if (!route.native)
        return m_x11.frontmostApplication();
    const std::optional<NativeWindow> window = m_wayland.servedWindow();
    if (!window || !window->pid)
        return std::nullopt;
    RunningApplication app;
    app.processIdentifier = ax::Pid(*window->pid);
    const WindowClassInfo info{window->appId, {}, {}};
    app.bundleIdentifier = bundleIdentifierFor(info);
    app.localizedName = window->appId;
    return app;
}

std::unique_ptr<Handle>
RoutedWorkspace::observeApplicationActivation(std::function<void()> handler) {
    class Both final : public Handle {
    public:
        std::unique_ptr<Handle> x11;
        QMetaObject::Connection ipc;
        ~Both() override { QObject::disconnect(ipc); }
    };
    auto both = std::make_unique<Both>();
    both->x11 = m_x11.observeApplicationActivation(handler);
    if (SwayIpc* ipc = m_wayland.ipc())
        both->ipc = QObject::connect(ipc, &SwayIpc::changed, ipc, handler);
    return both;
}

bool RoutedWorkspace::nativeWaylandWindowInFront() {
    const Route route = currentRoute();
    return route.native && !route.problem.isEmpty();
}

QString RoutedWorkspace::nativeWaylandWindowProblem() {
    return currentRoute().problem;
}

bool RoutedKeys::paste() {
    if (m_wayland.servedWindow())
        return m_wayland.keys().paste();
    return m_x11.paste();
}

bool RoutedKeys::submit() {
    if (m_wayland.servedWindow())
        return m_wayland.keys().submit();
    return m_x11.submit();
}

Pasteboard& RoutedPasteboard::current() {
    if (m_wayland.servedWindow())
        return m_wayland.clipboard();
    return m_x11;
}

std::unique_ptr<Handle>
RoutedPasteboard::readContent(double timeout,
                              std::function<void(std::optional<PasteboardContent>)> done) {
    return current().readContent(timeout, std::move(done));
}

bool RoutedPasteboard::write(const PasteboardContent& content) {
    return current().write(content);
}

namespace {
// Both sides' registrations, given up together.
class BothRegistrations final : public Handle {
public:
    BothRegistrations(std::unique_ptr<Handle> a, std::unique_ptr<Handle> b)
        : m_a(std::move(a)), m_b(std::move(b)) {}

private:
    std::unique_ptr<Handle> m_a;
    std::unique_ptr<Handle> m_b;
};
} // namespace

std::unique_ptr<Handle> RoutedPasteboard::observeChanges(std::function<void()> handler) {
    return std::make_unique<BothRegistrations>(m_x11.observeChanges(handler),
                                               m_wayland.clipboard().observeChanges(handler));
}

} // namespace tandrel::linuxdesktop
