// SPDX-License-Identifier: MIT
#pragma once

#include <QObject>

#include <memory>

class QSocketNotifier;
struct wl_display;
struct wl_registry;
struct wl_seat;
struct org_kde_kwin_fake_input;
struct zwp_virtual_keyboard_manager_v1;
struct zwlr_data_control_manager_v1;

namespace tandrel::linuxdesktop {

// This program's own connection to the Wayland compositor (XWayland keeps serving its windows):
// the seat and the privileged managers a native window is served through. Events are
// dispatched from the Qt event loop; nothing here waits except the one exchange at connection
// that learns the globals.
class WaylandConnection final : public QObject {
    Q_OBJECT
public:
    // Connects to $WAYLAND_DISPLAY; display() is null when there is none or it refused us.
    WaylandConnection();
    ~WaylandConnection() override;

    wl_display* display() const { return m_display; }
    wl_seat* seat() const { return m_seat; }
    zwp_virtual_keyboard_manager_v1* keyboardManager() const { return m_keyboards; }
    zwlr_data_control_manager_v1* dataControl() const { return m_dataControl; }
    // KWin offers it only to programs a desktop entry grants it to.
    org_kde_kwin_fake_input* fakeInput() const { return m_fakeInput; }

    // Sends what was asked so far. Callers flush after their requests.
    void flush();
    // Sends, and waits until the compositor has handled everything sent before: keys then reach
    // the focused application before the caller goes on. Local and short.
    bool roundtrip();

signals:
    // The connection broke: everything made on it is gone.
    void lost();

private:
    static void global(void* data, wl_registry* registry, uint32_t name, const char* interface,
                       uint32_t version);
    static void globalRemove(void* data, wl_registry* registry, uint32_t name);
    void dispatch();

    wl_display* m_display = nullptr;
    wl_registry* m_registry = nullptr;
    wl_seat* m_seat = nullptr;
    zwp_virtual_keyboard_manager_v1* m_keyboards = nullptr;
    zwlr_data_control_manager_v1* m_dataControl = nullptr;
    org_kde_kwin_fake_input* m_fakeInput = nullptr;
    std::unique_ptr<QSocketNotifier> m_notifier;
};

} // namespace tandrel::linuxdesktop
