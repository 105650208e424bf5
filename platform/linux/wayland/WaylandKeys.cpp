// SPDX-License-Identifier: MIT
#include "platform/linux/wayland/WaylandKeys.h"

#include "platform/linux/wayland/WaylandConnection.h"
#include "virtual-keyboard-unstable-v1-client-protocol.h"

#include <QElapsedTimer>

#include <wayland-client.h>
#include <xkbcommon/xkbcommon.h>

#include <cstring>
#include <sys/mman.h>
#include <unistd.h>

namespace tandrel::linuxdesktop {

namespace {

// Linux input event codes, which a Wayland keymap is indexed by (minus 8).
constexpr unsigned kEvdevLeftControl = 29;
constexpr unsigned kEvdevV = 47;
constexpr unsigned kEvdevEnter = 28;

std::uint32_t nowMilliseconds() {
    static QElapsedTimer clock;
    if (!clock.isValid())
        clock.start();
    return std::uint32_t(clock.elapsed());
}

} // namespace

WaylandKeys::WaylandKeys(WaylandConnection& connection) : m_connection(connection) {
    // Made now rather than at the first paste: a new keyboard's keymap makes the focused client
    // blur and refocus once, which in the middle of a send reads as the focus moving away.
    ensureKeyboard();
}

WaylandKeys::~WaylandKeys() {
    if (m_keyboard) {
        zwp_virtual_keyboard_v1_destroy(m_keyboard);
        m_connection.flush();
    }
}

bool WaylandKeys::available() const {
    return m_connection.keyboardManager() && m_connection.seat() && !m_failed;
}

QString WaylandKeys::problem() const {
    if (available())
        return {};
    return QStringLiteral("this compositor offers no virtual keyboard (zwp_virtual_keyboard_v1)");
}

bool WaylandKeys::ensureKeyboard() {
    if (m_keyboard)
        return true;
    if (!available())
        return false;
    xkb_context* context = xkb_context_new(XKB_CONTEXT_NO_ENVIRONMENT_NAMES);
    const xkb_rule_names names{"evdev", "pc105", "us", "", ""};
    xkb_keymap* keymap =
        context ? xkb_keymap_new_from_names(context, &names, XKB_KEYMAP_COMPILE_NO_FLAGS) : nullptr;
    char* text = keymap ? xkb_keymap_get_as_string(keymap, XKB_KEYMAP_FORMAT_TEXT_V1) : nullptr;
    if (keymap)
        m_controlMask = 1u << xkb_keymap_mod_get_index(keymap, XKB_MOD_NAME_CTRL);
    xkb_keymap_unref(keymap);
    xkb_context_unref(context);
    if (!text) {
        m_failed = true;
        return false;
    }
    const std::size_t size = std::strlen(text) + 1;
    const int fd = memfd_create("tandrel-keymap", MFD_CLOEXEC);
    bool written = fd >= 0 && ftruncate(fd, off_t(size)) == 0;
    if (written) {
        void* map = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
        written = map != MAP_FAILED;
        if (written) {
            std::memcpy(map, text, size);
            munmap(map, size);
        }
    }
    std::free(text);
    if (!written) {
        if (fd >= 0)
            close(fd);
        m_failed = true;
        return false;
    }
    m_keyboard = zwp_virtual_keyboard_manager_v1_create_virtual_keyboard(
        m_connection.keyboardManager(), m_connection.seat());
    zwp_virtual_keyboard_v1_keymap(m_keyboard, WL_KEYBOARD_KEYMAP_FORMAT_XKB_V1, fd,
                                   std::uint32_t(size));
    close(fd);
    // A compositor that refuses the keyboard ends the connection: found out here, not mid-send.
    if (!m_connection.roundtrip()) {
        m_keyboard = nullptr;
        m_failed = true;
        return false;
    }
    return true;
}

bool WaylandKeys::paste() {
    return press(kEvdevV, true);
}

bool WaylandKeys::submit() {
    return press(kEvdevEnter, false);
}

bool WaylandKeys::press(unsigned key, bool control) {
    if (!ensureKeyboard())
        return false;
    if (control) {
        zwp_virtual_keyboard_v1_key(m_keyboard, nowMilliseconds(), kEvdevLeftControl,
                                    WL_KEYBOARD_KEY_STATE_PRESSED);
        zwp_virtual_keyboard_v1_modifiers(m_keyboard, m_controlMask, 0, 0, 0);
    }
    zwp_virtual_keyboard_v1_key(m_keyboard, nowMilliseconds(), key, WL_KEYBOARD_KEY_STATE_PRESSED);
    zwp_virtual_keyboard_v1_key(m_keyboard, nowMilliseconds(), key, WL_KEYBOARD_KEY_STATE_RELEASED);
    if (control) {
        zwp_virtual_keyboard_v1_key(m_keyboard, nowMilliseconds(), kEvdevLeftControl,
                                    WL_KEYBOARD_KEY_STATE_RELEASED);
        zwp_virtual_keyboard_v1_modifiers(m_keyboard, 0, 0, 0, 0);
    }
    // Handled by the compositor before anything else happens, so a check that follows sees
    // their effect (as far as the compositor can tell).
    return m_connection.roundtrip();
}

} // namespace tandrel::linuxdesktop
