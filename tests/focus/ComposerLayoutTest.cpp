// SPDX-License-Identifier: MIT
#include "app/focus/AccessibleReads.h"
#include "platform/sim/SimDesktop.h"
#include "tests/support/QtPrinters.h"

#include <gtest/gtest.h>

using namespace tandrel;
using namespace tandrel::sim;
using a11y::Question;
using a11y::Role;

namespace {

const QString kBody = QStringLiteral("_ComposerLayoutBody_a1");

class ComposerLayoutWalk : public ::testing::Test {
protected:
    SimDesktop sim;
    SimApp& app = sim.addApp(500, QString("org.chromium.Chromium"), QString("Chromium"));
    SimElement window = app.window("Chat", Rect(0, 0, 1200, 900));
    SimElement web = window.child(Role::webDocument).url("https://chatgpt.com/");
    AccessibleReads reads{sim.accessibility()};

    std::optional<ComposerLayout> layout(const SimElement& input, bool openCode = false) {
        return reads.composerLayout(input, openCode);
    }
    static std::vector<a11y::Element> elements(std::initializer_list<SimElement> list) {
        std::vector<a11y::Element> result;
        for (const SimElement& e : list)
            result.push_back(e.element());
        return result;
    }
};

} // namespace

TEST_F(ComposerLayoutWalk, BodyWithARailBesideItGivesTheirUnionAndTheWalkedElements) {
    SimElement parent = web.child(Role::other).frame(0, 600, 1200, 200);
    SimElement rail = parent.child(Role::other).classes({"_rail_left"}).frame(60, 700, 40, 80);
    parent.child(Role::other).classes({"send"}).frame(600, 700, 40, 40);
    SimElement body = parent.child(Role::other).classes({"flex", kBody}).frame(100, 700, 400, 80);
    SimElement input = body.child(Role::textArea).frame(110, 710, 380, 30);

    const auto result = layout(input);
    ASSERT_TRUE(result);
    EXPECT_EQ(result->frame, Rect(60, 700, 440, 80));
    EXPECT_EQ(result->panelCount, 1);
    EXPECT_EQ(result->elements, elements({input, body, parent, rail}));
}

TEST_F(ComposerLayoutWalk, ApprovalDockInputIsItsOwnSurface) {
    SimElement body = web.child(Role::other).classes({kBody}).frame(0, 0, 900, 300);
    SimElement dock =
        body.child(Role::textArea).classes({"group/approval-dock"}).frame(5, 5, 50, 50);
    const auto result = layout(dock);
    ASSERT_TRUE(result);
    EXPECT_EQ(result->frame, Rect(5, 5, 50, 50));
    EXPECT_EQ(result->elements, elements({dock}));
    EXPECT_EQ(result->panelCount, 0);

    dock.noFrame();
    EXPECT_EQ(layout(dock)->frame, Rect(0, 0, 900, 300)) << "without a frame the walk goes on";
}

TEST_F(ComposerLayoutWalk, OpenCodeModeOnlyAcceptsThePromptGroup) {
    SimElement group =
        web.child(Role::other).classes({"group/prompt-input"}).frame(0, 500, 800, 90);
    SimElement body = group.child(Role::other).classes({kBody}).frame(10, 510, 780, 70);
    SimElement input = body.child(Role::textArea).frame(20, 520, 700, 30);

    const auto result = layout(input, true);
    ASSERT_TRUE(result);
    EXPECT_EQ(result->frame, Rect(0, 500, 800, 90));
    EXPECT_EQ(result->elements, elements({input, body, group}));
    EXPECT_EQ(result->panelCount, 0);

    group.noFrame();
    EXPECT_FALSE(layout(input, true)) << "a body alone is not enough in this mode";
    EXPECT_EQ(layout(input, false)->frame, Rect(10, 510, 780, 70));
}

TEST_F(ComposerLayoutWalk, FormServesAsBodyWhenNoBodyClassWasMet) {
    SimElement form = web.child(Role::form).frame(0, 600, 700, 100);
    SimElement input = form.child(Role::other).child(Role::textArea).frame(10, 610, 600, 30);
    EXPECT_EQ(layout(input)->frame, Rect(0, 600, 700, 100));

    form.role(Role::other).tag("FORM");
    EXPECT_EQ(layout(input)->frame, Rect(0, 600, 700, 100));
    form.tag("formula");
    EXPECT_FALSE(layout(input));
}

TEST_F(ComposerLayoutWalk, NoBodyAndNoFormUpToTheWindowGivesNothing) {
    SimElement input =
        web.child(Role::other).child(Role::other).child(Role::textArea).frame(0, 0, 9, 9);
    EXPECT_FALSE(layout(input));
}

