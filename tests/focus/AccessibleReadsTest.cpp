// SPDX-License-Identifier: MIT
#include "app/focus/AX.h"
#include "platform/sim/SimDesktop.h"
#include "tests/support/QtPrinters.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using namespace tandrel;
using namespace tandrel::sim;
using Source = ComposerTextSnapshot::Source;

namespace {

class AXReads : public ::testing::Test {
protected:
    SimDesktop sim;
    SimApp& app = sim.addApp(200, QString("org.example.Editor"), QString("Editor"));
    SimElement window = app.window("Editor", Rect(0, 0, 1000, 800));
    SimElement field = window.child("AXTextArea").frame(10, 20, 300, 40);
    AX ax{sim.accessibility()};

    // n nested groups below `top`; result[0] is the outermost, result[n-1] the innermost.
    std::vector<SimElement> chain(SimElement top, int n) {
        std::vector<SimElement> result;
        for (int i = 0; i < n; ++i) {
            top = top.child("AXGroup");
            result.push_back(top);
        }
        return result;
    }
};

} // namespace

TEST_F(AXReads, FrameNeedsPositionAndStrictlyPositiveSize) {
    EXPECT_EQ(ax.frame(field), Rect(10, 20, 300, 40));

    field.frame(10, 20, 0, 40);
    EXPECT_FALSE(ax.frame(field));
    field.frame(10, 20, 300, 0);
    EXPECT_FALSE(ax.frame(field));
    field.frame(10, 20, -5, 40);
    EXPECT_FALSE(ax.frame(field));
    field.frame(10, 20, std::nan(""), 40);
    EXPECT_FALSE(ax.frame(field));

    field.frame(10, 20, 300, 40).set("AXPosition", Size{10, 20});
    EXPECT_FALSE(ax.frame(field)) << "a position of the wrong kind";
    field.unset("AXPosition").fail("AXSize", ax::kCannotComplete);
    EXPECT_FALSE(ax.frame(field));
}

TEST_F(AXReads, TypedReadsGiveEmptyResultsForOtherKinds) {
    field.set("AXTitle", ax::Number{3})
        .set("AXDescription", ax::AttributedString{"styled"})
        .set("AXHelp", "plain")
        .set("AXSelectedTextRange", Point{1, 2});
    EXPECT_EQ(ax.string(field, "AXTitle"), "");
    EXPECT_EQ(ax.string(field, "AXDescription"), "") << "attributed text is not a string here";
    EXPECT_EQ(ax.string(field, "AXHelp"), "plain");
    EXPECT_FALSE(ax.element(field, "AXHelp"));
    EXPECT_FALSE(ax.selection(field));
    EXPECT_FALSE(ax.boolean(field, "AXHelp"));

    field.selection(TextRange{2, 3});
    field.unset("AXSelectedTextRange");
    EXPECT_EQ(ax.selection(field), (TextRange{2, 3}));
}

TEST_F(AXReads, SnapshotOfAnEmptyInputStillHasBothRangeReadings) {
    field.text("");
    const ComposerTextSnapshot snapshot = ax.textSnapshot(field);
    EXPECT_EQ(snapshot.readings(), (ComposerTextSnapshot::Readings{
                                       {Source::stringForRange, ""},
                                       {Source::attributedStringForRange, ""},
                                       {Source::value, ""},
                                   }));
    EXPECT_TRUE(snapshot.isReadable());
}

TEST_F(AXReads, SnapshotAsksForAtMostOneMillionCharacters) {
    std::vector<ax::Value> asked;
    const auto answer = [&](const ax::Value& range) {
        asked.push_back(range);
        return ax::Reading{ax::kSuccess, QString("long text")};
    };
    field.onParameterized("AXStringForRange", answer)
        .onParameterized("AXAttributedStringForRange", answer)
        .set("AXValue", "long text");

    field.set("AXNumberOfCharacters", ax::Number{1000000});
    EXPECT_EQ(ax.textSnapshot(field).readings().size(), 3u);
    EXPECT_EQ(asked, (std::vector<ax::Value>{TextRange{0, 1000000}, TextRange{0, 1000000}}));

    asked.clear();
    field.set("AXNumberOfCharacters", ax::Number{1000001});
    EXPECT_EQ(ax.textSnapshot(field).readings(),
              (ComposerTextSnapshot::Readings{{Source::value, "long text"}}));
    EXPECT_TRUE(asked.empty());

    for (const ax::Value& odd : {ax::Value(ax::Number{-1}), ax::Value("12"), ax::Value()}) {
        field.set("AXNumberOfCharacters", odd);
        EXPECT_EQ(ax.textSnapshot(field).readings().size(), 1u);
    }
    EXPECT_TRUE(asked.empty());
}

