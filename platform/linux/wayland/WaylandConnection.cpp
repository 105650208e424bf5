// SPDX-License-Identifier: MIT
#include "platform/linux/wayland/WaylandConnection.h"

#include "fake-input-client-protocol.h"
#include "virtual-keyboard-unstable-v1-client-protocol.h"
#include "wlr-data-control-unstable-v1-client-protocol.h"

#include <QSocketNotifier>

#include <wayland-client.h>

#include <algorithm>
#include <cstring>

namespace tandrel::linuxdesktop {

void WaylandConnection::global(void* data, wl_registry* registry, uint32_t name,
                               const char* interface, uint32_t version) {
    auto* self = static_cast<WaylandConnection*>(data);
    // The first seat is the user's: a compositor with several is out of scope.
    if (!self->m_seat && std::strcmp(interface, wl_seat_interface.name) == 0) {
        self->m_seat = static_cast<wl_seat*>(
            wl_registry_bind(registry, name, &wl_seat_interface, std::min(version, 1u)));
    } else if (std::strcmp(interface, zwp_virtual_keyboard_manager_v1_interface.name) == 0) {
        self->m_keyboards = static_cast<zwp_virtual_keyboard_manager_v1*>(
            wl_registry_bind(registry, name, &zwp_virtual_keyboard_manager_v1_interface, 1));
    } else if (std::strcmp(interface, zwlr_data_control_manager_v1_interface.name) == 0) {
        self->m_dataControl = static_cast<zwlr_data_control_manager_v1*>(wl_registry_bind(
            registry, name, &zwlr_data_control_manager_v1_interface, std::min(version, 2u)));
    } else if (std::strcmp(interface, org_kde_kwin_fake_input_interface.name) == 0 &&
               version >= 4) { // keys came with version 4
        self->m_fakeInput = static_cast<org_kde_kwin_fake_input*>(
            wl_registry_bind(registry, name, &org_kde_kwin_fake_input_interface, 4));
    }
}

void WaylandConnection::globalRemove(void*, wl_registry*, uint32_t) {}

WaylandConnection::WaylandConnection() {
    if (qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        return;
    m_display = wl_display_connect(nullptr);
    if (!m_display)
        return;
    static const wl_registry_listener listener = {&WaylandConnection::global,
                                                  &WaylandConnection::globalRemove};
    m_registry = wl_display_get_registry(m_display);
    wl_registry_add_listener(m_registry, &listener, this);
    if (wl_display_roundtrip(m_display) < 0) {
        wl_display_disconnect(m_display);
        m_display = nullptr;
        m_seat = nullptr;
        m_keyboards = nullptr;
        m_dataControl = nullptr;
        m_fakeInput = nullptr;
        return;
    }
    m_notifier =
        std::make_unique<QSocketNotifier>(wl_display_get_fd(m_display), QSocketNotifier::Read);
    connect(m_notifier.get(), &QSocketNotifier::activated, this, [this] { dispatch(); });
}

WaylandConnection::~WaylandConnection() {
    m_notifier.reset();
    if (!m_display)
        return;
    if (m_keyboards)
        zwp_virtual_keyboard_manager_v1_destroy(m_keyboards);
    if (m_dataControl)
        zwlr_data_control_manager_v1_destroy(m_dataControl);
    if (m_fakeInput)
        org_kde_kwin_fake_input_destroy(m_fakeInput);
    if (m_seat)
        wl_seat_destroy(m_seat);
    wl_registry_destroy(m_registry);
    wl_display_disconnect(m_display);
}

void WaylandConnection::dispatch() {
    if (!m_display)
        return;
    // The notifier says there is something to read: reading it does not wait.
    if (wl_display_dispatch(m_display) < 0) {
        m_notifier.reset();
        emit lost();
        return;
    }
    flush();
}

void WaylandConnection::flush() {
    if (m_display)
        wl_display_flush(m_display);
}

bool WaylandConnection::roundtrip() {
    return m_display && wl_display_roundtrip(m_display) >= 0;
}

} // namespace tandrel::linuxdesktop
