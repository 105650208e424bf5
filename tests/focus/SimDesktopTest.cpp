// SPDX-License-Identifier: MIT

// The simulated desktop is the ground every focus test stands on: these cases pin down the
// behaviour the other tests rely on (time order, handle equality, scripted answers, delivery).
#include "platform/sim/SimDesktop.h"
#include "tests/support/QtPrinters.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

using namespace tandrel;
using namespace tandrel::sim;

TEST(ManualClock, RunsDueWorkInTimeOrderWithTiesInSchedulingOrder) {
    ManualClock clock;
    std::vector<std::string> ran;
    auto late = clock.runAfter(0.5, [&] { ran.push_back("late"); });
    auto first = clock.runAfter(0.1, [&] { ran.push_back("first"); });
    auto tieA = clock.runAfter(0.3, [&] { ran.push_back("tieA"); });
    auto tieB = clock.runAfter(0.3, [&] { ran.push_back("tieB"); });

    clock.advance(0.3);
    EXPECT_EQ(ran, (std::vector<std::string>{"first", "tieA", "tieB"}));
    clock.advance(0.2);
    EXPECT_EQ(ran.back(), "late");
    EXPECT_EQ(clock.pendingCount(), 0u);
}

TEST(ManualClock, WorkSeesItsOwnDueTimeAndMayScheduleMoreWithinTheSameAdvance) {
    ManualClock clock(10.0);
    std::vector<double> seen;
    std::unique_ptr<Handle> second;
    auto first = clock.runAfter(0.25, [&] {
        seen.push_back(clock.uptime());
        second = clock.runAfter(0.25, [&] { seen.push_back(clock.uptime()); });
    });
    clock.advance(1.0);
    EXPECT_EQ(seen, (std::vector<double>{10.25, 10.5}));
    EXPECT_DOUBLE_EQ(clock.uptime(), 11.0);
}

TEST(ManualClock, SmallStepsAddUpExactly) {
    ManualClock clock;
    int runs = 0;
    auto work = clock.runAfter(0.03, [&] { ++runs; });
    clock.advance(0.01);
    clock.advance(0.01);
    clock.advance(0.009);
    EXPECT_EQ(runs, 0);
    clock.advance(0.001);
    EXPECT_EQ(runs, 1);
}

TEST(ManualClock, RepeatingTimerFiresEveryIntervalUntilItsHandleIsGone) {
    ManualClock clock;
    int ticks = 0;
    auto timer = clock.repeat(1.0, 0.1, [&] { ++ticks; });
    clock.advance(3.5);
    EXPECT_EQ(ticks, 3);
    timer.reset();
    clock.advance(10);
    EXPECT_EQ(ticks, 3);
}

TEST(ManualClock, DestroyingAHandleCancelsEvenFromInsideTheWork) {
    ManualClock clock;
    int ticks = 0;
    std::unique_ptr<Handle> timer;
    timer = clock.repeat(1.0, 0, [&] {
        if (++ticks == 2)
            timer.reset();
    });
    std::unique_ptr<Handle> once = clock.runAfter(0.5, [&] { once.reset(); });
    clock.advance(5);
    EXPECT_EQ(ticks, 2);
    EXPECT_EQ(clock.pendingCount(), 0u);
}

class SimTree : public ::testing::Test {
protected:
    SimDesktop sim;
    SimApp& app = sim.addApp(300, QString("org.example.Notes"), QString("Notes"));
    SimElement window = app.window("Notes", Rect(0, 0, 800, 600));
    SimElement field = window.child("AXTextField").frame(10, 20, 300, 24).text("abc");
};

