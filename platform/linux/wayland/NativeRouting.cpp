// SPDX-License-Identifier: MIT
#include "platform/linux/wayland/NativeRouting.h"

#include "platform/linux/wayland/DataControlClipboard.h"
#include "platform/linux/wayland/FrontWindowSource.h"
#include "platform/linux/wayland/WaylandConnection.h"

#include <QObject>

namespace tandrel::linuxdesktop {

WaylandSide::WaylandSide() : m_session(!qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")) {
    m_connection = std::make_unique<WaylandConnection>();
    const Compositor compositor = compositorOf(m_session, qEnvironmentVariable("SWAYSOCK"),
                                               qEnvironmentVariable("XDG_CURRENT_DESKTOP"));
    if (compositor != Compositor::None)
        m_parts = partsFor(compositor, *m_connection);
}

WaylandSide::~WaylandSide() = default;

WaylandOffers WaylandSide::offers() const {
    WaylandOffers offers;
    if (!m_parts.front) {
        offers.windowInFront =
            QStringLiteral("this compositor does not tell Tandrel where it is (Tandrel knows "
                           "sway, KWin and GNOME Shell): ") +
            m_parts.wayOut;
    } else if (!m_parts.front->answered()) {
        offers.windowInFront = m_parts.front->problem();
        if (offers.windowInFront.isEmpty())
            offers.windowInFront =
                QStringLiteral("the compositor has not told Tandrel yet where it is");
    }
    offers.keys = m_parts.keys ? m_parts.keys->problem()
                               : QStringLiteral("this compositor lets Tandrel type nothing");
    if (m_parts.clipboard)
        offers.clipboard = m_parts.clipboard->problem();
    offers.wayOut = m_parts.wayOut;
    return offers;
}

Route WaylandSide::route(bool x11SeesNone) const {
    const auto focused = m_parts.front ? m_parts.front->focused() : std::nullopt;
    return routeFor(m_session, focused, offers(), x11SeesNone);
}

std::optional<NativeWindow> WaylandSide::servedWindow() const {
    const Route served = route(false);
    if (!served.native || !served.problem.isEmpty())
        return std::nullopt;
    return m_parts.front->focused();
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
    app.processIdentifier = a11y::Pid(*window->pid);
    app.names.desktopId = window->appId;
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
    if (FrontWindowSource* front = m_wayland.front())
        both->ipc = QObject::connect(front, &FrontWindowSource::changed, front, handler);
    return both;
}

bool RoutedWorkspace::nativeWaylandWindowInFront() {
    const Route route = currentRoute();
    return route.native && !route.problem.isEmpty();
}

QString RoutedWorkspace::nativeWaylandWindowProblem() {
    return currentRoute().problem;
}

KeyEvents& RoutedKeys::current() {
    if (m_wayland.servedWindow())
        return *m_wayland.keys();
    return m_x11;
}

Pasteboard& RoutedPasteboard::current() {
    if (m_wayland.clipboard() && m_wayland.servedWindow())
        return *m_wayland.clipboard();
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
    std::unique_ptr<Handle> native;
    if (m_wayland.clipboard())
        native = m_wayland.clipboard()->observeChanges(handler);
    return std::make_unique<BothRegistrations>(m_x11.observeChanges(handler), std::move(native));
}

} // namespace tandrel::linuxdesktop
