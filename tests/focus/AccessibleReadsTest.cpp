// SPDX-License-Identifier: MIT
#include "app/focus/AccessibleReads.h"
#include "platform/sim/SimDesktop.h"
#include "tests/support/QtPrinters.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace tandrel;
using namespace tandrel::sim;
using a11y::Question;
using a11y::Role;

namespace {

class Reads : public ::testing::Test {
protected:
    SimDesktop sim;
    SimApp& app = sim.addApp(200, QString("org.example.Editor"), QString("Editor"));
    SimElement window = app.window("Editor", Rect(0, 0, 1000, 800));
    SimElement field = window.child(Role::textArea).frame(10, 20, 300, 40);
    AccessibleReads reads{sim.accessibility()};

    // n nested elements below `top`; result[0] is the outermost, result[n-1] the innermost.
    std::vector<SimElement> chain(SimElement top, int n) {
        std::vector<SimElement> result;
        for (int i = 0; i < n; ++i) {
            top = top.child(Role::other);
            result.push_back(top);
        }
        return result;
    }
};

} // namespace

TEST_F(Reads, FrameNeedsAStrictlyPositiveSize) {
    EXPECT_EQ(reads.frame(field), Rect(10, 20, 300, 40));

    for (const Rect& degenerate : {Rect(10, 20, 0, 40), Rect(10, 20, 300, 0), Rect(10, 20, -5, 40),
                                   Rect(10, 20, std::nan(""), 40)}) {
        field.frame(degenerate);
        EXPECT_FALSE(reads.frame(field)) << degenerate.width() << "x" << degenerate.height();
    }
    field.noFrame();
    EXPECT_FALSE(reads.frame(field));
}

TEST_F(Reads, EveryFailureIsAnEmptyAnswerAndOnlyAMissingReplyIsCounted) {
    field.name("Notes").editable(true);
    for (const Failure failure :
         {Failure::unsupported, Failure::noValue, Failure::notAnswering, Failure::gone}) {
        SCOPED_TRACE(nameOf(failure));
        field.fail(Question::role, failure)
            .fail(Question::name, failure)
            .fail(Question::editable, failure)
            .fail(Question::parent, failure);
        const int before = reads.unansweredReads();
        EXPECT_FALSE(reads.role(field));
        EXPECT_EQ(reads.label(field, a11y::Label::name), "");
        EXPECT_FALSE(reads.state(field, a11y::State::editable));
        EXPECT_FALSE(reads.parent(field));
        EXPECT_EQ(reads.unansweredReads() - before, failure == Failure::notAnswering ? 4 : 0);
    }

    // Within an evaluation a remembered missing reply counts again: whatever answer is built on
    // it rests on it just the same.
    field.fail(Question::role, Failure::notAnswering);
    const AccessibleReads::Evaluation evaluation(reads);
    const int before = reads.unansweredReads();
    reads.role(field);
    reads.role(field);
    EXPECT_EQ(sim.ax().readsOn(field, Question::role), 5);
    EXPECT_EQ(reads.unansweredReads() - before, 2);
}

TEST_F(Reads, TextSnapshotIsReadableOnlyWhenTheInputAnswers) {
    field.text("");
    EXPECT_EQ(reads.textSnapshot(field).text(), QString()) << "an empty input did answer";
    EXPECT_TRUE(reads.textSnapshot(field).isReadable());

    field.text("hello").selection(TextRange{1, 3});
    EXPECT_EQ(reads.text(field), (a11y::TextContent{"hello", TextRange{1, 3}}));

    field.fail(Question::text, Failure::noValue);
    EXPECT_FALSE(reads.textSnapshot(field).isReadable());
    EXPECT_FALSE(reads.text(field));
}