TEST_F(SimTree, EveryReadMakesAFreshHandleThatIsEqualButNotIdentical) {
    const ax::Reading a = sim.ax().copyAttributeValue(field, "AXParent");
    const ax::Reading b = sim.ax().copyAttributeValue(field, "AXParent");
    ASSERT_TRUE(a.ok() && b.ok());
    const ax::Element& parentA = *a.value.get<ax::Element>();
    const ax::Element& parentB = *b.value.get<ax::Element>();
    EXPECT_NE(parentA.impl(), parentB.impl());
    EXPECT_EQ(parentA, parentB);
    EXPECT_EQ(parentA, window.element());
    EXPECT_EQ(parentA.hash(), window.element().hash());
}

TEST_F(SimTree, StructuralAttributesComeFromTheTreeAndOverridesWin) {
    auto& ax = sim.ax();
    EXPECT_EQ(ax.copyAttributeValue(field, "AXPosition").value, ax::Value(Point{10, 20}));
    EXPECT_EQ(ax.copyAttributeValue(field, "AXSize").value, ax::Value(Size{300, 24}));
    EXPECT_EQ(ax.copyAttributeValue(field, "AXNumberOfCharacters").value, ax::Value(ax::Number{3}));
    EXPECT_EQ(ax.copyAttributeValue(field, "AXSelectedTextRange").value,
              ax::Value(TextRange{3, 0}));
    EXPECT_EQ(ax.copyAttributeValue(field, "AXWindow").value, ax::Value(window.element()));
    EXPECT_EQ(ax.copyParameterizedAttributeValue(field, "AXStringForRange", TextRange{1, 2}).value,
              ax::Value(QString("bc")));
    EXPECT_EQ(ax.copyParameterizedAttributeValue(field, "AXStringForRange", TextRange{2, 5}).error,
              ax::kIllegalArgument);
    EXPECT_EQ(ax.copyAttributeValue(field, "AXDescription").error, ax::kAttributeUnsupported);

    field.fail("AXPosition", ax::kCannotComplete).set("AXValue", ax::Number{7});
    EXPECT_EQ(ax.copyAttributeValue(field, "AXPosition").error, ax::kCannotComplete);
    EXPECT_EQ(ax.copyAttributeValue(field, "AXValue").value, ax::Value(ax::Number{7}));
}

TEST_F(SimTree, ScriptedSetterDecidesTheResultAndMayChangeLaterReads) {
    SimElement appElement = app.element();
    const ax::Element application = sim.accessibility().createApplication(300);
    EXPECT_EQ(sim.ax().setAttributeValue(application, "AXManualAccessibility", ax::Boolean{true}),
              ax::kAttributeUnsupported);
    EXPECT_EQ(sim.ax().copyAttributeValue(application, "AXFocusedUIElement").error, ax::kNoValue);

    appElement.onSet("AXManualAccessibility", [&](const ax::Value&) {
        app.focus(field);
        return ax::kSuccess;
    });
    EXPECT_EQ(sim.ax().setAttributeValue(application, "AXManualAccessibility", ax::Boolean{true}),
              ax::kSuccess);
    EXPECT_EQ(sim.ax().copyAttributeValue(application, "AXFocusedUIElement").value,
              ax::Value(field.element()));
    EXPECT_EQ(sim.ax().copyAttributeValue(application, "AXManualAccessibility").value,
              ax::Value(ax::Boolean{true}));
}

TEST_F(SimTree, RemovedElementsAndUnknownProcessesAnswerInvalidElement) {
    const ax::Element handle = field;
    field.remove();
    EXPECT_EQ(sim.ax().copyAttributeValue(handle, "AXRole").error, ax::kInvalidUIElement);
    EXPECT_TRUE(sim.ax().copyAttributeValue(window, "AXChildren").value.get<ax::Array>()->empty());
    const ax::Element nobody = sim.accessibility().createApplication(999);
    EXPECT_EQ(sim.ax().copyAttributeValue(nobody, "AXFocusedUIElement").error,
              ax::kInvalidUIElement);
    sim.setTrusted(false);
    EXPECT_EQ(sim.ax().copyAttributeValue(window, "AXRole").error, ax::kAPIDisabled);
}

