// SPDX-License-Identifier: MIT
#include "app/shell/StatusMenu.h"
#include "app/identity/AppIdentity.h"
#include "platform/sim/SimLoginItems.h"
#include "tests/support/QtPrinters.h"

#include <gtest/gtest.h>

using namespace tandrel;

namespace {

const std::optional<QUrl> kSupport = QUrl("https://example.org/support");

QStringList titles(const std::vector<MenuItem>& menu) {
    QStringList out;
    for (const MenuItem& item : menu)
        out << (item.separator ? QStringLiteral("---") : item.title);
    return out;
}

const MenuItem& itemFor(const std::vector<MenuItem>& menu, MenuAction action) {
    for (const MenuItem& item : menu)
        if (!item.separator && item.action == action)
            return item;
    throw std::runtime_error("no such item");
}

} // namespace

TEST(StatusMenu, ItemsFollowTrustPauseLoginAndSupportAddress) {
    const QString name = AppIdentity::name();
    const QString untrusted = "Accessibility needed: turn it on, restart your browser";
    struct Case {
        bool trusted;
        bool paused;
        LoginItemStatus login;
        std::optional<QUrl> support;
        QString status;
        QString pause;
        QString loginTitle;
        MenuState loginState;
        QString loginTakenBy = {};
    };
    const QString plainLogin = "Launch at Login";
    const QString approval = "Launch at Login \u2014 Approval Needed\u2026";
    const Case cases[] = {
        {false,
         false,
         LoginItemStatus::NotRegistered,
         {},
         untrusted,
         "Pause",
         plainLogin,
         MenuState::Off},
        {false, true, LoginItemStatus::Enabled, kSupport, untrusted, "Resume", plainLogin,
         MenuState::On},
        {true,
         true,
         LoginItemStatus::RequiresApproval,
         {},
         "Paused",
         "Resume",
         approval,
         MenuState::Mixed},
        {true, false, LoginItemStatus::NotFound, kSupport, "Ready for desktop and web chats",
         "Pause", plainLogin, MenuState::Off},
        // Another program's entry in our place: off, and choosing it says what it replaces.
        {true,
         false,
         LoginItemStatus::Taken,
         {},
         "Ready for desktop and web chats",
         "Pause",
         "Launch at Login (Replaces \u201C/opt/old/tandrel --hidden\u201D)",
         MenuState::Off,
         "/opt/old/tandrel\n--hidden"},
        {true,
         false,
         static_cast<LoginItemStatus>(7),
         {},
         "Ready for desktop and web chats",
         "Pause",
         plainLogin,
         MenuState::Off},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.status.toStdString() + " / " + c.pause.toStdString() + " / login " +
                     std::to_string(static_cast<int>(c.login)));
        const auto menu = buildStatusMenu(c.trusted, c.paused, c.login, c.support, c.loginTakenBy);

        QStringList expected = {c.status,
                                "---",
                                "Edit Prompts\u2026",
                                c.loginTitle,
                                c.pause,
                                "Accessibility Settings\u2026",
                                "About " + name + "\u2026"};
        if (c.support)
            expected << "Support My Work\u2026";
        expected << "---"
                 << "Quit " + name;
        EXPECT_EQ(titles(menu), expected);

        // The status line is information only; every other item can be chosen.
        EXPECT_FALSE(menu.front().enabled);
        EXPECT_EQ(menu.front().action, MenuAction::None);
        for (std::size_t i = 1; i < menu.size(); ++i) {
            if (!menu[i].separator) {
                EXPECT_TRUE(menu[i].enabled && menu[i].action != MenuAction::None) << i;
            }
        }

        const MenuItem& login = itemFor(menu, MenuAction::ToggleLogin);
        EXPECT_TRUE(login.checkable);
        EXPECT_EQ(login.state, c.loginState);
        EXPECT_EQ(itemFor(menu, MenuAction::EditPrompts).shortcut, "Ctrl+,");
        EXPECT_EQ(itemFor(menu, MenuAction::Quit).shortcut, "Ctrl+Q");
    }
}