TEST_F(AXReads, SnapshotDropsReadingsThatFailOrAreNotText) {
    field.text("hello")
        .onParameterized("AXStringForRange",
                         [](const ax::Value&) {
                             return ax::Reading{ax::kCannotComplete, {}};
                         })
        .onParameterized("AXAttributedStringForRange", [](const ax::Value&) {
            return ax::Reading{ax::kSuccess, ax::Number{5}};
        });
    EXPECT_EQ(ax.textSnapshot(field).readings(),
              (ComposerTextSnapshot::Readings{{Source::value, "hello"}}));

    field.set("AXValue", ax::AttributedString{"rich"});
    EXPECT_EQ(ax.textSnapshot(field).readings().at(Source::value), "rich");

    field.fail("AXValue", ax::kNoValue).fail("AXNumberOfCharacters", ax::kNoValue);
    EXPECT_FALSE(ax.textSnapshot(field).isReadable());
}

TEST_F(AXReads, SnapshotKeepsAttributedRangeReadingAsPlainCharacters) {
    field.text("a\nb");
    field.onParameterized("AXStringForRange", [](const ax::Value&) {
        return ax::Reading{ax::kSuccess, ax::AttributedString{"a\nb"}};
    });
    EXPECT_EQ(ax.textSnapshot(field).readings().at(Source::stringForRange), "a\nb");
    EXPECT_EQ(ax.textSnapshot(field).readings().at(Source::attributedStringForRange), "a\nb");
}

TEST_F(AXReads, WebURLAcceptsAnyCaseOfTheWebSchemesWithAHost) {
    SimElement web = window.child("AXWebArea").set("AXURL", "HTTPS://chatgpt.com/c/1");
    SimElement input = web.child("AXGroup").child("AXTextArea");
    ASSERT_TRUE(ax.webURL(input));
    EXPECT_EQ(ax.webURL(input)->host(), "chatgpt.com");

    web.set("AXURL", QUrl("http://example.com/"));
    EXPECT_EQ(ax.webURL(input), QUrl("http://example.com/"));
    web.set("AXURL", ax::Number{1});
    EXPECT_FALSE(ax.webURL(input));
}

TEST_F(AXReads, WebURLPassesOverPagesThatAreNotWebAddressesAndKeepsClimbing) {
    SimElement outer = window.child("AXWebArea").url("https://claude.ai/new");
    SimElement inner = outer.child("AXGroup").child("AXWebArea").url("file:///tmp/frame.html");
    SimElement input = inner.child("AXTextArea");
    EXPECT_EQ(ax.webURL(input), QUrl("https://claude.ai/new"));

    inner.set("AXURL", "http:no-host");
    EXPECT_EQ(ax.webURL(input), QUrl("https://claude.ai/new"));
    inner.set("AXURL", "not a url at all");
    EXPECT_EQ(ax.webURL(input), QUrl("https://claude.ai/new"));
}

TEST_F(AXReads, WebURLStopsAtTheWindowOrWhereTheParentIsMissing) {
    // A window nested inside a web area (as an embedded dialog would be) ends the walk.
    SimElement web = window.child("AXWebArea").url("https://chatgpt.com/");
    SimElement dialog = web.child("AXWindow");
    SimElement input = dialog.child("AXGroup").child("AXTextArea");
    EXPECT_FALSE(ax.webURL(input));

    SimElement orphaned = web.child("AXGroup").fail("AXParent", ax::kCannotComplete);
    EXPECT_FALSE(ax.webURL(orphaned.child("AXTextArea")));
}