TEST_F(Reads, TextIsReadAfreshEvenWithinAnEvaluation) {
    // A paste lands between two snapshots of one insertion check; a remembered reading would
    // make the check compare the text with itself.
    field.text("before");
    const AccessibleReads::Evaluation evaluation(reads);
    EXPECT_EQ(reads.textSnapshot(field).text(), "before");
    EXPECT_EQ(reads.text(field)->selection, (TextRange{6, 0}));

    field.text("before pasted");
    EXPECT_EQ(reads.textSnapshot(field).text(), "before pasted");
    EXPECT_EQ(reads.text(field)->selection, (TextRange{13, 0}));
}

TEST_F(Reads, WebURLAcceptsAnyCaseOfTheWebSchemesWithAHost) {
    SimElement web = window.child(Role::webDocument).url("HTTPS://chatgpt.com/c/1");
    SimElement input = web.child(Role::other).child(Role::textArea);
    ASSERT_TRUE(reads.webURL(input));
    EXPECT_EQ(reads.webURL(input)->host(), "chatgpt.com");

    web.url("http://example.com/");
    EXPECT_EQ(reads.webURL(input), QUrl("http://example.com/"));
    web.fail(Question::address, Failure::noValue);
    EXPECT_FALSE(reads.webURL(input));
}

TEST_F(Reads, WebURLPassesOverPagesThatAreNotWebAddressesAndKeepsClimbing) {
    SimElement outer = window.child(Role::webDocument).url("https://claude.ai/new");
    SimElement inner =
        outer.child(Role::other).child(Role::webDocument).url("file:///tmp/frame.html");
    SimElement input = inner.child(Role::textArea);
    EXPECT_EQ(reads.webURL(input), QUrl("https://claude.ai/new"));

    for (const char* address : {"http:no-host", "not a url at all"}) {
        inner.url(address);
        EXPECT_EQ(reads.webURL(input), QUrl("https://claude.ai/new")) << address;
    }
    inner.fail(Question::address, Failure::unsupported);
    EXPECT_EQ(reads.webURL(input), QUrl("https://claude.ai/new"));
    // Addresses belong to web documents only: one on another element is not looked at.
    inner.unfail(Question::address).role(Role::other).url("https://chatgpt.com/");
    EXPECT_EQ(reads.webURL(input), QUrl("https://claude.ai/new"));
}

TEST_F(Reads, WebURLStopsAtAWindowOrWhereTheParentIsMissing) {
    // A window nested inside a web document (as an embedded dialog would be) ends the walk.
    SimElement web = window.child(Role::webDocument).url("https://chatgpt.com/");
    SimElement dialog = web.child(Role::window);
    SimElement input = dialog.child(Role::other).child(Role::textArea);
    EXPECT_FALSE(reads.webURL(input));
    dialog.role(Role::dialog);
    EXPECT_EQ(reads.webURL(input), QUrl("https://chatgpt.com/")) << "a page's dialog does not";

    SimElement orphaned = web.child(Role::other).fail(Question::parent, Failure::notAnswering);
    EXPECT_FALSE(reads.webURL(orphaned.child(Role::textArea)));
}

TEST_F(Reads, WebURLExaminesThirtyTwoElements) {
    // Elements counted from the start: the innermost is the 1st.
    const int n = 40;
    std::vector<SimElement> levels = chain(window, n);
    const SimElement& start = levels[n - 1];
    auto countedFromStart = [&](int k) { return levels[n - k]; };

    countedFromStart(33).role(Role::webDocument).url("https://gemini.google.com/");
    EXPECT_FALSE(reads.webURL(start));

    countedFromStart(32).role(Role::webDocument).url("https://chatgpt.com/");
    EXPECT_EQ(reads.webURL(start), QUrl("https://chatgpt.com/"));
}

