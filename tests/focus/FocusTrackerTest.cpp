// SPDX-License-Identifier: MIT
#include "app/focus/FocusTracker.h"
#include "platform/sim/SimDesktop.h"
#include "tests/support/LogCapture.h"
#include "tests/support/QtPrinters.h"
#include "tests/support/WebChatScene.h"

#include <gtest/gtest.h>

using namespace tandrel;
using namespace tandrel::sim;
using tandrel::test::LogCapture;

namespace {

const QString kChatGPT = QStringLiteral("com.openai.chat");

// A desktop chat application whose window holds a composer body with a focused text area.
class DesktopChat : public ::testing::Test {
protected:
    DesktopChat() {
        app.element().onSet("AXManualAccessibility", [](const ax::Value&) { return 0; });
        sim.activate(app);
        app.focus(input);
    }

    std::vector<QString> layoutLog() const { return log.messages("tandrel.focus"); }

    LogCapture log;
    SimDesktop sim;
    SimApp& app = sim.addApp(700, kChatGPT, QString("ChatGPT"));
    SimElement window = app.window("ChatGPT", Rect(0, 0, 1000, 800));
    SimElement web = window.child("AXWebArea");
    SimElement body =
        web.child("AXGroup").classes({"_ComposerLayoutBody_b"}).frame(100, 600, 600, 100);
    SimElement input =
        body.child("AXTextArea").frame(120, 620, 560, 40).placeholder("Ask anything");
    FocusTracker tracker{sim};
};

} // namespace

TEST_F(DesktopChat, NoAnswerAndNoDecisionWithoutTrustOrAForeignFrontApplication) {
    sim.setTrusted(false);
    EXPECT_FALSE(tracker.current(true));

    sim.setTrusted(true);
    sim.ws().setFrontmost(RunningApplication{700, std::nullopt, QString("ChatGPT")});
    EXPECT_FALSE(tracker.current(true)) << "no bundle identifier";
    sim.ws().setFrontmost(std::nullopt);
    EXPECT_FALSE(tracker.current(true));
    EXPECT_EQ(tracker.lastOutcome().reason, FocusOutcome::Reason::noFrontmostApplication);
    // A native Wayland window in front is named as such, with the way out.
    sim.ws().setNativeWaylandWindowInFront(true);
    EXPECT_FALSE(tracker.current(true));
    EXPECT_EQ(tracker.lastOutcome().reason, FocusOutcome::Reason::nativeWaylandWindowInFront);
    EXPECT_TRUE(tracker.lastOutcome().text().contains(QLatin1String("--ozone-platform=x11")));
    sim.ws().setNativeWaylandWindowInFront(false);
    sim.ws().setOwnProcessIdentifier(700);
    sim.activate(app);
    EXPECT_FALSE(tracker.current(true)) << "our own process in front";

    EXPECT_FALSE(tracker.lastDecision());
    EXPECT_TRUE(layoutLog().empty());
}

TEST_F(DesktopChat, DetectsTheComposerWithItsSurfaceAndNoPageAddress) {
    const auto target = tracker.current(true);
    ASSERT_TRUE(target);
    EXPECT_EQ(target->pid, 700);
    EXPECT_EQ(target->element, input.element());
    EXPECT_EQ(target->frame, Rect(100, 600, 600, 100));
    EXPECT_EQ(target->appName, "ChatGPT");
    EXPECT_EQ(target->layoutElements, (std::vector<ax::Element>{input.element(), body.element()}));
    EXPECT_FALSE(target->documentURL);
    EXPECT_EQ(tracker.lastDecision(), "com.openai.chat: composer detected");
    EXPECT_EQ(tracker.lastPanelCount(), 0);
    EXPECT_FLOAT_EQ(*app.element().node()->messagingTimeout, 0.15f);
}

TEST_F(DesktopChat, SameDecisionIsLoggedOnceAndEveryChangeIsLogged) {
    for (int i = 0; i < 3; ++i)
        tracker.current(true);
    app.clearFocus();
    tracker.current(true);
    tracker.current(true);
    app.focus(input);
    tracker.current(true);

    std::vector<QString> decisions;
    for (const QString& line : layoutLog()) {
        if (line.startsWith("Focus detection: "))
            decisions.push_back(line);
    }
    EXPECT_EQ(decisions, (std::vector<QString>{
                             "Focus detection: com.openai.chat: composer detected",
                             "Focus detection: com.openai.chat: no focused element",
                             "Focus detection: com.openai.chat: composer detected",
                         }));
}

