// SPDX-License-Identifier: MIT
#include "platform/linux/wayland/DataControlClipboard.h"
#include "platform/linux/wayland/GnomeShellExtension.h"
#include "platform/linux/wayland/KWinFakeInputKeys.h"
#include "platform/linux/wayland/KWinScript.h"
#include "platform/linux/wayland/NativeRouting.h"
#include "platform/linux/wayland/SwayIpc.h"
#include "platform/linux/wayland/WaylandKeys.h"

#include <QCoreApplication>

namespace tandrel::linuxdesktop {

CompositorParts partsFor(Compositor compositor, WaylandConnection& connection) {
    CompositorParts parts;
    switch (compositor) {
    case Compositor::None:
        return parts;
    case Compositor::Sway:
        parts.front = std::make_unique<SwayIpc>(qEnvironmentVariable("SWAYSOCK"));
        break;
    case Compositor::GnomeShell: {
        // Only the shell knows the window in front and may type into it; mutter bridges the X11
        // clipboard to native windows, so the X11 one serves them with all its guarantees.
        auto extension = std::make_unique<GnomeShellExtension>();
        parts.keys = std::make_unique<GnomeShellKeys>(*extension);
        parts.front = std::move(extension);
        return parts;
    }
    case Compositor::KWin:
        parts.front = std::make_unique<KWinScript>();
        parts.keys = std::make_unique<KWinFakeInputKeys>(connection,
                                                         QCoreApplication::applicationFilePath());
        break;
    case Compositor::Other:
        break;
    }
    // The wlroots protocols, which sway and others offer to any client (KWin data-control too).
    if (!parts.keys)
        parts.keys = std::make_unique<WaylandKeys>(connection);
    parts.clipboard = std::make_unique<DataControlClipboard>(connection);
    parts.wayOut =
        QStringLiteral("start it under XWayland instead (browsers: --ozone-platform=x11)");
    return parts;
}

} // namespace tandrel::linuxdesktop
