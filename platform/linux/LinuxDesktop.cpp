// SPDX-License-Identifier: MIT
#include "platform/linux/LinuxDesktop.h"

#include "platform/linux/A11yStatus.h"
#include "platform/linux/AtspiConnection.h"
#include "platform/linux/AtspiEvents.h"
#include "platform/linux/GLibPtr.h"
#include "platform/linux/LinuxAccessibility.h"
#include "platform/linux/QtClock.h"
#include "platform/linux/QtFileWatching.h"
#include "platform/linux/QtPasteboard.h"
#include "platform/linux/QtScreens.h"
#include "platform/linux/X11Workspace.h"
#include "platform/linux/XTestKeys.h"
#include "platform/linux/XdgAutostart.h"
#include "platform/linux/wayland/DataControlClipboard.h"
#include "platform/linux/wayland/NativeRouting.h"

#include <QCoreApplication>

#include <X11/Xlib.h>
#include <atspi/atspi.h>

namespace tandrel {

namespace {

void setError(QString* error, const QString& message) {
    if (error)
        *error = message;
}

// Whether the accessibility registry answers: without it no application can be read.
bool registryAnswers(QString* error) {
    if (!atspi_get_a11y_bus()) {
        setError(error, QStringLiteral("No accessibility bus: the session's D-Bus does not offer "
                                       "org.a11y.Bus. Install at-spi2-core and start a desktop "
                                       "session with assistive technologies enabled."));
        return false;
    }
    const linuxdesktop::GObjectPtr<AtspiAccessible> desktop(atspi_get_desktop(0));
    if (!desktop) {
        setError(error, QStringLiteral("No accessibility bus: the AT-SPI registry is not "
                                       "reachable."));
        return false;
    }
    GError* raw = nullptr;
    atspi_accessible_get_child_count(desktop.get(), &raw);
    if (const linuxdesktop::GErrorPtr failure{raw}) {
        setError(error, QStringLiteral("No accessibility bus: the AT-SPI registry does not "
                                       "answer (%1).")
                            .arg(QString::fromUtf8(failure->message)));
        return false;
    }
    return true;
}

} // namespace

LinuxDesktop::LinuxDesktop() = default;
LinuxDesktop::~LinuxDesktop() = default;

std::unique_ptr<LinuxDesktop> LinuxDesktop::create(QString* error) {
    if (!QCoreApplication::instance()) {
        setError(error, QStringLiteral("Internal error: the desktop needs a running Qt "
                                       "application object."));
        return nullptr;
    }
    const QByteArray name = qgetenv("DISPLAY");
    if (name.isEmpty()) {
        setError(error, QStringLiteral("No X display: DISPLAY is not set. Tandrel needs an X11 "
                                       "session."));
        return nullptr;
    }
    Display* display = XOpenDisplay(name.constData());
    if (!display) {
        setError(error, QStringLiteral("No X display: cannot open display \"%1\".")
                            .arg(QString::fromLocal8Bit(name)));
        return nullptr;
    }
    const int init = atspi_init();
    if ((init != 0 && init != 1) || !registryAnswers(error)) {
        if (init != 0 && init != 1)
            setError(error, QStringLiteral("No accessibility bus: AT-SPI cannot connect to it. "
                                           "Install at-spi2-core and start a desktop session "
                                           "with assistive technologies enabled."));
        XCloseDisplay(display);
        return nullptr;
    }

    std::unique_ptr<LinuxDesktop> desktop(new LinuxDesktop);
    desktop->m_status = std::make_unique<linuxdesktop::A11yStatus>();
    desktop->m_connection = std::make_unique<linuxdesktop::AtspiConnection>();
    desktop->m_events = std::make_unique<linuxdesktop::AtspiEvents>();
    desktop->m_accessibility = std::make_unique<linuxdesktop::LinuxAccessibility>(
        *desktop->m_events, *desktop->m_status, *desktop->m_connection);
    // Nothing read from a bus that went away names anything any more.
    LinuxDesktop* self = desktop.get();
    QObject::connect(desktop->m_connection.get(), &linuxdesktop::AtspiConnection::lost,
                     [self] { self->m_accessibility->forgetEverything(); });
    desktop->m_workspace =
        std::make_unique<linuxdesktop::X11Workspace>(display, *desktop->m_events);
    desktop->m_clock = std::make_unique<linuxdesktop::QtClock>();
    desktop->m_loginItems =
        std::make_unique<linuxdesktop::XdgAutostart>(linuxdesktop::XdgAutostart::forThisProgram());
    desktop->m_pasteboard = std::make_unique<linuxdesktop::QtPasteboard>();
    // One X connection serves the workspace and the keys.
    desktop->m_keys = std::make_unique<linuxdesktop::XTestKeys>(display);
    desktop->m_fileWatching = std::make_unique<linuxdesktop::QtFileWatching>();
    desktop->m_wayland = std::make_unique<linuxdesktop::WaylandSide>();
    desktop->m_routedWorkspace =
        std::make_unique<linuxdesktop::RoutedWorkspace>(*desktop->m_workspace, *desktop->m_wayland);
    desktop->m_routedKeys =
        std::make_unique<linuxdesktop::RoutedKeys>(*desktop->m_keys, *desktop->m_wayland);
    desktop->m_routedPasteboard = std::make_unique<linuxdesktop::RoutedPasteboard>(
        *desktop->m_pasteboard, *desktop->m_wayland);
    // A native window's element extents count from its buffer: the compositor tells where the
    // window is.
    desktop->m_accessibility->setNativeWindowContent(
        [self](a11y::Pid pid) -> std::optional<linuxdesktop::NativeWindow> {
            auto window = self->m_wayland->servedWindow();
            if (!window || window->pid != qint64(pid))
                return std::nullopt;
            return window;
        });
    return desktop;
}

a11y::Accessibility& LinuxDesktop::accessibility() {
    return *m_accessibility;
}
Workspace& LinuxDesktop::workspace() {
    return *m_routedWorkspace;
}
Clock& LinuxDesktop::clock() {
    return *m_clock;
}
Screens& LinuxDesktop::screens() {
    if (!m_screens)
        m_screens = std::make_unique<linuxdesktop::QtScreens>();
    return *m_screens;
}
LoginItems& LinuxDesktop::loginItems() {
    return *m_loginItems;
}
Pasteboard& LinuxDesktop::pasteboard() {
    return *m_routedPasteboard;
}
KeyEvents& LinuxDesktop::keyEvents() {
    return *m_routedKeys;
}
FileWatching& LinuxDesktop::fileWatching() {
    return *m_fileWatching;
}
std::optional<PasteboardContent> LinuxDesktop::heldClipboard() {
    if (auto* native = m_wayland->clipboard()) {
        if (auto held = native->heldContent())
            return held;
    }
    return m_pasteboard->heldContent();
}
linuxdesktop::AtspiConnection& LinuxDesktop::accessibilityBus() {
    return *m_connection;
}
linuxdesktop::LinuxAccessibility& LinuxDesktop::atspi() {
    return *m_accessibility;
}

std::unique_ptr<Desktop> createRealDesktop(QString* error) {
    return LinuxDesktop::create(error);
}

} // namespace tandrel
