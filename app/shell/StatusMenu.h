// SPDX-License-Identifier: MIT
#pragma once

#include "platform/LoginItems.h"

#include <QString>
#include <QUrl>

#include <optional>
#include <vector>

// The tray menu as plain values, computed afresh from the program's state every time it is
// built; a thin view (QtTray) applies it to the real tray.
namespace tandrel {

enum class MenuAction {
    None,
    EditPrompts,
    ToggleLogin,
    TogglePause,
    AccessibilitySettings,
    About,
    SupportMyWork,
    Quit
};

// Mixed is the "approval needed" state of launch at login.
enum class MenuState { Off = 0, On = 1, Mixed = -1 };

struct MenuItem {
    bool separator = false;
    QString title;
    MenuAction action = MenuAction::None; // None shows the item disabled
    QString shortcut;                     // in QKeySequence's portable text, e.g. "Ctrl+Q"
    bool enabled = true;
    MenuState state = MenuState::Off;
    bool checkable = false; // shows its state (only the launch-at-login item)

    friend bool operator==(const MenuItem&, const MenuItem&) = default;
};

// The first line: why the palette is or is not working.
QString statusLine(bool trusted, bool paused);

// Status line, separator, Edit Prompts…, Launch at Login, Pause/Resume, Accessibility Settings…,
// About…, Support My Work… (only with a support address), separator, Quit.
std::vector<MenuItem> buildStatusMenu(bool trusted, bool paused, LoginItemStatus login,
                                      const std::optional<QUrl>& supportURL,
                                      const QString& loginTakenBy = {});

// The launch-at-login item for a status read from the desktop, also for a status the enum does
// not name (shown off, with the plain title). While another program's entry takes its place
// (`takenBy`, see LoginItems::takenBy()), it is off and its title says that choosing it replaces
// that entry.
MenuItem loginMenuItem(LoginItemStatus status, const QString& takenBy = {});

// What choosing "Launch at Login" does, by the status read first: registers when not registered
// or when another program's entry is in the way (the menu item said it replaces it), and opens
// the settings when the desktop then wants the user's approval; unregisters when enabled; only
// opens the settings while approval is pending. Returns the informative text of the
// alert "Could not change Launch at Login" when it must be shown, none otherwise. Either way the
// caller rebuilds the menu afterwards, so that it shows the real status.
std::optional<QString> toggleLogin(LoginItems& items);

// Message text of the alert that toggleLogin's answer goes with.
QString loginAlertTitle();

// The About box's credits: two paragraphs of plain text.
QString aboutCredits();

} // namespace tandrel
