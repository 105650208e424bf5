// SPDX-License-Identifier: MIT

// Whole-desktop scenarios: what the user has in front of them, and what focus tracking makes of it.
#include "app/focus/FocusObservation.h"
#include "app/focus/FocusTracker.h"
#include "platform/sim/SimDesktop.h"
#include "tests/support/LogCapture.h"
#include "tests/support/QtPrinters.h"
#include "tests/support/WebChatScene.h"

#include <gtest/gtest.h>

using namespace tandrel;
using namespace tandrel::sim;
using a11y::Role;
using tandrel::test::LogCapture;
using tandrel::test::WebChatOptions;
using tandrel::test::WebChatScene;

TEST(WebChatScenario, TextareaInAComposerBodyWithARailOnChatGPT) {
    SimDesktop desktop;
    const WebChatScene page = test::buildWebChat(desktop, WebChatOptions{.rails = 1});
    FocusTracker tracker(desktop.accessibility(), desktop.workspace(), desktop.clock());

    const auto target = tracker.current(true);
    ASSERT_TRUE(target);
    const double x = WebChatScene::bodyX, y = WebChatScene::bodyY;
    EXPECT_EQ(target->frame,
              Rect(x - WebChatScene::railWidth, y,
                   WebChatScene::bodyWidth + WebChatScene::railWidth, WebChatScene::bodyHeight));
    EXPECT_EQ(tracker.lastPanelCount(), 1);
    EXPECT_EQ(target->documentURL, QUrl("https://chatgpt.com/c/123"));
    EXPECT_EQ(target->element, page.input.element());
    EXPECT_EQ(target->appName, "Chromium");
    // Every element walked through up to the web document, with the rail after its parent.
    std::vector<a11y::Element> walked{page.input, page.body, page.container, page.rails[0]};
    for (auto level = page.levels.rbegin(); level != page.levels.rend(); ++level)
        walked.push_back(*level);
    EXPECT_EQ(target->layoutElements, walked);
}

TEST(WebChatScenario, SamePageOnAnotherHostGivesNothing) {
    LogCapture log;
    SimDesktop desktop;
    test::buildWebChat(desktop, WebChatOptions{.address = "https://example.com/c/123"});
    FocusTracker tracker(desktop.accessibility(), desktop.workspace(), desktop.clock());
    EXPECT_FALSE(tracker.current(true));
    EXPECT_TRUE(log.entries().empty());
}

TEST(WebChatScenario, SearchFieldOnChatGPTGivesNothingAndLogsNothing) {
    LogCapture log;
    SimDesktop desktop;
    const WebChatScene page = test::buildWebChat(desktop);
    SimElement search =
        page.webDocument.child(Role::textField).placeholder("Search chats").frame(20, 100, 300, 30);
    page.browser->focus(search);
    FocusTracker tracker(desktop.accessibility(), desktop.workspace(), desktop.clock());
    EXPECT_FALSE(tracker.current(true));
    EXPECT_FALSE(tracker.lastDecision());
    EXPECT_TRUE(log.entries().empty());
}

TEST(DesktopChatScenario, ChatGPTAppIsActivatedOnceAndItsComposerDetected) {
    LogCapture log;
    SimDesktop desktop;
    SimApp& chatgpt = desktop.addApp(4100, QString("com.openai.chat"), QString("ChatGPT"));
    SimElement input = chatgpt.window("ChatGPT", Rect(0, 0, 1200, 800))
                           .child(Role::other)
                           .child(Role::textArea)
                           .placeholder("Message ChatGPT")
                           .frame(300, 700, 600, 44);
    // The app keeps its tree asleep until asked, then shows the focused input.
    chatgpt.element().onWake([&] {
        chatgpt.focus(input);
        return Result<Done>(Done{});
    });
    desktop.activate(chatgpt);
    FocusTracker tracker(desktop.accessibility(), desktop.workspace(), desktop.clock());

    // The visibility loop: once at launch, then every second.
    std::optional<ChatTarget> last = tracker.current(true);
    auto timer = desktop.clock().repeat(1.0, 0.1, [&] { last = tracker.current(true); });
    desktop.advance(4.9);

    ASSERT_TRUE(last);
    EXPECT_EQ(last->frame, Rect(300, 700, 600, 44));
    EXPECT_EQ(desktop.calls(a11y::Question::wake), 1);
    EXPECT_EQ(log.messages("tandrel.focus"),
              (std::vector<QString>{
                  "Accessibility activation: com.openai.chat wake result: done",
                  "Composer surface not exposed; using text input bounds.",
                  "Focus detection: com.openai.chat: composer detected",
              }));
}

TEST(DesktopChatScenario, MovingFocusToTheSearchFieldIsNoticedThirtyMillisecondsLater) {
    SimDesktop desktop;
    const WebChatScene page = test::buildWebChat(desktop);
    SimElement search =
        page.webDocument.child(Role::textField).placeholder("Search chats").frame(20, 100, 300, 30);
    FocusTracker tracker(desktop.accessibility(), desktop.workspace(), desktop.clock());
    FocusObservation observation(desktop.accessibility(), desktop.workspace(), desktop.clock());

    // Wired as the application controller wires them.
    std::optional<ChatTarget> shown;
    const auto evaluate = [&] {
        const auto front = desktop.workspace().frontmostApplication();
        const auto pid = front ? front->processIdentifier : std::nullopt;
        observation.observe(pid, std::nullopt);
        shown = tracker.current(true);
        observation.observe(pid, shown ? shown->layoutElements : std::vector<a11y::Element>{});
    };
    QObject::connect(&observation, &FocusObservation::changed, evaluate);
    evaluate();
    ASSERT_TRUE(shown);

    page.browser->focus(search);
    desktop.advance(0.029);
    EXPECT_TRUE(shown);
    desktop.advance(0.001);
    EXPECT_FALSE(shown);

    page.browser->focus(page.input);
    desktop.advance(0.03);
    ASSERT_TRUE(shown);

    // The composer grows: its body reports a new size and the palette follows.
    page.body.frame(WebChatScene::bodyX, 600, WebChatScene::bodyWidth, 220);
    page.body.post(a11y::Change::bounds);
    desktop.advance(0.03);
    EXPECT_EQ(shown->frame.y(), 600);
    EXPECT_EQ(shown->frame.height(), 220);
}