TEST_F(SimTree, NotificationsReachOnlyObserversThatAddedThemOnAnEqualElement) {
    std::vector<QString> received;
    auto creation = sim.accessibility().createObserver(
        300, [&](const ax::Element&, const QString& name) { received.push_back(name); });
    ASSERT_EQ(creation.error, ax::kSuccess);
    auto& observer = *creation.observer;
    // Every element() call makes a new handle: registered through one, posted through another.
    EXPECT_EQ(observer.addNotification(field.element(), "AXValueChanged"), ax::kSuccess);
    EXPECT_EQ(observer.addNotification(field, "AXValueChanged"),
              ax::kNotificationAlreadyRegistered);
    field.post("AXValueChanged");
    field.post("AXMoved");
    window.post("AXValueChanged");
    EXPECT_EQ(received, (std::vector<QString>{"AXValueChanged"}));

    creation.observer.reset();
    field.post("AXValueChanged");
    EXPECT_EQ(received.size(), 1u);
}

// Handles and observers of the real desktop hold plain references to it, so whatever a desktop
// handed out must die before it; the simulated one stops the process when a test (or the code
// under test) gets that order wrong.
TEST(SimDesktopLifetime, OutlivingWhatItHandedOutStopsTheProcessNamingIt) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    struct Case {
        const char* what;
        std::function<std::shared_ptr<void>(SimDesktop&)> take;
        const char* message;
    };
    const std::vector<Case> cases = {
        {"clock handle",
         [](SimDesktop& d) { return std::shared_ptr<void>(d.clock().runAfter(1, [] {})); },
         "1 handle\\(s\\) of the simulated clock"},
        {"activation handle",
         [](SimDesktop& d) {
             return std::shared_ptr<void>(d.workspace().observeApplicationActivation([] {}));
         },
         "1 handle\\(s\\) of the simulated workspace"},
        {"observer",
         [](SimDesktop& d) {
             d.addApp(300, std::nullopt, std::nullopt);
             return std::shared_ptr<void>(
                 d.accessibility().createObserver(300, [](auto&, auto&) {}).observer);
         },
         "1 observer\\(s\\) of the simulated accessibility"},
        {"element",
         [](SimDesktop& d) {
             d.addApp(300, std::nullopt, std::nullopt);
             return std::make_shared<ax::Element>(d.accessibility().createApplication(300));
         },
         "1 element\\(s\\) of the simulated accessibility"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        // Given up in time, the desktop goes quietly.
        {
            auto desktop = std::make_unique<SimDesktop>();
            std::shared_ptr<void> taken = c.take(*desktop);
            EXPECT_FALSE(desktop->survivors().empty());
            taken.reset();
            EXPECT_EQ(desktop->survivors(), "");
        }
        EXPECT_DEATH(
            {
                auto desktop = std::make_unique<SimDesktop>();
                std::shared_ptr<void> taken = c.take(*desktop);
                desktop.reset();
            },
            c.message);
    }
}

TEST(SimDesktopLifetime, WhatTheDesktopKeepsItselfDoesNotCount) {
    // Elements stored in the tree, recorded notification calls and removed applications belong
    // to the desktop: destroying it with them must not stop the process.
    auto desktop = std::make_unique<SimDesktop>();
    SimApp& app = desktop->addApp(300, std::nullopt, std::nullopt);
    SimElement window = app.window("W", Rect(0, 0, 10, 10));
    const SimElement label = window.child("AXStaticText");
    window.set("AXTitleUIElement", ax::Value(label.element()));
    {
        auto observer = desktop->accessibility().createObserver(300, [](auto&, auto&) {});
        ASSERT_EQ(observer.observer->addNotification(window, "AXMoved"), ax::kSuccess);
    }
    app.quit();
    desktop->accessibility().createApplication(999);
    window = SimElement();
    desktop.reset();
    SUCCEED();
}
