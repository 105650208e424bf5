// SPDX-License-Identifier: MIT
#pragma once

#include "platform/sim/SimDesktop.h"

namespace tandrel::test {

struct WebChatOptions {
    a11y::Pid pid = 4242;
    QString bundleID = QStringLiteral("org.chromium.Chromium");
    QString appName = QStringLiteral("Chromium");
    QString address = QStringLiteral("https://chatgpt.com/c/123");
    // Levels from the web document down to the input (the input is the last level, at least 3).
    int depth = 6;
    // Unrelated elements beside the path at every level.
    int siblingsPerLevel = 3;
    // Rails beside the composer body (0 to 2), left then right.
    int rails = 2;
};

// A browser showing a chat page: window, web document, a few layout levels, a composer container
// holding the composer body and its rails, and a focused textarea inside the body.
struct WebChatScene {
    sim::SimApp* browser = nullptr;
    sim::SimElement window;
    sim::SimElement webDocument;
    std::vector<sim::SimElement>
        levels;                // between the web document and the container, outermost first
    sim::SimElement container; // parent of the body and the rails
    sim::SimElement body;
    sim::SimElement input;
    std::vector<sim::SimElement> rails;

    static constexpr double bodyX = 400, bodyY = 700, bodyWidth = 640, bodyHeight = 120;
    static constexpr double railWidth = 48;
};

// Adds the browser to the desktop, focuses the input and brings the browser to the front.
WebChatScene buildWebChat(sim::SimDesktop& desktop, const WebChatOptions& options = {});

} // namespace tandrel::test
