// SPDX-License-Identifier: MIT
#include "app/focus/FocusObservation.h"
#include "platform/sim/SimDesktop.h"
#include "tests/support/LogCapture.h"
#include "tests/support/QtPrinters.h"

#include <gtest/gtest.h>

using namespace tandrel;
using namespace tandrel::sim;
using a11y::Change;
using a11y::Role;
using tandrel::test::LogCapture;

namespace {

const QString kReceiving = QStringLiteral("Receiving Accessibility changes for the active app.");
const std::vector<Change> kLayoutChanges = {Change::bounds, Change::layout, Change::text,
                                            Change::destroyed};

class Observation : public ::testing::Test {
protected:
    Observation() {
        QObject::connect(observation.get(), &FocusObservation::changed, [this] { ++changes; });
    }

    // (added, element, change) of every watch and unwatch since the last look.
    std::vector<std::tuple<bool, a11y::Element, Change>> takeWatchCalls() {
        std::vector<std::tuple<bool, a11y::Element, Change>> result;
        for (const auto& call : sim.ax().watchCalls())
            result.emplace_back(call.added, call.element, call.change);
        sim.ax().clearWatchCalls();
        return result;
    }
    static std::vector<std::tuple<bool, a11y::Element, Change>> layoutCalls(bool added,
                                                                            const SimElement& e) {
        std::vector<std::tuple<bool, a11y::Element, Change>> result;
        for (const Change change : kLayoutChanges)
            result.emplace_back(added, e.element(), change);
        return result;
    }

    LogCapture log;
    SimDesktop sim;
    SimApp& chat = sim.addApp(10, QString("org.chromium.Chromium"), QString("Chromium"));
    SimApp& other = sim.addApp(20, QString("org.example.Other"), QString("Other"));
    SimElement window = chat.window("Chat", Rect(0, 0, 800, 600));
    SimElement body = window.child(Role::other).frame(0, 500, 800, 100);
    SimElement input = body.child(Role::textArea).frame(10, 510, 700, 40);
    SimElement rail = window.child(Role::other).frame(0, 500, 40, 100);
    int changes = 0;
    std::unique_ptr<FocusObservation> observation =
        std::make_unique<FocusObservation>(sim.accessibility(), sim.workspace(), sim.clock());
};

} // namespace

TEST_F(Observation, BurstOfEventsGivesOneChangeThirtyMillisecondsAfterTheFirst) {
    observation->observe(10, std::vector<a11y::Element>{input});
    input.post(Change::text);
    sim.advance(0.010);
    input.post(Change::text);
    sim.advance(0.019);
    EXPECT_EQ(changes, 0);
    sim.advance(0.001);
    EXPECT_EQ(changes, 1) << "30 ms after the first event, not pushed back by the second";

    sim.advance(0.020);
    input.post(Change::bounds); // 50 ms after the first
    sim.advance(0.029);
    EXPECT_EQ(changes, 1);
    sim.advance(0.001);
    EXPECT_EQ(changes, 2);
    sim.advance(1);
    EXPECT_EQ(changes, 2);
}

TEST_F(Observation, ApplicationChangesArriveOnTheApplicationElement) {
    observation->observe(10, std::nullopt);
    chat.focus(input); // posts a focus change
    sim.advance(0.03);
    EXPECT_EQ(changes, 1);
    window.post(Change::window);
    chat.element().post(Change::window);
    sim.advance(0.03);
    EXPECT_EQ(changes, 2);
}

TEST_F(Observation, ActivationOfAnotherAppRefreshesEvenWithoutAnObserver) {
    observation->observe(std::nullopt, std::nullopt);
    sim.activate(other);
    sim.advance(0.03);
    EXPECT_EQ(changes, 1);
}

TEST_F(Observation, SamePidKeepsTheConnectionAndTheReceivingLineIsOncePerConnection) {
    observation->observe(10, std::nullopt);
    observation->observe(10, std::vector<a11y::Element>{});
    EXPECT_EQ(sim.ax().observerCreations(10), 1);
    chat.focus(input);
    chat.focus(input);
    EXPECT_EQ(log.count("tandrel.observation", kReceiving), 1);

    observation->observe(20, std::nullopt);
    observation->observe(10, std::nullopt);
    EXPECT_EQ(log.count("tandrel.observation", kReceiving), 1)
        << "logged on the next event, not before";
    chat.focus(input);
    EXPECT_EQ(log.count("tandrel.observation", kReceiving), 2);
    EXPECT_EQ(sim.ax().liveObservers(10), 1);
    EXPECT_EQ(sim.ax().liveObservers(20), 0);
}

