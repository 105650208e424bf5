// SPDX-License-Identifier: MIT
#include "app/palette/PaletteController.h"
#include "platform/sim/SimScreens.h"
#include "tests/support/QtPrinters.h"

#include <gtest/gtest.h>

#include <map>

using namespace tandrel;
using tandrel::sim::SimScreens;

namespace tandrel {
inline void PrintTo(const Rect& r, std::ostream* os) {
    *os << '(' << r.x() << ", " << r.y() << ", " << r.width() << ", " << r.height() << ')';
}
} // namespace tandrel

namespace {

// Remembers what the controller told it; button titles name their intrinsic widths.
class RecordingView final : public PaletteView {
public:
    void setActions(Actions a) override { actions = std::move(a); }
    double intrinsicButtonWidth(const QString& title) override { return widths.at(title); }
    void setPromptButtons(const std::vector<PromptButtonContent>& b,
                          const std::optional<StripHint>& h) override {
        buttons = b;
        hint = h;
    }
    void setPromptButtonsEnabled(bool enabled) override { buttonsEnabled = enabled; }
    void applyLayout(const PaletteLayout& l) override { layout = l; }
    void setOverflowMenu(const std::optional<OverflowMenu>& m) override {
        menu = m;
        ++menuChanges;
    }
    void setOverflowItemsEnabled(bool enabled) override {
        ASSERT_TRUE(menu.has_value());
        for (OverflowItem& item : menu->items)
            item.enabled = enabled;
    }
    void setWindowFrame(const Rect& f) override {
        frame = f;
        ++frameChanges;
    }
    void setWindowVisible(bool v) override {
        visible = v;
        ++visibilityChanges;
    }

    std::map<QString, double> widths;
    Actions actions;
    std::vector<PromptButtonContent> buttons;
    std::optional<StripHint> hint;
    bool buttonsEnabled = true;
    PaletteLayout layout;
    std::optional<OverflowMenu> menu;
    int menuChanges = 0;
    Rect frame;
    int frameChanges = 0;
    bool visible = false;
    int visibilityChanges = 0;
};

Prompt prompt(const QString& title) {
    return Prompt(QUuid::createUuid(), title, QStringLiteral("Text of ") + title);
}

class Palette : public ::testing::Test {
protected:
    Palette() {
        view.widths = {{"Sixty", 60}, {"Hundred", 100}, {"Two hundred", 200},
                       {"Tiny", 20},  {"Huge", 300},    {"Short", 30}};
        QObject::connect(&palette, &PaletteController::promptChosen,
                         [this](const Prompt& p) { sent.push_back(p.title); });
    }
    // Three buttons 72, 112 and 156 wide at 0, 78 and 196: preferred width 434.
    void rebuildThree() {
        palette.rebuild(
            Configuration({prompt("Sixty"), prompt("Hundred"), prompt("Two hundred words long")}));
    }

    SimScreens screens;
    RecordingView view;
    PaletteController palette{screens, view};
    std::vector<QString> sent;
};

TEST_F(Palette, ButtonWidthsAreClampedAndPlacedOnOneLine) {
    palette.rebuild(Configuration({prompt("Tiny"), prompt("Huge")}));
    ASSERT_EQ(palette.rows().size(), 2u);
    EXPECT_EQ(palette.rows()[0].frame, Rect(0, 0, 66, 28));
    EXPECT_EQ(palette.rows()[1].frame, Rect(72, 0, 156, 28));

    rebuildThree();
    const std::vector<Rect> expected{Rect(0, 0, 72, 28), Rect(78, 0, 112, 28),
                                     Rect(196, 0, 156, 28)};
    ASSERT_EQ(view.buttons.size(), 3u);
    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(palette.rows()[i].frame, expected[i]);
        EXPECT_EQ(view.buttons[i].frame, expected[i]);
    }
    EXPECT_EQ(palette.preferredWidth(), 434);
    EXPECT_EQ(view.buttons[2].title, "Two hundred"); // the first two words
    EXPECT_FALSE(view.hint.has_value());
    // Laid out at the width the buttons want.
    EXPECT_EQ(palette.frame().size, (Size{434, 44}));
}

