// SPDX-License-Identifier: MIT
#include "platform/linux/wayland/KWinFakeInputKeys.h"

#include "fake-input-client-protocol.h"
#include "platform/linux/wayland/WaylandConnection.h"

#include <wayland-client.h>

namespace tandrel::linuxdesktop {

namespace {

// Linux input event codes: KWin reads them through the user's own keymap.
constexpr unsigned kEvdevLeftControl = 29;
constexpr unsigned kEvdevV = 47;
constexpr unsigned kEvdevEnter = 28;
constexpr unsigned kPressed = 1;
constexpr unsigned kReleased = 0;

} // namespace

QString kwinKeysProblem(bool connected, bool offered, const QString& executable) {
    if (!connected)
        return QStringLiteral("Tandrel could not connect to KWin over Wayland ($WAYLAND_DISPLAY): "
                              "start it from within the Plasma session");
    if (offered)
        return {};
    return QStringLiteral("KWin does not let Tandrel type: it lets only a program that a desktop "
                          "entry names (Exec=%1, X-KDE-Wayland-Interfaces="
                          "org_kde_kwin_fake_input), and it reads new entries for programs that "
                          "start after them. Install the tandrel package, or run \"%1 "
                          "--allow-kwin-keys\" once (it writes such an entry into "
                          "~/.local/share/applications), then start Tandrel again")
        .arg(executable);
}

KWinFakeInputKeys::KWinFakeInputKeys(WaylandConnection& connection, QString executable)
    : m_connection(connection), m_executable(std::move(executable)) {
    if (org_kde_kwin_fake_input* input = m_connection.fakeInput()) {
        org_kde_kwin_fake_input_authenticate(
            input, "Tandrel", "pastes and sends the prompts you click in its palette");
        m_connection.flush();
    }
}

QString KWinFakeInputKeys::problem() const {
    return kwinKeysProblem(m_connection.display() != nullptr, m_connection.fakeInput() != nullptr,
                           m_executable);
}

bool KWinFakeInputKeys::paste() {
    return press(kEvdevV, true);
}

bool KWinFakeInputKeys::submit() {
    return press(kEvdevEnter, false);
}

bool KWinFakeInputKeys::press(unsigned key, bool control) {
    org_kde_kwin_fake_input* input = m_connection.fakeInput();
    if (!input)
        return false;
    if (control)
        org_kde_kwin_fake_input_keyboard_key(input, kEvdevLeftControl, kPressed);
    org_kde_kwin_fake_input_keyboard_key(input, key, kPressed);
    org_kde_kwin_fake_input_keyboard_key(input, key, kReleased);
    if (control)
        org_kde_kwin_fake_input_keyboard_key(input, kEvdevLeftControl, kReleased);
    // Handled by KWin before the caller checks their effect.
    return m_connection.roundtrip();
}

} // namespace tandrel::linuxdesktop