TEST_F(DesktopChat, RejectionListsTheRolesOfEveryExaminedElement) {
    SimElement l1 = body.child("AXGroup");
    SimElement l2 = l1.child("AXScrollArea").fail("AXRole", ax::kFailure);
    SimElement l3 = l2.child("AXGroup");
    SimElement text = l3.child("AXStaticText");
    app.focus(text);
    EXPECT_FALSE(tracker.current(true));
    EXPECT_EQ(tracker.lastDecision(),
              "com.openai.chat: no accepted input (roles: AXStaticText, AXGroup, , AXGroup)");

    SimElement lone = app.element().child("AXButton").fail("AXParent", ax::kNoValue);
    app.focus(lone);
    tracker.current(true);
    EXPECT_EQ(tracker.lastDecision(), "com.openai.chat: no accepted input (roles: AXButton)");
}

// A read that times out leaves the answer unknown rather than negative; one the answer does not
// rest on changes nothing.
TEST_F(DesktopChat, UnansweredReadsMakeARefusalANotRespondingApplication) {
    using Reason = FocusOutcome::Reason;
    app.element().fail("AXFocusedUIElement", ax::kCannotComplete);
    EXPECT_FALSE(tracker.current(false));
    EXPECT_EQ(tracker.lastOutcome().reason, Reason::applicationNotResponding);
    EXPECT_EQ(tracker.lastOutcome().text(), "com.openai.chat is not responding");
    EXPECT_EQ(tracker.lastDecision(), "com.openai.chat: com.openai.chat is not responding");

    app.element().unset("AXFocusedUIElement");
    SimElement inner = input.child("AXStaticText").fail("AXParent", ax::kCannotComplete);
    app.focus(inner);
    EXPECT_FALSE(tracker.current(false));
    EXPECT_EQ(tracker.lastOutcome().reason, Reason::applicationNotResponding) << "the walk up";

    input.fail("AXDescription", ax::kCannotComplete);
    app.focus(input);
    EXPECT_TRUE(tracker.current(false)) << "accepted on its placeholder alone";
    EXPECT_EQ(tracker.lastOutcome().reason, Reason::composerDetected);

    sim.ax().setAnswering(700, false);
    EXPECT_FALSE(tracker.current(false));
    EXPECT_EQ(tracker.lastOutcome().reason, Reason::applicationNotResponding);
    sim.ax().setAnswering(700, true);
    app.clearFocus();
    EXPECT_FALSE(tracker.current(false));
    EXPECT_EQ(tracker.lastOutcome().reason, Reason::noFocusedElement) << "nothing left over";
}

TEST_F(DesktopChat, ClimbsFromARejectedOrUnusableElementToAnAcceptedAncestor) {
    SimElement inner = input.child("AXTextField").placeholder("Search").frame(130, 625, 100, 20);
    app.focus(inner);
    auto target = tracker.current(false);
    ASSERT_TRUE(target);
    EXPECT_EQ(target->element, input.element()) << "the search field is rejected";

    inner.unset("AXPlaceholderValue").role("AXTextArea").enabled(false);
    EXPECT_EQ(tracker.current(false)->element, input.element()) << "disabled";

    inner.enabled(true).frame(130, 625, 0, 20);
    EXPECT_EQ(tracker.current(false)->element, input.element()) << "no frame";

    inner.frame(130, 625, 100, 20).set("AXEnabled", "no");
    EXPECT_EQ(tracker.current(false)->element, inner.element()) << "only a boolean false counts";
}

TEST_F(DesktopChat, EveryHintAttributeTakesPart) {
    input.role("AXTextField").unset("AXPlaceholderValue");
    EXPECT_FALSE(tracker.current(false)) << "a text field needs a hint";
    for (const char* attribute :
         {"AXPlaceholderValue", "AXDescription", "AXTitle", "AXIdentifier", "AXDOMIdentifier"}) {
        input.set(attribute, "reply-box");
        EXPECT_TRUE(tracker.current(false)) << attribute;
        input.unset(attribute);
    }
    input.set("AXDOMIdentifier", "prompt").set("AXTitle", "Rename");
    EXPECT_FALSE(tracker.current(false)) << "a rejecting word in any hint wins";
}

