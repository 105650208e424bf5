// SPDX-License-Identifier: MIT
#pragma once

#include <QByteArray>
#include <QObject>
#include <QTimer>

#include <vector>

namespace tandrel {

class AppDelegate;
class LinuxDesktop;

// Once the accessibility bus was replaced, starts the program again in place on the new one (a
// process cannot connect twice), as soon as nothing the user is doing would be cut short: no
// prompt being sent, no unsaved edits in the editor. The pause, the open editor and the clipboard
// content held for the user go over to the new start.
//
// The desktop and the controller outlive it.
class RestartOnNewBus final : public QObject {
public:
    RestartOnNewBus(LinuxDesktop& desktop, AppDelegate& delegate,
                    std::vector<QByteArray> arguments);

    // Applies what the process this one replaced handed over, if it did.
    static void applyCarriedState(LinuxDesktop& desktop, AppDelegate& delegate);

private:
    void restartWhenIdle();

    LinuxDesktop& m_desktop;
    AppDelegate& m_delegate;
    std::vector<QByteArray> m_arguments;
    QByteArray m_address;
    QTimer m_wait;
};

} // namespace tandrel
