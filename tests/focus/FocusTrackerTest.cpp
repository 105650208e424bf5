// SPDX-License-Identifier: MIT
#include "app/focus/FocusTracker.h"
#include "platform/sim/SimDesktop.h"
#include "tests/support/LogCapture.h"
#include "tests/support/QtPrinters.h"
#include "tests/support/WebChatScene.h"

#include <gtest/gtest.h>

using namespace tandrel;
using namespace tandrel::sim;
using a11y::Label;
using a11y::Question;
using a11y::Role;
using tandrel::test::LogCapture;

namespace {

const QString kChatGPT = QStringLiteral("com.openai.chat");

// An application whose request to show its whole tree succeeds without changing anything.
void acceptsWaking(SimApp& app) {
    app.element().onWake([] { return Result<Done>(Done{}); });
}

// A desktop chat application whose window holds a composer body with a focused text area.
class DesktopChat : public ::testing::Test {
protected:
    DesktopChat() {
        acceptsWaking(app);
        sim.activate(app);
        app.focus(input);
    }

    std::vector<QString> layoutLog() const { return log.messages("tandrel.focus"); }

    LogCapture log;
    SimDesktop sim;
    SimApp& app = sim.addApp(700, kChatGPT, QString("ChatGPT"));
    SimElement window = app.window("ChatGPT", Rect(0, 0, 1000, 800));
    SimElement web = window.child(Role::webDocument);
    SimElement body =
        web.child(Role::other).classes({"_ComposerLayoutBody_b"}).frame(100, 600, 600, 100);
    SimElement input =
        body.child(Role::textArea).frame(120, 620, 560, 40).placeholder("Ask anything");
    FocusTracker tracker{sim.accessibility(), sim.workspace(), sim.clock()};
};

} // namespace

TEST_F(DesktopChat, NoAnswerAndNoDecisionWithoutTrustOrAForeignFrontApplication) {
    sim.setTrusted(false);
    EXPECT_FALSE(tracker.current(true));

    sim.setTrusted(true);
    sim.ws().setFrontmost(RunningApplication{700, {}, QString("ChatGPT")});
    EXPECT_FALSE(tracker.current(true)) << "its windows name no application";
    sim.ws().setFrontmost(std::nullopt);
    FocusResult answer = tracker.evaluate(true);
    EXPECT_FALSE(answer.target);
    EXPECT_EQ(answer.outcome.reason, FocusOutcome::Reason::noFrontmostApplication);
    // A native Wayland window in front is named as such, with the way out.
    sim.ws().setNativeWaylandWindowInFront(true);
    answer = tracker.evaluate(true);
    EXPECT_FALSE(answer.target);
    EXPECT_EQ(answer.outcome.reason, FocusOutcome::Reason::nativeWaylandWindowInFront);
    EXPECT_TRUE(answer.outcome.text().contains(QLatin1String("--ozone-platform=x11")));
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
    EXPECT_EQ(target->layoutElements,
              (std::vector<a11y::Element>{input.element(), body.element()}));
    EXPECT_FALSE(target->documentURL);
    EXPECT_EQ(tracker.lastDecision(), "com.openai.chat: composer detected");
    EXPECT_EQ(tracker.lastPanelCount(), 0);
    EXPECT_EQ(sim.ax().replyTimeout(), std::chrono::milliseconds(150));
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
    SimElement l1 = body.child(Role::other);
    SimElement l2 = l1.child(Role::other).fail(Question::role, Failure::noValue);
    SimElement l3 = l2.child(Role::other);
    SimElement field = l3.child(Role::textField).frame(130, 625, 100, 20);
    app.focus(field);
    EXPECT_FALSE(tracker.current(true));
    EXPECT_EQ(tracker.lastDecision(),
              "com.openai.chat: no accepted input (roles: text field, other, , other)");

    SimElement lone = app.element().child(Role::other).fail(Question::parent, Failure::noValue);
    app.focus(lone);
    tracker.current(true);
    EXPECT_EQ(tracker.lastDecision(), "com.openai.chat: no accepted input (roles: other)");
}

// A read that times out leaves the answer unknown rather than negative; one the answer does not
// rest on changes nothing.
TEST_F(DesktopChat, UnansweredReadsMakeARefusalANotRespondingApplication) {
    using Reason = FocusOutcome::Reason;
    const auto reasonNow = [this] {
        const FocusResult answer = tracker.evaluate(false);
        return answer.target ? Reason::composerDetected : answer.outcome.reason;
    };
    app.element().fail(Question::focusedElement, Failure::notAnswering);
    const FocusResult answer = tracker.evaluate(false);
    EXPECT_TRUE(answer.applicationNotResponding());
    EXPECT_EQ(answer.outcome.text(), "com.openai.chat is not responding");
    EXPECT_EQ(tracker.lastDecision(), "com.openai.chat: com.openai.chat is not responding");

    app.element().unfail(Question::focusedElement);
    SimElement inner = input.child(Role::other).fail(Question::parent, Failure::notAnswering);
    app.focus(inner);
    EXPECT_EQ(reasonNow(), Reason::applicationNotResponding) << "the walk up";

    input.fail(Question::description, Failure::notAnswering);
    app.focus(input);
    EXPECT_EQ(reasonNow(), Reason::composerDetected) << "accepted on its placeholder alone";

    sim.ax().setAnswering(700, false);
    EXPECT_EQ(reasonNow(), Reason::applicationNotResponding);
    sim.ax().setAnswering(700, true);
    app.clearFocus();
    EXPECT_EQ(reasonNow(), Reason::noFocusedElement) << "nothing left over";
}

