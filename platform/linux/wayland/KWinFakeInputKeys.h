// SPDX-License-Identifier: MIT
#pragma once

#include "platform/linux/wayland/FrontWindowSource.h"

namespace tandrel::linuxdesktop {

class WaylandConnection;

// Keystrokes into the window in front through KWin's fake input (org_kde_kwin_fake_input), on
// this program's one Wayland connection, authenticated once at the start: KWin drops the keys of
// a device that authenticated a moment before.
class KWinFakeInputKeys final : public NativeKeys {
public:
    // executable: this program's path, which a desktop entry must name for KWin to offer the
    // fake input.
    KWinFakeInputKeys(WaylandConnection& connection, QString executable);

    QString problem() const override;
    // Control+V and Return.
    bool paste() override;
    bool submit() override;

private:
    bool press(unsigned key, bool control);

    WaylandConnection& m_connection;
    QString m_executable;
};

// Why keys cannot reach native windows on KWin, with what the user does; empty when they can.
// connected: this program reached KWin over Wayland. offered: KWin offered the fake input.
QString kwinKeysProblem(bool connected, bool offered, const QString& executable);

} // namespace tandrel::linuxdesktop
