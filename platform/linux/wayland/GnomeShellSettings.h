// SPDX-License-Identifier: MIT
#pragma once

#include <optional>

namespace tandrel::linuxdesktop {

// Whether org.gnome.shell's enabled-extensions names the extension, read from the user's
// settings store (dconf's file, no round trip); unknown when GNOME Shell's schema is not
// installed. Kept apart from Qt's headers, whose `signals` GLib's headers use as a name.
std::optional<bool> shellExtensionEnabledInSettings(const char* uuid);

} // namespace tandrel::linuxdesktop