TEST_F(DesktopChat, ClimbsFromARejectedOrUnusableElementToAnAcceptedAncestor) {
    SimElement inner = input.child(Role::textField).placeholder("Search").frame(130, 625, 100, 20);
    app.focus(inner);
    auto target = tracker.current(false);
    ASSERT_TRUE(target);
    EXPECT_EQ(target->element, input.element()) << "the search field is rejected";

    inner.unset(Label::placeholder).role(Role::textArea).enabled(false);
    EXPECT_EQ(tracker.current(false)->element, input.element()) << "disabled";

    inner.enabled(true).frame(130, 625, 0, 20);
    EXPECT_EQ(tracker.current(false)->element, input.element()) << "no frame";

    inner.frame(130, 625, 100, 20).fail(Question::enabled, Failure::unsupported);
    EXPECT_EQ(tracker.current(false)->element, inner.element()) << "only a known false counts";
}

TEST_F(DesktopChat, EveryHintLabelTakesPart) {
    input.role(Role::textField).unset(Label::placeholder);
    EXPECT_FALSE(tracker.current(false)) << "a text field needs a hint";
    for (const Label label :
         {Label::placeholder, Label::description, Label::name, Label::identifier}) {
        input.label(label, "reply-box");
        EXPECT_TRUE(tracker.current(false)) << a11y::nameOf(a11y::questionOf(label));
        input.unset(label);
    }
    input.tag("reply");
    EXPECT_FALSE(tracker.current(false)) << "the tag name is no hint";
    input.identifier("prompt").name("Rename");
    EXPECT_FALSE(tracker.current(false)) << "a rejecting word in any hint wins";
}

TEST_F(DesktopChat, WithoutTheComposerFrameTheInputFrameIsUsedAndNothingIsLogged) {
    const auto target = tracker.current(false);
    ASSERT_TRUE(target);
    EXPECT_EQ(target->frame, Rect(120, 620, 560, 40));
    EXPECT_EQ(target->layoutElements, std::vector<a11y::Element>{input.element()});
    EXPECT_FALSE(tracker.lastPanelCount());
    EXPECT_EQ(sim.calls(Question::classes), 0) << "no layout walk";
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
    acceptsWaking(nameless);
    SimElement field =
        nameless.window("", Rect(0, 0, 500, 500)).child(Role::textArea).frame(10, 10, 100, 30);
    nameless.focus(field);
    sim.activate(nameless);
    EXPECT_EQ(tracker.current(false)->appName, "Chat");
}

TEST_F(DesktopChat, OneEvaluationNeverAsksTheSameQuestionTwice) {
    sim.resetCalls();
    ASSERT_TRUE(tracker.current(true));
    EXPECT_EQ(sim.ax().mostReadsOfOneQuestion(), 1);
    EXPECT_EQ(sim.ax().applicationCalls(), 1);
}

// The one application whose composer is a prompt group.
class OpenCode : public ::testing::Test {
protected:
    OpenCode() {
        acceptsWaking(app);
        sim.activate(app);
        app.focus(input);
    }

    SimDesktop sim;
    SimApp& app = sim.addApp(800, QString("ai.opencode.desktop"), QString("OpenCode"));
    SimElement group = app.window("OpenCode", Rect(0, 0, 1000, 800))
                           .child(Role::webDocument)
                           .child(Role::other)
                           .classes({"group/prompt-input"})
                           .frame(50, 650, 900, 120);
    SimElement input = group.child(Role::textArea).frame(60, 660, 880, 40);
    FocusTracker tracker{sim.accessibility(), sim.workspace(), sim.clock()};
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

    // Scripts the answer to a request to wake; success reveals the focused input.
    void answerWake(std::optional<Failure> failure) {
        app.element().onWake([this, failure]() -> Result<Done> {
            if (failure)
                return *failure;
            app.focus(input);
            return Done{};
        });
    }
    int wakes() const { return sim.calls(Question::wake); }
    int awakeChecks() const { return sim.calls(Question::isAwake); }
    QString activationLine(const char* result) const {
        return QStringLiteral("Accessibility activation: com.openai.chat wake result: ") + result;
    }

