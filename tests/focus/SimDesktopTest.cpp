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

using a11y::Change;
using a11y::Question;
using a11y::Role;

class SimTree : public ::testing::Test {
protected:
    SimDesktop sim;
    SimApp& app = sim.addApp(300, QString("org.example.Notes"), QString("Notes"));
    SimElement window = app.window("Notes", Rect(0, 0, 800, 600));
    SimElement field = window.child(Role::textField).frame(10, 20, 300, 24).text("abc");
};

TEST_F(SimTree, EveryAnswerMakesAFreshHandleThatIsEqualButNotIdentical) {
    const auto a = sim.ax().parent(field);
    const auto b = sim.ax().parent(field);
    ASSERT_TRUE(a.ok() && b.ok());
    EXPECT_NE(a->impl(), b->impl());
    EXPECT_EQ(*a, *b);
    EXPECT_EQ(*a, window.element());
    EXPECT_EQ(a->hash(), window.element().hash());
}

TEST_F(SimTree, AnswersComeFromTheTreeAndScriptedFailuresWin) {
    auto& ax = sim.ax();
    EXPECT_EQ(ax.frame(field).value(), Rect(10, 20, 300, 24));
    EXPECT_EQ(ax.text(field, true).value(), (a11y::TextContent{"abc", TextRange{3, 0}}));
    EXPECT_EQ(ax.text(field, false).value(), (a11y::TextContent{"abc", std::nullopt}));
    EXPECT_EQ(ax.window(field).value(), window.element());
    EXPECT_EQ(ax.label(window, a11y::Label::name).value(), "Notes");
    EXPECT_TRUE(ax.label(field, a11y::Label::description).failedWith(Failure::noValue));
    EXPECT_TRUE(ax.state(field, a11y::State::enabled).failedWith(Failure::unsupported));

    field.fail(Question::frame, Failure::notAnswering);
    EXPECT_TRUE(ax.frame(field).failedWith(Failure::notAnswering));
    EXPECT_TRUE(ax.role(field).ok()) << "only the scripted question fails";
    field.unfail(Question::frame);
    EXPECT_TRUE(ax.frame(field).ok());

    sim.ax().setAnswering(300, false);
    EXPECT_TRUE(ax.role(window).failedWith(Failure::notAnswering));
    sim.ax().setAnswering(300, true);
    EXPECT_TRUE(ax.role(window).ok());
}

TEST_F(SimTree, ScriptedWakeDecidesTheResultAndMayChangeLaterAnswers) {
    const a11y::Element application = sim.accessibility().application(300);
    EXPECT_TRUE(sim.ax().wake(application).failedWith(Failure::unsupported));
    EXPECT_TRUE(sim.ax().focusedElement(application).failedWith(Failure::noValue));

    app.element().awake(false).onWake([&] {
        app.focus(field);
        return Result<Done>(Done{});
    });
    EXPECT_EQ(sim.ax().isAwake(application).value(), false);
    EXPECT_TRUE(sim.ax().wake(application).ok());
    EXPECT_EQ(sim.ax().focusedElement(application).value(), field.element());
    EXPECT_EQ(sim.ax().isAwake(application).value(), true);
}

TEST_F(SimTree, RemovedElementsUnknownProcessesAndAnUntrustedProcessGetNothing) {
    const a11y::Element handle = field;
    field.remove();
    EXPECT_TRUE(sim.ax().role(handle).failedWith(Failure::gone));
    EXPECT_TRUE(sim.ax().children(window).value().empty());
    EXPECT_TRUE(sim.accessibility().application(999).isNull());
    EXPECT_TRUE(sim.ax().focusedElement(a11y::Element()).failedWith(Failure::gone));
    sim.setTrusted(false);
    EXPECT_TRUE(sim.ax().role(window).failedWith(Failure::gone));
}

TEST_F(SimTree, ChangesReachOnlyObserversThatWatchThemOnAnEqualElement) {
    std::vector<Change> received;
    auto observed = sim.accessibility().observe(
        300, [&](const a11y::Element&, Change change) { received.push_back(change); });
    ASSERT_TRUE(observed.ok());
    std::unique_ptr<a11y::Observer> observer = std::move(observed).value();
    // Every element() call makes a new handle: watched through one, posted through another.
    observer->watch(field.element(), Change::text);
    observer->watch(field, Change::text);
    EXPECT_EQ(sim.ax().watchCalls().size(), 1u) << "watching twice does nothing";
    field.post(Change::text);
    field.post(Change::bounds);
    window.post(Change::text);
    EXPECT_EQ(received, (std::vector<Change>{Change::text}));

    // A change of the whole application is heard through its application element, wherever
    // it is posted.
    observer->watch(app.element(), Change::focus);
    window.post(Change::focus);
    EXPECT_EQ(received.back(), Change::focus);

    observer.reset();
    field.post(Change::text);
    EXPECT_EQ(received.size(), 2u);
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
                 d.accessibility().observe(300, [](auto&, auto) {}).value());
         },
         "1 observer\\(s\\) of the simulated accessibility"},
        {"element",
         [](SimDesktop& d) {
             d.addApp(300, std::nullopt, std::nullopt);
             return std::make_shared<a11y::Element>(d.accessibility().application(300));
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
    // The focus kept in the tree, recorded watch calls and removed applications belong to the
    // desktop: destroying it with them must not stop the process.
    auto desktop = std::make_unique<SimDesktop>();
    SimApp& app = desktop->addApp(300, std::nullopt, std::nullopt);
    SimElement window = app.window("W", Rect(0, 0, 10, 10));
    app.focus(window.child(a11y::Role::other));
    {
        auto observer = desktop->accessibility().observe(300, [](auto&, auto) {});
        ASSERT_TRUE(observer.ok());
        (*observer)->watch(window, a11y::Change::bounds);
    }
    EXPECT_EQ(desktop->ax().watchCalls().size(), 1u);
    app.quit();
    desktop->accessibility().application(999);
    window = SimElement();
    desktop.reset();
    SUCCEED();
}
