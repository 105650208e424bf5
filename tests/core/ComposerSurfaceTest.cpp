// SPDX-License-Identifier: MIT
#include "core/ComposerSurface.h"

#include <gtest/gtest.h>

using namespace tandrel;

TEST(SurfaceClasses, ExactClassesNeedTheWholeName) {
    EXPECT_TRUE(ComposerSurface::isOpenCodePrompt({"flex", "group/prompt-input"}));
    EXPECT_FALSE(ComposerSurface::isOpenCodePrompt({"group/prompt-input-x"}));
    EXPECT_FALSE(ComposerSurface::isOpenCodePrompt({}));
    EXPECT_TRUE(ComposerSurface::isApprovalDock({"group/approval-dock"}));
    EXPECT_FALSE(ComposerSurface::isApprovalDock({"Group/approval-dock"}));
}

TEST(SurfaceClasses, PrefixClassesMatchGeneratedSuffixesOnlyAtTheStart) {
    EXPECT_TRUE(ComposerSurface::isBody({"x", "_ComposerLayoutBody_a1b2"}));
    EXPECT_TRUE(ComposerSurface::isBody({"_ComposerLayoutBody_"}));
    EXPECT_FALSE(ComposerSurface::isBody({"_composerLayoutBody_a1"}));
    EXPECT_TRUE(ComposerSurface::isRail({"_rail_x9"}));
    EXPECT_FALSE(ComposerSurface::isRail({"left_rail_x9"}));
    EXPECT_FALSE(ComposerSurface::isRail({}));
    EXPECT_TRUE(ComposerSurface::isTopTray({"_ComposerTopMenuShell_z"}));
    EXPECT_FALSE(ComposerSurface::isTopTray({"_ComposerTopMenu"}));
}

TEST(SurfaceForm, FormRoleOrTagNameInAnyCase) {
    using a11y::Role;
    EXPECT_TRUE(ComposerSurface::isForm(Role::form, ""));
    EXPECT_TRUE(ComposerSurface::isForm(Role::other, "FORM"));
    EXPECT_TRUE(ComposerSurface::isForm(Role::other, "form"));
    EXPECT_FALSE(ComposerSurface::isForm(Role::other, "formset"));
    EXPECT_FALSE(ComposerSurface::isForm(Role::dialog, "div"));
}

TEST(SurfaceAnchor, UnitesTheBodyWithItsPanels) {
    const Rect body(100, 500, 400, 80);
    EXPECT_EQ(ComposerSurface::anchor(body, {}), body);
    EXPECT_EQ(ComposerSurface::anchor(body, {Rect(60, 500, 40, 80)}), Rect(60, 500, 440, 80));
    // A tray above and a rail to the right, one of them given with negative sizes.
    EXPECT_EQ(ComposerSurface::anchor(body, {Rect(100, 440, 400, 60), Rect(540, 580, -40, -80)}),
              Rect(100, 440, 440, 140));
}

TEST(SurfaceAnchor, NullRectanglesTakeNoPart) {
    const Rect body(10, 20, 30, 40);
    EXPECT_EQ(ComposerSurface::anchor(body, {Rect::null(), Rect::null()}), body);
    EXPECT_EQ(ComposerSurface::anchor(Rect::null(), {Rect(1, 2, 3, 4)}), Rect(1, 2, 3, 4));
}
