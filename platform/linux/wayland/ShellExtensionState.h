// SPDX-License-Identifier: MIT
#pragma once

#include "platform/linux/wayland/NativeWindow.h"

#include <QString>
#include <QVariantMap>

#include <optional>

namespace tandrel::linuxdesktop {

// Tandrel's GNOME Shell extension: its folder under gnome-shell/extensions/ in a data
// directory, and where it answers on the session bus.
inline constexpr char kShellExtensionUuid[] = "tandrel@tandrel.github.io";
inline constexpr char kShellExtensionService[] = "io.github.tandrel.Shell";
inline constexpr char kShellExtensionPath[] = "/io/github/tandrel/Shell";
inline constexpr char kShellExtensionInterface[] = "io.github.tandrel.Shell";

// The extension's state as GNOME Shell reports it (GetExtensionInfo's "state").
enum class ShellExtensionState {
    Enabled = 1,
    Disabled = 2,
    Error = 3,
    OutOfDate = 4,
    Downloading = 5,
    Initialized = 6,
};

// What is known about the extension when it does not answer, as recorded from the bus and the
// disk: everything needed to tell the user what to do.
struct ShellExtensionFacts {
    // Whether it answers for the window in front.
    bool serving = false;
    // GNOME Shell's answer to GetExtensionInfo: nothing yet, no answer at all, or the info.
    enum class Shell { Asking, Unreachable, Answered } shell = Shell::Asking;
    // From that info; no state when the running shell has not loaded the extension.
    std::optional<int> state;
    QString shellError;
    // Its folder exists in one of the data directories.
    bool installed = false;
    // Whether org.gnome.shell enabled-extensions names it; unknown without the schema.
    std::optional<bool> enabledInSettings;
};

// Why the extension tells nothing, with what the user does about it; empty while it serves or
// may still be starting.
QString shellExtensionProblem(const ShellExtensionFacts& facts);

// The window the extension describes (its FocusedWindow answer or signal); nothing when no
// window has the focus or the description lacks its place.
std::optional<NativeWindow> nativeWindowFromShell(const QVariantMap& description);

} // namespace tandrel::linuxdesktop