TEST_F(Observation, WatchedElementsFollowTheListByDifference) {
    observation->observe(10, std::nullopt);
    takeWatchCalls();

    observation->observe(10, std::vector<a11y::Element>{input, body});
    auto expected = layoutCalls(true, input);
    for (auto& call : layoutCalls(true, body))
        expected.push_back(call);
    EXPECT_EQ(takeWatchCalls(), expected);

    // Fresh handles on the same elements: nothing changes.
    observation->observe(10, std::vector<a11y::Element>{input.element(), body.element()});
    EXPECT_TRUE(takeWatchCalls().empty());
    observation->observe(10, std::nullopt);
    EXPECT_TRUE(takeWatchCalls().empty()) << "no list leaves what is watched alone";

    observation->observe(10, std::vector<a11y::Element>{input, rail});
    expected = layoutCalls(false, body);
    for (auto& call : layoutCalls(true, rail))
        expected.push_back(call);
    EXPECT_EQ(takeWatchCalls(), expected);

    body.post(Change::bounds);
    sim.advance(0.03);
    EXPECT_EQ(changes, 0) << "the dropped element is no longer heard";
    rail.post(Change::bounds);
    sim.advance(0.03);
    EXPECT_EQ(changes, 1);
}

TEST_F(Observation, NoPidDisconnectsAndForgetsAndAskingAgainReconnects) {
    observation->observe(10, std::vector<a11y::Element>{input});
    observation->observe(std::nullopt, std::nullopt);
    EXPECT_EQ(sim.ax().liveObservers(10), 0);
    EXPECT_FALSE(observation->pid());
    input.post(Change::text);
    sim.advance(0.03);
    EXPECT_EQ(changes, 0);

    observation->observe(10, std::vector<a11y::Element>{input});
    EXPECT_EQ(sim.ax().observerCreations(10), 2);
    input.post(Change::text);
    sim.advance(0.03);
    EXPECT_EQ(changes, 1) << "a new connection subscribes its first list afresh";
}

TEST_F(Observation, FailedObserverIsNotRetriedForTheSamePid) {
    sim.ax().failObserverCreation(10, Failure::notAnswering);
    observation->observe(10, std::nullopt);
    observation->observe(10, std::vector<a11y::Element>{input});
    observation->observe(10, std::nullopt);
    EXPECT_EQ(sim.ax().observerCreations(10), 1);
    EXPECT_FALSE(observation->isConnected());
    EXPECT_EQ(observation->pid(), 10);

    observation->observe(20, std::nullopt);
    EXPECT_TRUE(observation->isConnected());
    observation->observe(10, std::nullopt);
    EXPECT_EQ(sim.ax().observerCreations(10), 2) << "another pid in between allows a new try";
}

TEST_F(Observation, DestroyedObservationCancelsItsRefreshAndHearsNothing) {
    observation->observe(10, std::vector<a11y::Element>{input});
    input.post(Change::text);
    observation.reset();
    sim.advance(1);
    EXPECT_EQ(changes, 0);
    EXPECT_EQ(sim.ax().liveObservers(10), 0);
    EXPECT_EQ(sim.ws().activationObservers(), 0u);
    sim.activate(other);
    input.post(Change::text);
    sim.advance(1);
    EXPECT_EQ(changes, 0);
}

TEST_F(Observation, ChangeHandlerMayObserveAgainAndEventsDuringItScheduleTheNextRefresh) {
    // As the controller does: every evaluation re-states what to watch.
    QObject::disconnect(observation.get(), &FocusObservation::changed, nullptr, nullptr);
    QObject::connect(observation.get(), &FocusObservation::changed, [this] {
        ++changes;
        observation->observe(10, std::vector<a11y::Element>{input});
        input.post(Change::text);
    });
    observation->observe(10, std::vector<a11y::Element>{input});
    input.post(Change::text);
    sim.advance(0.03);
    EXPECT_EQ(changes, 1);
    sim.advance(0.03);
    EXPECT_EQ(changes, 2);
}
