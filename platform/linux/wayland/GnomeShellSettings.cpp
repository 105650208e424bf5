// SPDX-License-Identifier: MIT
#include "platform/linux/wayland/GnomeShellSettings.h"

#include <gio/gio.h>

namespace tandrel::linuxdesktop {

std::optional<bool> shellExtensionEnabledInSettings(const char* uuid) {
    GSettingsSchemaSource* source = g_settings_schema_source_get_default();
    GSettingsSchema* schema =
        source ? g_settings_schema_source_lookup(source, "org.gnome.shell", TRUE) : nullptr;
    if (!schema)
        return std::nullopt;
    const bool known = g_settings_schema_has_key(schema, "enabled-extensions");
    g_settings_schema_unref(schema);
    if (!known)
        return std::nullopt;
    GSettings* settings = g_settings_new("org.gnome.shell");
    gchar** enabled = g_settings_get_strv(settings, "enabled-extensions");
    const bool found = g_strv_contains(enabled, uuid);
    g_strfreev(enabled);
    g_object_unref(settings);
    return found;
}

} // namespace tandrel::linuxdesktop