    LogCapture log;
    SimDesktop sim;
    SimApp& app = sim.addApp(900, kChatGPT, QString("ChatGPT"));
    SimElement input =
        app.window("ChatGPT", Rect(0, 0, 800, 600)).child(Role::textArea).frame(100, 500, 600, 40);
    FocusTracker tracker{sim.accessibility(), sim.workspace(), sim.clock()};
};

TEST_F(Activation, AcceptedWakeRevealsTheInputInTheSameEvaluation) {
    answerWake(std::nullopt);
    EXPECT_TRUE(tracker.current(true));
    EXPECT_EQ(tracker.accessibilityActivation().manual(), std::set<a11y::Pid>{900});
    EXPECT_EQ(tracker.accessibilityActivation().finished(), std::set<a11y::Pid>{900});
    EXPECT_EQ(log.count("tandrel.focus", activationLine("done")), 1);
}

TEST_F(Activation, NothingToWakeSettlesForGood) {
    // An application without the request is asked once, as is one that answers it unsupported.
    for (const bool scripted : {false, true}) {
        SCOPED_TRACE(scripted ? "answers unsupported" : "has no such request");
        SimDesktop desktop;
        SimApp& chat = desktop.addApp(900, kChatGPT, QString("ChatGPT"));
        if (scripted)
            chat.element().onWake([] { return Result<Done>(Failure::unsupported); });
        desktop.activate(chat);
        FocusTracker fresh(desktop.accessibility(), desktop.workspace(), desktop.clock());
        fresh.current(true);
        EXPECT_EQ(fresh.accessibilityActivation().finished(), std::set<a11y::Pid>{900});
        EXPECT_TRUE(fresh.accessibilityActivation().manual().empty());
        for (int i = 0; i < 30; ++i) {
            desktop.advance(1);
            fresh.current(true);
        }
        EXPECT_EQ(desktop.calls(Question::wake), 1);
        EXPECT_EQ(desktop.calls(Question::isAwake), 0);
    }
    EXPECT_EQ(log.count("tandrel.focus", activationLine("unsupported")), 2);
}

TEST_F(Activation, OtherFailuresAreRetriedAtFiveSecondsAndNotBefore) {
    for (const Failure failure : {Failure::noValue, Failure::notAnswering, Failure::gone}) {
        SCOPED_TRACE(nameOf(failure));
        sim.resetCalls();
        sim.advance(AccessibilityActivation::retryInterval);
        answerWake(failure);
        tracker.current(true);
        EXPECT_EQ(wakes(), 1);
        EXPECT_EQ(log.count("tandrel.focus", activationLine(nameOf(failure))), 1);

        sim.advance(4.999);
        tracker.current(true);
        EXPECT_EQ(wakes(), 1);
        sim.advance(0.001);
        tracker.current(true);
        EXPECT_EQ(wakes(), 2);
        EXPECT_TRUE(tracker.accessibilityActivation().finished().empty());
    }
}

TEST_F(Activation, WokenProcessIsRecheckedOnlyWhileItShowsNoFocus) {
    answerWake(std::nullopt);
    tracker.current(true);
    sim.resetCalls();

    sim.advance(10);
    tracker.current(true);
    EXPECT_EQ(awakeChecks() + wakes(), 0) << "it shows a focused element: nothing to check";

    // The application falls asleep again and loses its tree.
    app.clearFocus();
    app.element().awake(false);
    tracker.current(true);
    EXPECT_EQ(awakeChecks(), 1);
    EXPECT_EQ(wakes(), 1) << "found asleep, so woken again";
    EXPECT_TRUE(tracker.current(true)) << "the renewed tree shows the input";

    app.clearFocus();
    sim.advance(1);
    tracker.current(true);
    EXPECT_EQ(awakeChecks(), 1) << "checked at most every five seconds";
    sim.advance(4);
    tracker.current(true);
    EXPECT_EQ(awakeChecks(), 2);
    EXPECT_EQ(wakes(), 1) << "still awake: only checked";
}

TEST_F(Activation, EveryNewProcessIsActivatedAfresh) {
    answerWake(std::nullopt);
    tracker.current(true);
    SimApp& relaunched = sim.addApp(901, kChatGPT, QString("ChatGPT"));
    acceptsWaking(relaunched);
    sim.activate(relaunched);
    tracker.current(true);
    EXPECT_EQ(tracker.accessibilityActivation().finished(), (std::set<a11y::Pid>{900, 901}));
}

TEST(ChatTargetMatches, ComparesProcessElementAndPageOnly) {
    SimDesktop sim;
    SimApp& app = sim.addApp(1, QString("b"), QString("B"));
    SimElement input = app.window("w", Rect(0, 0, 10, 10)).child(Role::textArea);
    SimElement other = input.parent().child(Role::textArea);

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
    FocusTracker warm(desktop.accessibility(), desktop.workspace(), desktop.clock());

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
             replacement = scene.body.child(Role::textArea)
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
        FocusTracker fresh(desktop.accessibility(), desktop.workspace(), desktop.clock());
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
