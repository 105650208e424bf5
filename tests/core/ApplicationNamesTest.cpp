// SPDX-License-Identifier: MIT
#include "platform/linux/AppAliases.h"

#include <gtest/gtest.h>

namespace tandrel::linuxdesktop {
namespace {

WindowClassInfo window(const QString& appId, const QString& name, const QString& cls) {
    return {appId, name, cls};
}

TEST(AppAliases, DesktopChatWindowsMapOntoTheirIdentifiers) {
    EXPECT_EQ(bundleIdentifierFor(window({}, "claude", "Claude")),
              "com.anthropic.claudefordesktop");
    EXPECT_EQ(bundleIdentifierFor(window({}, "chatgpt", "ChatGPT")), "com.openai.chat");
    EXPECT_EQ(bundleIdentifierFor(window({}, "codex", "Codex")), "com.openai.codex");
    EXPECT_EQ(bundleIdentifierFor(window({}, "opencode", "OpenCode")), "ai.opencode.desktop");
    // Letter case and a desktop file suffix do not matter.
    EXPECT_EQ(bundleIdentifierFor(window("chatgpt-desktop.desktop", {}, {})), "com.openai.chat");
    EXPECT_EQ(bundleIdentifierFor(window({}, {}, "CLAUDE")), "com.anthropic.claudefordesktop");
    // An identifier that itself ends in ".desktop" is recognised whole, wherever it appears.
    EXPECT_EQ(bundleIdentifierFor(window({}, "ai.opencode.desktop", "Electron")),
              "ai.opencode.desktop");
    EXPECT_EQ(bundleIdentifierFor(window("ai.opencode.desktop.desktop", {}, {})),
              "ai.opencode.desktop");
}

TEST(AppAliases, AnAliasAnywhereWinsOverAPlainApplicationId) {
    EXPECT_EQ(bundleIdentifierFor(window("org.example.Wrapper", "x", "Codex")), "com.openai.codex");
}

TEST(AppAliases, OtherApplicationsKeepTheirOwnNames) {
    EXPECT_EQ(bundleIdentifierFor(window("org.gnome.Epiphany", "epiphany", "Epiphany")),
              "org.gnome.Epiphany");
    EXPECT_EQ(bundleIdentifierFor(window({}, "chromium (/tmp/p)", "Chromium")), "Chromium");
    EXPECT_EQ(bundleIdentifierFor(window({}, "xterm", {})), "xterm");
    // Names that merely contain a chat's name are not that chat.
    EXPECT_EQ(bundleIdentifierFor(window({}, {}, "ClaudeNotes")), "ClaudeNotes");
}

TEST(AppAliases, BrowsersAreKnownByTheIdentifierTheirWindowsGive) {
    // Firefox ESR's window: WM_CLASS "Navigator", "firefox-esr", no application id.
    const std::optional<QString> firefox =
        bundleIdentifierFor(window({}, "Navigator", "firefox-esr"));
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

TEST(AppAliases, AWindowWithoutNamesHasNoIdentifierOrName) {
    EXPECT_EQ(bundleIdentifierFor(window({}, {}, "  ")), std::nullopt);
    EXPECT_EQ(applicationNameFor(window("org.x.Y", {}, {})), std::nullopt);
    EXPECT_EQ(applicationNameFor(window({}, "chromium", "Chromium")), "Chromium");
    EXPECT_EQ(applicationNameFor(window({}, "xterm", {})), "xterm");
}

} // namespace
} // namespace tandrel::linuxdesktop
