// SPDX-License-Identifier: MIT
#pragma once

#include "platform/Desktop.h"

#include <QString>

#include <memory>

namespace tandrel::linuxdesktop {
class A11yStatus;
class AtspiConnection;
class AtspiEvents;
class LinuxAccessibility;
class QtClock;
class QtFileWatching;
class QtPasteboard;
class QtScreens;
class X11Workspace;
class XTestKeys;
class XdgAutostart;
class WaylandSide;
class RoutedWorkspace;
class RoutedKeys;
class RoutedPasteboard;
} // namespace tandrel::linuxdesktop

namespace tandrel {

// The real desktop: AT-SPI for accessibility, X11 for the active window, Qt timers for time,
// Qt for the screens and the clipboard, XTest for keystrokes, an XDG autostart entry for launch
// at login, inotify through Qt for changes to files.
class LinuxDesktop final : public Desktop {
public:
    // Connects to the X display and the accessibility bus. Needs a Qt application object: its
    // event loop drives the GLib main context on which libatspi delivers events. Answers
    // nothing, with a message for the user in *error, when either is unavailable.
    static std::unique_ptr<LinuxDesktop> create(QString* error);
    ~LinuxDesktop() override;

    a11y::Accessibility& accessibility() override;
    Workspace& workspace() override;
    Clock& clock() override;
    // Made on first use: a console tool that never asks runs without a QGuiApplication.
    Screens& screens() override;
    LoginItems& loginItems() override;
    // Both reach the window system only on first use: the clipboard needs a QGuiApplication,
    // which a tool with a plain QCoreApplication never uses.
    Pasteboard& pasteboard() override;
    KeyEvents& keyEvents() override;
    FileWatching& fileWatching() override;

    // The watch on the accessibility bus: a program that must go on after the bus was replaced
    // starts again on the new one (libatspi cannot connect twice in one process).
    linuxdesktop::AtspiConnection& accessibilityBus();

    // What this process holds on the clipboard for the user; none when another program does.
    std::optional<PasteboardContent> heldClipboard();

    // The AT-SPI layer itself, for its request counter.
    linuxdesktop::LinuxAccessibility& atspi();

private:
    LinuxDesktop();

    std::unique_ptr<linuxdesktop::A11yStatus> m_status;
    std::unique_ptr<linuxdesktop::AtspiConnection> m_connection;
    std::unique_ptr<linuxdesktop::AtspiEvents> m_events;
    std::unique_ptr<linuxdesktop::LinuxAccessibility> m_accessibility;
    std::unique_ptr<linuxdesktop::X11Workspace> m_workspace;
    std::unique_ptr<linuxdesktop::QtClock> m_clock;
    std::unique_ptr<linuxdesktop::QtScreens> m_screens;
    std::unique_ptr<linuxdesktop::XdgAutostart> m_loginItems;
    std::unique_ptr<linuxdesktop::QtPasteboard> m_pasteboard;
    std::unique_ptr<linuxdesktop::XTestKeys> m_keys;
    std::unique_ptr<linuxdesktop::QtFileWatching> m_fileWatching;
    // Native Wayland windows: each concern asks per call which path serves the window in front.
    std::unique_ptr<linuxdesktop::WaylandSide> m_wayland;
    std::unique_ptr<linuxdesktop::RoutedWorkspace> m_routedWorkspace;
    std::unique_ptr<linuxdesktop::RoutedKeys> m_routedKeys;
    std::unique_ptr<linuxdesktop::RoutedPasteboard> m_routedPasteboard;
};

// The desktop the programs run on; tests build the simulated one instead.
std::unique_ptr<Desktop> createRealDesktop(QString* error);

} // namespace tandrel
