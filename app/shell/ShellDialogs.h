// SPDX-License-Identifier: MIT
#pragma once

#include <QString>
#include <QUrl>

namespace tandrel {

// The few windows the shell shows besides the palette and the editor. QtShellDialogs is the real
// one; tests of the controller can record the calls instead.
class ShellDialogs {
public:
    virtual ~ShellDialogs() = default;

    // A modal warning with a fixed message and the error's description; brings the program to the
    // front first, since it has no window of its own there. Returns once the user closed it.
    virtual void showAlert(const QString& title, const QString& informativeText) = 0;
    // A notice that blocks nothing: a window on top that does not take the keyboard and stays
    // until the user closes it. Asking again while it is open replaces its text.
    virtual void showNotice(const QString& title, const QString& informativeText) = 0;
    // The About box with the name, version and the credits (plain text). Not modal; asking again
    // while it is open brings the same box to the front.
    virtual void showAbout(const QString& name, const QString& version, const QString& credits) = 0;
    // Opens the address in the user's browser; answers whether the desktop accepted it.
    virtual bool openURL(const QUrl& url) = 0;
};

} // namespace tandrel