// What choosing "Launch at Login" does for every status the desktop may report, with and without
// the desktop refusing.
TEST(ToggleLogin, ActsOnTheStatusReadFirst) {
    const QString notFound = "Install the app where it can be found and reopen it before enabling "
                             "Launch at Login.";
    const QString otherStatus = "Check this app in your desktop's Startup Applications settings.";
    const QString refused = "Could not write \u201C/x/tandrel.desktop\u201D: Permission denied.";
    struct Case {
        const char* name;
        LoginItemStatus before;
        LoginItemStatus afterRegister = LoginItemStatus::Enabled;
        bool registerFails = false;
        bool unregisterFails = false;
        QStringList actions;
        std::optional<QString> alert;
        LoginItemStatus after;
    };
    const Case cases[] = {
        {"registers",
         LoginItemStatus::NotRegistered,
         LoginItemStatus::Enabled,
         false,
         false,
         {"registerApp"},
         std::nullopt,
         LoginItemStatus::Enabled},
        {"registration needs approval",
         LoginItemStatus::NotRegistered,
         LoginItemStatus::RequiresApproval,
         false,
         false,
         {"registerApp", "openSettings"},
         std::nullopt,
         LoginItemStatus::RequiresApproval},
        {"registration refused",
         LoginItemStatus::NotRegistered,
         LoginItemStatus::Enabled,
         true,
         false,
         {"registerApp"},
         refused,
         LoginItemStatus::NotRegistered},
        // The item named the entry it replaces: choosing it is the user's go-ahead.
        {"replaces another program's entry",
         LoginItemStatus::Taken,
         LoginItemStatus::Enabled,
         false,
         false,
         {"registerApp"},
         std::nullopt,
         LoginItemStatus::Enabled},
        {"unregisters",
         LoginItemStatus::Enabled,
         LoginItemStatus::Enabled,
         false,
         false,
         {"unregisterApp"},
         std::nullopt,
         LoginItemStatus::NotRegistered},
        {"unregistering refused",
         LoginItemStatus::Enabled,
         LoginItemStatus::Enabled,
         false,
         true,
         {"unregisterApp"},
         refused,
         LoginItemStatus::Enabled},
        // Only the settings: nothing registered or unregistered, even if that would fail.
        {"approval pending",
         LoginItemStatus::RequiresApproval,
         LoginItemStatus::Enabled,
         true,
         true,
         {"openSettings"},
         std::nullopt,
         LoginItemStatus::RequiresApproval},
        {"not found",
         LoginItemStatus::NotFound,
         LoginItemStatus::Enabled,
         false,
         false,
         {},
         notFound,
         LoginItemStatus::NotFound},
        {"unknown status",
         static_cast<LoginItemStatus>(-4),
         LoginItemStatus::Enabled,
         false,
         false,
         {},
         otherStatus,
         static_cast<LoginItemStatus>(-4)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        sim::SimLoginItems items;
        items.setStatus(c.before);
        items.setStatusAfterRegister(c.afterRegister);
        if (c.registerFails)
            items.failRegister(refused);
        if (c.unregisterFails)
            items.failUnregister(refused);

        EXPECT_EQ(toggleLogin(items), c.alert);
        EXPECT_EQ(items.actions(), c.actions);
        EXPECT_EQ(items.status(), c.after);
    }
}

TEST(ToggleLogin, AnyExceptionFromTheDesktopBecomesTheAlertText) {
    class Throwing final : public LoginItems {
    public:
        LoginItemStatus status() override { return LoginItemStatus::NotRegistered; }
        void registerApp() override { throw std::runtime_error("disk on fire"); }
        void unregisterApp() override {}
        void openSettings() override {}
    } items;
    EXPECT_EQ(toggleLogin(items), QString("disk on fire"));
}
