// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

#include <optional>

namespace tandrel::linuxdesktop {

// What the window system says about the application that owns a window.
struct WindowClassInfo {
    QString applicationId; // _GTK_APPLICATION_ID or a desktop file id, may be empty
    QString resName;       // WM_CLASS instance name, may be empty
    QString resClass;      // WM_CLASS class name, may be empty
};

// The identifier under which the focus rules know the application: one of the desktop chats'
// identifiers when any of the window's names is a known alias of it, else the application id,
// else the class name, else the instance name; nothing when the window names none.
std::optional<QString> bundleIdentifierFor(const WindowClassInfo& info);

// Whether the identifier (as bundleIdentifierFor gives it) names a web browser: Chromium, Chrome
// and their kin, or Firefox (its window's class is "firefox-esr" or "firefox"). Browsers read the
// accessibility switch when they start, which is what tandrel-inspect tells their users.
bool isWebBrowser(const QString& identifier);

// The application's display name: the class name, else the instance name.
std::optional<QString> applicationNameFor(const WindowClassInfo& info);

} // namespace tandrel::linuxdesktop