TEST_F(ComposerLayoutWalk, ExaminesTheInputAndTwentyThreeAncestors) {
    // A body that is the 24th element counted from the input is found; the 25th is not.
    std::vector<SimElement> path; // path[0] is the outermost
    SimElement level = web;
    for (int i = 0; i < 25; ++i) {
        level = level.child(i == 24 ? Role::textArea : Role::other);
        path.push_back(level);
    }
    SimElement input = path[24];
    input.frame(0, 0, 10, 10);
    auto fromInput = [&](int k) { return path[25 - k]; };

    fromInput(25).classes({kBody}).frame(0, 0, 500, 100);
    EXPECT_FALSE(layout(input));
    fromInput(24).classes({kBody}).frame(0, 0, 400, 100);
    EXPECT_EQ(layout(input)->frame, Rect(0, 0, 400, 100));
}

TEST_F(ComposerLayoutWalk, ThePathItselfIsNeverAPanel) {
    SimElement outer = web.child(Role::other).frame(0, 0, 1000, 500);
    SimElement body = outer.child(Role::other).classes({kBody}).frame(100, 300, 500, 100);
    // The input's wrapper carries a rail class, but it is on the path, not beside it.
    SimElement wrapper = body.child(Role::other).classes({"_rail_wrap"}).frame(100, 300, 50, 100);
    SimElement input = wrapper.child(Role::textArea).frame(110, 310, 30, 30);

    const auto result = layout(input);
    ASSERT_TRUE(result);
    EXPECT_EQ(result->panelCount, 0);
    EXPECT_EQ(result->frame, Rect(100, 300, 500, 100));
}

TEST_F(ComposerLayoutWalk, PanelsNeedAFrameAndTopTraysCountLikeRails) {
    SimElement parent = web.child(Role::other);
    parent.child(Role::other).classes({"_ComposerTopMenuShell_q"}).frame(100, 640, 400, 40);
    parent.child(Role::other).classes({"_rail_hidden"});
    parent.child(Role::other).classes({"x_rail_"}).frame(0, 0, 5000, 5000);
    SimElement body = parent.child(Role::other).classes({kBody}).frame(100, 680, 400, 80);
    SimElement input = body.child(Role::textArea).frame(110, 690, 380, 30);

    const auto result = layout(input);
    ASSERT_TRUE(result);
    EXPECT_EQ(result->panelCount, 1);
    EXPECT_EQ(result->frame, Rect(100, 640, 400, 120));
}

TEST_F(ComposerLayoutWalk, HigherBodyReplacesTheBodyAndKeepsThePanelsFound) {
    SimElement outerBody = web.child(Role::other).classes({kBody}).frame(50, 600, 900, 200);
    SimElement middle = outerBody.child(Role::other);
    SimElement rail = middle.child(Role::other).classes({"_rail_r"}).frame(960, 650, 30, 30);
    SimElement innerBody = middle.child(Role::other).classes({kBody}).frame(100, 650, 400, 80);
    SimElement input = innerBody.child(Role::textArea).frame(110, 660, 380, 30);

    const auto result = layout(input);
    ASSERT_TRUE(result);
    EXPECT_EQ(result->frame, Rect(50, 600, 940, 200));
    EXPECT_EQ(result->panelCount, 1);
    EXPECT_EQ(result->elements, elements({input, innerBody, middle, rail, outerBody}));
}

TEST_F(ComposerLayoutWalk, HigherBodyWithoutAFrameRearmsTheSearch) {
    SimElement outerBody = web.child(Role::other).classes({kBody});
    SimElement innerBody = outerBody.child(Role::other).classes({kBody}).frame(100, 650, 400, 80);
    SimElement input = innerBody.child(Role::textArea).frame(110, 660, 380, 30);
    EXPECT_FALSE(layout(input));

    outerBody.role(Role::form).frame(0, 600, 800, 200);
    EXPECT_EQ(layout(input)->frame, Rect(0, 600, 800, 200)) << "unless it is a form with a frame";
}

TEST_F(ComposerLayoutWalk, ThreadScrollContainerEndsTheWalkWithoutContributing) {
    SimElement body = web.child(Role::other).classes({kBody}).frame(0, 0, 800, 600);
    SimElement thread = body.child(Role::other).classes({"thread-scroll-container"});
    SimElement input = thread.child(Role::other).child(Role::textArea).frame(0, 0, 10, 10);
    EXPECT_FALSE(layout(input));
}

TEST_F(ComposerLayoutWalk, UnansweredQuestionsCountAsEmpty) {
    SimElement body = web.child(Role::other).classes({kBody}).frame(100, 650, 400, 80);
    SimElement input = body.child(Role::textArea).frame(110, 660, 380, 30);
    body.fail(Question::children, Failure::notAnswering);
    input.fail(Question::role, Failure::notAnswering).fail(Question::classes, Failure::noValue);
    EXPECT_EQ(layout(input)->frame, Rect(100, 650, 400, 80));

    input.fail(Question::parent, Failure::gone);
    EXPECT_FALSE(layout(input));
}