TEST_F(AXReads, WebURLExaminesThirtyTwoElements) {
    // Elements counted from the start: the innermost is the 1st.
    const int n = 40;
    std::vector<SimElement> groups = chain(window, n);
    const SimElement& start = groups[n - 1];
    auto countedFromStart = [&](int k) { return groups[n - k]; };

    countedFromStart(35).role("AXWebArea").url("https://gemini.google.com/");
    EXPECT_FALSE(ax.webURL(start));

    countedFromStart(32).role("AXWebArea").url("https://chatgpt.com/");
    EXPECT_EQ(ax.webURL(start), QUrl("https://chatgpt.com/"));
}

TEST_F(AXReads, EvaluationRemembersReadsUntilAWriteOrItsEnd) {
    sim.resetCalls();
    {
        const AX::Evaluation evaluation(ax);
        ax.string(field, "AXRole");
        ax.string(field, "AXRole");
        ax.frame(field);
        ax.frame(field);
        EXPECT_EQ(sim.totalCalls(), 3);

        field.role("AXTextField");
        EXPECT_EQ(ax.string(field, "AXRole"), "AXTextArea") << "remembered within the scope";
        ax.set(app.element(), "AXManualAccessibility", ax::Boolean{true});
        EXPECT_EQ(ax.string(field, "AXRole"), "AXTextField") << "a write forgets";
    }
    EXPECT_EQ(ax.string(field, "AXRole"), "AXTextField");
    const int before = sim.calls("AXRole");
    ax.string(field, "AXRole");
    EXPECT_EQ(sim.calls("AXRole"), before + 1) << "nothing is remembered outside a scope";
}

// Passes reads on and records how the evaluation is bracketed.
class BracketRecorder final : public ax::Accessibility {
public:
    explicit BracketRecorder(ax::Accessibility& inner) : m_inner(inner) {}
    QStringList brackets;

    bool isProcessTrusted() override { return true; }
    bool isProcessTrustedWithPrompt(bool) override { return true; }
    ax::Element createApplication(ax::Pid pid) override { return m_inner.createApplication(pid); }
    ax::AXError setMessagingTimeout(const ax::Element&, float) override { return ax::kSuccess; }
    ax::Reading copyAttributeValue(const ax::Element& e, const QString& a) override {
        brackets.append(a);
        return m_inner.copyAttributeValue(e, a);
    }
    ax::Reading copyParameterizedAttributeValue(const ax::Element& e, const QString& a,
                                                const ax::Value& p) override {
        return m_inner.copyParameterizedAttributeValue(e, a, p);
    }
    ax::AXError setAttributeValue(const ax::Element&, const QString&, const ax::Value&) override {
        return ax::kSuccess;
    }
    ax::ObserverCreation createObserver(ax::Pid, ax::ObserverCallback) override { return {}; }
    void beginEvaluation() override { brackets.append("begin"); }
    void endEvaluation() override { brackets.append("end"); }

private:
    ax::Accessibility& m_inner;
};

TEST_F(AXReads, OnlyTheOutermostEvaluationIsBracketedForTheDesktop) {
    // The desktop shares answers between attributes inside the bracket; an evaluation that never
    // closed it would keep classes that the page changes without telling anyone.
    BracketRecorder recorder(sim.accessibility());
    const AX recorded(recorder);
    {
        const AX::Evaluation outer(recorded);
        {
            const AX::Evaluation inner(recorded);
            recorded.string(field, "AXRole");
        }
        recorded.string(field, "AXDescription");
    }
    recorded.string(field, "AXTitle");
    EXPECT_EQ(recorder.brackets,
              QStringList({"begin", "AXRole", "AXDescription", "end", "AXTitle"}));
}

TEST_F(AXReads, TextReadingsAskAfreshEvenWithinAnEvaluation) {
    // A paste lands between two snapshots of one insertion check; a remembered reading would
    // make the check compare the text with itself.
    field.text("before");
    const AX::Evaluation evaluation(ax);
    EXPECT_EQ(ax.textSnapshot(field).readings().at(Source::value), "before");
    EXPECT_EQ(ax.selection(field), (TextRange{6, 0}));

    field.text("before pasted");
    const ComposerTextSnapshot after = ax.textSnapshot(field);
    EXPECT_EQ(after.readings().at(Source::value), "before pasted");
    EXPECT_EQ(after.readings().at(Source::stringForRange), "before pasted");
    EXPECT_EQ(ax.selection(field), (TextRange{13, 0}));
}