TEST_F(DesktopChat, WithoutTheComposerFrameTheInputFrameIsUsedAndNothingIsLogged) {
    const auto target = tracker.current(false);
    ASSERT_TRUE(target);
    EXPECT_EQ(target->frame, Rect(120, 620, 560, 40));
    EXPECT_EQ(target->layoutElements, std::vector<ax::Element>{input.element()});
    EXPECT_FALSE(tracker.lastPanelCount());
    EXPECT_EQ(sim.calls("AXDOMClassList"), 0) << "no layout walk";
}

TEST_F(DesktopChat, PanelCountIsLoggedOnChangeIncludingBetweenNoSurfaceAndNoPanels) {
    tracker.current(true);
    tracker.current(true);
    tracker.current(false);
    body.classes({"plain"});
    tracker.current(true);
    tracker.current(true);
    body.classes({"_ComposerLayoutBody_b"});
    tracker.current(true);

    std::vector<QString> surfaces;
    for (const QString& line : layoutLog()) {
        if (line.startsWith("Composer surface"))
            surfaces.push_back(line);
    }
    EXPECT_EQ(surfaces, (std::vector<QString>{
                            "Composer surface resolved with 0 adjacent panels.",
                            "Composer surface not exposed; using text input bounds.",
                            "Composer surface resolved with 0 adjacent panels.",
                        }));
}

TEST_F(DesktopChat, NameFallsBackToChat) {
    SimApp& nameless = sim.addApp(701, kChatGPT, std::nullopt);
    nameless.element().onSet("AXManualAccessibility", [](const ax::Value&) { return 0; });
    SimElement field =
        nameless.window("", Rect(0, 0, 500, 500)).child("AXTextArea").frame(10, 10, 100, 30);
    nameless.focus(field);
    sim.activate(nameless);
    EXPECT_EQ(tracker.current(false)->appName, "Chat");
}

TEST_F(DesktopChat, OneEvaluationNeverAsksTheSameQuestionTwice) {
    sim.resetCalls();
    ASSERT_TRUE(tracker.current(true));
    EXPECT_EQ(sim.ax().mostReadsOfOneAttribute(), 1);
    EXPECT_EQ(sim.calls("createApplication"), 1);
}

// The one application whose composer is a prompt group.
class OpenCode : public ::testing::Test {
protected:
    OpenCode() {
        app.element().onSet("AXManualAccessibility", [](const ax::Value&) { return 0; });
        sim.activate(app);
        app.focus(input);
    }

    SimDesktop sim;
    SimApp& app = sim.addApp(800, QString("ai.opencode.desktop"), QString("OpenCode"));
    SimElement group = app.window("OpenCode", Rect(0, 0, 1000, 800))
                           .child("AXWebArea")
                           .child("AXGroup")
                           .classes({"group/prompt-input"})
                           .frame(50, 650, 900, 120);
    SimElement input = group.child("AXTextArea").frame(60, 660, 880, 40);
    FocusTracker tracker{sim};
};

TEST_F(OpenCode, UsesThePromptGroupEvenWithoutTheComposerFrame) {
    const auto target = tracker.current(false);
    ASSERT_TRUE(target);
    EXPECT_EQ(target->frame, Rect(50, 650, 900, 120));
    EXPECT_FALSE(tracker.lastPanelCount());
}

TEST_F(OpenCode, MonospaceInputsAndInputsOutsideAPromptGroupAreIgnoredSilently) {
    input.classes({"font-mono", "terminal"});
    EXPECT_FALSE(tracker.current(true));
    EXPECT_FALSE(tracker.lastPanelCount());

    input.classes({});
    group.classes({"_ComposerLayoutBody_z"});
    EXPECT_FALSE(tracker.current(true));
    EXPECT_FALSE(tracker.lastDecision()) << "neither case is a logged decision";
}

// Activation of a desktop chat application's accessibility tree.
class Activation : public ::testing::Test {
protected:
    Activation() { sim.activate(app); }

