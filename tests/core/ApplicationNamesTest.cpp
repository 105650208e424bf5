// SPDX-License-Identifier: MIT
#include "core/ApplicationNames.h"

#include <gtest/gtest.h>

namespace tandrel {
namespace {

ApplicationNames window(const QString& appId, const QString& name, const QString& cls) {
    return {appId, name, cls};
}

TEST(ApplicationNames, DesktopChatWindowsMapOntoTheirIdentifiers) {
    EXPECT_EQ(identityFor(window({}, "claude", "Claude")), "com.anthropic.claudefordesktop");
    EXPECT_EQ(identityFor(window({}, "chatgpt", "ChatGPT")), "com.openai.chat");
    EXPECT_EQ(identityFor(window({}, "codex", "Codex")), "com.openai.codex");
    EXPECT_EQ(identityFor(window({}, "opencode", "OpenCode")), "ai.opencode.desktop");
    // Letter case and a desktop file suffix do not matter.
    EXPECT_EQ(identityFor(window("chatgpt-desktop.desktop", {}, {})), "com.openai.chat");
    EXPECT_EQ(identityFor(window({}, {}, "CLAUDE")), "com.anthropic.claudefordesktop");
    // An identifier that itself ends in ".desktop" is recognised whole, wherever it appears.
    EXPECT_EQ(identityFor(window({}, "ai.opencode.desktop", "Electron")), "ai.opencode.desktop");
    EXPECT_EQ(identityFor(window("ai.opencode.desktop.desktop", {}, {})), "ai.opencode.desktop");
}

TEST(ApplicationNames, AnAliasAnywhereWinsOverAPlainApplicationId) {
    EXPECT_EQ(identityFor(window("org.example.Wrapper", "x", "Codex")), "com.openai.codex");
}

TEST(ApplicationNames, OtherApplicationsKeepTheirOwnNames) {
    EXPECT_EQ(identityFor(window("org.gnome.Epiphany", "epiphany", "Epiphany")),
              "org.gnome.Epiphany");
    EXPECT_EQ(identityFor(window({}, "chromium (/tmp/p)", "Chromium")), "Chromium");
    EXPECT_EQ(identityFor(window({}, "xterm", {})), "xterm");
    // Names that merely contain a chat's name are not that chat.
    EXPECT_EQ(identityFor(window({}, {}, "ClaudeNotes")), "ClaudeNotes");
}

TEST(ApplicationNames, BrowsersAreKnownByTheIdentifierTheirWindowsGive) {
    // Firefox ESR's window: WM_CLASS "Navigator", "firefox-esr", no application id.
    const std::optional<QString> firefox = identityFor(window({}, "Navigator", "firefox-esr"));
    ASSERT_TRUE(firefox);
    EXPECT_TRUE(isWebBrowser(*firefox));
    for (const char* name : {"firefox", "Firefox", "org.mozilla.firefox.desktop", "Chromium",
                             "google-chrome", " chromium "})
        EXPECT_TRUE(isWebBrowser(QLatin1String(name))) << name;
    // Desktop chats are built on web content but are not browsers; nor is a name that merely
    // contains a browser's.
    for (const char* name : {"com.openai.chat", "Claude", "firefox-helper", "xterm", ""})
        EXPECT_FALSE(isWebBrowser(QLatin1String(name))) << name;
}

TEST(ApplicationNames, AWindowWithoutNamesHasNoIdentifierOrName) {
    EXPECT_EQ(identityFor(window({}, {}, "  ")), std::nullopt);
    EXPECT_EQ(displayNameFor(window("org.x.Y", {}, {})), std::nullopt);
    EXPECT_EQ(displayNameFor(window({}, "chromium", "Chromium")), "Chromium");
    EXPECT_EQ(displayNameFor(window({}, "xterm", {})), "xterm");
}

} // namespace
} // namespace tandrel
