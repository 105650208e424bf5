// SPDX-License-Identifier: MIT
#pragma once

#include "platform/KeyEvents.h"
#include "platform/linux/wayland/NativeWindow.h"

#include <QObject>
#include <QString>

#include <optional>

namespace tandrel::linuxdesktop {

// What a compositor tells about the window in front: sway's IPC, a KWin script, a GNOME Shell
// extension. Asked without waiting: each source keeps the last answer and says when it moved.
class FrontWindowSource : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    // Whether the compositor has answered: until then nothing is known about the window in front.
    virtual bool answered() const = 0;
    virtual std::optional<NativeWindow> focused() const = 0;
    // Why the compositor tells nothing, with what the user does about it (a command to run, "log
    // out and in once"); empty while it answers or is still starting.
    virtual QString problem() const = 0;

signals:
    // The window in front changed, moved or was resized, or the source itself came or went.
    void changed();
};

// Keys into the native window in front, through whatever the compositor lets this program use.
class NativeKeys : public KeyEvents {
public:
    // Why keys cannot reach native windows, with what the user does about it; empty when they
    // can.
    virtual QString problem() const = 0;
    // No bell on these paths; the X11 one rings it.
    void beep() override {}
};

} // namespace tandrel::linuxdesktop
