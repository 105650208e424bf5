// SPDX-License-Identifier: MIT
#include "tests/support/WebChatScene.h"

#include <algorithm>

namespace tandrel::test {

namespace {

void addSiblings(const sim::SimElement& parent, int count, int level) {
    for (int i = 0; i < count; ++i) {
        parent.child(a11y::Role::other)
            .classes({QStringLiteral("sibling-%1-%2").arg(level).arg(i)})
            .frame(20.0 * i, 40.0 * level, 200, 30);
    }
}

} // namespace

WebChatScene buildWebChat(sim::SimDesktop& desktop, const WebChatOptions& options) {
    WebChatScene scene;
    const double bx = WebChatScene::bodyX, by = WebChatScene::bodyY;
    const double bw = WebChatScene::bodyWidth, bh = WebChatScene::bodyHeight;
    const double rw = WebChatScene::railWidth;

    sim::SimApp& browser = desktop.addApp(options.pid, options.bundleID, options.appName);
    scene.browser = &browser;
    scene.window = browser.window(QStringLiteral("Chat"), Rect(0, 0, 1440, 900));
    scene.webDocument = scene.window.child(a11y::Role::webDocument).url(options.address);
    scene.webDocument.frame(0, 80, 1440, 820);

    // Layout levels above the composer container, then container, body and input.
    const int depth = std::max(3, options.depth);
    sim::SimElement level = scene.webDocument;
    for (int i = 1; i <= depth - 3; ++i) {
        addSiblings(level, options.siblingsPerLevel, i);
        level = level.child(a11y::Role::other)
                    .classes({QStringLiteral("layout-%1").arg(i)})
                    .frame(0, 80, 1440, 820);
        scene.levels.push_back(level);
    }
    addSiblings(level, options.siblingsPerLevel, depth - 2);
    scene.container = level.child(a11y::Role::other)
                          .classes({QStringLiteral("composer-container")})
                          .frame(bx - rw, by, bw + 2 * rw, bh);
    if (options.rails >= 1)
        scene.rails.push_back(scene.container.child(a11y::Role::other)
                                  .classes({QStringLiteral("_rail_left1")})
                                  .frame(bx - rw, by, rw, bh));
    addSiblings(scene.container, options.siblingsPerLevel, depth - 1);
    scene.body = scene.container.child(a11y::Role::other)
                     .classes({QStringLiteral("flex"), QStringLiteral("_ComposerLayoutBody_x9")})
                     .frame(bx, by, bw, bh);
    if (options.rails >= 2)
        scene.rails.push_back(scene.container.child(a11y::Role::other)
                                  .classes({QStringLiteral("_rail_right2")})
                                  .frame(bx + bw, by, rw, bh));
    addSiblings(scene.body, options.siblingsPerLevel, depth);
    scene.input = scene.body.child(a11y::Role::textArea)
                      .placeholder(QStringLiteral("Message ChatGPT"))
                      .tag(QStringLiteral("textarea"))
                      .identifier(QStringLiteral("prompt-textarea"))
                      .editable(true)
                      .enabled(true)
                      .text(QStringLiteral("hi"))
                      .frame(bx + 16, by + 16, bw - 32, 40);

    browser.focus(scene.input);
    desktop.activate(browser);
    return scene;
}

} // namespace tandrel::test
