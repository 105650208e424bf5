// SPDX-License-Identifier: MIT
#include "app/shell/StatusMenu.h"

#include "app/identity/AppIdentity.h"
#include "core/Errors.h"

#include <QCoreApplication>

#include <exception>

namespace tandrel {

namespace {

// The menu's texts share one translation context.
struct Text {
    Q_DECLARE_TR_FUNCTIONS(StatusMenu)
};

MenuItem separator() {
    MenuItem item;
    item.separator = true;
    return item;
}

MenuItem command(QString title, MenuAction action, QString shortcut = {}) {
    MenuItem item;
    item.title = std::move(title);
    item.action = action;
    item.shortcut = std::move(shortcut);
    return item;
}

} // namespace

QString statusLine(bool trusted, bool paused) {
    if (!trusted)
        return Text::tr("Accessibility needed: turn it on, restart your browser");
    if (paused)
        return Text::tr("Paused");
    return Text::tr("Ready for desktop and web chats");
}

MenuItem loginMenuItem(LoginItemStatus status, const QString& takenBy) {
    MenuItem item = command(Text::tr("Launch at Login"), MenuAction::ToggleLogin);
    item.checkable = true;
    switch (status) {
    case LoginItemStatus::Enabled:
        item.state = MenuState::On;
        break;
    case LoginItemStatus::RequiresApproval:
        item.state = MenuState::Mixed;
        item.title = Text::tr("Launch at Login \u2014 Approval Needed\u2026");
        break;
    case LoginItemStatus::Taken:
        item.state = MenuState::Off;
        if (!takenBy.isEmpty())
            item.title =
                Text::tr("Launch at Login (Replaces \u201C%1\u201D)").arg(takenBy.simplified());
        break;
    default:
        item.state = MenuState::Off;
    }
    return item;
}

std::vector<MenuItem> buildStatusMenu(bool trusted, bool paused, LoginItemStatus login,
                                      const std::optional<QUrl>& supportURL,
                                      const QString& loginTakenBy) {
    const QString name = AppIdentity::name();
    MenuItem status = command(statusLine(trusted, paused), MenuAction::None);
    status.enabled = false;

    std::vector<MenuItem> menu;
    menu.push_back(status);
    menu.push_back(separator());
    menu.push_back(
        command(Text::tr("Edit Prompts\u2026"), MenuAction::EditPrompts, QStringLiteral("Ctrl+,")));
    menu.push_back(loginMenuItem(login, loginTakenBy));
    menu.push_back(
        command(paused ? Text::tr("Resume") : Text::tr("Pause"), MenuAction::TogglePause));
    menu.push_back(
        command(Text::tr("Accessibility Settings\u2026"), MenuAction::AccessibilitySettings));
    menu.push_back(command(Text::tr("About %1\u2026").arg(name), MenuAction::About));
    if (supportURL)
        menu.push_back(command(Text::tr("Support My Work\u2026"), MenuAction::SupportMyWork));
    menu.push_back(separator());
    menu.push_back(
        command(Text::tr("Quit %1").arg(name), MenuAction::Quit, QStringLiteral("Ctrl+Q")));
    return menu;
}

std::optional<QString> toggleLogin(LoginItems& items) {
    // Whatever the desktop layer throws becomes the alert's text: the user sees why, and the
    // menu stays usable.
    auto attempt = [](auto&& change) -> std::optional<QString> {
        try {
            change();
        } catch (const Error& error) {
            return error.errorDescription();
        } catch (const std::exception& error) {
            return QString::fromLocal8Bit(error.what());
        }
        return std::nullopt;
    };

    switch (items.status()) {
    case LoginItemStatus::NotRegistered:
    case LoginItemStatus::Taken: // the item's title said that this replaces the other entry
        if (auto failure = attempt([&] { items.registerApp(); }))
            return failure;
        if (items.status() == LoginItemStatus::RequiresApproval)
            items.openSettings();
        return std::nullopt;
    case LoginItemStatus::Enabled:
        return attempt([&] { items.unregisterApp(); });
    case LoginItemStatus::RequiresApproval:
        items.openSettings();
        return std::nullopt;
    case LoginItemStatus::NotFound:
        return Text::tr("Install the app where it can be found and reopen it before "
                        "enabling Launch at Login.");
    }
    return Text::tr("Check this app in your desktop's Startup Applications settings.");
}

QString loginAlertTitle() {
    return Text::tr("Could not change Launch at Login");
}

QString aboutCredits() {
    return Text::tr("Your saved prompts, above your chat.\n\nSaved prompts are stored on this "
                    "computer. Clicking a prompt sends it through your chat app.");
}

} // namespace tandrel
