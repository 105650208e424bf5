// SPDX-License-Identifier: MIT
#pragma once

#include "platform/linux/wayland/NativeWindow.h"

#include <QString>

#include <optional>

namespace tandrel::linuxdesktop {

// What the KWin script reports about the active window, as JSON: {"active": false} when no
// window is active, else its "id", "pid", "resourceClass", "desktopFileName", "frame" and
// "buffer" ([x, y, width, height], in layout coordinates) and "x11" (an XWayland client).
struct KWinReport {
    bool valid = false; // a report this program understands
    std::optional<NativeWindow> window;
};

KWinReport parseKWinReport(const QString& json);

// The name the application rules know the window by: its desktop file name or its resource
// class, whichever names a chat application or a browser (a web app's desktop file name is its
// own, its class the browser's, or the other way round); else the desktop file name, else the
// class.
QString kwinAppId(const QString& desktopFileName, const QString& resourceClass);

// The KWin script (JavaScript) that reports to this program: once at start, whenever another
// window becomes active, and whenever the active window moves or is resized. It calls `method`
// with one string, the report as above.
QString kwinFrontWindowScript(const QString& service, const QString& path, const QString& interface,
                              const QString& method);

} // namespace tandrel::linuxdesktop
