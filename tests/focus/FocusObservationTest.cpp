// SPDX-License-Identifier: MIT
#include "app/focus/FocusObservation.h"
#include "platform/sim/SimDesktop.h"
#include "tests/support/LogCapture.h"
#include "tests/support/QtPrinters.h"

#include <gtest/gtest.h>

using namespace tandrel;
using namespace tandrel::sim;
using tandrel::test::LogCapture;

namespace {

const QString kReceiving = QStringLiteral("Receiving Accessibility changes for the active app.");
const std::vector<QString> kLayoutNotifications = {"AXMoved", "AXResized", "AXLayoutChanged",
                                                   "AXValueChanged", "AXUIElementDestroyed"};

class Observation : public ::testing::Test {
protected:
    Observation() {
        QObject::connect(observation.get(), &FocusObservation::changed, [this] { ++changes; });
    }

    // (added, element, name) of every subscription call since the last look.
    std::vector<std::tuple<bool, ax::Element, QString>> takeSubscriptionCalls() {
        std::vector<std::tuple<bool, ax::Element, QString>> result;
        for (const auto& call : sim.ax().notificationCalls())
            result.emplace_back(call.added, call.element, call.notification);
        sim.ax().clearNotificationCalls();
        return result;
    }
    static std::vector<std::tuple<bool, ax::Element, QString>> layoutCalls(bool added,
                                                                           const SimElement& e) {
        std::vector<std::tuple<bool, ax::Element, QString>> result;
        for (const QString& name : kLayoutNotifications)
            result.emplace_back(added, e.element(), name);
        return result;
    }

    LogCapture log;
    SimDesktop sim;
    SimApp& chat = sim.addApp(10, QString("org.chromium.Chromium"), QString("Chromium"));
    SimApp& other = sim.addApp(20, QString("org.example.Other"), QString("Other"));
    SimElement window = chat.window("Chat", Rect(0, 0, 800, 600));
    SimElement body = window.child("AXGroup").frame(0, 500, 800, 100);
    SimElement input = body.child("AXTextArea").frame(10, 510, 700, 40);
    SimElement rail = window.child("AXGroup").frame(0, 500, 40, 100);
    int changes = 0;
    std::unique_ptr<FocusObservation> observation =
        std::make_unique<FocusObservation>(sim.accessibility(), sim.workspace(), sim.clock());
};

} // namespace

TEST_F(Observation, BurstOfEventsGivesOneChangeThirtyMillisecondsAfterTheFirst) {
    observation->observe(10, std::vector<ax::Element>{input});
    input.post("AXValueChanged");
    sim.advance(0.010);
    input.post("AXValueChanged");
    sim.advance(0.019);
    EXPECT_EQ(changes, 0);
    sim.advance(0.001);
    EXPECT_EQ(changes, 1) << "30 ms after the first event, not pushed back by the second";

    sim.advance(0.020);
    input.post("AXResized"); // 50 ms after the first
    sim.advance(0.029);
    EXPECT_EQ(changes, 1);
    sim.advance(0.001);
    EXPECT_EQ(changes, 2);
    sim.advance(1);
    EXPECT_EQ(changes, 2);
}

TEST_F(Observation, ApplicationNotificationsArriveOnTheApplicationElement) {
    observation->observe(10, std::nullopt);
    chat.focus(input); // posts "AXFocusedUIElementChanged"
    sim.advance(0.03);
    EXPECT_EQ(changes, 1);
    window.post("AXFocusedWindowChanged");
    chat.element().post("AXFocusedWindowChanged");
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
    observation->observe(10, std::vector<ax::Element>{});
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

TEST_F(Observation, SubscriptionsFollowTheElementListByDifference) {
    observation->observe(10, std::nullopt);
    takeSubscriptionCalls();

    observation->observe(10, std::vector<ax::Element>{input, body});
    auto expected = layoutCalls(true, input);
    for (auto& call : layoutCalls(true, body))
        expected.push_back(call);
    EXPECT_EQ(takeSubscriptionCalls(), expected);

    // Fresh handles on the same elements: nothing changes.
    observation->observe(10, std::vector<ax::Element>{input.element(), body.element()});
    EXPECT_TRUE(takeSubscriptionCalls().empty());
    observation->observe(10, std::nullopt);
    EXPECT_TRUE(takeSubscriptionCalls().empty()) << "no list leaves the subscriptions alone";

    observation->observe(10, std::vector<ax::Element>{input, rail});
    expected = layoutCalls(false, body);
    for (auto& call : layoutCalls(true, rail))
        expected.push_back(call);
    EXPECT_EQ(takeSubscriptionCalls(), expected);

    body.post("AXResized");
    sim.advance(0.03);
    EXPECT_EQ(changes, 0) << "the dropped element is no longer heard";
    rail.post("AXMoved");
    sim.advance(0.03);
    EXPECT_EQ(changes, 1);
}

TEST_F(Observation, NoPidDisconnectsAndForgetsAndAskingAgainReconnects) {
    observation->observe(10, std::vector<ax::Element>{input});
    observation->observe(std::nullopt, std::nullopt);
    EXPECT_EQ(sim.ax().liveObservers(10), 0);
    EXPECT_FALSE(observation->pid());
    input.post("AXValueChanged");
    sim.advance(0.03);
    EXPECT_EQ(changes, 0);

    observation->observe(10, std::vector<ax::Element>{input});
    EXPECT_EQ(sim.ax().observerCreations(10), 2);
    input.post("AXValueChanged");
    sim.advance(0.03);
    EXPECT_EQ(changes, 1) << "a new connection subscribes its first list afresh";
}

TEST_F(Observation, FailedObserverIsNotRetriedForTheSamePid) {
    sim.ax().failObserverCreation(10, ax::kCannotComplete);
    observation->observe(10, std::nullopt);
    observation->observe(10, std::vector<ax::Element>{input});
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
    observation->observe(10, std::vector<ax::Element>{input});
    input.post("AXValueChanged");
    observation.reset();
    sim.advance(1);
    EXPECT_EQ(changes, 0);
    EXPECT_EQ(sim.ax().liveObservers(10), 0);
    EXPECT_EQ(sim.ws().activationObservers(), 0u);
    sim.activate(other);
    input.post("AXValueChanged");
    sim.advance(1);
    EXPECT_EQ(changes, 0);
}

TEST_F(Observation, ChangeHandlerMayObserveAgainAndEventsDuringItScheduleTheNextRefresh) {
    // As the controller does: every evaluation re-states what to watch.
    QObject::disconnect(observation.get(), &FocusObservation::changed, nullptr, nullptr);
    QObject::connect(observation.get(), &FocusObservation::changed, [this] {
        ++changes;
        observation->observe(10, std::vector<ax::Element>{input});
        input.post("AXValueChanged");
    });
    observation->observe(10, std::vector<ax::Element>{input});
    input.post("AXValueChanged");
    sim.advance(0.03);
    EXPECT_EQ(changes, 1);
    sim.advance(0.03);
    EXPECT_EQ(changes, 2);
}