TEST_F(Palette, NoPromptsShowTheHintAndNoOverflow) {
    palette.rebuild(Configuration());
    EXPECT_TRUE(palette.rows().empty());
    ASSERT_TRUE(view.hint.has_value());
    EXPECT_EQ(view.hint->text, "Add a prompt →");
    EXPECT_EQ(view.hint->frame, Rect(4, 5, 118, 18));
    EXPECT_EQ(palette.preferredWidth(), 204);
    // Narrower than preferred, yet there is nothing to overflow.
    palette.layout(120);
    EXPECT_TRUE(view.layout.moreHidden);
    EXPECT_FALSE(palette.overflowMenu().has_value());
}

TEST_F(Palette, LayoutAtWorkedWidths) {
    rebuildThree();
    struct Case {
        double width;
        bool message;
        double strip;
        std::vector<int> hidden;
        bool moreShown;
        Rect more;
    };
    const Case cases[] = {
        {434, false, 352, {}, false, Rect(8 + 352 + 6, 8, 54, 28)},
        {300, false, 158, {1, 2}, true, Rect(86, 8, 54, 28)},
        {120, false, 0, {0, 1, 2}, true, Rect(8, 8, 54, 28)},
        {434, true, 352, {}, false, Rect(8 + 352 + 6, 8, 54, 28)},
        {300, true, 158, {1, 2}, true, Rect(86, 8, 54, 28)},
        // Narrower than the fixed controls: an empty strip.
        {60, false, 0, {0, 1, 2}, true, Rect(8, 8, 54, 28)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "width " << c.width << " message " << c.message);
        palette.status(c.message ? std::optional<QString>("Sent.") : std::nullopt, false);
        palette.layout(c.width);
        const double lift = c.message ? 20 : 0;
        const PaletteLayout& l = view.layout;
        EXPECT_EQ(palette.frame().size, (Size{c.width, 44 + lift}));
        EXPECT_EQ(l.content, (Size{c.width, 44 + lift}));
        EXPECT_EQ(l.strip, Rect(8, 8, c.strip, 28));
        EXPECT_EQ(palette.overflowIndices(), c.hidden);
        for (int i = 0; i < 3; ++i) {
            const bool hidden = std::count(c.hidden.begin(), c.hidden.end(), i) > 0;
            EXPECT_EQ(l.buttonHidden[static_cast<std::size_t>(i)], hidden) << "button " << i;
        }
        EXPECT_EQ(l.moreHidden, !c.moreShown);
        EXPECT_EQ(l.more, c.more);
        EXPECT_EQ(l.edit, Rect(c.width - 66, 10, 24, 24));
        EXPECT_EQ(l.close, Rect(c.width - 34, 10, 24, 24));
        EXPECT_EQ(l.statusHidden, !c.message);
        // 7 points above the bottom edge.
        EXPECT_EQ(l.status, Rect(12, 44 + lift - 7 - 16, c.width - 24, 16));
    }
}

TEST_F(Palette, OverflowMenuListsHiddenButtonsAndIsReplacedOnlyWhenTheyChange) {
    rebuildThree();
    const int before = view.menuChanges;
    palette.layout(300);
    ASSERT_TRUE(view.menu.has_value());
    EXPECT_EQ(view.menu->title, "More");
    const std::vector<OverflowItem> expected{
        {"Hundred", "Text of Hundred", 1, true},
        {"Two hundred", "Text of Two hundred words long", 2, true},
    };
    EXPECT_EQ(view.menu->items, expected);
    EXPECT_EQ(view.menuChanges, before + 1);

    // Same hidden buttons at another width, and a status call: the open menu stays.
    palette.layout(310);
    palette.status(QStringLiteral("Sent."), false);
    EXPECT_EQ(view.menuChanges, before + 1);

    palette.layout(434);
    EXPECT_EQ(view.menuChanges, before + 2);
    ASSERT_TRUE(view.menu.has_value());
    EXPECT_TRUE(view.menu->items.empty());

    // A rebuild drops the menu until the next layout decides again.
    palette.rebuild(Configuration({prompt("Sixty")}));
    EXPECT_TRUE(palette.overflowIndices().empty());
}

