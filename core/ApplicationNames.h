// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

#include <optional>

namespace tandrel {

// What the desktop calls an application: the names its windows carry.
struct ApplicationNames {
    QString desktopId; // the Wayland app id or desktop file id (_GTK_APPLICATION_ID), may be empty
    QString instance;  // the X11 WM_CLASS instance name, may be empty
    QString windowClass; // the X11 WM_CLASS class name, may be empty
    friend bool operator==(const ApplicationNames&, const ApplicationNames&) = default;
};

// The identity under which the focus rules know the application: one of the desktop chats'
// identities when any of its names is a known alias of it, else the desktop id, else the class
// name, else the instance name; nothing when the window names none.
std::optional<QString> identityFor(const ApplicationNames& names);
// Whether the identity (as identityFor gives it) names a web browser: Chromium, Chrome and their
// kin, or Firefox (its window's class is "firefox-esr" or "firefox"). Browsers read the
// accessibility switch when they start, which is what tandrel-inspect tells their users.
bool isWebBrowser(const QString& identity);
// The application's display name: the class name, else the instance name.
std::optional<QString> displayNameFor(const ApplicationNames& names);

} // namespace tandrel