    // Scripts the answer to "AXManualAccessibility"; success reveals the focused input.
    void answerManual(ax::AXError result) {
        app.element().onSet("AXManualAccessibility", [this, result](const ax::Value&) {
            if (result == ax::kSuccess)
                app.focus(input);
            return result;
        });
    }
    void answerEnhanced(ax::AXError result) {
        app.element().onSet("AXEnhancedUserInterface",
                            [result](const ax::Value&) { return result; });
    }
    int manualSets() const { return sim.calls("AXManualAccessibility"); }

    LogCapture log;
    SimDesktop sim;
    SimApp& app = sim.addApp(900, kChatGPT, QString("ChatGPT"));
    SimElement input =
        app.window("ChatGPT", Rect(0, 0, 800, 600)).child("AXTextArea").frame(100, 500, 600, 40);
    FocusTracker tracker{sim};
};

TEST_F(Activation, AcceptedManualAccessibilityRevealsTheInputInTheSameEvaluation) {
    answerManual(ax::kSuccess);
    EXPECT_TRUE(tracker.current(true));
    EXPECT_EQ(tracker.accessibilityActivation().manual(), std::set<ax::Pid>{900});
    EXPECT_EQ(tracker.accessibilityActivation().finished(), std::set<ax::Pid>{900});
    EXPECT_EQ(
        log.count("tandrel.focus",
                  "Accessibility activation: com.openai.chat AXManualAccessibility result: 0"),
        1);
}

TEST_F(Activation, UnsupportedManualThenAcceptedEnhancedSettlesForGood) {
    answerManual(ax::kAttributeUnsupported);
    answerEnhanced(ax::kSuccess);
    tracker.current(true);
    EXPECT_EQ(tracker.accessibilityActivation().finished(), std::set<ax::Pid>{900});
    EXPECT_TRUE(tracker.accessibilityActivation().manual().empty());
    EXPECT_EQ(
        log.count("tandrel.focus",
                  "Accessibility activation: com.openai.chat AXEnhancedUserInterface result: 0"),
        1);

    for (int i = 0; i < 30; ++i) {
        sim.advance(1);
        tracker.current(true);
    }
    EXPECT_EQ(manualSets(), 1);
    EXPECT_EQ(sim.calls("AXEnhancedUserInterface"), 1);
}

TEST_F(Activation, OtherFailuresAreRetriedAtFiveSecondsAndNotBefore) {
    answerManual(ax::kCannotComplete);
    tracker.current(true);
    EXPECT_EQ(manualSets(), 1);
    EXPECT_EQ(sim.calls("AXEnhancedUserInterface"), 0);

    sim.advance(4.999);
    tracker.current(true);
    EXPECT_EQ(manualSets(), 1);
    sim.advance(0.001);
    tracker.current(true);
    EXPECT_EQ(manualSets(), 2);
    EXPECT_TRUE(tracker.accessibilityActivation().finished().empty());
}

TEST_F(Activation, EnhancedFailureLeavesTheProcessUnsettled) {
    answerManual(ax::kNotImplemented);
    answerEnhanced(ax::kCannotComplete);
    tracker.current(true);
    EXPECT_TRUE(tracker.accessibilityActivation().finished().empty());
    sim.advance(5);
    tracker.current(true);
    EXPECT_EQ(sim.calls("AXEnhancedUserInterface"), 2);
}

TEST_F(Activation, ManualProcessIsRecheckedOnlyWhileItShowsNoFocus) {
    answerManual(ax::kSuccess);
    tracker.current(true);
    sim.resetCalls();

    sim.advance(10);
    tracker.current(true);
    EXPECT_EQ(manualSets(), 0) << "it shows a focused element: nothing to check";

    // The application resets the attribute and loses its tree.
    app.clearFocus();
    app.element().set("AXManualAccessibility", ax::Boolean{false});
    tracker.current(true);
    EXPECT_EQ(manualSets(), 2) << "one read, then set again";
    EXPECT_TRUE(tracker.current(true)) << "the renewed tree shows the input";

    app.clearFocus();
    sim.advance(1);
    tracker.current(true);
    EXPECT_EQ(manualSets(), 2) << "checked at most every five seconds";
    sim.advance(4);
    tracker.current(true);
    EXPECT_EQ(manualSets(), 3) << "attribute still true: only read";
}

