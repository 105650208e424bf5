// SPDX-License-Identifier: MIT
#include "platform/linux/wayland/ShellExtensionState.h"

#include <gtest/gtest.h>

using namespace tandrel::linuxdesktop;

namespace {

using Shell = ShellExtensionFacts::Shell;

ShellExtensionFacts answered(std::optional<int> state, bool installed = true,
                             std::optional<bool> enabled = std::nullopt,
                             const QString& error = {}) {
    ShellExtensionFacts facts;
    facts.shell = Shell::Answered;
    facts.state = state;
    facts.installed = installed;
    facts.enabledInSettings = enabled;
    facts.shellError = error;
    return facts;
}

} // namespace

// What the user is told for each way the extension can fail to answer: the command to run, a
// log out and in when the running shell never loaded it, the shell's own error; nothing while it
// serves or is still coming up.
TEST(ShellExtensionStateTest, WhatTheUserIsToldWhenTheExtensionDoesNotAnswer) {
    ShellExtensionFacts serving = answered(std::nullopt, false);
    serving.serving = true;
    ShellExtensionFacts asking;
    ShellExtensionFacts unreachable;
    unreachable.shell = Shell::Unreachable;
    const QString enable =
        QStringLiteral("run `gnome-extensions enable tandrel@tandrel.github.io`");
    const QString relog = QStringLiteral("log out and in once");
    struct Case {
        const char* name;
        ShellExtensionFacts facts;
        QStringList says; // empty: no problem
        QStringList neverSays = {};
    };
    const Case cases[] = {
        {"serving", serving, {}},
        {"shell not answered yet", asking, {}},
        {"no shell on the bus", unreachable, {"GNOME Shell does not answer", "GNOME session"}},
        {"not installed",
         answered(std::nullopt, false),
         {"not installed", "/usr/share/gnome-shell/extensions/tandrel@tandrel.github.io",
          "install the tandrel package"},
         {enable}},
        {"installed after the shell started, not enabled",
         answered(std::nullopt, true, false),
         {"installed but not enabled", enable + ", then " + relog}},
        {"installed, settings unknown",
         answered(std::nullopt, true, std::nullopt),
         {enable, relog}},
        {"enabled but not loaded by the running shell",
         answered(std::nullopt, true, true),
         {"has not loaded it", relog},
         {enable}},
        {"loaded and disabled", answered(2), {"is disabled", enable}, {relog}},
        {"loaded, never enabled", answered(6), {"is disabled", enable}, {relog}},
        {"enabled, name not yet on the bus", answered(1), {}},
        {"failed in the shell",
         answered(3, true, true, QStringLiteral("TypeError: seat is null")),
         {"failed in GNOME Shell (TypeError: seat is null)", relog}},
        {"shell too new", answered(4), {"does not support this version of GNOME Shell"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QString problem = shellExtensionProblem(c.facts);
        EXPECT_EQ(problem.isEmpty(), c.says.isEmpty()) << problem.toStdString();
        for (const QString& part : c.says)
            EXPECT_TRUE(problem.contains(part)) << problem.toStdString();
        for (const QString& part : c.neverSays)
            EXPECT_FALSE(problem.contains(part)) << problem.toStdString();
    }
}

// Native Chromium as GNOME Shell 43 describes it: the content is the frame, AT-SPI counts from the
// buffer (shadows included); an X11 client is flagged; no focus or a partial answer is no window.
TEST(ShellExtensionStateTest, WindowFromTheExtensionsDescription) {
    QVariantMap chromium{{"id", qulonglong(404762584)},
                         {"pid", 9157},
                         {"wm-class", "chrome-chatgpt.com__textarea.html-Default"},
                         {"gtk-application-id", ""},
                         {"sandboxed-app-id", ""},
                         {"frame-x", 129},
                         {"frame-y", 62},
                         {"frame-width", 1180},
                         {"frame-height", 777},
                         {"buffer-x", 119},
                         {"buffer-y", 52},
                         {"buffer-width", 1200},
                         {"buffer-height", 800},
                         {"x11", false}};
    const auto window = nativeWindowFromShell(chromium);
    ASSERT_TRUE(window);
    EXPECT_EQ(window->pid, 9157);
    EXPECT_EQ(window->appId, QStringLiteral("chrome-chatgpt.com__textarea.html-Default"));
    EXPECT_EQ(window->content, QRect(129, 62, 1180, 777));
    EXPECT_EQ(window->bufferOrigin, QPoint(119, 52));
    EXPECT_FALSE(window->xwayland);

    QVariantMap sandboxed = chromium;
    sandboxed["sandboxed-app-id"] = "org.chromium.Chromium";
    sandboxed["x11"] = true;
    EXPECT_EQ(nativeWindowFromShell(sandboxed)->appId, QStringLiteral("org.chromium.Chromium"));
    EXPECT_TRUE(nativeWindowFromShell(sandboxed)->xwayland);

    EXPECT_FALSE(nativeWindowFromShell({}));
    QVariantMap partial = chromium;
    partial.remove("buffer-y");
    EXPECT_FALSE(nativeWindowFromShell(partial));
}