TEST_F(Palette, StatusLineAndBusy) {
    rebuildThree();
    palette.layout(300);

    palette.status(QStringLiteral("Prompt inserted. Press Return to send."), false);
    EXPECT_EQ(palette.frame().size, (Size{300, 64}));
    EXPECT_FALSE(view.layout.statusHidden);
    EXPECT_EQ(view.layout.statusText, "Prompt inserted. Press Return to send.");

    palette.status(std::nullopt, false);
    EXPECT_EQ(palette.frame().size, (Size{300, 44}));
    EXPECT_TRUE(view.layout.statusHidden);

    // Busy hides whatever message comes with it and disables every way to send.
    palette.status(QStringLiteral("ignored"), true);
    EXPECT_FALSE(palette.message().has_value());
    EXPECT_TRUE(view.layout.statusHidden);
    EXPECT_FALSE(view.buttonsEnabled);
    EXPECT_FALSE(view.layout.moreEnabled);
    for (const OverflowItem& item : view.menu->items)
        EXPECT_FALSE(item.enabled);
    for (const auto& row : palette.rows())
        EXPECT_FALSE(row.enabled);

    palette.status(std::nullopt, false);
    EXPECT_TRUE(view.buttonsEnabled);
    EXPECT_TRUE(view.layout.moreEnabled);
    for (const OverflowItem& item : view.menu->items)
        EXPECT_TRUE(item.enabled);

    palette.status(QStringLiteral("Could not insert."), false);
    palette.rebuild(Configuration({prompt("Sixty")}));
    EXPECT_FALSE(palette.message().has_value());
    EXPECT_EQ(palette.frame().height(), 44);
}

TEST_F(Palette, PressesReachTheOwnerOnlyWhenTheyMayInsert) {
    rebuildThree();
    palette.layout(120);
    view.actions.promptPressed(1);
    view.actions.overflowChosen(2);
    EXPECT_EQ(sent, (std::vector<QString>{"Hundred", "Two hundred words long"}));

    sent.clear();
    for (int tag : {-1, 3, 1 << 30})
        view.actions.overflowChosen(tag);
    palette.status(std::nullopt, true);
    view.actions.overflowChosen(0);
    EXPECT_TRUE(sent.empty());

    // Dismissal hides the window before the owner hears of it.
    palette.orderFrontRegardless();
    bool hiddenWhenTold = false;
    QObject::connect(&palette, &PaletteController::dismissed,
                     [&] { hiddenWhenTold = !palette.isVisible() && !view.visible; });
    view.actions.dismissPressed();
    EXPECT_TRUE(hiddenWhenTold);

    int edits = 0;
    QObject::connect(&palette, &PaletteController::editChosen, [&] { ++edits; });
    view.actions.editPressed();
    EXPECT_EQ(edits, 1);
}

TEST(PaletteLifetime, ThePressesOfAViewThatOutlivesItsControllerDoNothing) {
    SimScreens screens;
    RecordingView view;
    view.widths = {{"Sixty", 60}};
    {
        PaletteController palette(screens, view);
        palette.rebuild(Configuration({prompt("Sixty")}));
        QObject::connect(&palette, &PaletteController::promptChosen,
                         [](const Prompt&) { FAIL() << "controller is gone"; });
    }
    EXPECT_FALSE(view.actions.promptPressed);
    EXPECT_FALSE(view.actions.dismissPressed);
}

struct Placement {
    const char* name;
    std::vector<ScreenGeometry> screens;
    std::vector<QString> prompts;
    Rect composer;
    Rect expected;
};

// A panel takes the top 25 points.
const ScreenGeometry kLaptop{Rect(0, 0, 1440, 900), Rect(0, 25, 1440, 875), 1};
// A second screen to the right, its top level with the first one's.
const ScreenGeometry kRight{Rect(1440, 0, 1920, 1080), Rect(1440, 0, 1920, 1080), 1};

class PalettePlacement : public Palette, public ::testing::WithParamInterface<Placement> {};