TEST_F(Activation, EveryNewProcessIsActivatedAfresh) {
    answerManual(ax::kSuccess);
    tracker.current(true);
    SimApp& relaunched = sim.addApp(901, kChatGPT, QString("ChatGPT"));
    relaunched.element().onSet("AXManualAccessibility", [](const ax::Value&) { return 0; });
    sim.activate(relaunched);
    tracker.current(true);
    EXPECT_EQ(tracker.accessibilityActivation().finished(), (std::set<ax::Pid>{900, 901}));
}

TEST(ChatTargetMatches, ComparesProcessElementAndPageOnly) {
    SimDesktop sim;
    SimApp& app = sim.addApp(1, QString("b"), QString("B"));
    SimElement input = app.window("w", Rect(0, 0, 10, 10)).child("AXTextArea");
    SimElement other = input.parent().child("AXTextArea");

    ChatTarget a{1, input.element(), Rect(0, 0, 5, 5), "B", {}, QUrl("https://chatgpt.com/c/1")};
    ChatTarget b = a;
    b.element = input.element(); // another handle on the same element
    b.frame = Rect(0, 0, 50, 50);
    b.appName = "Other";
    b.layoutElements = {other.element()};
    EXPECT_TRUE(a.matches(b));

    b.documentURL = QUrl("https://chatgpt.com/c/2");
    EXPECT_FALSE(a.matches(b));
    b.documentURL.reset();
    EXPECT_FALSE(a.matches(b));
    a.documentURL.reset();
    EXPECT_TRUE(a.matches(b));
    b.pid = 2;
    EXPECT_FALSE(a.matches(b));
    b.pid = 1;
    b.element = other.element();
    EXPECT_FALSE(a.matches(b));
    EXPECT_FALSE(a.matches(std::nullopt));
}

// A tracker that has evaluated before must see every change of the composer at its next
// evaluation, exactly as a tracker that never evaluated does: nothing kept from an earlier
// evaluation may hide a change of classes, place, panels or the input itself.
TEST(FocusTrackerRepeated, NextEvaluationSeesEveryComposerChangeLikeAFreshTracker) {
    SimDesktop desktop;
    const test::WebChatScene scene = test::buildWebChat(desktop);
    FocusTracker warm(desktop);

    struct Step {
        const char* change;
        std::function<void()> apply;
    };
    SimElement replacement;
    const std::vector<Step> steps = {
        {"nothing", [] {}},
        {"move", [&] { scene.body.frame(300, 500, 640, 180); }},
        {"panels",
         [&] {
             for (const SimElement& rail : scene.rails)
                 rail.remove();
         }},
        {"classes", [&] { scene.body.classes({QStringLiteral("flex")}); }},
        {"replace",
         [&] {
             replacement = scene.body.child(QStringLiteral("AXTextArea"))
                               .placeholder(QStringLiteral("Message ChatGPT"))
                               .tag(QStringLiteral("textarea"))
                               .editable(true)
                               .enabled(true)
                               .text(QString())
                               .frame(320, 520, 600, 40);
             scene.input.remove();
             scene.browser->focus(replacement);
         }},
    };
    std::optional<ChatTarget> before = warm.current(true);
    std::optional<std::int64_t> panelsBefore = warm.lastPanelCount();
    ASSERT_TRUE(before);
    for (const Step& step : steps) {
        SCOPED_TRACE(step.change);
        step.apply();
        const std::optional<ChatTarget> seen = warm.current(true);
        const std::optional<std::int64_t> panels = warm.lastPanelCount();
        FocusTracker fresh(desktop);
        const std::optional<ChatTarget> expected = fresh.current(true);
        ASSERT_EQ(seen.has_value(), expected.has_value());
        if (!seen)
            continue;
        EXPECT_EQ(seen->frame, expected->frame);
        EXPECT_EQ(seen->element, expected->element);
        EXPECT_EQ(panels, fresh.lastPanelCount());
        const bool changed = seen->frame != before->frame || !(seen->element == before->element) ||
                             panels != panelsBefore;
        EXPECT_EQ(changed, std::string(step.change) != "nothing") << "the change went unseen";
        before = seen;
        panelsBefore = panels;
    }
}