TEST_F(Reads, EvaluationRemembersAnswersUntilAWakeOrItsEnd) {
    app.element().onWake([] { return Result<Done>(Done{}); });
    sim.resetCalls();
    {
        const AccessibleReads::Evaluation evaluation(reads);
        reads.role(field);
        reads.role(field);
        reads.frame(field);
        reads.frame(field);
        EXPECT_EQ(sim.totalCalls(), 2);

        field.role(Role::textField);
        EXPECT_EQ(reads.role(field), Role::textArea) << "remembered within the scope";
        EXPECT_TRUE(reads.wake(app.element()).ok());
        EXPECT_EQ(reads.role(field), Role::textField) << "waking forgets";
    }
    field.role(Role::other);
    EXPECT_EQ(reads.role(field), Role::other) << "the scope's end forgets";
    const int before = sim.calls(Question::role);
    reads.role(field);
    EXPECT_EQ(sim.calls(Question::role), before + 1) << "nothing is remembered outside a scope";
}

namespace {

// Passes every question on and records how the evaluation is bracketed among them.
class BracketRecorder final : public a11y::Accessibility {
public:
    explicit BracketRecorder(a11y::Accessibility& inner) : m_inner(inner) {}
    QStringList events;

    bool isTrusted() override { return m_inner.isTrusted(); }
    bool askForTrust() override { return m_inner.askForTrust(); }
    a11y::Element application(a11y::Pid pid) override { return m_inner.application(pid); }
    void setReplyTimeout(std::chrono::milliseconds timeout) override {
        m_inner.setReplyTimeout(timeout);
    }
    Result<Role> role(const a11y::Element& e) override {
        events.append("role");
        return m_inner.role(e);
    }
    Result<QString> label(const a11y::Element& e, a11y::Label label) override {
        events.append(a11y::nameOf(a11y::questionOf(label)));
        return m_inner.label(e, label);
    }
    Result<QStringList> classes(const a11y::Element& e) override { return m_inner.classes(e); }
    Result<bool> state(const a11y::Element& e, a11y::State state) override {
        return m_inner.state(e, state);
    }
    Result<Rect> frame(const a11y::Element& e) override { return m_inner.frame(e); }
    Result<a11y::Element> parent(const a11y::Element& e) override { return m_inner.parent(e); }
    Result<std::vector<a11y::Element>> children(const a11y::Element& e) override {
        return m_inner.children(e);
    }
    Result<a11y::Element> window(const a11y::Element& e) override { return m_inner.window(e); }
    Result<a11y::Element> focusedElement(const a11y::Element& application) override {
        return m_inner.focusedElement(application);
    }
    Result<QUrl> address(const a11y::Element& e) override { return m_inner.address(e); }
    Result<a11y::TextContent> text(const a11y::Element& e, bool withSelection) override {
        return m_inner.text(e, withSelection);
    }
    Result<bool> isAwake(const a11y::Element& application) override {
        return m_inner.isAwake(application);
    }
    Result<Done> wake(const a11y::Element& application) override {
        return m_inner.wake(application);
    }
    Result<std::unique_ptr<a11y::Observer>> observe(a11y::Pid pid,
                                                    a11y::ObserverCallback callback) override {
        return m_inner.observe(pid, std::move(callback));
    }
    void beginEvaluation() override { events.append("begin"); }
    void endEvaluation() override { events.append("end"); }

private:
    a11y::Accessibility& m_inner;
};

} // namespace

TEST_F(Reads, OnlyTheOutermostEvaluationIsBracketedForTheDesktop) {
    // The desktop shares answers between questions inside the bracket; an evaluation that never
    // closed it would keep classes that the page changes without telling anyone.
    BracketRecorder recorder(sim.accessibility());
    const AccessibleReads recorded(recorder);
    {
        const AccessibleReads::Evaluation outer(recorded);
        {
            const AccessibleReads::Evaluation inner(recorded);
            recorded.role(field);
        }
        recorded.label(field, a11y::Label::description);
    }
    recorded.label(field, a11y::Label::name);
    EXPECT_EQ(recorder.events, QStringList({"begin", "role", "description", "end", "name"}));
}