TEST_P(PalettePlacement, PlacesTheWindowAboveTheComposer) {
    const Placement& p = GetParam();
    screens.setScreens(p.screens);
    if (p.screens.empty())
        screens.setMainScreen(kLaptop);
    std::vector<Prompt> prompts;
    for (const QString& title : p.prompts)
        prompts.push_back(prompt(title));
    palette.rebuild(Configuration(prompts));
    palette.show(p.composer);
    EXPECT_EQ(palette.frame(), p.expected);
    EXPECT_EQ(view.frame, p.expected);
    EXPECT_TRUE(palette.isVisible());
    EXPECT_TRUE(view.visible);
}

const std::vector<QString> kThree{"Sixty", "Hundred", "Two hundred"};

// The composer's top edge is at 700 in most cases: the palette's is 44 + 10 points above it.
INSTANTIATE_TEST_SUITE_P(
    Worked, PalettePlacement,
    ::testing::Values(
        Placement{"Above", {kLaptop}, kThree, Rect(400, 700, 600, 80), Rect(483, 646, 434, 44)},
        // No room above (the usable area starts at 33): below the composer.
        Placement{"Below", {kLaptop}, kThree, Rect(400, 30, 600, 80), Rect(483, 120, 434, 44)},
        Placement{
            "NarrowComposer", {kLaptop}, kThree, Rect(400, 700, 100, 80), Rect(360, 646, 180, 44)},
        Placement{"OneShortPrompt",
                  {kLaptop},
                  {"Short"},
                  Rect(400, 700, 600, 80),
                  Rect(626, 646, 148, 44)},
        Placement{"RightEdge",
                  {kLaptop},
                  kThree,
                  Rect(1000, 700, 600, 80),
                  Rect(1432 - 434, 646, 434, 44)},
        // Outside every screen: clamped into the first one's usable area.
        Placement{"Offscreen", {kLaptop}, kThree, Rect(-900, -900, 300, 80), Rect(8, 33, 300, 44)},
        // Most of it on the right screen.
        Placement{"TwoScreens",
                  {kLaptop, kRight},
                  kThree,
                  Rect(1400, 700, 600, 80),
                  Rect(1700 - 217, 646, 434, 44)},
        Placement{"EqualOverlapKeepsTheFirst",
                  {kLaptop, kRight},
                  kThree,
                  Rect(1140, 700, 600, 80),
                  Rect(1432 - 434, 646, 434, 44)},
        // Only a main screen: its usable area holds the palette.
        Placement{"OnlyMainScreen", {}, kThree, Rect(400, -124, 600, 80), Rect(483, 33, 434, 44)}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(Palette, ShowDoesNothingWithoutAnyScreen) {
    screens.setScreens({});
    rebuildThree();
    const int frames = view.frameChanges;
    palette.show(Rect(400, 700, 600, 80));
    EXPECT_FALSE(palette.isVisible());
    EXPECT_EQ(view.frameChanges, frames);
}

TEST_F(Palette, RepeatedShowsChangeNothingUntilSomethingMoves) {
    rebuildThree();
    const Rect composer(400, 700, 600, 80);
    palette.show(composer);
    const int frames = view.frameChanges;
    const int orders = view.visibilityChanges;
    const int menus = view.menuChanges;
    palette.show(composer);
    palette.show(composer);
    EXPECT_EQ(view.frameChanges, frames);
    EXPECT_EQ(view.visibilityChanges, orders);
    EXPECT_EQ(view.menuChanges, menus);

    // A status message grows the window upwards, away from the composer; the next show places
    // it again.
    palette.status(QStringLiteral("Sent."), false);
    EXPECT_EQ(palette.frame(), Rect(483, 626, 434, 64));
    palette.show(Rect(400, 30, 600, 80));
    EXPECT_EQ(palette.frame(), Rect(483, 110 + 10, 434, 64));

    palette.orderOut();
    EXPECT_FALSE(view.visible);
    palette.show(Rect(400, 30, 600, 80));
    EXPECT_TRUE(view.visible);
}

} // namespace
